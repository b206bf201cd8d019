// A cut: a place in key space between two adjacent byte strings, where a range's
// membership may change. Every byte string lies either below or above a cut, and
// `at` is the least byte string above it. A version's key K gives two cuts: just
// below it (at == K) and just above it (at == K followed by a 0 byte, the next
// byte string after K). So ">= v" is "above the cut below v" and "<= v" is "below
// the cut above v", and every bound, inclusive or not, is one cut.
//
// A cut remembers how it was named, for display: a version text, or nothing when
// it was made from key bytes alone (a bound no version spells, or one read back
// from a key). Only `at` takes part in comparisons.
#pragma once

#include <optional>
#include <string_view>

#include "ranges/range_scheme.hpp"
#include "ranges/short_bytes.hpp"

namespace tambry::ranges {

struct Cut {
    ShortBytes at;
    ShortBytes text;     // the version naming the cut; empty when only a key names it
    bool above = false;  // just above the named key rather than just below it

    // The key the cut is named after: `at`, or `at` without its final 0 byte.
    std::string_view named_key() const {
        return above ? at.view().substr(0, at.size() - 1) : at.view();
    }
    bool has_text() const { return !text.empty(); }
};

// The cut just below or just above `key`.
inline Cut cut_below_key(std::string_view key, std::string_view text = {}) {
    return Cut{ShortBytes(key), ShortBytes(text), false};
}
inline Cut cut_above_key(std::string_view key, std::string_view text = {}) {
    Cut cut{ShortBytes(key), ShortBytes(text), true};
    cut.at.push_back('\0');
    return cut;
}

// The cuts around a version text; nothing when the ecosystem rejects it.
inline std::optional<Cut> cut_below(const RangeScheme& scheme, std::string_view version) {
    KeyBuffer key;
    if (!scheme.key(version, key)) return std::nullopt;
    return cut_below_key(key_view(key), version);
}
inline std::optional<Cut> cut_above(const RangeScheme& scheme, std::string_view version) {
    KeyBuffer key;
    if (!scheme.key(version, key)) return std::nullopt;
    return cut_above_key(key_view(key), version);
}

}  // namespace tambry::ranges
