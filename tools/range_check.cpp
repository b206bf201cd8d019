// Checks the ecosystem-independent range machinery without Python and without any
// real scheme: the interval algebra on raw byte strings against brute force, and
// vers, OSV and the deb relation syntax over a small scheme of its own ("toy").
//
//   range_check [ROUNDS [SEED]]
//
// The toy scheme: dot-separated decimal numbers, leading zeros insignificant
// ("01.2" equals "1.2"), a shorter version before its extensions ("1" < "1.0"),
// and an optional "-word" pre-release before its release ("1-a" < "1").
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "native/key_encoding.hpp"
#include "ranges/interval_set.hpp"
#include "ranges/native_range.hpp"
#include "ranges/osv.hpp"
#include "ranges/range_syntax.hpp"
#include "ranges/vers.hpp"

using namespace tambry;
using namespace tambry::ranges;

namespace {

class ToyScheme final : public native::NativeScheme {
public:
    constexpr ToyScheme() = default;

    bool is_valid(std::string_view text) const override {
        KeyBuffer key;
        return append_key(text, key);
    }
    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        KeyBuffer ka, kb;
        if (!append_key(a, ka) || !append_key(b, kb)) return std::nullopt;
        return order_of(std::string(key_view(ka)), std::string(key_view(kb)));
    }
    bool append_key(std::string_view text, KeyBuffer& out) const override {
        const std::size_t dash = text.find('-');
        const std::string_view numbers = text.substr(0, dash);
        std::size_t start = 0;
        for (;;) {
            const std::size_t dot = numbers.find('.', start);
            const std::string_view digits = numbers.substr(start, dot - start);
            if (digits.empty() || digits.size() > 6) return false;
            for (char c : digits) {
                if (!is_digit(c)) return false;
            }
            native::put_byte(out, 3);
            native::put_digits(out, digits);
            if (dot == std::string_view::npos) break;
            start = dot + 1;
        }
        if (dash == std::string_view::npos) {
            native::put_byte(out, 2);
            return true;
        }
        const std::string_view word = text.substr(dash + 1);
        if (word.empty()) return false;
        for (char c : word) {
            if (!is_lower(c)) return false;
        }
        native::put_byte(out, 1);
        native::put_text(out, word);
        return true;
    }
    bool is_prerelease(std::string_view text) const override { return is_valid(text) && text.find('-') != std::string_view::npos; }
};

constinit const ToyScheme TOY{};
const RangeScheme SCHEME{NativeEcosystem::Semver, &TOY};

std::optional<RangeScheme> toy_resolver(std::string_view type) {
    if (type == "semver") return SCHEME;
    return std::nullopt;
}

long failures = 0;

void fail(const std::string& what) {
    if (failures++ < 30) std::cout << "FAIL " << what << "\n";
}

void expect(bool ok, const std::string& what) {
    if (!ok) fail(what);
}

// --- the algebra on raw byte strings ------------------------------------------

// Every string over {0, 1, 2} up to 4 bytes: each cut below lies at one of them,
// so two sets differ exactly when some string of the universe tells them apart.
std::vector<std::string> universe() {
    std::vector<std::string> all = {""};
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].size() == 4) continue;
        for (char c = 0; c < 3; ++c) all.push_back(all[i] + c);
    }
    return all;
}

std::string random_short(std::mt19937& rng) {
    std::string s;
    const int n = static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>(rng() % 3));
    return s;
}

std::optional<Cut> random_end(std::mt19937& rng) {
    if (rng() % 5 == 0) return std::nullopt;
    const std::string key = random_short(rng);
    return rng() % 2 ? cut_below_key(key) : cut_above_key(key);
}

IntervalSet random_set(std::mt19937& rng) {
    std::vector<Piece> pieces;
    const int n = static_cast<int>(rng() % 5);
    for (int i = 0; i < n; ++i) pieces.push_back({random_end(rng), random_end(rng)});
    IntervalSet set = IntervalSet::union_of(std::move(pieces));
    return rng() % 4 == 0 ? set.complement() : set;
}

