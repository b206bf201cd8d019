#include "packed_version.hpp"

namespace tambry {
namespace {

constexpr unsigned char WORD_TAG = 0xFF;

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

std::size_t packed_size(const GenericView& parsed) {
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

void pack_segments(const GenericView& parsed, unsigned char* out) {
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

UnpackedSegments::UnpackedSegments(const unsigned char* stream, std::size_t size)
    : base_(reinterpret_cast<const char*>(stream)) {
    const unsigned char* p = stream;
    const unsigned char* end = stream + size;
    bool first = true;
    while (p < end) {
        const unsigned char tag = *p++;
        if (tag == WORD_TAG) {
            std::uint64_t length = 0;
            for (unsigned shift = 0;; shift += 7) {
                const unsigned char byte = *p++;
                length |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
                if (!(byte & 0x80)) break;
            }
            segs_.push_back(Seg::text(static_cast<std::uint64_t>(p - stream), length));
            p += length;
            continue;
        }
        std::uint64_t value = 0;
        for (unsigned i = 0; i < tag; ++i) value |= static_cast<std::uint64_t>(*p++) << (8 * i);
        if (first) {
            epoch_ = value;
        } else {
            segs_.push_back(Seg::number(value));
        }
        first = false;
    }
}

}  // namespace tambry
