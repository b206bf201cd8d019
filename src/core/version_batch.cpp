#include "version_batch.hpp"

#include <cstring>
#include <optional>
#include <utility>

#include "generic_family.hpp"
#include "packed_version.hpp"
#include "stable_merge_sort.hpp"

namespace tambry {

// What the sort moves for a generically ordered element: its sort prefix, its
// slot, and its packed stream, held in the entry itself when it fits in eight
// bytes (as most do), else found in the arena. Pairs whose prefixes tie, which in
// a real list are mostly repeats of one version, are then settled without a look
// elsewhere in memory. Slots are numbered in 32 bits, so a larger batch keeps
// parsed values instead.
struct PackedEntry {
    static constexpr std::size_t INLINE = sizeof(std::uint64_t);

    std::uint64_t prefix;
    // The stream's bytes; or, for a longer stream, the offset in the arena of its
    // size (eight bytes) and then its bytes.
    std::uint64_t stream;
    std::uint32_t slot;
    std::uint32_t inline_size;  // 0 to 8 for a stream held here; more means the arena

    bool held_here() const { return inline_size <= INLINE; }
    const unsigned char* bytes(const unsigned char* arena) const {
        return held_here() ? reinterpret_cast<const unsigned char*>(&stream) : arena + stream + INLINE;
    }
    std::size_t size(const unsigned char* arena) const {
        if (held_here()) return inline_size;
        std::uint64_t size;
        std::memcpy(&size, arena + stream, sizeof size);
        return static_cast<std::size_t>(size);
    }
};

namespace {

// The same for Debian and RPM, whose ties are settled from the parts.
struct PackageEntry {
    PackageSortPrefix prefix;
    std::uint32_t slot;
};

// Sorts the entries by prefix, and by `order` of their elements where prefixes tie.
template <class Entry, class Order>
std::vector<std::size_t> sort_by_prefix(std::vector<Entry>& entries, Order order) {
    stable_merge_sort(entries, [&order](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        return order(a, b) == Ordering::Less;
    });
    std::vector<std::size_t> slots(entries.size());
    for (std::size_t i = 0; i < slots.size(); ++i) slots[i] = entries[i].slot;
    return slots;
}

// Texts up to this long are packed on the stack.
constexpr std::size_t SHORT_TEXT = 256;

}  // namespace

VersionBatch::VersionBatch(Ecosystem ecosystem, std::size_t expected)
    : ecosystem_(ecosystem),
      strategy_(strategy_for(ecosystem)),
      generic_family_(generic_family_for(ecosystem)),
      package_scheme_(package_scheme_for(ecosystem)) {
    if (expected > UINT32_MAX) generic_family_ = nullptr, package_scheme_ = nullptr;
    if (generic_family_) {
        packed_.reserve(expected);
    } else if (package_scheme_) {
        parts_.reserve(expected);
        prefixes_.reserve(expected);
    } else {
        parsed_.reserve(expected);
    }
}

VersionBatch::~VersionBatch() = default;

void VersionBatch::add_packed(const unsigned char* packed, std::size_t size) {
    PackedEntry entry{generic_sort_prefix(packed, size), 0, static_cast<std::uint32_t>(packed_.size()), 0};
    if (size <= PackedEntry::INLINE) {
        entry.inline_size = static_cast<std::uint32_t>(size);
        std::memcpy(&entry.stream, packed, size);
    } else {
        entry.inline_size = PackedEntry::INLINE + 1;
        entry.stream = arena_.size();
        const std::uint64_t size_field = size;
        const auto* size_bytes = reinterpret_cast<const unsigned char*>(&size_field);
        arena_.insert(arena_.end(), size_bytes, size_bytes + sizeof size_field);
        arena_.insert(arena_.end(), packed, packed + size);
    }
    packed_.push_back(entry);
}

Result<void, std::string> VersionBatch::add_text(std::string_view text) {
    if (generic_family_) {
        if (auto admission = generic_family_->admit(text); !admission.ok()) return admission;
        if (text.size() <= SHORT_TEXT) {
            unsigned char stream[packed_size_bound(SHORT_TEXT)];
            add_packed(stream, pack_generic_text(text, stream).size);
            return {};
        }
        std::vector<unsigned char> stream(measure_generic_text(text).size);
        pack_generic_text(text, stream.data());
        add_packed(stream.data(), stream.size());
        return {};
    }
    if (package_scheme_) {
        PackageVersionParts parts;
        if (!split_package_version(text, parts)) return Failure{std::string(package_scheme_->empty_message())};
        parts_.push_back(parts);
        prefixes_.push_back(package_scheme_->sort_prefix(parts));
        return {};
    }
    ParseOutcome outcome = strategy_.parse(text);
    if (!outcome.ok()) return Failure{std::move(outcome.error())};
    parsed_.push_back(std::move(outcome.value()));
    return {};
}

Result<void, std::string> VersionBatch::add_stored(std::string_view raw, const unsigned char* packed,
                                                   std::size_t packed_size) {
    if (ecosystem_ != Ecosystem::Generic || !generic_family_) return add_text(raw);
    add_packed(packed, packed_size);
    return {};
}


Result<std::vector<std::size_t>, InternalError> VersionBatch::sorted_slots() {
    if (generic_family_) {
        const unsigned char* arena = arena_.data();
        return sort_by_prefix(packed_, [arena](const PackedEntry& a, const PackedEntry& b) {
            return cmp_packed(a.bytes(arena), a.size(arena), b.bytes(arena), b.size(arena));
        });
    }
    if (package_scheme_) {
        std::vector<PackageEntry> entries(parts_.size());
        for (std::size_t slot = 0; slot < entries.size(); ++slot) {
            entries[slot] = {prefixes_[slot], static_cast<std::uint32_t>(slot)};
        }
        return sort_by_prefix(entries, [this](const PackageEntry& a, const PackageEntry& b) {
            return package_scheme_->compare_parts(parts_[a.slot], parts_[b.slot]);
        });
    }
    std::vector<std::size_t> slots(parsed_.size());
    for (std::size_t i = 0; i < slots.size(); ++i) slots[i] = i;
    std::optional<InternalError> failure;
    stable_merge_sort(slots, [&](std::size_t a, std::size_t b) {
        const CompareOutcome outcome = strategy_.compare(parsed_[a], parsed_[b]);
        if (outcome.ok()) return outcome.value() == Ordering::Less;
        if (!failure) failure = outcome.error();
        return false;
    });
    if (failure) return Failure{*failure};
    return slots;
}

}  // namespace tambry
