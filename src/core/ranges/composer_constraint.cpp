// One Composer constraint, read in the order VersionParser::parseConstraint tries
// its forms, each form the pattern composer/semver matches it with:
//
//   "A as B"                 the alias is dropped: A
//   "C@flag"                 flag one of stable, RC, beta, alpha, dev in any case;
//                            C alone ("@dev" is "*"), and a flag other than
//                            "stable" as written is kept for the comparators below
//   "dev-x#ref", "1.x-dev#r" the reference is dropped
//   "*", "x", "X"            every version, branches too; "v*" and "*.*" are
//                            ">= 0.0.0.0-dev", which leaves branches out
//   "~V"                     ">= V-dev" (V as written, when it has no stability
//                            word) and "<" the next number up one place above
//                            V's last one ("~1.2" ends below "2.0.0.0-dev",
//                            "~1.2.3" below "1.3.0.0-dev"); "~>" is an error
//   "^V"                     ">= V-dev" and "<" the next value of V's leftmost
//                            number that is not "0" ("^0.3" ends below 0.4)
//   "1.2.x", "1.*"           ">= 1.2.0.0-dev" and "< 1.3.0.0-dev"
//   "A - B"                  ">= A-dev" and "<= B" when B gives three numbers
//                            or a stability, else "<" B's next value, dev
//   [op] V                   op one of <>, !=, >, >=, <, <=, =, ==, none for
//                            "="; V normalized, a flag appended to a stable V
//                            for any op but "=", else "-dev" appended for "<"
//                            and ">=" unless V ends in "-" and a stability.
//                            A V that normalize refuses but that ends in "-dev"
//                            is the branch "dev-" V (without "-dev").
//
// Where composer/semver adds one to a number (the upper bounds of "~", "^", "x"
// and "A - B"), PHP turns a sum past 2^63 - 1 into a float and compares its
// printed form, "1.0E+20.0.0.0-dev": so does this, by the pieces version_compare
// reads in that text.
#include "ranges/composer_constraint.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "native/composer.hpp"
#include "native/native_scheme.hpp"
#include "text.hpp"

