#include "debian.hpp"

#include <cstddef>

#include "shared_prefix.hpp"
#include "text.hpp"

namespace tambry {
namespace {

// The place of one position in the Debian character order. The end of the text and
// a digit both weigh 0, so that a shorter text and a digit run meet on equal terms;
// "~" sorts before both, and every byte that is not a letter sorts after all letters.
int weight_at(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    const char c = text[pos];
    if (is_digit(c)) return 0;
    if (c == '~') return -1;
    const int byte = static_cast<unsigned char>(c);
    return is_letter(c) ? byte : byte + 256;
}

bool digit_at(std::string_view text, std::size_t pos) {
    return pos < text.size() && is_digit(text[pos]);
}

bool non_digit_at(std::string_view text, std::size_t pos) {
    return pos < text.size() && !is_digit(text[pos]);
}

}  // namespace

Ordering verrevcmp(std::string_view a, std::string_view b) {
    // Pairs of versions often share most of their text. Letters and other bytes
    // are weighed one at a time, so the walk may begin at any of them; only a digit
    // run must be read whole.
    const std::size_t shared = shared_prefix_length(a, b);
    if (shared == a.size() && shared == b.size()) return Ordering::Equal;
    std::size_t i = back_to_segment_start(a, b, shared, [](char c) { return is_digit(c) ? 1 : 0; });
    std::size_t j = i;
    while (i < a.size() || j < b.size()) {
        while (non_digit_at(a, i) || non_digit_at(b, j)) {
            const int wa = weight_at(a, i);
            const int wb = weight_at(b, j);
            if (wa != wb) return order_of(wa, wb);
            if (i < a.size()) ++i;
            if (j < b.size()) ++j;
        }
        // Leading zeros carry no value; once they are gone the longer run is the
        // larger number and, at equal length, the first differing digit decides.
        while (i < a.size() && a[i] == '0') ++i;
        while (j < b.size() && b[j] == '0') ++j;
        int first_difference = 0;
        while (digit_at(a, i) && digit_at(b, j)) {
            if (first_difference == 0) first_difference = a[i] - b[j];
            ++i;
            ++j;
        }
        if (digit_at(a, i)) return Ordering::Greater;
        if (digit_at(b, j)) return Ordering::Less;
        if (first_difference != 0) return order_of(first_difference, 0);
    }
    return Ordering::Equal;
}

constinit const DebianStrategy DEBIAN_STRATEGY;

}  // namespace tambry
