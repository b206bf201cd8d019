// Which parser reads which ecosystem's ranges.
#include "ranges/native_range.hpp"

#include <array>

namespace tambry::ranges {
namespace {

// In the order of NativeEcosystem.
constexpr std::array<NativeRangeParser, native::NATIVE_ECOSYSTEM_COUNT> PARSERS = {
    parse_npm_range,      parse_pypi_range, parse_maven_range, parse_gem_range,   parse_cargo_range,
    parse_golang_range,   parse_nuget_range, parse_composer_range, parse_hex_range, parse_swift_range,
    parse_deb_range,      parse_rpm_range,  parse_apk_range,   parse_semver_range,
};

}  // namespace

RangeResult<VersionSet> parse_native_range(const RangeScheme& scheme, std::string_view text,
                                           PrereleasePolicy policy) {
    return PARSERS[static_cast<std::size_t>(scheme.ecosystem)](scheme, text, policy);
}

}  // namespace tambry::ranges
