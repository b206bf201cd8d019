// RubyGems requirements, read as Gem::Requirement of RubyGems 3.3.15 reads them:
//
//     range        := requirement ("," requirement)*    every requirement holds
//     requirement  := [operator] version                 blanks around each piece
//     operator     := "=" | "!=" | ">" | "<" | ">=" | "<=" | "~>"
//
// Each requirement is one string as Gem::Requirement.parse takes it, so
// "~> 1.2, >= 1.2.3" is what Gem::Requirement.new("~> 1.2", ">= 1.2.3") holds.
// A missing operator is "=", the blanks are Ruby's \s (ASCII white space), and
// the version must be one Gem::Version accepts. An empty text, like an empty
// requirement, is an error, as Gem::Requirement.parse("") is.
//
// "~> r" holds when v >= r and v.release < r.bump, r.bump being r's release
// numbers without the last (unless only one is left) and with the new last one
// raised by one: "~> 1.2.3" is below 1.3, "~> 1.2" and "~> 1" below 2. Its upper
// bound is spelled by no version: 2.0.a is below 2 but its release is 2, and the
// versions of release 2 have no least one ("2.a.a" < "2.a"). So the bound is a
// cut made from key bytes, just below every key of a version whose release is at
// least r.bump (native/gem.hpp, append_gem_release_floor).
//
// Gem::Requirement#satisfied_by? has no pre-release rule: under the default policy
// pre-releases are tested like every version ("< 2" holds 2.0.a).
#include "native/gem.hpp"
#include "ranges/range_syntax.hpp"

namespace tambry::ranges {
namespace {

enum class GemOperator : std::uint8_t { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual, Pessimistic };

GemOperator read_operator(RangeCursor& cursor) {
    if (cursor.consume("~>")) return GemOperator::Pessimistic;
    if (cursor.consume("!=")) return GemOperator::NotEqual;
    if (cursor.consume(">=")) return GemOperator::GreaterEqual;
    if (cursor.consume("<=")) return GemOperator::LessEqual;
    if (cursor.consume('>')) return GemOperator::Greater;
    if (cursor.consume('<')) return GemOperator::Less;
    cursor.consume('=');
    return GemOperator::Equal;
}

Comparator comparator_of(GemOperator op) {
    switch (op) {
        case GemOperator::NotEqual:
            return Comparator::NotEqual;
        case GemOperator::Less:
            return Comparator::Less;
        case GemOperator::LessEqual:
            return Comparator::LessEqual;
        case GemOperator::Greater:
            return Comparator::Greater;
        case GemOperator::GreaterEqual:
        case GemOperator::Pessimistic:
            return Comparator::GreaterEqual;
        case GemOperator::Equal:
            break;
    }
    return Comparator::Equal;
}

// The key just below every version whose release is at least `version`'s bump.
KeyBuffer bump_floor(const RangeScheme& scheme, std::string_view version) {
    native::GemVersion parsed, bumped;
    native::parse_gem(version, parsed);
    native::gem_bump(parsed, bumped);
    KeyBuffer key;
    key.push_back(native::KEY_FORMAT);
    key.push_back(native::key_id(scheme.ecosystem));
    native::append_gem_release_floor(bumped, key);
    return key;
}

// One requirement, added to `every`.
std::optional<RangeError> read_requirement(RangeCursor& cursor, ComparatorList& every) {
    cursor.skip_spaces();
    const GemOperator op = read_operator(cursor);
    cursor.skip_spaces();
    const std::size_t at = cursor.offset();
    const std::string_view version = cursor.take_word(",");
    // Gem::Version's pattern starts with a digit; anything else is no version at all.
    if (version.empty() || version[0] < '0' || version[0] > '9') {
        return cursor.error_at(at, "expected a version");
    }
    if (auto failure = cursor.add(every, comparator_of(op), version, at)) return failure;
    if (op == GemOperator::Pessimistic) {
        const KeyBuffer floor = bump_floor(cursor.scheme(), version);
        every.add(Comparator::Less, key_view(floor), {});
    }
    cursor.skip_spaces();
    return std::nullopt;
}

}  // namespace

RangeResult<VersionSet> parse_gem_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    ComparatorList every;
    do {
        if (auto failure = read_requirement(cursor, every)) return Failure{std::move(*failure)};
    } while (cursor.consume(','));
    if (!cursor.at_end()) return Failure{cursor.error("expected ',' or the end")};
    return apply_prerelease_policy(scheme, every.finish(), policy, std::nullopt);
}

}  // namespace tambry::ranges
