// Order-preserving pieces for keys: for each, the bytewise order of two encodings
// is the order of the values they encode, and no encoding is a proper prefix of
// another of the same kind, so pieces can follow one another in a key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "native/native_scheme.hpp"
#include "text.hpp"

namespace tambry::native {

inline void put_byte(KeyBuffer& out, unsigned char byte) { out.push_back(byte); }

// A nonzero `value` as the code `width_base + width` and its `width` big-endian
// bytes, the shortest width (1 to 8) that holds it. Writes at `p`, which must have
// room for 9 bytes (all of them may be written), and returns where the number ends.
inline unsigned char* write_wide_number(unsigned char* p, unsigned width_base, std::uint64_t value) {
    const unsigned width = (71 - static_cast<unsigned>(__builtin_clzll(value))) / 8;
    p[0] = static_cast<unsigned char>(width_base + width);
    const std::uint64_t big_endian = __builtin_bswap64(value << (8 * (8 - width)));
    std::memcpy(p + 1, &big_endian, 8);
    return p + 1 + width;
}

// Values below 0xF0 take one byte; larger ones a width byte (0xF0 + width - 1,
// width 1 to 8) and their big-endian bytes, the shortest width that holds them.
// Writes at `p`, which must have room for 9 bytes, and returns where it stopped.
inline unsigned char* write_u64(unsigned char* p, std::uint64_t value) {
    if (value < 0xF0) {
        *p = static_cast<unsigned char>(value);
        return p + 1;
    }
    return write_wide_number(p, 0xF0 - 1, value);
}

inline void put_u64(KeyBuffer& out, std::uint64_t value) { out.end_at(write_u64(out.room_for(9), value)); }

// A run of ASCII digits as the number it spells, of any size: leading zeros carry
// no value. Numbers beyond 64 bits follow every 64-bit one, as the tag 0xF8, their
// digit count and their digits.
inline void put_digits(KeyBuffer& out, std::string_view digits) {
    // Most version numbers are one or two digits without a leading zero: their
    // value is below 0xF0, one byte.
    if (digits.size() == 1) {
        out.push_back(static_cast<unsigned char>(digits[0] - '0'));
        return;
    }
    if (digits.size() == 2 && digits[0] != '0') {
        out.push_back(static_cast<unsigned char>((digits[0] - '0') * 10 + (digits[1] - '0')));
        return;
    }
    std::size_t start = 0;
    while (start < digits.size() && digits[start] == '0') ++start;
    digits.remove_prefix(start);
    // Nineteen digits always fit in 64 bits, twenty only up to 18446744073709551615.
    const std::size_t plain = digits.size() < 19 ? digits.size() : 19;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < plain; ++i) value = value * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    const bool fits = digits.size() <= 19 ||
                      (digits.size() == 20 && !__builtin_mul_overflow(value, 10, &value) &&
                       !__builtin_add_overflow(value, static_cast<std::uint64_t>(digits[19] - '0'), &value));
    if (fits) {
        put_u64(out, value);
        return;
    }
    out.push_back(0xF8);
    put_u64(out, digits.size());
    out.append(reinterpret_cast<const unsigned char*>(digits.data()), digits.size());
}

// Bytes in their own order, a shorter text before every longer one that starts
// with it: 0x00 and 0x01 are escaped as 01 01 and 01 02, and 0x00 ends the text.
// One byte of such a text, written at `p` (room for 2); returns where the next goes.
inline unsigned char* write_text_byte(unsigned char* p, unsigned char byte) {
    const bool escaped = byte <= 0x01;
    p[0] = escaped ? 0x01 : byte;
    p[1] = static_cast<unsigned char>(byte + 1);
    return p + 1 + escaped;
}

inline void put_text(KeyBuffer& out, std::string_view text) {
    unsigned char* p = out.room_for(2 * text.size() + 1);
    for (const char c : text) p = write_text_byte(p, static_cast<unsigned char>(c));
    *p++ = 0x00;
    out.end_at(p);
}

// The same with A-Z lowered, for tools that compare words without case.
inline void put_text_lowered(KeyBuffer& out, std::string_view text) {
    unsigned char* p = out.room_for(2 * text.size() + 1);
    for (const char c : text) p = write_text_byte(p, static_cast<unsigned char>(to_lower(c)));
    *p++ = 0x00;
    out.end_at(p);
}

}  // namespace tambry::native
