#include "semver.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "short_text_masks.hpp"
#include "shared_prefix.hpp"
#include "text.hpp"

namespace tambry {
namespace {

using Check = Result<void, std::string>;

constexpr bool is_identifier_byte(char c) { return is_alnum(c) || c == '-'; }

std::string field_message(std::string_view head, std::string_view name, std::string_view subject) {
    std::string prefix;
    prefix.reserve(head.size() + name.size() + 2);
    prefix.append(head);
    prefix.append(name);
    prefix.append(": ");
    return quoted_message(prefix, subject);
}

// Walks a text piece by piece between dots, keeping empty pieces.
class DotPieces {
public:
    explicit DotPieces(std::string_view text) : rest_(text) {}

    bool done() const { return done_; }

    std::string_view next() {
        const std::size_t dot = rest_.find('.');
        if (dot == std::string_view::npos) {
            done_ = true;
            return rest_;
        }
        const std::string_view piece = rest_.substr(0, dot);
        rest_.remove_prefix(dot + 1);
        return piece;
    }

private:
    std::string_view rest_;
    bool done_ = false;
};

// Eight bytes of a pre-release at once: the high bit of each that is a digit,
// and of each that may stand inside an identifier (a digit, a letter or "-").
// Each test adds to a byte's low seven bits, which never carries into the next
// byte; a byte with its high bit set passes none.
constexpr std::uint64_t ONES = 0x0101010101010101ULL;
constexpr std::uint64_t HIGHS = 0x8080808080808080ULL;

constexpr std::uint64_t at_least(std::uint64_t low_bits, unsigned char c) {
    return (low_bits + ONES * (0x80u - c)) & HIGHS;
}

inline std::uint64_t load_word(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

constexpr std::uint64_t digit_marks(std::uint64_t word) {
    const std::uint64_t low = word & ~HIGHS;
    return at_least(low, '0') & ~at_least(low, '9' + 1) & ~word & HIGHS;
}

struct IdentifierBytes {
    std::uint64_t digits;
    std::uint64_t inside;
};

inline IdentifierBytes classify_word(const char* p) {
    const std::uint64_t word = load_word(p);
    const std::uint64_t ascii = ~word & HIGHS;
    const std::uint64_t folded = (word & ~HIGHS) | (ONES * 0x20);  // A-Z onto a-z, and no other byte onto a letter
    const std::uint64_t digits = digit_marks(word);
    const std::uint64_t letters = at_least(folded, 'a') & ~at_least(folded, 'z' + 1) & ascii;
    const std::uint64_t dashes = at_least(word & ~HIGHS, '-') & ~at_least(word & ~HIGHS, '-' + 1) & ascii;
    return {digits, digits | letters | dashes};
}

// Whether an identifier is all digits; a long one (the timestamp of a Go
// pseudo-version) is read a word at a time, the last word overlapping.
bool all_digit_identifier(std::string_view identifier) {
    const std::size_t n = identifier.size();
    if (n < 8) return all_digits(identifier);
    for (std::size_t i = 0; i + 8 < n; i += 8) {
        if (digit_marks(load_word(identifier.data() + i)) != HIGHS) return false;
    }
    return digit_marks(load_word(identifier.data() + n - 8)) == HIGHS;
}

Check check_prerelease_identifier(std::string_view identifier) {
    if (identifier.empty()) return Failure{std::string("empty identifier in prerelease")};
    for (char c : identifier) {
        if (!is_identifier_byte(c)) {
            return Failure{quoted_message("invalid character in prerelease identifier: ", identifier)};
        }
    }
    if (!all_digits(identifier)) return {};
    if (identifier.size() > 1 && identifier[0] == '0') {
        return Failure{quoted_message("leading zero in numeric prerelease identifier: ", identifier)};
    }
    if (!read_digit_run(identifier).fits) {
        return Failure{quoted_message("numeric prerelease identifier out of range for u64: ", identifier)};
    }
    return {};
}

Check check_prerelease(std::string_view prerelease) {
    if (prerelease.empty()) return Failure{std::string("empty prerelease")};
    DotPieces identifiers(prerelease);
    while (!identifiers.done()) {
        if (auto check = check_prerelease_identifier(identifiers.next()); !check.ok()) return check;
    }
    return {};
}

Ordering identifier_order(std::string_view a, std::string_view b) {
    const bool a_numeric = all_digit_identifier(a);
    const bool b_numeric = all_digit_identifier(b);
    if (a_numeric && b_numeric) return compare_digit_runs(a, b);
    if (a_numeric) return Ordering::Less;
    if (b_numeric) return Ordering::Greater;
    return compare_bytes(a, b);
}

Ordering prerelease_order(std::string_view a, std::string_view b) {
    // The identifiers before the one that holds the first difference are equal.
    std::size_t start = shared_prefix_length(a, b);
    if (start == a.size() && start == b.size()) return Ordering::Equal;
    while (start > 0 && a[start - 1] != '.') --start;
    DotPieces left(a.substr(start));
    DotPieces right(b.substr(start));
    while (!left.done() && !right.done()) {
        const Ordering o = identifier_order(left.next(), right.next());
        if (o != Ordering::Equal) return o;
    }
    if (left.done() && right.done()) return Ordering::Equal;
    return left.done() ? Ordering::Less : Ordering::Greater;
}

// A SemVer version as views into its text, so that a comparison of two texts
// copies nothing.
struct SemverParts {
    std::uint64_t major = 0;
    std::uint64_t minor = 0;
    std::uint64_t patch = 0;
    std::optional<std::string_view> prerelease;
    // Where a pre-release read from bit masks has its dots and the bytes of its
    // identifiers that are not digits (bit i for byte i), so that two of them are
    // ordered without walking their identifiers again.
    bool has_prerelease_masks = false;
    std::uint64_t prerelease_dots = 0;
    std::uint64_t prerelease_non_digits = 0;
};

// The usual case of a core number, read without building a message; the checks
// that explain a failure are parse_strict_u64's.
bool read_core_number(std::string_view text, std::uint64_t& out) {
    if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
    const DigitRun run = read_digit_run(text);
    if (run.length != text.size() || !run.fits) return false;
    out = run.value;
    return true;
}

// How a byte of a pre-release reads in the scan of the usual text.
enum class PrereleaseByte : std::uint8_t { Invalid, Digit, Other, Dot, End };

constexpr std::array<PrereleaseByte, 256> PRERELEASE_BYTES = [] {
    std::array<PrereleaseByte, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const char byte = static_cast<char>(c);
        if (is_digit(byte)) {
            table[c] = PrereleaseByte::Digit;
        } else if (is_identifier_byte(byte)) {
            table[c] = PrereleaseByte::Other;
        }
    }
    table['.'] = PrereleaseByte::Dot;
    table['+'] = PrereleaseByte::End;
    return table;
}();

// A core number of at most nineteen digits (which always fit) and no leading zero.
// The run is read whole before it is judged: a longer one has wrapped its value,
// which is then never used.
inline bool read_usual_number(const char*& p, const char* end, std::uint64_t& out) {
    const char* const start = p;
    std::uint64_t value = 0;
    for (; p != end && is_digit(*p); ++p) value = value * 10 + static_cast<unsigned>(*p - '0');
    const std::size_t length = static_cast<std::size_t>(p - start);
    if (length == 0 || length > 19 || (length > 1 && *start == '0')) return false;
    out = value;
    return true;
}

enum class MaskedRead { Valid, Invalid, TooLong };

// The pre-release at the start of `rest` (up to a "+" or the end), judged from
// bit masks of its bytes: a Go pseudo-version's is some thirty bytes of mixed
// digits, letters and dashes, which a byte-wise reader pays a guessed branch for
// at every change of kind. TooLong when `rest` does not fit the masks.
MaskedRead read_prerelease_by_masks(std::string_view rest, SemverParts& parts) {
    ShortText text;
    if (!text.load(rest)) return MaskedRead::TooLong;
    const auto classes = text.classify(std::array<char, 3>{'-', '.', '+'});
    const std::uint64_t dots = classes.marks[1];
    const std::uint64_t identifier_bytes = classes.digits | classes.letters | classes.marks[0];
    const std::uint64_t stoppers = low_bits(text.size()) & ~(identifier_bytes | dots);
    const auto stop = static_cast<unsigned>(stoppers ? std::countr_zero(stoppers) : text.size());
    if (stop == 0 || (stop < text.size() && text.data()[stop] != '+')) return MaskedRead::Invalid;
    const std::uint64_t within = low_bits(stop);
    const std::uint64_t separators = dots & within;
    // An empty identifier: a dot first, last, or next to another.
    if ((separators & 1) || ((separators >> (stop - 1)) & 1) || (separators & (separators >> 1))) {
        return MaskedRead::Invalid;
    }
    const std::uint64_t non_digits = identifier_bytes & ~classes.digits & within;
    std::uint64_t later_dots = separators;
    for (unsigned start = 0;;) {
        const unsigned finish = later_dots ? static_cast<unsigned>(std::countr_zero(later_dots)) : stop;
        const unsigned length = finish - start;
        // A numeric identifier: no leading zero, and short enough to fit unchecked.
        if ((non_digits & (low_bits(length) << start)) == 0 &&
            (length > 19 || (length > 1 && text.data()[start] == '0'))) {
            return MaskedRead::Invalid;
        }
        if (!later_dots) break;
        later_dots &= later_dots - 1;
        start = finish + 1;
    }
    parts.prerelease = rest.substr(0, stop);
    parts.has_prerelease_masks = true;
    parts.prerelease_dots = separators;
    parts.prerelease_non_digits = non_digits;
    return MaskedRead::Valid;
}

// Reads, in one pass, the shape that nearly every version has: three core
// numbers, then maybe a pre-release whose identifiers are all valid (numeric ones
// of at most nineteen digits), then maybe build metadata. False for anything
// else, which the general reader below then judges and explains; what this
// accepts, that reader reads alike.
bool read_usual_semver(std::string_view rest, SemverParts& parts) {
    const char* p = rest.data();
    const char* const end = p + rest.size();
    if (!read_usual_number(p, end, parts.major) || p == end || *p++ != '.' ||
        !read_usual_number(p, end, parts.minor) || p == end || *p++ != '.' ||
        !read_usual_number(p, end, parts.patch)) {
        return false;
    }
    if (p == end || *p == '+') return true;
    if (*p++ != '-') return false;
    switch (read_prerelease_by_masks(std::string_view(p, static_cast<std::size_t>(end - p)), parts)) {
        case MaskedRead::Valid: return true;
        case MaskedRead::Invalid: return false;
        case MaskedRead::TooLong: break;
    }
    const char* const prerelease = p;
    const char* identifier = p;
    bool numeric = true;
    for (;;) {
        if (end - p >= 8) {
            const IdentifierBytes bytes = classify_word(p);
            // The bytes before the first that is not an identifier's own (a dot,
            // a "+", anything invalid) go on the identifier, eight at once at best.
            const std::size_t inside = static_cast<std::size_t>(std::countr_zero(~bytes.inside & HIGHS)) / 8;
            const std::uint64_t read = inside == 8 ? HIGHS : HIGHS & ((std::uint64_t{1} << (8 * inside)) - 1);
            numeric = numeric && (bytes.digits & read) == read;
            p += inside;
            if (inside == 8) continue;
        }
        const PrereleaseByte c = p == end ? PrereleaseByte::End : PRERELEASE_BYTES[static_cast<unsigned char>(*p)];
        if (c == PrereleaseByte::Digit) {
            ++p;
            continue;
        }
        if (c == PrereleaseByte::Other) {
            numeric = false;
            ++p;
            continue;
        }
        if (c == PrereleaseByte::Invalid) return false;
        const std::size_t length = static_cast<std::size_t>(p - identifier);
        if (length == 0 || (numeric && ((length > 1 && *identifier == '0') || length > 19))) return false;
        if (c == PrereleaseByte::End) break;
        identifier = ++p;
        numeric = true;
    }
    parts.prerelease = std::string_view(prerelease, static_cast<std::size_t>(p - prerelease));
    return true;
}

Result<void, std::string> parse_semver_parts(std::string_view text, SemverParts& parts) {
    std::string_view rest = trim_white_space(text);
    if (has_v_prefix(rest)) rest.remove_prefix(1);
    if (read_usual_semver(rest, parts)) return {};
    parts = SemverParts{};

    // One pass finds where the build metadata starts, where the pre-release starts
    // and where the core's dots are; the build metadata is never looked at.
    constexpr std::size_t NONE = std::string_view::npos;
    std::size_t dash = NONE;
    std::size_t dots[2] = {NONE, NONE};
    std::size_t dot_count = 0;
    std::size_t end = 0;
    for (; end < rest.size(); ++end) {
        const char c = rest[end];
        if (c == '+') break;
        if (dash != NONE) continue;
        if (c == '-') {
            dash = end;
        } else if (c == '.') {
            if (dot_count < 2) dots[dot_count] = end;
            ++dot_count;
        }
    }
    if (dot_count != 2) return Failure{"Expected 3 parts, got " + std::to_string(dot_count + 1)};

    const std::string_view core = rest.substr(0, dash == NONE ? end : dash);
    const std::string_view pieces[] = {
        core.substr(0, dots[0]),
        core.substr(dots[0] + 1, dots[1] - dots[0] - 1),
        core.substr(dots[1] + 1),
    };
    std::uint64_t* const fields[] = {&parts.major, &parts.minor, &parts.patch};
    constexpr std::string_view NAMES[] = {"major", "minor", "patch"};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!read_core_number(pieces[i], *fields[i])) {
            return Failure{std::move(parse_strict_u64(pieces[i], NAMES[i]).error())};
        }
    }

