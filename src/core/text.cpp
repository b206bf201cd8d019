#include "text.hpp"

namespace tambry {
namespace {

using U8 = unsigned char;

// Length of the white-space character that starts at `p` (with `n` bytes left), or 0.
std::size_t white_space_at_start(const U8* p, std::size_t n) {
    const U8 c = p[0];
    if ((c >= 0x09 && c <= 0x0D) || c == 0x20) return 1;
    if (c == 0xC2 && n >= 2) return (p[1] == 0x85 || p[1] == 0xA0) ? 2 : 0;
    if (n < 3) return 0;
    if (c == 0xE1) return (p[1] == 0x9A && p[2] == 0x80) ? 3 : 0;
    if (c == 0xE3) return (p[1] == 0x80 && p[2] == 0x80) ? 3 : 0;
    if (c != 0xE2) return 0;
    if (p[1] == 0x80) {
        const U8 last = p[2];
        return ((last >= 0x80 && last <= 0x8A) || last == 0xA8 || last == 0xA9 || last == 0xAF) ? 3 : 0;
    }
    return (p[1] == 0x81 && p[2] == 0x9F) ? 3 : 0;
}

// Length of the white-space character that ends just before `end` (with `n` bytes
// available before it), or 0.
std::size_t white_space_at_end(const U8* end, std::size_t n) {
    const U8 c = end[-1];
    if ((c >= 0x09 && c <= 0x0D) || c == 0x20) return 1;
    if (n >= 2 && end[-2] == 0xC2 && (c == 0x85 || c == 0xA0)) return 2;
    if (n >= 3 && white_space_at_start(end - 3, 3) == 3) return 3;
    return 0;
}

}  // namespace

std::string_view trim_white_space_slow(std::string_view text) {
    const U8* begin = reinterpret_cast<const U8*>(text.data());
    const U8* end = begin + text.size();
    while (begin < end) {
        const std::size_t n = white_space_at_start(begin, static_cast<std::size_t>(end - begin));
        if (n == 0) break;
        begin += n;
    }
    while (begin < end) {
        const std::size_t n = white_space_at_end(end, static_cast<std::size_t>(end - begin));
        if (n == 0) break;
        end -= n;
    }
    return {reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin)};
}

std::string quoted_message(std::string_view head, std::string_view subject) {
    std::string message;
    message.reserve(head.size() + subject.size() + 2);
    message.append(head);
    message.push_back('\'');
    message.append(subject);
    message.push_back('\'');
    return message;
}

}  // namespace tambry
