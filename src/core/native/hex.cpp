// Hex packages are ordered by Elixir's Version (1.14 here): `Version.compare/2`
// compares the three numbers, then puts a pre-release below its release and
// compares pre-releases as lists in Erlang term order, where an integer (a numeric
// identifier) comes before a binary (any other, compared by its bytes) and a
// shorter list before a longer one that starts with it. Build metadata takes no
// part. `Version.parse/1` accepts exactly the SemVer 2.0.0 grammar: numbers are
// Erlang integers of any size without leading zeros, identifiers are non-empty and
// of [0-9A-Za-z-], numeric pre-release ones without leading zeros.
#include "native/hex.hpp"

namespace tambry::native {
namespace {

class HexScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view text) const override { return parse_semver_2(text).has_value(); }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        const auto left = parse_semver_2(a);
        if (!left) return std::nullopt;
        const auto right = parse_semver_2(b);
        if (!right) return std::nullopt;
        return compare_precedence(*left, *right);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        const auto parts = parse_semver_2(text);
        if (!parts) return false;
        put_precedence_key(out, *parts);
        return true;
    }
};

constinit const HexScheme HEX_SCHEME{};

}  // namespace

std::optional<SemverParts> parse_hex_version(std::string_view text) { return parse_semver_2(text); }

const NativeScheme& hex_scheme() { return HEX_SCHEME; }

}  // namespace tambry::native
