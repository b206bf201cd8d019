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
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "native/pypi.hpp"
#include "ranges/range_syntax.hpp"
#include "small_vec.hpp"
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

// False for a byte that cannot start white space: printable ASCII, the usual byte.
bool may_be_space(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte >= 0x80;
}

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
    static constexpr std::string_view WORDS[] = {"alpha", "beta", "preview", "pre", "a", "b", "c", "rc"};
    const std::size_t at = skip_separator(s, i);
    if (at >= s.size()) return i;
    const char first = to_lower(s[at]);
    if (first != 'a' && first != 'b' && first != 'c' && first != 'p' && first != 'r') return i;
    for (const std::string_view word : WORDS) {
        if (word[0] == first && starts_with_word(s, at, word)) {
            return skip_digits(s, skip_separator(s, at + word.size()));
        }
    }
    return i;
}

std::size_t scan_post(std::string_view s, std::size_t i) {
    if (i >= s.size()) return i;
    if (i + 1 < s.size() && s[i] == '-' && is_digit(s[i + 1])) return skip_digits(s, i + 1);
    static constexpr std::string_view WORDS[] = {"post", "rev", "r"};
    const std::size_t at = skip_separator(s, i);
    if (at >= s.size()) return i;
    const char first = to_lower(s[at]);
    if (first != 'p' && first != 'r') return i;
    for (const std::string_view word : WORDS) {
        if (word[0] == first && starts_with_word(s, at, word)) {
            return skip_digits(s, skip_separator(s, at + word.size()));
        }
    }
    return i;
}

std::size_t scan_dev(std::string_view s, std::size_t i) {
    const std::size_t at = skip_separator(s, i);
    if (at >= s.size() || to_lower(s[at]) != 'd' || !starts_with_word(s, at, "dev")) return i;
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
    Operator op = Operator::Equal;
    std::string_view version;  // without ".*"
    std::size_t offset = 0;    // of the version in the whole text
    bool wildcard = false;
    // A version of release numbers alone, the usual one, is parsed as it is read:
    // `parsed` holds it when `has_parsed`. Reading fills only its epoch and release.
    bool has_parsed = false;
    Pep440Version parsed;
};

class SpecifierReader {
public:
    SpecifierReader(const RangeCursor& cursor, std::string_view item, std::size_t item_offset)
        : cursor_(cursor), item_(item), base_(item_offset) {}

