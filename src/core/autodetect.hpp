// Guessing the ecosystem of a version text from notations that belong to one
// ecosystem only. Total: unrecognised text is generic.
#pragma once

#include <string_view>

#include "ecosystem.hpp"

namespace tambry {

Ecosystem autodetect_ecosystem(std::string_view text);

}  // namespace tambry
