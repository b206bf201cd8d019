// node-semver (7.3.5) reads a loose range by rewriting its text, step by step, into
// plain comparators, and every quirk of the result comes from those steps. So
// tambry takes the same steps over the same text: split on "||", hyphen ranges
// into two comparators, the white space after operators, "~" and "^" removed,
// then each word through the caret, tilde, x-range and star rewrites. The
// comparator words that come out are read in npm_range.cpp.
//
// Each byte keeps the place in the range it came from, so that an error can point
// at it; a rewritten word points where the word it replaced began.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tambry::ranges::npm {

struct TracedText {
    std::string bytes;
    std::vector<std::size_t> origins;

    std::size_t size() const { return bytes.size(); }
    void push(char c, std::size_t origin) {
        bytes.push_back(c);
        origins.push_back(origin);
    }
    void append(std::string_view text, std::size_t origin) {
        bytes.append(text);
        origins.insert(origins.end(), text.size(), origin);
    }
    void append(const TracedText& other, std::size_t begin, std::size_t end) {
        bytes.append(other.bytes, begin, end - begin);
        origins.insert(origins.end(), other.origins.begin() + static_cast<std::ptrdiff_t>(begin),
                       other.origins.begin() + static_cast<std::ptrdiff_t>(end));
    }
};

// A word of the rewritten text and where the word it came from began.
struct Word {
    std::string text;
    std::size_t origin;
};

// The range with each JavaScript white-space character made one space.
TracedText with_plain_spaces(std::string_view range);

// The "||" alternatives, each trimmed.
std::vector<TracedText> split_alternatives(const TracedText& range);

// One alternative rewritten into the comparator words node-semver reads: hyphen
// range, trimming, then each word's caret, tilde, x-range, star and ">=0.0.0"
// rewrites. Words that come out empty are kept: node-semver reads one as "any".
// `include_prerelease` is node-semver's option of that name, which changes what
// some rewrites produce.
std::vector<Word> comparator_words(const TracedText& alternative, bool include_prerelease);

}  // namespace tambry::ranges::npm
