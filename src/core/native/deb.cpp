// Debian versions in dpkg's own order. The epoch compares as a number; then the
// upstream version and then the revision, each as alternating runs of non-digits
// and digits: digit runs as numbers, other runs byte by byte, where "~" sorts
// before the end of a run, the end of a run before letters, and letters before
// every other byte. dpkg weighs a byte through a signed char, so bytes above 0x7F
// sort after the letters but before ASCII punctuation ("1a\xC3" < "1a."); the
// specified Debian scheme's comparison puts them after the punctuation, which is
// why this file has its own loop.
#include "native/deb.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "native/key_encoding.hpp"
#include "native/native_scheme.hpp"
#include "native/number_band.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

// dpkg trims and splits on these two only.
constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }

// What strtol skips before an epoch, in the C locale.
constexpr bool is_c_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr std::uint64_t EPOCH_LIMIT = 2147483647;  // INT_MAX, above which dpkg rejects the epoch

// The epoch as dpkg reads it with strtol: white space, a sign, then digits that
// run exactly up to the colon; "-0" is zero, any other negative is an error.
std::optional<std::uint32_t> parse_epoch(std::string_view field) {
    std::size_t p = 0;
    while (p < field.size() && is_c_space(field[p])) ++p;
    bool negative = false;
    if (p < field.size() && (field[p] == '+' || field[p] == '-')) {
        negative = field[p] == '-';
        ++p;
    }
    const std::size_t digits_start = p;
    std::uint64_t value = 0;
    for (; p < field.size() && is_digit(field[p]); ++p) {
        value = value * 10 + static_cast<std::uint64_t>(field[p] - '0');
        if (value > EPOCH_LIMIT) value = EPOCH_LIMIT + 1;  // saturate: only "too big" matters
    }
    if (p == digits_start || p != field.size()) return std::nullopt;
    if (value > EPOCH_LIMIT || (negative && value != 0)) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// dpkg's weight of a byte inside a run of non-digits; the end of a run weighs 0.
constexpr int run_weight(unsigned char u) {
    if (u == '~') return -1;
    if (is_letter(static_cast<char>(u))) return u;
    if (u >= 0x80) return u;  // a negative char, plus 256
    return u + 256;
}

constexpr std::array<std::int16_t, 256> RUN_WEIGHTS = [] {
    std::array<std::int16_t, 256> weights{};
    for (unsigned u = 0; u < 256; ++u) weights[u] = static_cast<std::int16_t>(run_weight(static_cast<unsigned char>(u)));
    return weights;
}();

int weight_at(std::string_view text, std::size_t pos) {
    if (pos >= text.size() || is_digit(text[pos])) return 0;
    return RUN_WEIGHTS[static_cast<unsigned char>(text[pos])];
}

bool non_digit_at(std::string_view text, std::size_t pos) { return pos < text.size() && !is_digit(text[pos]); }
bool digit_at(std::string_view text, std::size_t pos) { return pos < text.size() && is_digit(text[pos]); }

Ordering dpkg_verrevcmp(std::string_view a, std::string_view b) {
    if (a == b) return Ordering::Equal;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        while (non_digit_at(a, i) || non_digit_at(b, j)) {
            const int wa = weight_at(a, i);
            const int wb = weight_at(b, j);
            if (wa != wb) return order_of(wa, wb);
            // Equal weights are never 0 here, so both positions hold a non-digit.
            ++i;
            ++j;
        }
        while (i < a.size() && a[i] == '0') ++i;
        while (j < b.size() && b[j] == '0') ++j;
        int first_difference = 0;
        while (digit_at(a, i) && digit_at(b, j)) {
            if (first_difference == 0) first_difference = a[i] - b[j];
            ++i;
            ++j;
        }
        if (digit_at(a, i)) return Ordering::Greater;
        if (digit_at(b, j)) return Ordering::Less;
        if (first_difference != 0) return order_of(first_difference, 0);
    }
    return Ordering::Equal;
}