    // Reads the item into `spec`; the error when it is not a specifier.
    std::optional<RangeError> read(Specifier& spec) {
        std::size_t i = 0;
        if (!read_operator(spec.op, i)) {
            return fail(0, "expected an operator ('~=', '==', '!=', '<=', '>=', '<', '>' or '===')");
        }
        while (i < item_.size() && may_be_space(item_[i])) {
            const std::size_t n = native::python_space_length(item_.substr(i));
            if (n == 0) break;
            i += n;
        }
        const std::size_t start = i;
        spec.offset = base_ + start;
        if (spec.op == Operator::Arbitrary) {
            while (i < item_.size() && item_[i] != ';' && item_[i] != ')' &&
                   native::python_space_length(item_.substr(i)) == 0) {
                ++i;
            }
            if (i == start) return fail(i, "expected a version");
            if (i != item_.size()) return fail(i, "expected ','");
            spec.version = item_.substr(start);
            return std::nullopt;
        }
        if (auto failure = scan_version(spec, start)) return failure;
        spec.version = item_.substr(start);
        if (spec.wildcard) spec.version.remove_suffix(2);
        return std::nullopt;
    }

private:
    bool read_operator(Operator& op, std::size_t& i) const {
        const char first = item_[0];
        if (first != '~' && first != '=' && first != '!' && first != '<' && first != '>') return false;
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

    // The version that starts at `start` must end the item.
    std::optional<RangeError> scan_version(Specifier& spec, const std::size_t start) const {
        const std::string_view s = item_;
        std::size_t i = start;
        if (i < s.size() && (s[i] == 'v' || s[i] == 'V')) ++i;
        // The numbers are read as packaging's Version reads them; `readable` turns
        // false on one Python would refuse.
        Pep440Version& v = spec.parsed;
        bool readable = true;
        if (i < s.size() && is_digit(s[i])) {
            const std::size_t digits_end = skip_digits(s, i);
            if (digits_end < s.size() && s[digits_end] == '!') {
                readable = native::read_pep440_number(s, i, v.epoch);
                i = digits_end + 1;
            }
        }
        if (i >= s.size() || !is_digit(s[i])) return fail(i, "expected a version");
        Pep440Number number;
        readable = native::read_pep440_number(s, i, number) && readable;
        v.release.push_back(number);
        std::size_t numbers = 1;
        for (; i + 1 < s.size() && s[i] == '.' && is_digit(s[i + 1]); ++numbers) {
            ++i;
            readable = native::read_pep440_number(s, i, number) && readable;
            v.release.push_back(number);
        }
        const std::size_t release_end = i;
        const bool matches_all = spec.op == Operator::Equal || spec.op == Operator::NotEqual;
        if (spec.op == Operator::Compatible && numbers < 2) {
            return fail(start, "'~=' needs a version of at least two release numbers");
        }
        if (matches_all && s.substr(i, 2) == ".*") {
            spec.wildcard = true;
            i += 2;
        } else {
            i = scan_dev(s, scan_post(s, scan_pre(s, i)));
            if (matches_all) i = scan_local(s, i);
        }
        if (i == s.size()) {
            spec.has_parsed = readable && (spec.wildcard || release_end == i);
            return std::nullopt;
        }
        if (s[i] == '+' && !matches_all) return fail(i, "a local version is allowed only after '==' or '!='");
        if (s.substr(i, 2) == ".*") return fail(i, "'.*' may follow only the release numbers after '==' or '!='");
        return fail(i, "expected ','");
    }

    const RangeCursor& cursor_;
    std::string_view item_;
    std::size_t base_;
};

// Room for the text of a derived version, which is short but for hostile input.
using TextBuffer = SmallVec<char, 64>;

// Copies `text` to `at` and returns its end. Most parts are a digit or two,
// copied here without a call.
inline char* put(char* at, std::string_view text) {
    if (text.size() > 2) {
        std::memcpy(at, text.data(), text.size());
    } else if (!text.empty()) {
        at[0] = text[0];
        if (text.size() == 2) at[1] = text[1];
    }
    return at + text.size();
}

// The versions packaging derives bounds from, made by changing parts of a
// specifier's version in place: the version is the specifier's own, read for the
// last time, so it is not copied. Numbers are views, so a DerivedVersion keeps the
// digits of the numbers it changed, and the version must not be read once the
// DerivedVersion is gone.
class DerivedVersion {
public:
    explicit DerivedVersion(Pep440Version& v) : v_(v) { v_.local = {}; }
    // Its numbers may point into its own storage.
    DerivedVersion(const DerivedVersion&) = delete;
    DerivedVersion& operator=(const DerivedVersion&) = delete;

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

    // The version as packaging prints it: its length first, then its bytes
    // through one pointer, none of them taken to change the buffer's size.
    void append_text(TextBuffer& out) const {
        const Pep440Version& v = v_;
        const std::string_view pre = v.pre == Pre::None    ? std::string_view()
                                     : v.pre == Pre::Alpha ? "a"
                                     : v.pre == Pre::Beta  ? "b"
                                                           : "rc";
        std::size_t size = v.release.size() - 1;  // the dots
        for (const Pep440Number& n : v.release) size += n.size;
        if (!v.epoch.is_zero()) size += v.epoch.size + 1;
        if (!pre.empty()) size += pre.size() + v.pre_number.size;
        if (v.has_post) size += 5 + v.post_number.size;
        if (v.has_dev) size += 4 + v.dev_number.size;
        char* at = out.append_uninitialized(size);
        if (!v.epoch.is_zero()) {
            at = put(at, v.epoch.digits());
            *at++ = '!';
        }
        for (std::size_t i = 0; i < v.release.size(); ++i) {
            if (i > 0) *at++ = '.';
            at = put(at, v.release[i].digits());
        }
        if (!pre.empty()) at = put(put(at, pre), v.pre_number.digits());
        if (v.has_post) at = put(put(at, ".post"), v.post_number.digits());
        if (v.has_dev) put(put(at, ".dev"), v.dev_number.digits());
    }

private:
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
        if (digits.size() > native::PYTHON_INT_MAX_DIGITS) readable_ = false;
        return {digits.data(), digits.size(), n.value + 1};  // the value counts only up to 19 digits
    }

    Pep440Version& v_;
    std::string storage_[2];  // no derived version raises more than two numbers
    std::size_t used_ = 0;
    bool readable_ = true;
};

