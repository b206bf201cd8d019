// The cuts of an interval set, in order. Nearly every range has one or two cuts
// (">=1.0", ">=1.0,<2.0", "==1.2.*"), so those stay inside the object and a range
// is made without a heap block of its own; a longer list moves to the heap.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "ranges/cut.hpp"

namespace tambry::ranges {

class CutList {
public:
    static constexpr std::size_t INLINE = 2;

    CutList() = default;
    CutList(const CutList& other) {
        reserve(other.size_);
        for (const Cut& cut : other) push_back(cut);
    }
    CutList(CutList&& other) noexcept { take(other); }
    CutList& operator=(const CutList& other) {
        if (this != &other) {
            CutList copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    CutList& operator=(CutList&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~CutList() { release(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Cut* data() { return heap_ ? heap_ : inline_cuts(); }
    const Cut* data() const { return heap_ ? heap_ : inline_cuts(); }
    Cut& operator[](std::size_t i) { return data()[i]; }
    const Cut& operator[](std::size_t i) const { return data()[i]; }
    Cut* begin() { return data(); }
    Cut* end() { return data() + size_; }
    const Cut* begin() const { return data(); }
    const Cut* end() const { return data() + size_; }

    void reserve(std::size_t wanted) {
        if (wanted > capacity_) grow(wanted);
    }
    void push_back(const Cut& cut) {
        if (size_ == capacity_) {
            // `cut` may be one of these cuts: copy it before they move.
            Cut copy(cut);
            grow(size_ * 2);
            new (data() + size_) Cut(std::move(copy));
        } else {
            new (data() + size_) Cut(cut);
        }
        ++size_;
    }
    void push_back(Cut&& cut) {
        if (size_ == capacity_) {
            Cut moved(std::move(cut));
            grow(size_ * 2);
            new (data() + size_) Cut(std::move(moved));
        } else {
            new (data() + size_) Cut(std::move(cut));
        }
        ++size_;
    }
    // Keeps the first `count` cuts.
    void truncate(std::size_t count) {
        Cut* cuts = data();
        for (std::size_t i = count; i < size_; ++i) cuts[i].~Cut();
        if (count < size_) size_ = count;
    }

private:
    Cut* inline_cuts() { return reinterpret_cast<Cut*>(inline_); }
    const Cut* inline_cuts() const { return reinterpret_cast<const Cut*>(inline_); }

    void grow(std::size_t wanted) {
        if (wanted < INLINE) wanted = INLINE;
        Cut* fresh = static_cast<Cut*>(std::malloc(wanted * sizeof(Cut)));
        if (!fresh) throw std::bad_alloc();
        Cut* old = data();
        for (std::size_t i = 0; i < size_; ++i) {
            new (fresh + i) Cut(std::move(old[i]));
            old[i].~Cut();
        }
        if (heap_) std::free(heap_);
        heap_ = fresh;
        capacity_ = wanted;
    }

    // A heap list is taken whole, inline cuts as one block of bytes: a Cut holds
    // no pointer into itself (ShortBytes finds its bytes by its size), so its bytes
    // are the cut wherever they lie, and the emptied list destroys none of them.
    void take(CutList& other) {
        heap_ = other.heap_;
        size_ = other.size_;
        capacity_ = other.capacity_;
        if (!heap_) std::memcpy(inline_, other.inline_, sizeof inline_);
        other.heap_ = nullptr;
        other.size_ = 0;
        other.capacity_ = INLINE;
    }

    void release() {
        truncate(0);
        if (heap_) std::free(heap_);
        heap_ = nullptr;
        capacity_ = INLINE;
    }

    Cut* heap_ = nullptr;  // null while the cuts are inline
    std::size_t size_ = 0;
    std::size_t capacity_ = INLINE;
    alignas(Cut) unsigned char inline_[INLINE * sizeof(Cut)];
};

}  // namespace tambry::ranges
