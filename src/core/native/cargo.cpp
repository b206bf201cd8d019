// Cargo orders versions with the Rust `semver` crate (1.0.14 here): `Ord` of
// `Version`, which compares the three numbers, then the pre-release as SemVer 2.0.0
// does, then the build metadata, so "1.0.0+a" < "1.0.0+b" and versions are equal
// only when they are spelled alike. Build identifiers compare one by one: all-digit
// ones before the others, by value and then by length ("0" < "00" < "1" < "01"),
// the others by their bytes, a shorter list first when one is a prefix of the
// other. Acceptance is `Version::parse`: SemVer 2.0.0 with numbers that fit in 64
// bits; numeric pre-release identifiers may be of any size, build identifiers may
// have leading zeros.
#include "native/cargo.hpp"

#include "native/key_encoding.hpp"
#include "native/semver_family_scheme.hpp"

namespace tambry::native {
namespace {

// Without leading zeros, a number fits in 64 bits when it has fewer than 20 digits,
// or 20 that do not pass 2^64 - 1.
bool fits_u64(std::string_view digits) {
    return digits.size() < 20 || (digits.size() == 20 && digits <= "18446744073709551615");
}

bool read_cargo(std::string_view text, SemverParts& out) {
    return read_semver_2(text, out) && fits_u64(out.major) && fits_u64(out.minor) && fits_u64(out.patch);
}

std::size_t leading_zero_count(std::string_view digits) {
    std::size_t count = 0;
    while (count < digits.size() && digits[count] == '0') ++count;
    return count;
}

Ordering build_identifier_order(std::string_view x, bool x_numeric, std::string_view y, bool y_numeric) {
    if (x_numeric != y_numeric) return x_numeric ? Ordering::Less : Ordering::Greater;
    if (!x_numeric) {
        const int c = x.compare(y);
        return c < 0 ? Ordering::Less : (c > 0 ? Ordering::Greater : Ordering::Equal);
    }
    if (Ordering o = compare_digit_runs(x, y); o != Ordering::Equal) return o;
    return order_of(x.size(), y.size());
}

// An empty build sorts before every other.
Ordering build_order(std::string_view a, std::string_view b) {
    if (a == b) return Ordering::Equal;
    if (a.empty() || b.empty()) return order_of(!a.empty(), !b.empty());
    IdentifierCursor left(a);
    IdentifierCursor right(b);
    for (;;) {
        bool x_numeric = false;
        bool y_numeric = false;
        const std::string_view x = left.next(x_numeric);
        const std::string_view y = right.next(y_numeric);
        if (Ordering o = build_identifier_order(x, x_numeric, y, y_numeric); o != Ordering::Equal) return o;
        if (left.done() || right.done()) return order_of(!left.done(), !right.done());
    }
}

// A numeric build identifier is its value and then its count of leading zeros.
void put_build_identifiers(KeyBuffer& out, std::string_view build) {
    if (build.empty()) return;
    IdentifierCursor identifiers(build);
    while (!identifiers.done()) {
        bool numeric = false;
        const std::string_view identifier = identifiers.next(numeric);
        if (numeric) {
            put_byte(out, KEY_NUMERIC_IDENTIFIER);
            put_digits(out, identifier);
            put_u64(out, leading_zero_count(identifier));
        } else {
            put_text(out, identifier);
        }
    }
}

Ordering cargo_order(const SemverParts& a, const SemverParts& b) {
    if (Ordering o = compare_precedence(a, b); o != Ordering::Equal) return o;
    return build_order(a.build, b.build);
}

// After the numbers, the release mark or the pre-release closed by KEY_LIST_END,
// then the build identifiers.
void put_cargo_key(KeyBuffer& out, const SemverParts& parts) {
    put_version_core(out, parts);
    if (parts.is_prerelease()) {
        put_prerelease_identifiers(out, parts.prerelease);
        put_byte(out, KEY_LIST_END);
    } else {
        put_byte(out, KEY_RELEASE);
    }
    put_build_identifiers(out, parts.build);
}

constinit const SemverFamilyScheme<read_cargo, cargo_order, put_cargo_key> CARGO_SCHEME{};

}  // namespace

std::optional<SemverParts> parse_cargo_version(std::string_view text) {
    SemverParts parts;
    if (!read_cargo(text, parts)) return std::nullopt;
    return parts;
}

const NativeScheme& cargo_scheme() { return CARGO_SCHEME; }

}  // namespace tambry::native
