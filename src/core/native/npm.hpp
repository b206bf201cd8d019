// npm versions, read as npm reads a package's version: node-semver's loose form.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "native/semver_grammar.hpp"

namespace tambry::native {

// The parts of a text npm accepts, or nothing. Loose texts keep their spelling: the
// numbers may carry leading zeros (their values are at most 2^53 - 1), and a
// pre-release may have been written without its "-" ("1.2.3beta") or start with
// the last digit of what looked like the patch ("1.2.34.5" is 1.2.3-4.5).
std::optional<SemverParts> parse_npm_version(std::string_view text);

// The length in bytes of the JavaScript white-space character (what \s matches and
// trim() removes) that starts at `pos`, or 0; node-semver's ranges split on these.
std::size_t js_space_length(std::string_view text, std::size_t pos);

}  // namespace tambry::native
