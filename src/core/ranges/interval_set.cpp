#include "ranges/interval_set.hpp"

#include <algorithm>
#include <cstddef>

namespace tambry::ranges {
namespace {

// A lower end at the least byte string bounds nothing.
void drop_empty_lower(std::optional<Cut>& lower) {
    if (lower && lower->at.empty()) lower.reset();
}

bool is_empty_span(const std::optional<Cut>& lower, const std::optional<Cut>& upper) {
    if (upper && upper->at.empty()) return true;
    return lower && upper && lower->at >= upper->at;
}

bool is_empty_piece(const Piece& p) { return is_empty_span(p.lower, p.upper); }

// Orders pieces by their lower ends, an unbounded one first.
bool lower_before(const Piece& a, const Piece& b) {
    if (!a.lower || !b.lower) return !a.lower && b.lower;
    return a.lower->at < b.lower->at;
}

}  // namespace

IntervalSet IntervalSet::all() { return IntervalSet(true, {}); }

IntervalSet IntervalSet::span(std::optional<Cut> lower, std::optional<Cut> upper) {
    drop_empty_lower(lower);
    if (is_empty_span(lower, upper)) return IntervalSet();
    IntervalSet result(!lower, {});
    result.cuts_.reserve(std::size_t{lower.has_value()} + std::size_t{upper.has_value()});
    if (lower) result.cuts_.push_back(std::move(*lower));
    if (upper) result.cuts_.push_back(std::move(*upper));
    return result;
}

IntervalSet IntervalSet::union_of(std::vector<Piece> pieces) {
    for (Piece& p : pieces) drop_empty_lower(p.lower);
    std::erase_if(pieces, is_empty_piece);
    if (pieces.empty()) return IntervalSet();
    std::sort(pieces.begin(), pieces.end(), lower_before);

    IntervalSet result(!pieces.front().lower, {});
    Piece current = std::move(pieces.front());
    auto close = [&](Piece& p) {
        if (p.lower) result.cuts_.push_back(std::move(*p.lower));
        if (p.upper) result.cuts_.push_back(std::move(*p.upper));
    };
    for (std::size_t i = 1; i < pieces.size() && current.upper; ++i) {
        Piece& next = pieces[i];
        // Touching pieces merge too, so that no two intervals of the result touch.
        if (!next.lower || next.lower->at <= current.upper->at) {
            if (!next.upper || next.upper->at > current.upper->at) current.upper = std::move(next.upper);
            continue;
        }
        close(current);
        current = std::move(next);
    }
    close(current);
    return result;
}

// The cuts kept are gathered at the front of the caller's list, which the set then takes.
IntervalSet IntervalSet::from_cuts(bool starts_inside, CutList&& cuts) {
    std::size_t kept = 0;
    for (Cut& cut : cuts) {
        if (kept > 0 && cuts[kept - 1].at == cut.at) {
            --kept;
        } else if (cut.at.empty() && kept == 0) {
            // A flip below the least byte string is a set that starts flipped.
            starts_inside = !starts_inside;
        } else {
            if (&cuts[kept] != &cut) cuts[kept] = std::move(cut);
            ++kept;
        }
    }
    cuts.truncate(kept);
    return IntervalSet(starts_inside, std::move(cuts));
}

IntervalSet IntervalSet::from_cuts(bool starts_inside, std::vector<Cut> cuts) {
    CutList list;
    list.reserve(cuts.size());
    for (Cut& cut : cuts) list.push_back(std::move(cut));
    return from_cuts(starts_inside, std::move(list));
}

bool IntervalSet::contains(std::string_view key) const {
    const auto above = std::upper_bound(cuts_.begin(), cuts_.end(), key,
                                        [](std::string_view k, const Cut& cut) { return k < cut.at; });
    const bool odd = (above - cuts_.begin()) % 2 == 1;
    return starts_inside_ != odd;
}

// Walks the cuts of both sets in order, keeping a cut wherever `keep` of the two
// memberships changes. Of two cuts at one place, the one named by a version is kept.
template <class Keep>
IntervalSet IntervalSet::combine(const IntervalSet& a, const IntervalSet& b, Keep keep) {
    bool in_a = a.starts_inside_;
    bool in_b = b.starts_inside_;
    bool inside = keep(in_a, in_b);
    IntervalSet result(inside, {});
    result.cuts_.reserve(a.cuts_.size() + b.cuts_.size());
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.cuts_.size() || j < b.cuts_.size()) {
        const int order = i == a.cuts_.size()   ? 1
                          : j == b.cuts_.size() ? -1
                                                : a.cuts_[i].at.compare(b.cuts_[j].at);
        const Cut* name = nullptr;
        if (order <= 0) {
            in_a = !in_a;
            name = &a.cuts_[i++];
        }
        if (order >= 0) {
            in_b = !in_b;
            const Cut* other = &b.cuts_[j++];
            if (!name || (!name->has_text() && other->has_text())) name = other;
        }
        const bool now = keep(in_a, in_b);
        if (now != inside) {
            result.cuts_.push_back(*name);
            inside = now;
        }
    }
    return result;
}

// Whether `found` holds for the two memberships anywhere in key space.
template <class Found>
bool IntervalSet::any_region(const IntervalSet& a, const IntervalSet& b, Found found) {
    bool in_a = a.starts_inside_;
    bool in_b = b.starts_inside_;
    if (found(in_a, in_b)) return true;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.cuts_.size() || j < b.cuts_.size()) {
        const int order = i == a.cuts_.size()   ? 1
                          : j == b.cuts_.size() ? -1
                                                : a.cuts_[i].at.compare(b.cuts_[j].at);
        if (order <= 0) {
            in_a = !in_a;
            ++i;
        }
        if (order >= 0) {
            in_b = !in_b;
            ++j;
        }
        if (found(in_a, in_b)) return true;
    }
    return false;
}

IntervalSet IntervalSet::unite(const IntervalSet& other) const {
    return combine(*this, other, [](bool a, bool b) { return a || b; });
}

IntervalSet IntervalSet::intersect(const IntervalSet& other) const {
    return combine(*this, other, [](bool a, bool b) { return a && b; });
}

IntervalSet IntervalSet::minus(const IntervalSet& other) const {
    return combine(*this, other, [](bool a, bool b) { return a && !b; });
}

IntervalSet IntervalSet::complement() const { return IntervalSet(!starts_inside_, CutList(cuts_)); }

bool IntervalSet::is_subset_of(const IntervalSet& other) const {
    return !any_region(*this, other, [](bool a, bool b) { return a && !b; });
}

bool IntervalSet::is_disjoint_from(const IntervalSet& other) const {
    return !any_region(*this, other, [](bool a, bool b) { return a && b; });
}

bool IntervalSet::operator==(const IntervalSet& other) const {
    if (starts_inside_ != other.starts_inside_ || cuts_.size() != other.cuts_.size()) return false;
    for (std::size_t i = 0; i < cuts_.size(); ++i) {
        if (cuts_[i].at != other.cuts_[i].at) return false;
    }
    return true;
}

std::vector<Interval> IntervalSet::intervals() const {
    std::vector<Interval> result;
    std::size_t i = 0;
    if (starts_inside_) {
        result.push_back({nullptr, cuts_.empty() ? nullptr : &cuts_[0]});
        i = 1;
    }
    for (; i < cuts_.size(); i += 2) {
        result.push_back({&cuts_[i], i + 1 < cuts_.size() ? &cuts_[i + 1] : nullptr});
    }
    return result;
}

}  // namespace tambry::ranges