namespace tambry::ranges::composer {
namespace {

// PCRE's \s without UTF mode.
bool is_pcre_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_star(char c) { return c == 'x' || c == 'X' || c == '*'; }

bool starts_with_ignoring_case(std::string_view s, std::size_t i, std::string_view lower_word) {
    if (i > s.size() || s.size() - i < lower_word.size()) return false;
    for (std::size_t k = 0; k < lower_word.size(); ++k) {
        if (to_lower(s[i + k]) != lower_word[k]) return false;
    }
    return true;
}

std::size_t skip_digits(std::string_view s, std::size_t i) {
    while (i < s.size() && is_digit(s[i])) ++i;
    return i;
}

bool is_run_char(char c) { return c != ',' && !is_pcre_space(c); }

// "^([^,\s]++) ++as ++([^,\s]++)$": A.
std::string_view without_alias(std::string_view c) {
    std::size_t i = 0;
    while (i < c.size() && is_run_char(c[i])) ++i;
    std::size_t k = i;
    while (k < c.size() && c[k] == ' ') ++k;
    if (i == 0 || k == i || c.substr(k, 2) != "as") return c;
    const std::size_t spaces = k + 2;
    k = spaces;
    while (k < c.size() && c[k] == ' ') ++k;
    const std::size_t alias = k;
    while (k < c.size() && is_run_char(c[k])) ++k;
    if (alias == spaces || k == alias || !at_pattern_end(c, k)) return c;
    return c.substr(0, i);
}

// "^([^,\s]*?)@(stable|RC|beta|alpha|dev)$", in any case: the text before the
// flag and the flag, or nothing.
struct Flag {
    std::string_view before;
    std::string_view word;
};

std::optional<Flag> stability_flag(std::string_view c) {
    constexpr std::string_view FLAGS[] = {"stable", "rc", "beta", "alpha", "dev"};
    for (std::size_t j = 0; j < c.size(); ++j) {
        if (c[j] == '@') {
            for (const std::string_view flag : FLAGS) {
                if (starts_with_ignoring_case(c, j + 1, flag) && at_pattern_end(c, j + 1 + flag.size())) {
                    return Flag{c.substr(0, j), c.substr(j + 1, flag.size())};
                }
            }
        }
        if (!is_run_char(c[j])) return std::nullopt;
    }
    return std::nullopt;
}

// ".+$" after a "#".
bool is_reference_tail(std::string_view tail) {
    const std::size_t newline = tail.find('\n');
    if (newline == std::string_view::npos) return !tail.empty();
    return newline >= 1 && newline + 1 == tail.size();
}

bool is_name_char(char c) { return is_run_char(c) && c != '@'; }

// "^(dev-[^,\s@]+?|[^,\s@]+?\.x-dev)#.+$", in any case: the text before "#".
std::string_view without_reference(std::string_view c) {
    if (starts_with_ignoring_case(c, 0, "dev-")) {
        for (std::size_t j = 5; j < c.size() && is_name_char(c[j - 1]); ++j) {
            if (c[j] == '#' && is_reference_tail(c.substr(j + 1))) return c.substr(0, j);
        }
    }
    for (std::size_t j = 1; j < c.size() && is_name_char(c[j - 1]); ++j) {
        if (starts_with_ignoring_case(c, j, ".x-dev") && j + 6 < c.size() && c[j + 6] == '#' &&
            is_reference_tail(c.substr(j + 7))) {
            return c.substr(0, j + 6);
        }
    }
    return c;
}

// "^(v)?[xX*](\.[xX*])*$", in any case; `narrowed` when "v" or a ".x" is there.
bool is_any_version(std::string_view c, bool& narrowed) {
    std::size_t i = 0;
    const bool v = !c.empty() && (c[0] == 'v' || c[0] == 'V');
    if (v) ++i;
    if (i >= c.size() || !is_star(c[i])) return false;
    ++i;
    bool parts = false;
    while (i + 1 < c.size() && c[i] == '.' && is_star(c[i + 1])) {
        i += 2;
        parts = true;
    }
    narrowed = v || parts;
    return at_pattern_end(c, i);
}

// What composer/semver's version pattern captures:
//   v?(\d++)(?:\.(\d++))?(?:\.(\d++))?(?:\.(\d++))?
//   (?:[._-]?(?:(WORD)((?:[.-]?\d+)*+)?)?([.-]?dev)?|\.([xX*][.-]?dev))(?:\+[^\s]+)?
// with WORD one of stable, beta, b, RC, alpha, a, patch, pl, p, in any case.
struct VersionMatch {
    std::string_view number[4];  // empty when absent
    std::string_view word;
    std::string_view dev;
    std::string_view x_dev;
    std::size_t end = 0;

