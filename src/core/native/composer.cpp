// Composer versions as composer/semver sorts them: each text is normalized first
// (padded to four numbers, "v" and build metadata dropped, stability words spelled
// one way: alpha, beta, RC, patch), equal normalized texts are equal, and otherwise
// PHP's version_compare orders the normalized texts piece by piece: numbers by value
// (saturating at 2^63 - 1), and dev < alpha < beta < RC < (end) < any number <
// patch, so "pl" is a post-release; "stable" in capitals stays in the normalized
// text and sorts below dev. Texts that normalize differently but that
// version_compare calls equal ("01.0" and "1.0") are equal here too. Branches ("dev-"
// and a name) come before every numbered version; the tool leaves two different
// branches unordered, and they sort here by their names' bytes.
#include "native/composer.hpp"

#include <span>

#include "native/dotted_numbers.hpp"
#include "native/floored_number_key.hpp"
#include "native/key_encoding.hpp"
#include "native/native_scheme.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

using Kind = ComposerPart::Kind;

// PHP reads each number with strtol, which saturates.
constexpr std::uint64_t PHP_LONG_MAX = 0x7FFF'FFFF'FFFF'FFFFu;
// What a wildcard or a missing number of a numbered branch ("1.x-dev") becomes.
constexpr std::uint64_t BRANCH_WILDCARD = 9999999;

// PHP's trim(): space, tab, line feed, carriage return, NUL and vertical tab.
bool is_php_trimmed(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0' || c == '\x0B';
}

