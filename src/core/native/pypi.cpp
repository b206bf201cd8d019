// PyPI versions as `packaging` orders them: the epoch, then the release numbers
// with trailing zeros dropped (1.0 == 1.0.0), then the suffix: a version with only a
// dev part comes before every pre-release of its release, pre-releases (a < b < rc)
// before the release, post-releases after it, and a dev part puts a version just
// before the same version without one. The local label comes last: none before any,
// then segment by segment, numbers above words, numbers by value, words without
// case, a shorter label before a longer one it starts. Numbers have no size limit
// and compare exactly.
#include "native/pypi.hpp"

#include <cstring>

#include "native/floored_number_key.hpp"
#include "native/key_encoding.hpp"
#include "native/native_scheme.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

using Pre = Pep440Version::Pre;

using U8 = unsigned char;

// Length of the character Python's `\s` matches at the start of `p` (with `n` bytes
// left), or 0: the Unicode white space plus the four separators U+001C-U+001F.
std::size_t python_space_at_start(const U8* p, std::size_t n) {
    const U8 c = p[0];
    if ((c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20)) return 1;
    if (c == 0xC2 && n >= 2) return (p[1] == 0x85 || p[1] == 0xA0) ? 2 : 0;
    if (n < 3) return 0;
    if (c == 0xE1) return (p[1] == 0x9A && p[2] == 0x80) ? 3 : 0;
    if (c == 0xE3) return (p[1] == 0x80 && p[2] == 0x80) ? 3 : 0;
    if (c != 0xE2) return 0;
    if (p[1] == 0x80) {
        const U8 last = p[2];
        return ((last >= 0x80 && last <= 0x8A) || last == 0xA8 || last == 0xA9 || last == 0xAF) ? 3 : 0;
    }
    return (p[1] == 0x81 && p[2] == 0x9F) ? 3 : 0;
}

std::size_t python_space_at_end(const U8* end, std::size_t n) {
    const U8 c = end[-1];
    if ((c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20)) return 1;
    if (n >= 2 && end[-2] == 0xC2 && (c == 0x85 || c == 0xA0)) return 2;
    if (n >= 3 && python_space_at_start(end - 3, 3) == 3) return 3;
    return 0;
}

std::string_view trim_python_space(std::string_view text) {
    if (!text.empty()) {
        const auto first = static_cast<U8>(text.front());
        const auto last = static_cast<U8>(text.back());
        if (first > 0x20 && first < 0x80 && last > 0x20 && last < 0x80) return text;
    }
    const U8* begin = reinterpret_cast<const U8*>(text.data());
    const U8* end = begin + text.size();
    while (begin < end) {
        const std::size_t n = python_space_at_start(begin, static_cast<std::size_t>(end - begin));
        if (n == 0) break;
        begin += n;
    }
    while (begin < end) {
        const std::size_t n = python_space_at_end(end, static_cast<std::size_t>(end - begin));
        if (n == 0) break;
        end -= n;
    }
    return {reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin)};
}

bool is_separator(char c) { return c == '.' || c == '_' || c == '-'; }

// True when s[i...] starts with `word` (lowercase) in any case.
bool starts_with_word(std::string_view s, std::size_t i, std::string_view word) {
    if (s.size() - i < word.size()) return false;
    for (std::size_t k = 0; k < word.size(); ++k) {
        if (to_lower(s[i + k]) != word[k]) return false;
    }
    return true;
}

// The length of the pre-release spelling at s[k], or 0. packaging tries them in the
// order alpha, a, beta, b, preview, pre, c, rc and keeps the first that matches,
// even when a later one would have let the rest of the text match.
std::size_t pre_spelling(std::string_view s, std::size_t k, Pre& pre) {
    if (k >= s.size()) return 0;
    switch (to_lower(s[k])) {
        case 'a': pre = Pre::Alpha; return starts_with_word(s, k, "alpha") ? 5 : 1;
        case 'b': pre = Pre::Beta; return starts_with_word(s, k, "beta") ? 4 : 1;
        case 'c': pre = Pre::Rc; return 1;
        case 'p':
            pre = Pre::Rc;
            if (starts_with_word(s, k, "preview")) return 7;
            return starts_with_word(s, k, "pre") ? 3 : 0;
        case 'r': pre = Pre::Rc; return starts_with_word(s, k, "rc") ? 2 : 0;
        default: return 0;
    }
}

