#include "generic_parser.hpp"

#include <limits>

#include "generic_ordering.hpp"
#include "text.hpp"

namespace tambry {
namespace {

constexpr std::uint64_t U64_MAX = std::numeric_limits<std::uint64_t>::max();

// Appends one decimal digit; a value that would pass 2^64 - 1 stays there, so the
// caller learns of the overflow without the accumulator ever wrapping.
constexpr std::uint64_t saturating_push_digit(std::uint64_t value, char c, bool& overflowed) {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (U64_MAX - digit) / 10) {
        overflowed = true;
        return U64_MAX;
    }
    return value * 10 + digit;
}

// Takes a leading "N:" or "N!" epoch off `text`. An epoch too large for 64 bits is
// left in place so that its digits still count as a segment.
std::uint64_t take_epoch(std::string_view& text) {
    std::uint64_t value = 0;
    bool overflowed = false;
    std::size_t i = 0;
    while (i < text.size() && is_digit(text[i])) {
        value = saturating_push_digit(value, text[i], overflowed);
        ++i;
    }
    if (i == 0 || i == text.size() || overflowed) return 0;
    if (text[i] != ':' && text[i] != '!') return 0;
    text.remove_prefix(i + 1);
    return value;
}

struct Flags {
    bool pre = false;
    bool post = false;

    void note_word(std::string_view word) {
        const auto weight = tag_weight(word);
        if (!weight) return;
        if (*weight < END_OF_VERSION_WEIGHT) pre = true;
        if (*weight > END_OF_VERSION_WEIGHT) post = true;
    }
};

// Cuts the lowered main part, which starts at `base` in `out.store`, into segments.
// Any byte that is neither a digit, a letter nor a marker separates runs.
void scan_segments(ParsedVersion& out, std::size_t base, std::size_t length, Flags& flags) {
    const char* main = out.store.data() + base;
    std::size_t i = 0;
    while (i < length) {
        const char c = main[i];
        if (is_digit(c)) {
            std::uint64_t value = 0;
            bool overflowed = false;
            for (; i < length && is_digit(main[i]); ++i) value = saturating_push_digit(value, main[i], overflowed);
            out.segs.push_back(Seg::number(value));
        } else if (is_lower(c)) {
            const std::size_t start = i;
            while (i < length && is_lower(main[i])) ++i;
            flags.note_word({main + start, i - start});
            out.segs.push_back(Seg::text(base + start, i - start));
        } else if (c == '~' || c == '^') {
            flags.note_word({main + i, 1});
            out.segs.push_back(Seg::text(base + i, 1));
            ++i;
        } else {
            ++i;
        }
    }
}

}  // namespace

ParsedVersion parse_generic(std::string_view input) {
    ParsedVersion out;
    parse_generic_into(input, out);
    return out;
}

void parse_generic_into(std::string_view input, ParsedVersion& out) {

    std::string_view rest = trim_white_space(input);
    if (has_v_prefix(rest)) rest.remove_prefix(1);
    out.epoch = take_epoch(rest);

    std::string_view main = rest;
    const std::size_t plus = rest.find('+');
    if (plus != std::string_view::npos) {
        main = rest.substr(0, plus);
        out.build_offset = static_cast<std::size_t>(rest.data() - input.data()) + plus + 1;
        out.build_size = rest.size() - plus - 1;
    }

    // The raw text and the lowered main part share one buffer, sized once, so that
    // short versions stay inside the value and words need no text of their own.
    out.raw_size = input.size();
    out.store.reserve(input.size() + main.size());
    out.store.append(input.data(), input.size());
    out.store.append(main.data(), main.size());
    char* lowered = out.store.data() + out.raw_size;
    for (std::size_t i = 0; i < main.size(); ++i) lowered[i] = to_lower(lowered[i]);

    Flags flags;
    scan_segments(out, out.raw_size, main.size(), flags);
    out.is_prerelease = flags.pre;
    out.is_postrelease = flags.post;
}

}  // namespace tambry
