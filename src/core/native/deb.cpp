// Debian versions in dpkg's own order. The epoch compares as a number; then the
// upstream version and then the revision, each as alternating runs of non-digits
// and digits: digit runs as numbers, other runs byte by byte, where "~" sorts
// before the end of a run, the end of a run before letters, and letters before
// every other byte. dpkg weighs a byte through a char, which is signed where this
// order was taken from (x86-64), so bytes above 0x7F sort after the letters but
// before ASCII punctuation ("1a\xC3" < "1a."); the
// comparison of tambry.compare's Debian scheme (debian.cpp) puts them after the
// punctuation, which is why this file has its own loop.
#include "native/deb.hpp"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "native/key_encoding.hpp"
#include "native/native_scheme.hpp"
#include "native/number_band.hpp"
#include "short_text_masks.hpp"
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

// The most key bytes a part of `size` bytes can take: two for a byte above 0x7F,
// and for a digit run at most its length plus 18 (once its number is past 64 bits).
constexpr std::size_t part_room(std::size_t size) { return 2 * size + 20; }

// Writes the key of `part` at `p`, which must have room for part_room(part.size())
// bytes, and returns where it stopped.
unsigned char* write_part(unsigned char* p, std::string_view part) {
    const char* s = part.data();
    const char* const end = s + part.size();
    do {
        for (; s < end && !is_digit(*s); ++s) {
            const auto byte = static_cast<unsigned char>(*s);
            p[0] = RUN_CODES[byte];
            p[1] = byte;
            p += 1 + (byte >= 0x80);
        }
        p = write_banded_digit_run(p, NUMBERS, s, end);
    } while (s < end);
    *p++ = PART_END;
    return p;
}

// write_part for a part of a short text, the bytes text.data()[begin, begin + size),
// with the places of the text's digits in `digits`: each digit run's length is
// counted from the mask and its value read in one multiplication chain, instead
// of a loop whose end the processor has to guess.
unsigned char* write_short_part(unsigned char* p, const ShortText& text, std::uint64_t digits, std::size_t begin,
                                std::size_t size) {
    const std::uint64_t part_digits = size == 0 ? 0 : (digits >> begin) & low_bits(size);
    const char* const s = text.data() + begin;
    std::size_t pos = 0;
    do {
        const std::uint64_t digits_ahead = pos < size ? part_digits >> pos : 0;
        const std::size_t run_start = digits_ahead ? pos + static_cast<std::size_t>(__builtin_ctzll(digits_ahead)) : size;
        for (; pos < run_start; ++pos) {
            const auto byte = static_cast<unsigned char>(s[pos]);
            p[0] = RUN_CODES[byte];
            p[1] = byte;
            p += 1 + (byte >= 0x80);
        }
        const unsigned run = pos < size ? run_length(part_digits, static_cast<unsigned>(pos)) : 0;
        if (run <= 8) {
            p = write_banded_u64(p, NUMBERS, run == 0 ? 0 : value_of_up_to_8_digits(s + pos, run));
        } else {
            const char* digit = s + pos;
            p = write_banded_digit_run(p, NUMBERS, digit, s + pos + run);
        }
        pos += run;
    } while (pos < size);
    *p++ = PART_END;
    return p;
}

// The parts of a short text of the plain shape nearly every version has: no
// blank, NUL or sign, and if there is a colon, only digits before the first one.
// Read from bit masks, they are what parse_deb_version finds; any other text is
// left to parse_deb_version (false), and so is one that it rejects.
struct ShortDebVersion {
    std::uint64_t digits;
    std::uint32_t epoch;
    std::size_t upstream_begin;
    std::size_t upstream_end;
    std::size_t revision_begin;  // the end of the text when there is no revision
    std::size_t end;

