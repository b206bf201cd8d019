// Go module ranges: plain comparator lists over module versions, each with its
// "v", in golang.org/x/mod/semver's order ("v1.2" equals "v1.2.0"):
//
//     ">=v1.2.0 <v2.0.0"    ">=v1.2.0, <v2.0.0, !=v1.4.1"    "=v1.0.0 || >=v2.0.0"    "*"
//
// comparator_list_range.hpp gives the grammar. The go command resolves by minimal
// version selection and reads no ranges, so these lists are tambry's own and have
// no pre-release rule: a pre-release is a version like any other, under
// prereleases=None as under True; False admits none.
#include "ranges/comparator_list_range.hpp"

namespace tambry::ranges {

RangeResult<VersionSet> parse_golang_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    return parse_comparator_list(scheme, text, policy);
}

}  // namespace tambry::ranges
