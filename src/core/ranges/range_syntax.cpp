#include "ranges/range_syntax.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tambry::ranges {
namespace {

// The order of the cut just below `key` (or just above it) and the cut at `at`.
int compare_cut(std::string_view key, bool above, std::string_view at) {
    const std::size_t n = key.size();
    const std::size_t common = std::min(n, at.size());
    const int c = common ? std::memcmp(key.data(), at.data(), common) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    if (at.size() < n) return 1;
    if (!above) return at.size() == n ? 0 : -1;
    // key + 0 against at, which starts with key.
    if (at.size() == n) return 1;
    if (at[n] != '\0') return -1;
    return at.size() == n + 1 ? 0 : -1;
}

}  // namespace

void ComparatorList::raise_lower(std::string_view key, bool above, std::string_view text) {
    if (lower_ && compare_cut(key, above, lower_->at) <= 0) return;
    lower_ = above ? cut_above_key(key, text) : cut_below_key(key, text);
}

void ComparatorList::lower_upper(std::string_view key, bool above, std::string_view text) {
    if (upper_ && compare_cut(key, above, upper_->at) >= 0) return;
    upper_ = above ? cut_above_key(key, text) : cut_below_key(key, text);
}

void ComparatorList::add(Comparator op, std::string_view key, std::string_view text) {
    switch (op) {
        case Comparator::Equal:
            raise_lower(key, false, text);
            lower_upper(key, true, text);
            break;
        case Comparator::NotEqual:
            excluded_.push_back(cut_below_key(key, text));
            break;
        case Comparator::Less:
            lower_upper(key, false, text);
            break;
        case Comparator::LessEqual:
            lower_upper(key, true, text);
            break;
        case Comparator::Greater:
            raise_lower(key, true, text);
            break;
        case Comparator::GreaterEqual:
            raise_lower(key, false, text);
            break;
    }
}

IntervalSet ComparatorList::finish() {
    if (lower_ && upper_ && lower_->at >= upper_->at) return IntervalSet();
    std::sort(excluded_.begin(), excluded_.end(), [](const Cut& a, const Cut& b) { return a.at < b.at; });
    CutList cuts;
    cuts.reserve(2 + 2 * excluded_.size());
    if (lower_) cuts.push_back(*lower_);
    for (std::size_t i = 0; i < excluded_.size(); ++i) {
        const Cut& below = excluded_[i];
        if (i > 0 && below.at == excluded_[i - 1].at) continue;  // "!=" twice is once
        if (lower_ && below.at < lower_->at) continue;           // below the interval
        if (upper_ && below.at >= upper_->at) break;             // above it
        cuts.push_back(below);
        cuts.push_back(cut_above_key(below.at, below.text));
    }
    if (upper_) cuts.push_back(std::move(*upper_));
    // Flips at one place cancel: "!=" at a bound of the interval moves the bound.
    return IntervalSet::from_cuts(!lower_, std::move(cuts));
}

IntervalSet comparator_set(Comparator op, const Cut& below, const Cut& above) {
    switch (op) {
        case Comparator::Equal:
            return IntervalSet::point(below, above);
        case Comparator::NotEqual:
            return IntervalSet::point(below, above).complement();
        case Comparator::Less:
            return IntervalSet::span(std::nullopt, below);
        case Comparator::LessEqual:
            return IntervalSet::span(std::nullopt, above);
        case Comparator::Greater:
            return IntervalSet::span(above, std::nullopt);
        case Comparator::GreaterEqual:
            return IntervalSet::span(below, std::nullopt);
    }
    return IntervalSet();
}

std::string RangeCursor::head() const {
    std::string head = "invalid ";
    head.append(scheme_.name());
    head.append(" range");
    return head;
}

RangeError RangeCursor::error_at(std::size_t offset, std::string_view what) const {
    return malformed_at(head(), text_, offset, what);
}

RangeError RangeCursor::invalid_version(std::string_view version, std::size_t offset) const {
    return invalid_version_at(head(), text_, offset, scheme_.name(), version);
}

RangeResult<Cut> RangeCursor::below(std::string_view version, std::size_t offset) const {
    if (auto cut = cut_below(scheme_, version)) return std::move(*cut);
    return Failure{invalid_version(version, offset)};
}

RangeResult<Cut> RangeCursor::above(std::string_view version, std::size_t offset) const {
    if (auto cut = cut_above(scheme_, version)) return std::move(*cut);
    return Failure{invalid_version(version, offset)};
}

RangeResult<IntervalSet> RangeCursor::comparator(Comparator op, std::string_view version, std::size_t offset) const {
    KeyBuffer key;
    if (!scheme_.key(version, key)) return Failure{invalid_version(version, offset)};
    return comparator_set(op, cut_below_key(key_view(key), version), cut_above_key(key_view(key), version));
}

std::optional<RangeError> RangeCursor::add(ComparatorList& list, Comparator op, std::string_view version,
                                           std::size_t offset) const {
    KeyBuffer key;
    if (!scheme_.key(version, key)) return invalid_version(version, offset);
    list.add(op, key_view(key), version);
    return std::nullopt;
}

VersionSet apply_prerelease_policy(const RangeScheme& scheme, IntervalSet&& releases, PrereleasePolicy policy,
                                   std::optional<IntervalSet>&& default_prereleases) {
    switch (policy) {
        case PrereleasePolicy::Include:
            return VersionSet::uniform(scheme, std::move(releases));
        case PrereleasePolicy::Exclude:
            return VersionSet(scheme, std::move(releases), IntervalSet());
        case PrereleasePolicy::Default:
            break;
    }
    if (!default_prereleases) return VersionSet::uniform(scheme, std::move(releases));
    return VersionSet(scheme, std::move(releases), std::move(*default_prereleases));
}

RangeError not_supported_yet(const RangeScheme& scheme) {
    std::string message(scheme.name());
    message.append(" ranges are not supported yet");
    return {RangeError::Kind::Unsupported, std::move(message), {}, {}};
}

}  // namespace tambry::ranges
