// npm orders versions with node-semver (7.3.5 here) and reads a package's version
// loosely: semver.valid(version, {loose: true}), then semver.compare(a, b, true).
//
// Acceptance is that of valid(): at most 256 UTF-16 units in all; any run of "v",
// "=" and JavaScript white space before the numbers (so "v 1.2.3", "=1.2.3",
// " =1.2.3"), but none after; three numbers, leading zeros allowed, each at most
// 2^53 - 1; a pre-release with or without its "-" ("1.2.3beta"), of identifiers of
// [0-9A-Za-z-]; build identifiers after "+". The pattern backtracks, which this
// reader reproduces: "1.2.3-" has the pre-release "-", and "1.2.34.5" is 1.2.3-4.5.
// node-semver's constructor, and so its compare(), also trims trailing white space,
// which valid() (and npm reading package.json) refuses; later node-semver releases
// accept it in valid() as well.
//
// Order: the numbers by value, a pre-release below its release, pre-release
// identifiers one by one, numeric ones (all digits) before the others, the others
// by their bytes; build metadata takes no part. Numeric identifiers are JavaScript
// numbers, compared as doubles. Below 2^53 - 1 they are exact; from 2^53 - 1 on
// node-semver keeps the identifier as text, and when two such texts differ but
// round to the same double it stops and calls the whole versions equal, whatever
// follows. That part of npm's order is not transitive ("1.0.0-9007199254740993.1"
// < "1.0.0-9007199254740993.2", yet "1.0.0-09007199254740993.5" equals both);
// compare() answers as node-semver does, and the key orders such identifiers by
// their double and goes on with what follows.
#include "native/npm.hpp"

#include <charconv>
#include <cstdio>

#include "native/key_encoding.hpp"
#include "native/semver_family_scheme.hpp"

