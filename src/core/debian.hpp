// Debian package versions: epoch, upstream version and revision, ordered by the
// Debian rules in which "~" sorts before everything, even the end of the text.
#pragma once

#include <cstdint>
#include <optional>
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

// A package version as the Debian and RPM schemes both cut it: the trimmed text's
// epoch, then what stands before and after its last "-" (views into the text).
struct PackageVersionParts {
    std::uint64_t epoch;
    std::string_view before_last_dash;  // Debian's upstream version, RPM's version
    std::string_view after_last_dash;   // Debian's revision, RPM's release; may be empty
};

// Nothing when the text is empty once trimmed, the schemes' only rejection.
std::optional<PackageVersionParts> split_package_version(std::string_view text);

class DebianStrategy final : public VersionStrategy {
public:
    ParseOutcome parse(std::string_view text) const override;
    CompareOutcome compare(const ParsedRepr& a, const ParsedRepr& b) const override;
    Result<Ordering, std::string> compare_texts(std::string_view a, std::string_view b) const override;
};

extern const DebianStrategy DEBIAN_STRATEGY;

}  // namespace tambry
