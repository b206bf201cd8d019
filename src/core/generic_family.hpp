// The eight strategies that share the generic scheme. Each admits or rejects a text
// with a few cheap checks, then parses it with parse_generic and orders with
// cmp_parsed; no other rule of its ecosystem is applied. They differ only in their
// admission rules, so one body serves all eight and each type carries its rules.
#pragma once

#include <cstdint>
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
    std::optional<Ordering> compare_texts(std::string_view a, std::string_view b) const override;

    // Passes when the scheme admits `text` (parse then gives parse_generic of it);
    // otherwise fails with the message that rejects it.
    Result<void, std::string> admit(std::string_view text) const {
        if (rules_.check == AdmissionRules::Check::None) return {};
        return admit_checked(text);
    }

    // Whether the scheme admits `text`, without a message; when it does, also the
    // epoch and the main part (build suffix still on) that parse_generic would find.
    // One look at the head of the text serves both.
    bool admits(std::string_view text, std::uint64_t& epoch, std::string_view& main) const;

protected:
    constexpr explicit GenericFamilyStrategy(const AdmissionRules& rules) : rules_(rules) {}
    ~GenericFamilyStrategy() = default;

private:
    Result<void, std::string> admit_checked(std::string_view text) const;

    AdmissionRules rules_;
};

class GenericStrategy final : public GenericFamilyStrategy {
public:
    constexpr GenericStrategy()
        : GenericFamilyStrategy({
              AdmissionRules::Check::None,
              "",
              "",
              "internal error: entered unreachable code: generic strategy received non-generic parsed values",
          }) {}
};

class RubyStrategy final : public GenericFamilyStrategy {
public:
    constexpr RubyStrategy()
        : GenericFamilyStrategy({
              AdmissionRules::Check::LeadingDigit,
              "empty Ruby gem version",
              "Ruby gem version must start with a digit: ",
              "internal error: entered unreachable code: ruby strategy received non-generic parsed values",
          }) {}
};

class MavenStrategy final : public GenericFamilyStrategy {
public:
    constexpr MavenStrategy()
        : GenericFamilyStrategy({
              AdmissionRules::Check::LeadingDigit,
              "empty Maven version",
              "Maven version must start with a digit: ",
              "internal error: entered unreachable code: maven strategy received non-generic parsed values",
          }) {}
};

class NugetStrategy final : public GenericFamilyStrategy {
public:
    constexpr NugetStrategy()
        : GenericFamilyStrategy({
              AdmissionRules::Check::LeadingDigit,
              "empty NuGet version",
              "NuGet version must start with a digit: ",
              "internal error: entered unreachable code: nuget strategy received non-generic parsed values",
          }) {}
};

class AlpineStrategy final : public GenericFamilyStrategy {
public:
    constexpr AlpineStrategy()
        : GenericFamilyStrategy({
              AdmissionRules::Check::LeadingDigit,
              "empty Alpine version",
              "Alpine version must start with a digit: ",
              "internal error: entered unreachable code: alpine strategy received non-generic parsed values",
          }) {}
};

class CalverStrategy final : public GenericFamilyStrategy {
public:
    constexpr CalverStrategy()
        : GenericFamilyStrategy({
              AdmissionRules::Check::LeadingDigit,
              "empty CalVer version",
              "CalVer version must start with a digit: ",
              "internal error: entered unreachable code: calver strategy received non-generic parsed values",
          }) {}
};

class Pep440Strategy final : public GenericFamilyStrategy {
public:
    constexpr Pep440Strategy()
        : GenericFamilyStrategy({
              AdmissionRules::Check::Pep440,
              "empty PEP 440 version: ",
              "PEP 440 version must start with a digit: ",
              "internal error: entered unreachable code: pep440 strategy received non-generic parsed values",
          }) {}
};

class ComposerStrategy final : public GenericFamilyStrategy {
public:
    constexpr ComposerStrategy()
        : GenericFamilyStrategy({
              AdmissionRules::Check::LeadingDigitOrV,
              "empty Composer version",
              "Composer version must start with a digit: ",
              "internal error: entered unreachable code: composer strategy received non-generic parsed values",
          }) {}
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
