// Order-preserving numbers whose encodings never start below a chosen byte, the
// floor, so the bytes under it stay free for markers that must sort before every
// number (the end of a list, a pre-release word), and a small number costs one byte
// with no tag in front of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "native/key_encoding.hpp"

namespace tambry::native {

// Values below 0xF0 - floor take one byte, floor + value; larger ones a width byte
// (0xF0 + width - 1, width 1 to 8) and their big-endian bytes, the shortest width
// that holds them. `floor` must be at most 0xEF.
inline void put_u64_above(KeyBuffer& out, std::uint64_t value, unsigned char floor) {
    const std::uint64_t one_byte_limit = 0xF0u - floor;
    if (value < one_byte_limit) {
        out.push_back(static_cast<unsigned char>(floor + value));
        return;
    }
    unsigned width = 1;
    while (width < 8 && (value >> (8 * width)) != 0) ++width;
    unsigned char* p = out.append_uninitialized(width + 1);
    p[0] = static_cast<unsigned char>(0xF0 + width - 1);
    for (unsigned i = 0; i < width; ++i) p[1 + i] = static_cast<unsigned char>(value >> (8 * (width - 1 - i)));
}

// A run of ASCII digits as the number it spells, of any size, on the same floor:
// numbers beyond 64 bits follow every 64-bit one, as the tag 0xF8, their digit
// count and their digits, exactly as put_digits writes them.
inline void put_digits_above(KeyBuffer& out, std::string_view digits, unsigned char floor) {
    std::size_t start = 0;
    while (start < digits.size() && digits[start] == '0') ++start;
    digits.remove_prefix(start);
    std::uint64_t value = 0;
    bool fits = digits.size() <= 20;
    for (std::size_t i = 0; fits && i < digits.size(); ++i) {
        const auto digit = static_cast<std::uint64_t>(digits[i] - '0');
        fits = !__builtin_mul_overflow(value, 10, &value) && !__builtin_add_overflow(value, digit, &value);
    }
    if (fits) {
        put_u64_above(out, value, floor);
        return;
    }
    out.push_back(0xF8);
    put_u64(out, digits.size());
    out.append(reinterpret_cast<const unsigned char*>(digits.data()), digits.size());
}

}  // namespace tambry::native
