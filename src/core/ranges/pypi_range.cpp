// PyPI version specifiers, read as packaging's SpecifierSet reads them:
//
//     set        := item ("," item)*          every specifier holds; empty items
//                                             (",,", a blank text) are skipped
//     item       := space* specifier space*   space: Python's white space, Unicode
//                                             spaces included
//     specifier  := "===" space* arbitrary    any run of non-space, no ";" or ")"
//                 | ("==" | "!=") space* version (".*" | local?)
//                 | "~=" space* version       with two or more release numbers
//                 | ("<=" | ">=" | "<" | ">") space* version
//     version    := "v"? (N "!")? N ("." N)* pre? post? dev?   each part as
//                                             packaging spells it, in any case
//     local      := "+" alnum+ ([-_.] alnum+)*
//
// What each specifier holds, V being its version:
//   ">=V" from V on.  "<=V" up to V and all of V's local versions.
//   ">V" past V, its local versions and, unless V is a post- or dev-release
//   itself, all of V's post-releases: ">1.0" starts above "1.0.post9", where no
//   version is spelled, so that bound is a key (where releases longer than 1.0
//   start); ">1.0a1" starts at "1.0a2.dev0".
//   "<V" below V and, unless V is a pre-release, below V's dev-releases: "<2.0"
//   ends at "2.0.dev0". "<0" holds nothing.
//   "==V" V and its local versions; "==V+l" exactly V+l (labels compared as
//   packaging does: without case, numbers by value). "!=" leaves those out.
//   "==1.2.*" from 1.2.dev0 up to 1.3.dev0, so "1.2" equals "1.2.0" and every pre-,
//   post- and dev-release of 1.2.x is in; "!=1.2.*" leaves that out.
//   "~=1.4.5" is ">=1.4.5" and "==1.4.*".
//   "===X" compares texts, not versions: packaging matches a version whose text
//   equals X without case. A set of keys cannot tell "1.0" from "1.0.0", so
//   here "===X" holds the version X (every spelling of it) when X is a version,
//   and nothing when X is not one (no version's text can equal it then).
//
// The pre-release rule is packaging's SpecifierSet.contains under its default
// (prereleases=None): a pre-release is tested like any version, since a single
// version has no alternatives to prefer. Under prereleases=False no pre-release
// (a, b, rc or dev) is in; under True the intervals decide alone.
//
// packaging accepts a specifier whose numbers Python cannot read (over 4300
// digits) and fails when it is used; here it is an invalid version at once.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "native/pypi.hpp"
#include "ranges/range_syntax.hpp"
#include "text.hpp"

