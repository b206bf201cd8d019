#include "ranges/comparator_list_range.hpp"

#include "ranges/range_syntax.hpp"
#include "ranges/set_union.hpp"

namespace tambry::ranges {
namespace {

// Where a version ends, besides white space.
constexpr std::string_view VERSION_STOPS = ",|<>=!";

Comparator read_operator(RangeCursor& cursor) {
    if (cursor.consume("==") || cursor.consume('=')) return Comparator::Equal;
    if (cursor.consume("!=")) return Comparator::NotEqual;
    if (cursor.consume("<=")) return Comparator::LessEqual;
    if (cursor.consume(">=")) return Comparator::GreaterEqual;
    if (cursor.consume('<')) return Comparator::Less;
    if (cursor.consume('>')) return Comparator::Greater;
    return Comparator::Equal;
}

// One alternative, up to "||" or the end.
RangeResult<IntervalSet> read_alternative(RangeCursor& cursor) {
    ComparatorList every;
    for (;;) {
        cursor.skip_spaces();
        if (cursor.peek() == '*' && !cursor.at_end()) {
            cursor.advance();
        } else {
            const std::size_t op_at = cursor.offset();
            const Comparator op = read_operator(cursor);
            cursor.skip_spaces();
            const std::size_t at = cursor.offset();
            const std::string_view version = cursor.take_word(VERSION_STOPS);
            if (version.empty()) {
                return Failure{cursor.error(cursor.offset() > op_at || cursor.at_end() ? "expected a version"
                                                                                          : "expected a comparator")};
            }
            if (auto failure = cursor.add(every, op, version, at)) return Failure{*failure};
        }
        const std::size_t end = cursor.offset();
        cursor.skip_spaces();
        const bool comma = cursor.consume(',');
        if (cursor.at_end() || (cursor.peek() == '|' && !comma)) break;
        if (!comma && cursor.offset() == end) return Failure{cursor.error("expected ',' or '||'")};
    }
    return every.finish();
}

}  // namespace

RangeResult<VersionSet> parse_comparator_list(const RangeScheme& scheme, std::string_view text,
                                              PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    SetUnion any;
    for (;;) {
        auto alternative = read_alternative(cursor);
        if (!alternative.ok()) return Failure{std::move(alternative.error())};
        any.add(alternative.value());
        if (cursor.at_end()) break;
        if (!cursor.consume("||")) return Failure{cursor.error("expected ',' or '||'")};
    }
    return apply_prerelease_policy(scheme, any.finish(), policy, std::nullopt);
}

}  // namespace tambry::ranges
