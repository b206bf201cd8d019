#include "semver.hpp"

#include <cstring>
#include <limits>
#include <optional>
#include <utility>

#include "text.hpp"

namespace tambry {
namespace {

constexpr std::uint64_t U64_MAX = std::numeric_limits<std::uint64_t>::max();

bool all_digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!is_digit(c)) return false;
    }
    return true;
}

// The value of a run of digits, or nothing when it does not fit in 64 bits. The
// bound is checked before each step so the accumulator never wraps.
std::optional<std::uint64_t> digits_value(std::string_view digits) {
    std::uint64_t value = 0;
    for (char c : digits) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (U64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

bool is_identifier_byte(char c) { return is_alnum(c) || c == '-'; }

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

std::optional<std::string> check_prerelease_identifier(std::string_view identifier) {
    if (identifier.empty()) return std::string("empty identifier in prerelease");
    for (char c : identifier) {
        if (!is_identifier_byte(c)) {
            return quoted_message("invalid character in prerelease identifier: ", identifier);
        }
    }
    if (!all_digits(identifier)) return std::nullopt;
    if (identifier.size() > 1 && identifier[0] == '0') {
        return quoted_message("leading zero in numeric prerelease identifier: ", identifier);
    }
    if (!digits_value(identifier)) {
        return quoted_message("numeric prerelease identifier out of range for u64: ", identifier);
    }
    return std::nullopt;
}

std::optional<std::string> check_prerelease(std::string_view prerelease) {
    if (prerelease.empty()) return std::string("empty prerelease");
    DotPieces identifiers(prerelease);
    while (!identifiers.done()) {
        if (auto message = check_prerelease_identifier(identifiers.next())) return message;
    }
    return std::nullopt;
}

Ordering byte_order(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    const int c = common ? std::memcmp(a.data(), b.data(), common) : 0;
    if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    return order_of(a.size(), b.size());
}

// Numeric identifiers are ordered by value without converting them: with leading
// zeros set aside, a longer run is larger, and runs of one length order as text.
Ordering numeric_order(std::string_view a, std::string_view b) {
    const std::size_t a_zeros = a.find_first_not_of('0');
    const std::size_t b_zeros = b.find_first_not_of('0');
    a.remove_prefix(a_zeros == std::string_view::npos ? a.size() : a_zeros);
    b.remove_prefix(b_zeros == std::string_view::npos ? b.size() : b_zeros);
    if (a.size() != b.size()) return order_of(a.size(), b.size());
    return byte_order(a, b);
}

Ordering identifier_order(std::string_view a, std::string_view b) {
    const bool a_numeric = all_digits(a);
    const bool b_numeric = all_digits(b);
    if (a_numeric && b_numeric) return numeric_order(a, b);
    if (a_numeric) return Ordering::Less;
    if (b_numeric) return Ordering::Greater;
    return byte_order(a, b);
}

Ordering prerelease_order(std::string_view a, std::string_view b) {
    DotPieces left(a);
    DotPieces right(b);
    while (!left.done() && !right.done()) {
        const Ordering o = identifier_order(left.next(), right.next());
        if (o != Ordering::Equal) return o;
    }
    if (left.done() && right.done()) return Ordering::Equal;
    return left.done() ? Ordering::Less : Ordering::Greater;
}

ParseOutcome parse_as_semver(std::string_view text) {
    auto parsed = parse_semver_strict(text);
    if (!parsed.ok()) return Failure{std::move(parsed.error())};
    ParseOutcome outcome(std::in_place);
    outcome.value().value.emplace<ParsedRepr::Semver>(std::move(parsed.value()));
    return outcome;
}

CompareOutcome compare_as_semver(const ParsedRepr& a, const ParsedRepr& b, std::string_view unreachable) {
    const auto* left = std::get_if<ParsedRepr::Semver>(&a.value);
    const auto* right = std::get_if<ParsedRepr::Semver>(&b.value);
    if (!left || !right) return Failure{InternalError{unreachable}};
    return cmp_semver_strict(*left, *right);
}

}  // namespace

Result<std::uint64_t, std::string> parse_strict_u64(std::string_view text, std::string_view name) {
    if (text.empty()) {
        std::string message("empty ");
        message.append(name);
        return Failure{std::move(message)};
    }
    if (text.size() > 1 && text[0] == '0') return Failure{field_message("leading zero in ", name, text)};
    std::optional<std::uint64_t> value;
    if (all_digits(text)) value = digits_value(text);
    if (!value) return Failure{field_message("invalid ", name, text)};
    return *value;
}

namespace {

// A SemVer version as views into its text, so that a comparison of two texts
// copies nothing.
struct SemverParts {
    std::uint64_t major = 0;
    std::uint64_t minor = 0;
    std::uint64_t patch = 0;
    std::optional<std::string_view> prerelease;
};

// The usual case of a core number, read without building a message; the checks
// that explain a failure are parse_strict_u64's.
bool read_core_number(std::string_view text, std::uint64_t& out) {
    if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!is_digit(c)) return false;
        if (__builtin_mul_overflow(value, 10, &value) ||
            __builtin_add_overflow(value, static_cast<std::uint64_t>(c - '0'), &value)) {
            return false;
        }
    }
    out = value;
    return true;
}