namespace tambry::ranges {
namespace {

using native::Pep440Number;
using native::Pep440Version;
using Pre = Pep440Version::Pre;

enum class Operator : unsigned char { Arbitrary, Compatible, Equal, NotEqual, LessEqual, GreaterEqual, Less, Greater };

struct OperatorSpelling {
    std::string_view text;
    Operator op;
};

// In the order the specifier pattern tries them: "===" before "==", "<=" before "<".
constexpr OperatorSpelling OPERATORS[] = {
    {"===", Operator::Arbitrary}, {"~=", Operator::Compatible}, {"==", Operator::Equal},
    {"!=", Operator::NotEqual},   {"<=", Operator::LessEqual},  {">=", Operator::GreaterEqual},
    {"<", Operator::Less},        {">", Operator::Greater},
};

bool is_separator(char c) { return c == '-' || c == '_' || c == '.'; }

bool starts_with_word(std::string_view s, std::size_t i, std::string_view lower_word) {
    if (s.size() - i < lower_word.size()) return false;
    for (std::size_t k = 0; k < lower_word.size(); ++k) {
        if (to_lower(s[i + k]) != lower_word[k]) return false;
    }
    return true;
}

std::size_t skip_digits(std::string_view s, std::size_t i) {
    while (i < s.size() && is_digit(s[i])) ++i;
    return i;
}

std::size_t skip_separator(std::string_view s, std::size_t i) { return i < s.size() && is_separator(s[i]) ? i + 1 : i; }

// Each part of a specifier's version is taken whole or not at all, and never given
// back, as packaging's possessive pattern takes it. Each returns the end of the part
// at `i`, or `i` when there is none.
std::size_t scan_pre(std::string_view s, std::size_t i) {
    constexpr std::string_view WORDS[] = {"alpha", "beta", "preview", "pre", "a", "b", "c", "rc"};
    const std::size_t at = skip_separator(s, i);
    for (const std::string_view word : WORDS) {
        if (starts_with_word(s, at, word)) return skip_digits(s, skip_separator(s, at + word.size()));
    }
    return i;
}

std::size_t scan_post(std::string_view s, std::size_t i) {
    if (i + 1 < s.size() && s[i] == '-' && is_digit(s[i + 1])) return skip_digits(s, i + 1);
    constexpr std::string_view WORDS[] = {"post", "rev", "r"};
    const std::size_t at = skip_separator(s, i);
    for (const std::string_view word : WORDS) {
        if (starts_with_word(s, at, word)) return skip_digits(s, skip_separator(s, at + word.size()));
    }
    return i;
}

std::size_t scan_dev(std::string_view s, std::size_t i) {
    const std::size_t at = skip_separator(s, i);
    if (!starts_with_word(s, at, "dev")) return i;
    return skip_digits(s, skip_separator(s, at + 3));
}

std::size_t skip_alnum(std::string_view s, std::size_t i) {
    while (i < s.size() && is_alnum(s[i])) ++i;
    return i;
}

std::size_t scan_local(std::string_view s, std::size_t i) {
    if (i >= s.size() || s[i] != '+') return i;
    std::size_t end = skip_alnum(s, i + 1);
    if (end == i + 1) return i;
    while (end + 1 < s.size() && is_separator(s[end]) && is_alnum(s[end + 1])) end = skip_alnum(s, end + 1);
    return end;
}

// One specifier as read: its operator and its version text.
struct Specifier {
    Operator op;
    std::string_view version;  // without ".*"
    std::size_t offset;        // of the version in the whole text
    bool wildcard = false;
};

class SpecifierReader {
public:
    SpecifierReader(const RangeCursor& cursor, std::string_view item, std::size_t item_offset)
        : cursor_(cursor), item_(item), base_(item_offset) {}

    RangeResult<Specifier> read() {
        Specifier spec{Operator::Equal, {}, 0};
        std::size_t i = 0;
        if (!read_operator(spec.op, i)) {
            return Failure{fail(0, "expected an operator ('~=', '==', '!=', '<=', '>=', '<', '>' or '===')")};
        }
        while (const std::size_t n = native::python_space_length(item_.substr(i))) i += n;
        const std::size_t start = i;
        spec.offset = base_ + start;
        if (spec.op == Operator::Arbitrary) {
            while (i < item_.size() && item_[i] != ';' && item_[i] != ')' &&
                   native::python_space_length(item_.substr(i)) == 0) {
                ++i;
            }
            if (i == start) return Failure{fail(i, "expected a version")};
            if (i != item_.size()) return Failure{fail(i, "expected ','")};
            spec.version = item_.substr(start);
            return spec;
        }
        auto end = scan_version(spec, start);
        if (!end.ok()) return Failure{std::move(end.error())};
        spec.version = item_.substr(start, end.value() - start);
        if (spec.wildcard) spec.version.remove_suffix(2);
        return spec;
    }

private:
    bool read_operator(Operator& op, std::size_t& i) const {
        for (const OperatorSpelling& spelling : OPERATORS) {
            if (item_.starts_with(spelling.text)) {
                op = spelling.op;
                i = spelling.text.size();
                return true;
            }
        }
        return false;
    }

    RangeError fail(std::size_t i, std::string_view what) const { return cursor_.error_at(base_ + i, what); }

