// Composer constraints, read as composer/semver's VersionParser::parseConstraints
// reads them and evaluated as Semver::satisfies evaluates them:
//
//     range        := alternative (or alternative)*
//     or           := space* "|" "|"? space*        (space: ASCII white space)
//     alternative  := constraint (and constraint)*  every constraint holds
//     and          := " "* ("," | " ") " "*         but not next to "-" (so that
//                                                   "1.0 - 2.0" stays whole), not
//                                                   after an operator, a space, a
//                                                   "," or "as", and not before a
//                                                   ",", "as" or the end
//     constraint   := see composer_constraint.cpp   "^1.2", "~1.2.3", "1.0.*",
//                                                   "1.0 - 2.0", ">=1.0@beta", "!=1.5",
//                                                   "dev-main", "v1.2.3", ...
//
// The text is trimmed first, and nothing may be empty. Each constraint compares a
// version, normalized, with the text composer/semver builds for it, by PHP's
// version_compare, except that a branch ("dev-" and a name) is only equal to
// itself and unequal to everything else: "<", "<=", ">", ">=" hold for no branch,
// and a branch constraint compares with no numbered version. So every bound here
// is a version_compare place, and the ranges "<V" and "<=V" start above every
// branch, at a key no version spells.
//
// Like composer/semver, alternatives written as ">= A < B || >= B < C" (each two
// comparisons, the first ">=", the second "<", and B the same text) become
// ">= A < C" before anything is evaluated; they are the same set except when
// one of them is empty, where this keeps composer/semver's answer.
//
// Composer's satisfies has no pre-release rule: under the default policy every
// version, branches included, is tested against the same set. Under
// prereleases=False no version whose stability is not "stable" is in (dev, alpha,
// beta, RC and every branch).
//
// The default branches ("dev-master", "master", "dev-trunk", ...) key as the
// version 9999999-dev, the place composer/semver sorts them; satisfies alone
// treats them as branches, so here they satisfy what 9999999-dev satisfies.
#include <utility>
#include <vector>

#include "native/composer.hpp"
#include "ranges/composer_constraint.hpp"
#include "ranges/range_syntax.hpp"
#include "ranges/set_union.hpp"

namespace tambry::ranges {
namespace {

using composer::Comparison;

// PCRE's \s without UTF mode, and PHP's trim().
bool is_pcre_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_php_trimmed(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0' || c == '\x0B'; }

struct TextPiece {
    std::string_view text;
    std::size_t offset;  // in the whole text
};

// preg_split('{\s*\|\|?\s*}', ...): every piece, empty ones too.
std::vector<TextPiece> split_alternatives(TextPiece whole) {
    std::vector<TextPiece> pieces;
    const std::string_view s = whole.text;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t bar = i;
        while (bar < s.size() && is_pcre_space(s[bar])) ++bar;
        if (bar >= s.size() || s[bar] != '|') {
            i = bar > i ? bar : i + 1;
            continue;
        }
        std::size_t end = bar + 1;
        if (end < s.size() && s[end] == '|') ++end;
        while (end < s.size() && is_pcre_space(s[end])) ++end;
        pieces.push_back({s.substr(start, i - start), whole.offset + start});
        start = i = end;
    }
    pieces.push_back({s.substr(start), whole.offset + start});
    return pieces;
}

bool at_end_or_final_newline(std::string_view s, std::size_t i) { return composer::at_pattern_end(s, i); }

// Where "(?<!^|as|[=>< ,]) *(?<!-)[, ](?!-) *(?!,|as|$)" matches at p: its end, or 0.
std::size_t conjunction_separator_end(std::string_view s, std::size_t p) {
    if (p == 0 || (p >= 2 && s.substr(p - 2, 2) == "as")) return 0;
    const char before = s[p - 1];
    if (before == '=' || before == '>' || before == '<' || before == ' ' || before == ',') return 0;
    std::size_t spaces = 0;
    while (p + spaces < s.size() && s[p + spaces] == ' ') ++spaces;
    for (std::size_t lead = spaces + 1; lead-- > 0;) {
        const std::size_t q = p + lead;
        if (q >= s.size() || (s[q] != ',' && s[q] != ' ')) continue;
        if ((q > 0 && s[q - 1] == '-') || (q + 1 < s.size() && s[q + 1] == '-')) continue;
        std::size_t trail = 0;
        while (q + 1 + trail < s.size() && s[q + 1 + trail] == ' ') ++trail;
        for (std::size_t t = trail + 1; t-- > 0;) {
            const std::size_t r = q + 1 + t;
            const bool refused =
                (r < s.size() && s[r] == ',') || s.substr(r, 2) == "as" || at_end_or_final_newline(s, r);
            if (!refused) return r;
        }
    }
    return 0;
}

std::vector<TextPiece> split_conjunction(TextPiece alternative) {
    std::vector<TextPiece> pieces;
    const std::string_view s = alternative.text;
    std::size_t start = 0;
    for (std::size_t p = 0; p < s.size(); ++p) {
        if (const std::size_t end = conjunction_separator_end(s, p)) {
            pieces.push_back({s.substr(start, p - start), alternative.offset + start});
            start = end;
            p = end - 1;
        }
    }
    pieces.push_back({s.substr(start), alternative.offset + start});
    return pieces;
}

// MultiConstraint::create's merge of "[>= A < B] || [>= B < C]" into "[>= A < C]".
bool continues(const std::vector<Comparison>& left, const std::vector<Comparison>& right) {
    auto is_span = [](const std::vector<Comparison>& group) {
        return group.size() == 2 && !group[0].matches_all && !group[1].matches_all &&
               group[0].op == Comparator::GreaterEqual &&
               (group[1].op == Comparator::Less || group[1].op == Comparator::LessEqual);
    };
    // "<= B" never matches: its text after two characters keeps a space.
    return is_span(left) && is_span(right) && left[1].op == Comparator::Less && left[1].version == right[0].version;
}

std::vector<std::vector<Comparison>> merge_spans(std::vector<std::vector<Comparison>> groups) {
    if (groups.size() < 2) return groups;
    std::vector<std::vector<Comparison>> merged;
    std::vector<Comparison> left = std::move(groups[0]);
    for (std::size_t i = 1; i < groups.size(); ++i) {
        if (continues(left, groups[i])) {
            left[1] = std::move(groups[i][1]);
        } else {
            merged.push_back(std::move(left));
            left = std::move(groups[i]);
        }
    }
    merged.push_back(std::move(left));
    return merged;
}

class SetBuilder {
public:
    explicit SetBuilder(const RangeCursor& cursor) : cursor_(cursor) {}

