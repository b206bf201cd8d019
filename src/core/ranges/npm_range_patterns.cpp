#include "ranges/npm_range_patterns.hpp"

#include "native/semver_grammar.hpp"
#include "text.hpp"

namespace tambry::ranges::npm {
namespace {

using native::is_identifier_byte;

char at(std::string_view text, std::size_t pos) { return pos < text.size() ? text[pos] : '\0'; }

std::size_t digits_end(std::string_view text, std::size_t pos) {
    while (pos < text.size() && is_digit(text[pos])) ++pos;
    return pos;
}

std::size_t identifier_bytes_end(std::string_view text, std::size_t pos) {
    while (pos < text.size() && is_identifier_byte(text[pos])) ++pos;
    return pos;
}

// Identifiers of [0-9A-Za-z-] joined by dots, each at least one byte, taken as far
// as they go; NONE when the first is empty. A dot not followed by an identifier is
// left to what comes next.
std::size_t identifiers_end(std::string_view text, std::size_t pos) {
    std::size_t end = identifier_bytes_end(text, pos);
    if (end == pos) return NONE;
    while (at(text, end) == '.') {
        const std::size_t next = identifier_bytes_end(text, end + 1);
        if (next == end + 1) break;
        end = next;
    }
    return end;
}

// One part of a loose x-range: digits, or "x", "X", "*".
std::size_t loose_part_end(std::string_view text, std::size_t pos) {
    const char c = at(text, pos);
    if (c == 'x' || c == 'X' || c == '*') return pos + 1;
    const std::size_t end = digits_end(text, pos);
    return end == pos ? NONE : end;
}

// One part of a strict x-range: "0" alone, digits without a leading zero, "x",
// "X", "*".
std::size_t strict_part_end(std::string_view text, std::size_t pos) {
    const char c = at(text, pos);
    if (c == 'x' || c == 'X' || c == '*' || c == '0') return pos + 1;
    const std::size_t end = digits_end(text, pos);
    return end == pos ? NONE : end;
}

// What follows the patch of a whole loose version or x-range: an optional
// pre-release (its "-" optional), an optional "+" and build, then the end.
bool match_suffix(std::string_view rest, std::string_view& prerelease) {
    prerelease = {};
    std::size_t pos = 0;
    if (!rest.empty() && rest[0] != '+') {
        // The "-" is taken when identifiers that reach a build or the end follow it;
        // else it is the first byte of an identifier.
        std::size_t start = 0;
        if (rest[0] == '-') {
            const std::size_t end = identifiers_end(rest, 1);
            if (end != NONE && (end == rest.size() || rest[end] == '+')) start = 1;
        }
        const std::size_t end = identifiers_end(rest, start);
        if (end == NONE) return false;
        prerelease = rest.substr(start, end - start);
        pos = end;
    }
    if (pos == rest.size()) return true;
    return rest[pos] == '+' && identifiers_end(rest, pos + 1) == rest.size();
}

// The patch and what follows it, from `start` to the end of `text`. A patch of
// digits may give back its last digit to start the pre-release ("1.2.34.5" is
// 1.2.3-4.5); giving back more would leave the same identifiers to read.
bool match_patch_and_suffix(std::string_view text, std::size_t start, std::size_t end, std::string_view& patch,
                            std::string_view& prerelease) {
    if (match_suffix(text.substr(end), prerelease)) {
        patch = text.substr(start, end - start);
        return true;
    }
    if (!is_digit(text[start]) || end - start < 2) return false;
    if (!match_suffix(text.substr(end - 1), prerelease)) return false;
    patch = text.substr(start, end - 1 - start);
    return true;
}

// An unanchored loose pre-release identifier: digits alone when it starts with
// one, else a letter or "-" and what follows of [0-9A-Za-z-].
std::size_t loose_identifier_end(std::string_view text, std::size_t pos) {
    const char c = at(text, pos);
    if (is_digit(c)) return digits_end(text, pos);
    if (is_letter(c) || c == '-') return identifier_bytes_end(text, pos + 1);
    return NONE;
}

// An unanchored strict pre-release identifier: "0" alone, digits without a leading
// zero, or a letter or "-" and what follows.
std::size_t strict_identifier_end(std::string_view text, std::size_t pos) {
    const char c = at(text, pos);
    if (c == '0') return pos + 1;
    if (is_digit(c)) return digits_end(text, pos);
    if (is_letter(c) || c == '-') return identifier_bytes_end(text, pos + 1);
    return NONE;
}

template <std::size_t (*Identifier)(std::string_view, std::size_t)>
std::size_t identifier_list_end(std::string_view text, std::size_t end) {
    while (at(text, end) == '.') {
        const std::size_t next = Identifier(text, end + 1);
        if (next == NONE) break;
        end = next;
    }
    return end;
}

std::size_t build_end(std::string_view text, std::size_t pos) {
    if (at(text, pos) != '+') return pos;
    const std::size_t end = identifiers_end(text, pos + 1);
    return end == NONE ? pos : end;
}

// The longest loose version that starts at `pos`, unanchored; NONE without three
// numbers there.
std::size_t loose_version_end(std::string_view text, std::size_t pos) {
    std::size_t end = pos;
    for (int part = 0; part < 3; ++part) {
        if (part > 0) {
            if (at(text, end) != '.') return NONE;
            ++end;
        }
        const std::size_t next = digits_end(text, end);
        if (next == end) return NONE;
        end = next;
    }
    std::size_t identifier = NONE;
    if (at(text, end) == '-') identifier = loose_identifier_end(text, end + 1);
    if (identifier == NONE) identifier = loose_identifier_end(text, end);
    if (identifier != NONE) end = identifier_list_end<loose_identifier_end>(text, identifier);
    return build_end(text, end);
}

// The longest strict x-range that starts at `pos`, unanchored.
std::size_t strict_xrange_end(std::string_view text, std::size_t pos) {
    std::size_t end = strict_part_end(text, pos);
    if (end == NONE) return NONE;
    if (at(text, end) != '.') return end;
    const std::size_t minor = strict_part_end(text, end + 1);
    if (minor == NONE) return end;
    end = minor;
    if (at(text, end) != '.') return end;
    const std::size_t patch = strict_part_end(text, end + 1);
    if (patch == NONE) return end;
    end = patch;
    if (at(text, end) == '-') {
        const std::size_t identifier = strict_identifier_end(text, end + 1);
        if (identifier != NONE) end = identifier_list_end<strict_identifier_end>(text, identifier);
    }
    return build_end(text, end);
}

// The UTF-16 units' worth of bytes of the character at `pos` when it is one unit,
// else 0 (a character outside the Basic Multilingual Plane is two).
std::size_t one_unit_length(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xF0) return 0;
    if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    return pos + length <= text.size() ? length : 0;
}

}  // namespace

