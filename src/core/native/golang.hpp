// Go module versions, as golang.org/x/mod/semver reads them.
#pragma once

#include <optional>
#include <string_view>

#include "native/semver_grammar.hpp"

namespace tambry::native {

// The parts of a text `semver.IsValid` accepts, or nothing. The "v" is not part of
// the major number; the shorthands "v1" and "v1.2" give "0" for what they leave out.
std::optional<SemverParts> parse_golang_version(std::string_view text);

}  // namespace tambry::native