    // The versions satisfying every comparison of a group.
    RangeResult<IntervalSet> group_set(const std::vector<Comparison>& group, std::size_t offset) {
        ComparatorList list;
        for (const Comparison& c : group) {
            if (c.matches_all) continue;
            if (c.is_branch()) {
                if (c.op != Comparator::Equal && c.op != Comparator::NotEqual) return IntervalSet();
                KeyBuffer key;
                if (!cursor_.scheme().key(c.version, key)) return unsupported(offset, "a branch the scheme cannot key");
                list.add(c.op, key_view(key), c.version);
                continue;
            }
            KeyBuffer key;
            if (!compared_key(c.version, key)) return unsupported(offset, "a bound holds a '#', which no version has");
            if (c.op == Comparator::Less || c.op == Comparator::LessEqual) {
                list.add(Comparator::GreaterEqual, numbered_start(), {});
            }
            // A text that keys elsewhere (a flag in capitals, "1.0.0.0-BETA", is a
            // word version_compare does not know) leaves the bound named by its key.
            KeyBuffer own;
            const bool named = cursor_.scheme().key(c.version, own) && key_view(own) == key_view(key);
            list.add(c.op, key_view(key), named ? std::string_view(c.version) : std::string_view());
        }
        return list.finish();
    }

private:
    Failure<RangeError> unsupported(std::size_t offset, std::string_view what) const {
        RangeError error = cursor_.error_at(offset, what);
        error.kind = RangeError::Kind::Unsupported;
        return Failure{std::move(error)};
    }

    // The key of the place version_compare gives a text as it stands.
    bool compared_key(std::string_view text, KeyBuffer& key) const {
        const std::optional<native::ComposerVersion> pieces = native::composer_compare_pieces(text);
        if (!pieces) return false;
        key.push_back(native::KEY_FORMAT);
        key.push_back(native::key_id(cursor_.scheme().ecosystem));
        native::append_composer_key(*pieces, key);
        return true;
    }

    std::string_view numbered_start() {
        if (numbered_start_.empty()) {
            numbered_start_.push_back(native::KEY_FORMAT);
            numbered_start_.push_back(native::key_id(cursor_.scheme().ecosystem));
            native::append_composer_numbered_start_key(numbered_start_);
        }
        return key_view(numbered_start_);
    }

    const RangeCursor& cursor_;
    KeyBuffer numbered_start_;
};

}  // namespace

RangeResult<VersionSet> parse_composer_range(const RangeScheme& scheme, std::string_view text,
                                             PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && is_php_trimmed(text[begin])) ++begin;
    while (end > begin && is_php_trimmed(text[end - 1])) --end;

    std::vector<std::vector<Comparison>> groups;
    for (const TextPiece& alternative : split_alternatives({text.substr(begin, end - begin), begin})) {
        std::vector<Comparison> group;
        for (const TextPiece& constraint : split_conjunction(alternative)) {
            if (constraint.text.empty()) return Failure{cursor.error_at(constraint.offset, "expected a constraint")};
            if (auto failure = composer::read_constraint(cursor, constraint.text, constraint.offset, group)) {
                return Failure{std::move(*failure)};
            }
        }
        groups.push_back(std::move(group));
    }
    groups = merge_spans(std::move(groups));

    SetBuilder builder(cursor);
    // United at once: one by one, many alternatives would cost the square of their number.
    SetUnion any;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        auto set = builder.group_set(groups[i], begin);
        if (!set.ok()) return Failure{std::move(set.error())};
        any.add(set.value());
    }
    return apply_prerelease_policy(scheme, any.finish(), policy, std::nullopt);
}

}  // namespace tambry::ranges
