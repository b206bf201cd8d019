// A set of byte strings made of finitely many intervals: the form every range takes
// in key space. It is held as the cuts where membership flips:
//
//     starts_inside = false, cuts = [a, b, c]
//
//     ...........[a=========b)..........[c==============...
//
// A string belongs to the set when an odd number of cuts lie below it, flipped when
// the set starts inside (holds everything below its first cut). Cuts strictly
// increase, so two intervals never touch or overlap, and the form of a set is
// unique: equal sets have equal cuts. Membership is a binary search; union,
// intersection and complement are one merge of two cut lists.
#pragma once

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "ranges/cut.hpp"
#include "ranges/cut_list.hpp"

namespace tambry::ranges {

// One interval of a set: [lower, upper), a null end being unbounded.
struct Interval {
    const Cut* lower;
    const Cut* upper;
};

// Any interval, as the parsers build them; an absent end is unbounded.
struct Piece {
    std::optional<Cut> lower;
    std::optional<Cut> upper;
};

class IntervalSet {
public:
    IntervalSet() = default;  // the empty set

    static IntervalSet all();
    // [lower, upper) with either end absent for unbounded; empty unless lower < upper.
    static IntervalSet span(std::optional<Cut> lower, std::optional<Cut> upper);
    // The one key named by both cuts: [below, above).
    static IntervalSet point(Cut below, Cut above) { return span(std::move(below), std::move(above)); }
    // The union of any pieces, in any order, overlapping or not.
    static IntervalSet union_of(std::vector<Piece> pieces);
    // The set that flips at each of `cuts`, given in order, never decreasing: two
    // flips at one place cancel.
    static IntervalSet from_cuts(bool starts_inside, CutList&& cuts);
    static IntervalSet from_cuts(bool starts_inside, std::vector<Cut> cuts);

    bool empty() const { return !starts_inside_ && cuts_.empty(); }
    bool is_all() const { return starts_inside_ && cuts_.empty(); }
    bool contains(std::string_view key) const;

    IntervalSet unite(const IntervalSet& other) const;
    IntervalSet intersect(const IntervalSet& other) const;
    IntervalSet minus(const IntervalSet& other) const;
    IntervalSet complement() const;
    bool is_subset_of(const IntervalSet& other) const;
    bool is_disjoint_from(const IntervalSet& other) const;
    bool operator==(const IntervalSet& other) const;

    std::vector<Interval> intervals() const;
    bool starts_inside() const { return starts_inside_; }
    const CutList& cuts() const { return cuts_; }

private:
    IntervalSet(bool starts_inside, CutList&& cuts) : starts_inside_(starts_inside), cuts_(std::move(cuts)) {}

    template <class Keep>
    static IntervalSet combine(const IntervalSet& a, const IntervalSet& b, Keep keep);
    template <class Found>
    static bool any_region(const IntervalSet& a, const IntervalSet& b, Found found);

    bool starts_inside_ = false;
    CutList cuts_;
};

}  // namespace tambry::ranges
