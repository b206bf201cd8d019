#include "autodetect.hpp"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "small_vec.hpp"
#include "text.hpp"

namespace tambry {
namespace {

bool contains_any(std::string_view text, std::initializer_list<std::string_view> needles) {
    for (std::string_view needle : needles) {
        if (text.find(needle) != std::string_view::npos) return true;
    }
    return false;
}

// A digit, then "a" or "b", then a digit; or a digit, then "rc", then a digit.
bool has_digit_letter_digit(std::string_view text) {
    const std::size_t n = text.size();
    for (std::size_t k = 0; k + 2 < n; ++k) {
        if (!is_digit(text[k])) continue;
        const char next = text[k + 1];
        if ((next == 'a' || next == 'b') && is_digit(text[k + 2])) return true;
        if (next == 'r' && text[k + 2] == 'c' && k + 3 < n && is_digit(text[k + 3])) return true;
    }
    return false;
}

// The last "-r" is followed only by digits exactly when the text ends in "-r" and a
// digit run, so one scan from the end suffices.
bool ends_with_package_release(std::string_view text) {
    std::size_t digits_start = text.size();
    while (digits_start > 0 && is_digit(text[digits_start - 1])) --digits_start;
    if (digits_start == text.size() || digits_start < 3) return false;
    return text[digits_start - 2] == '-' && text[digits_start - 1] == 'r';
}

bool is_gem_prerelease_piece(std::string_view piece) {
    return piece == "rc" || piece == "pre" || piece.starts_with("alpha") || piece.starts_with("beta");
}

// No "-" or "_" anywhere, and some "."-separated piece is a gem pre-release word.
bool has_gem_prerelease_piece(std::string_view text) {
    bool found = false;
    std::size_t piece_start = 0;
    for (std::size_t k = 0; k <= text.size(); ++k) {
        if (k < text.size()) {
            const char c = text[k];
            if (c == '-' || c == '_') return false;
            if (c != '.') continue;
        }
        if (!found) found = is_gem_prerelease_piece(text.substr(piece_start, k - piece_start));
        piece_start = k + 1;
    }
    return found;
}

// A leading year between 1990 and 2100 (leading zeros allowed) and a "." somewhere.
bool starts_with_year(std::string_view text) {
    constexpr std::uint64_t FIRST_YEAR = 1990;
    constexpr std::uint64_t LAST_YEAR = 2100;
    std::size_t k = 0;
    std::uint64_t value = 0;
    for (; k < text.size() && is_digit(text[k]); ++k) {
        // Any value past the last year is as good as any other, so stop growing it.
        if (value <= LAST_YEAR) value = value * 10 + static_cast<std::uint64_t>(text[k] - '0');
    }
    if (k == 0 || value < FIRST_YEAR || value > LAST_YEAR) return false;
    return text.find('.', k) != std::string_view::npos;
}

Ecosystem detect_lowered(std::string_view text) {
    if (text.find('!') != std::string_view::npos) return Ecosystem::Pep440;
    if (text.find('~') != std::string_view::npos) return Ecosystem::Debian;
    if (text.find('^') != std::string_view::npos) return Ecosystem::Rpm;
    if (contains_any(text, {".post", ".dev"})) return Ecosystem::Pep440;
    if (text.ends_with("+incompatible")) return Ecosystem::Go;
    if (text.ends_with("-snapshot")) return Ecosystem::Maven;
    if (contains_any(text, {"_alpha", "_beta", "_p", "_rc"})) return Ecosystem::Alpine;
    if (contains_any(text, {"+deb", "+ubuntu"})) return Ecosystem::Debian;
    if (contains_any(text, {".el", ".fc", ".amzn"})) return Ecosystem::Rpm;
    if (has_digit_letter_digit(text)) return Ecosystem::Pep440;
    if (ends_with_package_release(text)) return Ecosystem::Alpine;
    if (has_gem_prerelease_piece(text)) return Ecosystem::Ruby;
    if (starts_with_year(text)) return Ecosystem::Calver;
    return Ecosystem::Generic;
}

}  // namespace

Ecosystem autodetect_ecosystem(std::string_view text) {
    // Version texts are short, so the lowered copy nearly always stays on the stack.
    SmallVec<char, 128> lowered;
    lowered.append(text.data(), text.size());
    for (std::size_t k = 0; k < lowered.size(); ++k) lowered[k] = to_lower(lowered[k]);
    return detect_lowered({lowered.data(), lowered.size()});
}

}  // namespace tambry