    // The end of the version that starts at `i`, which must end the item.
    RangeResult<std::size_t> scan_version(Specifier& spec, const std::size_t start) const {
        const std::string_view s = item_;
        std::size_t i = start;
        if (i < s.size() && (s[i] == 'v' || s[i] == 'V')) ++i;
        if (i < s.size() && is_digit(s[i])) {
            const std::size_t digits_end = skip_digits(s, i);
            if (digits_end < s.size() && s[digits_end] == '!') i = digits_end + 1;
        }
        if (i >= s.size() || !is_digit(s[i])) return Failure{fail(i, "expected a version")};
        i = skip_digits(s, i);
        std::size_t numbers = 1;
        for (; i + 1 < s.size() && s[i] == '.' && is_digit(s[i + 1]); ++numbers) i = skip_digits(s, i + 1);
        const bool matches_all = spec.op == Operator::Equal || spec.op == Operator::NotEqual;
        if (spec.op == Operator::Compatible && numbers < 2) {
            return Failure{fail(start, "'~=' needs a version of at least two release numbers")};
        }
        if (matches_all && s.substr(i, 2) == ".*") {
            spec.wildcard = true;
            i += 2;
        } else {
            i = scan_dev(s, scan_post(s, scan_pre(s, i)));
            if (matches_all) i = scan_local(s, i);
        }
        if (i == s.size()) return i;
        if (s[i] == '+' && !matches_all) return Failure{fail(i, "a local version is allowed only after '==' or '!='")};
        if (s.substr(i, 2) == ".*") return Failure{fail(i, "'.*' may follow only the release numbers after '==' or '!='")};
        return Failure{fail(i, "expected ','")};
    }

    const RangeCursor& cursor_;
    std::string_view item_;
    std::size_t base_;
};

// The versions packaging derives bounds from, made from a specifier's version
// with parts changed. Their numbers are views, so a DerivedVersion keeps the
// digits of the numbers it changed.
class DerivedVersion {
public:
    explicit DerivedVersion(const Pep440Version& v) : v_(v) { v_.local = {}; }

    // v and its local versions end here: the next dev-release of a dev-release,
    // else the first dev-release of the next post-release.
    DerivedVersion& past_locals() {
        if (v_.has_dev) {
            v_.dev_number = raised(v_.dev_number);
        } else {
            v_.post_number = v_.has_post ? raised(v_.post_number) : native::PEP440_ZERO;
            v_.has_post = true;
            first_dev();
        }
        return *this;
    }
    // The next pre-release number's first dev-release: "1.0a1" gives "1.0a2.dev0".
    DerivedVersion& next_prerelease() {
        v_.pre_number = raised(v_.pre_number);
        v_.has_post = false;
        return first_dev();
    }
    // The first `count` release numbers and no suffix, the last raised by one when
    // `raise_last`.
    DerivedVersion& release_only(std::size_t count, bool raise_last) {
        if (v_.release.size() > count) {
            const auto release = v_.release;
            v_.release.clear();
            v_.release.append(release.data(), count);
        }
        if (raise_last) v_.release[count - 1] = raised(v_.release[count - 1]);
        v_.pre = Pre::None;
        v_.has_post = false;
        v_.has_dev = false;
        return *this;
    }
    DerivedVersion& first_dev() {
        v_.has_dev = true;
        v_.dev_number = native::PEP440_ZERO;
        return *this;
    }

    const Pep440Version& version() const { return v_; }
    // Python reads no number of more than 4300 digits, so a number raised past
    // that leaves the version without a text packaging would read.
    bool has_text() const { return readable_; }

