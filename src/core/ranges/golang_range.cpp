// Placeholder until golang ranges are read: every text is "not supported yet".
#include "ranges/range_syntax.hpp"

namespace tambry::ranges {

RangeResult<VersionSet> parse_golang_range(const RangeScheme& scheme, std::string_view, PrereleasePolicy) {
    return Failure{not_supported_yet(scheme)};
}

}  // namespace tambry::ranges