bool is_wildcard(std::string_view part) { return part.empty() || part == "x" || part == "X" || part == "*"; }

std::size_t prefix_end(std::string_view text, std::size_t pos) {
    while (pos < text.size() && (text[pos] == 'v' || text[pos] == '=' || text[pos] == ' ')) ++pos;
    return pos;
}

bool match_xrange(std::string_view text, XRange& out) {
    out = XRange{};
    std::size_t start = prefix_end(text, 0);
    std::size_t end = loose_part_end(text, start);
    if (end == NONE) return false;
    out.major = text.substr(start, end - start);
    if (end == text.size()) return true;
    if (text[end] != '.') return false;
    start = end + 1;
    end = loose_part_end(text, start);
    if (end == NONE) return false;
    out.minor = text.substr(start, end - start);
    if (end == text.size()) return true;
    if (text[end] != '.') return false;
    start = end + 1;
    end = loose_part_end(text, start);
    if (end == NONE) return false;
    return match_patch_and_suffix(text, start, end, out.patch, out.prerelease);
}

std::size_t operator_end(std::string_view text, std::size_t pos) {
    if (at(text, pos) == '<' || at(text, pos) == '>') ++pos;
    if (at(text, pos) == '=') ++pos;
    return pos;
}

bool match_loose_version(std::string_view text) {
    std::size_t end = prefix_end(text, 0);
    for (int part = 0; part < 2; ++part) {
        const std::size_t next = digits_end(text, end);
        if (next == end || at(text, next) != '.') return false;
        end = next + 1;
    }
    const std::size_t patch_end = digits_end(text, end);
    if (patch_end == end) return false;
    std::string_view patch;
    std::string_view prerelease;
    return match_patch_and_suffix(text, end, patch_end, patch, prerelease);
}

std::size_t version_or_xrange_end(std::string_view text, std::size_t pos, std::size_t& no_version_before) {
    if (pos >= no_version_before) {
        const std::size_t end = loose_version_end(text, pos);
        if (end != NONE) return end;
        // From anywhere in the same run of digits the version fails alike.
        no_version_before = digits_end(text, pos);
    }
    return strict_xrange_end(text, pos);
}

bool is_greater_equal_zero(std::string_view token, bool with_prerelease) {
    if (!token.starts_with(">=0")) return false;
    std::size_t pos = 3;
    for (int dot = 0; dot < 2; ++dot) {
        const std::size_t unit = one_unit_length(token, pos);
        if (unit == 0 || at(token, pos + unit) != '0') return false;
        pos += unit + 1;
    }
    return token.substr(pos) == (with_prerelease ? "-0" : "");
}

Span find_star(std::string_view text) {
    const std::size_t star = text.find('*');
    if (star == std::string_view::npos) return {};
    std::size_t begin = star;
    while (begin > 0 && text[begin - 1] == ' ') --begin;
    if (begin > 0 && text[begin - 1] == '=') --begin;
    if (begin > 0 && (text[begin - 1] == '<' || text[begin - 1] == '>')) --begin;
    return {begin, star + 1};
}

}  // namespace tambry::ranges::npm
