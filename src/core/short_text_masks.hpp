// A short text seen a run at a time instead of a byte at a time. Schemes whose
// keys are made of runs (digits, letters) read a version byte by byte, and each
// change of run is a branch the processor guesses wrong about half the time; with
// bit masks of where the runs stand (bit i for byte i), each run is found by
// counting bits and a run of digits is read in one multiplication chain.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tambry {

// Bits 0 to size - 1.
inline std::uint64_t low_bits(std::size_t size) {
    return size >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << size) - 1;
}

// A text of at most CAPACITY bytes, copied into a buffer padded with zeros so that
// a word may be read at any of its places.
class ShortText {
public:
    static constexpr std::size_t CAPACITY = 64;

    // False, with nothing copied, for a longer text.
    bool load(std::string_view text) {
        if (text.size() > CAPACITY) return false;
        size_ = text.size();
#if defined(__SSE2__) && !defined(__SANITIZE_ADDRESS__)
        // Whole 16-byte blocks are read from the text, past its end but never past
        // the end of its page, and stored as blocks: a byte-wise copy would make the
        // block reads that follow wait until its stores are done.
        const auto address = reinterpret_cast<std::uintptr_t>(text.data());
        const __m128i places = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        // Up to 32 bytes, always two blocks: most versions are 10 to 20 bytes long,
        // and a number of blocks chosen by the length is a branch guessed wrong
        // whenever one text is longer than 16 bytes and the next is not.
        if (size_ <= 32 && (address & 4095) + 32 <= 4096) {
            store_block(0, text.data(), places);
            store_block(16, text.data(), places);
            _mm_store_si128(reinterpret_cast<__m128i*>(bytes_ + 32), _mm_setzero_si128());
            return true;
        }
        const std::size_t blocks = (size_ + 15) / 16;
        if ((address & 4095) + blocks * 16 <= 4096) {
            // classify() reads the first two blocks of a text of any length.
            _mm_store_si128(reinterpret_cast<__m128i*>(bytes_), _mm_setzero_si128());
            _mm_store_si128(reinterpret_cast<__m128i*>(bytes_ + 16), _mm_setzero_si128());
            for (std::size_t at = 0; at < blocks * 16; at += 16) store_block(at, text.data(), places);
            _mm_store_si128(reinterpret_cast<__m128i*>(bytes_ + blocks * 16), _mm_setzero_si128());
            return true;
        }
#endif
        std::memset(bytes_, 0, sizeof bytes_);
        std::memcpy(bytes_, text.data(), size_);
        return true;
    }

    std::size_t size() const { return size_; }
    const char* data() const { return bytes_; }

    // Digits, letters and each of `marks`, in one pass over the text.
    template <std::size_t N>
    struct Classes {
        std::uint64_t digits = 0;
        std::uint64_t letters = 0;
        std::array<std::uint64_t, N> marks{};
    };
    template <std::size_t N>
    Classes<N> classify(const std::array<char, N>& marks) const {
        // The first two blocks whether or not the text reaches the second (load()
        // stores both; past the text they hold zeros): most versions end in them,
        // and their masks then never pass through memory.
        Classes<N> classes = classify_first_two_blocks(marks);
        for (std::size_t at = 32; at < size_; at += 16) add_block(classes, at, marks);
        // The padding is zeros: it can only have been taken for a NUL.
        for (std::size_t m = 0; m < N; ++m) {
            if (marks[m] == '\0') classes.marks[m] &= low_bits(size_);
        }
        return classes;
    }

private:
#if defined(__SSE2__)
    // The 16 bytes of `text` from `at`, those past its end as zeros.
    void store_block(std::size_t at, const char* text, __m128i places) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
        const __m128i inside = _mm_cmplt_epi8(places, _mm_set1_epi8(static_cast<char>(size_ - at)));
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes_ + at), _mm_and_si128(block, inside));
    }
