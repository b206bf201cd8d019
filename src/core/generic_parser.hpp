// The tokenizer behind the generic scheme and every Version object. It is total:
// every text, the empty one included, yields a ParsedVersion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "generic_ordering.hpp"
#include "text.hpp"
#include "version_model.hpp"

namespace tambry {

ParsedVersion parse_generic(std::string_view input);

// The same, written into a freshly made value so that callers holding it inside a
// larger one need not move it.
void parse_generic_into(std::string_view input, ParsedVersion& out);

// Where the parts of a generic version lie in its text: the epoch, the main part
// (still in its original case) and the build suffix after the first "+".
struct GenericLayout {
    std::uint64_t epoch = 0;
    std::string_view main;
    std::size_t build_offset = 0;  // from the start of the text
    std::size_t build_size = 0;
};

GenericLayout locate_generic_parts(std::string_view input);

// The text with its blanks, "v" prefix and epoch taken off, build suffix still on:
// enough for a TextCursor, which stops at the "+".
std::string_view strip_generic_prefix(std::string_view input, std::uint64_t& epoch);

// Reads the segments of a main part one at a time: a run of digits is a number
// (saturating at 2^64 - 1), a run of letters or a "~" or "^" is a word, and every
// other byte separates. Words keep the case of the text they are read from. A
// "+" ends the main part, so a text may be given with its build suffix still on.
class TextCursor {
public:
    explicit TextCursor(std::string_view main) : p_(main.data()), end_(main.data() + main.size()) {}

    bool next(SegRef& out) {
        while (p_ < end_) {
            const char c = *p_;
            if (is_digit(c)) {
                out.is_num = true;
                p_ = read_number(p_, end_, out.num);
                return true;
            }
            if (is_letter(c)) {
                const char* start = p_;
                while (p_ < end_ && is_letter(*p_)) ++p_;
                out.is_num = false;
                out.text = {start, static_cast<std::size_t>(p_ - start)};
                return true;
            }
            if (c == '~' || c == '^') {
                out.is_num = false;
                out.text = {p_++, 1};
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

    // Reads the run of digits at `p` (up to `end`) into `value`, saturating at
    // 2^64 - 1; returns the end of the run and whether it saturated.
    static const char* read_number(const char* p, const char* end, std::uint64_t& value, bool* saturated = nullptr) {
        std::uint64_t v = 0;
        for (; p < end && is_digit(*p); ++p) {
            const auto digit = static_cast<std::uint64_t>(*p - '0');
            if (__builtin_mul_overflow(v, 10, &v) || __builtin_add_overflow(v, digit, &v)) {
                v = UINT64_MAX;
                if (saturated) *saturated = true;
                while (p < end && is_digit(*p)) ++p;
                break;
            }
        }
        value = v;
        return p;
    }

private:
    const char* p_;
    const char* end_;
};

// What a comparison or a Version object needs of a generic parse, without a copy
// of the raw text: the epoch, the flags and the segments, whose words point into a
// lowered copy of the main part held here.
struct GenericScan {
    GenericScan() {}  // not `= default`: value-initialisation would zero-fill the buffers

    GenericLayout layout;
    SmallVec<char, 48> lowered_main;
    SmallVec<Seg, 16> segs;
    bool is_prerelease = false;
    bool is_postrelease = false;

    GenericView view() const { return {layout.epoch, segs.span(), lowered_main.data()}; }
};

// Fills `out` afresh, so that one GenericScan can serve many texts in turn.
void scan_generic(std::string_view input, GenericScan& out);

}  // namespace tambry
