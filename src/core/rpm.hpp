// RPM package versions: epoch, version and release, ordered by the RPM segment
// comparison in which "~" sorts before the base version and "^" after it.
#pragma once

#include <string_view>

#include "package_version.hpp"

namespace tambry {

Ordering rpmverscmp(std::string_view a, std::string_view b);

class RpmStrategy final : public PackageStrategy<RpmValue, rpmverscmp> {
public:
    constexpr RpmStrategy()
        : PackageStrategy("empty RPM version",
                          "internal error: entered unreachable code: rpm strategy received non-rpm parsed values") {}
};

extern const RpmStrategy RPM_STRATEGY;

}  // namespace tambry
