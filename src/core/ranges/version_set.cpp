#include "ranges/version_set.hpp"

#include <utility>

namespace tambry::ranges {

VersionSet::VersionSet(RangeScheme scheme, IntervalSet&& releases, IntervalSet&& prereleases)
    : scheme_(scheme), releases_(std::move(releases)) {
    if (!(prereleases == releases_)) prereleases_.emplace(std::move(prereleases));
}

VersionSet VersionSet::uniform(RangeScheme scheme, IntervalSet&& both) { return VersionSet(scheme, std::move(both)); }

bool VersionSet::key_and_membership(std::string_view version, KeyBuffer& key, bool& member) const {
    if (!scheme_.key(version, key)) return false;
    // Asking the scheme about pre-releases costs a second reading of the text;
    // only ranges whose two parts differ need the answer.
    const bool prerelease = prereleases_ && scheme_.is_prerelease(version);
    member = contains_key(key_view(key), prerelease);
    return true;
}

std::optional<bool> VersionSet::contains(std::string_view version) const {
    KeyBuffer key;
    bool member = false;
    if (!key_and_membership(version, key, member)) return std::nullopt;
    return member;
}

// Each operation works on both parts alike; a part both operands share is worked on once.
template <class Op>
VersionSet VersionSet::combine(const VersionSet& a, const VersionSet& b, Op op) {
    IntervalSet releases = op(a.releases_, b.releases_);
    if (!a.prereleases_ && !b.prereleases_) return uniform(a.scheme_, std::move(releases));
    IntervalSet prereleases = op(a.prereleases(), b.prereleases());
    return VersionSet(a.scheme_, std::move(releases), std::move(prereleases));
}

VersionSet VersionSet::unite(const VersionSet& other) const {
    return combine(*this, other, [](const IntervalSet& x, const IntervalSet& y) { return x.unite(y); });
}

VersionSet VersionSet::intersect(const VersionSet& other) const {
    return combine(*this, other, [](const IntervalSet& x, const IntervalSet& y) { return x.intersect(y); });
}

VersionSet VersionSet::complement() const {
    if (!prereleases_) return uniform(scheme_, releases_.complement());
    return VersionSet(scheme_, releases_.complement(), prereleases_->complement());
}

bool VersionSet::is_subset_of(const VersionSet& other) const {
    return releases_.is_subset_of(other.releases_) && prereleases().is_subset_of(other.prereleases());
}

bool VersionSet::is_disjoint_from(const VersionSet& other) const {
    return releases_.is_disjoint_from(other.releases_) && prereleases().is_disjoint_from(other.prereleases());
}

bool VersionSet::operator==(const VersionSet& other) const {
    return scheme_.ecosystem == other.scheme_.ecosystem && releases_ == other.releases_ &&
           prereleases() == other.prereleases();
}

namespace {

void append_count(std::size_t n, std::string& out) {
    for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<char>((n >> shift) & 0xFF));
}

// Counts and lengths go first, so that two different sets never spell alike.
void append_identity(const IntervalSet& set, std::string& out) {
    out.push_back(set.starts_inside() ? '\1' : '\0');
    append_count(set.cuts().size(), out);
    for (const Cut& cut : set.cuts()) {
        append_count(cut.at.size(), out);
        out.append(cut.at);
    }
}

}  // namespace

std::string VersionSet::identity() const {
    std::string out;
    out.push_back(static_cast<char>(scheme_.ecosystem));
    append_identity(releases_, out);
    append_identity(prereleases(), out);
    return out;
}

}  // namespace tambry::ranges
