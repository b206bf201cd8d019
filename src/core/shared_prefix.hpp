// Where two version texts begin to differ. Real pairs share most of their text
// (neighbours in a published list: 1.2.3 and 1.2.4, 2.0.0rc1 and 2.0.0rc2), and
// under every scheme the segments that lie wholly before the first difference
// compare equal, so a comparison may begin at the segment that holds it. Each
// scheme says where its segments begin; this finds the difference, eight bytes
// at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tambry {

static_assert(std::endian::native == std::endian::little, "the first byte of a loaded word is its lowest");

namespace detail {

inline std::uint64_t load_word(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The high bit of every byte of `word` that equals `byte`; exact up to the
// lowest such byte, which is the only one read.
constexpr std::uint64_t bytes_equal_to(std::uint64_t word, unsigned char byte) {
    constexpr std::uint64_t ONES = 0x0101010101010101ULL;
    constexpr std::uint64_t HIGHS = 0x8080808080808080ULL;
    const std::uint64_t x = word ^ (ONES * byte);
    return (x - ONES) & ~x & HIGHS;
}

inline std::uint32_t load_half_word(const char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Where the lowest mark of `marks` lies, counted from `at`; `limit` when there
// is none.
inline std::size_t first_marked(std::uint64_t marks, std::size_t at, std::size_t limit) {
    return marks ? at + static_cast<std::size_t>(std::countr_zero(marks)) / 8 : limit;
}

// Version texts are short, so the last bytes are read as a word too, one that
// overlaps what is known already to be shared: the first mark in it still lies
// at or past the bytes not yet read. Below eight bytes two half words overlap
// in the same way.
template <bool HAS_STOP>
std::size_t shared_prefix(std::string_view a, std::string_view b, unsigned char stop) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    const auto marks_of = [&](std::uint64_t x, std::uint64_t y) {
        std::uint64_t marks = x ^ y;
        if constexpr (HAS_STOP) marks |= bytes_equal_to(x, stop);
        return marks;
    };
    if (n >= 8) {
        std::size_t i = 0;
        for (; i + 8 < n; i += 8) {
            const std::uint64_t marks = marks_of(load_word(a.data() + i), load_word(b.data() + i));
            if (marks) return first_marked(marks, i, n);
        }
        return first_marked(marks_of(load_word(a.data() + n - 8), load_word(b.data() + n - 8)), n - 8, n);
    }
    if (n >= 4) {
        // The high half of each word is zero on both sides, which neither differs
        // nor is a stop byte once only the low half's marks are kept.
        constexpr std::uint64_t LOW_HALF = 0x00000000FFFFFFFFULL;
        const std::uint64_t head = marks_of(load_half_word(a.data()), load_half_word(b.data())) & LOW_HALF;
        if (head) return first_marked(head, 0, n);
        return first_marked(
            marks_of(load_half_word(a.data() + n - 4), load_half_word(b.data() + n - 4)) & LOW_HALF, n - 4, n);
    }
    std::size_t i = 0;
    while (i < n && a[i] == b[i] && (!HAS_STOP || static_cast<unsigned char>(a[i]) != stop)) ++i;
    return i;
}

}  // namespace detail

// The length of the longest common prefix of `a` and `b`.
inline std::size_t shared_prefix_length(std::string_view a, std::string_view b) {
    return detail::shared_prefix<false>(a, b, 0);
}

// The same, ending before the first `stop` byte.
inline std::size_t shared_prefix_length_before(std::string_view a, std::string_view b, char stop) {
    return detail::shared_prefix<true>(a, b, static_cast<unsigned char>(stop));
}

// Moves `end`, the length of a shared prefix, back to the start of the run of
// bytes of one class that crosses it, if one does: a run that goes on past the
// prefix on either side is a segment that may differ. `class_of` gives 0 for a
// byte that is a segment of its own or separates segments, and the same other
// value for bytes that form one segment together.
template <class ClassOf>
std::size_t back_to_segment_start(std::string_view a, std::string_view b, std::size_t end, ClassOf class_of) {
    if (end == 0) return 0;
    const int last = class_of(a[end - 1]);
    if (last == 0) return end;
    const bool crosses = (end < a.size() && class_of(a[end]) == last) || (end < b.size() && class_of(b[end]) == last);
    if (!crosses) return end;
    while (end > 0 && class_of(a[end - 1]) == last) --end;
    return end;
}

}  // namespace tambry
