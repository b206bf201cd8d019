#include "native/key_batch.hpp"

#include <algorithm>
#include <cstring>

namespace tambry::native {
namespace {

// Every key of a batch starts with the same two header bytes; a sort entry carries
// the eight bytes after them, big-endian, so that most comparisons are one integer
// comparison that never leaves the entry array.
constexpr std::size_t HEADER = 2;

struct SortEntry {
    std::uint64_t prefix;
    std::size_t begin;
    std::size_t size;
    std::size_t slot;
};

std::uint64_t prefix_of(std::span<const unsigned char> key) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t at = HEADER + i;
        prefix = (prefix << 8) | (at < key.size() ? key[at] : 0);
    }
    return prefix;
}

}  // namespace

Ordering compare_keys(std::span<const unsigned char> a, std::span<const unsigned char> b) {
    const std::size_t common = std::min(a.size(), b.size());
    const int c = common ? std::memcmp(a.data(), b.data(), common) : 0;
    if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    return order_of(a.size(), b.size());
}

KeyBatch::KeyBatch(NativeEcosystem ecosystem) : ecosystem_(ecosystem), maker_(ecosystem) {
    narrow_.push_back(0);
}

void KeyBatch::reserve(std::size_t versions) {
    // A key is about as long as its text, plus its header and a byte or two; real
    // versions are mostly under twenty bytes long. Room past what the keys take
    // costs little: a large arena is mapped, and pages never written are never
    // given memory, while growing it midway would copy every key made so far.
    arena_.reserve(arena_.size() + versions * 24);
    if (wide_offsets()) {
        wide_.reserve(wide_.size() + versions);
    } else {
        narrow_.reserve(narrow_.size() + versions);
    }
}

bool KeyBatch::reject(std::size_t arena_size) {
    // Drops what the rejected text left: a cleared buffer keeps its storage, so
    // growing it back to `arena_size` keeps the keys already there.
    arena_.clear();
    arena_.append_uninitialized(arena_size);
    add_null();
    return false;
}

void KeyBatch::add_null() {
    if (validity_.empty()) {
        // The first slot without a key: every slot before it holds one.
        validity_.assign((size_ + 8) / 8, 0xFF);
    }
    ++null_count_;
    close_slot(false);
}

void KeyBatch::close_slot(bool valid) {
    if (!validity_.empty()) {
        if (size_ / 8 >= validity_.size()) validity_.push_back(0);
        const auto bit = static_cast<std::uint8_t>(1u << (size_ % 8));
        if (valid) {
            validity_[size_ / 8] |= bit;
        } else {
            validity_[size_ / 8] &= static_cast<std::uint8_t>(~bit);
        }
    }
    if (!wide_offsets() && arena_.size() > NARROW_LIMIT) widen_offsets();
    if (wide_offsets()) {
        wide_.push_back(static_cast<std::int64_t>(arena_.size()));
    } else {
        narrow_.push_back(static_cast<std::int32_t>(arena_.size()));
    }
    ++size_;
}

void KeyBatch::widen_offsets() {
    wide_.reserve(narrow_.capacity() + 1);
    wide_.assign(narrow_.begin(), narrow_.end());
    narrow_ = {};
}

std::vector<std::size_t> KeyBatch::sorted_order() const {
    std::vector<SortEntry> entries(size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto k = key(i);
        entries[i] = {prefix_of(k), static_cast<std::size_t>(k.data() - arena_.data()), k.size(), i};
    }
    const unsigned char* base = arena_.data();
    std::stable_sort(entries.begin(), entries.end(), [base](const SortEntry& a, const SortEntry& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        return compare_keys({base + a.begin, a.size}, {base + b.begin, b.size}) == Ordering::Less;
    });
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].slot;
    return order;
}

std::size_t KeyBatch::index_of_greatest() const {
    std::size_t chosen = 0;
    for (std::size_t i = 1; i < size(); ++i) {
        if (compare_keys(key(chosen), key(i)) != Ordering::Greater) chosen = i;
    }
    return chosen;
}

std::size_t KeyBatch::index_of_least() const {
    std::size_t chosen = 0;
    for (std::size_t i = 1; i < size(); ++i) {
        if (compare_keys(key(chosen), key(i)) == Ordering::Greater) chosen = i;
    }
    return chosen;
}

}  // namespace tambry::native