    if (dash != NONE) {
        const std::string_view prerelease = rest.substr(dash + 1, end - dash - 1);
        if (auto check = check_prerelease(prerelease); !check.ok()) return Failure{std::move(check.error())};
        parts.prerelease = prerelease;
    }
    return {};
}

// The parts of a text for a comparison, which needs no message: the usual
// shape is read in place, anything else by the general reader.
inline bool read_semver_parts(std::string_view text, SemverParts& parts) {
    std::string_view rest = trim_white_space(text);
    if (has_v_prefix(rest)) rest.remove_prefix(1);
    return read_usual_semver(rest, parts) || parse_semver_parts(text, parts).ok();
}

// Where the identifier of a masked pre-release that holds byte `at` ends.
inline std::size_t identifier_end(const SemverParts& parts, std::size_t at) {
    const std::size_t size = parts.prerelease->size();
    if (at >= size) return size;
    const std::uint64_t later_dots = parts.prerelease_dots & ~low_bits(at);
    return later_dots ? static_cast<std::size_t>(std::countr_zero(later_dots)) : size;
}

// prerelease_order for two pre-releases read from masks: the identifiers before
// the first differing byte are equal, and the pair that holds it decides.
Ordering masked_prerelease_order(const SemverParts& a, const SemverParts& b) {
    const std::string_view x = *a.prerelease;
    const std::string_view y = *b.prerelease;
    const std::size_t at = shared_prefix_length(x, y);
    if (at == x.size() && at == y.size()) return Ordering::Equal;
    // Both texts are the same up to `at`, so the identifier starts after the same dot.
    const std::uint64_t dots_before = a.prerelease_dots & low_bits(at);
    const std::size_t start = dots_before ? static_cast<std::size_t>(64 - std::countl_zero(dots_before)) : 0;
    const std::size_t x_end = identifier_end(a, at);
    const std::size_t y_end = identifier_end(b, at);
    if (x_end == at && y_end == at) {
        // The same identifier, which one text follows with a dot and more.
        return at < x.size() ? Ordering::Greater : Ordering::Less;
    }
    const bool x_numeric = (a.prerelease_non_digits & low_bits(x_end) & ~low_bits(start)) == 0;
    const bool y_numeric = (b.prerelease_non_digits & low_bits(y_end) & ~low_bits(start)) == 0;
    if (x_numeric != y_numeric) return x_numeric ? Ordering::Less : Ordering::Greater;
    // Numbers have no leading zero: the longer is the greater.
    if (x_numeric && x_end != y_end) return x_end < y_end ? Ordering::Less : Ordering::Greater;
    // An identifier that ends at `at` is a prefix of the other.
    if (x_end == at) return Ordering::Less;
    if (y_end == at) return Ordering::Greater;
    return order_of(static_cast<unsigned char>(x[at]), static_cast<unsigned char>(y[at]));
}

