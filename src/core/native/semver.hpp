// SemVer 2.0.0 versions, as the semver scheme (and swift) reads them.
#pragma once

#include <optional>
#include <string_view>

#include "native/semver_grammar.hpp"

namespace tambry::native {

// The parts of a text SemVer 2.0.0 accepts, or nothing.
std::optional<SemverParts> parse_semver_version(std::string_view text);

}  // namespace tambry::native
