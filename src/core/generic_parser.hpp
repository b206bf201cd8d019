// The tokenizer behind the generic scheme and every Version object. It is total:
// every text, the empty one included, yields a ParsedVersion.
#pragma once

#include <string_view>

#include "version_model.hpp"

namespace tambry {

ParsedVersion parse_generic(std::string_view input);

// The same, written into a freshly made value so that callers holding it inside a
// larger one need not move it.
void parse_generic_into(std::string_view input, ParsedVersion& out);

}  // namespace tambry
