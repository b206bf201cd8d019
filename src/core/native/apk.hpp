// An Alpine package version as apk reads it:
// digits{.digits}[letter]{_suffix[digits]}[~hash][-rN].
#pragma once

#include <optional>
#include <string_view>

namespace tambry::native {

struct ApkVersion {
    std::string_view version;      // everything before the commit hash and the revision
    std::string_view commit_hash;  // the hex digits after "~"; empty when there is none
    std::string_view revision;     // the digits after "-r"; empty when there is none
};

// The parts of `text` (views into it), or nothing where apk's version check fails.
std::optional<ApkVersion> parse_apk_version(std::string_view text);

}  // namespace tambry::native
