#include "ranges/npm_range_rewrite.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <system_error>

#include "native/npm.hpp"
#include "ranges/npm_range_patterns.hpp"

namespace tambry::ranges::npm {
namespace {

char at(std::string_view text, std::size_t pos) { return pos < text.size() ? text[pos] : '\0'; }

std::size_t skip_spaces(std::string_view text, std::size_t pos) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    return pos;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t start = skip_spaces(text, 0);
    std::size_t end = text.size();
    while (end > start && text[end - 1] == ' ') --end;
    return text.substr(start, end - start);
}

// Splits as JavaScript's split(/\s+/) does: a leading or trailing run of spaces
// leaves an empty piece, and so does an empty text.
template <class Piece>
void split_on_spaces(std::string_view text, Piece piece) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = text.find(' ', start);
        if (space == std::string_view::npos) {
            piece(start, text.size());
            return;
        }
        piece(start, space);
        start = skip_spaces(text, space);
    }
}

// What JavaScript writes for Number(digits) + 1. Up to 2^53 that is the exact sum;
// past it the text only has to be a number too large for a version, which every
// reader of it then rejects; from 1e21 on JavaScript writes an exponent, which no
// comparator pattern reads.
std::string plus_one(std::string_view digits) {
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.size() > 309) return "Infinity";  // at least 1e309, past every double
    if (digits.size() <= 15) {
        std::uint64_t small = 0;
        for (const char c : digits) small = small * 10 + static_cast<std::uint64_t>(c - '0');
        return std::to_string(small + 1);
    }
    double value = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (parsed.ec == std::errc::result_out_of_range) return "Infinity";
    value += 1;
    char written[64];
    if (value >= 1e21) {
        const auto done = std::to_chars(written, written + sizeof written, value);
        return std::string(written, done.ptr);
    }
    const int length = std::snprintf(written, sizeof written, "%.0f", value);
    return std::string(written, static_cast<std::size_t>(length));
}

std::string join(std::initializer_list<std::string_view> pieces) {
    std::size_t size = 0;
    for (const std::string_view piece : pieces) size += piece.size();
    std::string out;
    out.reserve(size);
    for (const std::string_view piece : pieces) out.append(piece);
    return out;
}

// ^1.2.3 := >=1.2.3 <2.0.0-0, ^0.2.3 := >=0.2.3 <0.3.0-0, ^0.0.3 := >=0.0.3 <0.0.4-0,
// with partial forms widened and "-0" on some lower bounds under include_prerelease.
std::string caret(const XRange& x, bool include_prerelease) {
    const std::string_view z = include_prerelease ? "-0" : "";
    const bool zero_major = x.major == "0";
    if (is_wildcard(x.major)) return {};
    if (is_wildcard(x.minor)) return join({">=", x.major, ".0.0", z, " <", plus_one(x.major), ".0.0-0"});
    if (is_wildcard(x.patch)) {
        if (zero_major) return join({">=0.", x.minor, ".0", z, " <0.", plus_one(x.minor), ".0-0"});
        return join({">=", x.major, ".", x.minor, ".0", z, " <", plus_one(x.major), ".0.0-0"});
    }
    const std::string lower = x.prerelease.empty() ? join({">=", x.major, ".", x.minor, ".", x.patch})
                                                   : join({">=", x.major, ".", x.minor, ".", x.patch, "-", x.prerelease});
    if (zero_major && x.minor == "0") {
        return join({lower, x.prerelease.empty() ? z : "", " <0.0.", plus_one(x.patch), "-0"});
    }
    if (zero_major) return join({lower, x.prerelease.empty() ? z : "", " <0.", plus_one(x.minor), ".0-0"});
    return join({lower, " <", plus_one(x.major), ".0.0-0"});
}

// ~1.2.3 := >=1.2.3 <1.3.0-0, ~1 := >=1.0.0 <2.0.0-0.
std::string tilde(const XRange& x) {
    if (is_wildcard(x.major)) return {};
    if (is_wildcard(x.minor)) return join({">=", x.major, ".0.0 <", plus_one(x.major), ".0.0-0"});
    const std::string upper = join({" <", x.major, ".", plus_one(x.minor), ".0-0"});
    if (is_wildcard(x.patch)) return join({">=", x.major, ".", x.minor, ".0", upper});
    if (!x.prerelease.empty()) return join({">=", x.major, ".", x.minor, ".", x.patch, "-", x.prerelease, upper});
    return join({">=", x.major, ".", x.minor, ".", x.patch, upper});
}

