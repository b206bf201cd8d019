#include "version_batch.hpp"

#include <cstring>
#include <optional>
#include <utility>

#include "generic_family.hpp"
#include "generic_parser.hpp"
#include "packed_version.hpp"
#include "stable_merge_sort.hpp"

namespace tambry {

// A packed element with its epoch and leading numbers at hand. The walk of two
// versions begins by comparing numbers that stand at the same place on both
// sides, so wherever the leading numbers differ the order is known without
// reading the streams: that settles most comparisons of a sort from the records.
// A record finds its stream by offset, since the arena moves while it grows.
struct PackedRecord {
    static constexpr std::size_t LEAD = 3;

    std::size_t offset;  // of the stream in the arena
    std::size_t size;
    std::uint64_t epoch;
    std::uint64_t lead[LEAD];
    std::uint32_t slot;
    std::uint8_t lead_count;      // how many leading segments are numbers, at most LEAD
    std::uint8_t lead_end[LEAD];  // where in the stream each of them ends
};

namespace {

using Record = PackedRecord;

Record record_of(const unsigned char* arena, std::size_t offset, std::size_t size, std::size_t slot) {
    Record record{offset, size, 0, {}, static_cast<std::uint32_t>(slot), 0, {}};
    const unsigned char* stream = arena + offset;
    PackedCursor cursor(stream, size);
    record.epoch = cursor.epoch();
    SegmentToken token;
    while (record.lead_count < Record::LEAD && cursor.next(token) && token.is_num) {
        record.lead[record.lead_count] = token.num;
        // An epoch and three numbers take at most 36 bytes, so the offset fits.
        record.lead_end[record.lead_count++] = static_cast<std::uint8_t>(cursor.offset_from(stream));
    }
    return record;
}

Ordering cmp_records(const unsigned char* arena, const Record& a, const Record& b) {
    if (a.epoch != b.epoch) return order_of(a.epoch, b.epoch);
    const std::size_t shared = a.lead_count < b.lead_count ? a.lead_count : b.lead_count;
    for (std::size_t i = 0; i < shared; ++i) {
        if (a.lead[i] != b.lead[i]) return order_of(a.lead[i], b.lead[i]);
    }
    const unsigned char* left = arena + a.offset;
    const unsigned char* right = arena + b.offset;
    // Real lists repeat versions; identical streams are equal without a walk.
    if (a.size == b.size && std::memcmp(left, right, a.size) == 0) return Ordering::Equal;
    if (shared == 0) return cmp_packed(left, a.size, right, b.size);
    // The walk would have passed the shared leading numbers as equal: go on after them.
    return cmp_segment_streams(PackedCursor::resume(left, a.size, a.lead_end[shared - 1]),
                               PackedCursor::resume(right, b.size, b.lead_end[shared - 1]));
}

}  // namespace

VersionBatch::VersionBatch(Ecosystem ecosystem, std::size_t expected)
    : ecosystem_(ecosystem), strategy_(strategy_for(ecosystem)), generic_family_(generic_family_for(ecosystem)) {
    // A record numbers its slot in 32 bits.
    if (expected > UINT32_MAX) generic_family_ = nullptr;
    if (generic_family_) {
        records_.reserve(expected);
        arena_.reserve(expected * 16);
    } else {
        parsed_.reserve(expected);
    }
}

VersionBatch::~VersionBatch() = default;

std::size_t VersionBatch::size() const { return generic_family_ ? records_.size() : parsed_.size(); }

void VersionBatch::add_packed(const unsigned char* packed, std::size_t size) {
    const std::size_t offset = arena_.size();
    arena_.insert(arena_.end(), packed, packed + size);
    records_.push_back(record_of(arena_.data(), offset, size, records_.size()));
}

Result<void, std::string> VersionBatch::add_text(std::string_view text) {
    if (!generic_family_) {
        ParseOutcome outcome = strategy_.parse(text);
        if (!outcome.ok()) return Failure{std::move(outcome.error())};
        parsed_.push_back(std::move(outcome.value()));
        return {};
    }
    if (auto admission = generic_family_->admit(text); !admission.ok()) return admission;
    const std::size_t offset = arena_.size();
    arena_.resize(offset + packed_size_bound(text.size()));
    const std::size_t size = pack_generic_text(text, arena_.data() + offset).size;
    arena_.resize(offset + size);
    records_.push_back(record_of(arena_.data(), offset, size, records_.size()));
    return {};
}

Result<void, std::string> VersionBatch::add_stored(std::string_view raw, const unsigned char* packed,
                                                   std::size_t packed_size) {
    if (ecosystem_ != Ecosystem::Generic || !generic_family_) return add_text(raw);
    add_packed(packed, packed_size);
    return {};
}

Result<std::vector<std::size_t>, InternalError> VersionBatch::sorted_slots() {
    std::vector<std::size_t> slots(size());
    if (generic_family_) {
        // The records themselves are sorted, so each merge reads them in sequence.
        const unsigned char* arena = arena_.data();
        stable_merge_sort(records_, [arena](const Record& a, const Record& b) {
            return cmp_records(arena, a, b) == Ordering::Less;
        });
        for (std::size_t i = 0; i < slots.size(); ++i) slots[i] = records_[i].slot;
        return slots;
    }
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

Result<std::size_t, InternalError> VersionBatch::greatest_slot() const { return pick(true); }
Result<std::size_t, InternalError> VersionBatch::least_slot() const { return pick(false); }

// One pass gives what a stable ascending sort would put last (the last of the
// greatest) or first (the first of the least).
Result<std::size_t, InternalError> VersionBatch::pick(bool greatest) const {
    std::size_t chosen = 0;
    for (std::size_t i = 1; i < size(); ++i) {
        Ordering o;
        if (generic_family_) {
            o = cmp_records(arena_.data(), records_[chosen], records_[i]);
        } else {
            const CompareOutcome outcome = strategy_.compare(parsed_[chosen], parsed_[i]);
            if (!outcome.ok()) return Failure{outcome.error()};
            o = outcome.value();
        }
        if (greatest ? o != Ordering::Greater : o == Ordering::Greater) chosen = i;
    }
    return generic_family_ ? Result<std::size_t, InternalError>(records_[chosen].slot) : chosen;
}

}  // namespace tambry
