// An RPM version as rpm.ver reads it: [epoch:]version[-release].
#pragma once

#include <optional>
#include <string_view>

#include "native/native_scheme.hpp"

namespace tambry::native {

struct RpmVersion {
    std::string_view epoch;    // the leading digits before ":"; empty when there are none, which weighs as 0
    std::string_view version;  // may be empty ("1:", "-1")
    std::string_view release;  // after the last "-"; only meaningful when has_release
    bool has_release;          // "1-" has an empty release, which sorts after having none ("1")
};

// The parts of `text` (views into it), or nothing for a text rpm rejects: the
// empty one. rpm reads a C string, so only what stands before a NUL counts.
std::optional<RpmVersion> parse_rpm_version(std::string_view text);

// Appends the key body of `text`'s epoch and version alone, as if it had no
// release: the key of "[epoch:]version" and the start of the key of every text
// with that epoch and version, whatever its release. False for a rejected text.
bool append_rpm_key_without_release(std::string_view text, KeyBuffer& out);

}  // namespace tambry::native
