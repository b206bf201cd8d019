// How two generic versions are ordered.
//
// A generic version lives in three forms, each where it is cheapest:
//   - a version text, when two strings are compared and nothing outlives the call;
//   - a ParsedVersion (segments, with their words in a lowered copy of the main
//     part), the parse result that the strategies hand out;
//   - a packed stream (packed_version.hpp), the compact form that Version objects
//     keep and that collections sort.
// Each form has a cursor that hands on one SegmentToken at a time (TextCursor,
// ParsedCursor, PackedCursor), and one comparison template walks any two of them.
// Three cursors over one template is a fair price: no form is ever converted into
// another just to be compared, and the rules of the order stand in one place.
#pragma once

#include <cstddef>

#include "generic_vocabulary.hpp"
#include "version_model.hpp"

namespace tambry {

// How two words at the same position rank: by weight, an unlisted word counting
// 29 against a listed one, and two unlisted words by their (lowered) bytes.
Ordering word_order(std::string_view a, std::string_view b);

// How a segment that has no counterpart on the other side ranks against the end of
// that other version: a zero is as good as nothing, any other number outranks the
// end, and a word outranks it only when it is a post-release word.
Ordering lone_segment_against_end(const SegmentToken& token);

// The ordering of two segment streams after their epochs tied. Trailing zero
// numbers count as absent: one that stands against a word on the other side is
// looked past (at most once per comparison, since that position decides), so
// the walk stays linear without measuring either side first.
template <class CursorA, class CursorB>
Ordering cmp_segment_streams(CursorA a, CursorB b) {
    SegmentToken sa, sb;
    for (;;) {
        const bool has_a = a.next(sa);
        const bool has_b = b.next(sb);
        Ordering o = Ordering::Equal;
        if (!has_a && !has_b) return Ordering::Equal;
        if (!has_a) {
            o = reversed(lone_segment_against_end(sb));
        } else if (!has_b) {
            o = lone_segment_against_end(sa);
        } else if (sa.is_num && sb.is_num) {
            o = order_of(sa.num, sb.num);
        } else if (sa.is_num) {
            if (sa.num == 0 && a.rest_all_zero()) return reversed(lone_segment_against_end(sb));
            return Ordering::Greater;
        } else if (sb.is_num) {
            if (sb.num == 0 && b.rest_all_zero()) return lone_segment_against_end(sa);
            return Ordering::Less;
        } else {
            o = word_order(sa.word, sb.word);
        }
        if (o != Ordering::Equal) return o;
    }
}

// Walks the segments of a parse.
class ParsedCursor {
public:
    explicit ParsedCursor(const ParsedVersion& parsed) : parsed_(parsed) {}
    bool next(SegmentToken& out) {
        if (position_ == parsed_.segments.size()) return false;
        const Seg& seg = parsed_.segments.data()[position_++];
        out.is_num = seg.is_num();
        if (out.is_num) {
            out.num = seg.num();
        } else {
            out.word = parsed_.text(seg);
        }
        return true;
    }
    // Whether everything after the last segment read is a zero number.
    bool rest_all_zero() const {
        for (std::size_t i = position_; i < parsed_.segments.size(); ++i) {
            const Seg& seg = parsed_.segments.data()[i];
            if (!seg.is_num() || seg.num() != 0) return false;
        }
        return true;
    }

private:
    const ParsedVersion& parsed_;
    std::size_t position_ = 0;
};

// The order of two main parts read straight from their texts, epochs set aside
// (each may still carry its build suffix, which the walk does not enter). The
// segments that both texts begin with are passed over at once.
Ordering cmp_generic_texts(std::string_view a, std::string_view b);

inline Ordering cmp_parsed(const ParsedVersion& a, const ParsedVersion& b) {
    if (a.epoch != b.epoch) return order_of(a.epoch, b.epoch);
    return cmp_segment_streams(ParsedCursor(a), ParsedCursor(b));
}

}  // namespace tambry
