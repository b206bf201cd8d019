// Numbers in a band of key codes that a scheme sets aside between its other codes,
// so that a number needs no tag of its own: the first byte both says "a number
// stands here" and, for small values, is the whole number. Within a band the
// bytewise order of two encodings is the order of the numbers, and no encoding
// is a proper prefix of another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Writes at `p`, which must have room for 9 bytes, and returns where it stopped.
// Writes at `p`, which must have room for 9 bytes, and returns where it stopped.
// Small numbers take a branch of their own: where the next write goes then does
// not wait for the value, which a branchless choice of length would make it do.
inline unsigned char* write_banded_u64(unsigned char* p, NumberBand band, std::uint64_t value) {
    if (value < band.small) {
        *p = static_cast<unsigned char>(band.first + value);
        return p + 1;
    }
    return write_wide_number(p, band.width_code(1) - 1u, value);
}

inline void put_banded_u64(KeyBuffer& out, NumberBand band, std::uint64_t value) {
    out.end_at(write_banded_u64(out.room_for(9), band, value));
}

// The most bytes write_banded_digit_run may write for a run of `digits` digits.
constexpr std::size_t banded_digit_run_room(std::size_t digits) { return digits + 18; }

// The run of ASCII digits that starts at `s` (possibly empty, which is 0) as the
// number it spells, leading zeros carrying no value; moves `s` past the run. Writes
// at `p`, which must have room for banded_digit_run_room of the run's length, and
// returns where it stopped.
inline unsigned char* write_banded_digit_run(unsigned char* p, NumberBand band, const char*& s, const char* end) {
    while (s < end && *s == '0') ++s;
    const char* const start = s;
    std::uint64_t value = 0;
    // Nineteen digits always fit in 64 bits; past them the value is not used.
    for (; s < end && is_digit(*s); ++s) value = value * 10 + static_cast<std::uint64_t>(*s - '0');
    const auto count = static_cast<std::size_t>(s - start);
    if (count <= 19) return write_banded_u64(p, band, value);
    if (count == 20) {
        // A twentieth digit may still fit: 10**19 <= 20 digits < 2**64 only up to 18446744073709551615.
        std::uint64_t head = 0;
        for (const char* d = start; d < s - 1; ++d) head = head * 10 + static_cast<std::uint64_t>(*d - '0');
        std::uint64_t whole = 0;
        if (!__builtin_mul_overflow(head, 10, &whole) &&
            !__builtin_add_overflow(whole, static_cast<std::uint64_t>(s[-1] - '0'), &whole)) {
            return write_banded_u64(p, band, whole);
        }
    }
    *p++ = band.huge_code();
    p = write_u64(p, count);
    std::memcpy(p, start, count);
    return p + count;
}

// The same, at text[pos] of a KeyBuffer's writer; returns where the run ends.
inline std::size_t put_banded_digit_run(KeyBuffer& out, NumberBand band, std::string_view text, std::size_t pos) {
    const char* s = text.data() + pos;
    const char* const end = text.data() + text.size();
    std::size_t run = 0;
    while (s + run < end && is_digit(s[run])) ++run;
    out.end_at(write_banded_digit_run(out.room_for(banded_digit_run_room(run)), band, s, end));
    return static_cast<std::size_t>(s - text.data());
}

}  // namespace tambry::native