// The intersection of every specifier: the tightest bounds, and the stretches
// "!=" leaves out. A bound is offered as the place of its cut and its text, and
// only the tightest is kept, in place, so a long set costs two cuts.
class SpecifierBounds {
public:
    void raise_lower(std::string_view at, std::string_view text, bool above) {
        if (!lower_ || at > std::string_view(lower_->at)) keep(lower_, at, text, above);
    }
    void lower_upper(std::string_view at, std::string_view text, bool above) {
        if (!upper_ || at < std::string_view(upper_->at)) keep(upper_, at, text, above);
    }
    void exclude(Cut from, Cut to) {
        if (holes_.empty()) holes_.reserve(4);
        holes_.push_back({std::move(from), std::move(to)});
    }
    void hold_nothing() { nothing_ = true; }

    IntervalSet finish() {
        if (nothing_) return IntervalSet();
        if (holes_.empty()) return IntervalSet::span(std::move(lower_), std::move(upper_));
        if (lower_ && upper_ && lower_->at >= upper_->at) return IntervalSet();
        CutList cuts;
        cuts.reserve(2 + 2 * holes_.size());
        // The stretches between the holes, in order: each cut is moved out once.
        std::sort(holes_.begin(), holes_.end(), [](const Hole& a, const Hole& b) { return a.from.at < b.from.at; });
        Cut* start = lower_ ? &*lower_ : nullptr;
        bool starts_inside = false;
        auto stretch = [&](Cut* from, Cut* to) {
            if (cuts.empty()) starts_inside = from == nullptr;
            if (from) cuts.push_back(std::move(*from));
            if (to) cuts.push_back(std::move(*to));
        };
        for (Hole& hole : holes_) {
            if (upper_ && hole.from.at >= upper_->at) break;
            if (start && hole.to.at <= start->at) continue;
            if (!start || hole.from.at > start->at) stretch(start, &hole.from);
            start = &hole.to;
        }
        if (!start || !upper_ || start->at < upper_->at) stretch(start, upper_ ? &*upper_ : nullptr);
        return IntervalSet::from_cuts(starts_inside, std::move(cuts));
    }

private:
    struct Hole {
        Cut from;
        Cut to;
    };

    static void keep(std::optional<Cut>& slot, std::string_view at, std::string_view text, bool above) {
        if (!slot) {
            slot.emplace(Cut{ShortBytes(at), ShortBytes(text), above});
            return;
        }
        slot->at.assign(at);
        slot->text.assign(text);
        slot->above = above;
    }

    std::optional<Cut> lower_;
    std::optional<Cut> upper_;
    std::vector<Hole> holes_;
    bool nothing_ = false;
};

// The place of a cut: a version's key, followed by a 0 byte for the cut above it.
class CutPlace {
public:
    CutPlace(const RangeScheme& scheme, const Pep440Version& v, bool above) : above_(above) {
        at_.push_back(native::KEY_FORMAT);
        at_.push_back(native::key_id(scheme.ecosystem));
        native::append_pep440_key(v, at_);
        if (above) at_.push_back(0);
    }
    std::string_view at() const { return key_view(at_); }
    bool above() const { return above_; }
    Cut cut(std::string_view text) const { return Cut{ShortBytes(at()), ShortBytes(text), above_}; }

private:
    KeyBuffer at_;
    bool above_;
};

class SetBuilder {
public:
    explicit SetBuilder(const RangeCursor& cursor) : cursor_(cursor) {}

    std::optional<RangeError> add(Specifier& spec) {
        Pep440Version& v = spec.parsed;
        bool parsed = spec.has_parsed;
        if (!parsed) {
            // Back to a fresh version: reading may have filled its epoch and release.
            v.epoch = native::PEP440_ZERO;
            v.release.clear();
            parsed = native::parse_pep440_into(spec.version, v);
        }
        if (spec.op == Operator::Arbitrary) {
            if (!parsed) {
                bounds_.hold_nothing();
            } else {
                lower(place(v, false), spec.version);
                upper(place(v, true), spec.version);
            }
            return std::nullopt;
        }
        if (!parsed) return cursor_.invalid_version(spec.version, spec.offset);
        if (spec.wildcard) {
            // From the release's first dev-release to the next release's, one
            // version changed twice.
            const std::size_t count = v.release.size();
            DerivedVersion derived(v);
            derived.release_only(count, false).first_dev();
            if (spec.op == Operator::Equal) {
                lower(derived);
                upper(derived.release_only(count, true).first_dev());
            } else {
                Cut from = place(derived).cut(text_of(derived));
                derived.release_only(count, true).first_dev();
                bounds_.exclude(std::move(from), place(derived).cut(text_of(derived)));
            }
            return std::nullopt;
        }
        switch (spec.op) {
            case Operator::GreaterEqual:
                lower(place(v, false), spec.version);
                break;
            case Operator::Greater:
                lower_above_posts(v);
                break;
            case Operator::LessEqual:
                upper(DerivedVersion(v).past_locals());
                break;
            case Operator::Less:
                upper_less(v, spec.version);
                break;
            case Operator::Compatible:
                lower(place(v, false), spec.version);
                upper(DerivedVersion(v).release_only(v.release.size() - 1, true).first_dev());
                break;
            case Operator::Equal:
            case Operator::NotEqual:
                equal(spec.op == Operator::Equal, v, spec.version);
                break;
            case Operator::Arbitrary:
                break;
        }
        return std::nullopt;
    }

