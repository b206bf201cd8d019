// Debian package versions: epoch, upstream version and revision, ordered by the
// Debian rules in which "~" sorts before everything, even the end of the text.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>

#include "version_strategy.hpp"

namespace tambry {

struct EpochSplit {
    std::uint64_t epoch;
    std::string_view rest;  // a view into the argument
};

// Splits a leading "N:" epoch off `text`; shared with the RPM scheme. Never fails:
// without a valid epoch the epoch is 0 and the rest is the whole text.
EpochSplit extract_epoch_colon(std::string_view text);

Ordering verrevcmp(std::string_view a, std::string_view b);

class DebianStrategy final : public VersionStrategy {
public:
    ParseOutcome parse(std::string_view text) const override;
    CompareOutcome compare(const ParsedRepr& a, const ParsedRepr& b) const override;
};

extern const DebianStrategy DEBIAN_STRATEGY;

}  // namespace tambry
