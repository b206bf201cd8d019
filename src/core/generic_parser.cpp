// The generic tokenizer: trim, drop a "v" before a digit, take a leading "N:" or
// "N!" epoch, cut the build suffix at the first "+", lower A-Z, then cut the main
// part into numbers (saturating at 2^64 - 1) and words (letter runs and the markers
// "~" and "^"); every other byte separates. One pass per step, no backtracking.
#include "generic_parser.hpp"

namespace tambry {

bool TextCursor::rest_all_zero() const {
    TextCursor rest = *this;
    SegmentToken token;
    while (rest.next(token)) {
        if (!token.is_num || token.num != 0) return false;
    }
    return true;
}

std::string_view strip_generic_prefix(std::string_view input, std::uint64_t& epoch) {
    return strip_generic_prefix_of_trimmed(trim_white_space(input), epoch);
}

std::string_view generic_build_suffix(std::string_view input) {
    std::uint64_t epoch;
    const std::string_view rest = strip_generic_prefix(input, epoch);
    const std::size_t plus = rest.find('+');
    return plus == std::string_view::npos ? std::string_view() : rest.substr(plus + 1);
}

ParsedVersion parse_generic(std::string_view input) {
    ParsedVersion out;
    parse_generic_into(input, out);
    return out;
}

void parse_generic_into(std::string_view input, ParsedVersion& out) {
    std::string_view main = strip_generic_prefix(input, out.epoch);
    main = main.substr(0, main.find('+'));
    out.lowered_main.clear();
    out.segments.clear();
    char* lowered = out.lowered_main.append_uninitialized(main.size());
    for (std::size_t i = 0; i < main.size(); ++i) lowered[i] = to_lower(main[i]);
    bool pre = false, post = false;
    TextCursor cursor({lowered, main.size()});
    SegmentToken token;
    while (cursor.next(token)) {
        if (token.is_num) {
            out.segments.push_back(Seg::number(token.num));
            continue;
        }
        if (const auto weight = tag_weight(token.word)) {
            if (*weight < END_OF_VERSION_WEIGHT) pre = true;
            if (*weight > END_OF_VERSION_WEIGHT) post = true;
        }
        out.segments.push_back(Seg::text(static_cast<std::size_t>(token.word.data() - lowered), token.word.size()));
    }
    out.is_prerelease = pre;
    out.is_postrelease = post;
}

}  // namespace tambry
