// The interface of one ecosystem's scheme. Every implementation is a stateless
// constant: one shared instance serves every call and is never destroyed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "version_model.hpp"

namespace tambry {

class VersionStrategy {
public:
    // Turns a version text, exactly as the caller received it, into a parsed value or
    // the message that explains why the scheme rejects it.
    virtual ParseOutcome parse(std::string_view text) const = 0;

    // Orders two values made by this same strategy's `parse`.
    virtual CompareOutcome compare(const ParsedRepr& a, const ParsedRepr& b) const = 0;

    // Parses two texts and orders them, with exactly the result of parse, parse and
    // compare, but without building values that outlive the call: the pairwise
    // functions' hot path. Nothing when either text is rejected; parse then tells
    // why (a's message first), which keeps every message off the path that
    // succeeds.
    virtual std::optional<Ordering> compare_texts(std::string_view a, std::string_view b) const = 0;

protected:
    constexpr VersionStrategy() = default;
    ~VersionStrategy() = default;
};

}  // namespace tambry
