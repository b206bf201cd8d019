#include "generic_ordering.hpp"

#include <cstring>

namespace tambry {
namespace {

Ordering byte_order(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    const int c = common ? std::memcmp(a.data(), b.data(), common) : 0;
    if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    return order_of(a.size(), b.size());
}

// How a segment that has no counterpart on the other side ranks against the end of
// that other version. A zero is as good as nothing; any other number outranks the
// end; a word outranks it only when it is a post-release word.
Ordering lone_segment_against_end(const GenericView& v, const Seg& seg) {
    if (seg.is_num()) return seg.num() == 0 ? Ordering::Equal : Ordering::Greater;
    const auto weight = tag_weight(v.text(seg));
    return (weight && *weight >= END_OF_VERSION_WEIGHT) ? Ordering::Greater : Ordering::Less;
}

Ordering word_order(std::string_view a, std::string_view b) {
    const auto a_weight = tag_weight(a);
    const auto b_weight = tag_weight(b);
    if (a_weight && b_weight) return order_of(*a_weight, *b_weight);
    if (a_weight) return order_of(*a_weight, UNLISTED_WORD_WEIGHT);
    if (b_weight) return order_of(UNLISTED_WORD_WEIGHT, *b_weight);
    return byte_order(a, b);
}

Ordering segment_order(const GenericView& a, const Seg& sa, const GenericView& b, const Seg& sb) {
    if (sa.is_num() && sb.is_num()) return order_of(sa.num(), sb.num());
    if (sa.is_num()) return Ordering::Greater;
    if (sb.is_num()) return Ordering::Less;
    return word_order(a.text(sa), b.text(sb));
}

}  // namespace

std::optional<std::int32_t> tag_weight(std::string_view word) {
    switch (word.size()) {
        case 1:
            switch (word[0]) {
                case '~': return -10;
                case 'a': return 0;
                case 'b': return 10;
                case 'm': return 15;
                case 'c': return 20;
                case '^': return 32;
                case 'p': return 35;
                default: return std::nullopt;
            }
        case 2:
            if (word == "rc" || word == "cr") return 20;
            if (word == "sp") return 35;
            return std::nullopt;
        case 3:
            if (word == "dev") return -5;
            if (word == "pre") return 20;
            return std::nullopt;
        case 4:
            if (word == "beta") return 10;
            if (word == "post") return 35;
            return std::nullopt;
        case 5:
            if (word == "alpha") return 0;
            if (word == "patch") return 35;
            return std::nullopt;
        case 7:
            if (word == "preview") return 20;
            return std::nullopt;
        case 8:
            if (word == "snapshot") return 25;
            return std::nullopt;
        case 9:
            if (word == "milestone") return 15;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::size_t significant_length(const GenericView& v) {
    std::size_t length = v.segments.size();
    while (length > 0 && v.segments[length - 1].is_num() && v.segments[length - 1].num() == 0) --length;
    return length;
}

Ordering cmp_generic(const GenericView& a, const GenericView& b) {
    if (a.epoch != b.epoch) return order_of(a.epoch, b.epoch);
    const std::size_t a_length = significant_length(a);
    const std::size_t b_length = significant_length(b);
    const std::size_t longest = a_length > b_length ? a_length : b_length;
    for (std::size_t i = 0; i < longest; ++i) {
        Ordering o;
        if (i >= a_length) {
            o = reversed(lone_segment_against_end(b, b.segments[i]));
        } else if (i >= b_length) {
            o = lone_segment_against_end(a, a.segments[i]);
        } else {
            o = segment_order(a, a.segments[i], b, b.segments[i]);
        }
        if (o != Ordering::Equal) return o;
    }
    return Ordering::Equal;
}

}  // namespace tambry