std::string_view php_trim(std::string_view s) {
    // Every byte trim() drops is at most a space.
    if (!s.empty() && static_cast<unsigned char>(s.front()) > 0x20 && static_cast<unsigned char>(s.back()) > 0x20) {
        return s;
    }
    while (!s.empty() && is_php_trimmed(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_php_trimmed(s.back())) s.remove_suffix(1);
    return s;
}

// The pattern class \s without UTF mode: ASCII white space, vertical tab included.
bool is_pattern_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool equals_ignoring_case(std::string_view text, std::string_view lower_word) {
    if (text.size() != lower_word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (to_lower(text[i]) != lower_word[i]) return false;
    }
    return true;
}

bool starts_with_ignoring_case(std::string_view s, std::size_t i, std::string_view lower_word) {
    return s.size() - i >= lower_word.size() && equals_ignoring_case(s.substr(i, lower_word.size()), lower_word);
}

std::size_t end_of_digits(std::string_view s, std::size_t i) {
    while (i < s.size() && is_digit(s[i])) ++i;
    return i;
}

// Reads the digits at s[i...] (there may be none) as PHP does, and moves `i` past them.
std::uint64_t read_php_number(std::string_view s, std::size_t& i) {
    constexpr std::uint64_t TENTH = PHP_LONG_MAX / 10;
    constexpr std::uint64_t LAST_DIGIT = PHP_LONG_MAX % 10;
    std::uint64_t value = 0;
    for (; i < s.size() && is_digit(s[i]); ++i) {
        const auto digit = static_cast<std::uint64_t>(s[i] - '0');
        if (value > TENTH || (value == TENTH && digit > LAST_DIGIT)) {
            value = PHP_LONG_MAX;
        } else {
            value = value * 10 + digit;
        }
    }
    return value;
}

void push_number(ComposerVersion& v, std::uint64_t value) { v.parts.push_back({Kind::Number, value}); }
void push_word(ComposerVersion& v, Kind kind) { v.parts.push_back({kind, 0}); }

// The tail that follows the numbers: an optional separator, a stability word with
// numbers after it, and a dev mark, each optional.
struct Modifier {
    bool has_word = false;
    bool plain_stable = false;  // "stable" written in lowercase: the tool then drops the rest
    Kind word = Kind::Stable;
    std::string_view numbers;  // digit runs joined by "." or "-"
    bool dev = false;
};

struct StabilityWord {
    std::string_view word;
    Kind kind;
};

// The tool tries stable, beta, b, RC, alpha, a, patch, pl, p in this order; only
// the words that start with the text's letter can match, in the same order.
constexpr StabilityWord WORDS_A[] = {{"alpha", Kind::Alpha}, {"a", Kind::Alpha}};
constexpr StabilityWord WORDS_B[] = {{"beta", Kind::Beta}, {"b", Kind::Beta}};
constexpr StabilityWord WORDS_P[] = {{"patch", Kind::Patch}, {"pl", Kind::Patch}, {"p", Kind::Patch}};
constexpr StabilityWord WORDS_R[] = {{"rc", Kind::Rc}};
constexpr StabilityWord WORDS_S[] = {{"stable", Kind::Stable}};

std::span<const StabilityWord> stability_words_for(char c) {
    switch (to_lower(c)) {
        case 'a': return WORDS_A;
        case 'b': return WORDS_B;
        case 'p': return WORDS_P;
        case 'r': return WORDS_R;
        case 's': return WORDS_S;
        default: return {};
    }
}

// Nothing, or "dev" after an optional "." or "-", up to the end.
bool match_dev_mark(std::string_view rest, bool& dev) {
    if (rest.empty()) return true;
    const std::size_t k = (rest[0] == '.' || rest[0] == '-') ? 1 : 0;
    dev = equals_ignoring_case(rest.substr(k), "dev");
    return dev;
}

bool match_modifier(std::string_view m, Modifier& out) {
    if (m.empty()) return true;
    const std::size_t start = (m[0] == '.' || m[0] == '_' || m[0] == '-') ? 1 : 0;
    const std::span<const StabilityWord> candidates =
        start < m.size() ? stability_words_for(m[start]) : std::span<const StabilityWord>{};
    for (const StabilityWord& candidate : candidates) {
        if (!starts_with_ignoring_case(m, start, candidate.word)) continue;
        const std::size_t numbers_start = start + candidate.word.size();
        std::size_t end = numbers_start;
        for (;;) {
            std::size_t k = end;
            if (k < m.size() && (m[k] == '.' || m[k] == '-')) ++k;
            if (k >= m.size() || !is_digit(m[k])) break;
            end = end_of_digits(m, k);
        }
        bool dev = false;
        if (!match_dev_mark(m.substr(end), dev)) continue;
        out.has_word = true;
        out.plain_stable = candidate.kind == Kind::Stable && m.substr(start, 6) == "stable";
        out.word = candidate.kind;
        out.numbers = m.substr(numbers_start, end - numbers_start);
        out.dev = dev;
        return true;
    }
    return match_dev_mark(m.substr(start), out.dev);
}

void add_modifier(const Modifier& modifier, ComposerVersion& v) {
    if (modifier.has_word) {
        if (modifier.plain_stable) return;
        push_word(v, modifier.word);
        const std::string_view numbers = modifier.numbers;
        for (std::size_t i = 0; i < numbers.size();) {
            if (!is_digit(numbers[i])) ++i;
            push_number(v, read_php_number(numbers, i));
        }
    }
    if (modifier.dev) push_word(v, Kind::Dev);
}

ComposerStability stability_of(const Modifier& modifier) {
    if (modifier.dev && !modifier.plain_stable) return ComposerStability::Dev;
    if (!modifier.has_word) return ComposerStability::Stable;
    switch (modifier.word) {
        case Kind::Alpha: return ComposerStability::Alpha;
        case Kind::Beta: return ComposerStability::Beta;
        case Kind::Rc: return ComposerStability::Rc;
        default: return ComposerStability::Stable;
    }
}

std::size_t after_v(std::string_view s) { return !s.empty() && (s[0] == 'v' || s[0] == 'V') ? 1 : 0; }

// "v"?, one to five digits, up to three more ".digits", then the modifier.
bool parse_classical(std::string_view body, ComposerVersion& v) {
    std::size_t i = after_v(body);
    const std::size_t major = i;
    push_number(v, read_php_number(body, i));
    if (i == major || i - major > 5) return false;
    int count = 1;
    for (; count < 4 && i + 1 < body.size() && body[i] == '.' && is_digit(body[i + 1]); ++count) {
        ++i;
        push_number(v, read_php_number(body, i));
    }
    Modifier modifier;
    if (!match_modifier(body.substr(i), modifier)) return false;
    for (; count < 4; ++count) push_number(v, std::uint64_t{0});
    add_modifier(modifier, v);
    v.stability = stability_of(modifier);
    return true;
}

// The commonest classical version, numbers alone after an optional "v" ("1.10.2",
// "v2.0"), normalizes to its numbers padded to four, compared by value: up to
// four numbers, the first of at most five digits, none long enough for PHP's
// strtol to saturate.
constexpr std::size_t PLAIN_RUN = 18;

bool is_plain_classical(std::string_view text) {
    DottedShape shape;
    return read_dotted_shape(text, PLAIN_RUN, shape) && shape.numbers <= 4 && shape.first_run <= 5;
}

bool is_date_separator(char c) { return c == '.' || c == ':' || c == '-'; }

// Whether the digit runs of a date, split at single separators, can be read as four
// digits, one to six two-digit groups and an optional last group of one to three
// digits, a separator allowed only where a group starts.
bool date_runs_fit(std::string_view date) {
    std::size_t pairs = 0;
    std::size_t i = 0;
    bool first = true;
    for (;;) {
        const std::size_t end = end_of_digits(date, i);
        const std::size_t run = end - i;
        const bool last = end == date.size();
        if (run == 0) return false;
        if (first) {
            if (run < 4) return false;
            if (last) return run - 4 >= 2 && run - 4 <= 15;
            if ((run - 4) % 2 != 0) return false;
            pairs += (run - 4) / 2;
        } else if (!last) {
            if (run % 2 != 0) return false;
            pairs += run / 2;
        } else {
            // The last run may end with the short group: the pairs it holds are
            // either all of it or one fewer.
            const std::size_t most = run / 2;
            const std::size_t fewest = run >= 2 ? (run - 2 - run % 2) / 2 : 0;
            return pairs + fewest <= 6 && pairs + most >= 1;
        }
        if (pairs > 6) return false;
        first = false;
        i = end + 1;
    }
}

// "v"?, a date or date-time of digits and ".", ":" or "-", then the modifier.
bool parse_date(std::string_view body, ComposerVersion& v) {
    const std::size_t start = after_v(body);
    std::size_t end = start;
    while (end < body.size() && (is_digit(body[end]) || is_date_separator(body[end]))) ++end;
    while (end > start && !is_digit(body[end - 1])) --end;
    if (end == start || !is_digit(body[start])) return false;
    const std::string_view date = body.substr(start, end - start);
    if (!date_runs_fit(date)) return false;
    Modifier modifier;
    if (!match_modifier(body.substr(end), modifier)) return false;
    for (std::size_t i = 0; i < date.size(); ++i) push_number(v, read_php_number(date, i));
    add_modifier(modifier, v);
    v.stability = stability_of(modifier);
    return true;
}

// A numbered branch: "v"?, a number, and up to three ".number" or ".x" parts.
bool parse_branch_numbers(std::string_view name, ComposerVersion& v) {
    std::size_t i = after_v(name);
    if (i >= name.size() || !is_digit(name[i])) return false;
    push_number(v, read_php_number(name, i));
    int count = 1;
    for (; count < 4 && i + 1 < name.size() && name[i] == '.'; ++count) {
        const char c = name[i + 1];
        if (is_digit(c)) {
            ++i;
            push_number(v, read_php_number(name, i));
        } else if (c == 'x' || c == 'X' || c == '*') {
            push_number(v, BRANCH_WILDCARD);
            i += 2;
        } else {
            break;
        }
    }
    if (i != name.size()) return false;
    for (; count < 4; ++count) push_number(v, BRANCH_WILDCARD);
    push_word(v, Kind::Dev);
    v.stability = ComposerStability::Dev;
    return true;
}

// A text ending in "dev": what comes before it (and before one "." or "-" in front
// of it), on the line where the tool's unanchored search finds it, must be a
// numbered branch.
bool parse_dev_suffix(std::string_view body, ComposerVersion& v) {
    const std::size_t n = body.size();
    if (n < 3 || !equals_ignoring_case(body.substr(n - 3), "dev")) return false;
    std::size_t end = n - 3;
    if (end > 0 && (body[end - 1] == '.' || body[end - 1] == '-')) --end;
    const std::size_t newline = body.substr(0, end).rfind('\n');
    const std::size_t start = newline == std::string_view::npos ? 0 : newline + 1;
    return parse_branch_numbers(php_trim(body.substr(start, end - start)), v);
}

bool is_default_branch(std::string_view name) {
    return name.size() >= 5 && name.size() <= 7 && (name == "master" || name == "trunk" || name == "default");
}

void set_default_branch(ComposerVersion& v) {
    push_number(v, BRANCH_WILDCARD);
    push_word(v, Kind::Dev);
    v.stability = ComposerStability::Dev;
}

// "A as B" is A.
std::string_view without_alias(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] != ',' && !is_pattern_space(s[i])) ++i;
    if (i == 0 || i == s.size() || s[i] != ' ') return s;
    std::size_t k = i;
    while (k < s.size() && s[k] == ' ') ++k;
    if (s.size() - k < 3 || s[k] != 'a' || s[k + 1] != 's' || s[k + 2] != ' ') return s;
    k += 3;
    while (k < s.size() && s[k] == ' ') ++k;
    if (k == s.size()) return s;
    for (std::size_t j = k; j < s.size(); ++j) {
        if (s[j] == ',' || is_pattern_space(s[j])) return s;
    }
    return s.substr(0, i);
}

