#include "debian.hpp"

#include <algorithm>
#include <array>
#include <cstddef>

#include "shared_prefix.hpp"
#include "sort_prefix.hpp"
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

// The encoding of one byte of a part that is not a digit, in the order of
// weight_at: "~" first, then (at 0x02) the end of the part, then the letters,
// then every other byte.
constexpr std::array<unsigned char, 256> NON_DIGIT_CODES = [] {
    std::array<unsigned char, 256> codes{};
    unsigned char next = 0x03;
    for (int c = 0; c < 256; ++c) {
        if (is_letter(static_cast<char>(c))) codes[c] = next++;
    }
    for (int c = 0; c < 256; ++c) {
        if (!is_letter(static_cast<char>(c)) && !is_digit(static_cast<char>(c)) && c != '~') codes[c] = next++;
    }
    codes['~'] = 0x01;
    return codes;
}();

constexpr unsigned char END_OF_RUN = 0x02;

// Past its end, verrevcmp reads a text as empty runs of non-digits and digit
// runs of value zero, without end: this pair, over and over.
bool put_past_end(SortPrefixBytes<2>& out) { return out.put(END_OF_RUN) && out.put(0); }

bool fill_past_end(SortPrefixBytes<2>& out) {
    while (put_past_end(out)) {
    }
    return false;
}

// A version or revision as verrevcmp walks it: runs of non-digits, each ended by
// END_OF_RUN, and the digit runs between them, then what verrevcmp reads past
// its end. Only the first run of non-digits can be empty, so after the first
// pair that end cannot be mistaken for more text, and one pair of it marks the
// end; but a text that is nothing but zeros reads, from its start, just like the
// end, and is written as the end without end.
bool encode_part(std::string_view text, SortPrefixBytes<2>& out) {
    const char* p = text.data();
    const char* const end = p + text.size();
    if (std::all_of(p, end, [](char c) { return c == '0'; })) return fill_past_end(out);
    while (p != end) {
        for (; p != end && !is_digit(*p); ++p) {
            if (!out.put(NON_DIGIT_CODES[static_cast<unsigned char>(*p)])) return false;
        }
        if (!out.put(END_OF_RUN)) return false;
        const char* digits = p;
        while (p != end && is_digit(*p)) ++p;
        if (!out.digits(digits, p)) return false;
    }
    return put_past_end(out);
}

}  // namespace

// The revision is the last part, so what follows it is its end without end.
PackageSortPrefix debian_sort_prefix(std::uint64_t epoch, std::string_view version, std::string_view revision) {
    SortPrefixBytes<2> out;
    if (out.epoch(epoch) && encode_part(version, out) && encode_part(revision, out)) fill_past_end(out);
    return out.words();
}

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
