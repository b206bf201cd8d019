// RubyGems' own reading of a version (Gem::Version of RubyGems 3.3.15), for the
// native scheme and for the ranges that `~>` and the other requirements bound.
#pragma once

#include <cstddef>
#include <string_view>

#include "native/native_scheme.hpp"
#include "small_vec.hpp"
#include "version_model.hpp"

namespace tambry::native {

// A run of digits or of ASCII letters of the version's text; the dots and the
// other separators are not kept.
struct GemSegment {
    bool is_number;
    std::size_t start;  // in GemVersion::text
    std::size_t size;
};

// A version as Gem::Version.new keeps it: the text stripped of blanks, with every
// '-' written ".pre." (a blank text reads "0"), and its segments as written.
struct GemVersion {
    SmallVec<char, 64> text;
    SmallVec<GemSegment, 16> segments;

    std::string_view segment_text(const GemSegment& s) const { return {text.data() + s.start, s.size}; }
    // Gem::Version#prerelease?: the text holds a letter.
    bool is_prerelease() const;
    // The segments before the first word: what Gem::Version#release keeps.
    std::size_t release_size() const;
};

// Gem::Version.correct?: what Gem::Version.new accepts.
bool is_gem_version(std::string_view text);

// Gem::Version.new; false for a text it rejects.
bool parse_gem(std::string_view text, GemVersion& out);

// Gem::Version#<=>.
Ordering compare_gem(const GemVersion& a, const GemVersion& b);

// Gem::Version#release and Gem::Version#bump, as new versions.
void gem_release(const GemVersion& version, GemVersion& out);
void gem_bump(const GemVersion& version, GemVersion& out);

// The key body.
void append_gem_key(const GemVersion& version, KeyBuffer& out);

// A key body no version has: above every version whose release (Gem::Version#release)
// is below `release`, a release itself, and below every other version. It bounds
// "v.release < release", which no version spells ("2.a.a" < "2.a", and so on without
// end), and is the key of `release` with a word where that key ends: a version with
// those release numbers keys as them, then its words or its end.
void append_gem_release_floor(const GemVersion& release, KeyBuffer& out);

}  // namespace tambry::native
