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
#include "ranges/set_union.hpp"

namespace tambry::ranges {
namespace {

// In parentheses a version ends where dpkg ends it, at white space or a
// parenthesis ("(>= 1.0|2)" is dpkg's version "1.0|2", which it takes with a
// warning); a version standing alone also ends where a list goes on.
constexpr std::string_view PARENTHESISED_STOPS = "()";
constexpr std::string_view BARE_STOPS = "()|,";

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

struct Relation {
    Comparator op;
    std::string_view version;
    std::size_t offset;
};

RangeResult<Relation> read_relation(RangeCursor& cursor) {
    cursor.skip_spaces();
    const bool parenthesised = cursor.consume('(');
    cursor.skip_spaces();
    auto op = read_operator(cursor);
    if (!op.ok()) return Failure{std::move(op.error())};
    cursor.skip_spaces();
    const std::size_t at = cursor.offset();
    const std::string_view version = cursor.take_word(parenthesised ? PARENTHESISED_STOPS : BARE_STOPS);
    if (version.empty()) return Failure{cursor.error("expected a version")};
    if (parenthesised) {
        cursor.skip_spaces();
        if (!cursor.consume(')')) return Failure{cursor.error("expected ')'")};
    }
    cursor.skip_spaces();
    return Relation{op.value(), version, at};
}

// The versions satisfying any of a clause's relations, the first already read.
RangeResult<IntervalSet> read_alternatives(RangeCursor& cursor, const Relation& first) {
    auto clause = cursor.comparator(first.op, first.version, first.offset);
    if (!clause.ok()) return clause;
    // United at once: one by one, many alternatives would cost the square of their number.
    SetUnion any;
    any.add(clause.value());
    do {
        auto relation = read_relation(cursor);
        if (!relation.ok()) return Failure{std::move(relation.error())};
        auto set = cursor.comparator(relation.value().op, relation.value().version, relation.value().offset);
        if (!set.ok()) return set;
        any.add(set.value());
    } while (cursor.consume('|'));
    return any.finish();
}

}  // namespace

RangeResult<VersionSet> parse_deb_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    // Clauses of one relation, nearly all of them, narrow one list. A clause of
    // alternatives leaves out what none of them holds: the union of those gaps,
    // made once at the end, keeps a long list of clauses from costing a pass over
    // the set per clause.
    ComparatorList every;
    std::vector<Piece> gaps;
    do {
        auto relation = read_relation(cursor);
        if (!relation.ok()) return Failure{std::move(relation.error())};
        const Relation& first = relation.value();
        if (!cursor.consume('|')) {
            if (auto failure = cursor.add(every, first.op, first.version, first.offset)) return Failure{*failure};
            continue;
        }
        auto clause = read_alternatives(cursor, first);
        if (!clause.ok()) return Failure{std::move(clause.error())};
        const IntervalSet missing = clause.value().complement();
        for (const Interval& gap : missing.intervals()) {
            Piece& piece = gaps.emplace_back();
            if (gap.lower) piece.lower = *gap.lower;
            if (gap.upper) piece.upper = *gap.upper;
        }
    } while (cursor.consume(','));
    if (!cursor.at_end()) return Failure{cursor.error("expected ',' or '|'")};
    IntervalSet range = every.finish();
    if (!gaps.empty()) range = range.minus(IntervalSet::union_of(std::move(gaps)));
    return apply_prerelease_policy(scheme, std::move(range), policy, std::nullopt);
}

}  // namespace tambry::ranges