// The same for post, rev and r.
std::size_t post_spelling(std::string_view s, std::size_t k) {
    if (k >= s.size()) return 0;
    switch (to_lower(s[k])) {
        case 'p': return starts_with_word(s, k, "post") ? 4 : 0;
        case 'r': return starts_with_word(s, k, "rev") ? 3 : 1;
        default: return 0;
    }
}

// After a part's word: one optional separator, then an optional number, which is
// zero when absent. Returns false for a number Python refuses.
bool read_part_number(std::string_view s, std::size_t& i, Pep440Number& number) {
    if (i < s.size() && is_separator(s[i])) ++i;
    return i >= s.size() || !is_digit(s[i]) || read_pep440_number(s, i, number);
}

// The local label: alphanumeric runs joined by single separators. Moves `i` to the
// end of the label, if one starts there; false for a number Python refuses.
bool scan_local(std::string_view s, std::size_t& i) {
    std::size_t pos = i;
    for (;;) {
        const std::size_t start = pos;
        bool all_digits = true;
        while (pos < s.size() && is_alnum(s[pos])) {
            all_digits = all_digits && is_digit(s[pos]);
            ++pos;
        }
        if (pos == start) return true;
        if (all_digits && pos - start > PYTHON_INT_MAX_DIGITS) return false;
        if (pos + 1 < s.size() && is_separator(s[pos]) && is_alnum(s[pos + 1])) {
            ++pos;
            continue;
        }
        i = pos;
        return true;
    }
}

// One pass over the text, each part taken greedily and never given back, as
// packaging's possessive pattern does.
bool parse_into(std::string_view text, Pep440Version& v) {
    const std::string_view s = trim_python_space(text);
    const std::size_t n = s.size();
    std::size_t i = 0;
    if (i < n && (s[i] == 'v' || s[i] == 'V')) ++i;

    if (i >= n || !is_digit(s[i])) return false;
    Pep440Number number;
    if (!read_pep440_number(s, i, number)) return false;
    if (i < n && s[i] == '!') {
        v.epoch = number;
        ++i;
        if (i >= n || !is_digit(s[i]) || !read_pep440_number(s, i, number)) return false;
    }
    v.release.push_back(number);
    while (i + 1 < n && s[i] == '.' && is_digit(s[i + 1])) {
        ++i;
        if (!read_pep440_number(s, i, number)) return false;
        v.release.push_back(number);
    }
    if (i == n) return true;

    std::size_t k = is_separator(s[i]) ? i + 1 : i;
    if (const std::size_t length = pre_spelling(s, k, v.pre)) {
        i = k + length;
        if (!read_part_number(s, i, v.pre_number)) return false;
    } else {
        v.pre = Pre::None;
    }

    if (i + 1 < n && s[i] == '-' && is_digit(s[i + 1])) {
        ++i;
        if (!read_pep440_number(s, i, v.post_number)) return false;
        v.has_post = true;
    } else {
        k = i < n && is_separator(s[i]) ? i + 1 : i;
        if (const std::size_t length = post_spelling(s, k)) {
            v.has_post = true;
            i = k + length;
            if (!read_part_number(s, i, v.post_number)) return false;
        }
    }

    k = i < n && is_separator(s[i]) ? i + 1 : i;
    if (starts_with_word(s, k, "dev")) {
        v.has_dev = true;
        i = k + 3;
        if (!read_part_number(s, i, v.dev_number)) return false;
    }

    if (i < n && s[i] == '+') {
        const std::size_t start = i + 1;
        std::size_t local_end = start;
        if (!scan_local(s, local_end)) return false;
        if (local_end > start) {
            v.local = s.substr(start, local_end - start);
            i = local_end;
        }
    }
    return i == n;
}

Ordering compare_digits(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? Ordering::Less : Ordering::Greater;
    const int c = std::memcmp(a.data(), b.data(), a.size());
    return c < 0 ? Ordering::Less : (c > 0 ? Ordering::Greater : Ordering::Equal);
}

Ordering compare_numbers(const Pep440Number& a, const Pep440Number& b) {
    if (a.size != b.size) return a.size < b.size ? Ordering::Less : Ordering::Greater;
    if (a.size <= PEP440_EXACT_DIGITS) return order_of(a.value, b.value);
    return compare_digits(a.digits(), b.digits());
}

std::size_t trimmed_release_size(const Pep440Version& v) {
    std::size_t size = v.release.size();
    while (size > 0 && v.release[size - 1].is_zero()) --size;
    return size;
}

