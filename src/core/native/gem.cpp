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

#include "native/dotted_numbers.hpp"
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

std::string_view strip_zeros(std::string_view digits) {
    std::size_t i = 0;
    while (i < digits.size() && digits[i] == '0') ++i;
    return digits.substr(i);
}

// A segment as a comparison reads it: a word, or a number without its leading
// zeros (no digits for 0), with its value when it has at most 19 digits. Trivial,
// so that the unused slots of a SmallVec of them cost nothing.
struct Seg {
    bool is_number;
    bool is_zero;
    bool is_huge;
    std::uint64_t value;
    const char* data;
    std::size_t size;

    std::string_view text() const { return {data, size}; }
};

constexpr std::size_t U64_SAFE_DIGITS = 19;

// The segments of a version, and where its canonical segments lie: the numbers
// before the first word and the segments from it on, each without its trailing
// zeros, seen as one sequence.
class Segments {
public:
    // The digits from `i` on, which must start with one; returns where they end.
    std::size_t add_number(std::string_view text, std::size_t i) {
        const std::size_t n = text.size();
        while (i < n && text[i] == '0') ++i;
        const std::size_t first = i;
        std::uint64_t value = 0;
        for (; i < n && is_digit(text[i]); ++i) value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        Seg& seg = *segs_.append_uninitialized(1);
        seg.is_number = true;
        seg.is_zero = i == first;
        seg.is_huge = i - first > U64_SAFE_DIGITS;
        seg.value = seg.is_huge ? 0 : value;
        seg.data = text.data() + first;
        seg.size = i - first;
        return i;
    }

    void add_word(std::string_view word) {
        if (first_word_ == NONE) first_word_ = segs_.size();
        Seg& seg = *segs_.append_uninitialized(1);
        seg.is_number = false;
        seg.is_zero = false;
        seg.is_huge = false;
        seg.value = 0;
        seg.data = word.data();
        seg.size = word.size();
    }

    // Call once every segment is in.
    void finish() {
        const std::size_t n = segs_.size();
        if (first_word_ == NONE) first_word_ = n;
        numbers_end_ = first_word_;
        while (numbers_end_ > 0 && segs_[numbers_end_ - 1].is_zero) --numbers_end_;
        words_end_ = n;
        while (words_end_ > first_word_ && segs_[words_end_ - 1].is_zero) --words_end_;
    }

    std::size_t size() const { return numbers_end_ + (words_end_ - first_word_); }
    const Seg& operator[](std::size_t k) const { return segs_[k < numbers_end_ ? k : first_word_ + (k - numbers_end_)]; }

private:
    static constexpr std::size_t NONE = ~std::size_t{0};
    SmallVec<Seg, 16> segs_;
    std::size_t first_word_ = NONE;
    std::size_t numbers_end_ = 0;
    std::size_t words_end_ = 0;
};

constexpr std::string_view PRE = "pre";  // what each '-' reads as

// The runs of digits and of letters from `i` on, up to the first character that
// is neither; false when there is none.
bool read_runs(std::string_view v, std::size_t& i, Segments& out) {
    const std::size_t start = i;
    const std::size_t n = v.size();
    while (i < n) {
        const std::size_t run = i;
        if (is_digit(v[i])) {
            i = out.add_number(v, i);
        } else if (is_letter(v[i])) {
            while (i < n && is_letter(v[i])) ++i;
            out.add_word(v.substr(run, i - run));
        } else {
            break;
        }
    }
    return i > start;
}

// Gem::Version.new on a stripped text: checks it against Gem::Version's pattern
// (digits, then parts of letters and digits each after a '.', then optionally '-'
// and parts of letters, digits and '-' joined by dots) and cuts it into segments
// in one pass.
bool read_gem(std::string_view v, Segments& out) {
    const std::size_t n = v.size();
    if (n == 0) {
        out.add_number("0", 0);
        out.finish();
        return true;
    }
    if (!is_digit(v[0])) return false;
    std::size_t i = out.add_number(v, 0);
    while (i < n && v[i] == '.') {
        ++i;
        if (!read_runs(v, i, out)) return false;
    }
    if (i < n) {
        if (v[i] != '-') return false;
        // "-" and then parts of letters, digits and '-' joined by dots; each '-'
        // reads as the word "pre".
        out.add_word(PRE);
        ++i;
        for (;;) {
            const std::size_t start = i;
            for (;;) {
                if (i < n && v[i] == '-') {
                    out.add_word(PRE);
                    ++i;
                } else if (!read_runs(v, i, out)) {
                    break;
                }
            }
            if (i == start) return false;
            if (i == n) break;
            if (v[i] != '.') return false;
            ++i;
        }
    }
    out.finish();
    return true;
}

