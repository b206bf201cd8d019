// A version as composer/semver normalizes it: what constraint matching needs besides
// the order (the pieces of the normalized form and its stability).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "native/native_scheme.hpp"
#include "small_vec.hpp"
#include "version_model.hpp"

namespace tambry::native {

// One piece of a normalized version, as PHP's version_compare reads it. Kinds are
// in the order version_compare gives them; where one version runs out of pieces, it
// sorts between Rc and any number.
struct ComposerPart {
    enum Kind : std::uint8_t { Stable, Dev, Alpha, Beta, Rc, Number = 6, Patch };
    Kind kind;
    std::uint64_t number;  // for Number: the value PHP reads, at most 2^63 - 1
};

enum class ComposerStability : std::uint8_t { Dev, Alpha, Beta, Rc, Stable };

struct ComposerVersion {
    // A branch ("dev-" and a name, other than the default branches master, trunk
    // and default, which read as 9999999-dev) has no parts.
    bool is_branch = false;
    std::string_view branch;  // the name after "dev-", a view into the parsed text
    SmallVec<ComposerPart, 10> parts;
    ComposerStability stability = ComposerStability::Stable;
};

// The normalized form of `text`, or nothing when VersionParser::normalize rejects it.
std::optional<ComposerVersion> parse_composer(std::string_view text);

// composer/semver's order of two parsed versions (two branches by their names).
Ordering compare_composer(const ComposerVersion& a, const ComposerVersion& b);

// The text VersionParser::normalize gives for `text` ("1.2" gives "1.2.0.0",
// "master" gives "dev-master"), or nothing when it throws.
std::optional<std::string> normalize_composer(std::string_view text);

// The pieces PHP's version_compare reads in a text as it stands, not normalized:
// the version a constraint compares with when composer/semver builds the text
// itself ("1.0.0.0-RC1-dev", "2.0.0.0-BETA"). Nothing when a piece ranks as "#",
// which no version holds.
std::optional<ComposerVersion> composer_compare_pieces(std::string_view text);

// Appends the key body of parsed pieces, as the scheme keys a version's text.
void append_composer_key(const ComposerVersion& v, KeyBuffer& out);

// Appends the key body of the place above every branch and below every numbered
// version, where no version is spelled.
void append_composer_numbered_start_key(KeyBuffer& out);

}  // namespace tambry::native
