// NuGet's own reading of a version (NuGetVersion.TryParse and VersionComparer.Default
// of NuGet.Versioning), for the native scheme and for the ranges over NuGet versions.
#pragma once

#include <cstdint>
#include <string_view>

#include "native/native_scheme.hpp"
#include "small_vec.hpp"
#include "version_model.hpp"

namespace tambry::native {

struct NugetVersion {
    // Major, minor, patch and revision as digits without leading zeros, views into
    // the parsed text; a missing part, or 0, is empty.
    std::string_view parts[4];
    // The release labels as written, joined by '.'; build metadata is not kept,
    // as it takes no part in the order.
    SmallVec<char, 32> labels;
    bool has_labels = false;

    bool is_prerelease() const { return has_labels; }
    std::string_view labels_text() const { return {labels.data(), labels.size()}; }
};

// NuGetVersion.TryParse; false for a text it rejects.
bool parse_nuget(std::string_view text, NugetVersion& out);

// VersionComparer.Default.
Ordering compare_nuget(const NugetVersion& a, const NugetVersion& b);

// The key body.
void append_nuget_key(const NugetVersion& version, KeyBuffer& out);

}  // namespace tambry::native
