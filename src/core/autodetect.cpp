#include "autodetect.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text.hpp"

namespace tambry {
namespace {

// What one pass over the text finds; the ordered tests then read these marks.
struct Marks {
    bool bang = false, tilde = false, caret = false;
    bool pep440_word = false;      // ".post" or ".dev"
    bool alpine_suffix = false;    // "_alpha", "_beta", "_p" or "_rc"
    bool debian_suffix = false;    // "+deb" or "+ubuntu"
    bool rpm_dist_tag = false;     // ".el", ".fc" or ".amzn"
    bool pep440_pre = false;       // digit, "a"/"b"/"rc", digit
    bool dash_or_underscore = false;
};

// The text is read through this view, which lowers A-Z on the fly, so no copy of
// the text is made.
class LoweredText {
public:
    explicit LoweredText(std::string_view text) : text_(text) {}
    std::size_t size() const { return text_.size(); }
    char operator[](std::size_t k) const { return to_lower(text_[k]); }
    bool has_at(std::size_t k, std::string_view word) const {
        if (word.size() > text_.size() - k) return false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (to_lower(text_[k + i]) != word[i]) return false;
        }
        return true;
    }
    bool ends_with(std::string_view word) const {
        return word.size() <= text_.size() && has_at(text_.size() - word.size(), word);
    }

private:
    std::string_view text_;
};

// Each look-ahead is bounded by the longest marker, so the pass stays linear.
Marks scan_marks(const LoweredText& text) {
    Marks marks;
    const std::size_t n = text.size();
    for (std::size_t k = 0; k < n; ++k) {
        const char c = text[k];
        switch (c) {
            case '!': marks.bang = true; break;
            case '~': marks.tilde = true; break;
            case '^': marks.caret = true; break;
            case '-': marks.dash_or_underscore = true; break;
            case '.':
                if (text.has_at(k, ".post") || text.has_at(k, ".dev")) marks.pep440_word = true;
                if (text.has_at(k, ".el") || text.has_at(k, ".fc") || text.has_at(k, ".amzn")) marks.rpm_dist_tag = true;
                break;
            case '_':
                marks.dash_or_underscore = true;
                if (text.has_at(k, "_alpha") || text.has_at(k, "_beta") || text.has_at(k, "_p") ||
                    text.has_at(k, "_rc")) {
                    marks.alpine_suffix = true;
                }
                break;
            case '+':
                if (text.has_at(k, "+deb") || text.has_at(k, "+ubuntu")) marks.debian_suffix = true;
                break;
            default:
                if (is_digit(c) && k + 2 < n) {
                    const char next = text[k + 1];
                    if ((next == 'a' || next == 'b') && is_digit(text[k + 2])) marks.pep440_pre = true;
                    if (next == 'r' && text[k + 2] == 'c' && k + 3 < n && is_digit(text[k + 3])) {
                        marks.pep440_pre = true;
                    }
                }
                break;
        }
    }
    return marks;
}

// The last "-r" is followed only by digits exactly when the text ends in "-r" and a
// digit run, so one scan from the end suffices.
bool ends_with_package_release(const LoweredText& text) {
    std::size_t digits_start = text.size();
    while (digits_start > 0 && is_digit(text[digits_start - 1])) --digits_start;
    if (digits_start == text.size() || digits_start < 3) return false;
    return text[digits_start - 2] == '-' && text[digits_start - 1] == 'r';
}

bool is_gem_prerelease_piece(const LoweredText& text, std::size_t start, std::size_t length) {
    if (length == 2 && text.has_at(start, "rc")) return true;
    if (length == 3 && text.has_at(start, "pre")) return true;
    return (length >= 5 && text.has_at(start, "alpha")) || (length >= 4 && text.has_at(start, "beta"));
}

// Some "."-separated piece is a gem pre-release word.
bool has_gem_prerelease_piece(const LoweredText& text) {
    std::size_t piece_start = 0;
    for (std::size_t k = 0; k <= text.size(); ++k) {
        if (k < text.size() && text[k] != '.') continue;
        if (is_gem_prerelease_piece(text, piece_start, k - piece_start)) return true;
        piece_start = k + 1;
    }
    return false;
}

// A leading year between 1990 and 2100 (leading zeros allowed) and a "." somewhere.
// Digits read the same lowered or not, so the year is read from the text itself.
bool starts_with_year(std::string_view text) {
    constexpr std::uint64_t FIRST_YEAR = 1990;
    constexpr std::uint64_t LAST_YEAR = 2100;
    const DigitRun year = read_digit_run(text);
    if (year.length == 0 || year.value < FIRST_YEAR || year.value > LAST_YEAR) return false;
    return text.find('.', year.length) != std::string_view::npos;
}

}  // namespace

Ecosystem autodetect_ecosystem(std::string_view input) {
    const LoweredText text(input);
    const Marks marks = scan_marks(text);
    if (marks.bang) return Ecosystem::Pep440;
    if (marks.tilde) return Ecosystem::Debian;
    if (marks.caret) return Ecosystem::Rpm;
    if (marks.pep440_word) return Ecosystem::Pep440;
    if (text.ends_with("+incompatible")) return Ecosystem::Go;
    if (text.ends_with("-snapshot")) return Ecosystem::Maven;
    if (marks.alpine_suffix) return Ecosystem::Alpine;
    if (marks.debian_suffix) return Ecosystem::Debian;
    if (marks.rpm_dist_tag) return Ecosystem::Rpm;
    if (marks.pep440_pre) return Ecosystem::Pep440;
    if (ends_with_package_release(text)) return Ecosystem::Alpine;
    if (!marks.dash_or_underscore && has_gem_prerelease_piece(text)) return Ecosystem::Ruby;
    if (starts_with_year(input)) return Ecosystem::Calver;
    return Ecosystem::Generic;
}

}  // namespace tambry