    bool has(int k) const { return !number[k].empty(); }
    bool has_stability() const { return !word.empty() || !dev.empty() || !x_dev.empty(); }
};

// The end of "[.-]?dev" at i, or 0.
std::size_t dev_end(std::string_view c, std::size_t i) {
    if (i < c.size() && (c[i] == '.' || c[i] == '-') && starts_with_ignoring_case(c, i + 1, "dev")) return i + 4;
    return starts_with_ignoring_case(c, i, "dev") ? i + 3 : 0;
}

// Offers `accept` each way the pattern matches c from `start`, in the order PCRE
// tries them, until it takes one. Numbers are taken whole: giving one back never
// lets the rest match.
template <class Accept>
bool match_version(std::string_view c, std::size_t start, Accept&& accept) {
    const std::size_t n = c.size();
    VersionMatch m;
    std::size_t i = start;
    if (i < n && (c[i] == 'v' || c[i] == 'V')) ++i;
    if (i >= n || !is_digit(c[i])) return false;
    for (int k = 0; k < 4; ++k) {
        const std::size_t first = k == 0 ? i : i + 1;
        if (k > 0 && !(i + 1 < n && c[i] == '.' && is_digit(c[i + 1]))) break;
        const std::size_t end = skip_digits(c, first);
        m.number[k] = c.substr(first, end - first);
        i = end;
    }
    // A build part is taken whole: only then can the end or a space follow it.
    auto offer = [&](VersionMatch& candidate, std::size_t end) {
        if (end + 1 < n && c[end] == '+' && !is_pcre_space(c[end + 1])) {
            std::size_t b = end + 1;
            while (b < n && !is_pcre_space(c[b])) ++b;
            candidate.end = b;
            if (accept(candidate)) return true;
        }
        candidate.end = end;
        return accept(candidate);
    };
    constexpr std::string_view WORDS[] = {"stable", "beta", "b", "rc", "alpha", "a", "patch", "pl", "p"};
    const bool has_separator = i < n && (c[i] == '.' || c[i] == '_' || c[i] == '-');
    for (int separator = has_separator ? 1 : 0; separator >= 0; --separator) {
        const std::size_t j = i + static_cast<std::size_t>(separator);
        for (std::size_t w = 0; w <= std::size(WORDS); ++w) {
            VersionMatch candidate = m;
            std::size_t k = j;
            if (w < std::size(WORDS)) {
                if (!starts_with_ignoring_case(c, j, WORDS[w])) continue;
                candidate.word = c.substr(j, WORDS[w].size());
                k = j + WORDS[w].size();
                for (;;) {
                    std::size_t q = k;
                    if (q < n && (c[q] == '.' || c[q] == '-')) ++q;
                    if (q >= n || !is_digit(c[q])) break;
                    k = skip_digits(c, q);
                }
            }
            if (const std::size_t d = dev_end(c, k)) {
                VersionMatch with_dev = candidate;
                with_dev.dev = c.substr(k, d - k);
                if (offer(with_dev, d)) return true;
            }
            if (offer(candidate, k)) return true;
        }
    }
    if (i + 1 < n && c[i] == '.' && is_star(c[i + 1])) {
        if (const std::size_t d = dev_end(c, i + 2)) {
            VersionMatch candidate = m;
            candidate.x_dev = c.substr(i + 1, d - i - 1);
            if (offer(candidate, d)) return true;
        }
    }
    return false;
}

// The version pattern from `start` to the end of the constraint.
std::optional<VersionMatch> match_whole_version(std::string_view c, std::size_t start) {
    std::optional<VersionMatch> found;
    match_version(c, start, [&](const VersionMatch& m) {
        if (!at_pattern_end(c, m.end)) return false;
        found = m;
        return true;
    });
    return found;
}

// "/-MODIFIER$/" on a lowercased text, the stability words in the case the pattern
// spells them, so that "RC" never matches.
bool modifier_fills(std::string_view s) {
    constexpr std::string_view WORDS[] = {"stable", "beta", "b", "alpha", "a", "patch", "pl", "p"};
    const bool has_separator = !s.empty() && (s[0] == '.' || s[0] == '_' || s[0] == '-');
    for (std::size_t j = has_separator ? 1 : 0;; --j) {
        for (std::size_t w = 0; w <= std::size(WORDS); ++w) {
            std::size_t k = j;
            if (w < std::size(WORDS)) {
                if (!s.substr(j).starts_with(WORDS[w])) continue;
                k = j + WORDS[w].size();
                for (;;) {
                    std::size_t q = k;
                    if (q < s.size() && (s[q] == '.' || s[q] == '-')) ++q;
                    if (q >= s.size() || !is_digit(s[q])) break;
                    k = skip_digits(s, q);
                }
            }
            if (k + 4 <= s.size() && (s[k] == '.' || s[k] == '-') && s.substr(k + 1, 3) == "dev" &&
                at_pattern_end(s, k + 4)) {
                return true;
            }
            if (s.substr(k, 3) == "dev" && at_pattern_end(s, k + 3)) return true;
            if (at_pattern_end(s, k)) return true;
        }
        if (j == 0) return false;
    }
}

bool ends_with_dash_modifier(std::string_view text) {
    std::string lower(text);
    for (char& ch : lower) ch = to_lower(ch);
    for (std::size_t p = lower.find('-'); p != std::string::npos; p = lower.find('-', p + 1)) {
        if (modifier_fills(std::string_view(lower).substr(p + 1))) return true;
    }
    return false;
}

constexpr std::string_view PHP_INT_MAX_DIGITS = "9223372036854775807";

// A number as written, plus one, as PHP prints the sum: an integer while it stays
// below 2^63, else the float PHP makes of it, printed with 14 significant digits
// ("1.0E+20", "9.2233720368548E+18", "INF").
std::string raised_number(std::string_view digits) {
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    if (digits.size() < PHP_INT_MAX_DIGITS.size() ||
        (digits.size() == PHP_INT_MAX_DIGITS.size() && digits < PHP_INT_MAX_DIGITS)) {
        std::string raised(digits);
        std::size_t i = raised.size();
        while (i > 0 && raised[i - 1] == '9') raised[--i] = '0';
        if (i == 0) {
            raised.insert(raised.begin(), '1');
        } else {
            ++raised[i - 1];
        }
        return raised;
    }
    const double value = std::strtod(std::string(digits).c_str(), nullptr) + 1.0;
    if (std::isinf(value)) return "INF";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.13E", value);
    std::string_view printed(buffer);
    const std::size_t e = printed.find('E');
    std::string_view mantissa = printed.substr(0, e);
    while (mantissa.back() == '0') mantissa.remove_suffix(1);
    std::string out(mantissa);
    if (out.back() == '.') out.push_back('0');
    out.append(printed.substr(e));
    return out;
}

// manipulateVersionString: V's four numbers as written, those after `position`
// "0", the one at `position` raised by one when `raise`; then "-dev".
std::string manipulate(const VersionMatch& m, int position, bool raise) {
    std::string out;
    for (int k = 0; k < 4; ++k) {
        if (k > 0) out.push_back('.');
        if (k + 1 > position) {
            out.push_back('0');
        } else if (k + 1 == position && raise) {
            out.append(raised_number(m.number[k]));
        } else {
            out.append(m.number[k]);
        }
    }
    out.append("-dev");
    return out;
}

class ConstraintReader {
public:
    ConstraintReader(const RangeCursor& cursor, std::size_t offset, std::vector<Comparison>& out)
        : cursor_(cursor), offset_(offset), out_(out) {}

