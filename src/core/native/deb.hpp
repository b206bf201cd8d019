// A Debian package version as dpkg reads it: [epoch:]upstream[-revision].
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tambry::native {

struct DebVersion {
    std::uint32_t epoch;        // 0 when the text names none
    std::string_view upstream;  // never empty
    std::string_view revision;  // after the last "-" of what follows the epoch; empty when there is no "-"
};

// The parts of `text` (views into it), or nothing where dpkg reports an error.
// What dpkg only warns about (a first character that is not a digit, characters
// outside the policy's set) is accepted, as `dpkg --compare-versions` accepts it.
std::optional<DebVersion> parse_deb_version(std::string_view text);

}  // namespace tambry::native
