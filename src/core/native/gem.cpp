// RubyGems orders versions as Gem::Version#<=> of RubyGems 3.3.15 does. The text,
// stripped of blanks and with every '-' read as ".pre.", is cut into runs of digits
// and runs of ASCII letters; the numbers before the first word, and the segments
// from that word on, each drop their trailing zeros. Two versions then compare
// segment by segment, the shorter padded with zeros: a word is below every number,
// numbers compare by value and words byte by byte, so "B" < "a" and "1.0.pre3"
// against "1.0.rc1" is decided by "pre" against "rc".
//
// A text is a version when, between optional blanks, it is digits, then parts of
// letters and digits each after a '.', then optionally a '-' and parts of letters,
// digits and '-' joined by dots. A blank text is the version 0.
#include "native/gem.hpp"

#include <cstdint>
#include <cstring>
#include <limits>

#include "native/key_encoding.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

// Ruby's \s, which both the version pattern and String#strip skip.
constexpr bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view strip_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

// Gem::Version::VERSION_PATTERN, on the stripped text.
bool matches_pattern(std::string_view v) {
    const std::size_t n = v.size();
    std::size_t i = 0;
    while (i < n && is_digit(v[i])) ++i;
    if (i == 0) return false;
    while (i < n && v[i] == '.') {
        const std::size_t start = ++i;
        while (i < n && is_alnum(v[i])) ++i;
        if (i == start) return false;
    }
    if (i == n) return true;
    if (v[i] != '-') return false;
    ++i;
    for (;;) {
        const std::size_t start = i;
        while (i < n && (is_alnum(v[i]) || v[i] == '-')) ++i;
        if (i == start) return false;
        if (i == n) return true;
        if (v[i] != '.') return false;
        ++i;
    }
}

std::string_view strip_zeros(std::string_view digits) {
    std::size_t i = 0;
    while (i < digits.size() && digits[i] == '0') ++i;
    return digits.substr(i);
}

int compare_numbers(std::string_view a, std::string_view b) {
    a = strip_zeros(a);
    b = strip_zeros(b);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int c = a.empty() ? 0 : std::memcmp(a.data(), b.data(), a.size());
    return c < 0 ? -1 : (c > 0);
}

int compare_words(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0);
}

// canonical_segments: the numbers before the first word and the segments from it
// on, each without its trailing zeros, seen as one sequence.
class Canonical {
public:
    explicit Canonical(const GemVersion& v) : v_(v) {
        const std::size_t n = v.segments.size();
        first_word_ = v.release_size();
        numbers_end_ = first_word_;
        while (numbers_end_ > 0 && is_zero(numbers_end_ - 1)) --numbers_end_;
        words_end_ = n;
        while (words_end_ > first_word_ && is_zero(words_end_ - 1)) --words_end_;
    }

    std::size_t size() const { return numbers_end_ + (words_end_ - first_word_); }
    const GemSegment& operator[](std::size_t k) const {
        return v_.segments[k < numbers_end_ ? k : first_word_ + (k - numbers_end_)];
    }
    std::string_view text(std::size_t k) const { return v_.segment_text((*this)[k]); }
    bool is_zero_at(std::size_t k) const {
        const GemSegment& s = (*this)[k];
        return s.is_number && strip_zeros(v_.segment_text(s)).empty();
    }

private:
    bool is_zero(std::size_t i) const {
        const GemSegment& s = v_.segments[i];
        return s.is_number && strip_zeros(v_.segment_text(s)).empty();
    }

    const GemVersion& v_;
    std::size_t first_word_;
    std::size_t numbers_end_;
    std::size_t words_end_;
};

// Key bytes of a segment. A 0 meets the end of a shorter version as equal, so it
// sorts below the end when the next segment that is not 0 is a word, above it when
// that one is a number.
enum KeyCode : unsigned char {
    WORD = 0x01,  // + the word, 0x00
    ZERO_BELOW = 0x02,
    END = 0x03,
    ZERO_ABOVE = 0x04,
    NUMBER_OFFSET = 0x04,  // a number n from 1 to 2^64 - 5 is put_u64(n + 4)
    HUGE_NUMBER = 0xF8,    // + digit count + digits, after every put_u64
};

void put_number(KeyBuffer& out, std::string_view digits) {
    digits = strip_zeros(digits);
    std::uint64_t value = 0;
    bool fits = digits.size() <= 20;
    for (std::size_t i = 0; fits && i < digits.size(); ++i) {
        fits = !__builtin_mul_overflow(value, 10, &value) &&
               !__builtin_add_overflow(value, static_cast<std::uint64_t>(digits[i] - '0'), &value);
    }
    if (fits && value <= std::numeric_limits<std::uint64_t>::max() - NUMBER_OFFSET) {
        put_u64(out, value + NUMBER_OFFSET);
        return;
    }
    out.push_back(HUGE_NUMBER);
    put_u64(out, digits.size());
    out.append(reinterpret_cast<const unsigned char*>(digits.data()), digits.size());
}

