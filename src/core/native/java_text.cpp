#include "native/java_text.hpp"

#include <algorithm>
#include <iterator>
#include <optional>

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

// How a character takes part in a word under the JDK's word break rules: a word
// is a run of letters and digits, where a mid-word mark may stand between two
// letters and a mid-number mark between two digits, and marks that combine with
// a letter or digit before them are carried along (after a mid mark they end the
// word).
enum class WordPart { Letter, Digit, MidWord, MidNumber, MidEither, Carried, Break };

struct PartRange {
    char32_t first;
    char32_t last;
    WordPart part;
};

// Outside ASCII and the decimal digits, the characters that are not letters to
// these rules; any character named nowhere counts as a letter (the JDK's own table
// is far longer: this is where the two may part).
constexpr PartRange NON_LETTERS[] = {
    {0x0080, 0x00A9, WordPart::Break},     {0x00AB, 0x00AC, WordPart::Break},
    {0x00AD, 0x00AD, WordPart::MidWord},   {0x00AE, 0x00B1, WordPart::Break},
    {0x00B2, 0x00B3, WordPart::Digit},     {0x00B4, 0x00B4, WordPart::Break},
    {0x00B6, 0x00B8, WordPart::Break},     {0x00B9, 0x00B9, WordPart::Digit},
    {0x00BB, 0x00BB, WordPart::Break},     {0x00BC, 0x00BE, WordPart::Digit},
    {0x00BF, 0x00BF, WordPart::Break},     {0x00D7, 0x00D7, WordPart::Break},
    {0x00F7, 0x00F7, WordPart::Break},     {0x0300, 0x036F, WordPart::Carried},
    {0x0483, 0x0489, WordPart::Carried},   {0x058A, 0x058A, WordPart::MidWord},
    {0x05BE, 0x05BE, WordPart::MidWord},   {0x066B, 0x066B, WordPart::MidNumber},
    {0x1AB0, 0x1AFF, WordPart::Carried},   {0x1DC0, 0x1DFF, WordPart::Carried},
    {0x2000, 0x200A, WordPart::Break},     {0x200B, 0x200F, WordPart::Carried},
    {0x2010, 0x2015, WordPart::MidWord},   {0x2016, 0x2026, WordPart::Break},
    {0x2027, 0x2027, WordPart::MidWord},   {0x2028, 0x2029, WordPart::Break},
    {0x202A, 0x202E, WordPart::Carried},   {0x202F, 0x205F, WordPart::Break},
    {0x2060, 0x2064, WordPart::Carried},   {0x20A0, 0x20CF, WordPart::Break},
    {0x20D0, 0x20FF, WordPart::Carried},   {0x2160, 0x2188, WordPart::Digit},
    {0x2190, 0x23FF, WordPart::Break},     {0x2460, 0x249B, WordPart::Digit},
    {0x249C, 0x24E9, WordPart::Break},     {0x24EA, 0x24FF, WordPart::Digit},
    {0x2E17, 0x2E17, WordPart::MidWord},   {0x2E1A, 0x2E1A, WordPart::MidWord},
    {0x3000, 0x3004, WordPart::Break},     {0x3005, 0x3005, WordPart::Break},
    {0x3008, 0x301B, WordPart::Break},     {0x301C, 0x301C, WordPart::MidWord},
    {0x3030, 0x3030, WordPart::MidWord},   {0x3041, 0x30FE, WordPart::Break},
    {0x4E00, 0x9FA5, WordPart::Break},     {0xF900, 0xFA2D, WordPart::Break},
    {0xFE20, 0xFE2F, WordPart::Carried},   {0xFE31, 0xFE32, WordPart::MidWord},
    {0xFE58, 0xFE58, WordPart::MidWord},   {0xFE63, 0xFE63, WordPart::MidWord},
    {0xFEFF, 0xFEFF, WordPart::Carried},   {0xFF01, 0xFF0C, WordPart::Break},
    {0xFF0D, 0xFF0D, WordPart::MidWord},   {0xFF0E, 0xFF0F, WordPart::Break},
};

