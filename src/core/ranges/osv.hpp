// OSV advisories: an `affected[].ranges[]` object, or a whole `affected` entry, as
// the set of versions it marks affected, evaluated exactly as the OSV schema's
// evaluation pseudocode does:
//
//   - A version is before the limits when there is no `limit` event, or when it is
//     below some `limit` (one holding "*" is unbounded).
//   - The other events are sorted by version, "0" in `introduced` before every
//     version, and ties in the order they were given (a stable sort). Walking them,
//     an `introduced` at or below the version marks it affected, a `fixed` at or
//     below it marks it unaffected, a `last_affected` strictly below it marks it
//     unaffected: the last such event decides.
//   - An entry's version is affected when it is one of the `versions` listed, or
//     affected by one of its ranges.
//
// Ranges of type ECOSYSTEM and SEMVER are both read in the ecosystem's own order,
// since a range is a set of that ecosystem's versions; on SemVer texts that order
// is SemVer precedence except where an ecosystem also orders build metadata (cargo
// does), which OSV versions do not carry in practice. A GIT range is an error on its
// own, since only the repository's commit graph can place a version in it; within
// an entry it is passed over, because the schema requires the entry to list the
// versions of its GIT ranges in `versions`. A listed version that the ecosystem
// rejects is passed over too: no version it accepts can equal it.
//
// OSV writes Go versions without the "v" that Go's own order requires; one that
// lacks it is read with it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ranges/range_error.hpp"
#include "ranges/version_set.hpp"

namespace tambry::ranges {

enum class OsvEventKind : std::uint8_t { Introduced, Fixed, LastAffected, Limit };

struct OsvEvent {
    OsvEventKind kind;
    std::string_view version;
};

struct OsvRange {
    std::string_view type;
    std::vector<OsvEvent> events;
};

// Error messages start "invalid OSV range: " and name the event: "events[2].fixed".
RangeResult<VersionSet> osv_range_set(const RangeScheme& scheme, const OsvRange& range);
// Error messages start "invalid OSV affected entry: ": "ranges[1].events[2].fixed".
RangeResult<VersionSet> osv_affected_set(const RangeScheme& scheme, std::span<const OsvRange> ranges,
                                         std::span<const std::string_view> versions);

// The name of an event kind as OSV spells it.
std::string_view osv_event_name(OsvEventKind kind);

}  // namespace tambry::ranges
