// Debian package versions: epoch, upstream version and revision, ordered by the
// Debian rules in which "~" sorts before everything, even the end of the text.
#pragma once

#include <cstdint>
#include <string_view>

#include "package_version.hpp"
#include "sort_prefix.hpp"

namespace tambry {

Ordering verrevcmp(std::string_view a, std::string_view b);

// The first 128 bits of an encoding of a Debian version whose order as bytes is
// verrevcmp's on the version and then on the revision (sort_prefix.hpp).
PackageSortPrefix debian_sort_prefix(std::uint64_t epoch, std::string_view version, std::string_view revision);

class DebianStrategy final : public PackageStrategy<DebianValue> {
public:
    constexpr DebianStrategy()
        : PackageStrategy(verrevcmp, debian_sort_prefix, "empty Debian version",
                          "internal error: entered unreachable code: debian strategy received non-debian parsed "
                          "values") {}
};

extern const DebianStrategy DEBIAN_STRATEGY;

}  // namespace tambry
