// RPM versions in the order of rpm's own version objects (rpm.ver): the epoch as a
// number (none counts as 0), then the version and then the release with rpm's
// segment comparison, where separators only split segments, "~" sorts before
// everything, even the end, and "^" after the end but before any segment. A text
// without a release sorts before every text with one, even an empty one: "1" <
// "1-~" < "1-" = "1-." < "1-0". rpm splits the epoch off at a ":" that directly
// follows the leading digits, and the release at the last "-" after them.
#include "native/rpm.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "../rpm.hpp"
#include "native/key_encoding.hpp"
#include "native/native_scheme.hpp"
#include "native/number_band.hpp"
#include "short_text_masks.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

Ordering compare_numbers(std::string_view a, std::string_view b) {
    a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
    b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() != b.size()) return order_of(a.size(), b.size());
    return a == b ? Ordering::Equal : order_of(a.compare(b), 0);
}

// Key codes, in the order rpm gives the things that can stand at one place of a
// version once both sides have skipped their separators: "~", the end, "^", then
// segments, letters before digits. Letters keep their own bytes; a letter segment
// that is directly followed by another segment is closed by SEGMENT_FOLLOWS, which
// sorts below every letter because "a" + anything is less than "ab".
constexpr unsigned char TILDE = 0x01;
constexpr unsigned char PART_END = 0x02;
constexpr unsigned char CARET = 0x03;
constexpr unsigned char SEGMENT_FOLLOWS = 0x04;
constexpr NumberBand NUMBERS{0x7B, 124};  // above 'z'

static_assert(NUMBERS.last() == 0xFF);

// What a byte is to rpm's segment comparison.
enum class ByteClass : std::uint8_t { Separator, Digit, Letter, Tilde, Caret };

constexpr std::array<ByteClass, 256> CLASSES = [] {
    std::array<ByteClass, 256> classes{};
    for (unsigned c = '0'; c <= '9'; ++c) classes[c] = ByteClass::Digit;
    for (unsigned c = 'a'; c <= 'z'; ++c) classes[c] = ByteClass::Letter;
    for (unsigned c = 'A'; c <= 'Z'; ++c) classes[c] = ByteClass::Letter;
    classes['~'] = ByteClass::Tilde;
    classes['^'] = ByteClass::Caret;
    return classes;
}();

ByteClass class_of(char c) { return CLASSES[static_cast<unsigned char>(c)]; }



// The most key bytes a part of `size` bytes can take: a letter or "~" or "^" takes
// one byte, a separator none, a digit run at most its length plus 18 (once its
// number is past 64 bits), and each segment after letters one more.
constexpr std::size_t part_room(std::size_t size) { return 2 * size + 20; }

// Writes the key of `part` at `p`, which must have room for part_room(part.size())
// bytes, and returns where it stopped.
unsigned char* write_part(unsigned char* p, std::string_view part) {
    const char* s = part.data();
    const char* const end = s + part.size();
    bool after_letters = false;
    while (s < end) {
        switch (class_of(*s)) {
            case ByteClass::Separator:
                ++s;
                break;
            case ByteClass::Tilde:
            case ByteClass::Caret:
                *p++ = *s == '~' ? TILDE : CARET;
                ++s;
                after_letters = false;
                break;
            case ByteClass::Digit:
                *p = SEGMENT_FOLLOWS;
                p += after_letters;
                p = write_banded_digit_run(p, NUMBERS, s, end);
                after_letters = false;
                break;
            case ByteClass::Letter:
                *p = SEGMENT_FOLLOWS;
                p += after_letters;
                do {
                    *p++ = static_cast<unsigned char>(*s++);
                } while (s < end && class_of(*s) == ByteClass::Letter);
                after_letters = true;
                break;
        }
    }
    *p++ = PART_END;
    return p;
}

void append_part(KeyBuffer& out, std::string_view part) {
    out.end_at(write_part(out.room_for(part_room(part.size())), part));
}

// Where the runs of a short text stand, and its parts, read from bit masks by
// parse_rpm_version's rules.
struct ShortRpmVersion {
    std::uint64_t digits;
    std::uint64_t letters;
    std::uint64_t marks;  // "~" and "^"
    std::size_t epoch_size;
    std::size_t version_begin;
    std::size_t version_end;
    std::size_t release_begin;  // the end of the text when it has no release
    std::size_t end;
    bool has_release;

    // False for a text rpm rejects.
    bool read(const ShortText& text) {
        const auto classes = text.classify(std::array<char, 5>{'~', '^', '-', ':', '\0'});
        const auto& [tildes, carets, hyphens, colons, nuls] = classes.marks;
        // rpm reads a C string: what follows a NUL does not count.
        end = nuls ? static_cast<std::size_t>(__builtin_ctzll(nuls)) : text.size();
        if (end == 0) return false;
        const std::uint64_t inside = low_bits(end);
        digits = classes.digits & inside;
        letters = classes.letters & inside;
        marks = (tildes | carets) & inside;
        const std::size_t leading_digits = digits & 1 ? run_length(digits, 0) : 0;
        const bool has_epoch = leading_digits < end && ((colons >> leading_digits) & 1);
        epoch_size = has_epoch ? leading_digits : 0;
        version_begin = has_epoch ? leading_digits + 1 : 0;
        const std::uint64_t release_hyphens = hyphens & inside;
        has_release = release_hyphens != 0;
        version_end = has_release ? 63 - static_cast<std::size_t>(__builtin_clzll(release_hyphens)) : end;
        release_begin = has_release ? version_end + 1 : end;
        return true;
    }
};

// Room for write_parts_by_runs past that of the parts: whole 16-byte blocks of
// letters are copied.
constexpr std::size_t LETTER_BLOCK_ROOM = 16;

