// Each ecosystem's own range syntax, read into a version set. One parser per
// ecosystem, each in the file named after it (deb_range.cpp, npm_range.cpp, ...).
//
// What every parser promises:
//   - It reads the whole text or fails; failure is a RangeError, never a crash, for
//     any bytes at all. Malformed text is Kind::Malformed with a message made by
//     RangeCursor (it names the ecosystem, quotes the text and gives the position);
//     a version the ecosystem rejects is Kind::InvalidVersion; a form of the syntax
//     not read yet is Kind::Unsupported.
//   - Every bound is a cut of a version's key (RangeCursor::below/above), or, where
//     no version spells the bound, a cut made from key bytes with no text: a cut's
//     text, when it has one, always keys to exactly the cut's named key.
//   - The result holds the releases' set and the pre-releases' set. Include makes
//     them equal; Exclude leaves the pre-releases' set empty; Default applies the
//     ecosystem tool's own rule, which the parser's opening comment states.
#pragma once

#include <cstdint>
#include <string_view>

#include "ranges/range_error.hpp"
#include "ranges/range_scheme.hpp"
#include "ranges/version_set.hpp"

namespace tambry::ranges {

enum class PrereleasePolicy : std::uint8_t { Default, Include, Exclude };

RangeResult<VersionSet> parse_native_range(const RangeScheme& scheme, std::string_view text,
                                           PrereleasePolicy policy);

using NativeRangeParser = RangeResult<VersionSet> (*)(const RangeScheme&, std::string_view, PrereleasePolicy);

RangeResult<VersionSet> parse_npm_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_pypi_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_maven_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_gem_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_cargo_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_golang_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_nuget_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_composer_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_hex_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_swift_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_deb_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_rpm_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_apk_range(const RangeScheme&, std::string_view, PrereleasePolicy);
RangeResult<VersionSet> parse_semver_range(const RangeScheme&, std::string_view, PrereleasePolicy);

}  // namespace tambry::ranges
