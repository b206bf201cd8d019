// Alpine dependency constraints, the part of an apk dependency after the package
// name, as apk reads it (apk_dep_parse, apk_version_match):
//
//     range      := constraint (white space constraint)*    every constraint holds
//     constraint := ["!"] operator [white space] version
//     operator   := a run of "<", ">", "=" and "~"
//
// as in ">=1.2-r3 <2" or "~1.2". apk reads the operator as a set of answers its
// comparison may give, each character adding to it: "<" less, ">" greater, "="
// equal, and "~" equal in the fuzzy sense; so "<=" and "=<" are one operator, ">~"
// is ">=" made fuzzy, and "<=>" holds every version (apk does not even check its
// version then). "><" (and "<>") ask for a package checksum rather than a version,
// and are refused here. A leading "!"
// makes a conflict: the versions the constraint does not hold. apk separates
// dependencies by a space and wants the operator against the version; tambry also
// takes any white space, and white space after "!" and after the operator.
//
// The fuzzy match: a version matches "~1.2" when its tokens begin with the tokens
// of 1.2, equal in kind and value: 1.2, 1.2.3, 1.2a, 1.2_rc1, 1.2_p1, 1.2-r4, but
// not 1.20 or 1.3. In key space that family is every key that starts with the key
// of 1.2 less its closing end code (P): the keys from P up to P's successor (P with
// its last byte below 0xFF raised by one and what follows dropped). Neither bound
// is any version's key, so neither has a text. Fuzzy "<" and ">" are what lies
// below and above the family: "<~1.2" is everything below P's successor, ">~1.2"
// everything from P on, which takes in 1.2_rc1 although it sorts below 1.2.
//
// apk has no pre-release rule: under the default policy every version is tested
// against the same set.
#include "native/apk.hpp"
#include "ranges/range_syntax.hpp"

namespace tambry::ranges {
namespace {

enum Answer : unsigned { Less = 1, Equal = 2, Greater = 4, Fuzzy = 8 };
constexpr unsigned EVERY_ANSWER = Less | Equal | Greater;

bool is_operator_char(char c) { return c == '<' || c == '=' || c == '>' || c == '~'; }

unsigned answers_of(std::string_view op) {
    unsigned answers = 0;
    for (const char c : op) {
        if (c == '<') answers |= Less;
        if (c == '>') answers |= Greater;
        if (c == '=') answers |= Equal;
        if (c == '~') answers |= Equal | Fuzzy;
    }
    return answers;
}

// The keys of the versions whose tokens begin with a version's: [P, successor of P).
struct Family {
    std::string start;
    std::string end;
};

Family family_of(const RangeScheme& scheme, std::string_view version) {
    KeyBuffer key;
    key.push_back(native::KEY_FORMAT);
    key.push_back(native::key_id(scheme.ecosystem));
    native::append_apk_token_prefix_key(version, key);
    Family family{std::string(key_view(key)), std::string(key_view(key))};
    // The header's format byte is below 0xFF, so some byte can always be raised.
    while (static_cast<unsigned char>(family.end.back()) == 0xFF) family.end.pop_back();
    family.end.back() = static_cast<char>(static_cast<unsigned char>(family.end.back()) + 1);
    return family;
}

// Adds to a list the versions whose comparison with the bound (whose key is `key`)
// gives one of `answers`: always one interval.
void add_answers(ComparatorList& list, unsigned answers, std::string_view key, std::string_view version,
                 const std::optional<Family>& family) {
    if (family) {
        // Equal is always among the fuzzy answers: the family, and what lies beyond it.
        if (!(answers & Less)) list.add(Comparator::GreaterEqual, family->start, {});
        if (!(answers & Greater)) list.add(Comparator::Less, family->end, {});
        return;
    }
    switch (answers) {
        case Less: return list.add(Comparator::Less, key, version);
        case Less | Equal: return list.add(Comparator::LessEqual, key, version);
        case Equal: return list.add(Comparator::Equal, key, version);
        case Greater | Equal: return list.add(Comparator::GreaterEqual, key, version);
        default: return list.add(Comparator::Greater, key, version);  // "<" with ">" was refused
    }
}

// Adds the intervals of a set as pieces of a union.
void add_pieces(std::vector<Piece>& pieces, const IntervalSet& set) {
    for (const Interval& interval : set.intervals()) {
        Piece& piece = pieces.emplace_back();
        if (interval.lower) piece.lower = *interval.lower;
        if (interval.upper) piece.upper = *interval.upper;
    }
}

struct Constraint {
    bool conflict;
    unsigned answers;
    std::string_view version;
    std::size_t offset;
};

RangeResult<Constraint> read_constraint(RangeCursor& cursor) {
    const bool conflict = cursor.consume('!');
    if (conflict) cursor.skip_spaces();
    const std::size_t at = cursor.offset();
    while (is_operator_char(cursor.peek())) cursor.advance();
    const std::string_view op = cursor.text().substr(at, cursor.offset() - at);
    if (op.empty()) return Failure{cursor.error("expected an operator")};
    const unsigned answers = answers_of(op);
    if ((answers & EVERY_ANSWER) == (Less | Greater)) {
        std::string what = "'";
        what.append(op);
        what.append("' matches a package checksum, not a version");
        return Failure{cursor.error_at(at, what)};
    }
    cursor.skip_spaces();
    const std::size_t version_at = cursor.offset();
    const std::string_view version = cursor.take_word({});
    if (version.empty()) return Failure{cursor.error("expected a version")};
    return Constraint{conflict, answers, version, version_at};
}

}  // namespace

RangeResult<VersionSet> parse_apk_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    // Constraints that are one interval narrow one list. Conflicts, but for "!=",
    // leave out an interval each: their union, made once at the end, which keeps a
    // long list of them from costing a pass over the set per conflict.
    ComparatorList every;
    std::vector<Piece> conflicts;
    bool conflicts_everything = false;
    cursor.skip_spaces();
    do {
        auto read = read_constraint(cursor);
        if (!read.ok()) return Failure{std::move(read.error())};
        const Constraint& constraint = read.value();
        // Every answer holds any version, and apk checks no version then, as for a checksum.
        if ((constraint.answers & EVERY_ANSWER) == EVERY_ANSWER) {
            conflicts_everything = conflicts_everything || constraint.conflict;
            cursor.skip_spaces();
            continue;
        }
        KeyBuffer key;
        if (!scheme.key(constraint.version, key)) {
            return Failure{cursor.invalid_version(constraint.version, constraint.offset)};
        }
        std::optional<Family> family;
        if (constraint.answers & Fuzzy) family = family_of(scheme, constraint.version);
        if (!constraint.conflict) {
            add_answers(every, constraint.answers, key_view(key), constraint.version, family);
        } else if (constraint.answers == Equal) {
            every.add(Comparator::NotEqual, key_view(key), constraint.version);
        } else {
            ComparatorList one;
            add_answers(one, constraint.answers, key_view(key), constraint.version, family);
            add_pieces(conflicts, one.finish());
        }
        cursor.skip_spaces();
    } while (!cursor.at_end());
    IntervalSet range = conflicts_everything ? IntervalSet() : every.finish();
    if (!conflicts.empty()) range = range.minus(IntervalSet::union_of(std::move(conflicts)));
    return apply_prerelease_policy(scheme, std::move(range), policy, std::nullopt);
}

}  // namespace tambry::ranges