// write_part for the version and then, if there is one, the release: the text
// from masks.version_begin to masks.end a run at a time. Both parts are read in
// one loop, the release's "-" taken as one more run that ends the version, so
// that only one loop ends per text: where a loop ends depends on the text, and
// is guessed wrong more often than not.
unsigned char* write_parts_by_runs(unsigned char* p, const ShortText& text, const ShortRpmVersion& masks) {
    const std::size_t begin = masks.version_begin;
    // Nothing after an epoch (a shift by 64 bits is undefined when its colon ends
    // a 64-byte text).
    if (begin == masks.end) {
        *p++ = PART_END;
        return p;
    }
    const std::uint64_t window = low_bits(masks.end - begin);
    const std::uint64_t digits = (masks.digits >> begin) & window;
    const std::uint64_t letters = (masks.letters >> begin) & window;
    const std::uint64_t release_hyphen =
        masks.has_release ? std::uint64_t{1} << (masks.version_end - begin) : std::uint64_t{0};
    std::uint64_t starts =
        run_starts(digits) | run_starts(letters) | ((masks.marks >> begin) & window) | release_hyphen;
    const char* const s = text.data() + begin;
    bool after_letters = false;
    while (starts) {
        const auto at = static_cast<unsigned>(__builtin_ctzll(starts));
        starts &= starts - 1;
        const std::uint64_t bit = std::uint64_t{1} << at;
        if (digits & bit) {
            const unsigned length = run_length(digits, at);
            *p = SEGMENT_FOLLOWS;
            p += after_letters;
            after_letters = false;
            if (length <= 2) {
                // Below 100, one byte: the code need not wait for value_of_up_to_8_digits.
                const unsigned first = static_cast<unsigned char>(s[at]) - '0';
                const unsigned second = static_cast<unsigned char>(s[at + 1]) - '0';
                const unsigned value = first + (first * 9 + second) * static_cast<unsigned>(length == 2);
                *p++ = static_cast<unsigned char>(NUMBERS.first + value);
            } else if (length <= 8) {
                p = write_banded_u64(p, NUMBERS, value_of_up_to_8_digits(s + at, length));
            } else {
                const char* run = s + at;
                p = write_banded_digit_run(p, NUMBERS, run, s + at + length);
            }
        } else if (letters & bit) {
            const unsigned length = run_length(letters, at);
            *p = SEGMENT_FOLLOWS;
            p += after_letters;
            after_letters = true;
            for (unsigned copied = 0; copied < length; copied += 16) std::memcpy(p + copied, s + at + copied, 16);
            p += length;
        } else if (bit != release_hyphen) {
            *p++ = s[at] == '~' ? TILDE : CARET;
            after_letters = false;
        } else {
            *p++ = PART_END;
            after_letters = false;
        }
    }
    *p++ = PART_END;
    return p;
}

class RpmScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view text) const override { return parse_rpm_version(text).has_value(); }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        const auto left = parse_rpm_version(a);
        const auto right = parse_rpm_version(b);
        if (!left || !right) return std::nullopt;
        const Ordering epoch = compare_numbers(left->epoch, right->epoch);
        if (epoch != Ordering::Equal) return epoch;
        const Ordering version = rpmverscmp(left->version, right->version);
        if (version != Ordering::Equal) return version;
        if (!left->has_release || !right->has_release) return order_of(left->has_release, right->has_release);
        return rpmverscmp(left->release, right->release);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        ShortText short_text;
        if (short_text.load(text)) return append_short_key(short_text, out);
        const auto version = parse_rpm_version(text);
        if (!version) return false;
        put_digits(out, version->epoch);
        append_part(out, version->version);
        if (version->has_release) append_part(out, version->release);
        return true;
    }

    // append_key for a short text, read from its bit masks.
    static bool append_short_key(const ShortText& text, KeyBuffer& out) {
        ShortRpmVersion version;
        if (!version.read(text)) return false;
        put_digits(out, std::string_view(text.data(), version.epoch_size));
        const std::size_t version_size = version.version_end - version.version_begin;
        const std::size_t release_size = version.end - version.release_begin;
        unsigned char* p = out.room_for(part_room(version_size) + part_room(release_size) + LETTER_BLOCK_ROOM);
        p = write_parts_by_runs(p, text, version);
        out.end_at(p);
        return true;
    }

    // RPM marks a pre-release by a "~" in the version (1.0~rc1).
    bool is_prerelease(std::string_view text) const override {
        const auto version = parse_rpm_version(text);
        return version && version->version.find('~') != std::string_view::npos;
    }
};

constinit const RpmScheme RPM_SCHEME{};

}  // namespace

std::optional<RpmVersion> parse_rpm_version(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    if (text.empty()) return std::nullopt;
    std::size_t digits_end = 0;
    while (digits_end < text.size() && is_digit(text[digits_end])) ++digits_end;
    RpmVersion version{{}, text, {}, false};
    std::size_t version_start = 0;
    if (digits_end < text.size() && text[digits_end] == ':') {
        version.epoch = text.substr(0, digits_end);
        version_start = digits_end + 1;
    }
    // The leading digits hold no "-", so the last one always follows the epoch's colon.
    const std::size_t hyphen = text.rfind('-');
    if (hyphen == std::string_view::npos) {
        version.version = text.substr(version_start);
    } else {
        version.version = text.substr(version_start, hyphen - version_start);
        version.release = text.substr(hyphen + 1);
        version.has_release = true;
    }
    return version;
}

bool append_rpm_key_without_release(std::string_view text, KeyBuffer& out) {
    const auto version = parse_rpm_version(text);
    if (!version) return false;
    put_digits(out, version->epoch);
    append_part(out, version->version);
    return true;
}

const NativeScheme& rpm_scheme() { return RPM_SCHEME; }

}  // namespace tambry::native
