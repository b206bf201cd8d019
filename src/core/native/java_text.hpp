// Java's view of text, for the schemes whose tool is written in Java: the string is
// a sequence of UTF-16 units, String.toLowerCase(Locale.ENGLISH) lowers it with the
// full Unicode case data, Character.isDigit(char) knows every decimal digit of the
// Basic Multilingual Plane, and String.compareTo orders UTF-16 units.
//
// Texts arrive here as UTF-8. A byte that does not start a well-formed UTF-8
// sequence stands for itself: it is never a digit, never lowered, and orders as
// that byte does.
#pragma once

#include <cstddef>
#include <string_view>

#include "small_vec.hpp"

namespace tambry::native {

struct DecodedChar {
    char32_t code_point;  // the byte itself when the sequence is malformed
    std::size_t size;     // bytes taken, at least 1
};

// The character that starts at `pos`, which must be inside `text`.
DecodedChar decode_utf8_at(std::string_view text, std::size_t pos);

// Character.isDigit of a code point below U+10000, and its value.
bool java_is_digit(char32_t code_point, int& value);

// String.toLowerCase(Locale.ENGLISH) of `text`, appended to `out`. A capital
// sigma lowers to its final form when a cased letter comes before it in its word
// and none after, words found as the JDK's word break rules find them: letters
// and digits, joined across a '-', '.', '\'', '"' or '_' between two letters and
// a '.', ',', '\'' or '"' between two digits. Outside ASCII the character classes
// of those rules are known for the decimal digits, the marks, dashes, spaces and
// punctuation of the Latin, Greek, Cyrillic and common symbol blocks, and any
// other character counts as a letter; the JDK also breaks words oddly around
// characters above U+FFFF, which this does not follow.
void java_lower_utf8(std::string_view text, SmallVec<char, 64>& out);

// The rank of a byte of UTF-8 text such that comparing ranks byte by byte orders
// the texts as String.compareTo orders their UTF-16 forms: a character above
// U+FFFF (lead bytes F0-F4) comes before U+E000-U+FFFF (lead bytes EE and EF),
// because its first UTF-16 unit is a surrogate.
constexpr unsigned char java_order_rank(unsigned char byte) {
    if (byte < 0xEE || byte > 0xF4) return byte;
    if (byte >= 0xF0) return static_cast<unsigned char>(byte - 2);
    return static_cast<unsigned char>(byte + 5);
}

}  // namespace tambry::native
