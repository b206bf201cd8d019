// The identity of a packed generic version for hashing and sort keys: both read
// only the epoch and the significant segments (trailing zero numbers dropped),
// like the ordering.
#pragma once

#include <cstddef>
#include <cstdint>

#include "generic_vocabulary.hpp"
#include "small_vec.hpp"

namespace tambry {

// SipHash-1-3 over the epoch and the significant segments, with -1 (reserved by
// the interpreter) mapped to -2. Words of one qualifier weight enter as their
// group's hash word, so versions that compare equal hash alike.
std::int64_t hash_packed(const unsigned char* stream, std::size_t size);

// The segments a sort key holds, in order: the leading numbers without the zeros
// that end them, then everything from the first word to the last significant
// segment. Words point into the stream.
SmallVec<SegmentToken, 16> sort_key_items(const unsigned char* stream, std::size_t size);

}  // namespace tambry
