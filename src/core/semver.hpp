// Strict Semantic Versioning 2.0.0, as used by semver, npm, crates, Hex, Swift and Go.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "version_strategy.hpp"

namespace tambry {

// Reads one core number; `name` ("major", "minor" or "patch") is used in messages.
Result<std::uint64_t, std::string> parse_strict_u64(std::string_view text, std::string_view name);

Result<SemverValue, std::string> parse_semver_strict(std::string_view text);

Ordering cmp_semver_strict(const SemverValue& a, const SemverValue& b);

class SemverStrategy : public VersionStrategy {
public:
    constexpr SemverStrategy()
        : SemverStrategy("internal error: entered unreachable code: semver strategy received non-semver parsed values") {}

    ParseOutcome parse(std::string_view text) const override;
    CompareOutcome compare(const ParsedRepr& a, const ParsedRepr& b) const override;
    std::optional<Ordering> compare_texts(std::string_view a, std::string_view b) const override;

protected:
    constexpr explicit SemverStrategy(std::string_view unreachable_message)
        : unreachable_message_(unreachable_message) {}

private:
    std::string_view unreachable_message_;
};

// Go module versions: the parser and precedence of SemverStrategy; only the
// internal-invariant message names Go.
class GoStrategy final : public SemverStrategy {
public:
    constexpr GoStrategy()
        : SemverStrategy("internal error: entered unreachable code: go strategy received non-semver parsed values") {}
};

extern const SemverStrategy SEMVER_STRATEGY;
extern const GoStrategy GO_STRATEGY;

}  // namespace tambry