bool cuts_increase(const IntervalSet& s) {
    for (std::size_t i = 1; i < s.cuts().size(); ++i) {
        if (!(s.cuts()[i - 1].at < s.cuts()[i].at)) return false;
    }
    return s.cuts().empty() || !s.cuts().front().at.empty() || !s.starts_inside();
}

void check_algebra(std::mt19937& rng, const std::vector<std::string>& strings) {
    const IntervalSet a = random_set(rng);
    const IntervalSet b = random_set(rng);
    const IntervalSet both = a.intersect(b), either = a.unite(b), not_a = a.complement(), a_not_b = a.minus(b);
    bool subset = true, disjoint = true, same = true;
    for (const std::string& s : strings) {
        const bool in_a = a.contains(s), in_b = b.contains(s);
        expect(both.contains(s) == (in_a && in_b), "intersection");
        expect(either.contains(s) == (in_a || in_b), "union");
        expect(not_a.contains(s) == !in_a, "complement");
        expect(a_not_b.contains(s) == (in_a && !in_b), "difference");
        subset = subset && (!in_a || in_b);
        disjoint = disjoint && !(in_a && in_b);
        same = same && in_a == in_b;
    }
    expect(a.is_subset_of(b) == subset, "subset");
    expect(a.is_disjoint_from(b) == disjoint, "disjoint");
    expect((a == b) == same, "equality is membership");
    for (const IntervalSet* s : {&a, &b, &both, &either, &not_a, &a_not_b}) expect(cuts_increase(*s), "canonical cuts");
    // Intervals, read back as pieces, make the same set.
    std::vector<Piece> pieces;
    for (const Interval& i : either.intervals()) {
        pieces.push_back({i.lower ? std::optional<Cut>(*i.lower) : std::nullopt,
                          i.upper ? std::optional<Cut>(*i.upper) : std::nullopt});
    }
    expect(IntervalSet::union_of(std::move(pieces)) == either, "intervals rebuild the set");
}

// --- vers, OSV and deb relations over the toy scheme ----------------------------

const std::vector<std::string> POOL = {"0", "1-a", "1-b", "1", "01", "1.0-a", "1.0", "1.0.0", "1.1", "1.2-rc",
                                       "1.2", "2-a", "2", "2.0", "3", "10", "10.0.1"};

std::vector<std::string> probes() {
    std::vector<std::string> all = POOL;
    for (const char* extra : {"0.5", "1.0.0.1", "1.05", "1.1-x", "1.15", "2.0.0", "2.5-a", "2.5", "9", "11", "1-aa"}) {
        all.push_back(extra);
    }
    return all;
}

const std::string& pick(std::mt19937& rng) { return POOL[rng() % POOL.size()]; }

IntervalSet random_version_set(std::mt19937& rng) {
    std::vector<Piece> pieces;
    const int n = static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i) {
        std::optional<Cut> lower, upper;
        if (rng() % 4) lower = rng() % 2 ? cut_below(SCHEME, pick(rng)) : cut_above(SCHEME, pick(rng));
        if (rng() % 4) upper = rng() % 2 ? cut_below(SCHEME, pick(rng)) : cut_above(SCHEME, pick(rng));
        if (rng() % 8 == 0) upper = cut_below_key("\x01\x0e\x03\x05");  // a bound no version names
        pieces.push_back({lower, upper});
    }
    IntervalSet set = IntervalSet::union_of(std::move(pieces));
    if (rng() % 3 == 0) {
        const std::string& v = pick(rng);
        set = set.minus(IntervalSet::point(*cut_below(SCHEME, v), *cut_above(SCHEME, v)));
    }
    return rng() % 5 == 0 ? set.complement() : set;
}

