#include "packed_version.hpp"

#include <bit>
#include <cstring>

#include "generic_parser.hpp"
#include "sort_prefix.hpp"
#include "text.hpp"

namespace tambry {
namespace {

using namespace packed_tags;

std::size_t number_width(std::uint64_t value) { return static_cast<std::size_t>(std::bit_width(value) + 7) / 8; }

std::size_t varint_size(std::uint64_t value) {
    std::size_t size = 1;
    while (value >= 0x80) {
        ++size;
        value >>= 7;
    }
    return size;
}

std::size_t number_size(std::uint64_t value) {
    return value <= LARGEST_SMALL_NUMBER ? 1 : 1 + number_width(value);
}

std::size_t word_size(std::string_view word) {
    if (word.size() == 1 && (word[0] == '~' || word[0] == '^')) return 1;
    if (word.size() <= LONGEST_SHORT_WORD) return 1 + word.size();
    return 1 + varint_size(word.size()) + word.size();
}

// Where pack_generic_text puts its bytes: into a buffer, or only counted.
class StreamWriter {
public:
    explicit StreamWriter(unsigned char* out) : out_(out), start_(out) {}

    void number(std::uint64_t value) {
        if (value <= LARGEST_SMALL_NUMBER) {
            *out_++ = static_cast<unsigned char>(value == 0 ? 0 : value + WIDEST_NUMBER);
            return;
        }
        const std::size_t width = number_width(value);
        *out_++ = static_cast<unsigned char>(width);
        for (std::size_t i = 0; i < width; ++i) *out_++ = static_cast<unsigned char>(value >> (8 * i));
    }

    void word(std::string_view word) {
        if (word.size() == 1 && (word[0] == '~' || word[0] == '^')) {
            *out_++ = word[0] == '~' ? TILDE : CARET;
            return;
        }
        if (word.size() <= LONGEST_SHORT_WORD) {
            *out_++ = static_cast<unsigned char>(FIRST_SHORT_WORD + word.size() - 1);
        } else {
            *out_++ = LONG_WORD;
            for (std::uint64_t length = word.size(); ; length >>= 7) {
                if (length < 0x80) {
                    *out_++ = static_cast<unsigned char>(length);
                    break;
                }
                *out_++ = static_cast<unsigned char>(length | 0x80);
            }
        }
        for (char c : word) *out_++ = static_cast<unsigned char>(to_lower(c));
    }

    std::size_t size() const { return static_cast<std::size_t>(out_ - start_); }

private:
    unsigned char* out_;
    unsigned char* start_;
};

class StreamCounter {
public:
    void number(std::uint64_t value) { size_ += number_size(value); }
    void word(std::string_view word) { size_ += word_size(word); }
    std::size_t size() const { return size_; }

private:
    std::size_t size_ = 0;
};

// The generic parser's steps, with each segment handed to the sink as it is read.
template <class Sink>
PackedText pack_text(std::string_view input, Sink& sink) {
    std::uint64_t epoch;
    TextCursor cursor(strip_generic_prefix(input, epoch));
    sink.number(epoch);
    bool pre = false, post = false;
    SegmentToken token;
    while (cursor.next(token)) {
        if (token.is_num) {
            sink.number(token.num);
            continue;
        }
        if (const auto weight = folded_tag_weight(token.word)) {
            if (*weight < END_OF_VERSION_WEIGHT) pre = true;
            if (*weight > END_OF_VERSION_WEIGHT) post = true;
        }
        sink.word(token.word);
    }
    return {sink.size(), pre, post};
}

}  // namespace

PackedText pack_generic_text(std::string_view input, unsigned char* out) {
    StreamWriter writer(out);
    return pack_text(input, writer);
}

PackedText measure_generic_text(std::string_view input) {
    StreamCounter counter;
    return pack_text(input, counter);
}

PackedCursor::PackedCursor(const unsigned char* stream, std::size_t size) : p_(stream), end_(stream + size) {
    SegmentToken epoch;
    next(epoch);
    epoch_ = epoch.num;
}

std::uint64_t generic_sort_prefix(const unsigned char* stream, std::size_t size) {
    PackedCursor cursor(stream, size);
    SortPrefixBits<1> prefix;
    if (prefix.number(cursor.epoch())) {
        SegmentToken token;
        while (cursor.next(token) && token.is_num && prefix.number(token.num)) {
        }
    }
    return prefix.words()[0];
}

Ordering cmp_packed(const unsigned char* a, std::size_t a_size, const unsigned char* b, std::size_t b_size) {
    // Each version has one encoding: identical streams are equal without a walk.
    if (a_size == b_size && std::memcmp(a, b, a_size) == 0) return Ordering::Equal;
    PackedCursor left(a, a_size), right(b, b_size);
    if (left.epoch() != right.epoch()) return order_of(left.epoch(), right.epoch());
    return cmp_segment_streams(left, right);
}

}  // namespace tambry
