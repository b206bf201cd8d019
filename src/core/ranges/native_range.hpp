// Each ecosystem's own range syntax, read into a version set. One parser per
// ecosystem, each in the file named after it (deb_range.cpp, npm_range.cpp, ...),
// with an opening comment that gives its grammar and its pre-release rule.
//
// What every parser promises:
//   - It reads the whole text or fails with a RangeError, never a crash, for any
//     bytes at all (empty, NUL, invalid UTF-8, megabytes).
//     Malformed text is Kind::Malformed, made by RangeCursor::error, which names
//     the ecosystem, quotes the text and gives the character position:
//         invalid npm range '>=1.2 <': expected a version at position 7
//     A version the ecosystem rejects is Kind::InvalidVersion, made by
//     RangeCursor::invalid_version (or returned by its below/above/comparator/add);
//     a form of the syntax not read yet is Kind::Unsupported.
//   - Every bound is a cut of a version's key: RangeCursor::below/above for a version
//     written in the text or derived from one ("^1.2.3" ends below "2.0.0-0"). Where
//     no version spells a bound, a cut made with cut_below_key/cut_above_key from key
//     bytes and no text; a cut's text, when it has one, always keys to exactly the
//     cut's named key. Keys come only from the scheme (RangeScheme::key).
//   - The sets come from the shared pieces: a ComparatorList for each conjunction of
//     comparators (it keeps the tightest bounds and the "!=" exclusions, and costs
//     one set), comparator_set and IntervalSet's algebra for anything else (unions
//     of "||" alternatives, hyphen ranges, intervals).
//   - The result holds the releases' set and the pre-releases' set, through
//     apply_prerelease_policy: Include makes them equal; Exclude leaves no
//     pre-release; Default applies the ecosystem tool's own rule (npm: a pre-release
//     only where a comparator of its alternative names a pre-release of the same
//     major.minor.patch; cargo: the same per comparator list; Hex: Elixir's
//     allow_pre: false; PyPI, deb and the rest: no rule, all versions alike, as
//     packaging's SpecifierSet.contains tests them since its 26 releases). Which versions are pre-releases is the scheme's
//     is_prerelease; a rule is a set of keys, so it survives union, intersection and
//     complement exactly.
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
