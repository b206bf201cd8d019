// RPM package versions: epoch, version and release, ordered by the RPM segment
// comparison in which "~" sorts before the base version and "^" after it.
#pragma once

#include <string_view>

#include "version_strategy.hpp"

namespace tambry {

Ordering rpmverscmp(std::string_view a, std::string_view b);

class RpmStrategy final : public VersionStrategy {
public:
    ParseOutcome parse(std::string_view text) const override;
    CompareOutcome compare(const ParsedRepr& a, const ParsedRepr& b) const override;
    Result<Ordering, std::string> compare_texts(std::string_view a, std::string_view b) const override;
};

extern const RpmStrategy RPM_STRATEGY;

}  // namespace tambry
