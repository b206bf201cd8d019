// The choice of max_version and min_version, made in one pass as the elements are
// offered: what a stable ascending sort would put last (the last of the greatest)
// or first (the first of the least). Every element is read, since any of them
// may be rejected, but only the one chosen so far is kept, and only as views into
// the caller's texts (or a Version's packed stream), which must outlive the
// picker; nothing is packed or copied, except under the schemes whose parsed
// values hold their own text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ecosystem.hpp"
#include "package_version.hpp"
#include "version_model.hpp"

namespace tambry {

class GenericFamilyStrategy;

class VersionPicker {
public:
    VersionPicker(Ecosystem ecosystem, bool greatest);

    // Offers the next element (its slot is the number offered before it), or fails
    // with the message of the strategy that rejects the text.
    Result<void, std::string> offer_text(std::string_view text);

    // The same for a Version object: under the generic ecosystem its packed
    // stream serves; under any other its raw text is read like any text.
    Result<void, std::string> offer_stored(std::string_view raw, const unsigned char* packed, std::size_t packed_size);

    // The slot of the element chosen; at least one must have been offered.
    Result<std::size_t, InternalError> picked() const;

private:
    // A generically ordered element: its epoch and either the main part of its
    // text or its packed stream.
    struct GenericOperand {
        std::uint64_t epoch = 0;
        std::string_view main;
        const unsigned char* stream = nullptr;
        std::size_t stream_size = 0;
    };

    // Whether the element offered now replaces the one chosen, given the order of
    // the chosen one relative to it.
    bool replaces(Ordering chosen_against_offered) const;
    void offered_generic(const GenericOperand& operand);

    Ecosystem ecosystem_;
    bool greatest_;
    const VersionStrategy& strategy_;
    const GenericFamilyStrategy* generic_family_;
    const PackageScheme* package_scheme_;
    std::size_t offered_ = 0;
    std::size_t chosen_ = 0;
    GenericOperand generic_;
    PackageVersionParts parts_{};
    ParsedRepr parsed_;
    std::optional<InternalError> failure_;
};

}  // namespace tambry