// A version with a dev part and neither pre nor post part sorts before every
// pre-release of its release; one without a pre-release after them all.
int pre_rank(const Pep440Version& v) {
    if (v.pre == Pre::None) return (!v.has_post && v.has_dev) ? -1 : 3;
    return static_cast<int>(v.pre) - 1;
}

bool all_digits(std::string_view text) {
    for (char c : text) {
        if (!is_digit(c)) return false;
    }
    return true;
}

std::string_view without_leading_zeros(std::string_view digits) {
    std::size_t start = 0;
    while (start + 1 < digits.size() && digits[start] == '0') ++start;
    return digits.substr(start);
}

// Splits a local label at its separators.
class LocalSegments {
public:
    explicit LocalSegments(std::string_view label) : rest_(label), done_(label.empty()) {}
    bool next(std::string_view& segment) {
        if (done_) return false;
        std::size_t end = 0;
        while (end < rest_.size() && !is_separator(rest_[end])) ++end;
        segment = rest_.substr(0, end);
        if (end == rest_.size()) {
            done_ = true;
        } else {
            rest_.remove_prefix(end + 1);
        }
        return true;
    }

private:
    std::string_view rest_;
    bool done_;
};

Ordering compare_words_ignoring_case(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char x = to_lower(a[i]);
        const char y = to_lower(b[i]);
        if (x != y) return x < y ? Ordering::Less : Ordering::Greater;
    }
    return order_of(a.size(), b.size());
}

Ordering compare_local_segment(std::string_view a, std::string_view b) {
    const bool a_number = all_digits(a);
    const bool b_number = all_digits(b);
    if (a_number && b_number) return compare_digits(without_leading_zeros(a), without_leading_zeros(b));
    if (a_number != b_number) return a_number ? Ordering::Greater : Ordering::Less;
    return compare_words_ignoring_case(a, b);
}

Ordering compare_local(std::string_view a, std::string_view b) {
    LocalSegments left(a), right(b);
    for (;;) {
        std::string_view x, y;
        const bool has_x = left.next(x);
        const bool has_y = right.next(y);
        if (!has_x || !has_y) return order_of(has_x, has_y);
        const Ordering o = compare_local_segment(x, y);
        if (o != Ordering::Equal) return o;
    }
}

Ordering compare_parsed(const Pep440Version& a, const Pep440Version& b) {
    Ordering o = compare_numbers(a.epoch, b.epoch);
    if (o != Ordering::Equal) return o;
    const std::size_t na = trimmed_release_size(a);
    const std::size_t nb = trimmed_release_size(b);
    const std::size_t common = na < nb ? na : nb;
    for (std::size_t i = 0; i < common; ++i) {
        o = compare_numbers(a.release[i], b.release[i]);
        if (o != Ordering::Equal) return o;
    }
    if (na != nb) return order_of(na, nb);
    o = order_of(pre_rank(a), pre_rank(b));
    if (o != Ordering::Equal) return o;
    o = compare_numbers(a.pre_number, b.pre_number);
    if (o != Ordering::Equal) return o;
    o = order_of(a.has_post, b.has_post);
    if (o != Ordering::Equal) return o;
    o = compare_numbers(a.post_number, b.post_number);
    if (o != Ordering::Equal) return o;
    o = order_of(!a.has_dev, !b.has_dev);
    if (o != Ordering::Equal) return o;
    o = compare_numbers(a.dev_number, b.dev_number);
    if (o != Ordering::Equal) return o;
    return compare_local(a.local, b.local);
}

// Key bytes below NUMBER_FLOOR end the release and say what kind of version it is;
// their order is the order of those kinds.
constexpr unsigned char NUMBER_FLOOR = 0x06;
enum SuffixKind : unsigned char {
    DEV_ONLY = 0x00,  // then the dev number
    ALPHA = 0x01,     // a, b, rc: then the pre number and the post/dev tail
    BETA = 0x02,
    RC = 0x03,
    FINAL = 0x04,       // nothing more
    POST_FINAL = 0x05,  // then the post number and the dev mark
};
// The tail after a pre-release number.
constexpr unsigned char TAIL_DEV = 0x00;   // dev number follows
constexpr unsigned char TAIL_NONE = 0x01;  // neither post nor dev
constexpr unsigned char TAIL_POST = 0x02;  // post number, then a dev mark
// The dev mark after a post number.
constexpr unsigned char DEV_FOLLOWS = 0x00;
constexpr unsigned char NO_DEV = 0x01;
// Local segments: words before numbers; the label ends with the key.
constexpr unsigned char LOCAL_WORD = 0x01;
constexpr unsigned char LOCAL_NUMBER = 0x02;

