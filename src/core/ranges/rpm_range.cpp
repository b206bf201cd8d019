// RPM dependency relations, the version part of a Requires: as rpm reads it, with
// the package names left out:
//
//     range     := relation (separator relation)*     every relation holds
//     separator := white space or "," (any run of them)
//     relation  := operator [white space] version
//     operator  := "<" | "<=" | "=<" | "=" | "==" | ">=" | "=>" | ">"
//     version   := [epoch ":"] version ["-" release], up to white space or ","
//
// as in ">= 1.2-3, < 2". A version is any text rpm.ver takes. rpm itself wants
// white space between the operator and the version (">=1.2" is a package name to
// it) and checks versions for its build rules ("1..2" is refused); tambry reads
// ">=1.2" as ">= 1.2" and every version as rpm.ver reads it. Rich dependencies
// ("(foo >= 1 with foo < 2)") are not read.
//
// A package satisfies a relation as rpmdsCompare decides between its "= EVR" and
// the relation, which differs from comparing EVRs in two ways, both about a missing
// release (an empty one, as in "1.0-", counts as missing):
//   - A bound without a release stands for its version with every release: "= 1.0"
//     holds 1.0-5, "<= 1.0" holds 1.0-5, "> 1.0" does not hold 1.0-5.
//   - A package without a release satisfies every relation on a bound of its epoch
//     and version that has one: 1.0 satisfies "> 1.0-5" as well as "< 1.0-5".
// A missing epoch is 0 on both sides: "= 1.0" does not hold 1:1.0.
//
// In key space, a version with its every release is every key that starts with the
// key of "[epoch:]version" (K, which ends in the code that closes the version part),
// so it ends at the cut below K with its last byte raised by one: no version
// spells that bound, and it carries no text. rpm has no pre-release rule: under the
// default policy every version is tested against the same set.
#include "native/rpm.hpp"
#include "ranges/range_syntax.hpp"

namespace tambry::ranges {
namespace {

// A version ends where rpm ends a token: at white space or a comma.
constexpr std::string_view VERSION_STOPS = ",";

bool is_operator_char(char c) { return c == '<' || c == '=' || c == '>'; }

// rpm's own table of operators (rpmParseDSFlags), spelled out whole.
std::optional<Comparator> operator_named(std::string_view op) {
    if (op == "<") return Comparator::Less;
    if (op == "<=" || op == "=<") return Comparator::LessEqual;
    if (op == "=" || op == "==") return Comparator::Equal;
    if (op == ">=" || op == "=>") return Comparator::GreaterEqual;
    if (op == ">") return Comparator::Greater;
    return std::nullopt;
}

// The key of a bound's epoch and version alone, and the text that spells exactly
// that key when there is one: "2:1.0" for "2:1.0-5", but none for "1.0-1-5",
// whose "1.0-1" would be read with a release again.
struct Family {
    std::string start;       // K: every key of this epoch and version starts with it
    std::string end;         // K with its last byte raised: the first key past them all
    std::string_view text;   // a version whose key is K, or empty
};

Family family_of(const RangeScheme& scheme, std::string_view version, const native::RpmVersion& parts) {
    KeyBuffer key;
    key.push_back(native::KEY_FORMAT);
    key.push_back(native::key_id(scheme.ecosystem));
    native::append_rpm_key_without_release(version, key);
    Family family{std::string(key_view(key)), std::string(key_view(key)), {}};
    // The version part is closed by a code below 0xFF, so raising it carries nowhere.
    family.end.back() = static_cast<char>(static_cast<unsigned char>(family.end.back()) + 1);
    std::string_view named = parts.has_release ? version.substr(0, parts.release.data() - version.data() - 1) : version;
    KeyBuffer named_key;
    if (scheme.key(named, named_key) && key_view(named_key) == family.start) family.text = named;
    return family;
}

// The versions rpm finds satisfying "=", ">=" or ">" a version with a release: the
// relation's own interval and the version of the same epoch and version without a
// release, K alone. ("<" and "<=" hold K already: it sorts below every release.)
IntervalSet with_release(Comparator op, const Cut& below, const Cut& above, const Family& family) {
    const IntervalSet without_release =
        IntervalSet::point(cut_below_key(family.start, family.text), cut_above_key(family.start, family.text));
    return comparator_set(op, below, above).unite(without_release);
}

struct Relation {
    Comparator op;
    std::string_view version;
    std::size_t offset;
};

RangeResult<Relation> read_relation(RangeCursor& cursor) {
    const std::size_t at = cursor.offset();
    if (cursor.peek() == '(') {
        RangeError error = cursor.error("rich dependencies are not supported");
        error.kind = RangeError::Kind::Unsupported;
        return Failure{std::move(error)};
    }
    while (is_operator_char(cursor.peek())) cursor.advance();
    const std::string_view op_text = cursor.text().substr(at, cursor.offset() - at);
    if (op_text.empty()) return Failure{cursor.error("expected an operator")};
    const auto op = operator_named(op_text);
    if (!op) {
        std::string what = "bad operator '";
        what.append(op_text);
        what.push_back('\'');
        return Failure{cursor.error_at(at, what)};
    }
    cursor.skip_spaces();
    const std::size_t version_at = cursor.offset();
    const std::string_view version = cursor.take_word(VERSION_STOPS);
    if (version.empty()) return Failure{cursor.error("expected a version")};
    return Relation{*op, version, version_at};
}

// Skips a separator; false at the end of the text.
bool skip_separator(RangeCursor& cursor) {
    while (!cursor.at_end() && (RangeCursor::is_space(cursor.peek()) || cursor.peek() == ',')) cursor.advance();
    return !cursor.at_end();
}

}  // namespace

RangeResult<VersionSet> parse_rpm_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    // Relations that are one interval narrow one list; those that add the versions
    // without a release are sets of their own, intersected at the end.
    ComparatorList every;
    std::optional<IntervalSet> others;
    skip_separator(cursor);
    do {
        auto relation = read_relation(cursor);
        if (!relation.ok()) return Failure{std::move(relation.error())};
        const auto [op, version, offset] = relation.value();
        const auto parts = native::parse_rpm_version(version);
        KeyBuffer key;
        if (!parts || !scheme.key(version, key)) return Failure{cursor.invalid_version(version, offset)};
        // An empty release ("1.0-") counts as none, as rpm counts it.
        const bool has_release = parts->has_release && !parts->release.empty();
        if (has_release && (op == Comparator::Less || op == Comparator::LessEqual)) {
            every.add(op, key_view(key), version);
            continue;
        }
        const Family family = family_of(scheme, version, *parts);
        if (has_release) {
            IntervalSet set = with_release(op, cut_below_key(key_view(key), version),
                                           cut_above_key(key_view(key), version), family);
            others = others ? others->intersect(set) : std::move(set);
            continue;
        }
        // A bound without a release: its version with every release, [K, end).
        switch (op) {
            case Comparator::Less:
            case Comparator::GreaterEqual:
                every.add(op, family.start, family.text);
                break;
            case Comparator::LessEqual:
                every.add(Comparator::Less, family.end, {});
                break;
            case Comparator::Greater:
                every.add(Comparator::GreaterEqual, family.end, {});
                break;
            default:
                every.add(Comparator::GreaterEqual, family.start, family.text);
                every.add(Comparator::Less, family.end, {});
                break;
        }
    } while (skip_separator(cursor));
    IntervalSet range = every.finish();
    if (others) range = range.intersect(*others);
    return apply_prerelease_policy(scheme, std::move(range), policy, std::nullopt);
}

}  // namespace tambry::ranges
