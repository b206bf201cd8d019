// The first 64 (or 128) bits of an encoding of a version whose plain order as
// bits is the version order, so that a sort compares integers and reads the
// versions themselves only when those are equal. Each scheme writes its own encoding
// (generic: packed_version.cpp, Debian: debian.cpp, RPM: rpm.cpp) with these
// writers; what does not fit is cut off. Two prefixes that differ are ordered as
// their versions are; two that are equal say nothing.
//
// When a value is too large for its encoding, the writer fills every bit that
// is left with ones: the prefix then sorts after everything its prefix-mates
// can encode, and two such prefixes tie, which sends the pair to the full
// comparison.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace tambry {

// Writes from the top bit of the first word down, then on into the next words.
template <std::size_t WORDS>
class SortPrefixBits {
public:
    const std::array<std::uint64_t, WORDS>& words() const { return words_; }

    // The `width` low bits of `value`, as far as they fit; false once full.
    bool put(std::uint64_t value, int width) {
        value &= low_mask(width);
        while (word_ < WORDS) {
            if (width < free_) {
                free_ -= width;
                words_[word_] |= value << free_;
                return true;
            }
            width -= free_;
            words_[word_] |= value >> width;
            value &= low_mask(width);
            ++word_;
            free_ = 64;
            if (width == 0) return word_ < WORDS;
        }
        return false;
    }

    // A number as five bits of length and the bits below its top one: a longer
    // number sorts after a shorter one, numbers of one length by their bits.
    // Lengths from 31 on do not fit and fill the rest with ones.
    bool number(std::uint64_t value) {
        const int length = std::bit_width(value);
        if (length >= 31) return fill_with_ones();
        return put(static_cast<std::uint64_t>(length), 5) && (length <= 1 || put(value, length - 1));
    }

    bool fill_with_ones() {
        for (; word_ < WORDS; ++word_, free_ = 64) words_[word_] |= low_mask(free_);
        return false;
    }

private:
    static std::uint64_t low_mask(int width) { return width >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1; }

    std::array<std::uint64_t, WORDS> words_{};
    std::size_t word_ = 0;
    int free_ = 64;
};

// Writes bytes, the first one into the top eight bits.
template <std::size_t WORDS>
class SortPrefixBytes {
public:
    const std::array<std::uint64_t, WORDS>& words() const { return bits_.words(); }
    bool put(unsigned char byte) { return bits_.put(byte, 8); }
    bool fill_with_ones() { return bits_.fill_with_ones(); }

    // A digit run as a count of its digits once leading zeros are set aside
    // (one byte, below 0xF0) and the digits two to a byte: a longer run sorts
    // after a shorter one, runs of one length by their digits. `first_tag` is
    // added to the count, so that a scheme may tell numbers from other items.
    bool digits(const char* begin, const char* end, unsigned first_tag = 0) {
        while (begin != end && *begin == '0') ++begin;
        const auto count = static_cast<std::uint64_t>(end - begin);
        if (first_tag + count >= 0xF0) return fill_with_ones();
        if (!put(static_cast<unsigned char>(first_tag + count))) return false;
        for (; end - begin >= 2; begin += 2) {
            if (!put(static_cast<unsigned char>((begin[0] - '0') << 4 | (begin[1] - '0')))) return false;
        }
        return begin == end || put(static_cast<unsigned char>((begin[0] - '0') << 4));
    }

    // An epoch: the count of its bytes, then the bytes, most significant first.
    bool epoch(std::uint64_t value) {
        const int bytes = (std::bit_width(value) + 7) / 8;
        if (!put(static_cast<unsigned char>(bytes))) return false;
        for (int i = bytes - 1; i >= 0; --i) {
            if (!put(static_cast<unsigned char>(value >> (8 * i)))) return false;
        }
        return true;
    }

private:
    SortPrefixBits<WORDS> bits_;
};

// The prefix of a package version: long enough to reach past the version into
// the release of most real ones, where neighbours in a sorted list differ.
using PackageSortPrefix = std::array<std::uint64_t, 2>;

}  // namespace tambry