Ordering cmp_semver_parts(const SemverParts& a, const SemverParts& b) {
    if (a.major != b.major) return order_of(a.major, b.major);
    if (a.minor != b.minor) return order_of(a.minor, b.minor);
    if (a.patch != b.patch) return order_of(a.patch, b.patch);
    if (!a.prerelease && !b.prerelease) return Ordering::Equal;
    if (!a.prerelease) return Ordering::Greater;
    if (!b.prerelease) return Ordering::Less;
    if (a.has_prerelease_masks && b.has_prerelease_masks) return masked_prerelease_order(a, b);
    return prerelease_order(*a.prerelease, *b.prerelease);
}

SemverParts parts_of(const SemverValue& value) {
    SemverParts parts{value.major, value.minor, value.patch, std::nullopt};
    if (value.has_prerelease) parts.prerelease = value.prerelease.view();
    return parts;
}

}  // namespace

Result<std::uint64_t, std::string> parse_strict_u64(std::string_view text, std::string_view name) {
    if (text.empty()) {
        std::string message("empty ");
        message.append(name);
        return Failure{std::move(message)};
    }
    if (text.size() > 1 && text[0] == '0') return Failure{field_message("leading zero in ", name, text)};
    const DigitRun run = read_digit_run(text);
    if (run.length != text.size() || !run.fits) return Failure{field_message("invalid ", name, text)};
    return run.value;
}

