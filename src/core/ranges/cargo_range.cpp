// Cargo version requirements, read as the Rust `semver` crate (1.0.14) reads them:
// VersionReq::parse, then VersionReq::matches.
//
//     req         := " "* ("*" | "x" | "X") " "*                 any release
//                  | comparator ("," comparator)*                at most 32, all hold
//     comparator  := " "* [op] " "* major ["." minor ["." patch ["-" pre] ["+" build]]] " "*
//     op          := "=" | ">" | ">=" | "<" | "<=" | "~" | "^"   "^" when there is none
//     minor/patch := number | "*" | "x" | "X"                    a wildcard ends the version
//
// Only spaces count as white space. Numbers fit in 64 bits and have no leading
// zeros, nor do numeric pre-release identifiers; build metadata is read and
// ignored. Each comparator stands for an interval, as the crate documents it:
//     =1.2.3   that version         =1.2  >=1.2.0 <1.3.0-0      =1  >=1.0.0 <2.0.0-0
//     >1.2.3   above it             >1.2  >=1.3.0-0             >1  >=2.0.0-0
//     >=1.2.3  from it              >=1.2 >=1.2.0               >=1 >=1.0.0
//     <1.2.3   below it             <1.2  <1.2.0-0              <1  <1.0.0-0
//     <=1.2.3  up to it             <=1.2 <1.3.0-0              <=1 <2.0.0-0
//     ~1.2.3   >=1.2.3 <1.3.0-0     ~1.2  =1.2                  ~1  =1
//     ^1.2.3   >=1.2.3 <2.0.0-0     ^0.2.3 >=0.2.3 <0.3.0-0     ^0.0.3  =0.0.3
//     ^1.2     >=1.2.0-0 <2.0.0-0   ^0.2  >=0.2.0-0 <0.3.0-0    ^1  >=1.0.0-0 <2.0.0-0
//     1.2.*    =1.2                 1.*   =1                    *   any release
// Build metadata takes no part in matching: "=1.2.3" holds 1.2.3+any, though
// cargo's order puts builds apart.
//
// The pre-release rule, the crate's: a pre-release matches only when every
// comparator matches it and one of them names a pre-release of the same
// major.minor.patch ("pre_is_compatible"). Each comparator is also stricter with
// pre-releases than its interval: "=1.2", "~1.2", "^0.0.3" and their kind hold
// none, and ">=1.2" and "<=1.2" none of 1.2 ("<=1.2" ends at 1.2.0-0 for them).
// prereleases=True drops both rules and tests pre-releases against the intervals
// above, as releases are; False admits none.
#include <limits>
#include <utility>

#include "ranges/range_syntax.hpp"
#include "text.hpp"