#endif

    template <std::size_t N>
    void add_block(Classes<N>& classes, std::size_t at, const std::array<char, N>& marks) const {
        const Classes<N> block = classify_block(at, marks);
        classes.digits |= block.digits << at;
        classes.letters |= block.letters << at;
        for (std::size_t m = 0; m < N; ++m) classes.marks[m] |= block.marks[m] << at;
    }

    // The masks of the first 32 bytes, padding included. Each mask is made whole
    // from its two halves at once: masks gathered in an array and combined
    // afterwards were packed into vector registers through memory, and that
    // reading back stalled until the stores were done.
    template <std::size_t N>
    Classes<N> classify_first_two_blocks(const std::array<char, N>& marks) const {
#if defined(__SSE2__)
        Classes<N> classes;
        const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes_));
        const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes_ + 16));
        classes.digits = bits_of(digits_in(low)) | bits_of(digits_in(high)) << 16;
        classes.letters = bits_of(letters_in(low)) | bits_of(letters_in(high)) << 16;
        for (std::size_t m = 0; m < N; ++m) {
            const __m128i mark = _mm_set1_epi8(marks[m]);
            classes.marks[m] = bits_of(_mm_cmpeq_epi8(low, mark)) | bits_of(_mm_cmpeq_epi8(high, mark)) << 16;
        }
        return classes;
#else
        Classes<N> classes = classify_block(0, marks);
        add_block(classes, 16, marks);
        return classes;
#endif
    }

    // The masks of the 16 bytes from `at`, padding included.
    template <std::size_t N>
    Classes<N> classify_block(std::size_t at, const std::array<char, N>& marks) const {
        Classes<N> block;
#if defined(__SSE2__)
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes_ + at));
        block.digits = bits_of(digits_in(v));
        block.letters = bits_of(letters_in(v));
        for (std::size_t m = 0; m < N; ++m) block.marks[m] = bits_of(_mm_cmpeq_epi8(v, _mm_set1_epi8(marks[m])));
#else
        for (std::size_t i = 0; i < 16; ++i) {
            const auto byte = static_cast<unsigned char>(bytes_[at + i]);
            block.digits |= static_cast<std::uint64_t>(static_cast<unsigned>(byte - '0') <= 9) << i;
            block.letters |= static_cast<std::uint64_t>(static_cast<unsigned char>((byte | 0x20) - 'a') < 26) << i;
            for (std::size_t m = 0; m < N; ++m) {
                block.marks[m] |= static_cast<std::uint64_t>(bytes_[at + i] == marks[m]) << i;
            }
        }
#endif
        return block;
    }

#if defined(__SSE2__)
    static __m128i digits_in(__m128i v) {
        return _mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(v, _mm_set1_epi8('0')), _mm_set1_epi8(9)),
                              _mm_setzero_si128());
    }

    static __m128i letters_in(__m128i v) {
        const __m128i lowered = _mm_or_si128(v, _mm_set1_epi8(0x20));
        return _mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(lowered, _mm_set1_epi8('a')), _mm_set1_epi8(25)),
                              _mm_setzero_si128());
    }

    static std::uint64_t bits_of(__m128i comparison) {
        return static_cast<std::uint32_t>(_mm_movemask_epi8(comparison));
    }
#endif

    alignas(16) char bytes_[CAPACITY + 16];
    std::size_t size_ = 0;
};

// Where the runs of set bits of `mask` start.
inline std::uint64_t run_starts(std::uint64_t mask) { return mask & ~(mask << 1); }

// The length of the run of set bits of `mask` that starts at bit `at`.
inline unsigned run_length(std::uint64_t mask, unsigned at) {
    const std::uint64_t rest = ~(mask >> at);
    return rest == 0 ? 64 - at : static_cast<unsigned>(__builtin_ctzll(rest));
}

// The value of the `count` ASCII digits at `digits` (1 to 8 of them; the 8 bytes
// from `digits` must be readable).
inline std::uint64_t value_of_up_to_8_digits(const char* digits, unsigned count) {
    std::uint64_t chunk;
    std::memcpy(&chunk, digits, 8);
    // The digits to the top, so that what is shifted in counts as leading zeros.
    chunk <<= 8 * (8 - count);
    chunk = ((chunk & 0x0F0F0F0F0F0F0F0F) * 2561) >> 8;
    chunk = ((chunk & 0x00FF00FF00FF00FF) * 6553601) >> 16;
    return ((chunk & 0x0000FFFF0000FFFF) * 42949672960001) >> 32;
}

}  // namespace tambry