void append_segments_text(const GemVersion& v, std::size_t count, SmallVec<char, 64>& text) {
    for (std::size_t i = 0; i < count; ++i) {
        if (i) text.push_back('.');
        std::string_view digits = strip_zeros(v.segment_text(v.segments[i]));
        if (digits.empty()) digits = "0";
        text.append(digits.data(), digits.size());
    }
}

// Integer#succ on a run of digits.
void increment_digits(SmallVec<char, 64>& text, std::size_t start) {
    std::size_t i = text.size();
    while (i > start && text[i - 1] == '9') text[--i] = '0';
    if (i > start) {
        ++text[i - 1];
        return;
    }
    // All nines: one more digit, a 1 followed by the zeros.
    text.push_back('0');
    text[start] = '1';
}

void read_segments(GemVersion& v) {
    const std::string_view t{v.text.data(), v.text.size()};
    for (std::size_t i = 0; i < t.size();) {
        const bool digits = is_digit(t[i]);
        if (!digits && !is_letter(t[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < t.size() && (digits ? is_digit(t[i]) : is_letter(t[i]))) ++i;
        v.segments.push_back(GemSegment{digits, start, i - start});
    }
}

void parse_known_good(std::string_view stripped, GemVersion& out) {
    out.text.clear();
    out.segments.clear();
    if (stripped.empty()) {
        out.text.push_back('0');
    } else {
        for (const char c : stripped) {
            if (c == '-') {
                out.text.append(".pre.", 5);
            } else {
                out.text.push_back(c);
            }
        }
    }
    read_segments(out);
}

class GemScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view text) const override { return is_gem_version(text); }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        GemVersion left, right;
        if (!parse_gem(a, left) || !parse_gem(b, right)) return std::nullopt;
        return compare_gem(left, right);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        GemVersion version;
        if (!parse_gem(text, version)) return false;
        append_gem_key(version, out);
        return true;
    }
};

constinit const GemScheme GEM_SCHEME{};

}  // namespace

bool GemVersion::is_prerelease() const {
    for (const char c : text) {
        if (is_letter(c)) return true;
    }
    return false;
}

std::size_t GemVersion::release_size() const {
    std::size_t i = 0;
    while (i < segments.size() && segments[i].is_number) ++i;
    return i;
}

bool is_gem_version(std::string_view text) {
    const std::string_view stripped = strip_blanks(text);
    return stripped.empty() || matches_pattern(stripped);
}

bool parse_gem(std::string_view text, GemVersion& out) {
    const std::string_view stripped = strip_blanks(text);
    if (!stripped.empty() && !matches_pattern(stripped)) return false;
    parse_known_good(stripped, out);
    return true;
}

Ordering compare_gem(const GemVersion& a, const GemVersion& b) {
    const Canonical left(a), right(b);
    const std::size_t n = left.size() > right.size() ? left.size() : right.size();
    for (std::size_t k = 0; k < n; ++k) {
        // A missing segment is 0.
        const bool l_num = k >= left.size() || left[k].is_number;
        const bool r_num = k >= right.size() || right[k].is_number;
        int c;
        if (l_num != r_num) {
            c = l_num ? 1 : -1;
        } else if (l_num) {
            c = compare_numbers(k < left.size() ? left.text(k) : "", k < right.size() ? right.text(k) : "");
        } else {
            c = compare_words(left.text(k), right.text(k));
        }
        if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    }
    return Ordering::Equal;
}

void gem_release(const GemVersion& version, GemVersion& out) {
    if (!version.is_prerelease()) {
        out = version;
        return;
    }
    SmallVec<char, 64> text;
    append_segments_text(version, version.release_size(), text);
    parse_known_good({text.data(), text.size()}, out);
}

void gem_bump(const GemVersion& version, GemVersion& out) {
    std::size_t count = version.release_size();
    if (count > 1) --count;
    SmallVec<char, 64> text;
    append_segments_text(version, count, text);
    std::size_t last = text.size();
    while (last > 0 && text[last - 1] != '.') --last;
    increment_digits(text, last);
    parse_known_good({text.data(), text.size()}, out);
}

void append_gem_key(const GemVersion& version, KeyBuffer& out) {
    const Canonical segments(version);
    const std::size_t n = segments.size();
    std::size_t decided_at = 0;  // the next segment that is not 0, once looked for
    for (std::size_t k = 0; k < n; ++k) {
        if (!segments[k].is_number) {
            out.push_back(WORD);
            put_text(out, segments.text(k));
        } else if (!segments.is_zero_at(k)) {
            put_number(out, segments.text(k));
        } else {
            if (decided_at <= k) {
                decided_at = k + 1;
                while (decided_at < n && segments.is_zero_at(decided_at)) ++decided_at;
            }
            // The canonical segments never end in 0, so one is found.
            const bool word_next = decided_at < n && !segments[decided_at].is_number;
            out.push_back(word_next ? ZERO_BELOW : ZERO_ABOVE);
        }
    }
    out.push_back(END);
}

const NativeScheme& gem_scheme() { return GEM_SCHEME; }

}  // namespace tambry::native
