// A compact, long-lived encoding of a generic parse, for Version objects, which
// programs keep by the million. The epoch and the segments become one byte
// stream: a number is a tag byte giving its width (0 to 8 bytes, little-endian,
// so 0 takes one byte and 7 two); a word is the tag WORD_TAG, a varint length and
// its lowercase bytes. Comparing decodes the stream into segments on the stack.
#pragma once

#include <cstddef>
#include <cstdint>

#include "small_vec.hpp"
#include "version_model.hpp"

namespace tambry {

std::size_t packed_size(const GenericView& parsed);

// Writes exactly packed_size(parsed) bytes to `out`.
void pack_segments(const GenericView& parsed, unsigned char* out);

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
