#include "generic_ordering.hpp"

#include "generic_parser.hpp"
#include "shared_prefix.hpp"
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

// Digits and letters each run together into one segment; every other byte is a
// segment of its own ("~", "^") or separates segments.
int generic_byte_class(char c) { return is_digit(c) ? 1 : (is_letter(c) ? 2 : 0); }

}  // namespace

Ordering cmp_generic_texts(std::string_view a, std::string_view b) {
    // The shared prefix stops at a "+", where both main parts end.
    const std::size_t start =
        back_to_segment_start(a, b, shared_prefix_length_before(a, b, '+'), generic_byte_class);
    return cmp_segment_streams(TextCursor(a.substr(start)), TextCursor(b.substr(start)));
}

Ordering word_order(std::string_view a, std::string_view b) {
    const auto a_weight = folded_tag_weight(a);
    const auto b_weight = folded_tag_weight(b);
    if (a_weight && b_weight) return order_of(*a_weight, *b_weight);
    if (a_weight) return order_of(*a_weight, UNLISTED_WORD_WEIGHT);
    if (b_weight) return order_of(UNLISTED_WORD_WEIGHT, *b_weight);
    return folded_byte_order(a, b);
}

Ordering lone_segment_against_end(const SegmentToken& token) {
    if (token.is_num) return token.num == 0 ? Ordering::Equal : Ordering::Greater;
    const auto weight = folded_tag_weight(token.word);
    return (weight && *weight >= END_OF_VERSION_WEIGHT) ? Ordering::Greater : Ordering::Less;
}

}  // namespace tambry
