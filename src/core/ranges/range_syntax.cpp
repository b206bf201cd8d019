#include "ranges/range_syntax.hpp"

#include <utility>

namespace tambry::ranges {

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

VersionSet apply_prerelease_policy(const RangeScheme& scheme, IntervalSet releases, PrereleasePolicy policy,
                                   IntervalSet default_prereleases) {
    switch (policy) {
        case PrereleasePolicy::Include:
            return VersionSet::uniform(scheme, std::move(releases));
        case PrereleasePolicy::Exclude:
            return VersionSet(scheme, std::move(releases), IntervalSet());
        case PrereleasePolicy::Default:
            break;
    }
    return VersionSet(scheme, std::move(releases), std::move(default_prereleases));
}

RangeError not_supported_yet(const RangeScheme& scheme) {
    std::string message(scheme.name());
    message.append(" ranges are not supported yet");
    return {RangeError::Kind::Unsupported, std::move(message), {}, {}};
}

}  // namespace tambry::ranges
