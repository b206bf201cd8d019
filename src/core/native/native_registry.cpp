// Which scheme serves which name: purl types, and the OSV ecosystem names whose
// versions follow one of these schemes.
#include <array>
#include <cstdint>
#include <string_view>

#include "native/native_scheme.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

using E = NativeEcosystem;

constexpr std::array<std::string_view, NATIVE_ECOSYSTEM_COUNT> PURL_TYPES = {
    "npm", "pypi", "maven", "gem", "cargo", "golang", "nuget", "composer", "hex", "swift", "deb", "rpm", "apk", "semver",
};

// Nearly every call names its ecosystem by the purl type itself, and no two purl
// types share their length and first letter: those two find the one candidate.
constexpr std::size_t SHAPE_LENGTHS = 9;
constexpr std::size_t SHAPE_COUNT = SHAPE_LENGTHS * 26;

// A name's shape: its length, up to 8, and its first letter, a to z; 0 for a name of no such shape.
constexpr std::uint8_t shape_of(std::string_view name) {
    if (name.empty() || name.size() >= SHAPE_LENGTHS || name[0] < 'a' || name[0] > 'z') return 0;
    return static_cast<std::uint8_t>(name.size() * 26 + static_cast<std::size_t>(name[0] - 'a'));
}

// One more than the index of the purl type of each shape; 0 where none has it.
constexpr std::array<std::uint8_t, SHAPE_COUNT> PURL_TYPE_BY_SHAPE = [] {
    std::array<std::uint8_t, SHAPE_COUNT> table{};
    for (std::size_t i = 0; i < PURL_TYPES.size(); ++i) {
        const std::uint8_t shape = shape_of(PURL_TYPES[i]);
        // A purl type without a shape, or two with one, cannot be built.
        if (shape == 0 || table[shape] != 0) throw "purl types must differ in length or first letter";
        table[shape] = static_cast<std::uint8_t>(i + 1);
    }
    return table;
}();

struct OsvName {
    std::string_view name;
    NativeEcosystem ecosystem;
};

// OSV spells these exactly so; the list follows the OSV schema's ecosystems.
constexpr OsvName OSV_NAMES[] = {
    {"npm", E::Npm},
    {"PyPI", E::Pypi},
    {"Maven", E::Maven},
    {"RubyGems", E::Gem},
    {"crates.io", E::Cargo},
    {"Go", E::Golang},
    {"NuGet", E::Nuget},
    {"Packagist", E::Composer},
    {"Hex", E::Hex},
    {"SwiftURL", E::Swift},
    {"Bitnami", E::Semver},
    {"Debian", E::Deb},
    {"Ubuntu", E::Deb},
    {"Alpine", E::Apk},
    {"Alpaquita", E::Apk},
    {"Chainguard", E::Apk},
    {"MinimOS", E::Apk},
    {"Wolfi", E::Apk},
    {"AlmaLinux", E::Rpm},
    {"Mageia", E::Rpm},
    {"openEuler", E::Rpm},
    {"openSUSE", E::Rpm},
    {"Red Hat", E::Rpm},
    {"Rocky Linux", E::Rpm},
    {"SUSE", E::Rpm},
};

constexpr std::size_t ACCEPTED_COUNT = PURL_TYPES.size() + std::size(OSV_NAMES) - 1;  // "npm" is both

constexpr std::array<std::string_view, ACCEPTED_COUNT> accepted_names() {
    std::array<std::string_view, ACCEPTED_COUNT> names{};
    std::size_t n = 0;
    for (std::string_view purl : PURL_TYPES) names[n++] = purl;
    for (const OsvName& osv : OSV_NAMES) {
        if (osv.name != "npm") names[n++] = osv.name;
    }
    return names;
}

constexpr std::array<std::string_view, ACCEPTED_COUNT> ACCEPTED_NAMES = accepted_names();

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (to_lower(a[i]) != to_lower(b[i])) return false;
    }
    return true;
}

using SchemeGetter = const NativeScheme& (*)();

constexpr std::array<SchemeGetter, NATIVE_ECOSYSTEM_COUNT> SCHEMES = {
    npm_scheme,    pypi_scheme,  maven_scheme, gem_scheme,       cargo_scheme, golang_scheme, nuget_scheme,
    composer_scheme, hex_scheme, swift_scheme, deb_scheme, rpm_scheme,   apk_scheme,    semver_scheme,
};

}  // namespace

const NativeScheme& native_scheme_for(NativeEcosystem ecosystem) {
    return SCHEMES[static_cast<std::size_t>(ecosystem)]();
}

std::string_view native_name(NativeEcosystem ecosystem) { return PURL_TYPES[static_cast<std::size_t>(ecosystem)]; }

std::optional<NativeEcosystem> native_ecosystem_from_name(std::string_view name) {
    if (const std::uint8_t shape = shape_of(name)) {
        const std::uint8_t candidate = PURL_TYPE_BY_SHAPE[shape];
        if (candidate && name == PURL_TYPES[candidate - 1]) return static_cast<NativeEcosystem>(candidate - 1);
    }
    for (std::size_t i = 0; i < PURL_TYPES.size(); ++i) {
        if (equal_ignoring_case(name, PURL_TYPES[i])) return static_cast<NativeEcosystem>(i);
    }
    // An OSV name may carry its release after a colon: "Debian:12", "Alpine:v3.19".
    const std::size_t colon = name.find(':');
    const std::string_view base = name.substr(0, colon);
    if (colon != std::string_view::npos && colon + 1 == name.size()) return std::nullopt;
    for (const OsvName& osv : OSV_NAMES) {
        if (base == osv.name) return osv.ecosystem;
    }
    return std::nullopt;
}

std::span<const std::string_view> accepted_native_names() { return ACCEPTED_NAMES; }

bool native_key(NativeEcosystem ecosystem, std::string_view text, KeyBuffer& out) {
    out.push_back(KEY_FORMAT);
    out.push_back(key_id(ecosystem));
    return native_scheme_for(ecosystem).append_key(text, out);
}

}  // namespace tambry::native