    bool read(const ShortText& text) {
        const auto classes = text.classify(std::array<char, 5>{' ', '\t', '\0', ':', '-'});
        const auto& [spaces, tabs, nuls, colons, hyphens] = classes.marks;
        end = text.size();
        if ((spaces | tabs | nuls) != 0 || end == 0) return false;
        digits = classes.digits;
        epoch = 0;
        upstream_begin = 0;
        if (colons != 0) {
            const auto colon = static_cast<std::size_t>(__builtin_ctzll(colons));
            // Up to ten digits: INT_MAX has ten.
            if (colon == 0 || colon > 10 || (digits & low_bits(colon)) != low_bits(colon)) return false;
            std::uint64_t value = 0;
            for (std::size_t i = 0; i < colon; ++i) value = value * 10 + static_cast<std::uint64_t>(text.data()[i] - '0');
            if (value > EPOCH_LIMIT) return false;
            epoch = static_cast<std::uint32_t>(value);
            upstream_begin = colon + 1;
        }
        const std::uint64_t revision_hyphens = hyphens & ~low_bits(upstream_begin);
        if (revision_hyphens == 0) {
            upstream_end = revision_begin = end;
        } else {
            upstream_end = 63 - static_cast<std::size_t>(__builtin_clzll(revision_hyphens));
            revision_begin = upstream_end + 1;
        }
        // An empty upstream version or revision is dpkg's error.
        return upstream_end > upstream_begin && !(revision_hyphens != 0 && revision_begin == end);
    }
};

constexpr std::size_t NONE = std::string_view::npos;

// Eight bytes at a time. LOWS clears the high bit of every byte, so that adding to
// one byte never carries into the next.
constexpr std::uint64_t ONES = 0x0101010101010101;
constexpr std::uint64_t HIGHS = 0x8080808080808080;
constexpr std::uint64_t LOWS = 0x7F7F7F7F7F7F7F7F;

// Whether any byte of `word` is below `limit` (at most 0x80).
constexpr bool any_below(std::uint64_t word, unsigned limit) { return ((word - ONES * limit) & ~word & HIGHS) != 0; }

// The high bit of each byte of `word` that equals `byte`, and no other bit.
constexpr std::uint64_t equal_bytes(std::uint64_t word, unsigned char byte) {
    const std::uint64_t t = word ^ (ONES * byte);
    return ~(((t & LOWS) + LOWS) | t | LOWS);
}