constexpr std::string_view STABILITY_FLAGS[] = {"stable", "rc", "beta", "alpha", "dev"};

// A trailing "@stable", "@RC", "@beta", "@alpha" or "@dev" is dropped.
std::string_view without_stability_flag(std::string_view s) {
    if (s.size() < 3 || !is_letter(s.back())) return s;
    for (const std::string_view flag : STABILITY_FLAGS) {
        if (s.size() > flag.size() && s[s.size() - flag.size() - 1] == '@' &&
            equals_ignoring_case(s.substr(s.size() - flag.size()), flag)) {
            return s.substr(0, s.size() - flag.size() - 1);
        }
    }
    return s;
}

// The tool's patterns end with "$", which also matches before a final line feed.
std::string_view before_final_newline(std::string_view s) {
    return !s.empty() && s.back() == '\n' ? s.substr(0, s.size() - 1) : s;
}

// "A+B", A without ",", white space or "+", B non-empty without white space: A.
std::string_view without_build(std::string_view s) {
    const std::string_view body = before_final_newline(s);
    std::size_t i = 0;
    while (i < body.size() && body[i] != ',' && body[i] != '+' && !is_pattern_space(body[i])) ++i;
    if (i == 0 || i + 1 >= body.size() || body[i] != '+') return s;
    for (std::size_t j = i + 1; j < body.size(); ++j) {
        if (is_pattern_space(body[j])) return s;
    }
    return s.substr(0, i);
}

