// The eight strategies that share the generic scheme. Each admits or rejects a text
// with a few cheap checks, then parses it with parse_generic and orders with
// cmp_parsed; no other rule of its ecosystem is applied. They differ only in their
// admission rules, so one body serves all eight and each type carries its rules.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "version_strategy.hpp"

namespace tambry {

struct AdmissionRules {
    enum class Check {
        None,             // every text is admitted
        LeadingDigit,     // non-empty after trimming, first byte a digit
        LeadingDigitOrV,  // as LeadingDigit, or "v"/"V" followed by a digit
        Pep440,           // optional "v", optional "N!" epoch, then a digit
    };
    Check check;
    std::string_view empty_message;        // the whole message for an empty text;
                                           // Pep440 follows it with the quoted input
    std::string_view must_start_message;   // followed by the quoted input
    std::string_view unreachable_message;  // internal invariant breach
};

class GenericFamilyStrategy : public VersionStrategy {
public:
    ParseOutcome parse(std::string_view text) const override;
    CompareOutcome compare(const ParsedRepr& a, const ParsedRepr& b) const override;
    Result<Ordering, std::string> compare_texts(std::string_view a, std::string_view b) const override;

    // The message that rejects `text`, or nothing when the scheme admits it (and
    // parse would then give parse_generic of it).
    std::optional<std::string> rejection(std::string_view text) const;

protected:
    constexpr explicit GenericFamilyStrategy(const AdmissionRules& rules) : rules_(rules) {}
    ~GenericFamilyStrategy() = default;

private:
    AdmissionRules rules_;
};

class GenericStrategy final : public GenericFamilyStrategy {
public:
    GenericStrategy();
};
class RubyStrategy final : public GenericFamilyStrategy {
public:
    RubyStrategy();
};
class MavenStrategy final : public GenericFamilyStrategy {
public:
    MavenStrategy();
};
class NugetStrategy final : public GenericFamilyStrategy {
public:
    NugetStrategy();
};
class AlpineStrategy final : public GenericFamilyStrategy {
public:
    AlpineStrategy();
};
class CalverStrategy final : public GenericFamilyStrategy {
public:
    CalverStrategy();
};
class Pep440Strategy final : public GenericFamilyStrategy {
public:
    Pep440Strategy();
};
class ComposerStrategy final : public GenericFamilyStrategy {
public:
    ComposerStrategy();
};

extern const GenericStrategy GENERIC_STRATEGY;
extern const RubyStrategy RUBY_STRATEGY;
extern const MavenStrategy MAVEN_STRATEGY;
extern const NugetStrategy NUGET_STRATEGY;
extern const AlpineStrategy ALPINE_STRATEGY;
extern const CalverStrategy CALVER_STRATEGY;
extern const Pep440Strategy PEP440_STRATEGY;
extern const ComposerStrategy COMPOSER_STRATEGY;

}  // namespace tambry
