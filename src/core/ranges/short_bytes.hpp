// The bytes of a cut's key or text. Nearly all are short, and a range is built by
// making, moving and dropping cuts, so these keep up to INLINE bytes inside the
// object: a short one never touches the heap, and moving one copies a fixed
// block, with no call and no branch on its length. The bytes are on the heap
// exactly when there are more than INLINE of them, so the size alone says where
// they are, and the object is four words.
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

    const char* data() const { return on_heap() ? heap_.bytes : inline_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    char back() const { return data()[size_ - 1]; }
    std::string_view view() const { return {data(), size_}; }
    operator std::string_view() const { return view(); }
    bool starts_with(std::string_view prefix) const { return view().starts_with(prefix); }
    int compare(std::string_view other) const { return view().compare(other); }

    // `bytes` may be a part of these very bytes.
    void assign(std::string_view bytes) {
        const std::size_t size = bytes.size();
        if (size <= INLINE) {
            char* old = on_heap() ? heap_.bytes : nullptr;
            if (size != 0) std::memmove(inline_, bytes.data(), size);
            std::free(old);
        } else if (on_heap() && size <= heap_.capacity) {
            std::memmove(heap_.bytes, bytes.data(), size);
        } else {
            // Longer than any room held, so not a part of it.
            char* fresh = static_cast<char*>(std::malloc(size));
            if (!fresh) throw std::bad_alloc();
            std::memcpy(fresh, bytes.data(), size);
            release();
            heap_ = {fresh, size};
        }
        size_ = size;
    }
    void push_back(char c) {
        const std::size_t size = size_;
        if (size < INLINE) {
            inline_[size] = c;
        } else if (size == INLINE || size == heap_.capacity) {
            // Out of room: onto the heap, or a larger block there.
            char* grown = static_cast<char*>(std::malloc(size * 2));
            if (!grown) throw std::bad_alloc();
            std::memcpy(grown, data(), size);
            release();
            heap_ = {grown, size * 2};
            grown[size] = c;
        } else {
            heap_.bytes[size] = c;
        }
        size_ = size + 1;
    }

    friend bool operator==(const ShortBytes& a, const ShortBytes& b) { return a.view() == b.view(); }
    friend std::strong_ordering operator<=>(const ShortBytes& a, const ShortBytes& b) { return a.view() <=> b.view(); }

private:
    bool on_heap() const { return size_ > INLINE; }

    // The whole object is copied, the inline block included, whatever part of it
    // is in use: a fixed size that compiles to a few moves.
    void take(ShortBytes& other) {
        std::memcpy(static_cast<void*>(this), static_cast<const void*>(&other), sizeof(ShortBytes));
        other.size_ = 0;
    }

    void release() {
        if (on_heap()) std::free(heap_.bytes);
        size_ = 0;
    }

    struct Heap {
        char* bytes;
        std::size_t capacity;  // at least size_
    };
    union {
        char inline_[INLINE] = {};
        Heap heap_;
    };
    std::size_t size_ = 0;
};

}  // namespace tambry::ranges
