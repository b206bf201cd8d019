// Why a range could not be read. Every message names what was being read and
// quotes it, and says what went wrong where:
//
//     invalid npm range '>=1.2 <': expected a version at position 7
//     invalid vers 'vers:deb/>=1.0|>=2.0': '>=2.0' cannot follow '>=1.0' at position 15
//
// Positions count characters from 0, as a str index does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "result.hpp"

namespace tambry::ranges {

struct RangeError {
    enum class Kind : std::uint8_t {
        Malformed,       // the text breaks the range syntax
        InvalidVersion,  // a version in it is one the ecosystem rejects
        Unsupported,     // a syntax or form tambry does not read (yet)
    };
    Kind kind = Kind::Malformed;
    std::string message;
    std::string version;    // for InvalidVersion: the rejected version
    std::string ecosystem;  // and the name of the ecosystem that rejects it
};

template <class T>
using RangeResult = Result<T, RangeError>;

// The character index of a byte offset into UTF-8 text.
std::size_t char_position(std::string_view text, std::size_t byte_offset);

// "<head> '<text>': <what> at position <n>"
RangeError malformed_at(std::string_view head, std::string_view text, std::size_t byte_offset,
                        std::string_view what);
// "<head> '<text>': invalid <ecosystem> version '<version>' at position <n>"
RangeError invalid_version_at(std::string_view head, std::string_view text, std::size_t byte_offset,
                              std::string_view ecosystem, std::string_view version);

// A message that quotes: "'<text>'".
std::string quoted(std::string_view text);

}  // namespace tambry::ranges