void check_vers_round_trip(std::mt19937& rng) {
    const IntervalSet releases = random_version_set(rng);
    const IntervalSet prereleases = rng() % 3 ? releases : random_version_set(rng);
    const VersionSet set(SCHEME, releases, prereleases);
    const std::string uri = to_vers(set);
    auto back = parse_vers(uri, toy_resolver);
    if (!back.ok()) return fail("vers does not read back: " + uri + ": " + back.error().message);
    expect(back.value() == set, "vers round trip: " + uri);
    expect(to_vers(back.value()) == uri, "vers printing is stable: " + uri);
    for (const std::string& v : probes()) expect(back.value().contains(v) == set.contains(v), "membership " + uri);
}

// The OSV pseudocode, step by step, on one version.
bool osv_by_the_letter(const std::vector<OsvEvent>& events, const std::string& v) {
    auto cmp = [](std::string_view a, std::string_view b) { return static_cast<int>(*TOY.compare(a, b)); };
    bool any_limit = false, before_limits = false;
    for (const OsvEvent& e : events) {
        if (e.kind != OsvEventKind::Limit) continue;
        any_limit = true;
        if (e.version.find('*') != std::string_view::npos || cmp(v, e.version) < 0) before_limits = true;
    }
    if (any_limit && !before_limits) return false;
    std::vector<OsvEvent> sorted;
    for (const OsvEvent& e : events) {
        if (e.kind != OsvEventKind::Limit) sorted.push_back(e);
    }
    auto zero = [](const OsvEvent& e) { return e.kind == OsvEventKind::Introduced && e.version == "0"; };
    std::stable_sort(sorted.begin(), sorted.end(), [&](const OsvEvent& a, const OsvEvent& b) {
        if (zero(a) || zero(b)) return zero(a) && !zero(b);
        return cmp(a.version, b.version) < 0;
    });
    bool vulnerable = false;
    for (const OsvEvent& e : sorted) {
        if (e.kind == OsvEventKind::Introduced && (zero(e) || cmp(v, e.version) >= 0)) {
            vulnerable = true;
        } else if (e.kind == OsvEventKind::Fixed && cmp(v, e.version) >= 0) {
            vulnerable = false;
        } else if (e.kind == OsvEventKind::LastAffected && cmp(v, e.version) > 0) {
            vulnerable = false;
        }
    }
    return vulnerable;
}

void check_osv(std::mt19937& rng) {
    OsvRange range{"ECOSYSTEM", {}};
    const int n = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) {
        const auto kind = static_cast<OsvEventKind>(rng() % 4);
        std::string_view version = pick(rng);
        if (kind == OsvEventKind::Introduced && rng() % 4 == 0) version = "0";
        if (kind == OsvEventKind::Limit && rng() % 4 == 0) version = "*";
        range.events.push_back({kind, version});
    }
    auto set = osv_range_set(SCHEME, range);
    if (!set.ok()) return fail("osv: " + set.error().message);
    std::string events;
    for (const OsvEvent& e : range.events) events += std::string(osv_event_name(e.kind)) + "=" + std::string(e.version) + " ";
    for (const std::string& v : probes()) {
        expect(*set.value().contains(v) == osv_by_the_letter(range.events, v), "osv " + events + "at " + v);
    }
}

// A comparator list against each comparator's own set, intersected.
void check_comparator_list(std::mt19937& rng) {
    ComparatorList list;
    IntervalSet expected = IntervalSet::all();
    std::string shown;
    const int n = 1 + static_cast<int>(rng() % 5);
    for (int i = 0; i < n; ++i) {
        const auto op = static_cast<Comparator>(rng() % 6);
        const std::string& v = pick(rng);
        KeyBuffer key;
        SCHEME.key(v, key);
        list.add(op, key_view(key), v);
        expected = expected.intersect(comparator_set(op, *cut_below(SCHEME, v), *cut_above(SCHEME, v)));
        shown += std::to_string(static_cast<int>(op)) + v + " ";
    }
    expect(list.finish() == expected, "comparator list " + shown);
}

