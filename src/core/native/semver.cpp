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

#include "native/semver_family_scheme.hpp"

namespace tambry::native {
namespace {

constinit const SemverFamilyScheme<read_semver_2, compare_precedence, put_precedence_key> SEMVER_SCHEME{};

}  // namespace

std::optional<SemverParts> parse_semver_version(std::string_view text) {
    SemverParts parts;
    if (!read_semver_2(text, parts)) return std::nullopt;
    return parts;
}

const NativeScheme& semver_scheme() { return SEMVER_SCHEME; }
const NativeScheme& swift_scheme() { return SEMVER_SCHEME; }

}  // namespace tambry::native
