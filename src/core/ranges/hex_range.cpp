// Hex requirements, read as Elixir 1.14's Version reads them: parse_requirement,
// then match?.
//
//     requirement := clause (("and" | "or") clause)*      "and" binds tighter
//     clause      := [operator] version                   "==" when there is none
//     operator    := "==" | "!=" | "!" | ">" | ">=" | "<" | "<=" | "~>"
//
// Elixir cuts the text into tokens: an operator wherever one is spelled (so none
// needs a space around it), " and " and " or " with one space on each side, and
// versions between them, ended by a space or an operator. A version is SemVer
// 2.0.0 ("1.2.3-rc.1+build"), except that after "~>" the patch may be left out
// ("~> 1.2", "~> 1.2-dev"). "!" and "!=" are the same deprecated operator.
//
//     ~> 1.2.3      >= 1.2.3 and < 1.3.0-0
//     ~> 1.2        >= 1.2.0 and < 2.0.0-0
//     ~> 1.2-dev    >= 1.2.0-dev and < 2.0.0-0
// so "~>" never reaches the pre-releases of its upper bound.
//
// The pre-release rule is Hex's, Version.match? with allow_pre: false: ">", ">="
// and "~>" hold a pre-release only when their own version is a pre-release;
// "==", "!=", "<" and "<=" test pre-releases as they test releases (so "< 2.0.0"
// holds 2.0.0-rc.1, and "!= 1.0.0" holds 1.0.0-rc.1). prereleases=True is
// Version.match?'s own default, allow_pre: true, where every pre-release is
// tested as a release; False admits none.
#include <string>
#include <vector>

#include "ranges/range_syntax.hpp"
#include "ranges/set_union.hpp"
#include "text.hpp"