// --- fixed cases ------------------------------------------------------------------

void check_message(const RangeError& error, const std::string& expected) {
    expect(error.message == expected, "message: got '" + error.message + "', expected '" + expected + "'");
}

template <class T>
void expect_error(const RangeResult<T>& result, const std::string& expected) {
    if (result.ok()) return fail("accepted, expected: " + expected);
    check_message(result.error(), expected);
}

void check_fixed_cases() {
    auto vers = [](std::string_view uri) { return parse_vers(uri, toy_resolver); };
    const std::pair<const char*, const char*> canonical[] = {
        {"vers:semver/>=1.0|<2", "vers:semver/>=1.0|<2"},
        {"VERS:SemVer/ <2 | >= 1.0 ", "vers:semver/>=1.0|<2"},
        {"vers:semver/||1.0||", "vers:semver/1.0"},
        {"vers:semver/*", "vers:semver/*"},
        {"vers:semver/!=1.1", "vers:semver/!=1.1"},
        {"vers:semver/>=1|!=1.1|<2", "vers:semver/>=1|!=1.1|<2"},
        {"vers:semver/>1|=2", "vers:semver/>1"},
        {"vers:semver/<1|>=1.0", "vers:semver/<1|>=1.0"},
        {"vers:semver/<=1.0|!=1.0.0|>1.1", "vers:semver/<=1.0|>1.1"},
        {"vers:semver/=1.0|!=1.1", "vers:semver/1.0"},
        {"vers:semver/none", "vers:semver/none"},
        {"vers:semver/>=1?prereleases=none", "vers:semver/>=1?prereleases=none"},
        {"vers:semver/>=1?prereleases=>=1", "vers:semver/>=1"},
        {"vers:semver/<*010e0305", "vers:semver/<*010e0305"},
        {"vers:semver/%31.0", "vers:semver/1.0"},
    };
    for (const auto& [input, output] : canonical) {
        auto set = vers(input);
        if (!set.ok()) {
            fail(std::string(input) + ": " + set.error().message);
            continue;
        }
        expect(to_vers(set.value()) == output, std::string(input) + " prints as " + to_vers(set.value()));
    }

    expect_error(vers("vers:semver/>=1|>=2"), "invalid vers 'vers:semver/>=1|>=2': '>=2' cannot follow '>=1' at position 16");
    expect_error(vers("vers:semver/1|<2"), "invalid vers 'vers:semver/1|<2': '<2' cannot follow '1' at position 14");
    expect_error(vers("vers:semver/1.0|01.0"), "invalid vers 'vers:semver/1.0|01.0': '01.0' repeats a version at position 16");
    expect_error(vers("vers:semver/*|1"), "invalid vers 'vers:semver/*|1': '*' must stand alone at position 12");
    expect_error(vers("vers:semver/"), "invalid vers 'vers:semver/': expected a constraint at position 12");
    expect_error(vers("vers:semver/>="), "invalid vers 'vers:semver/>=': expected a version at position 14");
    expect_error(vers("vers:semver/1%2"), "invalid vers 'vers:semver/1%2': invalid percent-escape at position 13");
    expect_error(vers("vers:semver/a.b"), "invalid vers 'vers:semver/a.b': invalid semver version 'a.b' at position 12");
    expect_error(vers("ver:semver/1"), "invalid vers 'ver:semver/1': expected 'vers:' at position 0");
    expect_error(vers("vers:nope/1"), "invalid vers 'vers:nope/1': unsupported versioning scheme 'nope' at position 5");
    expect_error(vers("vers:semver/1\n"), "invalid vers 'vers:semver/1\n': unexpected character (a vers is printable ASCII) at position 13");
    expect_error(vers("vers:semver/>=1?pre=none"), "invalid vers 'vers:semver/>=1?pre=none': expected 'prereleases=' after '?' at position 16");
    expect_error(vers("vers:semver/<*0102"), "invalid vers 'vers:semver/<*0102': the key is not a semver key at position 13");

    auto deb = [](std::string_view text) { return parse_deb_range(SCHEME, text, PrereleasePolicy::Default); };
    const std::pair<const char*, const char*> relations[] = {
        {">= 1.0", "vers:semver/>=1.0"},       {"(>= 1.0), (<< 2)", "vers:semver/>=1.0|<2"},
        {">> 1 | = 0", "vers:semver/0|>1"},    {"< 2", "vers:semver/<=2"},
        {"> 2", "vers:semver/>=2"},            {"1.0", "vers:semver/1.0"},
        {"(=1.0)", "vers:semver/1.0"},         {"<< 1, >> 2", "vers:semver/none"},
        {"<< 1 | >> 1", "vers:semver/!=1"},    {">> 1, << 2, << 1.1 | >> 1.1", "vers:semver/>1|!=1.1|<2"},
    };
    for (const auto& [text, uri] : relations) {
        auto set = deb(text);
        if (!set.ok()) {
            fail(std::string(text) + ": " + set.error().message);
            continue;
        }
        expect(to_vers(set.value()) == uri, std::string(text) + " reads as " + to_vers(set.value()));
    }
    expect_error(deb(""), "invalid semver range '': expected a version at position 0");
    expect_error(deb(">= 1.0,"), "invalid semver range '>= 1.0,': expected a version at position 7");
    expect_error(deb("<> 1"), "invalid semver range '<> 1': bad relation '<>' at position 0");
    expect_error(deb("(>= 1"), "invalid semver range '(>= 1': expected ')' at position 5");
    expect_error(deb(">= 1 2"), "invalid semver range '>= 1 2': expected ',' or '|' at position 5");
    expect_error(deb("= é"), "invalid semver range '= é': invalid semver version 'é' at position 2");
    expect(char_position("\xc3\xa9\xc3\xa9>", 4) == 2, "positions count characters");
    auto bad = deb(">= x");
    expect(!bad.ok() && bad.error().kind == RangeError::Kind::InvalidVersion && bad.error().version == "x",
           "an invalid version is named");
    expect(deb(">= 1").value().splits_prereleases() == false, "deb has no pre-release rule");
    expect(parse_deb_range(SCHEME, ">= 1", PrereleasePolicy::Exclude).value().contains("2-a") == false,
           "Exclude admits no pre-release");

    OsvRange git{"GIT", {{OsvEventKind::Introduced, "0"}}};
    expect_error(osv_range_set(SCHEME, git), "invalid OSV range: type: 'GIT' ranges place versions by the repository's commit graph, which only the repository has; tambry reads ECOSYSTEM and SEMVER ranges");
    OsvRange bad_version{"SEMVER", {{OsvEventKind::Introduced, "0"}, {OsvEventKind::Fixed, "x"}}};
    expect_error(osv_range_set(SCHEME, bad_version), "invalid OSV range: events[1].fixed is not a valid semver version: 'x'");
    const std::string_view listed[] = {"3", "not a version"};
    const OsvRange entry_ranges[] = {git, {"ECOSYSTEM", {{OsvEventKind::Introduced, "1"}, {OsvEventKind::Fixed, "2"}}}};
    auto entry = osv_affected_set(SCHEME, entry_ranges, listed);
    expect(entry.ok() && to_vers(entry.value()) == "vers:semver/>=1|<2|3", "affected entry");
}

}  // namespace

int main(int argc, char** argv) {
    const long rounds = argc > 1 ? std::atol(argv[1]) : 2000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1;
    std::mt19937 rng(seed);
    check_fixed_cases();
    const std::vector<std::string> strings = universe();
    for (long i = 0; i < rounds; ++i) {
        check_algebra(rng, strings);
        check_vers_round_trip(rng);
        check_osv(rng);
        check_comparator_list(rng);
    }
    std::cout << rounds << " rounds, seed " << seed << ": " << failures << " failures\n";
    return failures == 0 ? 0 : 1;
}
