// RPM package versions: epoch, version and release, ordered by the RPM segment
// comparison in which "~" sorts before the base version and "^" after it.
#pragma once

#include <cstdint>
#include <string_view>

#include "package_version.hpp"
#include "sort_prefix.hpp"

namespace tambry {

Ordering rpmverscmp(std::string_view a, std::string_view b);

// The first 128 bits of an encoding of an RPM version whose order as bytes is
// rpmverscmp's on the version and then on the release (sort_prefix.hpp).
PackageSortPrefix rpm_sort_prefix(std::uint64_t epoch, std::string_view version, std::string_view release);

class RpmStrategy final : public PackageStrategy<RpmValue> {
public:
    constexpr RpmStrategy()
        : PackageStrategy(rpmverscmp, rpm_sort_prefix, "empty RPM version",
                          "internal error: entered unreachable code: rpm strategy received non-rpm parsed values") {}
};

extern const RpmStrategy RPM_STRATEGY;

}  // namespace tambry
