// SemVer 2.0.0 precedence: the three numbers by value, then a pre-release below the
// release it leads to, pre-releases identifier by identifier (numeric ones by value
// and before the others, the others by their ASCII bytes, a shorter list first when
// one is a prefix of the other); build metadata takes no part, so "1.0.0+a" equals
// "1.0.0+b". Acceptance is the SemVer 2.0.0 grammar exactly: numbers of any size
// without leading zeros, non-empty identifiers of [0-9A-Za-z-], no prefix and no
// white space. Python's `semver` 3.0.2 agrees on every such text; it also takes
// Unicode digits where its patterns say \d and a trailing newline (Python's `$`),
// and it refuses numbers past the interpreter's 4300-digit conversion limit, none
// of which SemVer allows or bounds.
//
// Swift packages are ordered the same way: SwiftPM reads its versions as SemVer
// 2.0.0. Its own parser is laxer on some texts SemVer rejects (leading zeros,
// empty pre-release identifiers) and holds numbers in 64-bit Int, but there is no
// SwiftPM here to label those against, so swift keeps to SemVer itself.
#include "native/semver.hpp"

namespace tambry::native {
namespace {

class SemverScheme final : public NativeScheme {
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

constinit const SemverScheme SEMVER_SCHEME{};

}  // namespace

std::optional<SemverParts> parse_semver_version(std::string_view text) { return parse_semver_2(text); }

const NativeScheme& semver_scheme() { return SEMVER_SCHEME; }
const NativeScheme& swift_scheme() { return SEMVER_SCHEME; }

}  // namespace tambry::native