[[gnu::noinline]] void put_long_number(KeyBuffer& out, const Pep440Number& number) {
    if (number.size <= PEP440_EXACT_DIGITS) {
        put_u64_above(out, number.value, NUMBER_FLOOR);
    } else {
        put_digits_above(out, number.digits(), NUMBER_FLOOR);
    }
}

// Nearly every number has one or two digits, a single byte inline; the rest take
// the general path, which writes the same byte for them.
inline void put_number(KeyBuffer& out, const Pep440Number& number) {
    static_assert(99 < 0xF0 - NUMBER_FLOOR);
    if (number.size <= 2) {
        out.push_back(static_cast<unsigned char>(NUMBER_FLOOR + number.value));
    } else {
        put_long_number(out, number);
    }
}

void put_dev_mark(KeyBuffer& out, const Pep440Version& v) {
    if (v.has_dev) {
        out.push_back(DEV_FOLLOWS);
        put_number(out, v.dev_number);
    } else {
        out.push_back(NO_DEV);
    }
}

void put_key(const Pep440Version& v, KeyBuffer& out) {
    put_number(out, v.epoch);
    const std::size_t size = trimmed_release_size(v);
    for (std::size_t i = 0; i < size; ++i) put_number(out, v.release[i]);
    switch (pre_rank(v)) {
        case -1:
            out.push_back(DEV_ONLY);
            put_number(out, v.dev_number);
            break;
        case 3:
            if (v.has_post) {
                out.push_back(POST_FINAL);
                put_number(out, v.post_number);
                put_dev_mark(out, v);
            } else {
                out.push_back(FINAL);
            }
            break;
        default:
            out.push_back(static_cast<unsigned char>(ALPHA + pre_rank(v)));
            put_number(out, v.pre_number);
            if (v.has_post) {
                out.push_back(TAIL_POST);
                put_number(out, v.post_number);
                put_dev_mark(out, v);
            } else if (v.has_dev) {
                out.push_back(TAIL_DEV);
                put_number(out, v.dev_number);
            } else {
                out.push_back(TAIL_NONE);
            }
            break;
    }
    LocalSegments segments(v.local);
    std::string_view segment;
    while (segments.next(segment)) {
        if (all_digits(segment)) {
            out.push_back(LOCAL_NUMBER);
            put_digits(out, segment);
        } else {
            out.push_back(LOCAL_WORD);
            put_text_lowered(out, segment);
        }
    }
}

class PypiScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view text) const override {
        Pep440Version v;
        return parse_into(text, v);
    }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        Pep440Version left, right;
        if (!parse_into(a, left) || !parse_into(b, right)) return std::nullopt;
        return compare_parsed(left, right);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        Pep440Version v;
        if (!parse_into(text, v)) return false;
        put_key(v, out);
        return true;
    }

    bool is_prerelease(std::string_view text) const override {
        Pep440Version v;
        return parse_into(text, v) && v.is_prerelease();
    }
};

constinit const PypiScheme PYPI_SCHEME{};

}  // namespace

std::optional<Pep440Version> parse_pep440(std::string_view text) {
    std::optional<Pep440Version> v(std::in_place);
    if (!parse_into(text, *v)) return std::nullopt;
    return v;
}

bool parse_pep440_into(std::string_view text, Pep440Version& out) { return parse_into(text, out); }

Ordering compare_pep440(const Pep440Version& a, const Pep440Version& b) { return compare_parsed(a, b); }

void append_pep440_key(const Pep440Version& v, KeyBuffer& out) { put_key(v, out); }

std::size_t python_space_length(std::string_view text) {
    if (text.empty()) return 0;
    return python_space_at_start(reinterpret_cast<const U8*>(text.data()), text.size());
}

std::string_view strip_python_space(std::string_view text) { return trim_python_space(text); }

// Right after the release numbers a key has either a suffix byte, all below
// NUMBER_FLOOR, or the next release number, never below it.
void append_pep440_longer_releases_key(const Pep440Version& v, KeyBuffer& out) {
    put_number(out, v.epoch);
    const std::size_t size = trimmed_release_size(v);
    for (std::size_t i = 0; i < size; ++i) put_number(out, v.release[i]);
    out.push_back(NUMBER_FLOOR);
}

const NativeScheme& pypi_scheme() { return PYPI_SCHEME; }

}  // namespace tambry::native
