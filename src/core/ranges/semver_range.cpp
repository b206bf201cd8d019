// semver ranges: plain comparator lists over SemVer 2.0.0 versions, in
// SemVer's precedence ("1.0.0+a" equals "1.0.0+b"):
//
//     ">=1.2.0 <2.0.0"    ">=1.2.0, <2.0.0, !=1.4.1"    "=1.0.0 || >=2.0.0"    "*"
//
// comparator_list_range.hpp gives the grammar. No semver tool reads ranges, so
// none has a pre-release rule: a pre-release is a version like any other, under
// prereleases=None as under True; False admits none.
#include "ranges/comparator_list_range.hpp"

namespace tambry::ranges {

RangeResult<VersionSet> parse_semver_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    return parse_comparator_list(scheme, text, policy);
}

}  // namespace tambry::ranges
