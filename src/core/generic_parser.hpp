// The tokenizer behind the generic scheme and every Version object. It is total:
// every text, the empty one included, yields a ParsedVersion.
#pragma once

#include <string_view>

#include "version_model.hpp"

namespace tambry {

ParsedVersion parse_generic(std::string_view input);

}  // namespace tambry
