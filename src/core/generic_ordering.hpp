// How two generic versions are ordered: the qualifier weights and the comparison.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "version_model.hpp"

namespace tambry {

// The end of a version (a plain release) stands at this weight; words below it are
// pre-releases, words above it post-releases.
inline constexpr std::int32_t END_OF_VERSION_WEIGHT = 30;
// The weight an unlisted word takes when it meets a listed one.
inline constexpr std::int32_t UNLISTED_WORD_WEIGHT = 29;

// The weight of a qualifier word (lowercase), or nothing when the table does not list it.
std::optional<std::int32_t> tag_weight(std::string_view word);

// Number of segments left once the trailing run of zero numbers is dropped.
std::size_t significant_length(const GenericView& v);

Ordering cmp_generic(const GenericView& a, const GenericView& b);

inline Ordering cmp_parsed(const ParsedVersion& a, const ParsedVersion& b) {
    return cmp_generic(a.view(), b.view());
}

}  // namespace tambry
