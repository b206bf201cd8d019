// The union of many sets taken at once. Uniting them one by one costs the square
// of their number when they are many and apart ("1.0.0 || 1.0.1 || ..."); this
// gathers their intervals and merges them in one sort.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "ranges/interval_set.hpp"

namespace tambry::ranges {

class SetUnion {
public:
    void add(const IntervalSet& set) {
        for (const Interval& interval : set.intervals()) {
            Piece piece;
            if (interval.lower) piece.lower = *interval.lower;
            if (interval.upper) piece.upper = *interval.upper;
            pieces_.push_back(std::move(piece));
        }
    }
    IntervalSet finish() { return IntervalSet::union_of(std::move(pieces_)); }

private:
    std::vector<Piece> pieces_;
};

}  // namespace tambry::ranges