bool needs_alias_or_build_rule(std::string_view s) {
    for (const char c : s) {
        if (c == ',' || c == '+' || is_pattern_space(c)) return true;
    }
    return false;
}

// VersionParser::normalize step by step, then Semver::sort's reading of the
// default branches.
bool parse_into(std::string_view text, ComposerVersion& v) {
    std::string_view s = php_trim(text);
    const bool has_separators = needs_alias_or_build_rule(s);
    if (has_separators) s = without_alias(s);
    s = without_stability_flag(s);
    if (is_default_branch(s)) {
        set_default_branch(v);
    } else if (s.size() >= 4 && equals_ignoring_case(s.substr(0, 4), "dev-")) {
        const std::string_view name = s.substr(4);
        if (is_default_branch(name)) {
            set_default_branch(v);
        } else {
            v.is_branch = true;
            v.branch = name;
            v.stability = ComposerStability::Dev;
        }
    } else {
        if (has_separators) s = without_build(s);
        const std::string_view body = before_final_newline(s);
        if (parse_classical(body, v)) return true;
        v.parts.clear();
        return parse_date(body, v) || parse_dev_suffix(body, v);
    }
    return true;
}

// VersionParser::normalize's text, built by the same steps as parse_into: the
// numbers as written, padded with ".0", and the stability words spelled one way.
std::string_view word_text(Kind kind) {
    switch (kind) {
        case Kind::Alpha: return "alpha";
        case Kind::Beta: return "beta";
        case Kind::Rc: return "RC";
        case Kind::Patch: return "patch";
        default: return "stable";
    }
}

