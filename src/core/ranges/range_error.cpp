#include "ranges/range_error.hpp"

namespace tambry::ranges {

std::size_t char_position(std::string_view text, std::size_t byte_offset) {
    if (byte_offset > text.size()) byte_offset = text.size();
    std::size_t position = 0;
    for (std::size_t i = 0; i < byte_offset; ++i) {
        // Continuation bytes (10xxxxxx) belong to the character before them.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++position;
    }
    return position;
}

std::string quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('\'');
    out.append(text);
    out.push_back('\'');
    return out;
}

namespace {

std::string head_and_text(std::string_view head, std::string_view text) {
    std::string message(head);
    message.push_back(' ');
    message.append(quoted(text));
    message.append(": ");
    return message;
}

void append_position(std::string& message, std::string_view text, std::size_t byte_offset) {
    message.append(" at position ");
    message.append(std::to_string(char_position(text, byte_offset)));
}

}  // namespace

RangeError malformed_at(std::string_view head, std::string_view text, std::size_t byte_offset,
                        std::string_view what) {
    std::string message = head_and_text(head, text);
    message.append(what);
    append_position(message, text, byte_offset);
    return {RangeError::Kind::Malformed, std::move(message), {}, {}};
}

RangeError invalid_version_at(std::string_view head, std::string_view text, std::size_t byte_offset,
                              std::string_view ecosystem, std::string_view version) {
    std::string message = head_and_text(head, text);
    message.append("invalid ");
    message.append(ecosystem);
    message.append(" version ");
    message.append(quoted(version));
    append_position(message, text, byte_offset);
    return {RangeError::Kind::InvalidVersion, std::move(message), std::string(version), std::string(ecosystem)};
}

}  // namespace tambry::ranges
