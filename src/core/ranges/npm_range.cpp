// npm ranges, read as npm reads a dependency's range: node-semver 7.3.5, new
// Range(text, {loose: true}) and its test().
//
//     range        := alternative ("||" alternative)*
//     alternative  := xrange " - " xrange                    hyphen range
//                   | word (" " word)*                       every word holds
//     word         := [operator] xrange | "^" xrange | "~" xrange | "~>" xrange
//     operator     := "<" | "<=" | ">" | ">=" | "="
//     xrange       := ("v" | "=")* part ["." part ["." part [["-"] pre] ["+" build]]]
//     part         := digits | "x" | "X" | "*"
//
// White space (JavaScript's) may stand after an operator, "^", "~" and "~>", and
// around "||". Versions are loose, as npm's own versions: leading zeros, "v" and
// "=" prefixes, a pre-release without its "-". The forms mean what node-semver
// makes of them:
//     ^1.2.3   >=1.2.3 <2.0.0-0     ^0.2.3  >=0.2.3 <0.3.0-0    ^0.0.3  >=0.0.3 <0.0.4-0
//     ~1.2.3   >=1.2.3 <1.3.0-0     ~1      >=1.0.0 <2.0.0-0
//     1.2.x    >=1.2.0 <1.3.0-0     >1.2    >=1.3.0             <=1.x   <2.0.0-0
//     1.2 - 2  >=1.2.0 <3.0.0-0     1.2.3 - 2.3.4  >=1.2.3 <=2.3.4
//     *, x, "" any version          >*, <*  none
// node-semver gets there by rewriting the text with patterns, quirks and all, and
// npm_range_rewrite.cpp takes the same steps. In loose mode it also drops every
// word that reads as no comparator ("1.2.3 foo" is "1.2.3"); a range is rejected
// only when every alternative loses every word, or when a version in it is too
// long or has a number past 2^53 - 1.
//
// The pre-release rule, node-semver's default: a pre-release satisfies an
// alternative only when it satisfies its comparators and one of them names a
// pre-release of the same major.minor.patch, so ">=1.2.3-beta <2" holds
// 1.2.3-rc but not 1.5.0-rc. An alternative that is "any" alone, among others,
// makes the whole range "any", which holds no pre-release. prereleases=True is
// node-semver's includePrerelease option: the rewrites put "-0" on lower bounds
// ("1.2.x" is >=1.2.0-0 <1.3.0-0) and every pre-release is tested as a release;
// prereleases=False keeps the default reading and no pre-release.
#include <algorithm>

#include "native/npm.hpp"
#include "ranges/npm_range_patterns.hpp"
#include "ranges/npm_range_rewrite.hpp"
#include "ranges/range_syntax.hpp"
#include "ranges/set_union.hpp"

namespace tambry::ranges {
namespace {

using npm::TracedText;
using npm::Word;

// node-semver writes a pre-release identifier of digits as a number below 2^53 - 1.
bool is_number_identifier(std::string_view identifier) {
    if (!native::all_digits(identifier)) return false;
    const std::string_view value = native::without_leading_zeros(identifier);
    return value.size() < 16 || (value.size() == 16 && value < "9007199254740991");
}

// The version as node-semver writes it back: numbers without leading zeros,
// build metadata dropped. It keys as the text it came from.
std::string written_core(const native::SemverParts& parts) {
    std::string out(native::without_leading_zeros(parts.major));
    out.push_back('.');
    out.append(native::without_leading_zeros(parts.minor));
    out.push_back('.');
    out.append(native::without_leading_zeros(parts.patch));
    return out;
}

std::string written_version(const native::SemverParts& parts) {
    std::string out = written_core(parts);
    if (!parts.is_prerelease()) return out;
    out.push_back('-');
    native::IdentifierCursor identifiers(parts.prerelease);
    bool first = true;
    while (!identifiers.done()) {
        bool numeric = false;
        const std::string_view identifier = identifiers.next(numeric);
        if (!first) out.push_back('.');
        first = false;
        out.append(is_number_identifier(identifier) ? native::without_leading_zeros(identifier) : identifier);
    }
    return out;
}

Comparator comparator_of(std::string_view op) {
    if (op == "<") return Comparator::Less;
    if (op == "<=") return Comparator::LessEqual;
    if (op == ">") return Comparator::Greater;
    if (op == ">=") return Comparator::GreaterEqual;
    return Comparator::Equal;
}

// One alternative as node-semver tests it.
struct Alternative {
    IntervalSet versions;     // what a release must lie in
    IntervalSet prereleases;  // the pre-releases the default rule lets through
    bool any_alone = true;    // every comparator is "any"
    bool empty_set = false;   // holds "<0.0.0-0", which node-semver sets aside
};

class Reader {
public:
    Reader(const RangeScheme& scheme, std::string_view text, bool include_prerelease)
        : cursor_(scheme, text), include_prerelease_(include_prerelease) {}