// 1.x := >=1.0.0 <2.0.0-0, >1.2 := >=1.3.0, <=1.x := <2.0.0-0, * := any, and a
// comparator with all three numbers stays as written.
std::string xrange(std::string_view word, std::string_view op, const XRange& x, bool include_prerelease) {
    const bool any_major = is_wildcard(x.major);
    const bool any_minor = any_major || is_wildcard(x.minor);
    const bool any_patch = any_minor || is_wildcard(x.patch);
    if (op == "=" && any_patch) op = "";
    std::string_view pr = include_prerelease ? "-0" : "";
    if (any_major) return op == ">" || op == "<" ? "<0.0.0-0" : "*";
    if (!op.empty() && any_patch) {
        std::string major(x.major);
        std::string minor = any_minor ? "0" : std::string(x.minor);
        if (op == ">") {
            op = ">=";
            if (any_minor) {
                major = plus_one(major);
            } else {
                minor = plus_one(minor);
            }
        } else if (op == "<=") {
            op = "<";
            if (any_minor) {
                major = plus_one(major);
            } else {
                minor = plus_one(minor);
            }
        }
        if (op == "<") pr = "-0";
        return join({op, major, ".", minor, ".0", pr});
    }
    if (any_minor) return join({">=", x.major, ".0.0", pr, " <", plus_one(x.major), ".0.0-0"});
    if (any_patch) return join({">=", x.major, ".", x.minor, ".0", pr, " <", x.major, ".", plus_one(x.minor), ".0-0"});
    return std::string(word);
}

// Each piece of a text split on spaces through `rewrite`, joined again by one space.
template <class Rewrite>
std::string rewrite_pieces(std::string_view text, Rewrite rewrite) {
    text = trimmed(text);
    std::string out;
    bool first = true;
    split_on_spaces(text, [&](std::size_t begin, std::size_t end) {
        if (!first) out.push_back(' ');
        first = false;
        out.append(rewrite(text.substr(begin, end - begin)));
    });
    return out;
}

// One word through node-semver's caret, tilde, x-range and star rewrites, in turn.
std::string rewrite_word(std::string_view word, bool include_prerelease) {
    XRange x;
    std::string text(word);
    if (word.starts_with('^') && match_xrange(word.substr(1), x)) text = caret(x, include_prerelease);
    if (text.find('~') != std::string::npos) text = rewrite_pieces(text, [&](std::string_view piece) -> std::string {
        if (!piece.starts_with('~')) return std::string(piece);
        std::string_view rest = piece.substr(1);
        if (rest.starts_with('>')) rest.remove_prefix(1);
        return match_xrange(rest, x) ? tilde(x) : std::string(piece);
    });
    text = rewrite_pieces(text, [&](std::string_view piece) -> std::string {
        const std::size_t op_end = operator_end(piece, 0);
        if (!match_xrange(piece.substr(op_end), x)) return std::string(piece);
        return xrange(piece, piece.substr(0, op_end), x, include_prerelease);
    });
    std::string out(trimmed(text));
    const Span star = find_star(out);
    if (star.begin != NONE) out.erase(star.begin, star.end - star.begin);
    return out;
}

// "1.2.3 - 2.3.4" := ">=1.2.3 <=2.3.4", with partial ends widened as x-ranges.
std::string hyphen_lower(std::string_view group, const XRange& x, bool include_prerelease) {
    const std::string_view z = include_prerelease ? "-0" : "";
    if (is_wildcard(x.major)) return {};
    if (is_wildcard(x.minor)) return join({">=", x.major, ".0.0", z});
    if (is_wildcard(x.patch)) return join({">=", x.major, ".", x.minor, ".0", z});
    if (!x.prerelease.empty()) return join({">=", group});
    return join({">=", group, z});
}

std::string hyphen_upper(std::string_view group, const XRange& x, bool include_prerelease) {
    if (is_wildcard(x.major)) return {};
    if (is_wildcard(x.minor)) return join({"<", plus_one(x.major), ".0.0-0"});
    if (is_wildcard(x.patch)) return join({"<", x.major, ".", plus_one(x.minor), ".0-0"});
    if (!x.prerelease.empty()) return join({"<=", x.major, ".", x.minor, ".", x.patch, "-", x.prerelease});
    if (include_prerelease) return join({"<", x.major, ".", x.minor, ".", plus_one(x.patch), "-0"});
    return join({"<=", group});
}

// The alternative rewritten when the whole of it is a hyphen range: an x-range, at
// least one space, "-", at least one space, an x-range. Each x-range may start
// with a run of "v", "=" and spaces.
bool rewrite_hyphen(const TracedText& alternative, bool include_prerelease, TracedText& out) {
    const std::string_view text = alternative.bytes;
    const std::size_t from_body = prefix_end(text, 0);
    std::size_t from_end = text.find(' ', from_body);
    if (from_end == std::string_view::npos || from_end == from_body) return false;
    const std::size_t dash = skip_spaces(text, from_end);
    if (at(text, dash) != '-' || at(text, dash + 1) != ' ') return false;
    const std::size_t to_start = skip_spaces(text, dash + 1);
    const std::size_t to_body = prefix_end(text, to_start);
    if (to_body >= text.size() || text.find(' ', to_body) != std::string_view::npos) return false;
    XRange from;
    XRange to;
    const std::string_view from_group = text.substr(0, from_end);
    const std::string_view to_group = text.substr(to_start);
    if (!match_xrange(from_group, from) || !match_xrange(to_group, to)) return false;
    const std::string lower = hyphen_lower(from_group, from, include_prerelease);
    const std::string upper = hyphen_upper(to_group, to, include_prerelease);
    out = TracedText{};
    // "${from} ${to}".trim(): an empty end leaves no space behind.
    out.append(lower, alternative.origins[from_body]);
    if (!lower.empty() && !upper.empty()) out.push(' ', alternative.origins[to_body]);
    out.append(upper, alternative.origins[to_body]);
    return true;
}

