// One constraint of a Composer range ("^1.2", ">=1.0@beta", "1.0 - 2.0"), read as
// composer/semver's VersionParser::parseConstraint reads it: into the one or two
// comparisons it stands for, each against the version text composer/semver builds
// ("^1.2" is ">= 1.2.0.0-dev" and "< 2.0.0.0-dev"). composer_range.cpp splits a
// range into these and combines them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ranges/range_error.hpp"
#include "ranges/range_syntax.hpp"

namespace tambry::ranges::composer {

struct Comparison {
    bool matches_all = false;  // "*": every version, branches too
    Comparator op = Comparator::Equal;
    std::string version;  // the text compared with, as composer/semver builds it

    // "dev-" and a name: a branch, equal only to itself.
    bool is_branch() const { return version.starts_with("dev-"); }
};

// PHP's "$" at the end of a pattern: the end, or just before a final line feed.
inline bool at_pattern_end(std::string_view text, std::size_t i) {
    return i == text.size() || (i + 1 == text.size() && text[i] == '\n');
}

// The comparisons of the constraint `piece`, found at `offset` in the cursor's
// text, appended to `out`; the error when composer/semver refuses it.
std::optional<RangeError> read_constraint(const RangeCursor& cursor, std::string_view piece, std::size_t offset,
                                          std::vector<Comparison>& out);

}  // namespace tambry::ranges::composer
