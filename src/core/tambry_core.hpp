// Everything the binding may use of the core: the ecosystems and their strategies,
// the "auto" guess, the generic parse and its packed form (which Version objects
// keep), their hash and sort keys, and the batch and the picker behind the
// collection functions.
#pragma once

#include "autodetect.hpp"
#include "ecosystem.hpp"
#include "generic_parser.hpp"
#include "packed_version.hpp"
#include "version_batch.hpp"
#include "version_picker.hpp"
#include "version_hash.hpp"