// The modifier's text after the numbers; false when a lowercase "stable" ends the
// version there, dev mark and all.
bool append_modifier_text(const Modifier& modifier, std::string& out) {
    if (modifier.has_word) {
        if (modifier.plain_stable) return false;
        out.push_back('-');
        out.append(word_text(modifier.word));
        std::string_view numbers = modifier.numbers;
        while (!numbers.empty() && (numbers.front() == '.' || numbers.front() == '-')) numbers.remove_prefix(1);
        out.append(numbers);
    }
    if (modifier.dev) out.append("-dev");
    return true;
}

bool classical_text(std::string_view body, std::string& out) {
    std::size_t i = after_v(body);
    const std::size_t major = i;
    i = end_of_digits(body, i);
    if (i == major || i - major > 5) return false;
    const std::size_t numbers_start = major;
    int count = 1;
    for (; count < 4 && i + 1 < body.size() && body[i] == '.' && is_digit(body[i + 1]); ++count) {
        i = end_of_digits(body, i + 1);
    }
    Modifier modifier;
    if (!match_modifier(body.substr(i), modifier)) return false;
    out.append(body.substr(numbers_start, i - numbers_start));
    for (; count < 4; ++count) out.append(".0");
    append_modifier_text(modifier, out);
    return true;
}

bool date_text(std::string_view body, std::string& out) {
    const std::size_t start = after_v(body);
    std::size_t end = start;
    while (end < body.size() && (is_digit(body[end]) || is_date_separator(body[end]))) ++end;
    while (end > start && !is_digit(body[end - 1])) --end;
    if (end == start || !is_digit(body[start])) return false;
    const std::string_view date = body.substr(start, end - start);
    if (!date_runs_fit(date)) return false;
    Modifier modifier;
    if (!match_modifier(body.substr(end), modifier)) return false;
    for (const char c : date) out.push_back(is_digit(c) ? c : '.');
    append_modifier_text(modifier, out);
    return true;
}

bool branch_numbers_text(std::string_view name, std::string& out) {
    std::size_t i = after_v(name);
    if (i >= name.size() || !is_digit(name[i])) return false;
    const std::size_t major = i;
    i = end_of_digits(name, i);
    out.append(name.substr(major, i - major));
    int count = 1;
    for (; count < 4 && i + 1 < name.size() && name[i] == '.'; ++count) {
        const char c = name[i + 1];
        if (is_digit(c)) {
            const std::size_t end = end_of_digits(name, i + 1);
            out.append(name.substr(i, end - i));
            i = end;
        } else if (c == 'x' || c == 'X' || c == '*') {
            out.append(".9999999");
            i += 2;
        } else {
            break;
        }
    }
    if (i != name.size()) return false;
    for (; count < 4; ++count) out.append(".9999999");
    out.append("-dev");
    return true;
}

bool dev_suffix_text(std::string_view body, std::string& out) {
    const std::size_t n = body.size();
    if (n < 3 || !equals_ignoring_case(body.substr(n - 3), "dev")) return false;
    std::size_t end = n - 3;
    if (end > 0 && (body[end - 1] == '.' || body[end - 1] == '-')) --end;
    const std::size_t newline = body.substr(0, end).rfind('\n');
    const std::size_t start = newline == std::string_view::npos ? 0 : newline + 1;
    return branch_numbers_text(php_trim(body.substr(start, end - start)), out);
}

