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

void KeyBatch::reserve(std::size_t versions) {
    ends_.reserve(versions);
    null_.reserve(versions);
    arena_.reserve(versions * 12);
}

bool KeyBatch::add(std::string_view text) {
    scratch_.clear();
    if (!native_key(ecosystem_, text, scratch_)) {
        add_null();
        return false;
    }
    arena_.insert(arena_.end(), scratch_.begin(), scratch_.end());
    ends_.push_back(arena_.size());
    null_.push_back(false);
    return true;
}

void KeyBatch::add_null() {
    ends_.push_back(arena_.size());
    null_.push_back(true);
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
