// What the Debian and RPM schemes share: a package version is trimmed, loses a
// leading "N:" epoch, and is cut at its last "-"; the only text either rejects is
// the empty one. The two differ in their messages and in the comparison of the
// two parts (verrevcmp, rpmverscmp) and its sort prefix, which each scheme's own
// file holds whole.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "sort_prefix.hpp"
#include "text.hpp"
#include "version_strategy.hpp"

namespace tambry {

struct EpochSplit {
    std::uint64_t epoch;
    std::string_view rest;  // a view into the argument
};

// Splits a leading "N:" epoch off `text`. Never fails: without a valid epoch the
// epoch is 0 and the rest is the whole text.
inline EpochSplit extract_epoch_colon(std::string_view text) {
    // The digits are only read as a number once a ":" shows that they are an epoch.
    std::size_t length = 0;
    while (length < text.size() && is_digit(text[length])) ++length;
    if (length == 0 || length == text.size() || text[length] != ':') return {0, text};
    const DigitRun run = read_digit_run(text.substr(0, length));
    if (!run.fits) return {0, text};
    return {run.value, text.substr(length + 1)};
}

// Where the last "-" is, or npos. The C library's search reads a short text in
// one vector, where a loop from the end would stop at a place that varies from
// text to text and so is mispredicted on nearly every one.
inline std::size_t last_dash_position(std::string_view text) {
    if (text.empty()) return std::string_view::npos;
    const void* dash = memrchr(text.data(), '-', text.size());
    return dash ? static_cast<std::size_t>(static_cast<const char*>(dash) - text.data()) : std::string_view::npos;
}

// A package version cut into its parts, as views into the text.
struct PackageVersionParts {
    std::uint64_t epoch;
    std::string_view version;  // before the last "-": Debian's upstream version
    std::string_view release;  // after it, empty without one: Debian's revision
};

// Fills `out`; false when the text is empty once trimmed, the one text that
// both schemes reject.
inline bool split_package_version(std::string_view text, PackageVersionParts& out) {
    const std::string_view trimmed = trim_white_space(text);
    if (trimmed.empty()) return false;
    const EpochSplit split = extract_epoch_colon(trimmed);
    const std::size_t dash = last_dash_position(split.rest);
    out.epoch = split.epoch;
    out.version = split.rest.substr(0, dash);
    out.release = dash == std::string_view::npos ? std::string_view() : split.rest.substr(dash + 1);
    return true;
}

// What the Debian and RPM strategies share: cutting a text into its parts and
// ordering the parts, by epoch and then by the scheme's `order` of versions and of
// releases; and the sort prefix of the parts (sort_prefix.hpp), for collections.
class PackageScheme : public VersionStrategy {
public:
    using PartOrder = Ordering (*)(std::string_view, std::string_view);
    using SortPrefix = PackageSortPrefix (*)(std::uint64_t epoch, std::string_view version, std::string_view release);

    std::optional<Ordering> compare_texts(std::string_view a, std::string_view b) const override {
        PackageVersionParts left, right;
        if (!split_package_version(a, left) || !split_package_version(b, right)) return std::nullopt;
        return compare_parts(left, right);
    }

    Ordering compare_parts(const PackageVersionParts& a, const PackageVersionParts& b) const {
        if (a.epoch != b.epoch) return order_of(a.epoch, b.epoch);
        const Ordering version = order_(a.version, b.version);
        if (version != Ordering::Equal) return version;
        return order_(a.release, b.release);
    }

    PackageSortPrefix sort_prefix(const PackageVersionParts& parts) const {
        return sort_prefix_(parts.epoch, parts.version, parts.release);
    }

    // The message of the one text that both schemes reject, the empty one.
    std::string_view empty_message() const { return empty_message_; }

protected:
    constexpr PackageScheme(PartOrder order, SortPrefix sort_prefix, std::string_view empty_message,
                            std::string_view unreachable_message)
        : order_(order), sort_prefix_(sort_prefix), empty_message_(empty_message),
          unreachable_message_(unreachable_message) {}
    ~PackageScheme() = default;

    std::string_view unreachable_message() const { return unreachable_message_; }

private:
    PartOrder order_;
    SortPrefix sort_prefix_;
    std::string_view empty_message_;
    std::string_view unreachable_message_;
};

// The strategy of a package scheme: `Value` is the ParsedRepr alternative it makes
// (DebianValue or RpmValue), so that a value records which scheme made it.
template <class Value>
class PackageStrategy : public PackageScheme {
public:
    ParseOutcome parse(std::string_view text) const override {
        PackageVersionParts p;
        if (!split_package_version(text, p)) return Failure{std::string(empty_message())};
        return ParsedRepr{Value{{OwnedText(p.version), OwnedText(p.release), p.epoch}}};
    }

    CompareOutcome compare(const ParsedRepr& a, const ParsedRepr& b) const override {
        const Value* left = std::get_if<Value>(&a.value);
        const Value* right = std::get_if<Value>(&b.value);
        if (!left || !right) return Failure{InternalError{unreachable_message()}};
        return compare_parts({left->epoch, left->version.view(), left->release.view()},
                             {right->epoch, right->version.view(), right->release.view()});
    }

protected:
    using PackageScheme::PackageScheme;
    ~PackageStrategy() = default;
};

}  // namespace tambry