Result<SemverValue, std::string> parse_semver_strict(std::string_view text) {
    SemverParts parts;
    if (auto parsed = parse_semver_parts(text, parts); !parsed.ok()) return Failure{std::move(parsed.error())};
    SemverValue value;
    value.major = parts.major;
    value.minor = parts.minor;
    value.patch = parts.patch;
    if (parts.prerelease) {
        value.has_prerelease = true;
        value.prerelease = OwnedText(*parts.prerelease);
    }
    return value;
}

Ordering cmp_semver_strict(const SemverValue& a, const SemverValue& b) {
    return cmp_semver_parts(parts_of(a), parts_of(b));
}

ParseOutcome SemverStrategy::parse(std::string_view text) const {
    auto parsed = parse_semver_strict(text);
    if (!parsed.ok()) return Failure{std::move(parsed.error())};
    ParseOutcome outcome(std::in_place);
    outcome.value().value.emplace<ParsedRepr::Semver>(std::move(parsed.value()));
    return outcome;
}

CompareOutcome SemverStrategy::compare(const ParsedRepr& a, const ParsedRepr& b) const {
    const auto* left = std::get_if<ParsedRepr::Semver>(&a.value);
    const auto* right = std::get_if<ParsedRepr::Semver>(&b.value);
    if (!left || !right) return Failure{InternalError{unreachable_message_}};
    return cmp_semver_strict(*left, *right);
}

std::optional<Ordering> SemverStrategy::compare_texts(std::string_view a, std::string_view b) const {
    SemverParts left, right;
    if (!read_semver_parts(a, left) || !read_semver_parts(b, right)) return std::nullopt;
    return cmp_semver_parts(left, right);
}

constinit const SemverStrategy SEMVER_STRATEGY;
constinit const GoStrategy GO_STRATEGY;

}  // namespace tambry
