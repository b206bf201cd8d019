#include "native/semver_grammar.hpp"

#include <array>
#include <cstring>

#include "native/key_encoding.hpp"

namespace tambry::native {
namespace {

constexpr std::size_t NONE = std::string_view::npos;

// What a byte is inside an identifier: IDENTIFIER_BYTE for every byte one may hold,
// with IDENTIFIER_DIGIT also set for a digit; 0 for any other byte.
constexpr unsigned IDENTIFIER_BYTE = 1;
constexpr unsigned IDENTIFIER_DIGIT = 2;
constexpr std::array<unsigned char, 256> IDENTIFIER_KINDS = [] {
    std::array<unsigned char, 256> kinds{};
    for (unsigned c = 0; c < 256; ++c) {
        if (is_identifier_byte(static_cast<char>(c))) kinds[c] = IDENTIFIER_BYTE;
        if (is_digit(static_cast<char>(c))) kinds[c] |= IDENTIFIER_DIGIT;
    }
    return kinds;
}();

Ordering byte_order(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    const int c = common ? std::memcmp(a.data(), b.data(), common) : 0;
    if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    return order_of(a.size(), b.size());
}

}  // namespace

std::size_t core_number_end(std::string_view text, std::size_t pos, std::string_view& out) {
    const std::size_t end = digits_end(text, pos);
    out = text.substr(pos, end - pos);
    if (out.empty() || has_leading_zero(out)) return NONE;
    return end;
}

std::size_t identifiers_end(std::string_view text, std::size_t pos, bool numeric_zeros) {
    for (;;) {
        const std::size_t start = pos;
        unsigned kinds = IDENTIFIER_DIGIT;  // what every byte so far is
        for (; pos < text.size(); ++pos) {
            const unsigned kind = IDENTIFIER_KINDS[static_cast<unsigned char>(text[pos])];
            if (kind == 0) break;
            kinds &= kind;
        }
        if (pos == start) return NONE;
        if (!numeric_zeros && kinds == IDENTIFIER_DIGIT && has_leading_zero(text.substr(start, pos - start))) {
            return NONE;
        }
        if (pos == text.size() || text[pos] != '.') return pos;
        ++pos;
    }
}

bool read_semver_suffix(std::string_view text, std::size_t pos, SemverParts& out) {
    if (pos < text.size() && text[pos] == '-') {
        const std::size_t end = identifiers_end(text, pos + 1, false);
        if (end == NONE) return false;
        out.prerelease = text.substr(pos + 1, end - pos - 1);
        pos = end;
    }
    if (pos < text.size() && text[pos] == '+') {
        const std::size_t end = identifiers_end(text, pos + 1, true);
        if (end == NONE) return false;
        out.build = text.substr(pos + 1, end - pos - 1);
        pos = end;
    }
    return pos == text.size();
}

bool read_semver_2(std::string_view text, SemverParts& out) {
    out = SemverParts{};
    std::size_t pos = core_number_end(text, 0, out.major);
    if (pos == NONE || pos == text.size() || text[pos] != '.') return false;
    pos = core_number_end(text, pos + 1, out.minor);
    if (pos == NONE || pos == text.size() || text[pos] != '.') return false;
    pos = core_number_end(text, pos + 1, out.patch);
    return pos != NONE && read_semver_suffix(text, pos, out);
}

Ordering compare_digit_runs(std::string_view a, std::string_view b) {
    if (a.size() > 1 && a[0] == '0') a = without_leading_zeros(a);
    if (b.size() > 1 && b[0] == '0') b = without_leading_zeros(b);
    if (a.size() != b.size()) return order_of(a.size(), b.size());
    // Most numbers are a digit or two: a loop beats a call to memcmp.
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return a[i] < b[i] ? Ordering::Less : Ordering::Greater;
    }
    return Ordering::Equal;
}

Ordering compare_prereleases(std::string_view a, std::string_view b) {
    if (a == b) return Ordering::Equal;
    IdentifierCursor left(a);
    IdentifierCursor right(b);
    for (;;) {
        bool a_numeric = false;
        bool b_numeric = false;
        const std::string_view x = left.next(a_numeric);
        const std::string_view y = right.next(b_numeric);
        Ordering o;
        if (a_numeric != b_numeric) {
            o = a_numeric ? Ordering::Less : Ordering::Greater;
        } else {
            o = a_numeric ? compare_digit_runs(x, y) : byte_order(x, y);
        }
        if (o != Ordering::Equal) return o;
        if (left.done() || right.done()) return order_of(!left.done(), !right.done());
    }
}

Ordering compare_precedence(const SemverParts& a, const SemverParts& b) {
    if (Ordering o = compare_digit_runs(a.major, b.major); o != Ordering::Equal) return o;
    if (Ordering o = compare_digit_runs(a.minor, b.minor); o != Ordering::Equal) return o;
    if (Ordering o = compare_digit_runs(a.patch, b.patch); o != Ordering::Equal) return o;
    if (!a.is_prerelease() || !b.is_prerelease()) return order_of(!a.is_prerelease(), !b.is_prerelease());
    return compare_prereleases(a.prerelease, b.prerelease);
}

void put_version_core(KeyBuffer& out, const SemverParts& parts) {
    put_digits(out, parts.major);
    put_digits(out, parts.minor);
    put_digits(out, parts.patch);
}

void put_prerelease_identifiers(KeyBuffer& out, std::string_view prerelease) {
    put_prerelease_identifiers_with(out, prerelease, [](KeyBuffer& key, std::string_view digits) {
        put_byte(key, KEY_NUMERIC_IDENTIFIER);
        put_digits(key, digits);
    });
}

void put_precedence_key(KeyBuffer& out, const SemverParts& parts) {
    put_version_core(out, parts);
    if (parts.is_prerelease()) {
        put_prerelease_identifiers(out, parts.prerelease);
    } else {
        put_byte(out, KEY_RELEASE);
    }
}

}  // namespace tambry::native
