// Go modules are ordered by golang.org/x/mod/semver (0.7.0 here): `IsValid`, then
// `Compare`, which follows SemVer 2.0.0 precedence: the three numbers by value
// (any size), a pre-release below its release, pre-release identifiers numeric
// before the others, numeric ones by value, the others by their bytes. Build
// metadata takes no part. Every version starts with "v"; "v1" and "v1.2" stand for
// "v1.0.0" and "v1.2.0" and equal them, but take no pre-release or build.
#include "native/golang.hpp"

namespace tambry::native {
namespace {

constexpr std::size_t NONE = std::string_view::npos;

std::optional<SemverParts> parse_go(std::string_view text) {
    if (text.empty() || text[0] != 'v') return std::nullopt;
    SemverParts parts;
    parts.minor = "0";
    parts.patch = "0";
    std::size_t pos = core_number_end(text, 1, parts.major);
    if (pos == NONE) return std::nullopt;
    if (pos == text.size()) return parts;
    if (text[pos] != '.') return std::nullopt;
    pos = core_number_end(text, pos + 1, parts.minor);
    if (pos == NONE) return std::nullopt;
    if (pos == text.size()) return parts;
    if (text[pos] != '.') return std::nullopt;
    pos = core_number_end(text, pos + 1, parts.patch);
    if (pos == NONE || !parse_semver_suffix(text, pos, parts)) return std::nullopt;
    return parts;
}

class GolangScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view text) const override { return parse_go(text).has_value(); }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        const auto left = parse_go(a);
        if (!left) return std::nullopt;
        const auto right = parse_go(b);
        if (!right) return std::nullopt;
        return compare_precedence(*left, *right);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        const auto parts = parse_go(text);
        if (!parts) return false;
        put_precedence_key(out, *parts);
        return true;
    }
};

constinit const GolangScheme GOLANG_SCHEME{};

}  // namespace

std::optional<SemverParts> parse_golang_version(std::string_view text) { return parse_go(text); }

const NativeScheme& golang_scheme() { return GOLANG_SCHEME; }

}  // namespace tambry::native
