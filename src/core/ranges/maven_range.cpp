// Maven version ranges, read as VersionRange.createFromVersionSpec of
// maven-artifact 3.8.7 reads them and tested as its containsVersion tests:
//
//     range        := restriction ([","] restriction)* [","]  any restriction holds
//                   | version                                 a recommended version
//                   | ""                                      no restriction at all
//     restriction  := ("[" | "(") inside ("]" | ")")          each ends at the first ']' or ')'
//     inside       := version                                 "[1.0]": that version alone
//                   | [version] "," [version]                 "[1.0,2.0)", "(,1.0]", "[1.5,)"
//
// as in "(,1.0],[1.2,)". Blanks (every character up to U+0020, as Java's trim
// takes them) may stand around the bounds and between restrictions, but the text
// must start with its bracket: like Maven, " [1.0,2.0)" is a recommended version.
// A bound is any text (Maven reads every text as a version) up to the first ','
// of its restriction; an upper bound runs to the bracket and may hold commas. An
// empty bound is unbounded, and so "[,]" holds every version.
//
// Rejected, as by Maven's checks: a missing closing bracket, a single version not
// in "[]", an upper bound below the lower one (or equal to it unless both are
// inclusive), a restriction that starts below the upper bound of the one just
// before it (or has no lower bound while that one has an upper bound), and
// anything after the restrictions but a ','. These checks compare as Maven does,
// cycles and all (native/maven.cpp), so exactly Maven's texts are accepted.
//
// A recommended version restricts nothing: containsVersion holds every version
// for "1.0" (Maven's Restriction.EVERYTHING), and none for the empty text, which
// has no restriction.
//
// Maven's order is not transitive, and a range holds keys: a version and a bound
// whose keys order otherwise than Maven compares them (only pairs on a cycle of
// Maven's order, see native/maven.cpp) are answered by the keys.
//
// containsVersion has no pre-release rule: under the default policy every version
// is tested against the same set.
#include "ranges/range_syntax.hpp"

namespace tambry::ranges {
namespace {

// Java's String.trim: every character up to U+0020.
bool is_java_blank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view java_trim(std::string_view text) {
    while (!text.empty() && is_java_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_java_blank(text.back())) text.remove_suffix(1);
    return text;
}

void skip_java_blanks(RangeCursor& cursor) {
    while (!cursor.at_end() && is_java_blank(cursor.peek())) cursor.advance();
}

struct Bound {
    bool present = false;  // false when unbounded
    std::string_view version;
    std::size_t offset = 0;
};

// A version of a restriction's inside, trimmed, with where it starts in the text.
Bound bound_at(std::string_view text, std::string_view part) {
    const std::string_view version = java_trim(part);
    const std::size_t at = static_cast<std::size_t>((version.empty() ? part : version).data() - text.data());
    return {true, version, at};
}

// A bound of a restriction with two: an empty one is unbounded.
Bound optional_bound_at(std::string_view text, std::string_view part) {
    Bound bound = bound_at(text, part);
    bound.present = !bound.version.empty();
    return bound;
}

Ordering maven_compare(const RangeScheme& scheme, std::string_view a, std::string_view b) {
    // Maven reads every text as a version, so there is always an answer.
    return scheme.scheme->compare(a, b).value_or(Ordering::Equal);
}

struct Restriction {
    Bound lower;
    bool lower_inclusive;
    Bound upper;
    bool upper_inclusive;
};

// One restriction from its opening bracket; the cursor stops past its closing one.
RangeResult<Restriction> read_restriction(RangeCursor& cursor) {
    const std::string_view text = cursor.text();
    const std::size_t open = cursor.offset();
    const std::size_t close = text.find_first_of(")]", open);
    if (close == std::string_view::npos) return Failure{cursor.error_at(text.size(), "expected ')' or ']'")};
    cursor.advance(close + 1 - open);
    Restriction r{{}, text[open] == '[', {}, text[close] == ']'};
    const std::string_view inside = java_trim(text.substr(open + 1, close - open - 1));
    const std::size_t comma = inside.find(',');
    if (comma == std::string_view::npos) {
        if (!r.lower_inclusive || !r.upper_inclusive) {
            return Failure{cursor.error_at(open, "a single version must be written '[version]'")};
        }
        // Even "[]" is one version: the one Maven reads from no text.
        r.lower = r.upper = bound_at(text, inside);
        return r;
    }
    r.lower = optional_bound_at(text, inside.substr(0, comma));
    r.upper = optional_bound_at(text, inside.substr(comma + 1));
    if (r.lower.present && r.upper.present) {
        const Ordering order = maven_compare(cursor.scheme(), r.upper.version, r.lower.version);
        if (order == Ordering::Less) {
            return Failure{cursor.error_at(open, "the upper bound is below the lower bound")};
        }
        if (order == Ordering::Equal && !(r.lower_inclusive && r.upper_inclusive)) {
            return Failure{cursor.error_at(open, "equal bounds must both be inclusive")};
        }
    }
    return r;
}

RangeResult<Piece> piece_of(const RangeCursor& cursor, const Restriction& r) {
    Piece piece;
    if (r.lower.present) {
        auto cut = r.lower_inclusive ? cursor.below(r.lower.version, r.lower.offset)
                                     : cursor.above(r.lower.version, r.lower.offset);
        if (!cut.ok()) return Failure{std::move(cut.error())};
        piece.lower = std::move(cut.value());
    }
    if (r.upper.present) {
        auto cut = r.upper_inclusive ? cursor.above(r.upper.version, r.upper.offset)
                                     : cursor.below(r.upper.version, r.upper.offset);
        if (!cut.ok()) return Failure{std::move(cut.error())};
        piece.upper = std::move(cut.value());
    }
    return piece;
}

bool opens_restriction(char c) { return c == '[' || c == '('; }

}  // namespace

RangeResult<VersionSet> parse_maven_range(const RangeScheme& scheme, std::string_view text,
                                          PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    if (!opens_restriction(cursor.peek())) {
        // A recommended version, or nothing at all.
        IntervalSet range = text.empty() ? IntervalSet() : IntervalSet::all();
        return apply_prerelease_policy(scheme, std::move(range), policy, std::nullopt);
    }
    std::vector<Piece> pieces;
    Bound previous_upper;  // of the restriction before, if any
    while (!cursor.at_end()) {
        if (!opens_restriction(cursor.peek())) return Failure{cursor.error("expected '[' or '('")};
        const std::size_t open = cursor.offset();
        auto restriction = read_restriction(cursor);
        if (!restriction.ok()) return Failure{std::move(restriction.error())};
        const Restriction& r = restriction.value();
        if (previous_upper.present) {
            if (!r.lower.present ||
                maven_compare(scheme, r.lower.version, previous_upper.version) == Ordering::Less) {
                return Failure{cursor.error_at(open, "a range must not start below the end of the one before")};
            }
        }
        previous_upper = r.upper;
        auto piece = piece_of(cursor, r);
        if (!piece.ok()) return Failure{std::move(piece.error())};
        pieces.push_back(std::move(piece.value()));
        skip_java_blanks(cursor);
        if (cursor.consume(',')) skip_java_blanks(cursor);
    }
    return apply_prerelease_policy(scheme, IntervalSet::union_of(std::move(pieces)), policy, std::nullopt);
}

}  // namespace tambry::ranges
