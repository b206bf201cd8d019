#include "rpm.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <variant>

#include "debian.hpp"
#include "text.hpp"

namespace tambry {
namespace {

constexpr std::string_view EMPTY_MESSAGE = "empty RPM version";
constexpr std::string_view FOREIGN_VALUE_MESSAGE =
    "internal error: entered unreachable code: rpm strategy received non-rpm parsed values";

// Separators only delimit segments; "~" and "^" carry meaning of their own.
bool is_separator(char c) { return !is_alnum(c) && c != '~' && c != '^'; }

bool byte_is(std::string_view text, std::size_t pos, char wanted) {
    return pos < text.size() && text[pos] == wanted;
}

std::size_t skip_separators(std::string_view text, std::size_t pos) {
    while (pos < text.size() && is_separator(text[pos])) ++pos;
    return pos;
}

// The end of the maximal run of bytes satisfying `belongs`, starting at `pos`.
template <class Predicate>
std::size_t run_end(std::string_view text, std::size_t pos, Predicate belongs) {
    while (pos < text.size() && belongs(text[pos])) ++pos;
    return pos;
}

Ordering compare_bytes(std::string_view a, std::string_view b) {
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return order_of(c, 0);
    return order_of(a.size(), b.size());
}

// Numbers of any length: without their leading zeros, the longer run is larger and
// runs of equal length order like their digits.
Ordering compare_digit_runs(std::string_view a, std::string_view b) {
    a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
    b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() != b.size()) return order_of(a.size(), b.size());
    return compare_bytes(a, b);
}

}  // namespace

Ordering rpmverscmp(std::string_view a, std::string_view b) {
    if (a == b) return Ordering::Equal;

    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        i = skip_separators(a, i);
        j = skip_separators(b, j);

        const bool tilde_a = byte_is(a, i, '~');
        const bool tilde_b = byte_is(b, j, '~');
        if (tilde_a || tilde_b) {
            if (!tilde_a) return Ordering::Greater;
            if (!tilde_b) return Ordering::Less;
            ++i;
            ++j;
            continue;
        }

        const bool caret_a = byte_is(a, i, '^');
        const bool caret_b = byte_is(b, j, '^');
        if (caret_a || caret_b) {
            if (i == a.size()) return Ordering::Less;
            if (j == b.size()) return Ordering::Greater;
            if (!caret_a) return Ordering::Greater;
            if (!caret_b) return Ordering::Less;
            ++i;
            ++j;
            continue;
        }

        if (i == a.size() || j == b.size()) break;

        // Both positions now hold an alphanumeric byte, so `a`'s segment is never
        // empty and every pass below consumes at least one byte of each text.
        const bool numeric = is_digit(a[i]);
        const std::size_t end_a = numeric ? run_end(a, i, is_digit) : run_end(a, i, is_letter);
        const std::size_t end_b = numeric ? run_end(b, j, is_digit) : run_end(b, j, is_letter);
        if (end_b == j) return numeric ? Ordering::Greater : Ordering::Less;

        const std::string_view seg_a = a.substr(i, end_a - i);
        const std::string_view seg_b = b.substr(j, end_b - j);
        const Ordering order = numeric ? compare_digit_runs(seg_a, seg_b) : compare_bytes(seg_a, seg_b);
        if (order != Ordering::Equal) return order;
        i = end_a;
        j = end_b;
    }

    if (i == a.size() && j == b.size()) return Ordering::Equal;
    return i == a.size() ? Ordering::Less : Ordering::Greater;
}

namespace {

Ordering compare_parts(std::uint64_t epoch_a, std::string_view version_a, std::string_view release_a,
                       std::uint64_t epoch_b, std::string_view version_b, std::string_view release_b) {
    if (epoch_a != epoch_b) return order_of(epoch_a, epoch_b);
    const Ordering version = rpmverscmp(version_a, version_b);
    if (version != Ordering::Equal) return version;
    return rpmverscmp(release_a, release_b);
}

}  // namespace

ParseOutcome RpmStrategy::parse(std::string_view text) const {
    const auto parts = split_package_version(text);
    if (!parts) return Failure{std::string(EMPTY_MESSAGE)};
    return ParsedRepr{RpmValue{OwnedText(parts->before_last_dash), OwnedText(parts->after_last_dash), parts->epoch}};
}

CompareOutcome RpmStrategy::compare(const ParsedRepr& a, const ParsedRepr& b) const {
    const RpmValue* left = std::get_if<RpmValue>(&a.value);
    const RpmValue* right = std::get_if<RpmValue>(&b.value);
    if (!left || !right) return Failure{InternalError{FOREIGN_VALUE_MESSAGE}};
    return compare_parts(left->epoch, left->version.view(), left->release.view(), right->epoch,
                         right->version.view(), right->release.view());
}

Result<Ordering, std::string> RpmStrategy::compare_texts(std::string_view a, std::string_view b) const {
    const auto left = split_package_version(a);
    if (!left) return Failure{std::string(EMPTY_MESSAGE)};
    const auto right = split_package_version(b);
    if (!right) return Failure{std::string(EMPTY_MESSAGE)};
    return compare_parts(left->epoch, left->before_last_dash, left->after_last_dash, right->epoch,
                         right->before_last_dash, right->after_last_dash);
}

constinit const RpmStrategy RPM_STRATEGY{};

}  // namespace tambry
