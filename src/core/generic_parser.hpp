// The tokenizer behind the generic scheme and every Version object. It is total:
// every text, the empty one included, yields a ParsedVersion.
#pragma once

#include <cstdint>
#include <string_view>

#include "generic_vocabulary.hpp"
#include "text.hpp"
#include "version_model.hpp"

namespace tambry {

ParsedVersion parse_generic(std::string_view input);

// The same, written over `out`, so that one value can serve many texts in turn.
void parse_generic_into(std::string_view input, ParsedVersion& out);

// Everything after the first "+" of the trimmed text, once a leading "v" and
// epoch are set aside; empty when there is none. A view into `input`.
std::string_view generic_build_suffix(std::string_view input);

// The text with its blanks, "v" prefix and epoch taken off, build suffix still on:
// enough for a TextCursor, which stops at the "+".
std::string_view strip_generic_prefix(std::string_view input, std::uint64_t& epoch);

// Takes a leading "N:" or "N!" epoch off `text`. An epoch too large for 64 bits is
// left in place so that its digits still count as a segment. The digits are only
// counted until the byte after them shows an epoch: nearly every version has none,
// and its first number is read once, as a segment.
inline std::uint64_t take_generic_epoch(std::string_view& text) {
    std::size_t length = 0;
    while (length < text.size() && is_digit(text[length])) ++length;
    if (length == 0 || length == text.size() || (text[length] != ':' && text[length] != '!')) return 0;
    const DigitRun run = read_digit_run(text.substr(0, length));
    if (!run.fits) return 0;
    text.remove_prefix(length + 1);
    return run.value;
}

// The same as strip_generic_prefix for a text that is trimmed already.
inline std::string_view strip_generic_prefix_of_trimmed(std::string_view rest, std::uint64_t& epoch) {
    if (has_v_prefix(rest)) rest.remove_prefix(1);
    epoch = take_generic_epoch(rest);
    return rest;
}

// Reads the segments of a main part one at a time: a run of digits is a number
// (saturating at 2^64 - 1), a run of letters or a "~" or "^" is a word, and every
// other byte separates. Words keep the case of the text they are read from. A
// "+" ends the main part, so a text may be given with its build suffix still on.
class TextCursor {
public:
    explicit TextCursor(std::string_view main) : p_(main.data()), end_(main.data() + main.size()) {}

    bool next(SegmentToken& out) {
        while (p_ < end_) {
            const char c = *p_;
            if (is_digit(c)) {
                out.is_num = true;
                out.num = read_number();
                return true;
            }
            if (is_letter(c)) {
                const char* start = p_;
                while (p_ < end_ && is_letter(*p_)) ++p_;
                out.is_num = false;
                out.word = {start, static_cast<std::size_t>(p_ - start)};
                return true;
            }
            if (c == '~' || c == '^') {
                out.is_num = false;
                out.word = {p_++, 1};
                return true;
            }
            if (c == '+') {
                end_ = p_;
                break;
            }
            ++p_;
        }
        return false;
    }

    // Whether everything after the last segment read is a zero number.
    bool rest_all_zero() const;

private:
    // Nineteen digits always fit in 64 bits, so only a longer run is read again
    // with the checks that saturate it.
    std::uint64_t read_number() {
        const char* start = p_;
        std::uint64_t value = 0;
        while (p_ < end_ && is_digit(*p_) && p_ - start < 19) value = value * 10 + static_cast<unsigned>(*p_++ - '0');
        if (p_ == end_ || !is_digit(*p_)) return value;
        const DigitRun run = read_digit_run({start, static_cast<std::size_t>(end_ - start)});
        p_ = start + run.length;
        return run.value;
    }

    const char* p_;
    const char* end_;
};

}  // namespace tambry
