// Hex packages are ordered by Elixir's Version (1.14 here): `Version.compare/2`
// compares the three numbers, then puts a pre-release below its release and
// compares pre-releases as lists in Erlang term order, where an integer (a numeric
// identifier) comes before a binary (any other, compared by its bytes) and a
// shorter list before a longer one that starts with it. Build metadata takes no
// part. `Version.parse/1` accepts exactly the SemVer 2.0.0 grammar: numbers are
// Erlang integers of any size without leading zeros, identifiers are non-empty and
// of [0-9A-Za-z-], numeric pre-release ones without leading zeros.
#include "native/hex.hpp"

#include "native/semver_family_scheme.hpp"

namespace tambry::native {
namespace {

constinit const SemverFamilyScheme<read_semver_2, compare_precedence, put_precedence_key> HEX_SCHEME{};

}  // namespace

std::optional<SemverParts> parse_hex_version(std::string_view text) {
    SemverParts parts;
    if (!read_semver_2(text, parts)) return std::nullopt;
    return parts;
}

const NativeScheme& hex_scheme() { return HEX_SCHEME; }

}  // namespace tambry::native