    // The alternative's comparators; none when every word was dropped.
    RangeResult<std::optional<Alternative>> read(const TracedText& text) {
        ComparatorList list;
        std::vector<Piece> named_prereleases;
        Alternative alternative;
        bool any_comparator = false;
        for (const Word& word : npm::comparator_words(text, include_prerelease_)) {
            if (word.text.empty()) {
                any_comparator = true;
                continue;
            }
            const std::size_t op_end = npm::operator_end(word.text, 0);
            const std::string_view version = std::string_view(word.text).substr(op_end);
            if (!npm::match_loose_version(version)) {
                if (!first_dropped_) first_dropped_ = word.origin;
                continue;
            }
            auto parts = native::parse_npm_version(version);
            KeyBuffer key;
            if (!parts || !cursor_.scheme().key(version, key)) {
                return Failure{cursor_.invalid_version(version, word.origin)};
            }
            any_comparator = true;
            alternative.any_alone = false;
            const Comparator op = comparator_of(std::string_view(word.text).substr(0, op_end));
            const std::string written = written_version(*parts);
            list.add(op, key_view(key), written);
            if (op == Comparator::Less && written == "0.0.0-0") alternative.empty_set = true;
            // "<1.2.3-0" names a pre-release, but none of 1.2.3's lies below it.
            const bool names_none = op == Comparator::Less && parts->prerelease == "0";
            if (parts->is_prerelease() && !include_prerelease_ && !names_none) {
                auto piece = prereleases_of(written_core(*parts));
                if (!piece.ok()) return Failure{std::move(piece.error())};
                named_prereleases.push_back(std::move(piece.value()));
            }
        }
        if (!any_comparator) return std::optional<Alternative>();
        alternative.versions = list.finish();
        if (!named_prereleases.empty()) {
            alternative.prereleases = alternative.versions.intersect(IntervalSet::union_of(std::move(named_prereleases)));
        }
        return std::optional<Alternative>(std::move(alternative));
    }

    RangeError nothing_read() const { return cursor_.error_at(first_dropped_.value_or(0), "expected a comparator"); }

private:
    // Every pre-release of a release: from "1.2.3-0", the least, to "1.2.3".
    RangeResult<Piece> prereleases_of(const std::string& core) {
        auto lower = cursor_.below(core + "-0", 0);
        if (!lower.ok()) return Failure{std::move(lower.error())};
        auto upper = cursor_.below(core, 0);
        if (!upper.ok()) return Failure{std::move(upper.error())};
        return Piece{std::move(lower.value()), std::move(upper.value())};
    }

    RangeCursor cursor_;
    bool include_prerelease_;
    std::optional<std::size_t> first_dropped_;
};

}  // namespace

RangeResult<VersionSet> parse_npm_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    const bool include_prerelease = policy == PrereleasePolicy::Include;
    Reader reader(scheme, text, include_prerelease);
    std::vector<Alternative> alternatives;
    for (const TracedText& part : npm::split_alternatives(npm::with_plain_spaces(text))) {
        auto alternative = reader.read(part);
        if (!alternative.ok()) return Failure{std::move(alternative.error())};
        if (alternative.value()) alternatives.push_back(std::move(*alternative.value()));
    }
    if (alternatives.empty()) return Failure{reader.nothing_read()};
    if (alternatives.size() > 1) {
        // node-semver sets aside the empty alternatives, and then one that is "any"
        // alone stands for the whole range.
        const auto empty = [](const Alternative& a) { return a.empty_set; };
        if (std::all_of(alternatives.begin(), alternatives.end(), empty)) {
            alternatives.resize(1);
        } else {
            std::erase_if(alternatives, empty);
        }
        const bool any_alone =
            std::any_of(alternatives.begin(), alternatives.end(), [](const Alternative& a) { return a.any_alone; });
        if (alternatives.size() > 1 && any_alone) {
            return apply_prerelease_policy(scheme, IntervalSet::all(), policy, IntervalSet());
        }
    }
    if (alternatives.size() == 1) {
        Alternative& only = alternatives.front();
        return apply_prerelease_policy(scheme, std::move(only.versions), policy, std::move(only.prereleases));
    }
    SetUnion releases;
    SetUnion prereleases;
    for (const Alternative& alternative : alternatives) {
        releases.add(alternative.versions);
        prereleases.add(alternative.prereleases);
    }
    return apply_prerelease_policy(scheme, releases.finish(), policy, prereleases.finish());
}

}  // namespace tambry::ranges