    std::optional<RangeError> read(std::string_view c) {
        c = without_alias(c);
        if (const std::optional<Flag> flag = stability_flag(c)) {
            c = flag->before.empty() ? std::string_view("*") : flag->before;
            if (flag->word != "stable") modifier_ = flag->word;
        }
        c = without_reference(c);
        bool narrowed = false;
        if (is_any_version(c, narrowed)) {
            if (narrowed) {
                push(Comparator::GreaterEqual, "0.0.0.0-dev");
            } else {
                out_.push_back(Comparison{true, Comparator::Equal, {}});
            }
            return std::nullopt;
        }
        if (!c.empty() && c[0] == '~') return read_tilde(c);
        if (!c.empty() && c[0] == '^') return read_caret(c);
        if (read_wildcard(c)) return std::exchange(failure_, std::nullopt);
        if (read_hyphen(c)) return std::exchange(failure_, std::nullopt);
        return read_comparator(c);
    }

private:
    void push(Comparator op, std::string version) { out_.push_back(Comparison{false, op, std::move(version)}); }

    // normalize's text of `version`, or the failure: an invalid version when the
    // scheme refuses the text too, else a constraint that cannot be read.
    std::optional<std::string> normalized(std::string_view version, std::size_t at) {
        std::optional<std::string> text = native::normalize_composer(version);
        if (!text && !failure_) {
            failure_ = cursor_.scheme().scheme->is_valid(version)
                           ? cursor_.error_at(offset_ + at, "composer/semver cannot read this constraint")
                           : cursor_.invalid_version(version, offset_ + at);
        }
        return text;
    }