namespace tambry::ranges {
namespace {

constexpr std::uint64_t MAX = std::numeric_limits<std::uint64_t>::max();
constexpr std::size_t MAX_COMPARATORS = 32;

enum class Op : std::uint8_t { Exact, Greater, GreaterEq, Less, LessEq, Tilde, Caret, Wildcard };

struct Requirement {
    Op op = Op::Caret;
    std::uint64_t major = 0;
    std::optional<std::uint64_t> minor;
    std::optional<std::uint64_t> patch;
    std::string_view pre;
    std::size_t offset = 0;  // where the version starts
};

bool is_wildcard(char c) { return c == '*' || c == 'x' || c == 'X'; }

void skip_spaces(RangeCursor& cursor) {
    while (cursor.peek() == ' ' && !cursor.at_end()) cursor.advance();
}

// The version text a failure quotes: from its start up to a space or ",".
std::string_view version_word(const RangeCursor& cursor, std::size_t start) {
    const std::string_view text = cursor.text();
    std::size_t end = start;
    while (end < text.size() && text[end] != ' ' && text[end] != ',') ++end;
    return text.substr(start, end - start);
}

RangeError rejected_version(const RangeCursor& cursor, std::size_t start) {
    return cursor.invalid_version(version_word(cursor, start), start);
}

RangeResult<std::uint64_t> read_number(RangeCursor& cursor, std::size_t version_start) {
    if (!is_digit(cursor.peek())) return Failure{cursor.error("expected a number")};
    std::uint64_t value = 0;
    std::size_t length = 0;
    while (is_digit(cursor.peek())) {
        if (value == 0 && length > 0) return Failure{rejected_version(cursor, version_start)};  // leading zero
        const auto digit = static_cast<std::uint64_t>(cursor.peek() - '0');
        if (__builtin_mul_overflow(value, 10, &value) || __builtin_add_overflow(value, digit, &value)) {
            return Failure{rejected_version(cursor, version_start)};
        }
        cursor.advance();
        ++length;
    }
    return value;
}

// Dot-separated identifiers of [0-9A-Za-z-], as the crate reads them: none at all
// before anything but a dot, else never an empty one, and in a pre-release no
// numeric one with a leading zero.
RangeResult<std::string_view> read_identifiers(RangeCursor& cursor, bool prerelease, std::size_t version_start) {
    const std::string_view text = cursor.text();
    const std::size_t start = cursor.offset();
    std::size_t pos = start;
    for (;;) {
        const std::size_t segment = pos;
        bool numeric = true;
        while (pos < text.size() && (is_alnum(text[pos]) || text[pos] == '-')) {
            numeric = numeric && is_digit(text[pos]);
            ++pos;
        }
        const char boundary = pos < text.size() ? text[pos] : '\0';
        if (pos == segment) {
            if (pos == start && boundary != '.') return std::string_view();
            return Failure{rejected_version(cursor, version_start)};
        }
        if (prerelease && numeric && pos - segment > 1 && text[segment] == '0') {
            return Failure{rejected_version(cursor, version_start)};
        }
        if (pos >= text.size() || boundary != '.') break;
        ++pos;
    }
    cursor.advance(pos - start);
    return text.substr(start, pos - start);
}

Op read_op(RangeCursor& cursor, bool& written) {
    written = true;
    switch (cursor.peek()) {
        case '=':
            cursor.advance();
            return Op::Exact;
        case '>':
            cursor.advance();
            return cursor.consume('=') ? Op::GreaterEq : Op::Greater;
        case '<':
            cursor.advance();
            return cursor.consume('=') ? Op::LessEq : Op::Less;
        case '~':
            cursor.advance();
            return Op::Tilde;
        case '^':
            cursor.advance();
            return Op::Caret;
        default:
            written = false;
            return Op::Caret;
    }
}

// An optional "." and a number or wildcard; nothing when the part is absent or a
// wildcard (which `wildcard` then tells).
RangeResult<std::optional<std::uint64_t>> read_part(RangeCursor& cursor, std::size_t version_start, bool& wildcard) {
    wildcard = false;
    if (!cursor.consume('.')) return std::optional<std::uint64_t>();
    if (is_wildcard(cursor.peek())) {
        cursor.advance();
        wildcard = true;
        return std::optional<std::uint64_t>();
    }
    auto number = read_number(cursor, version_start);
    if (!number.ok()) return Failure{std::move(number.error())};
    return std::optional<std::uint64_t>(number.value());
}

RangeResult<Requirement> read_comparator(RangeCursor& cursor) {
    Requirement r;
    bool written = false;
    r.op = read_op(cursor, written);
    skip_spaces(cursor);
    r.offset = cursor.offset();
    auto major = read_number(cursor, r.offset);
    if (!major.ok()) return Failure{std::move(major.error())};
    r.major = major.value();
    bool minor_wildcard = false;
    auto minor = read_part(cursor, r.offset, minor_wildcard);
    if (!minor.ok()) return Failure{std::move(minor.error())};
    r.minor = minor.value();
    if (minor_wildcard && !written) r.op = Op::Wildcard;
    if (cursor.peek() == '.' && minor_wildcard && !is_wildcard(cursor.peek(1))) {
        cursor.advance();
        return Failure{cursor.error("expected a wildcard after a wildcard")};
    }
    bool patch_wildcard = false;
    auto patch = read_part(cursor, r.offset, patch_wildcard);
    if (!patch.ok()) return Failure{std::move(patch.error())};
    r.patch = patch.value();
    if (patch_wildcard && !written) r.op = Op::Wildcard;
    if (r.patch && cursor.consume('-')) {
        auto pre = read_identifiers(cursor, true, r.offset);
        if (!pre.ok()) return Failure{std::move(pre.error())};
        if (pre.value().empty()) return Failure{rejected_version(cursor, r.offset)};
        r.pre = pre.value();
    }
    if (r.patch && cursor.consume('+')) {
        auto build = read_identifiers(cursor, false, r.offset);
        if (!build.ok()) return Failure{std::move(build.error())};
        if (build.value().empty()) return Failure{rejected_version(cursor, r.offset)};
    }
    skip_spaces(cursor);
    return r;
}

// ------------------------------------------------------------ the sets

std::string version_text(std::uint64_t major, std::uint64_t minor, std::uint64_t patch, std::string_view pre = {}) {
    std::string out = std::to_string(major);
    out.push_back('.');
    out.append(std::to_string(minor));
    out.push_back('.');
    out.append(std::to_string(patch));
    if (!pre.empty()) {
        out.push_back('-');
        out.append(pre);
    }
    return out;
}

// The least version above every one with this major (or major.minor, or
// major.minor.patch): the next one's "-0", none past the largest number.
std::optional<std::string> after_major(std::uint64_t major) {
    if (major == MAX) return std::nullopt;
    return version_text(major + 1, 0, 0, "0");
}
std::optional<std::string> after_minor(std::uint64_t major, std::uint64_t minor) {
    if (minor == MAX) return after_major(major);
    return version_text(major, minor + 1, 0, "0");
}
std::optional<std::string> after_patch(std::uint64_t major, std::uint64_t minor, std::uint64_t patch) {
    if (patch == MAX) return after_minor(major, minor);
    return version_text(major, minor, patch + 1, "0");
}

// The versions from `lower` up to `upper`, each a version the cut is just below,
// an absent one unbounded.
struct Span {
    std::optional<std::string> lower;
    std::optional<std::string> upper;
    bool empty = false;
};

Span between(std::optional<std::string> lower, std::optional<std::string> upper) { return {lower, upper, false}; }
Span from(std::optional<std::string> lower) {
    // A lower end past the largest version leaves nothing.
    if (!lower) return {std::nullopt, std::nullopt, true};
    return {lower, std::nullopt, false};
}
Span below(std::string upper) { return {std::nullopt, std::move(upper), false}; }
Span nothing() { return {std::nullopt, std::nullopt, true}; }

// What releases are tested against, and what pre-releases match on their own.
struct Meaning {
    Span versions;
    Span prereleases;
};

Meaning exact_partial(const Requirement& r) {
    if (!r.minor) return {between(version_text(r.major, 0, 0), after_major(r.major)), nothing()};
    return {between(version_text(r.major, *r.minor, 0), after_minor(r.major, *r.minor)), nothing()};
}

Meaning meaning_of(const Requirement& r) {
    const std::uint64_t M = r.major;
    if (!r.minor || !r.patch) {
        // A partial version: "major" or "major.minor".
        const std::string start = r.minor ? version_text(M, *r.minor, 0) : version_text(M, 0, 0);
        const std::string start_pre = r.minor ? version_text(M, *r.minor, 0, "0") : version_text(M, 0, 0, "0");
        const std::optional<std::string> after = r.minor ? after_minor(M, *r.minor) : after_major(M);
        switch (r.op) {
            case Op::Exact:
            case Op::Wildcard:
            case Op::Tilde:
                return exact_partial(r);
            case Op::Greater:
                return {from(after), from(after)};
            case Op::GreaterEq:
                return {from(start), from(after)};
            case Op::Less:
                return {below(start_pre), below(start_pre)};
            case Op::LessEq:
                return {between(std::nullopt, after), below(start_pre)};
            case Op::Caret: {
                const Span span = between(start_pre, !r.minor || M > 0 ? after_major(M) : after);
                return {span, span};
            }
        }
    }
    const std::uint64_t m = *r.minor;
    const std::uint64_t p = *r.patch;
    const std::string v = version_text(M, m, p, r.pre);
    const std::optional<std::string> next = r.pre.empty() ? after_patch(M, m, p) : std::optional(v + ".0");
    const Span point = between(v, next);
    const Span none_unless_pre = r.pre.empty() ? nothing() : point;
    switch (r.op) {
        case Op::Exact:
        case Op::Wildcard:
            return {point, none_unless_pre};
        case Op::Greater:
            return {from(next), from(next)};
        case Op::GreaterEq:
            return {from(v), from(v)};
        case Op::Less:
            return {below(v), below(v)};
        case Op::LessEq:
            return {between(std::nullopt, next), between(std::nullopt, next)};
        case Op::Tilde:
            return {between(v, after_minor(M, m)), between(v, after_minor(M, m))};
        case Op::Caret:
            if (M > 0) return {between(v, after_major(M)), between(v, after_major(M))};
            if (m > 0) return {between(v, after_minor(M, m)), between(v, after_minor(M, m))};
            return {between(v, after_patch(M, m, p)), r.pre.empty() ? nothing() : between(v, after_patch(M, m, p))};
    }
    return {};
}

// Narrows a list to a span: above the cut below its lower version, below the cut
// below its upper one. False for a span that holds nothing.
std::optional<RangeError> narrow(const RangeCursor& cursor, ComparatorList& list, const Span& span,
                                 std::size_t offset, bool& empty) {
    if (span.empty) {
        empty = true;
        return std::nullopt;
    }
    if (span.lower) {
        if (auto failure = cursor.add(list, Comparator::GreaterEqual, *span.lower, offset)) return failure;
    }
    if (span.upper) return cursor.add(list, Comparator::Less, *span.upper, offset);
    return std::nullopt;
}

// Every comparator's interval, or their pre-release sets, as one set.
RangeResult<IntervalSet> all_of(const RangeCursor& cursor, const std::vector<Requirement>& requirements,
                                bool prereleases) {
    ComparatorList list;
    bool empty = false;
    for (const Requirement& r : requirements) {
        const Meaning meaning = meaning_of(r);
        if (auto failure = narrow(cursor, list, prereleases ? meaning.prereleases : meaning.versions, r.offset, empty)) {
            return Failure{*failure};
        }
    }
    return empty ? IntervalSet() : list.finish();
}

// The pre-releases some comparator names one of: from the "-0" of its release,
// the least, to the release.
RangeResult<IntervalSet> named_prereleases(const RangeCursor& cursor, const std::vector<Requirement>& requirements) {
    std::vector<Piece> pieces;
    for (const Requirement& r : requirements) {
        if (r.pre.empty()) continue;
        auto lower = cursor.below(version_text(r.major, *r.minor, *r.patch, "0"), r.offset);
        if (!lower.ok()) return Failure{std::move(lower.error())};
        auto upper = cursor.below(version_text(r.major, *r.minor, *r.patch), r.offset);
        if (!upper.ok()) return Failure{std::move(upper.error())};
        pieces.push_back({std::move(lower.value()), std::move(upper.value())});
    }
    return IntervalSet::union_of(std::move(pieces));
}

// The crate says so when a comparator that fails to read is a lone wildcard.
bool is_misplaced_wildcard(std::string_view text, std::size_t start) {
    if (start >= text.size() || !is_wildcard(text[start])) return false;
    std::size_t pos = start + 1;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    return pos == text.size() || text[pos] == ',';
}

}  // namespace

RangeResult<VersionSet> parse_cargo_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    skip_spaces(cursor);
    if (is_wildcard(cursor.peek())) {
        const std::size_t star = cursor.offset();
        cursor.advance();
        skip_spaces(cursor);
        if (cursor.at_end()) return apply_prerelease_policy(scheme, IntervalSet::all(), policy, IntervalSet());
        if (cursor.peek() == ',') return Failure{cursor.error_at(star, "a wildcard must be the only comparator")};
        return Failure{cursor.error("expected the end after a wildcard")};
    }
    std::vector<Requirement> requirements;
    bool names_prerelease = false;
    for (;;) {
        const std::size_t start = cursor.offset();
        auto requirement = read_comparator(cursor);
        if (!requirement.ok()) {
            if (is_misplaced_wildcard(text, start)) {
                return Failure{cursor.error_at(start, "a wildcard must be the only comparator")};
            }
            return Failure{std::move(requirement.error())};
        }
        names_prerelease = names_prerelease || !requirement.value().pre.empty();
        requirements.push_back(requirement.value());
        if (cursor.at_end()) break;
        if (!cursor.consume(',')) return Failure{cursor.error("expected ','")};
        skip_spaces(cursor);
        if (requirements.size() == MAX_COMPARATORS) return Failure{cursor.error("more than 32 comparators")};
    }
    auto versions = all_of(cursor, requirements, false);
    if (!versions.ok()) return Failure{std::move(versions.error())};
    // Without a comparator that names a pre-release, the crate matches none.
    IntervalSet prereleases;
    if (names_prerelease && policy == PrereleasePolicy::Default) {
        auto matching = all_of(cursor, requirements, true);
        if (!matching.ok()) return Failure{std::move(matching.error())};
        auto named = named_prereleases(cursor, requirements);
        if (!named.ok()) return Failure{std::move(named.error())};
        prereleases = matching.value().intersect(named.value());
    }
    return apply_prerelease_policy(scheme, std::move(versions.value()), policy, std::move(prereleases));
}

}  // namespace tambry::ranges