WordPart word_part(char32_t cp) {
    if (cp < 0x80) {
        const char c = static_cast<char>(cp);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return WordPart::Letter;
        if (c >= '0' && c <= '9') return WordPart::Digit;
        if (c == '.' || c == '\'' || c == '"') return WordPart::MidEither;
        if (c == '-' || c == '_') return WordPart::MidWord;
        if (c == ',') return WordPart::MidNumber;
        return WordPart::Break;
    }
    int digit = 0;
    if (java_is_digit(cp, digit)) return WordPart::Digit;
    const auto* range = std::upper_bound(std::begin(NON_LETTERS), std::end(NON_LETTERS), cp,
                                         [](char32_t value, const PartRange& r) { return value < r.first; });
    if (range != std::begin(NON_LETTERS) && cp <= (range - 1)->last) return (range - 1)->part;
    return WordPart::Letter;
}

// The words of a text that holds a capital sigma, to tell each sigma's form. The
// parts of the characters and of their neighbours are found once, so each sigma's look along its word stays within
// the word up to the nearest cased character.
class SigmaWords {
public:
    explicit SigmaWords(const SmallVec<char32_t, 64>& points) : points_(points) {
        const std::size_t n = points.size();
        WordPart last = WordPart::Break;
        for (std::size_t i = 0; i < n; ++i) {
            WordPart part = word_part(points[i]);
            if (part == WordPart::Carried && last != WordPart::Letter && last != WordPart::Digit) {
                part = WordPart::Break;
            }
            parts_.push_back(part);
            before_.push_back(last);
            if (part != WordPart::Carried) last = part;
        }
        after_.append_uninitialized(n);
        for (std::size_t i = 0; i < n; ++i) after_[i] = i + 1 < n ? parts_[i + 1] : WordPart::Break;
    }

    // Java's Final_Cased: a cased character earlier in the sigma's word, none later.
    bool is_final(std::size_t sigma) const {
        bool cased_before = false;
        for (std::size_t i = sigma; i-- > 0 && in_word(i);) {
            if (is_cased(points_[i])) {
                cased_before = true;
                break;
            }
        }
        if (!cased_before) return false;
        for (std::size_t i = sigma + 1; i < points_.size() && in_word(i); ++i) {
            if (is_cased(points_[i])) return false;
        }
        return true;
    }

private:
    bool in_word(std::size_t i) const {
        const WordPart p = parts_[i];
        if (p == WordPart::Letter || p == WordPart::Digit || p == WordPart::Carried) return true;
        if (p == WordPart::Break) return false;
        const bool letters = before_[i] == WordPart::Letter && after_[i] == WordPart::Letter;
        const bool digits = before_[i] == WordPart::Digit && after_[i] == WordPart::Digit;
        if (p == WordPart::MidWord) return letters;
        if (p == WordPart::MidNumber) return digits;
        return letters || digits;
    }

    const SmallVec<char32_t, 64>& points_;
    SmallVec<WordPart, 64> parts_;
    SmallVec<WordPart, 64> before_;  // the part of the nearest character before that is not carried
    SmallVec<WordPart, 64> after_;   // the part of the next character
};

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
    SmallVec<char32_t, 64> points;
    SmallVec<std::uint8_t, 64> sizes;
    bool has_sigma = false;
    for (std::size_t pos = 0; pos < text.size();) {
        const DecodedChar d = decode_utf8_at(text, pos);
        points.push_back(d.code_point);
        sizes.push_back(static_cast<std::uint8_t>(d.size));
        has_sigma |= d.code_point == CAPITAL_SIGMA && d.size > 1;
        pos += d.size;
    }
    std::optional<SigmaWords> words;
    if (has_sigma) words.emplace(points);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const char32_t cp = points[i];
        if (sizes[i] == 1) {
            // ASCII, or a malformed byte kept as it is.
            out.push_back(static_cast<char>(cp >= 'A' && cp <= 'Z' ? cp + ('a' - 'A') : cp));
        } else if (cp == CAPITAL_I_WITH_DOT) {
            append_utf8(out, 'i');
            append_utf8(out, COMBINING_DOT_ABOVE);
        } else if (cp == CAPITAL_SIGMA) {
            append_utf8(out, words->is_final(i) ? FINAL_SIGMA : SMALL_SIGMA);
        } else {
            append_utf8(out, java_lower(cp));
        }
    }
}

}  // namespace tambry::native
