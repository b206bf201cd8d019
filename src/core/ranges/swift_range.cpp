// Swift package ranges: plain comparator lists over the versions SwiftPM reads as
// SemVer 2.0.0, in SemVer's precedence:
//
//     ">=1.2.0 <2.0.0"    ">=1.2.0, <2.0.0, !=1.4.1"    "=1.0.0 || >=2.0.0"    "*"
//
// comparator_list_range.hpp gives the grammar. SwiftPM writes its requirements as
// code ("1.2.0"..<"2.0.0", .upToNextMajor(from:)), not as text, so these lists
// are tambry's own and have no pre-release rule: a pre-release is a version like
// any other, under prereleases=None as under True; False admits none.
#include "ranges/comparator_list_range.hpp"

namespace tambry::ranges {

RangeResult<VersionSet> parse_swift_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    return parse_comparator_list(scheme, text, policy);
}

}  // namespace tambry::ranges
