// A compact, long-lived encoding of a generic parse, for Version objects, which
// programs keep by the million, and for the elements of a collection while it is
// sorted. The epoch and the segments become one byte stream: a number is a tag
// byte giving its width (0 to 8 bytes, little-endian, so 0 takes one byte and 7
// two); a word is the tag WORD_TAG, a varint length and its lowercase bytes.
// Comparisons read the stream in place, one segment at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "generic_ordering.hpp"
#include "generic_vocabulary.hpp"
#include "version_model.hpp"

namespace tambry {

std::size_t packed_size(const ParsedVersion& parsed);

// Writes exactly packed_size(parsed) bytes to `out`.
void pack_segments(const ParsedVersion& parsed, unsigned char* out);

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
        if (p_ == end_) return false;
        const unsigned char tag = *p_++;
        if (tag == WORD_TAG) {
            const std::uint64_t length = read_varint();
            out.is_num = false;
            out.word = {reinterpret_cast<const char*>(p_), static_cast<std::size_t>(length)};
            p_ += length;
        } else {
            out.is_num = true;
            out.num = read_number(tag);
        }
        return true;
    }

    // Whether everything after the last segment read is a zero number. Zero is the
    // only number packed in no bytes, so that is a run of empty number tags.
    bool rest_all_zero() const {
        for (const unsigned char* p = p_; p < end_; ++p) {
            if (*p != 0) return false;
        }
        return true;
    }

    static constexpr unsigned char WORD_TAG = 0xFF;

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

    const unsigned char* p_;
    const unsigned char* end_;
    std::uint64_t epoch_ = 0;
};

// The generic order of two packed streams.
Ordering cmp_packed(const unsigned char* a, std::size_t a_size, const unsigned char* b, std::size_t b_size);

}  // namespace tambry
