// The elements of one collection call, each parsed once by one ecosystem's
// strategy and then sorted or searched. Under an ecosystem that orders generically
// every element is kept as a packed stream, all of them in one arena, so that a
// sort walks compact memory; under the others each keeps its parsed value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ecosystem.hpp"
#include "version_model.hpp"

namespace tambry {

class GenericFamilyStrategy;
struct PackedRecord;

class VersionBatch {
public:
    // `expected` elements are about to be added.
    VersionBatch(Ecosystem ecosystem, std::size_t expected);
    ~VersionBatch();
    VersionBatch(const VersionBatch&) = delete;
    VersionBatch& operator=(const VersionBatch&) = delete;

    // Adds the next element (its slot is the number of elements added before it),
    // or fails with the message of the strategy that rejects the text.
    Result<void, std::string> add_text(std::string_view text);

    // The same for a Version object, which keeps its raw text and the packed form
    // of its generic parse: under the generic ecosystem that form serves as it is;
    // under any other the raw text is parsed like any text.
    Result<void, std::string> add_stored(std::string_view raw, const unsigned char* packed, std::size_t packed_size);

    // The slots in ascending order, elements that compare equal in the order they
    // were added.
    Result<std::vector<std::size_t>, InternalError> sorted_slots();

    // The last of the greatest elements, or the first of the least: what a stable
    // ascending sort would put last or first. The batch must not be empty.
    Result<std::size_t, InternalError> greatest_slot() const;
    Result<std::size_t, InternalError> least_slot() const;

private:
    std::size_t size() const;
    Result<std::size_t, InternalError> pick(bool greatest) const;
    void add_packed(const unsigned char* packed, std::size_t size);

    Ecosystem ecosystem_;
    const VersionStrategy& strategy_;
    const GenericFamilyStrategy* generic_family_;  // null when the elements keep parsed values
    std::vector<unsigned char> arena_;
    std::vector<PackedRecord> records_;
    std::vector<ParsedRepr> parsed_;
};

}  // namespace tambry