// Key codes. Each part (upstream, then revision) is its runs in turn: a non-digit
// run as one code per byte, then its digit run as a number from NUMBERS, whose
// codes lie exactly where dpkg places the end of a run, after "~" and before
// every other byte; PART_END closes the part and, in the same place, stands for
// the end of the text. A part always starts with its first run, even when that
// is empty, so PART_END is only ever compared with a byte code, never a number.
constexpr unsigned char TILDE = 0x01;
constexpr unsigned char PART_END = 0x02;
constexpr NumberBand NUMBERS{0x03, 128};
constexpr unsigned char FIRST_LETTER = NUMBERS.last() + 1;
constexpr unsigned char HIGH_BYTE = FIRST_LETTER + 52;  // followed by the byte itself
constexpr unsigned char FIRST_OTHER = HIGH_BYTE + 1;

// Bytes that never stand in a run of a valid version: digits end runs, and NUL,
// space and tab are rejected.
constexpr bool never_in_run(unsigned char u) { return is_digit(static_cast<char>(u)) || u == 0 || u == ' ' || u == '\t'; }

constexpr std::array<unsigned char, 256> RUN_CODES = [] {
    std::array<unsigned char, 256> codes{};
    unsigned letters = 0;
    unsigned others = 0;
    for (unsigned u = 0; u < 256; ++u) {
        const auto byte = static_cast<unsigned char>(u);
        if (never_in_run(byte)) continue;
        if (byte == '~') {
            codes[u] = TILDE;
        } else if (is_letter(static_cast<char>(byte))) {
            codes[u] = static_cast<unsigned char>(FIRST_LETTER + letters++);
        } else if (byte >= 0x80) {
            codes[u] = HIGH_BYTE;
        } else {
            codes[u] = static_cast<unsigned char>(FIRST_OTHER + others++);
        }
    }
    return codes;
}();

static_assert(FIRST_OTHER + 61 == 0xFE, "62 ASCII bytes other than digits, letters, '~', NUL, space and tab");

void append_part(KeyBuffer& out, std::string_view part) {
    std::size_t i = 0;
    do {
        for (; i < part.size() && !is_digit(part[i]); ++i) {
            const auto byte = static_cast<unsigned char>(part[i]);
            out.push_back(RUN_CODES[byte]);
            if (byte >= 0x80) out.push_back(byte);
        }
        const std::size_t digits = i;
        while (i < part.size() && is_digit(part[i])) ++i;
        put_banded_digits(out, NUMBERS, part.substr(digits, i - digits));
    } while (i < part.size());
    out.push_back(PART_END);
}

class DebScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view text) const override { return parse_deb_version(text).has_value(); }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        const auto left = parse_deb_version(a);
        const auto right = parse_deb_version(b);
        if (!left || !right) return std::nullopt;
        if (left->epoch != right->epoch) return order_of(left->epoch, right->epoch);
        const Ordering upstream = dpkg_verrevcmp(left->upstream, right->upstream);
        if (upstream != Ordering::Equal) return upstream;
        return dpkg_verrevcmp(left->revision, right->revision);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        const auto version = parse_deb_version(text);
        if (!version) return false;
        put_u64(out, version->epoch);
        append_part(out, version->upstream);
        append_part(out, version->revision);
        return true;
    }
};

constinit const DebScheme DEB_SCHEME{};

}  // namespace

std::optional<DebVersion> parse_deb_version(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && is_blank(text[start])) ++start;
    std::size_t end = start;
    for (; end < text.size() && !is_blank(text[end]); ++end) {
        if (text[end] == '\0') return std::nullopt;  // no C program, dpkg included, can be given one
    }
    if (end == start) return std::nullopt;
    for (std::size_t k = end; k < text.size(); ++k) {
        if (!is_blank(text[k])) return std::nullopt;  // embedded blank
    }
    std::string_view rest = text.substr(start, end - start);

    std::uint32_t epoch = 0;
    const std::size_t colon = rest.find(':');
    if (colon != std::string_view::npos) {
        const auto parsed = parse_epoch(rest.substr(0, colon));
        if (!parsed || colon + 1 == rest.size()) return std::nullopt;
        epoch = *parsed;
        rest.remove_prefix(colon + 1);
    }
    std::string_view upstream = rest;
    std::string_view revision;
    const std::size_t hyphen = rest.rfind('-');
    if (hyphen != std::string_view::npos) {
        upstream = rest.substr(0, hyphen);
        revision = rest.substr(hyphen + 1);
        if (revision.empty()) return std::nullopt;
    }
    if (upstream.empty()) return std::nullopt;
    return DebVersion{epoch, upstream, revision};
}

const NativeScheme& deb_scheme() { return DEB_SCHEME; }

}  // namespace tambry::native
