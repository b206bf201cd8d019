// Hex versions, as Elixir's Version reads them.
#pragma once

#include <optional>
#include <string_view>

#include "native/semver_grammar.hpp"

namespace tambry::native {

// The parts of a text `Version.parse/1` accepts, or nothing.
std::optional<SemverParts> parse_hex_version(std::string_view text);

}  // namespace tambry::native
