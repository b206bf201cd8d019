// NuGet version ranges, read as VersionRange.Parse of NuGet.Versioning reads them
// and tested as its Satisfies tests:
//
//     range   := version | float                       a minimum: "1.0" is >= 1.0
//              | ("[" | "(") inside ("]" | ")")
//     inside  := version                               "[1.0]": that version alone
//              | [lower] "," [upper]                   "[1.0,2.0)", "(,1.0]", "(1.0,)"
//     lower   := version | float
//     float   := "*" | "*-*" | a version with a '*' ending its last part or its label,
//                or both ("1.*", "1.0.*", "1.0.0-*", "1.0.0-rc.*", "1.*-rc*")
//
// The text is trimmed of white space (Unicode's, as .NET's Trim) and then must be
// one of these whole; there is no union. White space may stand around each
// version, as NuGetVersion.TryParse trims it, and an empty or blank bound is
// unbounded, so "(,1.0]" has no lower bound and "[ , ]" none at all. NuGet
// rejects "[,]", a single version not in "[]", more than one ',', a lower bound
// above the upper one, equal bounds of which one is exclusive, and a floating
// upper bound. One departure, that of tambry's NuGet versions: a version part
// above 2147483647, which NuGet rejects, is read by its value.
//
// Satisfies only compares with the bounds, so a float stands for the version it
// starts at, as FloatRange.TryParse builds it: "1.*" and "1.0.*" are >= 1.0.0,
// "1.0.0-*" is >= 1.0.0-0, "1.0.0-rc.*" is >= 1.0.0-rc.0, "1.0.0-rc*" is
// >= 1.0.0-rc, "*" is >= 0.0.0 and "*-*" is >= 0.0.0-0. Floating picks the best
// of several versions, which is not membership; the bound is exact.
//
// Satisfies has no pre-release rule (only picking the best version has one): under
// the default policy every version is tested against the same set, so
// "[1.0, 2.0)" holds 2.0.0-beta and "*" holds no pre-release of 0.0.0.
#include <string>

#include "ranges/range_syntax.hpp"
#include "text.hpp"