// The segments of a version's kept text, which holds no '-'.
void segments_of(const GemVersion& version, Segments& out) {
    for (const GemSegment& s : version.segments) {
        if (s.is_number) {
            out.add_number(version.segment_text(s), 0);
        } else {
            out.add_word(version.segment_text(s));
        }
    }
    out.finish();
}

int compare_numbers(const Seg& a, const Seg& b) {
    if (!a.is_huge && !b.is_huge) return a.value < b.value ? -1 : (a.value > b.value);
    if (a.size != b.size) return a.size < b.size ? -1 : 1;
    const int c = std::memcmp(a.data, b.data, a.size);
    return c < 0 ? -1 : (c > 0);
}

int compare_words(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0);
}

const Seg ZERO_SEG{true, true, false, 0, nullptr, 0};

Ordering compare_segments(const Segments& left, const Segments& right) {
    const std::size_t n = left.size() > right.size() ? left.size() : right.size();
    for (std::size_t k = 0; k < n; ++k) {
        // A missing segment is 0.
        const Seg& l = k < left.size() ? left[k] : ZERO_SEG;
        const Seg& r = k < right.size() ? right[k] : ZERO_SEG;
        int c;
        if (l.is_number != r.is_number) {
            c = l.is_number ? 1 : -1;
        } else if (l.is_number) {
            c = compare_numbers(l, r);
        } else {
            c = compare_words(l.text(), r.text());
        }
        if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    }
    return Ordering::Equal;
}

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

void put_number(KeyBuffer& out, const Seg& number) {
    // 19 digits always fit with the offset; a 20-digit number goes with the huge
    // ones, ordered by its digits.
    if (!number.is_huge) {
        put_u64(out, number.value + NUMBER_OFFSET);
        return;
    }
    out.push_back(HUGE_NUMBER);
    put_u64(out, number.size);
    out.append(reinterpret_cast<const unsigned char*>(number.data), number.size);
}

void append_key(const Segments& segments, KeyBuffer& out) {
    const std::size_t n = segments.size();
    std::size_t decided_at = 0;  // the next segment that is not 0, once looked for
    for (std::size_t k = 0; k < n; ++k) {
        const Seg& seg = segments[k];
        if (!seg.is_number) {
            out.push_back(WORD);
            put_text(out, seg.text());
        } else if (!seg.is_zero) {
            put_number(out, seg);
        } else {
            if (decided_at <= k) {
                decided_at = k + 1;
                while (decided_at < n && segments[decided_at].is_zero) ++decided_at;
            }
            // The canonical segments never end in 0, so one is found.
            const bool word_next = decided_at < n && !segments[decided_at].is_number;
            out.push_back(word_next ? ZERO_BELOW : ZERO_ABOVE);
        }
    }
    out.push_back(END);
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
        if (const auto dotted = compare_if_dotted_numbers(a, b, std::string_view::npos)) return dotted;
        Segments left, right;
        if (!read_gem(strip_blanks(a), left) || !read_gem(strip_blanks(b), right)) return std::nullopt;
        return compare_segments(left, right);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        Segments version;
        if (!read_gem(strip_blanks(text), version)) return false;
        native::append_key(version, out);
        return true;
    }

    bool is_prerelease(std::string_view text) const override {
        GemVersion version;
        return parse_gem(text, version) && version.is_prerelease();
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
    Segments segments;
    return read_gem(strip_blanks(text), segments);
}

bool parse_gem(std::string_view text, GemVersion& out) {
    const std::string_view stripped = strip_blanks(text);
    if (!is_gem_version(stripped)) return false;
    parse_known_good(stripped, out);
    return true;
}

Ordering compare_gem(const GemVersion& a, const GemVersion& b) {
    Segments left, right;
    segments_of(a, left);
    segments_of(b, right);
    return compare_segments(left, right);
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
    Segments segments;
    segments_of(version, segments);
    append_key(segments, out);
}

void append_gem_release_floor(const GemVersion& release, KeyBuffer& out) {
    append_gem_key(release, out);
    out[out.size() - 1] = WORD;  // in place of END
}

const NativeScheme& gem_scheme() { return GEM_SCHEME; }

}  // namespace tambry::native
