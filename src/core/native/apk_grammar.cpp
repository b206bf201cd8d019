// apk's version grammar as a table: one step per byte and no branch on the text, so
// that checking a whole version costs little more than reading it. It accepts
// exactly what apk's tokenizer walks to its end (native/apk.cpp), including apk-tools
// 2's digits after the letter; a suffix word is the whole run of lowercase letters
// after "_" and must be one of apk's nine, which the states below spell out.
#include "native/apk_grammar.hpp"

#include <array>
#include <cstdint>
#include <string_view>

#include "text.hpp"

namespace tambry::native {
namespace {

// Where a text can be after some prefix of it. The states named after a token hold
// a complete token of that kind; Dot, Underscore, Tilde, Dash and DashR still need
// more; the Word states spell the suffix words letter by letter.
enum State : std::uint8_t {
    Reject,
    Start,
    Number,  // digits: the first number, a ".number", or digits after the letter
    Letter,
    Dot,
    Underscore,
    SuffixNumber,
    Tilde,
    Hash,
    Dash,
    DashR,
    Revision,
    FirstWordState,
};

constexpr std::string_view SUFFIX_WORDS[] = {"alpha", "beta", "pre", "rc", "cvs", "svn", "git", "hg", "p"};

// Every prefix of a suffix word, each once: its state is FirstWordState + index.
struct WordPrefixes {
    std::array<std::string_view, 32> prefixes{};
    std::size_t count = 0;
};

constexpr WordPrefixes word_prefixes() {
    WordPrefixes out;
    for (std::string_view word : SUFFIX_WORDS) {
        for (std::size_t n = 1; n <= word.size(); ++n) {
            const std::string_view prefix = word.substr(0, n);
            bool known = false;
            for (std::size_t i = 0; i < out.count; ++i) known = known || out.prefixes[i] == prefix;
            if (!known) out.prefixes[out.count++] = prefix;
        }
    }
    return out;
}

constexpr WordPrefixes PREFIXES = word_prefixes();
constexpr std::size_t STATE_COUNT = FirstWordState + PREFIXES.count;

constexpr int word_state(std::string_view prefix) {
    for (std::size_t i = 0; i < PREFIXES.count; ++i) {
        if (PREFIXES.prefixes[i] == prefix) return static_cast<int>(FirstWordState + i);
    }
    return Reject;
}

constexpr bool is_complete_word(std::string_view prefix) {
    for (std::string_view word : SUFFIX_WORDS) {
        if (word == prefix) return true;
    }
    return false;
}

constexpr bool is_hex(unsigned char c) { return is_digit(static_cast<char>(c)) || (c >= 'a' && c <= 'f'); }
constexpr bool is_lower_byte(unsigned char c) { return is_lower(static_cast<char>(c)); }
constexpr bool is_digit_byte(unsigned char c) { return is_digit(static_cast<char>(c)); }

// What may follow a complete token of a kind that allows a suffix, a hash and a revision next.
constexpr int after_suffix_or_number(unsigned char c) {
    if (c == '_') return Underscore;
    if (c == '~') return Tilde;
    if (c == '-') return Dash;
    return Reject;
}

constexpr int step(int state, unsigned char c) {
    switch (state) {
        case Start:
            return is_digit_byte(c) ? Number : Reject;
        case Number:
            if (is_digit_byte(c)) return Number;
            if (c == '.') return Dot;
            if (is_lower_byte(c)) return Letter;
            return after_suffix_or_number(c);
        case Letter:
            if (is_digit_byte(c)) return Number;
            return after_suffix_or_number(c);
        case Dot:
            return is_digit_byte(c) ? Number : Reject;
        case Underscore:
            if (!is_lower_byte(c)) return Reject;
            {
                const char first[1] = {static_cast<char>(c)};
                return word_state(std::string_view(first, 1));
            }
        case SuffixNumber:
            if (is_digit_byte(c)) return SuffixNumber;
            return after_suffix_or_number(c);
        case Tilde:
        case Hash:
            if (is_hex(c)) return Hash;
            return state == Hash && c == '-' ? Dash : Reject;
        case Dash:
            return c == 'r' ? DashR : Reject;
        case DashR:
        case Revision:
            return is_digit_byte(c) ? Revision : Reject;
        default:
            break;
    }
    if (state < FirstWordState) return Reject;
    const std::string_view prefix = PREFIXES.prefixes[static_cast<std::size_t>(state - FirstWordState)];
    if (is_lower_byte(c)) {
        // The word runs on: only a longer suffix word can still match.
        char longer[8] = {};
        for (std::size_t i = 0; i < prefix.size(); ++i) longer[i] = prefix[i];
        longer[prefix.size()] = static_cast<char>(c);
        return word_state(std::string_view(longer, prefix.size() + 1));
    }
    if (!is_complete_word(prefix)) return Reject;
    if (is_digit_byte(c)) return SuffixNumber;
    return after_suffix_or_number(c);
}

constexpr bool accepts(int state) {
    if (state == Number || state == Letter || state == SuffixNumber || state == Hash || state == Revision) return true;
    return state >= FirstWordState && is_complete_word(PREFIXES.prefixes[static_cast<std::size_t>(state - FirstWordState)]);
}

using Table = std::array<std::array<std::uint8_t, 256>, STATE_COUNT>;

constexpr Table make_table() {
    Table table{};
    for (std::size_t state = 0; state < STATE_COUNT; ++state) {
        for (unsigned c = 0; c < 256; ++c) table[state][c] = static_cast<std::uint8_t>(step(static_cast<int>(state), static_cast<unsigned char>(c)));
    }
    return table;
}

constexpr Table TABLE = make_table();

constexpr std::array<bool, STATE_COUNT> ACCEPTING = [] {
    std::array<bool, STATE_COUNT> accepting{};
    for (std::size_t state = 0; state < STATE_COUNT; ++state) accepting[state] = accepts(static_cast<int>(state));
    return accepting;
}();

}  // namespace

bool is_apk_version(std::string_view text) {
    std::uint8_t state = Start;
    for (const char c : text) state = TABLE[state][static_cast<unsigned char>(c)];
    return ACCEPTING[state];
}

}  // namespace tambry::native