    // "~V": from V, up to the next value of the number before V's last one.
    std::optional<RangeError> read_tilde(std::string_view c) {
        const std::size_t start = c.size() > 1 && c[1] == '>' ? 2 : 1;
        const std::optional<VersionMatch> m = match_whole_version(c, start);
        if (!m) return read_comparator(c);
        if (start == 2) return cursor_.error_at(offset_, "invalid operator '~>', '~' is meant");
        int position = m->has(3) ? 4 : m->has(2) ? 3 : m->has(1) ? 2 : 1;
        if (!m->x_dev.empty()) ++position;
        return read_low_and_raised(c, *m, std::max(1, position - 1));
    }

    // "^V": from V, up to the next value of V's leftmost number that is not "0".
    std::optional<RangeError> read_caret(std::string_view c) {
        const std::optional<VersionMatch> m = match_whole_version(c, 1);
        if (!m) return read_comparator(c);
        int position = 3;
        if (m->number[0] != "0" || !m->has(1)) {
            position = 1;
        } else if (m->number[1] != "0" || !m->has(2)) {
            position = 2;
        }
        return read_low_and_raised(c, *m, position);
    }

    std::optional<RangeError> read_low_and_raised(std::string_view c, const VersionMatch& m, int position) {
        std::string low(c.substr(1));
        if (!m.has_stability()) low.append("-dev");
        std::optional<std::string> from = normalized(low, 1);
        if (!from) return std::exchange(failure_, std::nullopt);
        push(Comparator::GreaterEqual, std::move(*from));
        push(Comparator::Less, manipulate(m, position, true));
        return std::nullopt;
    }

    // "^v?(\d++)(?:\.(\d++))?(?:\.(\d++))?(?:\.[xX*])++$", the "v" in lowercase only.
    bool read_wildcard(std::string_view c) {
        VersionMatch m;
        std::size_t i = !c.empty() && c[0] == 'v' ? 1 : 0;
        for (int k = 0; k < 3; ++k) {
            const std::size_t first = k == 0 ? i : i + 1;
            if (k > 0 && !(i + 1 < c.size() && c[i] == '.' && is_digit(c[i + 1]))) break;
            if (k == 0 && (i >= c.size() || !is_digit(c[i]))) return false;
            const std::size_t end = skip_digits(c, first);
            m.number[k] = c.substr(first, end - first);
            i = end;
        }
        std::size_t stars = 0;
        while (i + 1 < c.size() && c[i] == '.' && is_star(c[i + 1])) {
            i += 2;
            ++stars;
        }
        if (stars == 0 || !at_pattern_end(c, i)) return false;
        const int position = m.has(2) ? 3 : m.has(1) ? 2 : 1;
        std::string low = manipulate(m, position, false);
        if (low != "0.0.0.0-dev") push(Comparator::GreaterEqual, std::move(low));
        push(Comparator::Less, manipulate(m, position, true));
        return true;
    }

