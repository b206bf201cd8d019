// The patterns node-semver (7.3.5) rewrites a loose range with, each answering as
// JavaScript's regular expression would: greedy, the first success wins, and a
// part gives back what a later part needs. They read bytes in which every
// white-space character has already become one space.
//
// The names follow node-semver's own: an x-range is "1", "1.2", "1.x", "1.2.3-beta"
// (numbers, or "x", "X", "*" for any); a loose version has all three numbers, with
// leading zeros allowed and the pre-release's "-" optional.
#pragma once

#include <cstddef>
#include <string_view>

namespace tambry::ranges::npm {

inline constexpr std::size_t NONE = std::string_view::npos;

// The parts of an x-range as written. An absent part is empty, and node-semver
// treats it as it treats "x".
struct XRange {
    std::string_view major;
    std::string_view minor;
    std::string_view patch;
    std::string_view prerelease;
};

// Whether a part of an x-range stands for any value: absent, "x", "X" or "*".
bool is_wildcard(std::string_view part);

// The whole of `text` as an x-range: any run of "v", "=" and spaces, then the
// x-range. Fills `out` when it matches.
bool match_xrange(std::string_view text, XRange& out);

// Where the operator ("<", ">", "<=", ">=", "=" or nothing) that starts at `pos`
// ends, taken as long as it goes.
std::size_t operator_end(std::string_view text, std::size_t pos);

// Where the run of "v", "=" and spaces from `pos` ends.
std::size_t prefix_end(std::string_view text, std::size_t pos);

// Whether the whole of `text` is a loose version (any run of "v", "=" and spaces,
// then the version), as node-semver's pattern has it: no limit on length or size.
bool match_loose_version(std::string_view text);

// From `pos`, where a version or x-range starts after its prefix, the end of the
// longest match node-semver's comparator trimming takes there: a loose version if
// one starts there, else a strict x-range; NONE when neither does. Scanning a
// text from left to right, `no_version_before` (0 at first) remembers where no
// loose version can start, so that a long run of digits is read once, not once
// for each of its digits.
std::size_t version_or_xrange_end(std::string_view text, std::size_t pos, std::size_t& no_version_before);

// Whether a comparator is ">=0.0.0" (or ">=0.0.0-0" when `with_prerelease`) in
// node-semver's reading, where each "." of the pattern stands for any character.
bool is_greater_equal_zero(std::string_view token, bool with_prerelease);

// The first place node-semver's star pattern (an optional "<" or ">", an optional
// "=", spaces, then "*") matches: its start and end, or NONE.
struct Span {
    std::size_t begin = NONE;
    std::size_t end = NONE;
};
Span find_star(std::string_view text);

}  // namespace tambry::ranges::npm
