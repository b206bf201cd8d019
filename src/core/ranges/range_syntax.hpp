// What every ecosystem's range parser shares: a cursor that reads the text and
// reports failures at their place, the set of one comparator applied to a version,
// and the pre-release policy's last step. deb_range.cpp shows them in use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ranges/interval_set.hpp"
#include "ranges/native_range.hpp"
#include "ranges/range_error.hpp"
#include "ranges/version_set.hpp"

namespace tambry::ranges {

enum class Comparator : std::uint8_t { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

// The versions that stand in `op` to the version whose cuts are `below` and `above`.
IntervalSet comparator_set(Comparator op, const Cut& below, const Cut& above);

// The versions that satisfy every comparator of a list (as in ">=1.2, <2, !=1.5"):
// one interval less the versions "!=" leaves out. It keeps only the tightest bounds
// as they come, so a list costs one set however long it is.
class ComparatorList {
public:
    // `key` is the version's whole key, `text` the version as written.
    void add(Comparator op, std::string_view key, std::string_view text);
    IntervalSet finish();

private:
    void raise_lower(std::string_view key, bool above, std::string_view text);
    void lower_upper(std::string_view key, bool above, std::string_view text);

    std::optional<Cut> lower_;
    std::optional<Cut> upper_;
    std::vector<Cut> excluded_;  // the cut below each excluded version
};

// Reads a range text byte by byte. Offsets are byte offsets into the text; errors
// turn them into the character positions their messages show.
class RangeCursor {
public:
    RangeCursor(const RangeScheme& scheme, std::string_view text) : scheme_(scheme), text_(text) {}

    const RangeScheme& scheme() const { return scheme_; }
    std::string_view text() const { return text_; }
    std::size_t offset() const { return offset_; }
    bool at_end() const { return offset_ >= text_.size(); }
    // The byte `ahead` places on, or 0 past the end.
    char peek(std::size_t ahead = 0) const {
        return offset_ + ahead < text_.size() ? text_[offset_ + ahead] : '\0';
    }
    void advance(std::size_t n = 1) { offset_ = offset_ + n < text_.size() ? offset_ + n : text_.size(); }

    // ASCII white space: space, tab, line feed, vertical tab, form feed, return.
    static bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    void skip_spaces() {
        while (!at_end() && is_space(text_[offset_])) ++offset_;
    }
    bool consume(char c) {
        if (peek() != c || at_end()) return false;
        ++offset_;
        return true;
    }
    bool consume(std::string_view token) {
        if (text_.substr(offset_).substr(0, token.size()) != token) return false;
        offset_ += token.size();
        return true;
    }
    // The bytes from here up to white space, a byte of `stops` or the end.
    std::string_view take_word(std::string_view stops) {
        const std::size_t start = offset_;
        while (!at_end() && !is_space(text_[offset_]) && stops.find(text_[offset_]) == std::string_view::npos) {
            ++offset_;
        }
        return text_.substr(start, offset_ - start);
    }

    // "invalid <ecosystem> range '<text>': <what> at position <n>"
    RangeError error(std::string_view what) const { return error_at(offset_, what); }
    RangeError error_at(std::size_t offset, std::string_view what) const;
    // "invalid <ecosystem> range '<text>': invalid <ecosystem> version '<v>' at position <n>"
    RangeError invalid_version(std::string_view version, std::size_t offset) const;

    // The cuts around a version read at `offset`, or the error that rejects it.
    RangeResult<Cut> below(std::string_view version, std::size_t offset) const;
    RangeResult<Cut> above(std::string_view version, std::size_t offset) const;
    // The versions standing in `op` to the version read at `offset`.
    RangeResult<IntervalSet> comparator(Comparator op, std::string_view version, std::size_t offset) const;
    // Adds `op version` to a list; the error when the ecosystem rejects the version.
    std::optional<RangeError> add(ComparatorList& list, Comparator op, std::string_view version,
                                  std::size_t offset) const;

private:
    std::string head() const;

    const RangeScheme& scheme_;
    std::string_view text_;
    std::size_t offset_ = 0;
};

// The finished range: `releases` for releases and, for pre-releases, the same set
// (Include), nothing (Exclude), or `default_prereleases`, the ecosystem's own rule
// (absent when that rule tests pre-releases like any version).
VersionSet apply_prerelease_policy(const RangeScheme& scheme, IntervalSet&& releases, PrereleasePolicy policy,
                                   std::optional<IntervalSet>&& default_prereleases);

// The answer of a parser not written yet: "<ecosystem> ranges are not supported yet".
RangeError not_supported_yet(const RangeScheme& scheme);

}  // namespace tambry::ranges
