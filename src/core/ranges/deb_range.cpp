// Debian version relations, read as dpkg reads the relation of a dependency:
//
//     range     := clause ("," clause)*        every clause holds
//     clause    := relation ("|" relation)*    any relation holds
//     relation  := "(" bare ")" | bare
//     bare      := [operator] version
//     operator  := "<<" | "<=" | "=" | ">=" | ">>" | "<" | ">"
//
// as in "(>= 1.2-1), (<< 2.0~)" or ">= 1.2 | = 0.9". White space may stand between
// any two of these. Like dpkg, the obsolete "<" and ">" mean "<=" and ">=" (not
// "<<" and ">>"), "<>" and "><" are errors, and a version without an operator is
// an exact match. dpkg has no pre-release rule: under the default policy every
// version is tested against the same set.
#include "ranges/range_syntax.hpp"

namespace tambry::ranges {
namespace {

// A version ends where dpkg ends it, and also where a list goes on.
constexpr std::string_view VERSION_STOPS = "()|,";

RangeResult<Comparator> read_operator(RangeCursor& cursor) {
    const char first = cursor.peek();
    if (first == '=') {
        cursor.advance();
        return Comparator::Equal;
    }
    if (first != '<' && first != '>') return Comparator::Equal;
    const bool less = first == '<';
    const char second = cursor.peek(1);
    if (second == first) {
        cursor.advance(2);
        return less ? Comparator::Less : Comparator::Greater;
    }
    if (second == '=') {
        cursor.advance(2);
        return less ? Comparator::LessEqual : Comparator::GreaterEqual;
    }
    if (second == '<' || second == '>') {
        return Failure{cursor.error(less ? "bad relation '<>'" : "bad relation '><'")};
    }
    cursor.advance();
    return less ? Comparator::LessEqual : Comparator::GreaterEqual;
}

RangeResult<IntervalSet> read_relation(RangeCursor& cursor) {
    const bool parenthesised = cursor.consume('(');
    cursor.skip_spaces();
    auto op = read_operator(cursor);
    if (!op.ok()) return Failure{std::move(op.error())};
    cursor.skip_spaces();
    const std::size_t at = cursor.offset();
    const std::string_view version = cursor.take_word(VERSION_STOPS);
    if (version.empty()) return Failure{cursor.error("expected a version")};
    if (parenthesised) {
        cursor.skip_spaces();
        if (!cursor.consume(')')) return Failure{cursor.error("expected ')'")};
    }
    return cursor.comparator(op.value(), version, at);
}

RangeResult<IntervalSet> read_clause(RangeCursor& cursor) {
    IntervalSet clause;
    do {
        cursor.skip_spaces();
        auto relation = read_relation(cursor);
        if (!relation.ok()) return relation;
        clause = clause.unite(relation.value());
        cursor.skip_spaces();
    } while (cursor.consume('|'));
    return clause;
}

}  // namespace

RangeResult<VersionSet> parse_deb_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    IntervalSet range = IntervalSet::all();
    do {
        auto clause = read_clause(cursor);
        if (!clause.ok()) return Failure{std::move(clause.error())};
        range = range.intersect(clause.value());
    } while (cursor.consume(','));
    if (!cursor.at_end()) return Failure{cursor.error("expected ',' or '|'")};
    IntervalSet same = range;
    return apply_prerelease_policy(scheme, std::move(range), policy, std::move(same));
}

}  // namespace tambry::ranges
