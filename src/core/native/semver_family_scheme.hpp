// A NativeScheme made of the three things that tell the SemVer-family schemes
// apart: how the ecosystem's tool reads a text, how it orders two readings, and
// the key body that orders the same way.
#pragma once

#include <string_view>

#include "native/semver_grammar.hpp"

namespace tambry::native {

using SemverReader = bool (*)(std::string_view text, SemverParts& out);
using SemverOrder = Ordering (*)(const SemverParts& a, const SemverParts& b);
using SemverKeyWriter = void (*)(KeyBuffer& out, const SemverParts& parts);

template <SemverReader Read, SemverOrder Order, SemverKeyWriter WriteKey>
class SemverFamilyScheme final : public NativeScheme {
public:
    constexpr SemverFamilyScheme() = default;

    bool is_valid(std::string_view text) const override {
        SemverParts parts;
        return Read(text, parts);
    }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        SemverParts left;
        SemverParts right;
        if (!Read(a, left) || !Read(b, right)) return std::nullopt;
        return Order(left, right);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        SemverParts parts;
        if (!Read(text, parts)) return false;
        WriteKey(out, parts);
        return true;
    }

    bool is_prerelease(std::string_view text) const override {
        SemverParts parts;
        return Read(text, parts) && parts.is_prerelease();
    }
};

}  // namespace tambry::native