// Removes the spaces between an operator and the version or x-range after it
// ("> 1.2" := ">1.2"), where node-semver's global pattern finds them: scanning on
// from the end of each match, and from where a failed attempt could next succeed.
void join_operators(TracedText& in) {
    const std::string_view text = in.bytes;
    TracedText out;
    std::size_t no_version_before = 0;
    std::size_t copied = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t op_start = skip_spaces(text, i);
        if (op_start >= text.size()) break;
        const std::size_t op_end = operator_end(text, op_start);
        const std::size_t version_start = skip_spaces(text, op_end);
        const std::size_t body = prefix_end(text, version_start);
        const char c = at(text, body);
        if (body < text.size() && (is_digit(c) || c == 'x' || c == 'X' || c == '*')) {
            if (op_end > op_start && version_start > op_end) {
                out.append(in, copied, op_end);
                copied = version_start;
            }
            i = version_or_xrange_end(text, body, no_version_before);
            continue;
        }
        if (body >= text.size()) break;
        i = (c == '<' || c == '>') ? body : body + 1;
    }
    if (copied == 0) return;
    out.append(in, copied, text.size());
    in = std::move(out);
}

// Removes the spaces after "~" or "~>" (dropping the ">") and after "^":
// "~> 1.2" := "~1.2", "^ 1.2" := "^1.2".
void join_sign(TracedText& in, char sign) {
    const std::string_view text = in.bytes;
    if (text.find(sign) == std::string_view::npos) return;
    TracedText out;
    std::size_t copied = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = skip_spaces(text, i);
        if (start >= text.size()) break;
        if (text[start] != sign) {
            i = start + 1;
            continue;
        }
        std::size_t after = start + 1;
        if (sign == '~' && at(text, after) == '>' && at(text, after + 1) == ' ') ++after;
        if (at(text, after) != ' ') {
            i = start + 1;
            continue;
        }
        out.append(in, copied, start + 1);
        copied = skip_spaces(text, after);
        i = copied;
    }
    if (copied == 0) return;
    out.append(in, copied, text.size());
    in = std::move(out);
}

// The words of a text split on runs of spaces, as JavaScript's split(/\s+/).
void append_words(const TracedText& text, std::size_t empty_origin, std::vector<Word>& out) {
    split_on_spaces(text.bytes, [&](std::size_t begin, std::size_t end) {
        const std::size_t origin = begin < text.size() ? text.origins[begin] : empty_origin;
        out.push_back({text.bytes.substr(begin, end - begin), origin});
    });
}

}  // namespace

TracedText with_plain_spaces(std::string_view range) {
    TracedText out;
    out.bytes.reserve(range.size());
    out.origins.reserve(range.size());
    std::size_t pos = 0;
    while (pos < range.size()) {
        const std::size_t space = native::js_space_length(range, pos);
        if (space > 0) {
            out.push(' ', pos);
            pos += space;
        } else {
            out.push(range[pos], pos);
            ++pos;
        }
    }
    return out;
}

std::vector<TracedText> split_alternatives(const TracedText& range) {
    std::vector<TracedText> out;
    const std::string_view text = range.bytes;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find("||", start);
        const std::size_t next = end == std::string_view::npos ? end : end + 2;
        if (end == std::string_view::npos) end = text.size();
        std::size_t begin = skip_spaces(text, start);
        while (end > begin && text[end - 1] == ' ') --end;
        TracedText part;
        part.append(range, begin, end);
        out.push_back(std::move(part));
        if (next == std::string_view::npos) return out;
        start = next;
    }
}

std::vector<Word> comparator_words(const TracedText& alternative, bool include_prerelease) {
    const std::size_t start = alternative.origins.empty() ? 0 : alternative.origins.front();
    TracedText text;
    if (!rewrite_hyphen(alternative, include_prerelease, text)) text = alternative;
    join_operators(text);
    join_sign(text, '~');
    join_sign(text, '^');

    std::vector<Word> words;
    append_words(text, start, words);
    // Each word's rewrite, joined by spaces and split again: an empty rewrite at
    // either end leaves an empty word, one between two others none.
    TracedText joined;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) joined.push(' ', words[i].origin);
        joined.append(rewrite_word(words[i].text, include_prerelease), words[i].origin);
    }
    std::vector<Word> out;
    append_words(joined, start, out);
    for (Word& word : out) {
        if (is_greater_equal_zero(word.text, include_prerelease)) word.text.clear();
    }
    return out;
}

}  // namespace tambry::ranges::npm
