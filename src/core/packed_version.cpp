#include "packed_version.hpp"

namespace tambry {
namespace {

constexpr unsigned char WORD_TAG = PackedCursor::WORD_TAG;

std::size_t number_width(std::uint64_t value) {
    std::size_t width = 0;
    while (value) {
        ++width;
        value >>= 8;
    }
    return width;
}

std::size_t varint_size(std::uint64_t value) {
    std::size_t size = 1;
    while (value >= 0x80) {
        ++size;
        value >>= 7;
    }
    return size;
}

unsigned char* put_number(unsigned char* out, std::uint64_t value) {
    const std::size_t width = number_width(value);
    *out++ = static_cast<unsigned char>(width);
    for (std::size_t i = 0; i < width; ++i) *out++ = static_cast<unsigned char>(value >> (8 * i));
    return out;
}

unsigned char* put_varint(unsigned char* out, std::uint64_t value) {
    while (value >= 0x80) {
        *out++ = static_cast<unsigned char>(value | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<unsigned char>(value);
    return out;
}

}  // namespace

PackedCursor::PackedCursor(const unsigned char* stream, std::size_t size) : p_(stream), end_(stream + size) {
    const unsigned width = *p_++;
    epoch_ = read_number(width);
}

Ordering cmp_packed(const unsigned char* a, std::size_t a_size, const unsigned char* b, std::size_t b_size) {
    PackedCursor left(a, a_size), right(b, b_size);
    if (left.epoch() != right.epoch()) return order_of(left.epoch(), right.epoch());
    return cmp_segment_streams(left, right);
}

std::size_t packed_size(const ParsedVersion& parsed) {
    std::size_t size = 1 + number_width(parsed.epoch);
    for (const Seg& seg : parsed.segments) {
        if (seg.is_num()) {
            size += 1 + number_width(seg.num());
        } else {
            size += 1 + varint_size(seg.text_length()) + seg.text_length();
        }
    }
    return size;
}

void pack_segments(const ParsedVersion& parsed, unsigned char* out) {
    out = put_number(out, parsed.epoch);
    for (const Seg& seg : parsed.segments) {
        if (seg.is_num()) {
            out = put_number(out, seg.num());
            continue;
        }
        const std::string_view word = parsed.text(seg);
        *out++ = WORD_TAG;
        out = put_varint(out, word.size());
        for (char c : word) *out++ = static_cast<unsigned char>(c);
    }
}

}  // namespace tambry