namespace tambry::ranges {
namespace {

enum class TokenKind : std::uint8_t { Operator, And, Or, Version };
enum class Operator : std::uint8_t { Equal, NotEqual, Greater, GreaterEqual, Less, LessEqual, Approximately };

struct Token {
    TokenKind kind;
    Operator op = Operator::Equal;
    std::string_view text;  // a version's text
    std::size_t offset;
};

struct Spelling {
    std::string_view text;
    TokenKind kind;
    Operator op;
};

// In the order Elixir tries them.
constexpr Spelling SPELLINGS[] = {
    {">=", TokenKind::Operator, Operator::GreaterEqual}, {"<=", TokenKind::Operator, Operator::LessEqual},
    {"~>", TokenKind::Operator, Operator::Approximately}, {">", TokenKind::Operator, Operator::Greater},
    {"<", TokenKind::Operator, Operator::Less},           {"==", TokenKind::Operator, Operator::Equal},
    {" or ", TokenKind::Or, Operator::Equal},             {" and ", TokenKind::And, Operator::Equal},
    {"!=", TokenKind::Operator, Operator::NotEqual},      {"!", TokenKind::Operator, Operator::NotEqual},
};

// The length of the UTF-8 character at `pos` as Erlang's utf8 matching takes it
// (no surrogates, nothing past U+10FFFF, shortest forms only), or 0.
std::size_t utf8_length(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    const bool shortest = (length == 3 && code >= 0x800) || (length == 4 && code >= 0x10000) || length == 2;
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return shortest && !surrogate && code <= 0x10FFFF ? length : 0;
}

// Elixir's lexer: a version is pushed when it ends, after an "==" of its own
// unless an operator stands just before it.
RangeResult<std::vector<Token>> lex(const RangeCursor& cursor) {
    const std::string_view text = cursor.text();
    std::vector<Token> tokens;
    std::size_t version_start = std::string_view::npos;
    std::size_t pos = 0;
    auto flush = [&]() {
        if (version_start == std::string_view::npos) return;
        const bool after_operator = !tokens.empty() && tokens.back().kind == TokenKind::Operator;
        if (!after_operator) tokens.push_back({TokenKind::Operator, Operator::Equal, {}, version_start});
        tokens.push_back({TokenKind::Version, Operator::Equal, text.substr(version_start, pos - version_start),
                          version_start});
        version_start = std::string_view::npos;
    };
    while (pos < text.size()) {
        const Spelling* found = nullptr;
        for (const Spelling& spelling : SPELLINGS) {
            if (text.substr(pos).starts_with(spelling.text)) {
                found = &spelling;
                break;
            }
        }
        if (found) {
            flush();
            tokens.push_back({found->kind, found->op, {}, found->kind == TokenKind::Operator ? pos : pos + 1});
            pos += found->text.size();
        } else if (text[pos] == ' ') {
            flush();
            ++pos;
        } else {
            const std::size_t length = utf8_length(text, pos);
            if (length == 0) return Failure{cursor.error_at(pos, "invalid UTF-8")};
            if (version_start == std::string_view::npos) version_start = pos;
            pos += length;
        }
    }
    flush();
    return tokens;
}

bool is_identifier(std::string_view part) {
    if (part.empty()) return false;
    for (const char c : part) {
        if (!is_alnum(c) && c != '-') return false;
    }
    return true;
}

bool has_leading_zero(std::string_view digits) { return digits.size() > 1 && digits[0] == '0'; }

bool is_number(std::string_view part) {
    if (part.empty() || has_leading_zero(part)) return false;
    for (const char c : part) {
        if (!is_digit(c)) return false;
    }
    return true;
}

// Dot-separated identifiers, none empty; `numbers_plain` forbids leading zeros in
// the all-digit ones.
bool are_identifiers(std::string_view list, bool numbers_plain) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = list.find('.', start);
        const std::string_view part = list.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (!is_identifier(part)) return false;
        if (numbers_plain && has_leading_zero(part) && part.find_first_not_of("0123456789") == std::string_view::npos) {
            return false;
        }
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

// A requirement's version as Elixir reads it: the numbers, the patch absent when
// allowed, and the pre-release ("" when none).
struct Operand {
    std::string_view major;
    std::string_view minor;
    std::string_view patch;
    std::string_view prerelease;
    bool has_prerelease = false;
};

bool read_operand(std::string_view text, bool patch_optional, Operand& out) {
    const std::size_t plus = text.find('+');
    if (plus != std::string_view::npos && !are_identifiers(text.substr(plus + 1), false)) return false;
    std::string_view core = text.substr(0, plus);
    const std::size_t dash = core.find('-');
    if (dash != std::string_view::npos) {
        out.prerelease = core.substr(dash + 1);
        out.has_prerelease = true;
        if (!are_identifiers(out.prerelease, true)) return false;
        core = core.substr(0, dash);
    }
    std::string_view parts[3];
    std::size_t count = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = core.find('.', start);
        if (count == 3) return false;
        parts[count++] = core.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    out.major = parts[0];
    out.minor = parts[1];
    out.patch = parts[2];
    if (count < 2 || !is_number(out.major) || !is_number(out.minor)) return false;
    return (count == 2 && patch_optional) || (count == 3 && is_number(out.patch));
}

// A run of digits plus one, of any size.
std::string plus_one(std::string_view digits) {
    std::string out(digits);
    std::size_t i = out.size();
    while (i > 0 && out[i - 1] == '9') out[--i] = '0';
    if (i == 0) {
        out.insert(out.begin(), '1');
    } else {
        ++out[i - 1];
    }
    return out;
}

std::string joined(std::string_view major, std::string_view minor, std::string_view patch,
                   std::string_view prerelease = {}) {
    std::string out(major);
    out.append(".").append(minor).append(".").append(patch);
    if (!prerelease.empty()) out.append("-").append(prerelease);
    return out;
}

// One conjunction of clauses: what releases are tested against, and what
// pre-releases are under allow_pre: false.
struct Conjunction {
    ComparatorList releases;
    ComparatorList prereleases;
    bool no_prerelease = false;
};

std::optional<RangeError> add_clause(const RangeCursor& cursor, Conjunction& into, Operator op, const Token& version) {
    Operand operand;
    if (!read_operand(version.text, op == Operator::Approximately, operand)) {
        return cursor.invalid_version(version.text, version.offset);
    }
    const std::size_t at = version.offset;
    const bool pre_bounded = op == Operator::Greater || op == Operator::GreaterEqual || op == Operator::Approximately;
    if (pre_bounded && !operand.has_prerelease) into.no_prerelease = true;
    auto add = [&](Comparator comparator, const std::string& text) -> std::optional<RangeError> {
        if (auto failure = cursor.add(into.releases, comparator, text, at)) return failure;
        return cursor.add(into.prereleases, comparator, text, at);
    };
    if (op == Operator::Approximately) {
        const bool short_form = operand.patch.empty();
        const std::string lower = joined(operand.major, operand.minor, short_form ? "0" : operand.patch,
                                         operand.prerelease);
        const std::string upper = short_form ? joined(plus_one(operand.major), "0", "0", "0")
                                             : joined(operand.major, plus_one(operand.minor), "0", "0");
        if (auto failure = add(Comparator::GreaterEqual, lower)) return failure;
        return add(Comparator::Less, upper);
    }
    const std::string text = joined(operand.major, operand.minor, operand.patch, operand.prerelease);
    switch (op) {
        case Operator::Equal:
            return add(Comparator::Equal, text);
        case Operator::NotEqual:
            return add(Comparator::NotEqual, text);
        case Operator::Greater:
            return add(Comparator::Greater, text);
        case Operator::GreaterEqual:
            return add(Comparator::GreaterEqual, text);
        case Operator::Less:
            return add(Comparator::Less, text);
        case Operator::LessEqual:
            return add(Comparator::LessEqual, text);
        case Operator::Approximately:
            break;
    }
    return std::nullopt;
}

}  // namespace

RangeResult<VersionSet> parse_hex_range(const RangeScheme& scheme, std::string_view text, PrereleasePolicy policy) {
    RangeCursor cursor(scheme, text);
    auto lexed = lex(cursor);
    if (!lexed.ok()) return Failure{std::move(lexed.error())};
    const std::vector<Token>& tokens = lexed.value();
    SetUnion releases;
    SetUnion prereleases;
    Conjunction conjunction;
    std::size_t i = 0;
    for (;;) {
        if (i >= tokens.size()) return Failure{cursor.error_at(text.size(), "expected a version")};
        if (tokens[i].kind != TokenKind::Operator) return Failure{cursor.error_at(tokens[i].offset, "expected a version")};
        const Operator op = tokens[i].op;
        if (++i >= tokens.size()) return Failure{cursor.error_at(text.size(), "expected a version")};
        if (tokens[i].kind != TokenKind::Version) return Failure{cursor.error_at(tokens[i].offset, "expected a version")};
        if (auto failure = add_clause(cursor, conjunction, op, tokens[i])) return Failure{*failure};
        ++i;
        const bool ends = i >= tokens.size() || tokens[i].kind == TokenKind::Or;
        if (i < tokens.size() && !ends && tokens[i].kind != TokenKind::And) {
            return Failure{cursor.error_at(tokens[i].offset, "expected 'and' or 'or'")};
        }
        if (ends) {
            releases.add(conjunction.releases.finish());
            if (!conjunction.no_prerelease) prereleases.add(conjunction.prereleases.finish());
            conjunction = Conjunction();
        }
        if (i >= tokens.size()) break;
        ++i;
    }
    return apply_prerelease_policy(scheme, releases.finish(), policy, prereleases.finish());
}

}  // namespace tambry::ranges