bool normalize_into(std::string_view text, std::string& out) {
    std::string_view s = php_trim(text);
    const bool has_separators = needs_alias_or_build_rule(s);
    if (has_separators) s = without_alias(s);
    s = without_stability_flag(s);
    if (is_default_branch(s)) {
        out.append("dev-");
        out.append(s);
        return true;
    }
    if (s.size() >= 4 && equals_ignoring_case(s.substr(0, 4), "dev-")) {
        out.append("dev-");
        out.append(s.substr(4));
        return true;
    }
    if (has_separators) s = without_build(s);
    const std::string_view body = before_final_newline(s);
    if (classical_text(body, out)) return true;
    out.clear();
    if (date_text(body, out)) return true;
    out.clear();
    return dev_suffix_text(body, out);
}

// PHP's version_compare reads a text as pieces: "-", "_" and "+" become ".", a
// "." goes between digits and other characters, and any other character that is
// not a letter or digit is a ".". A piece of digits is a number; any other piece
// ranks by the first of dev, alpha, a, beta, b, RC, rc, #, pl, p that starts it,
// and below dev when none does.
constexpr bool is_php_special(char c) { return c == '-' || c == '_' || c == '+'; }
constexpr bool is_php_digit(char c) { return is_digit(c); }
constexpr bool is_php_other(char c) { return !is_digit(c) && c != '.'; }

std::string php_canonical(std::string_view text) {
    std::string out;
    if (text.empty()) return out;
    out.reserve(text.size() * 2);
    char last = text[0];
    out.push_back(last);
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        const char previous_out = out.back();
        if (is_php_special(c)) {
            if (previous_out != '.') out.push_back('.');
        } else if ((is_php_other(last) && is_php_digit(c)) || (is_php_digit(last) && is_php_other(c))) {
            if (previous_out != '.') out.push_back('.');
            out.push_back(c);
        } else if (!is_alnum(c)) {
            if (previous_out != '.') out.push_back('.');
        } else {
            out.push_back(c);
        }
        last = c;
    }
    return out;
}

// The rank of a word piece: the Kind it sorts as, or false for "#", which no
// Kind stands for.
bool word_kind(std::string_view piece, Kind& kind) {
    struct Form {
        std::string_view name;
        Kind kind;
        bool hash;
    };
    constexpr Form FORMS[] = {{"dev", Kind::Dev, false},   {"alpha", Kind::Alpha, false}, {"a", Kind::Alpha, false},
                              {"beta", Kind::Beta, false}, {"b", Kind::Beta, false},      {"RC", Kind::Rc, false},
                              {"rc", Kind::Rc, false},     {"#", Kind::Stable, true},     {"pl", Kind::Patch, false},
                              {"p", Kind::Patch, false}};
    for (const Form& form : FORMS) {
        if (piece.starts_with(form.name)) {
            kind = form.kind;
            return !form.hash;
        }
    }
    kind = Kind::Stable;  // below dev, as every unknown word
    return true;
}

Ordering compare_bytes(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? Ordering::Less : (c > 0 ? Ordering::Greater : Ordering::Equal);
}

// Where one version has run out of pieces, the other's next piece decides: a number
// or patch makes it the greater, a word below them the lesser.
constexpr int END_RANK = 5;