    // The version as packaging prints it.
    std::string text() const {
        std::string out;
        if (!v_.epoch.is_zero()) {
            out.append(v_.epoch.digits());
            out.push_back('!');
        }
        for (std::size_t i = 0; i < v_.release.size(); ++i) {
            if (i > 0) out.push_back('.');
            out.append(v_.release[i].digits());
        }
        if (v_.pre != Pre::None) {
            out.append(v_.pre == Pre::Alpha ? "a" : (v_.pre == Pre::Beta ? "b" : "rc"));
            out.append(v_.pre_number.digits());
        }
        if (v_.has_post) {
            out.append(".post");
            out.append(v_.post_number.digits());
        }
        if (v_.has_dev) {
            out.append(".dev");
            out.append(v_.dev_number.digits());
        }
        return out;
    }

private:
    static constexpr std::size_t PYTHON_INT_MAX_DIGITS = 4300;

    Pep440Number raised(const Pep440Number& n) {
        std::string& digits = storage_[used_++];
        digits.assign(n.digits());
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[i - 1];
        }
        if (digits.size() > PYTHON_INT_MAX_DIGITS) readable_ = false;
        return {digits.data(), digits.size(), n.value + 1};  // the value counts only up to 19 digits
    }

    Pep440Version v_;
    std::string storage_[2];  // no derived version raises more than two numbers
    std::size_t used_ = 0;
    bool readable_ = true;
};

// The intersection of every specifier: the tightest bounds, and the stretches
// "!=" leaves out.
class SpecifierBounds {
public:
    void raise_lower(Cut cut) {
        if (!lower_ || cut.at > lower_->at) lower_ = std::move(cut);
    }
    void lower_upper(Cut cut) {
        if (!upper_ || cut.at < upper_->at) upper_ = std::move(cut);
    }
    void exclude(Cut from, Cut to) { holes_.push_back({std::move(from), std::move(to)}); }
    void hold_nothing() { nothing_ = true; }

    IntervalSet finish() {
        if (nothing_ || (lower_ && upper_ && lower_->at >= upper_->at)) return IntervalSet();
        if (holes_.empty()) return IntervalSet::span(std::move(lower_), std::move(upper_));
        std::sort(holes_.begin(), holes_.end(), [](const Hole& a, const Hole& b) { return a.from.at < b.from.at; });
        std::vector<Piece> pieces;
        std::optional<Cut> start = lower_;
        for (Hole& hole : holes_) {
            if (upper_ && hole.from.at >= upper_->at) break;
            if (start && hole.to.at <= start->at) continue;
            if (!start || hole.from.at > start->at) pieces.push_back({std::move(start), std::move(hole.from)});
            start = std::move(hole.to);
        }
        if (!start || !upper_ || start->at < upper_->at) pieces.push_back({std::move(start), std::move(upper_)});
        return IntervalSet::union_of(std::move(pieces));
    }

private:
    struct Hole {
        Cut from;
        Cut to;
    };
    std::optional<Cut> lower_;
    std::optional<Cut> upper_;
    std::vector<Hole> holes_;
    bool nothing_ = false;
};

class SetBuilder {
public:
    explicit SetBuilder(const RangeCursor& cursor) : cursor_(cursor) {}

    std::optional<RangeError> add(const Specifier& spec) {
        const std::optional<Pep440Version> parsed = native::parse_pep440(spec.version);
        if (spec.op == Operator::Arbitrary) {
            if (!parsed) {
                bounds_.hold_nothing();
            } else {
                bounds_.raise_lower(below(*parsed, spec.version));
                bounds_.lower_upper(above(*parsed, spec.version));
            }
            return std::nullopt;
        }
        if (!parsed) return cursor_.invalid_version(spec.version, spec.offset);
        const Pep440Version& v = *parsed;
        if (spec.wildcard) {
            const std::size_t count = v.release.size();
            Cut from = below(DerivedVersion(v).release_only(count, false).first_dev());
            Cut to = below(DerivedVersion(v).release_only(count, true).first_dev());
            add_span(spec.op == Operator::Equal, std::move(from), std::move(to));
            return std::nullopt;
        }
        switch (spec.op) {
            case Operator::GreaterEqual:
                bounds_.raise_lower(below(v, spec.version));
                break;
            case Operator::Greater:
                bounds_.raise_lower(above_posts(v));
                break;
            case Operator::LessEqual:
                bounds_.lower_upper(below(DerivedVersion(v).past_locals()));
                break;
            case Operator::Less:
                add_less(v, spec.version);
                break;
            case Operator::Compatible:
                bounds_.raise_lower(below(v, spec.version));
                bounds_.lower_upper(below(DerivedVersion(v).release_only(v.release.size() - 1, true).first_dev()));
                break;
            case Operator::Equal:
            case Operator::NotEqual: {
                Cut from = below(v, spec.version);
                Cut to = v.local.empty() ? below(DerivedVersion(v).past_locals()) : above(v, spec.version);
                add_span(spec.op == Operator::Equal, std::move(from), std::move(to));
                break;
            }
            case Operator::Arbitrary:
                break;
        }
        return std::nullopt;
    }

