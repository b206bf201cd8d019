// Many versions of one ecosystem held as their keys in one arena, for the
// collection functions: sorting, choosing the greatest or least, and handing the
// keys out. The caller keeps its own objects; a batch only knows their places.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "native/native_scheme.hpp"

namespace tambry::native {

class KeyBatch {
public:
    explicit KeyBatch(NativeEcosystem ecosystem) : ecosystem_(ecosystem) {}

    void reserve(std::size_t versions);

    // Adds the key of `text` in the next slot; false when the ecosystem rejects it,
    // and the slot then holds no key (is_null).
    bool add(std::string_view text);
    // Leaves the next slot without a key.
    void add_null();

    std::size_t size() const { return ends_.size(); }
    bool is_null(std::size_t i) const { return null_[i]; }
    std::span<const unsigned char> key(std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return {arena_.data() + begin, ends_[i] - begin};
    }
    // All keys back to back, and where each ends: the layout of an Arrow binary array.
    std::span<const unsigned char> arena() const { return arena_; }
    std::span<const std::size_t> ends() const { return ends_; }

    // Slots in ascending key order, equal keys in the order they were added. Every
    // slot must hold a key.
    std::vector<std::size_t> sorted_order() const;
    // The last of the greatest keys and the first of the least: what a stable
    // ascending sort puts last and first. The batch must hold a key in every slot
    // and at least one slot.
    std::size_t index_of_greatest() const;
    std::size_t index_of_least() const;

private:
    NativeEcosystem ecosystem_;
    std::vector<unsigned char> arena_;
    std::vector<std::size_t> ends_;
    std::vector<bool> null_;
    KeyBuffer scratch_;
};

// The bytewise order of two keys.
Ordering compare_keys(std::span<const unsigned char> a, std::span<const unsigned char> b);

}  // namespace tambry::native