std::uint64_t load_word(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

// The offset of the last byte marked in a mask of `equal_bytes`, in memory order.
std::size_t last_marked(std::uint64_t mask) {
    if constexpr (std::endian::native == std::endian::little) return static_cast<std::size_t>(63 - std::countl_zero(mask)) / 8;
    return 7 - static_cast<std::size_t>(std::countr_zero(mask)) / 8;
}

// The end of the version: its first blank, after which only blanks may follow;
// NONE for a NUL, for a blank followed by more text, and, when `colon_is_fatal`
// (no epoch was read), for a colon.
std::size_t find_end(std::string_view text, std::size_t from, bool colon_is_fatal) {
    const std::size_t n = text.size();
    // Nearly every version has no byte below '!' nor a late colon: look at eight
    // bytes at a time, the last eight overlapping those before them, and at a short
    // text padded with letters.
    const auto clean = [colon_is_fatal](std::uint64_t word) {
        return !any_below(word, 0x21) && !(colon_is_fatal && equal_bytes(word, ':') != 0);
    };
    bool all_clean = true;
    if (n - from >= 8) {
        for (std::size_t i = from; all_clean && i + 8 <= n; i += 8) all_clean = clean(load_word(text.data() + i));
        all_clean = all_clean && clean(load_word(text.data() + n - 8));
    } else {
        char padded[8] = {'a', 'a', 'a', 'a', 'a', 'a', 'a', 'a'};
        std::memcpy(padded, text.data() + from, n - from);
        all_clean = clean(load_word(padded));
    }
    if (all_clean) return n;

    std::size_t end = from;
    for (; end < n; ++end) {
        const char c = text[end];
        if (c == '\0' || (colon_is_fatal && c == ':')) return NONE;  // dpkg cannot be given a NUL
        if (is_blank(c)) break;
    }
    for (std::size_t k = end; k < n; ++k) {
        if (!is_blank(text[k])) return NONE;  // embedded blank
    }
    return end;
}

// The last hyphen of text[from, end), or NONE; revisions are short, so search
// backwards eight bytes at a time.
std::size_t find_last_hyphen(std::string_view text, std::size_t from, std::size_t end) {
    while (end - from >= 8) {
        const std::uint64_t hyphens = equal_bytes(load_word(text.data() + end - 8), '-');
        if (hyphens != 0) return end - 8 + last_marked(hyphens);
        end -= 8;
    }
    while (end > from) {
        if (text[--end] == '-') return end;
    }
    return NONE;
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
        ShortText short_text;
        ShortDebVersion short_version;
        if (short_text.load(text) && short_version.read(short_text)) {
            const ShortDebVersion& v = short_version;
            unsigned char* p = out.room_for(9 + part_room(text.size()) + part_room(0));
            p = write_u64(p, v.epoch);
            p = write_short_part(p, short_text, v.digits, v.upstream_begin, v.upstream_end - v.upstream_begin);
            p = write_short_part(p, short_text, v.digits, v.revision_begin, v.end - v.revision_begin);
            out.end_at(p);
            return true;
        }
        const auto version = parse_deb_version(text);
        if (!version) return false;
        unsigned char* p = out.room_for(9 + part_room(version->upstream.size()) + part_room(version->revision.size()));
        p = write_u64(p, version->epoch);
        p = write_part(p, version->upstream);
        p = write_part(p, version->revision);
        out.end_at(p);
        return true;
    }

    // Debian marks a pre-release by a "~" in the upstream version (1.0~rc1).
    bool is_prerelease(std::string_view text) const override {
        const auto version = parse_deb_version(text);
        return version && version->upstream.find('~') != std::string_view::npos;
    }
};

constinit const DebScheme DEB_SCHEME{};

}  // namespace

std::optional<DebVersion> parse_deb_version(std::string_view text) {
    const std::size_t n = text.size();
    std::size_t start = 0;
    while (start < n && is_blank(text[start])) ++start;
    if (start == n) return std::nullopt;

    // dpkg splits at the first colon. Everything before the epoch's colon can only
    // be white space, a sign and digits, so a colon anywhere else is the first
    // one only when no epoch precedes it, and then the epoch is not a number.
    std::size_t field_end = start;
    // A blank here would stand after the first non-blank byte: an embedded blank,
    // which the scan for the end finds.
    while (field_end < n && is_c_space(text[field_end]) && !is_blank(text[field_end])) ++field_end;
    if (field_end < n && (text[field_end] == '+' || text[field_end] == '-')) ++field_end;
    while (field_end < n && is_digit(text[field_end])) ++field_end;
    const bool has_epoch = field_end < n && text[field_end] == ':';

    std::uint32_t epoch = 0;
    std::size_t version_start = start;
    if (has_epoch) {
        const auto parsed = parse_epoch(text.substr(start, field_end - start));
        if (!parsed) return std::nullopt;
        epoch = *parsed;
        version_start = field_end + 1;
    }
    const std::size_t end = find_end(text, version_start, !has_epoch);
    if (end == NONE || end == version_start) return std::nullopt;
    const std::size_t hyphen = find_last_hyphen(text, version_start, end);
    if (hyphen == NONE) return DebVersion{epoch, text.substr(version_start, end - version_start), {}};
    if (hyphen + 1 == end || hyphen == version_start) return std::nullopt;  // empty revision or upstream
    return DebVersion{epoch, text.substr(version_start, hyphen - version_start), text.substr(hyphen + 1, end - hyphen - 1)};
}

const NativeScheme& deb_scheme() { return DEB_SCHEME; }

}  // namespace tambry::native
