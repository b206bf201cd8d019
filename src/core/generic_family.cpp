#include "generic_family.hpp"

#include <optional>
#include <string>

#include "generic_ordering.hpp"
#include "generic_parser.hpp"
#include "text.hpp"

namespace tambry {
namespace {

using Check = AdmissionRules::Check;

bool all_digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!is_digit(c)) return false;
    }
    return true;
}

bool starts_with_digit(std::string_view text) { return !text.empty() && is_digit(text[0]); }

// The checks run on the trimmed text; every quoted input is the caller's own text,
// blanks included, and a message is only built once a check has failed.
std::optional<std::string> leading_digit_failure(const AdmissionRules& rules, std::string_view input,
                                                 bool allow_v) {
    const std::string_view trimmed = trim_white_space(input);
    if (trimmed.empty()) return std::string(rules.empty_message);
    if (starts_with_digit(trimmed)) return std::nullopt;
    if (allow_v && has_v_prefix(trimmed)) return std::nullopt;
    return quoted_message(rules.must_start_message, input);
}

std::optional<std::string> pep440_failure(const AdmissionRules& rules, std::string_view input) {
    std::string_view rest = trim_white_space(input);
    if (has_v_prefix(rest)) rest.remove_prefix(1);
    const std::size_t bang = rest.find('!');
    if (bang != std::string_view::npos) {
        const std::string_view epoch = rest.substr(0, bang);
        if (!all_digits(epoch)) return quoted_message("invalid PEP 440 epoch: ", epoch);
        rest.remove_prefix(bang + 1);
    }
    if (rest.empty() || rest[0] == '+') return quoted_message(rules.empty_message, input);
    if (!is_digit(rest[0])) return quoted_message(rules.must_start_message, input);
    return std::nullopt;
}

std::optional<std::string> admission_failure(const AdmissionRules& rules, std::string_view input) {
    switch (rules.check) {
        case Check::None: return std::nullopt;
        case Check::LeadingDigit: return leading_digit_failure(rules, input, false);
        case Check::LeadingDigitOrV: return leading_digit_failure(rules, input, true);
        case Check::Pep440: return pep440_failure(rules, input);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> GenericFamilyStrategy::rejection(std::string_view text) const {
    if (rules_.check == Check::None) return std::nullopt;
    return admission_failure(rules_, text);
}

ParseOutcome GenericFamilyStrategy::parse(std::string_view text) const {
    if (auto message = rejection(text)) return Failure{std::move(*message)};
    ParseOutcome outcome(std::in_place);
    parse_generic_into(text, std::get<ParsedRepr::Generic>(outcome.value().value));
    return outcome;
}

CompareOutcome GenericFamilyStrategy::compare(const ParsedRepr& a, const ParsedRepr& b) const {
    const auto* left = std::get_if<ParsedRepr::Generic>(&a.value);
    const auto* right = std::get_if<ParsedRepr::Generic>(&b.value);
    if (!left || !right) return Failure{InternalError{rules_.unreachable_message}};
    return cmp_parsed(*left, *right);
}

Result<Ordering, std::string> GenericFamilyStrategy::compare_texts(std::string_view a, std::string_view b) const {
    if (auto message = rejection(a)) return Failure{std::move(*message)};
    if (auto message = rejection(b)) return Failure{std::move(*message)};
    std::uint64_t left_epoch, right_epoch;
    const std::string_view left = strip_generic_prefix(a, left_epoch);
    const std::string_view right = strip_generic_prefix(b, right_epoch);
    if (left_epoch != right_epoch) return order_of(left_epoch, right_epoch);
    return cmp_segment_streams(TextCursor(left), TextCursor(right));
}

GenericStrategy::GenericStrategy()
    : GenericFamilyStrategy({
          Check::None,
          "",
          "",
          "internal error: entered unreachable code: generic strategy received non-generic parsed values",
      }) {}

RubyStrategy::RubyStrategy()
    : GenericFamilyStrategy({
          Check::LeadingDigit,
          "empty Ruby gem version",
          "Ruby gem version must start with a digit: ",
          "internal error: entered unreachable code: ruby strategy received non-generic parsed values",
      }) {}

MavenStrategy::MavenStrategy()
    : GenericFamilyStrategy({
          Check::LeadingDigit,
          "empty Maven version",
          "Maven version must start with a digit: ",
          "internal error: entered unreachable code: maven strategy received non-generic parsed values",
      }) {}

NugetStrategy::NugetStrategy()
    : GenericFamilyStrategy({
          Check::LeadingDigit,
          "empty NuGet version",
          "NuGet version must start with a digit: ",
          "internal error: entered unreachable code: nuget strategy received non-generic parsed values",
      }) {}

AlpineStrategy::AlpineStrategy()
    : GenericFamilyStrategy({
          Check::LeadingDigit,
          "empty Alpine version",
          "Alpine version must start with a digit: ",
          "internal error: entered unreachable code: alpine strategy received non-generic parsed values",
      }) {}

CalverStrategy::CalverStrategy()
    : GenericFamilyStrategy({
          Check::LeadingDigit,
          "empty CalVer version",
          "CalVer version must start with a digit: ",
          "internal error: entered unreachable code: calver strategy received non-generic parsed values",
      }) {}

Pep440Strategy::Pep440Strategy()
    : GenericFamilyStrategy({
          Check::Pep440,
          "empty PEP 440 version: ",
          "PEP 440 version must start with a digit: ",
          "internal error: entered unreachable code: pep440 strategy received non-generic parsed values",
      }) {}

ComposerStrategy::ComposerStrategy()
    : GenericFamilyStrategy({
          Check::LeadingDigitOrV,
          "empty Composer version",
          "Composer version must start with a digit: ",
          "internal error: entered unreachable code: composer strategy received non-generic parsed values",
      }) {}

const GenericStrategy GENERIC_STRATEGY;
const RubyStrategy RUBY_STRATEGY;
const MavenStrategy MAVEN_STRATEGY;
const NugetStrategy NUGET_STRATEGY;
const AlpineStrategy ALPINE_STRATEGY;
const CalverStrategy CALVER_STRATEGY;
const Pep440Strategy PEP440_STRATEGY;
const ComposerStrategy COMPOSER_STRATEGY;

}  // namespace tambry