// Nothing on success, else the message of the first check that fails.
std::optional<std::string> parse_semver_parts(std::string_view text, SemverParts& out) {
    std::string_view rest = trim_white_space(text);
    if (has_v_prefix(rest)) rest.remove_prefix(1);

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
    if (dot_count != 2) return "Expected 3 parts, got " + std::to_string(dot_count + 1);

    const std::string_view core = rest.substr(0, dash == NONE ? end : dash);
    const std::string_view pieces[] = {
        core.substr(0, dots[0]),
        core.substr(dots[0] + 1, dots[1] - dots[0] - 1),
        core.substr(dots[1] + 1),
    };
    std::uint64_t* const fields[] = {&out.major, &out.minor, &out.patch};
    constexpr std::string_view NAMES[] = {"major", "minor", "patch"};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!read_core_number(pieces[i], *fields[i])) return std::move(parse_strict_u64(pieces[i], NAMES[i]).error());
    }

    if (dash != NONE) {
        const std::string_view prerelease = rest.substr(dash + 1, end - dash - 1);
        if (auto message = check_prerelease(prerelease)) return message;
        out.prerelease = prerelease;
    }
    return std::nullopt;
}

Ordering cmp_semver_parts(const SemverParts& a, const SemverParts& b) {
    if (a.major != b.major) return order_of(a.major, b.major);
    if (a.minor != b.minor) return order_of(a.minor, b.minor);
    if (a.patch != b.patch) return order_of(a.patch, b.patch);
    if (!a.prerelease && !b.prerelease) return Ordering::Equal;
    if (!a.prerelease) return Ordering::Greater;
    if (!b.prerelease) return Ordering::Less;
    return prerelease_order(*a.prerelease, *b.prerelease);
}

SemverParts parts_of(const SemverValue& value) {
    SemverParts parts{value.major, value.minor, value.patch, std::nullopt};
    if (value.has_prerelease) parts.prerelease = value.prerelease.view();
    return parts;
}

}  // namespace

Result<SemverValue, std::string> parse_semver_strict(std::string_view text) {
    SemverParts parts;
    if (auto message = parse_semver_parts(text, parts)) return Failure{std::move(*message)};
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

namespace {

Result<Ordering, std::string> compare_texts_as_semver(std::string_view a, std::string_view b) {
    SemverParts left, right;
    if (auto message = parse_semver_parts(a, left)) return Failure{std::move(*message)};
    if (auto message = parse_semver_parts(b, right)) return Failure{std::move(*message)};
    return cmp_semver_parts(left, right);
}

}  // namespace

ParseOutcome SemverStrategy::parse(std::string_view text) const { return parse_as_semver(text); }

CompareOutcome SemverStrategy::compare(const ParsedRepr& a, const ParsedRepr& b) const {
    return compare_as_semver(
        a, b, "internal error: entered unreachable code: semver strategy received non-semver parsed values");
}

Result<Ordering, std::string> SemverStrategy::compare_texts(std::string_view a, std::string_view b) const {
    return compare_texts_as_semver(a, b);
}

ParseOutcome GoStrategy::parse(std::string_view text) const { return parse_as_semver(text); }

CompareOutcome GoStrategy::compare(const ParsedRepr& a, const ParsedRepr& b) const {
    return compare_as_semver(
        a, b, "internal error: entered unreachable code: go strategy received non-semver parsed values");
}

Result<Ordering, std::string> GoStrategy::compare_texts(std::string_view a, std::string_view b) const {
    return compare_texts_as_semver(a, b);
}

const SemverStrategy SEMVER_STRATEGY{};
const GoStrategy GO_STRATEGY{};

}  // namespace tambry
