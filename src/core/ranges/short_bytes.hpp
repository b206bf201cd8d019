// The bytes of a cut's key or text. Nearly all are short, and a range is built by
// making, moving and dropping cuts, so these keep up to INLINE bytes inside the
// object: a short one never touches the heap, and moving one copies a fixed
// block, with no call and no branch on its length.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

namespace tambry::ranges {

class ShortBytes {
public:
    static constexpr std::size_t INLINE = 24;

    ShortBytes() = default;
    explicit ShortBytes(std::string_view bytes) { assign(bytes); }
    ShortBytes(const ShortBytes& other) { assign(other.view()); }
    ShortBytes(ShortBytes&& other) noexcept { take(other); }
    ShortBytes& operator=(const ShortBytes& other) {
        if (this != &other) assign(other.view());
        return *this;
    }
    ShortBytes& operator=(ShortBytes&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~ShortBytes() { release(); }

    const char* data() const { return heap_ ? heap_ : inline_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    char back() const { return data()[size_ - 1]; }
    std::string_view view() const { return {data(), size_}; }
    operator std::string_view() const { return view(); }
    bool starts_with(std::string_view prefix) const { return view().starts_with(prefix); }
    int compare(std::string_view other) const { return view().compare(other); }

    void assign(std::string_view bytes) {
        char* to = room(bytes.size());
        if (!bytes.empty()) std::memcpy(to, bytes.data(), bytes.size());
        size_ = bytes.size();
    }
    void push_back(char c) {
        const std::size_t size = size_;
        if (size == capacity()) {
            // A rare long one: make room and bring the bytes along.
            char* grown = static_cast<char*>(std::malloc(size * 2));
            if (!grown) throw std::bad_alloc();
            std::memcpy(grown, data(), size);
            release();
            heap_ = grown;
            capacity_ = size * 2;
        }
        (heap_ ? heap_ : inline_)[size] = c;
        size_ = size + 1;
    }

    friend bool operator==(const ShortBytes& a, const ShortBytes& b) { return a.view() == b.view(); }
    friend std::strong_ordering operator<=>(const ShortBytes& a, const ShortBytes& b) { return a.view() <=> b.view(); }

private:
    std::size_t capacity() const { return heap_ ? capacity_ : INLINE; }

    // Room for `size` bytes, the old ones not kept.
    char* room(std::size_t size) {
        if (size <= capacity()) return heap_ ? heap_ : inline_;
        char* fresh = static_cast<char*>(std::malloc(size));
        if (!fresh) throw std::bad_alloc();
        release();
        heap_ = fresh;
        capacity_ = size;
        return fresh;
    }

    // The whole object is copied, the inline block included, whatever part of it
    // is in use: a fixed size that compiles to a few moves.
    void take(ShortBytes& other) {
        heap_ = other.heap_;
        size_ = other.size_;
        capacity_ = other.capacity_;
        std::memcpy(inline_, other.inline_, INLINE);
        other.heap_ = nullptr;
        other.size_ = 0;
    }

    void release() {
        if (heap_) std::free(heap_);
        heap_ = nullptr;
        size_ = 0;
    }

    char* heap_ = nullptr;  // null while the bytes are inline
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;  // of the heap block
    char inline_[INLINE] = {};
};

}  // namespace tambry::ranges