    IntervalSet finish() { return bounds_.finish(); }

private:
    CutPlace place(const Pep440Version& v, bool above) const { return CutPlace(cursor_.scheme(), v, above); }
    CutPlace place(const DerivedVersion& d) const { return place(d.version(), false); }
    // A derived version's text, when Python can read it; else the cut is named by
    // its key alone.
    std::string_view text_of(const DerivedVersion& d) {
        scratch_.clear();
        if (d.has_text()) d.append_text(scratch_);
        return {scratch_.data(), scratch_.size()};
    }

    void lower(const CutPlace& place, std::string_view text) { bounds_.raise_lower(place.at(), text, place.above()); }
    void upper(const CutPlace& place, std::string_view text) { bounds_.lower_upper(place.at(), text, place.above()); }
    void lower(const DerivedVersion& d) { lower(place(d), text_of(d)); }
    void upper(const DerivedVersion& d) { upper(place(d), text_of(d)); }

    // "==V" is V and its local versions, "==V+l" V+l alone; "!=" leaves that out.
    void equal(bool keep, Pep440Version& v, std::string_view text) {
        const CutPlace from = place(v, false);
        if (keep) lower(from, text);
        if (!v.local.empty()) {
            if (keep) return upper(place(v, true), text);
            return bounds_.exclude(from.cut(text), place(v, true).cut(text));
        }
        DerivedVersion end(v);
        end.past_locals();
        if (keep) return upper(end);
        bounds_.exclude(from.cut(text), place(end).cut(text_of(end)));
    }

    // ">V" starts past V's post-releases, where longer releases start, unless V is
    // a pre-release (then at its next pre-release) or a post- or dev-release.
    void lower_above_posts(Pep440Version& v) {
        if (v.has_dev || v.has_post) {
            lower(DerivedVersion(v).past_locals());
        } else if (v.pre != Pre::None) {
            lower(DerivedVersion(v).next_prerelease());
        } else {
            KeyBuffer at;
            at.push_back(native::KEY_FORMAT);
            at.push_back(native::key_id(cursor_.scheme().ecosystem));
            native::append_pep440_longer_releases_key(v, at);
            bounds_.raise_lower(key_view(at), {}, false);
        }
    }

    // "<V" ends at V, or at V's own first dev-release; below "0.dev0", the least
    // version, it holds nothing, as packaging has it.
    void upper_less(Pep440Version& v, std::string_view text) {
        if (v.is_prerelease()) {
            if (is_least_version(v)) return bounds_.hold_nothing();
            return upper(place(v, false), text);
        }
        DerivedVersion first_dev(v);
        first_dev.first_dev();
        if (is_least_version(first_dev.version())) return bounds_.hold_nothing();
        upper(first_dev);
    }

    // Whether v is "0.dev0", local labels aside.
    static bool is_least_version(const Pep440Version& v) {
        for (const Pep440Number& n : v.release) {
            if (!n.is_zero()) return false;
        }
        return v.epoch.is_zero() && v.pre == Pre::None && !v.has_post && v.has_dev && v.dev_number.is_zero();
    }

    const RangeCursor& cursor_;
    SpecifierBounds bounds_;
    TextBuffer scratch_;
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
            Specifier spec;
            if (auto failure = SpecifierReader(cursor, item, item_offset).read(spec)) {
                return Failure{std::move(*failure)};
            }
            if (auto failure = builder.add(spec)) return Failure{std::move(*failure)};
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return apply_prerelease_policy(scheme, builder.finish(), policy, std::nullopt);
}

}  // namespace tambry::ranges