namespace tambry::native {
namespace {

constexpr std::size_t NONE = std::string_view::npos;
constexpr std::size_t MAX_LENGTH = 256;
constexpr std::uint64_t MAX_SAFE_INTEGER = (std::uint64_t{1} << 53) - 1;

// Length of the JavaScript white-space character (\s, which trim() also removes)
// that starts at `pos`, or 0.
std::size_t js_space_at(std::string_view text, std::size_t pos) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
    const std::size_t left = text.size() - pos;
    const unsigned char c = p[0];
    if ((c >= 0x09 && c <= 0x0D) || c == 0x20) return 1;
    if (c == 0xC2) return left >= 2 && p[1] == 0xA0 ? 2 : 0;  // U+00A0
    if (left < 3) return 0;
    switch (c) {
        case 0xE1:  // U+1680
            return p[1] == 0x9A && p[2] == 0x80 ? 3 : 0;
        case 0xE2:  // U+2000-U+200A, U+2028, U+2029, U+202F, U+205F
            if (p[1] == 0x80) {
                return ((p[2] >= 0x80 && p[2] <= 0x8A) || p[2] == 0xA8 || p[2] == 0xA9 || p[2] == 0xAF) ? 3 : 0;
            }
            return p[1] == 0x81 && p[2] == 0x9F ? 3 : 0;
        case 0xE3:  // U+3000
            return p[1] == 0x80 && p[2] == 0x80 ? 3 : 0;
        case 0xEF:  // U+FEFF
            return p[1] == 0xBB && p[2] == 0xBF ? 3 : 0;
        default:
            return 0;
    }
}

// Whether the value of a run of digits is below `limit`, which lies between 10^15
// and 10^16.
bool value_below(std::string_view digits, std::uint64_t limit) {
    digits = without_leading_zeros(digits);
    if (digits.size() < 16) return true;  // below 10^15, under either limit
    if (digits.size() > 16) return false;
    std::uint64_t value = 0;
    return read_u64(digits, value) && value < limit;
}

bool is_safe_integer(std::string_view digits) { return value_below(digits, MAX_SAFE_INTEGER + 1); }

// node-semver turns a numeric identifier into a number only below 2^53 - 1.
bool is_exact_identifier(std::string_view digits) { return value_below(digits, MAX_SAFE_INTEGER); }

// The double JavaScript's unary + gives a run of digits (at most MAX_LENGTH long).
double js_number(std::string_view digits) {
    double value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

std::size_t number_end(std::string_view text, std::size_t pos, std::string_view& out) {
    const std::size_t end = digits_end(text, pos);
    out = text.substr(pos, end - pos);
    return out.empty() ? NONE : end;
}

bool read_loose(std::string_view text, SemverParts& parts) {
    parts = SemverParts{};
    // Every byte of an accepted text is one UTF-16 unit except in the prefix, where
    // white space of two or three bytes is one unit.
    std::size_t pos = 0;
    std::size_t extra_bytes = 0;
    while (pos < text.size() && !is_digit(text[pos])) {
        if (text[pos] == 'v' || text[pos] == '=') {
            ++pos;
            continue;
        }
        const std::size_t space = js_space_at(text, pos);
        if (space == 0) break;
        pos += space;
        extra_bytes += space - 1;
    }
    if (text.size() - extra_bytes > MAX_LENGTH) return false;

    pos = number_end(text, pos, parts.major);
    if (pos == NONE || pos == text.size() || text[pos] != '.') return false;
    pos = number_end(text, pos + 1, parts.minor);
    if (pos == NONE || pos == text.size() || text[pos] != '.') return false;
    pos = number_end(text, pos + 1, parts.patch);
    if (pos == NONE) return false;

    std::size_t prerelease_start = NONE;
    if (pos < text.size()) {
        const char c = text[pos];
        if (c == '.') {
            // The pattern gives back the patch's last digit to start a pre-release.
            if (parts.patch.size() < 2) return false;
            parts.patch.remove_suffix(1);
            prerelease_start = pos - 1;
        } else if (c == '-') {
            // The "-" is optional, so one not followed by an identifier is one.
            const bool identifier_follows = pos + 1 < text.size() && is_identifier_byte(text[pos + 1]);
            prerelease_start = identifier_follows ? pos + 1 : pos;
        } else if (is_identifier_byte(c)) {
            prerelease_start = pos;
        } else if (c != '+') {
            return false;
        }
    }
    if (prerelease_start != NONE) {
        pos = identifiers_end(text, prerelease_start, true);
        if (pos == NONE) return false;
        parts.prerelease = text.substr(prerelease_start, pos - prerelease_start);
    }
    if (pos < text.size() && text[pos] == '+') {
        const std::size_t end = identifiers_end(text, pos + 1, true);
        if (end == NONE) return false;
        parts.build = text.substr(pos + 1, end - pos - 1);
        pos = end;
    }
    return pos == text.size() && is_safe_integer(parts.major) && is_safe_integer(parts.minor) &&
           is_safe_integer(parts.patch);
}

// How two numeric identifiers compare; `stop` is set when node-semver ends the
// whole comparison at them as equal.
Ordering numeric_identifier_order(std::string_view x, std::string_view y, bool& stop) {
    if (is_exact_identifier(x) && is_exact_identifier(y)) return compare_digit_runs(x, y);
    const double dx = js_number(x);
    const double dy = js_number(y);
    if (dx != dy) return dx < dy ? Ordering::Less : Ordering::Greater;
    stop = x != y;
    return Ordering::Equal;
}

Ordering npm_prerelease_order(std::string_view a, std::string_view b) {
    if (a == b) return Ordering::Equal;
    IdentifierCursor left(a);
    IdentifierCursor right(b);
    for (;;) {
        bool a_numeric = false;
        bool b_numeric = false;
        const std::string_view x = left.next(a_numeric);
        const std::string_view y = right.next(b_numeric);
        if (x != y) {
            if (a_numeric != b_numeric) return a_numeric ? Ordering::Less : Ordering::Greater;
            if (a_numeric) {
                bool stop = false;
                const Ordering o = numeric_identifier_order(x, y, stop);
                if (o != Ordering::Equal || stop) return o;
            } else {
                return x < y ? Ordering::Less : Ordering::Greater;
            }
        }
        if (left.done() || right.done()) return order_of(!left.done(), !right.done());
    }
}

Ordering npm_order(const SemverParts& a, const SemverParts& b) {
    if (Ordering o = compare_digit_runs(a.major, b.major); o != Ordering::Equal) return o;
    if (Ordering o = compare_digit_runs(a.minor, b.minor); o != Ordering::Equal) return o;
    if (Ordering o = compare_digit_runs(a.patch, b.patch); o != Ordering::Equal) return o;
    if (!a.is_prerelease() || !b.is_prerelease()) return order_of(!a.is_prerelease(), !b.is_prerelease());
    return npm_prerelease_order(a.prerelease, b.prerelease);
}

// A numeric identifier by the value node-semver compares: its double from 2^53 - 1
// on, written out as the whole number it is.
void put_numeric_identifier(KeyBuffer& out, std::string_view digits) {
    put_byte(out, KEY_NUMERIC_IDENTIFIER);
    if (is_exact_identifier(digits)) {
        put_digits(out, digits);
        return;
    }
    const double value = js_number(digits);
    if (value < 18446744073709551616.0) {
        put_u64(out, static_cast<std::uint64_t>(value));
        return;
    }
    char written[320];  // a double below 10^257 as a whole number
    const int length = std::snprintf(written, sizeof written, "%.0f", value);
    put_digits(out, std::string_view(written, static_cast<std::size_t>(length)));
}

void put_npm_key(KeyBuffer& out, const SemverParts& parts) {
    put_version_core(out, parts);
    if (!parts.is_prerelease()) {
        put_byte(out, KEY_RELEASE);
        return;
    }
    put_prerelease_identifiers_with(out, parts.prerelease, put_numeric_identifier);
}

constinit const SemverFamilyScheme<read_loose, npm_order, put_npm_key> NPM_SCHEME{};

}  // namespace

std::optional<SemverParts> parse_npm_version(std::string_view text) {
    SemverParts parts;
    if (!read_loose(text, parts)) return std::nullopt;
    return parts;
}

std::size_t js_space_length(std::string_view text, std::size_t pos) {
    return pos < text.size() ? js_space_at(text, pos) : 0;
}

const NativeScheme& npm_scheme() { return NPM_SCHEME; }

}  // namespace tambry::native