Ordering compare_parsed(const ComposerVersion& a, const ComposerVersion& b) {
    if (a.is_branch || b.is_branch) {
        if (a.is_branch && b.is_branch) return compare_bytes(a.branch, b.branch);
        return a.is_branch ? Ordering::Less : Ordering::Greater;
    }
    const std::size_t n = a.parts.size() < b.parts.size() ? a.parts.size() : b.parts.size();
    for (std::size_t i = 0; i < n; ++i) {
        const ComposerPart& x = a.parts[i];
        const ComposerPart& y = b.parts[i];
        if (x.kind != y.kind) return order_of(static_cast<int>(x.kind), static_cast<int>(y.kind));
        if (x.number != y.number) return order_of(x.number, y.number);
    }
    if (a.parts.size() > n) return order_of(static_cast<int>(a.parts[n].kind), END_RANK);
    if (b.parts.size() > n) return order_of(END_RANK, static_cast<int>(b.parts[n].kind));
    return Ordering::Equal;
}

// Key bytes: a branch is BRANCH and its name; a numbered version its pieces, words
// as their kind + 1, numbers on NUMBER_FLOOR, patch above them all, then END.
constexpr unsigned char BRANCH = 0x00;
constexpr unsigned char END = 0x06;
constexpr unsigned char NUMBER_FLOOR = 0x07;
constexpr unsigned char PATCH = 0xFF;

void put_key(const ComposerVersion& v, KeyBuffer& out) {
    if (v.is_branch) {
        out.push_back(BRANCH);
        put_text(out, v.branch);
        return;
    }
    for (const ComposerPart& part : v.parts) {
        if (part.kind == Kind::Number) {
            put_u64_above(out, part.number, NUMBER_FLOOR);
        } else if (part.kind == Kind::Patch) {
            out.push_back(PATCH);
        } else {
            out.push_back(static_cast<unsigned char>(part.kind + 1));
        }
    }
    out.push_back(END);
}

class ComposerScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view text) const override {
        ComposerVersion v;
        return parse_into(text, v);
    }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        const std::string_view plain_a = a.substr(after_v(a)), plain_b = b.substr(after_v(b));
        if (is_plain_classical(plain_a) && is_plain_classical(plain_b)) return compare_dotted_numbers(plain_a, plain_b);
        ComposerVersion left, right;
        if (!parse_into(a, left) || !parse_into(b, right)) return std::nullopt;
        return compare_parsed(left, right);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        ComposerVersion v;
        if (!parse_into(text, v)) return false;
        put_key(v, out);
        return true;
    }

    bool is_prerelease(std::string_view text) const override {
        ComposerVersion v;
        return parse_into(text, v) && v.stability != ComposerStability::Stable;
    }
};

constinit const ComposerScheme COMPOSER_SCHEME{};

}  // namespace

std::optional<ComposerVersion> parse_composer(std::string_view text) {
    std::optional<ComposerVersion> v(std::in_place);
    if (!parse_into(text, *v)) return std::nullopt;
    return v;
}

Ordering compare_composer(const ComposerVersion& a, const ComposerVersion& b) { return compare_parsed(a, b); }

std::optional<std::string> normalize_composer(std::string_view text) {
    std::optional<std::string> out(std::in_place);
    if (!normalize_into(text, *out)) return std::nullopt;
    return out;
}

std::optional<ComposerVersion> composer_compare_pieces(std::string_view text) {
    std::optional<ComposerVersion> v(std::in_place);
    const std::string canonical = php_canonical(text);
    std::string_view rest = canonical;
    for (;;) {
        const std::size_t dot = rest.find('.');
        const std::string_view piece = rest.substr(0, dot);
        if (!piece.empty() && is_digit(piece[0])) {
            std::size_t i = 0;
            push_number(*v, read_php_number(piece, i));
        } else {
            Kind kind;
            if (!word_kind(piece, kind)) return std::nullopt;
            push_word(*v, kind);
        }
        if (dot == std::string_view::npos) break;
        rest.remove_prefix(dot + 1);
    }
    return v;
}

void append_composer_key(const ComposerVersion& v, KeyBuffer& out) { put_key(v, out); }

// A branch's key starts with BRANCH, a numbered version's with its first number.
void append_composer_numbered_start_key(KeyBuffer& out) { out.push_back(BRANCH + 1); }

const NativeScheme& composer_scheme() { return COMPOSER_SCHEME; }

}  // namespace tambry::native