namespace tambry::ranges {
namespace {

struct Bound {
    std::string version;  // a version text; for a float, the version it starts at
    std::size_t offset;
    KeyBuffer key;
};

// string.IsNullOrWhiteSpace.
bool is_blank(std::string_view text) { return trim_white_space(text).empty(); }

std::size_t offset_in(std::string_view text, std::string_view part) {
    return static_cast<std::size_t>(part.data() - text.data());
}

// FloatRange.TryParse on a text holding a '*': the version the float starts at,
// or nothing when NuGet rejects it. Step by step as NuGet does it, on the text as
// it is given, blanks included.
std::optional<std::string> float_start(std::string_view text) {
    const std::size_t first_star = text.find('*');
    const std::size_t last_star = text.rfind('*');
    const bool has_plus = text.find('+') != std::string_view::npos;
    if (text == "*") return std::string("0.0");
    if (text == "*-*") return std::string("0.0.0-0");
    if (first_star != last_star) {
        // Two stars only as in "1.*-rc*": one ending the numbers, one the label.
        const std::size_t dash = text.find('-');
        if (has_plus || dash == std::string_view::npos || dash == 0 || last_star != text.size() - 1 ||
            first_star != dash - 1) {
            return std::nullopt;
        }
        std::string start(text.substr(0, dash - 1));
        start.push_back('0');
        start.push_back('-');
        const std::string_view prefix = text.substr(dash + 1, text.size() - dash - 2);
        start.append(prefix);
        // An empty label is no version; numeric labels start at 0.
        if (prefix.empty() || prefix.back() == '.') start.push_back('0');
        return start;
    }
    if (last_star != text.size() - 1 || has_plus) return std::nullopt;
    std::string start(text.substr(0, text.size() - 1));
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos) {
        start.push_back('0');
    } else if (dash == text.rfind('-')) {
        if (start.size() == dash + 1 || start.back() == '.') start.push_back('0');
    }
    return start;
}

// A bound as NuGet reads it; `floating` when it may be a float.
RangeResult<Bound> read_bound(const RangeCursor& cursor, std::string_view part, bool floating) {
    const std::string_view trimmed = trim_white_space(part);
    Bound bound{std::string(trimmed), offset_in(cursor.text(), trimmed), {}};
    if (floating && part.find('*') != std::string_view::npos) {
        auto start = float_start(part);
        if (!start) return Failure{cursor.invalid_version(trimmed, bound.offset)};
        bound.version = std::string(trim_white_space(*start));
    }
    if (!cursor.scheme().key(bound.version, bound.key)) {
        return Failure{cursor.invalid_version(trimmed, bound.offset)};
    }
    return bound;
}

int compare_keys(const KeyBuffer& a, const KeyBuffer& b) {
    const int c = key_view(a).compare(key_view(b));
    return c < 0 ? -1 : (c > 0);
}

Cut lower_cut(const Bound& bound, bool inclusive) {
    return inclusive ? cut_below_key(key_view(bound.key), bound.version)
                     : cut_above_key(key_view(bound.key), bound.version);
}

Cut upper_cut(const Bound& bound, bool inclusive) {
    return inclusive ? cut_above_key(key_view(bound.key), bound.version)
                     : cut_below_key(key_view(bound.key), bound.version);
}

RangeResult<IntervalSet> read_range(const RangeCursor& cursor) {
    const std::string_view text = cursor.text();
    const std::string_view trimmed = trim_white_space(text);
    const std::size_t start = offset_in(text, trimmed);
    if (trimmed.empty()) return Failure{cursor.error_at(text.size(), "expected a version")};
    if (trimmed.front() != '[' && trimmed.front() != '(') {
        auto bound = read_bound(cursor, trimmed, true);
        if (!bound.ok()) return Failure{std::move(bound.error())};
        return IntervalSet::span(lower_cut(bound.value(), true), std::nullopt);
    }
    const bool lower_inclusive = trimmed.front() == '[';
    const char last = trimmed.back();
    if (trimmed.size() < 2 || (last != ']' && last != ')')) {
        return Failure{cursor.error_at(start + trimmed.size() - 1, "expected ']' or ')' at the end")};
    }
    const bool upper_inclusive = last == ']';
    const std::string_view inside = trimmed.substr(1, trimmed.size() - 2);
    const std::size_t comma = inside.find(',');
    if (comma != std::string_view::npos && inside.find(',', comma + 1) != std::string_view::npos) {
        return Failure{cursor.error_at(offset_in(text, inside) + inside.find(',', comma + 1), "expected one ',' at most")};
    }
    const std::string_view lower_text = comma == std::string_view::npos ? inside : inside.substr(0, comma);
    const std::string_view upper_text = comma == std::string_view::npos ? inside : inside.substr(comma + 1);
    if (lower_text.empty() && upper_text.empty()) return Failure{cursor.error_at(start + 1, "expected a version")};
    if (comma == std::string_view::npos && !(lower_inclusive && upper_inclusive)) {
        return Failure{cursor.error_at(start, "a single version must be written '[version]'")};
    }
    std::optional<Bound> lower, upper;
    if (!is_blank(lower_text)) {
        auto bound = read_bound(cursor, lower_text, true);
        if (!bound.ok()) return Failure{std::move(bound.error())};
        lower = std::move(bound.value());
    }
    if (!is_blank(upper_text)) {
        auto bound = read_bound(cursor, upper_text, false);
        if (!bound.ok()) return Failure{std::move(bound.error())};
        upper = std::move(bound.value());
    }
    if (lower && upper) {
        const int order = compare_keys(lower->key, upper->key);
        if (order > 0) return Failure{cursor.error_at(start, "the upper bound is below the lower bound")};
        if (order == 0 && lower_inclusive != upper_inclusive) {
            return Failure{cursor.error_at(start, "equal bounds must be both inclusive or both exclusive")};
        }
    }
    std::optional<Cut> from, to;
    if (lower) from = lower_cut(*lower, lower_inclusive);
    if (upper) to = upper_cut(*upper, upper_inclusive);
    return IntervalSet::span(std::move(from), std::move(to));
}

}  // namespace

RangeResult<VersionSet> parse_nuget_range(const RangeScheme& scheme, std::string_view text,
                                          PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    auto range = read_range(cursor);
    if (!range.ok()) return Failure{std::move(range.error())};
    return apply_prerelease_policy(scheme, std::move(range.value()), policy, std::nullopt);
}

}  // namespace tambry::ranges
