// A vector that keeps its first N elements inside the object, so that the short
// versions that make up nearly all real input are parsed without touching the heap.
// Only trivially copyable elements are stored; growth doubles the capacity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <type_traits>

namespace tambry {

template <class T, std::size_t N>
class SmallVec {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    // User-provided so that value-initialising a holder never zero-fills the
    // inline buffer, which only ever holds what was appended.
    SmallVec() {}
    SmallVec(const SmallVec& other) { append(other.data_, other.size_); }
    SmallVec(SmallVec&& other) noexcept { take(other); }
    SmallVec& operator=(const SmallVec& other) {
        if (this != &other) {
            size_ = 0;
            append(other.data_, other.size_);
        }
        return *this;
    }
    SmallVec& operator=(SmallVec&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~SmallVec() { release(); }

    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

    void push_back(const T& value) {
        if (size_ == capacity_) grow(size_ + 1);
        data_[size_++] = value;
    }
    void append(const T* values, std::size_t count) {
        if (count) std::memcpy(append_uninitialized(count), values, count * sizeof(T));
    }
    // Makes room for `count` more elements and returns where they go; the caller
    // must write every one of them.
    T* append_uninitialized(std::size_t count) {
        if (count > capacity_ - size_) grow(size_ + count);
        T* slot = data_ + size_;
        size_ += count;
        return slot;
    }
    // Makes room for `count` more elements and returns where they would go, for a
    // writer that keeps its own cursor (a store through it cannot make the compiler
    // reload this vector's members, as every store through a T& may) and then says
    // where it stopped with end_at.
    T* room_for(std::size_t count) {
        if (count > capacity_ - size_) grow(size_ + count);
        return data_ + size_;
    }
    // Ends the vector at `end`, a place within the room last made by room_for.
    void end_at(T* end) { size_ = static_cast<std::size_t>(end - data_); }
    void reserve(std::size_t wanted) {
        if (wanted > capacity_) grow(wanted);
    }
    void clear() { size_ = 0; }

private:
    bool on_heap() const { return data_ != inline_; }

    void take(SmallVec& other) {
        if (other.on_heap()) {
            data_ = other.data_;
            capacity_ = other.capacity_;
            other.data_ = other.inline_;
            other.capacity_ = N;
        } else if (other.size_) {
            std::memcpy(inline_, other.inline_, other.size_ * sizeof(T));
        }
        size_ = other.size_;
        other.size_ = 0;
    }

    void release() {
        if (on_heap()) std::free(data_);
        data_ = inline_;
        capacity_ = N;
        size_ = 0;
    }

    // Kept out of line and out of the hot paths: inlined into every caller that
    // appends, it made their loops larger and measurably slower.
    [[gnu::noinline, gnu::cold]] void grow(std::size_t wanted) {
        std::size_t capacity = capacity_ * 2;
        if (capacity < wanted) capacity = wanted;
        T* fresh = static_cast<T*>(std::malloc(capacity * sizeof(T)));
        if (!fresh) throw std::bad_alloc();
        if (size_) std::memcpy(fresh, data_, size_ * sizeof(T));
        if (on_heap()) std::free(data_);
        data_ = fresh;
        capacity_ = capacity;
    }

    T* data_ = inline_;
    std::size_t size_ = 0;
    std::size_t capacity_ = N;
    T inline_[N];
};

// An owned byte string with room for short texts inside the object.
class OwnedText {
public:
    OwnedText() = default;
    explicit OwnedText(std::string_view text) { bytes_.append(text.data(), text.size()); }
    std::string_view view() const { return {bytes_.data(), bytes_.size()}; }

private:
    SmallVec<char, 24> bytes_;
};

}  // namespace tambry
