// Go modules are ordered by golang.org/x/mod/semver (0.7.0 here): `IsValid`, then
// `Compare`, which follows SemVer 2.0.0 precedence: the three numbers by value
// (any size), a pre-release below its release, pre-release identifiers numeric
// before the others, numeric ones by value, the others by their bytes. Build
// metadata takes no part. Every version starts with "v"; "v1" and "v1.2" stand for
// "v1.0.0" and "v1.2.0" and equal them, but take no pre-release or build.
#include "native/golang.hpp"

#include "native/semver_family_scheme.hpp"

namespace tambry::native {
namespace {

constexpr std::size_t NONE = std::string_view::npos;

bool read_go(std::string_view text, SemverParts& out) {
    out = SemverParts{};
    out.minor = "0";
    out.patch = "0";
    if (text.empty() || text[0] != 'v') return false;
    std::size_t pos = core_number_end(text, 1, out.major);
    if (pos == NONE) return false;
    if (pos == text.size()) return true;
    if (text[pos] != '.') return false;
    pos = core_number_end(text, pos + 1, out.minor);
    if (pos == NONE) return false;
    if (pos == text.size()) return true;
    if (text[pos] != '.') return false;
    pos = core_number_end(text, pos + 1, out.patch);
    return pos != NONE && read_semver_suffix(text, pos, out);
}

constinit const SemverFamilyScheme<read_go, compare_precedence, put_precedence_key> GOLANG_SCHEME{};

}  // namespace

std::optional<SemverParts> parse_golang_version(std::string_view text) {
    SemverParts parts;
    if (!read_go(text, parts)) return std::nullopt;
    return parts;
}

const NativeScheme& golang_scheme() { return GOLANG_SCHEME; }

}  // namespace tambry::native
