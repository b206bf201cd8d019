// A compact, long-lived encoding of a generic parse, for Version objects, which
// programs keep by the million, and for the elements of a collection while it is
// sorted. The epoch and then each segment become one tagged item of a byte stream:
//
//   tag 0x00              the number 0
//   tags 0x01..0x08       a number of that many bytes, little-endian, follows
//   tags 0x09..0xBF       the numbers 1 to 183 (the tag less 8), nothing follows
//   tags 0xC0..0xFC       a word of 1 to 61 bytes (the tag less 0xBF), its bytes follow
//   tag 0xFD, tag 0xFE    the words "~" and "^"
//   tag 0xFF              a longer word: a varint length, then its bytes
//
// Words are stored lowercase. Each value has exactly one encoding, so equal
// streams hold equal versions, and zero is the only item that is a zero byte. No
// byte of a text packs into more than one and a half: the release numbers and
// markers that make up most versions take one byte each.
// Comparisons read the stream in place, one segment at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "generic_ordering.hpp"
#include "generic_vocabulary.hpp"
#include "version_model.hpp"

namespace tambry {

namespace packed_tags {
inline constexpr unsigned char WIDEST_NUMBER = 0x08;
inline constexpr unsigned char FIRST_SMALL_NUMBER = 0x09;  // the number 1
inline constexpr unsigned char FIRST_SHORT_WORD = 0xC0;    // a word of one byte
inline constexpr unsigned char TILDE = 0xFD;
inline constexpr unsigned char CARET = 0xFE;
inline constexpr unsigned char LONG_WORD = 0xFF;

inline constexpr std::uint64_t LARGEST_SMALL_NUMBER = FIRST_SHORT_WORD - WIDEST_NUMBER - 1;
inline constexpr std::size_t LONGEST_SHORT_WORD = TILDE - FIRST_SHORT_WORD;
}  // namespace packed_tags

// What packing a text gives besides its stream: its size and the parse's flags.
struct PackedText {
    std::size_t size;
    bool is_prerelease;
    bool is_postrelease;
};

// A text of `text_size` bytes packs into at most this many: the epoch takes up to
// nine, and every byte of the main part at most two (a word of one letter: its
// tag and the letter).
constexpr std::size_t packed_size_bound(std::size_t text_size) { return 9 + 2 * text_size; }

// Packs parse_generic(input) straight from the text, without building the parse:
// `out` needs room for packed_size_bound(input.size()) bytes.
PackedText pack_generic_text(std::string_view input, unsigned char* out);

// The size and flags that pack_generic_text gives, without writing anything: for
// a text too long to pack into a buffer first.
PackedText measure_generic_text(std::string_view input);

// Reads a packed stream one segment at a time.
class PackedCursor {
public:
    PackedCursor(const unsigned char* stream, std::size_t size);
    // A cursor that reads on from `offset` bytes into the stream, past the epoch.
    static PackedCursor resume(const unsigned char* stream, std::size_t size, std::size_t offset) {
        return PackedCursor(stream + offset, stream + size);
    }
    std::uint64_t epoch() const { return epoch_; }
    bool at_end() const { return p_ == end_; }
    // How far into the stream the cursor has read.
    std::size_t offset_from(const unsigned char* stream) const { return static_cast<std::size_t>(p_ - stream); }

    bool next(SegmentToken& out) {
        using namespace packed_tags;
        if (p_ == end_) return false;
        const unsigned char tag = *p_++;
        if (tag < FIRST_SHORT_WORD) {
            out.is_num = true;
            out.num = tag < FIRST_SMALL_NUMBER ? read_number(tag) : tag - WIDEST_NUMBER;
            return true;
        }
        out.is_num = false;
        if (tag < TILDE) {
            out.word = take_bytes(tag - FIRST_SHORT_WORD + 1);
        } else if (tag == LONG_WORD) {
            out.word = take_bytes(read_varint());
        } else {
            out.word = tag == TILDE ? std::string_view("~") : std::string_view("^");
        }
        return true;
    }

    // Whether everything after the last segment read is a zero number: a run of
    // zero bytes, since every other item begins with a tag that is not zero.
    bool rest_all_zero() const {
        for (const unsigned char* p = p_; p < end_; ++p) {
            if (*p != 0) return false;
        }
        return true;
    }

private:
    PackedCursor(const unsigned char* at, const unsigned char* end) : p_(at), end_(end) {}

    std::uint64_t read_number(unsigned width) {
        std::uint64_t value = 0;
        for (unsigned i = 0; i < width; ++i) value |= static_cast<std::uint64_t>(*p_++) << (8 * i);
        return value;
    }
    std::uint64_t read_varint() {
        std::uint64_t value = 0;
        for (unsigned shift = 0;; shift += 7) {
            const unsigned char byte = *p_++;
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80)) return value;
        }
    }
    std::string_view take_bytes(std::uint64_t length) {
        const std::string_view bytes(reinterpret_cast<const char*>(p_), static_cast<std::size_t>(length));
        p_ += length;
        return bytes;
    }

    const unsigned char* p_;
    const unsigned char* end_;
    std::uint64_t epoch_ = 0;
};

// The generic order of two packed streams.
Ordering cmp_packed(const unsigned char* a, std::size_t a_size, const unsigned char* b, std::size_t b_size);

// The first 64 bits of an encoding of the epoch and the leading numbers (up to
// the first word), zeros after them (sort_prefix.hpp). Where two such prefixes
// differ the versions are ordered alike: the first number that differs decides,
// and a number that stands where the other version has a word or has ended
// outranks it whenever it is larger than the zero written there, just as the
// walk finds. This holds for the generic order too, cycles and all.
std::uint64_t generic_sort_prefix(const unsigned char* stream, std::size_t size);

}  // namespace tambry
