// Cargo versions, as the Rust `semver` crate reads them.
#pragma once

#include <optional>
#include <string_view>

#include "native/semver_grammar.hpp"

namespace tambry::native {

// The parts of a text `semver::Version::parse` accepts, or nothing. The three
// numbers fit in 64 bits.
std::optional<SemverParts> parse_cargo_version(std::string_view text);

}  // namespace tambry::native
