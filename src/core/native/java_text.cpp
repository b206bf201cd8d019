#include "native/java_text.hpp"

#include <algorithm>
#include <iterator>

#include "native/java_text_tables.hpp"

namespace tambry::native {
namespace {

using namespace java_text_tables;

constexpr char32_t CAPITAL_SIGMA = 0x03A3;
constexpr char32_t SMALL_SIGMA = 0x03C3;
constexpr char32_t FINAL_SIGMA = 0x03C2;
constexpr char32_t CAPITAL_I_WITH_DOT = 0x0130;
constexpr char32_t COMBINING_DOT_ABOVE = 0x0307;

char32_t java_lower(char32_t cp) {
    // The last run that starts at or before `cp`.
    const auto* run = std::upper_bound(std::begin(LOWER_RUNS), std::end(LOWER_RUNS), cp,
                                       [](char32_t value, const LowerRun& r) { return value < r.first; });
    if (run == std::begin(LOWER_RUNS)) return cp;
    --run;
    if (cp > run->last || (cp - run->first) % run->stride != 0) return cp;
    return static_cast<char32_t>(static_cast<std::int32_t>(cp) + run->delta);
}

bool is_cased(char32_t cp) {
    const auto* range = std::upper_bound(std::begin(CASED), std::end(CASED), cp,
                                         [](char32_t value, const Range& r) { return value < r.first; });
    return range != std::begin(CASED) && cp <= (range - 1)->last;
}

void append_utf8(SmallVec<char, 64>& out, char32_t cp) {
    char bytes[4];
    std::size_t n;
    if (cp < 0x80) {
        bytes[0] = static_cast<char>(cp);
        n = 1;
    } else if (cp < 0x800) {
        bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
        bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
        bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        bytes[0] = static_cast<char>(0xF0 | (cp >> 18));
        bytes[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[3] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 4;
    }
    out.append(bytes, n);
}

enum class WordPart { Letter, Other, Joiner, Break };

WordPart word_part(char32_t cp) {
    if (cp < 0x80) {
        const char c = static_cast<char>(cp);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return WordPart::Letter;
        if ((c >= '0' && c <= '9') || c == '_') return WordPart::Other;
        if (c == '.' || c == '\'' || c == ':') return WordPart::Joiner;
        return WordPart::Break;
    }
    int digit;
    if (java_is_digit(cp, digit)) return WordPart::Other;
    return is_cased(cp) ? WordPart::Letter : WordPart::Other;
}

// The code points of a text, for the sigma's look around its word.
struct CodePoints {
    std::string_view text;
    // The code point that ends just before `pos` and where it starts.
    char32_t before(std::size_t pos, std::size_t& start) const {
        std::size_t p = pos - 1;
        while (p > 0 && pos - p < 4 && (static_cast<unsigned char>(text[p]) & 0xC0) == 0x80) --p;
        DecodedChar d = decode_utf8_at(text, p);
        if (p + d.size != pos) {
            start = pos - 1;
            return static_cast<unsigned char>(text[pos - 1]);
        }
        start = p;
        return d.code_point;
    }
};

// Whether the character at [pos, pos + size) belongs to the same word as the one
// on its left or right: a joiner only between two letters.
bool joins(WordPart part, bool letter_before, bool letter_after) {
    if (part == WordPart::Break) return false;
    if (part == WordPart::Joiner) return letter_before && letter_after;
    return true;
}

bool sigma_is_final(std::string_view text, std::size_t pos, std::size_t size) {
    const CodePoints points{text};
    // A cased letter earlier in the same word.
    bool cased_before = false;
    std::size_t p = pos;
    char32_t right = CAPITAL_SIGMA;
    while (p > 0) {
        std::size_t start;
        const char32_t cp = points.before(p, start);
        const WordPart part = word_part(cp);
        bool letter_left = false;
        if (start > 0) {
            std::size_t ignored;
            letter_left = word_part(points.before(start, ignored)) == WordPart::Letter;
        }
        if (!joins(part, letter_left, word_part(right) == WordPart::Letter)) break;
        if (part == WordPart::Letter) {
            cased_before = true;
            break;
        }
        right = cp;
        p = start;
    }
    if (!cased_before) return false;
    // No cased letter later in the same word.
    char32_t left = CAPITAL_SIGMA;
    for (std::size_t q = pos + size; q < text.size();) {
        const DecodedChar d = decode_utf8_at(text, q);
        const WordPart part = word_part(d.code_point);
        const bool letter_right =
            q + d.size < text.size() && word_part(decode_utf8_at(text, q + d.size).code_point) == WordPart::Letter;
        if (!joins(part, word_part(left) == WordPart::Letter, letter_right)) break;
        if (part == WordPart::Letter) return false;
        left = d.code_point;
        q += d.size;
    }
    return true;
}

}  // namespace

DecodedChar decode_utf8_at(std::string_view text, std::size_t pos) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
    const std::size_t left = text.size() - pos;
    const unsigned char lead = p[0];
    if (lead < 0x80) return {lead, 1};
    std::size_t size;
    char32_t cp;
    char32_t least;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2, cp = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3, cp = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4, cp = lead & 0x07, least = 0x10000;
    } else {
        return {lead, 1};
    }
    if (left < size) return {lead, 1};
    for (std::size_t i = 1; i < size; ++i) {
        if ((p[i] & 0xC0) != 0x80) return {lead, 1};
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {lead, 1};
    return {cp, size};
}

bool java_is_digit(char32_t cp, int& value) {
    if (cp >= 0x10000) return false;
    const auto* zero = std::upper_bound(std::begin(DIGIT_ZEROS), std::end(DIGIT_ZEROS), cp);
    if (zero == std::begin(DIGIT_ZEROS)) return false;
    --zero;
    if (cp - *zero >= 10) return false;
    value = static_cast<int>(cp - *zero);
    return true;
}

void java_lower_utf8(std::string_view text, SmallVec<char, 64>& out) {
    for (std::size_t pos = 0; pos < text.size();) {
        const DecodedChar d = decode_utf8_at(text, pos);
        if (d.code_point < 0x80 || (d.size == 1 && d.code_point >= 0x80)) {
            // ASCII, or a malformed byte kept as it is.
            const unsigned char byte = static_cast<unsigned char>(text[pos]);
            out.push_back(static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte));
        } else if (d.code_point == CAPITAL_I_WITH_DOT) {
            append_utf8(out, 'i');
            append_utf8(out, COMBINING_DOT_ABOVE);
        } else if (d.code_point == CAPITAL_SIGMA) {
            append_utf8(out, sigma_is_final(text, pos, d.size) ? FINAL_SIGMA : SMALL_SIGMA);
        } else {
            append_utf8(out, java_lower(d.code_point));
        }
        pos += d.size;
    }
}

}  // namespace tambry::native
