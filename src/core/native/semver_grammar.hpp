// The shape SemVer 2.0.0 gives a version text, and the precedence it defines, in
// pieces shared by the schemes built on it (semver, npm, cargo, hex, golang): the
// parts of a text as views into it, numbers of any size ordered by value,
// pre-release identifiers ordered as SemVer orders them, and their key forms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "native/native_scheme.hpp"
#include "text.hpp"

namespace tambry::native {

// A version's parts as views into its text. The numbers are runs of ASCII digits,
// with leading zeros only where a scheme allows them. `prerelease` and `build` are
// the dot-separated identifiers after "-" and "+", without that sign; each is empty
// when the text has none (no scheme here accepts an empty one).
struct SemverParts {
    std::string_view major;
    std::string_view minor;
    std::string_view patch;
    std::string_view prerelease;
    std::string_view build;

    bool is_prerelease() const { return !prerelease.empty(); }
};

constexpr bool is_identifier_byte(char c) { return is_alnum(c) || c == '-'; }

constexpr bool all_digits(std::string_view text) {
    for (const char c : text) {
        if (!is_digit(c)) return false;
    }
    return true;
}

// Where the run of ASCII digits that starts at `pos` ends.
constexpr std::size_t digits_end(std::string_view text, std::size_t pos) {
    while (pos < text.size() && is_digit(text[pos])) ++pos;
    return pos;
}

// A run of digits with a leading zero that carries no value ("01", not "0").
constexpr bool has_leading_zero(std::string_view digits) { return digits.size() > 1 && digits[0] == '0'; }

// A run of digits without the leading zeros that carry no value ("007" -> "7",
// "000" -> "0").
constexpr std::string_view without_leading_zeros(std::string_view digits) {
    std::size_t start = 0;
    while (start + 1 < digits.size() && digits[start] == '0') ++start;
    return digits.substr(start);
}

// Reads a number of a version core from `pos`: ASCII digits, without a leading
// zero. Sets `out` to it and returns where it ends, or npos.
std::size_t core_number_end(std::string_view text, std::size_t pos, std::string_view& out);

// Reads the value of a run of digits into `value`; false when it does not fit in
// 64 bits. (A flag and an out-parameter, not an optional: the optional comes back
// through memory, and reading it stalls the hot paths that call this.)
inline bool read_u64(std::string_view digits, std::uint64_t& value) {
    value = 0;
    for (const char c : digits) {
        if (__builtin_mul_overflow(value, 10, &value) ||
            __builtin_add_overflow(value, static_cast<std::uint64_t>(c - '0'), &value)) {
            return false;
        }
    }
    return true;
}

// Reads dot-separated identifiers of [0-9A-Za-z-] from `pos` and returns where they
// end: at the end of the text or at the first byte that belongs to neither an
// identifier nor a dot. Returns npos when an identifier is empty, or when
// `numeric_zeros` is false and an all-digit identifier has a leading zero.
std::size_t identifiers_end(std::string_view text, std::size_t pos, bool numeric_zeros);

// The part of a SemVer 2.0.0 text after its three numbers, from `pos`: an optional
// "-" and pre-release identifiers (numeric ones without leading zeros), an optional
// "+" and build identifiers, then the end of the text.
bool read_semver_suffix(std::string_view text, std::size_t pos, SemverParts& out);

// Exactly the SemVer 2.0.0 grammar: three numbers of any size without leading zeros,
// then the suffix above. No prefix, no white space. Fills `out` and returns true
// when the text is accepted.
bool read_semver_2(std::string_view text, SemverParts& out);

// Runs of digits by value, of any size; leading zeros carry no value.
Ordering compare_digit_runs(std::string_view a, std::string_view b);

// SemVer 2.0.0 precedence of two pre-release texts, neither empty: identifier by
// identifier, numeric ones by value and before the others, the others by their
// bytes; when one list runs out first, it is the lesser.
Ordering compare_prereleases(std::string_view a, std::string_view b);

// The three numbers by value, then a pre-release before the release it leads to,
// then the pre-releases. Build metadata takes no part.
Ordering compare_precedence(const SemverParts& a, const SemverParts& b);

// Walks the identifiers of a non-empty dot-separated list, noting which are all
// digits.
class IdentifierCursor {
public:
    explicit IdentifierCursor(std::string_view list) : list_(list) {}

    bool done() const { return pos_ > list_.size(); }

    // The next identifier; sets `numeric` when it is all digits.
    std::string_view next(bool& numeric) {
        const std::size_t start = pos_;
        std::size_t end = start;
        numeric = true;
        while (end < list_.size() && list_[end] != '.') {
            numeric = numeric && is_digit(list_[end]);
            ++end;
        }
        pos_ = end + 1;
        return list_.substr(start, end - start);
    }

private:
    std::string_view list_;
    std::size_t pos_ = 0;
};

// Key pieces. After the numbers, a release writes KEY_RELEASE, above every byte a
// pre-release can start with; a pre-release writes its identifiers, a numeric one
// as KEY_NUMERIC_IDENTIFIER and its value, any other as its text (every identifier
// byte is above KEY_NUMERIC_IDENTIFIER, so numbers come first). Where more follows,
// KEY_LIST_END closes the list, below both kinds of identifier.
inline constexpr unsigned char KEY_LIST_END = 0x00;
inline constexpr unsigned char KEY_NUMERIC_IDENTIFIER = 0x01;
inline constexpr unsigned char KEY_RELEASE = 0xFF;

// The three numbers by value.
void put_version_core(KeyBuffer& out, const SemverParts& parts);

// The pre-release identifiers of a non-empty list: each one that is not all digits
// as its text, each one that is by `put_number(out, digits)`. One pass: an
// identifier is written as text while it is read, and written over with its
// number if it turns out to be all digits.
template <class PutNumber>
void put_prerelease_identifiers_with(KeyBuffer& out, std::string_view prerelease, PutNumber put_number) {
    const char* s = prerelease.data();
    const char* const end = s + prerelease.size();
    for (;;) {
        const char* const start = s;
        unsigned char* const first = out.room_for(2 * static_cast<std::size_t>(end - s) + 1);
        unsigned char* p = first;
        bool numeric = true;
        for (; s < end && *s != '.'; ++s) {
            const auto byte = static_cast<unsigned char>(*s);
            numeric &= is_digit(*s);
            // put_text's escape of 0x00 and 0x01.
            p[0] = byte <= 0x01 ? 0x01 : byte;
            p[1] = static_cast<unsigned char>(byte + 1);
            p += 1 + (byte <= 0x01);
        }
        if (numeric) {
            put_number(out, std::string_view(start, static_cast<std::size_t>(s - start)));
        } else {
            *p++ = 0x00;
            out.end_at(p);
        }
        if (s == end) return;
        ++s;
    }
}

// The pre-release identifiers of a non-empty list, SemVer's way.
void put_prerelease_identifiers(KeyBuffer& out, std::string_view prerelease);

// The body of a key that orders as compare_precedence: the numbers, then the
// release mark or the pre-release identifiers.
void put_precedence_key(KeyBuffer& out, const SemverParts& parts);

}  // namespace tambry::native
