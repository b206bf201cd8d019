// The words of the generic scheme, which its parser, its ordering and the hash of
// Version objects all read: the qualifier table that places pre-release words
// below the end of a version and post-release words above it, and the token in
// which every reader of segments hands one segment on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "text.hpp"

namespace tambry {

// The end of a version (a plain release) stands at this weight; words below it are
// pre-releases, words above it post-releases.
inline constexpr std::int32_t END_OF_VERSION_WEIGHT = 30;
// The weight an unlisted word takes when it meets a listed one.
inline constexpr std::int32_t UNLISTED_WORD_WEIGHT = 29;

// Words of one weight compare equal, so versions that differ only in such words
// must hash alike: each enters the hash as its group's hash word.
struct Qualifier {
    std::string_view word;
    std::int32_t weight;
    std::string_view hash_word;
};

// Shortest first, so that a lookup visits only the words of its own length.
inline constexpr Qualifier QUALIFIERS[] = {
    {"~", -10, "~"},
    {"a", 0, "a"},
    {"b", 10, "b"},
    {"c", 20, "c"},
    {"m", 15, "m"},
    {"p", 35, "p"},
    {"^", 32, "^"},
    {"rc", 20, "c"},
    {"cr", 20, "c"},
    {"sp", 35, "p"},
    {"dev", -5, "dev"},
    {"pre", 20, "c"},
    {"beta", 10, "b"},
    {"post", 35, "p"},
    {"alpha", 0, "a"},
    {"patch", 35, "p"},
    {"preview", 20, "c"},
    {"snapshot", 25, "snapshot"},
    {"milestone", 15, "m"},
};

namespace detail {

inline constexpr std::size_t QUALIFIER_COUNT = std::size(QUALIFIERS);
inline constexpr std::size_t LONGEST_QUALIFIER = QUALIFIERS[QUALIFIER_COUNT - 1].word.size();

// Where the words of each length begin; the words of length n end where those of
// length n + 1 begin.
constexpr auto first_qualifier_of_each_length() {
    std::array<std::size_t, LONGEST_QUALIFIER + 2> first{};
    for (std::size_t length = 0; length < first.size(); ++length) {
        std::size_t k = 0;
        while (k < QUALIFIER_COUNT && QUALIFIERS[k].word.size() < length) ++k;
        first[length] = k;
    }
    return first;
}

inline constexpr auto FIRST_QUALIFIER_OF_LENGTH = first_qualifier_of_each_length();

constexpr bool qualifiers_run_from_shortest_to_longest() {
    for (std::size_t k = 1; k < QUALIFIER_COUNT; ++k) {
        if (QUALIFIERS[k].word.size() < QUALIFIERS[k - 1].word.size()) return false;
    }
    return true;
}

// Every group of words of one weight names one hash word, itself a word of the group.
constexpr bool each_weight_has_one_hash_word() {
    for (const Qualifier& q : QUALIFIERS) {
        bool hash_word_in_group = false;
        for (const Qualifier& other : QUALIFIERS) {
            if (other.weight != q.weight) continue;
            if (other.hash_word != q.hash_word) return false;
            if (other.word == q.hash_word) hash_word_in_group = true;
        }
        if (!hash_word_in_group) return false;
    }
    return true;
}

static_assert(qualifiers_run_from_shortest_to_longest());
static_assert(each_weight_has_one_hash_word());

}  // namespace detail

// The entry of a lowercase word, or null when the table does not list it.
constexpr const Qualifier* find_qualifier(std::string_view word) {
    if (word.size() > detail::LONGEST_QUALIFIER) return nullptr;
    const std::size_t end = detail::FIRST_QUALIFIER_OF_LENGTH[word.size() + 1];
    for (std::size_t k = detail::FIRST_QUALIFIER_OF_LENGTH[word.size()]; k < end; ++k) {
        const std::string_view listed = QUALIFIERS[k].word;
        std::size_t i = 0;
        while (i < word.size() && word[i] == listed[i]) ++i;
        if (i == word.size()) return &QUALIFIERS[k];
    }
    return nullptr;
}

// The weight of a qualifier word (lowercase), or nothing when the table does not list it.
constexpr std::optional<std::int32_t> tag_weight(std::string_view word) {
    const Qualifier* q = find_qualifier(word);
    if (!q) return std::nullopt;
    return q->weight;
}

// The weight of a word whose letters may not be lowered yet.
inline std::optional<std::int32_t> folded_tag_weight(std::string_view word) {
    if (word.size() > detail::LONGEST_QUALIFIER) return std::nullopt;
    char lowered[detail::LONGEST_QUALIFIER];
    for (std::size_t i = 0; i < word.size(); ++i) lowered[i] = to_lower(word[i]);
    return tag_weight({lowered, word.size()});
}

// One segment as a reader hands it on: a number, or a word seen in place. Read
// straight from a version text, a word may still hold upper-case letters.
struct SegmentToken {
    bool is_num = true;
    std::uint64_t num = 0;
    std::string_view word;
};

}  // namespace tambry
