// A set of versions of one ecosystem, as two interval sets over keys: one that
// releases are tested against and one for pre-releases (as the ecosystem's scheme
// tells them apart). Pre-release rules such as "a pre-release satisfies only a
// range that names a pre-release of the same release" are then exact sets, and
// union, intersection and complement stay exact by working on both parts alike.
// Most ranges hold the same set in both parts.
//
// Two ranges are equal when both parts are equal in key space. A gap that holds no
// version still counts: ">=1.0 <1.0.0.0" differs from the empty range even where
// no version lies between the two.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "ranges/interval_set.hpp"
#include "ranges/range_scheme.hpp"

namespace tambry::ranges {

class VersionSet {
public:
    VersionSet(RangeScheme scheme, IntervalSet&& releases, IntervalSet&& prereleases);
    // The same set for releases and pre-releases.
    static VersionSet uniform(RangeScheme scheme, IntervalSet&& both);

    const RangeScheme& scheme() const { return scheme_; }
    NativeEcosystem ecosystem() const { return scheme_.ecosystem; }
    const IntervalSet& releases() const { return releases_; }
    const IntervalSet& prereleases() const { return prereleases_ ? *prereleases_ : releases_; }
    // Whether pre-releases are tested against a set of their own.
    bool splits_prereleases() const { return prereleases_.has_value(); }

    // Whether the version belongs; nothing when the ecosystem rejects the text.
    std::optional<bool> contains(std::string_view version) const;
    // Whether a version with this key and pre-release status belongs.
    bool contains_key(std::string_view key, bool prerelease) const {
        return (prerelease ? prereleases() : releases_).contains(key);
    }
    // The key of an accepted version and whether it belongs: the work of contains
    // for callers that also want the key. False when the ecosystem rejects it.
    bool key_and_membership(std::string_view version, KeyBuffer& key, bool& member) const;

    // Both sets must be of one ecosystem.
    VersionSet unite(const VersionSet& other) const;
    VersionSet intersect(const VersionSet& other) const;
    VersionSet complement() const;
    bool is_subset_of(const VersionSet& other) const;
    bool is_disjoint_from(const VersionSet& other) const;
    bool operator==(const VersionSet& other) const;

    // Bytes that equal sets, and only they, share: for hashing.
    std::string identity() const;

private:
    // A set whose two parts are one.
    VersionSet(RangeScheme scheme, IntervalSet&& both) : scheme_(scheme), releases_(std::move(both)) {}

    template <class Op>
    static VersionSet combine(const VersionSet& a, const VersionSet& b, Op op);

    RangeScheme scheme_;
    IntervalSet releases_;
    std::optional<IntervalSet> prereleases_;  // only when it differs from releases_
};

}  // namespace tambry::ranges
