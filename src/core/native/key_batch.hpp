// Many versions of one ecosystem held as their keys in one arena, for the
// collection functions: sorting, choosing the greatest or least, and handing the
// keys out. The caller keeps its own objects; a batch only knows their places.
//
// The batch is laid out as an Arrow binary column, so that it can be handed to
// an engine as it is: the keys back to back, size()+1 offsets starting at 0 (32-bit
// while the keys take at most 2**31-1 bytes, 64-bit past that), and a validity
// bitmap (bit i, least significant first, set when slot i holds a key) that exists
// only once a slot has been left without a key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>
#include <vector>

#include "native/native_scheme.hpp"

namespace tambry::native {

// native_key for many texts of one ecosystem, its scheme looked up once.
class KeyMaker {
public:
    explicit KeyMaker(NativeEcosystem ecosystem)
        : scheme_(&native_scheme_for(ecosystem)), id_(key_id(ecosystem)) {}

    // Appends the whole key of `text` to `out`; false when the ecosystem rejects it,
    // leaving `out` in an unspecified state.
    bool append(std::string_view text, KeyBuffer& out) const {
        unsigned char* header = out.room_for(2);
        header[0] = KEY_FORMAT;
        header[1] = id_;
        out.end_at(header + 2);
        return scheme_->append_key(text, out);
    }

private:
    const NativeScheme* scheme_;
    unsigned char id_;
};

class KeyBatch {
public:
    // The most bytes that 32-bit offsets may reach in an Arrow binary column.
    static constexpr std::size_t NARROW_LIMIT = std::numeric_limits<std::int32_t>::max();

    explicit KeyBatch(NativeEcosystem ecosystem);

    // Room for `versions` more slots of short keys.
    void reserve(std::size_t versions);

    // Adds the key of `text` in the next slot; false when the ecosystem rejects it,
    // and the slot then holds no key (is_null). Inline, as the loop of every
    // collection call runs through it.
    bool add(std::string_view text) {
        // The key is written where it stays.
        const std::size_t before = arena_.size();
        if (!maker_.append(text, arena_)) return reject(before);
        if (validity_.empty() && narrow_.size() < narrow_.capacity() && arena_.size() <= NARROW_LIMIT) {
            // Every slot so far holds a key, in 32-bit reach, with room reserved.
            narrow_.push_back(static_cast<std::int32_t>(arena_.size()));
            ++size_;
        } else {
            close_slot(true);
        }
        return true;
    }
    // Leaves the next slot without a key.
    void add_null();

    NativeEcosystem ecosystem() const { return ecosystem_; }
    std::size_t size() const { return size_; }
    std::size_t null_count() const { return null_count_; }
    bool is_null(std::size_t i) const {
        return !validity_.empty() && ((validity_[i >> 3] >> (i & 7)) & 1) == 0;
    }
    std::span<const unsigned char> key(std::size_t i) const {
        const std::size_t begin = offset(i);
        return {arena_.data() + begin, offset(i + 1) - begin};
    }

    // The Arrow buffers. The offsets are 64-bit exactly when wide_offsets().
    std::span<const unsigned char> arena() const { return {arena_.data(), arena_.size()}; }
    bool wide_offsets() const { return !wide_.empty(); }
    const void* offsets() const {
        return wide_offsets() ? static_cast<const void*>(wide_.data()) : static_cast<const void*>(narrow_.data());
    }
    // Null while every slot holds a key.
    const std::uint8_t* validity() const { return validity_.empty() ? nullptr : validity_.data(); }

    // Slots in ascending key order, equal keys in the order they were added. Every
    // slot must hold a key.
    std::vector<std::size_t> sorted_order() const;
    // The last of the greatest keys and the first of the least: what a stable
    // ascending sort puts last and first. The batch must hold a key in every slot
    // and at least one slot.
    std::size_t index_of_greatest() const;
    std::size_t index_of_least() const;

private:
    std::size_t offset(std::size_t i) const {
        return wide_offsets() ? static_cast<std::size_t>(wide_[i]) : static_cast<std::size_t>(narrow_[i]);
    }
    bool reject(std::size_t arena_size);
    void close_slot(bool valid);
    void widen_offsets();

    NativeEcosystem ecosystem_;
    KeyMaker maker_;
    std::size_t size_ = 0;
    std::size_t null_count_ = 0;
    KeyBuffer arena_;
    std::vector<std::int32_t> narrow_;
    std::vector<std::int64_t> wide_;
    std::vector<std::uint8_t> validity_;
};

// The bytewise order of two keys.
Ordering compare_keys(std::span<const unsigned char> a, std::span<const unsigned char> b);

}  // namespace tambry::native