    IntervalSet finish() { return bounds_.finish(); }

private:
    void key_of(const Pep440Version& v, KeyBuffer& key) const {
        key.push_back(native::KEY_FORMAT);
        key.push_back(native::key_id(cursor_.scheme().ecosystem));
        native::append_pep440_key(v, key);
    }
    // The cuts around a version as written in the specifier.
    Cut below(const Pep440Version& v, std::string_view text) const {
        KeyBuffer key;
        key_of(v, key);
        return cut_below_key(key_view(key), text);
    }
    Cut above(const Pep440Version& v, std::string_view text) const {
        KeyBuffer key;
        key_of(v, key);
        return cut_above_key(key_view(key), text);
    }
    Cut below(const DerivedVersion& derived) const {
        KeyBuffer key;
        key_of(derived.version(), key);
        return cut_below_key(key_view(key), derived.has_text() ? derived.text() : std::string());
    }

    void add_span(bool keep, Cut from, Cut to) {
        if (keep) {
            bounds_.raise_lower(std::move(from));
            bounds_.lower_upper(std::move(to));
        } else {
            bounds_.exclude(std::move(from), std::move(to));
        }
    }

    // Where ">V" starts.
    Cut above_posts(const Pep440Version& v) const {
        if (v.has_dev || v.has_post) return below(DerivedVersion(v).past_locals());
        if (v.pre != Pre::None) return below(DerivedVersion(v).next_prerelease());
        KeyBuffer key;
        key.push_back(native::KEY_FORMAT);
        key.push_back(native::key_id(cursor_.scheme().ecosystem));
        native::append_pep440_longer_releases_key(v, key);
        return cut_below_key(key_view(key));
    }

    // "<V" ends at V, or at V's own first dev-release; below "0.dev0", the least
    // version, it holds nothing, as packaging has it.
    void add_less(const Pep440Version& v, std::string_view text) {
        Cut end = v.is_prerelease() ? below(v, text) : below(DerivedVersion(v).first_dev());
        if (end.at == lowest_key()) {
            bounds_.hold_nothing();
            return;
        }
        bounds_.lower_upper(std::move(end));
    }

    std::string lowest_key() const {
        Pep440Version lowest;
        lowest.release.push_back(native::PEP440_ZERO);
        lowest.has_dev = true;
        KeyBuffer key;
        key_of(lowest, key);
        return std::string(key_view(key));
    }

    const RangeCursor& cursor_;
    SpecifierBounds bounds_;
};

}  // namespace

RangeResult<VersionSet> parse_pypi_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    SetBuilder builder(cursor);
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
        const std::string_view raw = text.substr(start, end - start);
        const std::string_view item = native::strip_python_space(raw);
        if (!item.empty()) {
            const std::size_t item_offset = start + static_cast<std::size_t>(item.data() - raw.data());
            auto spec = SpecifierReader(cursor, item, item_offset).read();
            if (!spec.ok()) return Failure{std::move(spec.error())};
            if (auto failure = builder.add(spec.value())) return Failure{std::move(*failure)};
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return apply_prerelease_policy(scheme, builder.finish(), policy, std::nullopt);
}

}  // namespace tambry::ranges
