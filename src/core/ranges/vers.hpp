// vers URIs ("vers:npm/>=1.0.0|<2.0.0"): the package-url project's notation for a
// version range, read and written exactly.
//
// Reading follows its parsing rules: spaces and tabs are dropped, the URI scheme
// and the versioning scheme match in any case, empty constraints between pipes are
// skipped, "%XX" escapes are decoded, and the constraints are sorted by version.
// Then the sorted list must be valid: no version twice, "*" alone, and, ignoring
// "!=", an "=" followed only by "=", ">" or ">="; ignoring "=" too, lower and upper
// bounds alternating. A list of "!=" constraints alone means every version but
// those. An explicit "=" comparator is read as the bare version it stands for.
//
// Writing gives the canonical form: lowercase schemes, one constraint per bound
// sorted by version, nothing redundant (a lone missing version inside an interval
// is one "!="), and versions percent-encoded where they hold a separator, a
// comparator, "%", "?", "&", or a byte that is not printable ASCII.
//
// Two notations of tambry's own keep every range exact, since plain vers can say
// neither; each is an error to a reader that does not know it, never a misreading:
//   - A bound named by key bytes rather than by a version, written "*" and the key
//     in lowercase hex: ">=*010b0102". The star never stands unencoded in a version.
//   - A range whose pre-releases are tested against a set of their own: the
//     releases' constraints, then "?prereleases=" and the pre-releases' ones:
//     "vers:npm/>=1.0.0|<2.0.0?prereleases=none". The constraint list "none"
//     stands for no version at all, wherever a list may stand (a version spelled
//     "none" is written "%6Eone").
// A literal "?" in a version must therefore be encoded as "%3F"; every writer of
// vers encodes it in practice, and tambry always does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ranges/range_error.hpp"
#include "ranges/version_set.hpp"

namespace tambry::ranges {

// The scheme a vers versioning scheme (a purl type, already lowercase) names.
using VersTypeResolver = std::optional<RangeScheme> (*)(std::string_view type);
std::optional<RangeScheme> native_scheme_for_vers_type(std::string_view type);

RangeResult<VersionSet> parse_vers(std::string_view uri, VersTypeResolver resolve = native_scheme_for_vers_type);

std::string to_vers(const VersionSet& set);

}  // namespace tambry::ranges
