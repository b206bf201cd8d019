#include "generic_family.hpp"

#include <string>

#include "generic_ordering.hpp"
#include "generic_parser.hpp"
#include "text.hpp"

namespace tambry {
namespace {

using Admission = Result<void, std::string>;
using Check = AdmissionRules::Check;

// The checks run on the trimmed text; every quoted input is the caller's own text,
// blanks included, and a message is only built once a check has failed.
Admission admit_leading_digit(const AdmissionRules& rules, std::string_view input, bool allow_v) {
    const std::string_view trimmed = trim_white_space(input);
    if (trimmed.empty()) return Failure{std::string(rules.empty_message)};
    if (is_digit(trimmed[0])) return {};
    if (allow_v && has_v_prefix(trimmed)) return {};
    return Failure{quoted_message(rules.must_start_message, input)};
}

Admission admit_pep440(const AdmissionRules& rules, std::string_view input) {
    std::string_view rest = trim_white_space(input);
    if (has_v_prefix(rest)) rest.remove_prefix(1);
    const std::size_t bang = rest.find('!');
    if (bang != std::string_view::npos) {
        const std::string_view epoch = rest.substr(0, bang);
        if (!all_digits(epoch)) return Failure{quoted_message("invalid PEP 440 epoch: ", epoch)};
        rest.remove_prefix(bang + 1);
    }
    if (rest.empty() || rest[0] == '+') return Failure{quoted_message(rules.empty_message, input)};
    if (!is_digit(rest[0])) return Failure{quoted_message(rules.must_start_message, input)};
    return {};
}

}  // namespace

Admission GenericFamilyStrategy::admit_checked(std::string_view text) const {
    switch (rules_.check) {
        case Check::None: return {};
        case Check::LeadingDigit: return admit_leading_digit(rules_, text, false);
        case Check::LeadingDigitOrV: return admit_leading_digit(rules_, text, true);
        case Check::Pep440: return admit_pep440(rules_, text);
    }
    return {};
}

ParseOutcome GenericFamilyStrategy::parse(std::string_view text) const {
    if (auto admission = admit(text); !admission.ok()) return Failure{std::move(admission.error())};
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

namespace {

// The same conditions as the admission checks above, which give the messages,
// with the epoch found in the same look at the leading digits: the one scan that
// admission and the epoch both need. Each scheme's check is compiled on its own,
// so that a comparison decides which one applies once for both texts.
template <Check CHECK>
inline bool admits_under(std::string_view text, std::uint64_t& epoch, std::string_view& main) {
    std::string_view rest = trim_white_space(text);
    const bool v = has_v_prefix(rest);
    if constexpr (CHECK == Check::LeadingDigit) {
        if (rest.empty() || !is_digit(rest[0])) return false;
    } else if constexpr (CHECK == Check::LeadingDigitOrV) {
        if (rest.empty() || !(is_digit(rest[0]) || v)) return false;
    }
    if (v) rest.remove_prefix(1);
    std::size_t digits = 0;
    while (digits < rest.size() && is_digit(rest[digits])) ++digits;
    const char after = digits < rest.size() ? rest[digits] : '\0';
    if constexpr (CHECK == Check::Pep440) {
        // Digits, "!" and a digit; or a digit and no "!" anywhere.
        if (digits == 0) return false;
        if (after == '!') {
            if (digits + 1 >= rest.size() || !is_digit(rest[digits + 1])) return false;
        } else {
            for (std::size_t i = digits; i < rest.size(); ++i) {
                if (rest[i] == '!') return false;
            }
        }
    }
    epoch = 0;
    if (digits > 0 && (after == ':' || after == '!')) {
        const DigitRun run = read_digit_run(rest.substr(0, digits));
        if (run.fits) {
            epoch = run.value;
            rest.remove_prefix(digits + 1);
        }
    }
    main = rest;
    return true;
}

template <Check CHECK>
std::optional<Ordering> compare_admitted(std::string_view a, std::string_view b) {
    std::uint64_t left_epoch, right_epoch;
    std::string_view left, right;
    if (!admits_under<CHECK>(a, left_epoch, left) || !admits_under<CHECK>(b, right_epoch, right)) {
        return std::nullopt;
    }
    if (left_epoch != right_epoch) return order_of(left_epoch, right_epoch);
    return cmp_generic_texts(left, right);
}

}  // namespace

bool GenericFamilyStrategy::admits(std::string_view text, std::uint64_t& epoch, std::string_view& main) const {
    switch (rules_.check) {
        case Check::None: return admits_under<Check::None>(text, epoch, main);
        case Check::LeadingDigit: return admits_under<Check::LeadingDigit>(text, epoch, main);
        case Check::LeadingDigitOrV: return admits_under<Check::LeadingDigitOrV>(text, epoch, main);
        case Check::Pep440: return admits_under<Check::Pep440>(text, epoch, main);
    }
    return false;
}

std::optional<Ordering> GenericFamilyStrategy::compare_texts(std::string_view a, std::string_view b) const {
    switch (rules_.check) {
        case Check::None: return compare_admitted<Check::None>(a, b);
        case Check::LeadingDigit: return compare_admitted<Check::LeadingDigit>(a, b);
        case Check::LeadingDigitOrV: return compare_admitted<Check::LeadingDigitOrV>(a, b);
        case Check::Pep440: return compare_admitted<Check::Pep440>(a, b);
    }
    return std::nullopt;
}

constinit const GenericStrategy GENERIC_STRATEGY;
constinit const RubyStrategy RUBY_STRATEGY;
constinit const MavenStrategy MAVEN_STRATEGY;
constinit const NugetStrategy NUGET_STRATEGY;
constinit const AlpineStrategy ALPINE_STRATEGY;
constinit const CalverStrategy CALVER_STRATEGY;
constinit const Pep440Strategy PEP440_STRATEGY;
constinit const ComposerStrategy COMPOSER_STRATEGY;

}  // namespace tambry
