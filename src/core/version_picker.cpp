#include "version_picker.hpp"

#include <utility>

#include "generic_family.hpp"
#include "generic_parser.hpp"
#include "packed_version.hpp"

namespace tambry {
namespace {

// The generic order of two elements, each given as a text or as a packed stream,
// with their epochs already apart from the segments.
template <class Operand>
Ordering cmp_generic_operands(const Operand& a, const Operand& b) {
    if (a.epoch != b.epoch) return order_of(a.epoch, b.epoch);
    if (!a.stream && !b.stream) return cmp_generic_texts(a.main, b.main);
    if (a.stream && b.stream) return cmp_packed(a.stream, a.stream_size, b.stream, b.stream_size);
    if (a.stream) return cmp_segment_streams(PackedCursor(a.stream, a.stream_size), TextCursor(b.main));
    return cmp_segment_streams(TextCursor(a.main), PackedCursor(b.stream, b.stream_size));
}

}  // namespace

VersionPicker::VersionPicker(Ecosystem ecosystem, bool greatest)
    : ecosystem_(ecosystem),
      greatest_(greatest),
      strategy_(strategy_for(ecosystem)),
      generic_family_(generic_family_for(ecosystem)),
      package_scheme_(package_scheme_for(ecosystem)) {}

bool VersionPicker::replaces(Ordering chosen_against_offered) const {
    return greatest_ ? chosen_against_offered != Ordering::Greater : chosen_against_offered == Ordering::Greater;
}

void VersionPicker::offered_generic(const GenericOperand& operand) {
    if (offered_ == 0 || replaces(cmp_generic_operands(generic_, operand))) {
        generic_ = operand;
        chosen_ = offered_;
    }
    ++offered_;
}

Result<void, std::string> VersionPicker::offer_text(std::string_view text) {
    if (generic_family_) {
        GenericOperand operand;
        if (!generic_family_->admits(text, operand.epoch, operand.main)) {
            return generic_family_->admit(text);  // fails, with the message
        }
        offered_generic(operand);
        return {};
    }
    if (package_scheme_) {
        PackageVersionParts parts;
        if (!split_package_version(text, parts)) return Failure{std::string(package_scheme_->empty_message())};
        if (offered_ == 0 || replaces(package_scheme_->compare_parts(parts_, parts))) {
            parts_ = parts;
            chosen_ = offered_;
        }
        ++offered_;
        return {};
    }
    ParseOutcome outcome = strategy_.parse(text);
    if (!outcome.ok()) return Failure{std::move(outcome.error())};
    bool take = offered_ == 0;
    if (!take) {
        const CompareOutcome order = strategy_.compare(parsed_, outcome.value());
        if (order.ok()) {
            take = replaces(order.value());
        } else if (!failure_) {
            failure_ = order.error();
        }
    }
    if (take) {
        parsed_ = std::move(outcome.value());
        chosen_ = offered_;
    }
    ++offered_;
    return {};
}

Result<void, std::string> VersionPicker::offer_stored(std::string_view raw, const unsigned char* packed,
                                                      std::size_t packed_size) {
    if (ecosystem_ != Ecosystem::Generic || !generic_family_) return offer_text(raw);
    GenericOperand operand;
    operand.stream = packed;
    operand.stream_size = packed_size;
    operand.epoch = PackedCursor(packed, packed_size).epoch();
    offered_generic(operand);
    return {};
}

Result<std::size_t, InternalError> VersionPicker::picked() const {
    if (failure_) return Failure{*failure_};
    return chosen_;
}

}  // namespace tambry
