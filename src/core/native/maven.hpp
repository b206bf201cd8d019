// Maven's own reading of a version (ComparableVersion of maven-artifact 3.8.7),
// for the native scheme and for the ranges that bound Maven versions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "native/native_scheme.hpp"
#include "small_vec.hpp"
#include "version_model.hpp"

namespace tambry::native {

// One item of Maven's parse. Maven opens a nested list at every '-' and at every
// change between digits and letters, and a nested list is always the last item of
// the list that holds it, so the lists form a chain: the items sit in one flat
// array, and an Open item stands for the nested list made of the items after it.
struct MavenItem {
    enum Kind : std::uint8_t {
        Word,  // a qualifier
        Int,   // a number of at most 9 digits once leading zeros are gone
        Long,  // 10 to 18 digits
        Big,   // more
        Open,
    };
    Kind kind;
    // How the item compares with nothing (the end of a shorter list): -1, 0 or 1.
    // 0 for a null item (a zero, a release word) and for Open.
    std::int8_t against_nothing;
    // Word: 0 to 6 for alpha, beta, milestone, rc, snapshot, the release ("", "ga",
    // "final", "release") and sp, after the aliases; 7 for any other word.
    std::uint8_t qualifier;
    std::size_t start;   // Word and Big: where the word or the digits lie in `text`
    std::size_t size;
    std::uint64_t value;  // Int and Long
};

inline constexpr std::uint8_t MAVEN_RELEASE = 5;
inline constexpr std::uint8_t MAVEN_OTHER_WORD = 7;

// A Maven version after Maven's normalisation (the null items that end each list
// removed): the text lowered as Maven lowers it, and the items. A null item stays
// only where an item that is not null follows it in the same list.
struct MavenVersion {
    SmallVec<char, 64> text;
    SmallVec<MavenItem, 16> items;
};

// Maven reads every text as a version.
void parse_maven(std::string_view text, MavenVersion& out);

// Maven's compareTo, exactly, including where it is not transitive (see maven.cpp).
Ordering compare_maven(const MavenVersion& a, const MavenVersion& b);

// The key body: agrees with compare_maven wherever Maven's order is consistent.
void append_maven_key(const MavenVersion& version, KeyBuffer& out);

}  // namespace tambry::native
