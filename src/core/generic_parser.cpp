// The generic tokenizer: trim, drop a "v" before a digit, take a leading "N:" or
// "N!" epoch, cut the build suffix at the first "+", lower A-Z, then cut the main
// part into numbers (saturating at 2^64 - 1) and words (letter runs and the markers
// "~" and "^"); every other byte separates. One pass per step, no backtracking.
#include "generic_parser.hpp"

#include <limits>

#include "generic_ordering.hpp"
#include "text.hpp"

namespace tambry {
namespace {

// Takes a leading "N:" or "N!" epoch off `text`. An epoch too large for 64 bits is
// left in place so that its digits still count as a segment.
std::uint64_t take_epoch(std::string_view& text) {
    if (text.empty() || !is_digit(text[0])) return 0;
    std::uint64_t value = 0;
    bool overflowed = false;
    const char* end = TextCursor::read_number(text.data(), text.data() + text.size(), value, &overflowed);
    const auto digits = static_cast<std::size_t>(end - text.data());
    if (overflowed || digits == text.size() || (text[digits] != ':' && text[digits] != '!')) return 0;
    text.remove_prefix(digits + 1);
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

// Appends `main` lowered to `out` and cuts that copy into segments whose words are
// placed relative to the start of `out`.
template <class Store, class Segs>
void lower_and_scan(std::string_view main, Store& out, Segs& segs, Flags& flags) {
    const std::size_t base = out.size();
    char* text = out.append_uninitialized(main.size());
    for (std::size_t i = 0; i < main.size(); ++i) text[i] = to_lower(main[i]);
    TextCursor cursor({text, main.size()});
    SegRef seg;
    while (cursor.next(seg)) {
        if (seg.is_num) {
            segs.push_back(Seg::number(seg.num));
        } else {
            flags.note_word(seg.text);
            segs.push_back(Seg::text(base + static_cast<std::size_t>(seg.text.data() - text), seg.text.size()));
        }
    }
}

}  // namespace

bool TextCursor::rest_all_zero() const {
    TextCursor rest = *this;
    SegRef seg;
    while (rest.next(seg)) {
        if (!seg.is_num || seg.num != 0) return false;
    }
    return true;
}

std::string_view strip_generic_prefix(std::string_view input, std::uint64_t& epoch) {
    std::string_view rest = trim_white_space(input);
    if (has_v_prefix(rest)) rest.remove_prefix(1);
    epoch = take_epoch(rest);
    return rest;
}

GenericLayout locate_generic_parts(std::string_view input) {
    GenericLayout layout;
    const std::string_view rest = strip_generic_prefix(input, layout.epoch);
    std::size_t plus = 0;
    while (plus < rest.size() && rest[plus] != '+') ++plus;
    layout.main = rest.substr(0, plus);
    if (plus < rest.size()) {
        layout.build_offset = static_cast<std::size_t>(rest.data() - input.data()) + plus + 1;
        layout.build_size = rest.size() - plus - 1;
    }
    return layout;
}

ParsedVersion parse_generic(std::string_view input) {
    ParsedVersion out;
    parse_generic_into(input, out);
    return out;
}

void parse_generic_into(std::string_view input, ParsedVersion& out) {
    const GenericLayout layout = locate_generic_parts(input);
    out.epoch = layout.epoch;
    out.build_offset = layout.build_offset;
    out.build_size = layout.build_size;
    // The raw text and the lowered main part share one buffer, sized once, so that
    // short versions stay inside the value and words need no text of their own.
    out.raw_size = input.size();
    out.store.reserve(input.size() + layout.main.size());
    out.store.append(input.data(), input.size());
    Flags flags;
    lower_and_scan(layout.main, out.store, out.segs, flags);
    out.is_prerelease = flags.pre;
    out.is_postrelease = flags.post;
}

void scan_generic(std::string_view input, GenericScan& out) {
    out.lowered_main.clear();
    out.segs.clear();
    out.layout = locate_generic_parts(input);
    Flags flags;
    lower_and_scan(out.layout.main, out.lowered_main, out.segs, flags);
    out.is_prerelease = flags.pre;
    out.is_postrelease = flags.post;
}

}  // namespace tambry
