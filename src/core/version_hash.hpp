// The identity of a generic version for hashing and sort keys: both read only the
// epoch and the significant segments (trailing zeros dropped), like the ordering.
#pragma once

#include <cstddef>
#include <cstdint>

#include "version_model.hpp"

namespace tambry {

// The hash of a generic version: SipHash-1-3 over the epoch and the significant
// segments, with -1 (reserved by the interpreter) mapped to -2. Words of one
// qualifier weight enter as the shortest word of their group, so versions that
// compare equal hash alike.
std::int64_t hash_generic(const GenericView& v);

// Which segments a sort key holds: [0, leading_numbers) and [first_text, significant).
struct SortKeyItems {
    std::size_t leading_numbers;
    std::size_t first_text;
    std::size_t significant;
};

SortKeyItems sort_key_items(const GenericView& v);

}  // namespace tambry
