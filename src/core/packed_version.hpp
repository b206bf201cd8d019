// A compact, long-lived encoding of a generic parse, for Version objects, which
// programs keep by the million. The epoch and the segments become one byte
// stream: a number is a tag byte giving its width (0 to 8 bytes, little-endian,
// so 0 takes one byte and 7 two); a word is the tag WORD_TAG, a varint length and
// its lowercase bytes. Comparisons read the stream in place, one segment at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "generic_ordering.hpp"
#include "small_vec.hpp"
#include "version_model.hpp"

namespace tambry {

std::size_t packed_size(const GenericView& parsed);

// Writes exactly packed_size(parsed) bytes to `out`.
void pack_segments(const GenericView& parsed, unsigned char* out);

// Reads a packed stream one segment at a time, for comparisons that need no array.
class PackedCursor {
public:
    PackedCursor(const unsigned char* stream, std::size_t size);
    // A cursor that reads on from `offset` bytes into the stream, past the epoch.
    static PackedCursor resume(const unsigned char* stream, std::size_t size, std::size_t offset) {
        PackedCursor cursor(stream + offset, stream + size);
        return cursor;
    }
    std::uint64_t epoch() const { return epoch_; }
    // How far into the stream the cursor has read.
    std::size_t offset_from(const unsigned char* stream) const { return static_cast<std::size_t>(p_ - stream); }

    bool next(SegRef& out) {
        if (p_ == end_) return false;
        const unsigned char tag = *p_++;
        if (tag == WORD_TAG) {
            const std::uint64_t length = read_varint();
            out.is_num = false;
            out.text = {reinterpret_cast<const char*>(p_), static_cast<std::size_t>(length)};
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

// A packed stream with its epoch and leading numbers at hand. The walk of two
// versions begins by comparing numbers that stand at the same place on both sides,
// so wherever the leading numbers differ the order is known without reading the
// streams: that settles most comparisons of a sort from compact memory.
struct PackedRecord {
    static constexpr std::size_t LEAD = 3;

    const unsigned char* data;
    std::size_t size;
    std::uint64_t epoch;
    std::uint64_t lead[LEAD];
    std::uint32_t index;        // the element's place in the caller's sequence
    std::uint8_t lead_count;    // how many leading segments are numbers, at most LEAD
    std::uint8_t lead_end[LEAD];  // where in the stream each of them ends

    static PackedRecord of(const unsigned char* data, std::size_t size, std::uint32_t index);
};

inline Ordering cmp_packed_records(const PackedRecord& a, const PackedRecord& b) {
    if (a.epoch != b.epoch) return order_of(a.epoch, b.epoch);
    const std::size_t shared = a.lead_count < b.lead_count ? a.lead_count : b.lead_count;
    for (std::size_t i = 0; i < shared; ++i) {
        if (a.lead[i] != b.lead[i]) return order_of(a.lead[i], b.lead[i]);
    }
    // Real lists repeat versions; identical streams are equal without a walk.
    if (a.size == b.size && std::memcmp(a.data, b.data, a.size) == 0) return Ordering::Equal;
    if (shared == 0) return cmp_packed(a.data, a.size, b.data, b.size);
    // The walk would have passed the shared leading numbers as equal: go on after them.
    return cmp_segment_streams(PackedCursor::resume(a.data, a.size, a.lead_end[shared - 1]),
                               PackedCursor::resume(b.data, b.size, b.lead_end[shared - 1]));
}

// The segments of a packed stream; its words point into the stream itself.
class UnpackedSegments {
public:
    UnpackedSegments(const unsigned char* stream, std::size_t size);
    GenericView view() const { return {epoch_, segs_.span(), base_}; }

private:
    std::uint64_t epoch_ = 0;
    SmallVec<Seg, 16> segs_;
    const char* base_;
};

}  // namespace tambry
