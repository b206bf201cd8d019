#include "debian.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "text.hpp"

namespace tambry {
namespace {

constexpr std::string_view EMPTY_MESSAGE = "empty Debian version";
constexpr std::string_view FOREIGN_VALUE_MESSAGE =
    "internal error: entered unreachable code: debian strategy received non-debian parsed values";

// The place of one position in the Debian character order. The end of the text and
// a digit both weigh 0, so that a shorter text and a digit run meet on equal terms;
// "~" sorts before both, and every byte that is not a letter sorts after all letters.
int weight_at(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    const char c = text[pos];
    if (is_digit(c)) return 0;
    if (c == '~') return -1;
    const int byte = static_cast<unsigned char>(c);
    return is_letter(c) ? byte : byte + 256;
}

bool digit_at(std::string_view text, std::size_t pos) {
    return pos < text.size() && is_digit(text[pos]);
}

bool non_digit_at(std::string_view text, std::size_t pos) {
    return pos < text.size() && !is_digit(text[pos]);
}

}  // namespace

EpochSplit extract_epoch_colon(std::string_view text) {
    constexpr std::uint64_t LIMIT = UINT64_MAX;
    std::uint64_t epoch = 0;
    bool fits = true;
    std::size_t pos = 0;
    for (; pos < text.size() && is_digit(text[pos]); ++pos) {
        const std::uint64_t digit = static_cast<std::uint64_t>(text[pos] - '0');
        if (epoch > (LIMIT - digit) / 10) fits = false;
        if (fits) epoch = epoch * 10 + digit;
    }
    if (pos == 0 || pos == text.size() || text[pos] != ':' || !fits) return {0, text};
    return {epoch, text.substr(pos + 1)};
}

Ordering verrevcmp(std::string_view a, std::string_view b) {
    // Pairs of versions often share their upstream part; equal texts are equal.
    if (a == b) return Ordering::Equal;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        while (non_digit_at(a, i) || non_digit_at(b, j)) {
            const int wa = weight_at(a, i);
            const int wb = weight_at(b, j);
            if (wa != wb) return order_of(wa, wb);
            if (i < a.size()) ++i;
            if (j < b.size()) ++j;
        }
        // Leading zeros carry no value; once they are gone the longer run is the
        // larger number and, at equal length, the first differing digit decides.
        while (i < a.size() && a[i] == '0') ++i;
        while (j < b.size() && b[j] == '0') ++j;
        int first_difference = 0;
        while (digit_at(a, i) && digit_at(b, j)) {
            if (first_difference == 0) first_difference = a[i] - b[j];
            ++i;
            ++j;
        }
        if (digit_at(a, i)) return Ordering::Greater;
        if (digit_at(b, j)) return Ordering::Less;
        if (first_difference != 0) return order_of(first_difference, 0);
    }
    return Ordering::Equal;
}

std::optional<PackageVersionParts> split_package_version(std::string_view text) {
    const std::string_view trimmed = trim_white_space(text);
    if (trimmed.empty()) return std::nullopt;
    const EpochSplit split = extract_epoch_colon(trimmed);
    const std::size_t dash = split.rest.rfind('-');
    if (dash == std::string_view::npos) return PackageVersionParts{split.epoch, split.rest, {}};
    return PackageVersionParts{split.epoch, split.rest.substr(0, dash), split.rest.substr(dash + 1)};
}

namespace {

Ordering compare_parts(std::uint64_t epoch_a, std::string_view upstream_a, std::string_view revision_a,
                       std::uint64_t epoch_b, std::string_view upstream_b, std::string_view revision_b) {
    if (epoch_a != epoch_b) return order_of(epoch_a, epoch_b);
    const Ordering upstream = verrevcmp(upstream_a, upstream_b);
    if (upstream != Ordering::Equal) return upstream;
    return verrevcmp(revision_a, revision_b);
}

}  // namespace

ParseOutcome DebianStrategy::parse(std::string_view text) const {
    const auto parts = split_package_version(text);
    if (!parts) return Failure{std::string(EMPTY_MESSAGE)};
    return ParsedRepr{
        DebianValue{OwnedText(parts->before_last_dash), OwnedText(parts->after_last_dash), parts->epoch}};
}

CompareOutcome DebianStrategy::compare(const ParsedRepr& a, const ParsedRepr& b) const {
    const DebianValue* left = std::get_if<DebianValue>(&a.value);
    const DebianValue* right = std::get_if<DebianValue>(&b.value);
    if (!left || !right) return Failure{InternalError{FOREIGN_VALUE_MESSAGE}};
    return compare_parts(left->epoch, left->upstream.view(), left->revision.view(), right->epoch,
                         right->upstream.view(), right->revision.view());
}

Result<Ordering, std::string> DebianStrategy::compare_texts(std::string_view a, std::string_view b) const {
    const auto left = split_package_version(a);
    if (!left) return Failure{std::string(EMPTY_MESSAGE)};
    const auto right = split_package_version(b);
    if (!right) return Failure{std::string(EMPTY_MESSAGE)};
    return compare_parts(left->epoch, left->before_last_dash, left->after_last_dash, right->epoch,
                         right->before_last_dash, right->after_last_dash);
}

constinit const DebianStrategy DEBIAN_STRATEGY{};

}  // namespace tambry
