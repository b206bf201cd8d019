// The plain comparator lists golang, swift and semver ranges are written in, for
// ecosystems whose tools read no range syntax of their own:
//
//     range        := alternative ("||" alternative)*      any alternative holds
//     alternative  := comparator (separator comparator)*   every comparator holds
//     separator    := "," | white space                    around a "," too
//     comparator   := "*" | [operator] version             "*" holds every version
//     operator     := "=" | "==" | "!=" | "<" | "<=" | ">" | ">="   "=" when none
//
// as in ">=1.2.0 <2.0.0", ">=1.2.0, <2.0.0, !=1.4.1", "=1.0.0 || >=2.0.0". White
// space may also stand after an operator. A version is whatever the scheme
// accepts, ended by white space, ",", "|" or an operator sign. Versions are
// compared in the scheme's own order, so a pre-release is a version like any
// other: ">=1.0.0 <2.0.0" holds 2.0.0-rc.1, and build metadata takes no part
// ("=1.0.0+a" holds 1.0.0+b). There is no pre-release rule: prereleases=None and
// True test pre-releases as releases; False admits none.
#pragma once

#include "ranges/native_range.hpp"

namespace tambry::ranges {

RangeResult<VersionSet> parse_comparator_list(const RangeScheme& scheme, std::string_view text,
                                              PrereleasePolicy policy);

}  // namespace tambry::ranges
