// An Alpine package version as apk reads it:
// digits{.digits}[letter]{_suffix[digits]}[~hash][-rN].
#pragma once

#include <optional>
#include <string_view>

#include "native/native_scheme.hpp"

namespace tambry::native {

struct ApkVersion {
    std::string_view version;      // everything before the commit hash and the revision
    std::string_view commit_hash;  // the hex digits after "~"; empty when there is none
    std::string_view revision;     // the digits after "-r"; empty when there is none
};

// The parts of `text` (views into it), or nothing where apk's version check fails.
std::optional<ApkVersion> parse_apk_version(std::string_view text);

// Appends the start that the key body of every version whose tokens begin with
// `text`'s tokens (equal in kind and value) has, and no other version's has:
// `text`'s own key body without the end code that closes it. apk's fuzzy match
// ("~1.2" holds 1.2.3, 1.2_rc1 and 1.2-r4) is this family. False for a rejected text.
bool append_apk_token_prefix_key(std::string_view text, KeyBuffer& out);

}  // namespace tambry::native
