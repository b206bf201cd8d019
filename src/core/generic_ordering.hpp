// How two generic versions are ordered: the qualifier weights and the comparison.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "version_model.hpp"

namespace tambry {

// The end of a version (a plain release) stands at this weight; words below it are
// pre-releases, words above it post-releases.
inline constexpr std::int32_t END_OF_VERSION_WEIGHT = 30;
// The weight an unlisted word takes when it meets a listed one.
inline constexpr std::int32_t UNLISTED_WORD_WEIGHT = 29;

// The weight of a qualifier word (lowercase), or nothing when the table does not list it.
std::optional<std::int32_t> tag_weight(std::string_view word);

// One segment as the comparison reads it. Read straight from a version text, a
// word may still hold upper-case letters; the comparison folds them.
struct SegRef {
    bool is_num = true;
    std::uint64_t num = 0;
    std::string_view text;
};

// The weight of a word whose letters may not be lowered yet.
std::optional<std::int32_t> folded_tag_weight(std::string_view word);

// How two words at the same position rank: by weight, an unlisted word counting
// 29 against a listed one, and two unlisted words by their (lowered) bytes.
Ordering word_order(std::string_view a, std::string_view b);

// How a segment that has no counterpart on the other side ranks against the end of
// that other version: a zero is as good as nothing, any other number outranks the
// end, and a word outranks it only when it is a post-release word.
Ordering lone_segment_against_end(const SegRef& seg);

// Walks the stored segments of a parse.
class ViewCursor {
public:
    explicit ViewCursor(const GenericView& view) : view_(view) {}
    bool next(SegRef& out) {
        if (position_ == view_.segments.size()) return false;
        const Seg& seg = view_.segments[position_++];
        out.is_num = seg.is_num();
        if (out.is_num) {
            out.num = seg.num();
        } else {
            out.text = view_.text(seg);
        }
        return true;
    }
    // Whether everything after the last segment read is a zero number.
    bool rest_all_zero() const {
        for (std::size_t i = position_; i < view_.segments.size(); ++i) {
            const Seg& seg = view_.segments[i];
            if (!seg.is_num() || seg.num() != 0) return false;
        }
        return true;
    }

private:
    const GenericView& view_;
    std::size_t position_ = 0;
};

// The ordering of two segment streams after their epochs tied. Trailing zero
// numbers count as absent: one that stands against a word on the other side is
// looked past (at most once per comparison, since that position decides), so
// the walk stays linear without measuring either side first.
template <class CursorA, class CursorB>
Ordering cmp_segment_streams(CursorA a, CursorB b) {
    SegRef sa, sb;
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
            o = word_order(sa.text, sb.text);
        }
        if (o != Ordering::Equal) return o;
    }
}

// Number of segments left once the trailing run of zero numbers is dropped.
std::size_t significant_length(const GenericView& v);

Ordering cmp_generic(const GenericView& a, const GenericView& b);

inline Ordering cmp_parsed(const ParsedVersion& a, const ParsedVersion& b) {
    return cmp_generic(a.view(), b.view());
}

}  // namespace tambry
