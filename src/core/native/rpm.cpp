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
#include <optional>
#include <string_view>

#include "../rpm.hpp"
#include "native/key_encoding.hpp"
#include "native/native_scheme.hpp"
#include "native/number_band.hpp"
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

void append_part(KeyBuffer& out, std::string_view part) {
    const std::size_t n = part.size();
    std::size_t i = 0;
    bool after_letters = false;
    while (i < n) {
        switch (class_of(part[i])) {
            case ByteClass::Separator:
                ++i;
                break;
            case ByteClass::Tilde:
            case ByteClass::Caret:
                out.push_back(part[i] == '~' ? TILDE : CARET);
                ++i;
                after_letters = false;
                break;
            case ByteClass::Digit:
                if (after_letters) out.push_back(SEGMENT_FOLLOWS);
                i = put_banded_digit_run(out, NUMBERS, part, i);
                after_letters = false;
                break;
            case ByteClass::Letter: {
                if (after_letters) out.push_back(SEGMENT_FOLLOWS);
                const std::size_t start = i;
                while (i < n && class_of(part[i]) == ByteClass::Letter) ++i;
                out.append(reinterpret_cast<const unsigned char*>(part.data() + start), i - start);
                after_letters = true;
                break;
            }
        }
    }
    out.push_back(PART_END);
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
        const auto version = parse_rpm_version(text);
        if (!version) return false;
        put_digits(out, version->epoch);
        append_part(out, version->version);
        if (version->has_release) append_part(out, version->release);
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
