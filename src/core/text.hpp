// Byte-level character classes, digit runs, byte orders and the white-space trim
// shared by every scheme. All tests work on bytes: a byte of a non-ASCII character
// is never a digit or a letter, and only A-Z are ever lowered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "ordering.hpp"

namespace tambry {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool is_letter(char c) { return is_lower(c) || is_upper(c); }
constexpr bool is_alnum(char c) { return is_digit(c) || is_letter(c); }
constexpr char to_lower(char c) { return is_upper(c) ? static_cast<char>(c + ('a' - 'A')) : c; }

// True for a non-empty text of ASCII digits only.
constexpr bool all_digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!is_digit(c)) return false;
    }
    return true;
}

// The maximal run of ASCII digits that starts `text`.
struct DigitRun {
    std::size_t length;
    std::uint64_t value;  // 2^64 - 1 when the run does not fit in 64 bits
    bool fits;
};

constexpr DigitRun read_digit_run(std::string_view text) {
    std::uint64_t value = 0;
    std::size_t i = 0;
    for (; i < text.size() && is_digit(text[i]); ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        if (__builtin_mul_overflow(value, 10, &value) || __builtin_add_overflow(value, digit, &value)) {
            while (i < text.size() && is_digit(text[i])) ++i;
            return {i, UINT64_MAX, false};
        }
    }
    return {i, value, true};
}

// Unsigned bytes in order, a proper prefix first.
inline Ordering compare_bytes(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    const int c = common ? std::memcmp(a.data(), b.data(), common) : 0;
    if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    return order_of(a.size(), b.size());
}

// Two runs of digits by the numbers they spell, of any length and without
// converting them: leading zeros set aside, the longer run is larger, and runs of
// one length order as text.
inline Ordering compare_digit_runs(std::string_view a, std::string_view b) {
    while (!a.empty() && a.front() == '0') a.remove_prefix(1);
    while (!b.empty() && b.front() == '0') b.remove_prefix(1);
    if (a.size() != b.size()) return order_of(a.size(), b.size());
    return compare_bytes(a, b);
}

// Removes from both ends every character with the Unicode White_Space property
// (U+0009-U+000D, U+0020, U+0085, U+00A0, U+1680, U+2000-U+200A, U+2028, U+2029,
// U+202F, U+205F, U+3000), matching their UTF-8 encodings byte for byte.
std::string_view trim_white_space_slow(std::string_view text);

// Most texts begin and end with a visible ASCII byte and need no trimming at all.
inline std::string_view trim_white_space(std::string_view text) {
    if (!text.empty()) {
        const auto first = static_cast<unsigned char>(text.front());
        const auto last = static_cast<unsigned char>(text.back());
        if (first > 0x20 && first < 0x80 && last > 0x20 && last < 0x80) return text;
    }
    return trim_white_space_slow(text);
}

// A message that ends by quoting the caller's text: head, then 'subject'.
std::string quoted_message(std::string_view head, std::string_view subject);

// True when `text` starts with "v" or "V" directly followed by an ASCII digit.
constexpr bool has_v_prefix(std::string_view text) {
    return text.size() >= 2 && (text[0] == 'v' || text[0] == 'V') && is_digit(text[1]);
}

}  // namespace tambry
