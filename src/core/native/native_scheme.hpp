// Each ecosystem's own order, as its own tool computes it. A NativeScheme answers
// three questions about version texts, all without touching the heap for short
// texts: does the tool accept this text, how does the tool order two texts, and
// what byte string orders like the text (its key), so that any engine that sorts
// bytes sorts versions exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "small_vec.hpp"
#include "version_model.hpp"

namespace tambry::native {

// Named by their purl types. The order fixes each one's key id: never reorder.
enum class NativeEcosystem : std::uint8_t {
    Npm, Pypi, Maven, Gem, Cargo, Golang, Nuget, Composer, Hex, Swift, Deb, Rpm, Apk, Semver,
};
inline constexpr int NATIVE_ECOSYSTEM_COUNT = 14;

using KeyBuffer = SmallVec<unsigned char, 64>;

class NativeScheme {
public:
    // Exactly what the ecosystem's own tool accepts as a version.
    virtual bool is_valid(std::string_view text) const = 0;

    // The tool's order of two texts it accepts; nothing when either is rejected.
    virtual std::optional<Ordering> compare(std::string_view a, std::string_view b) const = 0;

    // Appends the key body of an accepted text (the registry writes the header
    // before it) and returns true; returns false for a rejected text, leaving
    // `out` in an unspecified state. For any two accepted texts the bytewise order
    // of their keys is `compare`, and the keys are equal exactly when `compare`
    // gives Equal, wherever the tool's order is itself a total order.
    virtual bool append_key(std::string_view text, KeyBuffer& out) const = 0;

    // Whether an accepted text is a pre-release in the tool's own sense, the test
    // that ranges apply their pre-release rules by. False for a rejected text.
    virtual bool is_prerelease(std::string_view text) const = 0;

protected:
    constexpr NativeScheme() = default;
    ~NativeScheme() = default;
};

// One per ecosystem, each defined in the file of its scheme.
const NativeScheme& npm_scheme();
const NativeScheme& pypi_scheme();
const NativeScheme& maven_scheme();
const NativeScheme& gem_scheme();
const NativeScheme& cargo_scheme();
const NativeScheme& golang_scheme();
const NativeScheme& nuget_scheme();
const NativeScheme& composer_scheme();
const NativeScheme& hex_scheme();
const NativeScheme& swift_scheme();
const NativeScheme& deb_scheme();
const NativeScheme& rpm_scheme();
const NativeScheme& apk_scheme();
const NativeScheme& semver_scheme();

const NativeScheme& native_scheme_for(NativeEcosystem ecosystem);

// The purl type.
std::string_view native_name(NativeEcosystem ecosystem);

// A purl type, or an OSV ecosystem name as OSV spells it, optionally followed by
// ":release" ("Debian:12", "Alpine:v3.19"). Purl types match in any case; OSV
// names match exactly as OSV writes them.
std::optional<NativeEcosystem> native_ecosystem_from_name(std::string_view name);

// Every accepted name, purl types first, for messages.
std::span<const std::string_view> accepted_native_names();

// Keys start with this format byte, then the ecosystem's id, then the body. A
// change to any ecosystem's key body must raise the format byte.
inline constexpr unsigned char KEY_FORMAT = 0x01;
inline constexpr unsigned char key_id(NativeEcosystem ecosystem) {
    return static_cast<unsigned char>(static_cast<unsigned>(ecosystem) + 1);
}

// The whole key (header and body) of `text`, or false when the tool rejects it.
bool native_key(NativeEcosystem ecosystem, std::string_view text, KeyBuffer& out);

}  // namespace tambry::native
