// Numbers in a band of key codes that a scheme sets aside between its other codes,
// so that a number needs no tag of its own: the first byte both says "a number
// stands here" and, for small values, is the whole number. Within a band the
// bytewise order of two encodings is the order of the numbers, and no encoding
// is a proper prefix of another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "native/key_encoding.hpp"
#include "native/native_scheme.hpp"
#include "text.hpp"

namespace tambry::native {

// Codes first .. first + small - 1 are the values 0 .. small - 1; the next eight
// codes announce a larger 64-bit value by its width in bytes (1 to 8, always the
// shortest), followed by its big-endian bytes; the code after them announces a
// number beyond 64 bits, followed by its digit count and its digits.
struct NumberBand {
    unsigned char first;
    unsigned char small;

    constexpr unsigned char width_code(unsigned width) const {
        return static_cast<unsigned char>(first + small + width - 1);
    }
    constexpr unsigned char huge_code() const { return static_cast<unsigned char>(first + small + 8); }
    // The last code the band takes.
    constexpr unsigned char last() const { return huge_code(); }
};

inline void put_banded_u64(KeyBuffer& out, NumberBand band, std::uint64_t value) {
    if (value < band.small) {
        out.push_back(static_cast<unsigned char>(band.first + value));
        return;
    }
    unsigned width = 1;
    while (width < 8 && (value >> (8 * width)) != 0) ++width;
    unsigned char* p = out.append_uninitialized(width + 1);
    p[0] = band.width_code(width);
    for (unsigned i = 0; i < width; ++i) p[1 + i] = static_cast<unsigned char>(value >> (8 * (width - 1 - i)));
}

// The run of ASCII digits that starts at text[pos] (possibly empty, which is 0) as
// the number it spells, leading zeros carrying no value; returns where the run ends.
inline std::size_t put_banded_digit_run(KeyBuffer& out, NumberBand band, std::string_view text, std::size_t pos) {
    const std::size_t n = text.size();
    while (pos < n && text[pos] == '0') ++pos;
    const std::size_t start = pos;
    std::uint64_t value = 0;
    // Nineteen digits always fit in 64 bits; count on, but stop adding, beyond them.
    for (; pos < n && is_digit(text[pos]); ++pos) {
        if (pos - start < 19) value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
    }
    const std::size_t count = pos - start;
    if (count == 20) {
        // A twentieth digit may still fit: 10**19 <= 20 digits < 2**64 only up to 18446744073709551615.
        const auto last = static_cast<std::uint64_t>(text[pos - 1] - '0');
        std::uint64_t whole = 0;
        if (!__builtin_mul_overflow(value, 10, &whole) && !__builtin_add_overflow(whole, last, &whole)) {
            put_banded_u64(out, band, whole);
            return pos;
        }
    }
    if (count <= 19) {
        put_banded_u64(out, band, value);
        return pos;
    }
    out.push_back(band.huge_code());
    put_u64(out, count);
    out.append(reinterpret_cast<const unsigned char*>(text.data() + start), count);
    return pos;
}

}  // namespace tambry::native
