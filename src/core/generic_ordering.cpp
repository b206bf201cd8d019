#include "generic_ordering.hpp"

#include "text.hpp"

namespace tambry {
namespace {

// Bytes compared with A-Z lowered: stored words are lowercase already, words read
// straight from a text may not be.
Ordering folded_byte_order(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(to_lower(a[i]));
        const auto y = static_cast<unsigned char>(to_lower(b[i]));
        if (x != y) return x < y ? Ordering::Less : Ordering::Greater;
    }
    return order_of(a.size(), b.size());
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

std::optional<std::int32_t> folded_tag_weight(std::string_view word) {
    constexpr std::size_t LONGEST_LISTED = 9;
    if (word.size() > LONGEST_LISTED) return std::nullopt;
    char lowered[LONGEST_LISTED];
    for (std::size_t i = 0; i < word.size(); ++i) lowered[i] = to_lower(word[i]);
    return tag_weight({lowered, word.size()});
}

Ordering word_order(std::string_view a, std::string_view b) {
    const auto a_weight = folded_tag_weight(a);
    const auto b_weight = folded_tag_weight(b);
    if (a_weight && b_weight) return order_of(*a_weight, *b_weight);
    if (a_weight) return order_of(*a_weight, UNLISTED_WORD_WEIGHT);
    if (b_weight) return order_of(UNLISTED_WORD_WEIGHT, *b_weight);
    return folded_byte_order(a, b);
}

Ordering lone_segment_against_end(const SegRef& seg) {
    if (seg.is_num) return seg.num == 0 ? Ordering::Equal : Ordering::Greater;
    const auto weight = folded_tag_weight(seg.text);
    return (weight && *weight >= END_OF_VERSION_WEIGHT) ? Ordering::Greater : Ordering::Less;
}

std::size_t significant_length(const GenericView& v) {
    std::size_t length = v.segments.size();
    while (length > 0 && v.segments[length - 1].is_num() && v.segments[length - 1].num() == 0) --length;
    return length;
}

Ordering cmp_generic(const GenericView& a, const GenericView& b) {
    if (a.epoch != b.epoch) return order_of(a.epoch, b.epoch);
    return cmp_segment_streams(ViewCursor(a), ViewCursor(b));
}

}  // namespace tambry