    // "A - B": from A, up to and with B when B is complete, else below B's next value.
    bool read_hyphen(std::string_view c) {
        VersionMatch from, to;
        std::size_t to_start = 0;
        const bool matched = match_version(c, 0, [&](const VersionMatch& a) {
            std::size_t p = a.end;
            const std::size_t spaces = p;
            while (p < c.size() && c[p] == ' ') ++p;
            if (p == spaces || p >= c.size() || c[p] != '-') return false;
            const std::size_t dash = ++p;
            while (p < c.size() && c[p] == ' ') ++p;
            if (p == dash) return false;
            const std::optional<VersionMatch> b = match_whole_version(c, p);
            if (!b) return false;
            from = a;
            to = *b;
            to_start = p;
            return true;
        });
        if (!matched) return false;
        std::optional<std::string> low = normalized(c.substr(0, from.end), 0);
        if (!low) return true;
        if (!from.has_stability()) low->append("-dev");
        const std::string_view to_text = c.substr(to_start, to.end - to_start);
        std::optional<std::string> high = normalized(to_text, to_start);
        if (!high) return true;
        if ((to.has(1) && to.has(2)) || to.has_stability()) {
            push(Comparator::GreaterEqual, std::move(*low));
            push(Comparator::LessEqual, std::move(*high));
            return true;
        }
        push(Comparator::GreaterEqual, std::move(*low));
        push(Comparator::Less, manipulate(to, to.has(1) ? 2 : 1, true));
        return true;
    }

    // "^(<>|!=|>=?|<=?|==?)?\s*(.*)": an operator and the version up to a line feed.
    std::optional<RangeError> read_comparator(std::string_view c) {
        Comparator op = Comparator::Equal;
        std::string_view written;
        if (c.starts_with("<>") || c.starts_with("!=")) {
            op = Comparator::NotEqual;
            written = c.substr(0, 2);
        } else if (!c.empty() && (c[0] == '>' || c[0] == '<' || c[0] == '=')) {
            const bool with_equal = c.size() > 1 && c[1] == '=';
            written = c.substr(0, with_equal ? 2 : 1);
            if (c[0] == '>') op = with_equal ? Comparator::GreaterEqual : Comparator::Greater;
            if (c[0] == '<') op = with_equal ? Comparator::LessEqual : Comparator::Less;
        }
        std::size_t i = written.size();
        while (i < c.size() && is_pcre_space(c[i])) ++i;
        const std::string_view version = c.substr(i, c.find('\n', i) - i);
        if (version.empty()) return cursor_.error_at(offset_ + i, "expected a version");
        std::optional<std::string> text = native::normalize_composer(version);
        if (!text && version.ends_with("-dev") && is_branch_like(version)) {
            text = "dev-" + std::string(version.substr(0, version.size() - 4));
        }
        if (!text) {
            return cursor_.scheme().scheme->is_valid(version)
                       ? cursor_.error_at(offset_ + i, "composer/semver cannot read this constraint")
                       : cursor_.invalid_version(version, offset_ + i);
        }
        const bool equality = written.empty() || written == "=" || written == "==";
        if (!equality && !modifier_.empty() && is_stable(*text)) {
            text->push_back('-');
            text->append(modifier_);
        } else if ((written == "<" || written == ">=") && !ends_with_dash_modifier(version) &&
                   !version.starts_with("dev-")) {
            text->append("-dev");
        }
        push(op, std::move(*text));
        return std::nullopt;
    }

    // "^[0-9a-zA-Z-./]+$"
    static bool is_branch_like(std::string_view version) {
        return std::all_of(version.begin(), version.end(),
                           [](char ch) { return is_alnum(ch) || ch == '-' || ch == '.' || ch == '/'; });
    }

    // VersionParser::parseStability of a normalized text says "stable".
    static bool is_stable(std::string_view text) {
        if (text.starts_with("dev-") || text.ends_with("-dev")) return false;
        const std::optional<native::ComposerVersion> v = native::parse_composer(text);
        return v && v->stability == native::ComposerStability::Stable;
    }

    const RangeCursor& cursor_;
    std::size_t offset_;
    std::vector<Comparison>& out_;
    std::string_view modifier_;
    std::optional<RangeError> failure_;
};

}  // namespace

std::optional<RangeError> read_constraint(const RangeCursor& cursor, std::string_view piece, std::size_t offset,
                                          std::vector<Comparison>& out) {
    return ConstraintReader(cursor, offset, out).read(piece);
}

}  // namespace tambry::ranges::composer
