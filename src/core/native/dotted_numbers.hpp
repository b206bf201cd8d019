// Versions that are only numbers joined by dots ("1.10.2"), the most common shape
// by far. Maven, RubyGems and Composer order such versions alike: number by
// number, by value (leading zeros carry none), the shorter padded with zeros
// ("1.0" equals "1"). Their general readers build items or segments first; two
// dotted-number texts can be compared in one walk instead.
//
// Each scheme bounds the shape to where that holds for it: Maven gives a run of
// more than nine digits another kind of item, chosen by the length with its
// leading zeros, and orders kinds before values ("0000000000" follows "999999999").
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "text.hpp"

namespace tambry::native {

struct DottedShape {
    std::size_t numbers = 0;
    std::size_t first_run = 0;  // the digits of the first number
};

// Whether `text` is digit runs of at most `longest_run` digits joined by single dots.
inline bool read_dotted_shape(std::string_view text, std::size_t longest_run, DottedShape& shape) {
    if (text.empty() || !is_digit(text.back())) return false;
    std::size_t run = 0;
    shape = {};
    for (const char c : text) {
        if (is_digit(c)) {
            if (++run > longest_run) return false;
            continue;
        }
        if (c != '.' || run == 0) return false;
        if (shape.numbers++ == 0) shape.first_run = run;
        run = 0;
    }
    if (shape.numbers++ == 0) shape.first_run = run;
    return true;
}

// The number that starts at text[pos] without its leading zeros, or "" past the
// end (a padding zero); moves `pos` past it and its dot.
inline std::string_view next_number(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && text[pos] == '0') ++pos;
    const std::size_t start = pos;
    while (pos < text.size() && is_digit(text[pos])) ++pos;
    const std::string_view number = text.substr(start, pos - start);
    if (pos < text.size()) ++pos;  // the dot
    return number;
}

// The order of two dotted-number texts.
inline Ordering compare_dotted_numbers(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const std::string_view x = next_number(a, i);
        const std::string_view y = next_number(b, j);
        if (x.size() != y.size()) return order_of(x.size(), y.size());
        // A number is a digit or two: a loop beats a call to memcmp.
        for (std::size_t k = 0; k < x.size(); ++k) {
            if (x[k] != y[k]) return x[k] < y[k] ? Ordering::Less : Ordering::Greater;
        }
    }
    return Ordering::Equal;
}

// The same when both texts have the shape, with runs of at most `longest_run`.
inline std::optional<Ordering> compare_if_dotted_numbers(std::string_view a, std::string_view b,
                                                         std::size_t longest_run) {
    DottedShape shape;
    if (!read_dotted_shape(a, longest_run, shape) || !read_dotted_shape(b, longest_run, shape)) return std::nullopt;
    return compare_dotted_numbers(a, b);
}

}  // namespace tambry::native
