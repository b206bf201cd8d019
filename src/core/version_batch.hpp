// The elements of one sort_versions call, each parsed once by one ecosystem's
// strategy and then sorted.
//
// A sort is mostly comparisons, and most of them are settled by the first few
// bytes of each version, so every element gets a 64-bit sort prefix
// (sort_prefix.hpp) and the sort moves only small entries of prefix and slot,
// reading an element itself only when two prefixes tie. What it reads then
// depends on the scheme:
//   - an ecosystem that orders generically packs each element; a stream of up to
//     eight bytes travels in the entry, a longer one waits in an arena;
//   - Debian and RPM keep the epoch and views of the version and release, into
//     the caller's own texts, which must outlive the batch;
//   - the others keep their parsed values, and the sort moves slots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ecosystem.hpp"
#include "package_version.hpp"
#include "version_model.hpp"

namespace tambry {

class GenericFamilyStrategy;
struct PackedEntry;

class VersionBatch {
public:
    // `expected` elements are about to be added.
    VersionBatch(Ecosystem ecosystem, std::size_t expected);
    ~VersionBatch();
    VersionBatch(const VersionBatch&) = delete;
    VersionBatch& operator=(const VersionBatch&) = delete;

    // Adds the next element (its slot is the number of elements added before it),
    // or fails with the message of the strategy that rejects the text. The text
    // must outlive the batch.
    Result<void, std::string> add_text(std::string_view text);

    // The same for a Version object, which keeps its raw text and the packed form
    // of its generic parse: under the generic ecosystem that form serves as it is;
    // under any other the raw text is parsed like any text.
    Result<void, std::string> add_stored(std::string_view raw, const unsigned char* packed, std::size_t packed_size);

    // The slots in ascending order, elements that compare equal in the order they
    // were added.
    Result<std::vector<std::size_t>, InternalError> sorted_slots();

private:
    void add_packed(const unsigned char* packed, std::size_t size);

    Ecosystem ecosystem_;
    const VersionStrategy& strategy_;
    const GenericFamilyStrategy* generic_family_;  // when elements are packed
    const PackageScheme* package_scheme_;          // when elements are package parts
    std::vector<PackedEntry> packed_;
    std::vector<unsigned char> arena_;  // the streams too long for their entries
    std::vector<PackageVersionParts> parts_;
    std::vector<PackageSortPrefix> prefixes_;  // of the parts
    std::vector<ParsedRepr> parsed_;       // for every other scheme
};

}  // namespace tambry
