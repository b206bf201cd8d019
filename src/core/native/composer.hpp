// A version as composer/semver normalizes it: what constraint matching needs besides
// the order (the pieces of the normalized form and its stability).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

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

}  // namespace tambry::native
