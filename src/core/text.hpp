// Byte-level character classes and the white-space trim shared by every scheme.
// All tests work on bytes: a byte of a non-ASCII character is never a digit or a
// letter, and only A-Z are ever lowered.
#pragma once

#include <string>
#include <string_view>

namespace tambry {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool is_letter(char c) { return is_lower(c) || is_upper(c); }
constexpr bool is_alnum(char c) { return is_digit(c) || is_letter(c); }
constexpr char to_lower(char c) { return is_upper(c) ? static_cast<char>(c + ('a' - 'A')) : c; }

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
