// Debian package versions: epoch, upstream version and revision, ordered by the
// Debian rules in which "~" sorts before everything, even the end of the text.
#pragma once

#include <string_view>

#include "package_version.hpp"

namespace tambry {

Ordering verrevcmp(std::string_view a, std::string_view b);

class DebianStrategy final : public PackageStrategy<DebianValue, verrevcmp> {
public:
    constexpr DebianStrategy()
        : PackageStrategy("empty Debian version",
                          "internal error: entered unreachable code: debian strategy received non-debian parsed "
                          "values") {}
};

extern const DebianStrategy DEBIAN_STRATEGY;

}  // namespace tambry
