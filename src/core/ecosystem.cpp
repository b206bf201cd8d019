#include "ecosystem.hpp"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "debian.hpp"
#include "generic_family.hpp"
#include "rpm.hpp"
#include "semver.hpp"
#include "text.hpp"

namespace tambry {
namespace {

using NameEntry = EcosystemName;

// The forty accepted names, shortest first, so that a lookup only visits the
// names of its own length.
constexpr NameEntry ACCEPTED_NAMES[] = {
    {"go", Ecosystem::Go},
    {"deb", Ecosystem::Debian},
    {"rpm", Ecosystem::Rpm},
    {"gem", Ecosystem::Ruby},
    {"mvn", Ecosystem::Maven},
    {"npm", Ecosystem::Npm},
    {"php", Ecosystem::Composer},
    {"hex", Ecosystem::Hex},
    {"apk", Ecosystem::Alpine},
    {"oci", Ecosystem::Docker},
    {"dpkg", Ecosystem::Debian},
    {"ruby", Ecosystem::Ruby},
    {"node", Ecosystem::Npm},
    {"maven", Ecosystem::Maven},
    {"nuget", Ecosystem::Nuget},
    {"cargo", Ecosystem::Crates},
    {"swift", Ecosystem::Swift},
    {"semver", Ecosystem::Semver},
    {"pep440", Ecosystem::Pep440},
    {"python", Ecosystem::Pep440},
    {"debian", Ecosystem::Debian},
    {"redhat", Ecosystem::Rpm},
    {"golang", Ecosystem::Go},
    {"nodejs", Ecosystem::Npm},
    {"dotnet", Ecosystem::Nuget},
    {"crates", Ecosystem::Crates},
    {"elixir", Ecosystem::Hex},
    {"erlang", Ecosystem::Hex},
    {"calver", Ecosystem::Calver},
    {"alpine", Ecosystem::Alpine},
    {"docker", Ecosystem::Docker},
    {"generic", Ecosystem::Generic},
    {"pep-440", Ecosystem::Pep440},
    {"swiftpm", Ecosystem::Swift},
    {"rubygems", Ecosystem::Ruby},
    {"composer", Ecosystem::Composer},
    {"packagist", Ecosystem::Composer},
    {"crates.io", Ecosystem::Crates},
    {"semver_strict", Ecosystem::Semver},
    {"semver-strict", Ecosystem::Semver},
};

// Indexed by the enumerator.
constexpr std::array<std::string_view, Ecosystem::COUNT> CANONICAL_NAMES = {
    "generic", "semver",   "pep440", "debian", "rpm",   "ruby",   "maven",  "go",     "npm",
    "nuget",   "composer", "crates", "hex",    "swift", "calver", "alpine", "docker",
};

constexpr std::string_view REJECTION_PREFIX = "unsupported ecosystem '";
constexpr std::string_view REJECTION_SUFFIX =
    "'; expected one of: generic, semver, pep440, debian, rpm, ruby, maven, go, npm, nuget, "
    "composer, crates, hex, swift, calver, alpine, docker";

constexpr std::size_t longest_name() {
    std::size_t longest = 0;
    for (const NameEntry& entry : ACCEPTED_NAMES) {
        if (entry.name.size() > longest) longest = entry.name.size();
    }
    return longest;
}

constexpr std::size_t NAME_COUNT = std::size(ACCEPTED_NAMES);

// Names are a few bytes long: a plain loop beats a call to memcmp.
bool same_bytes(std::string_view a, std::string_view b) {
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k] != b[k]) return false;
    }
    return true;
}

// Where the names of each length begin in ACCEPTED_NAMES (NAME_COUNT when none).
constexpr auto first_of_each_length() {
    std::array<std::size_t, longest_name() + 2> first{};
    for (std::size_t length = 0; length < first.size(); ++length) {
        first[length] = NAME_COUNT;
        for (std::size_t k = 0; k < NAME_COUNT; ++k) {
            if (ACCEPTED_NAMES[k].name.size() == length) {
                first[length] = k;
                break;
            }
        }
    }
    return first;
}

constexpr auto FIRST_OF_LENGTH = first_of_each_length();

static_assert([] {
    for (std::size_t k = 1; k < NAME_COUNT; ++k) {
        if (ACCEPTED_NAMES[k].name.size() < ACCEPTED_NAMES[k - 1].name.size()) return false;
    }
    return true;
}(), "ACCEPTED_NAMES must run from the shortest name to the longest");

std::string lowered_copy(std::string_view name) {
    std::string lowered(name);
    for (char& c : lowered) c = to_lower(c);
    return lowered;
}

Failure<std::string> rejection(std::string_view name) {
    std::string message;
    message.reserve(REJECTION_PREFIX.size() + name.size() + REJECTION_SUFFIX.size());
    message += REJECTION_PREFIX;
    message += lowered_copy(name);
    message += REJECTION_SUFFIX;
    return Failure{std::move(message)};
}

// Addresses only: the strategy objects live in other translation units, and taking
// an address does not depend on whether they have been constructed yet.
constexpr std::array<const VersionStrategy*, Ecosystem::COUNT> STRATEGIES = {
    &GENERIC_STRATEGY,   // Generic
    &SEMVER_STRATEGY,    // Semver
    &PEP440_STRATEGY,    // Pep440
    &DEBIAN_STRATEGY,    // Debian
    &RPM_STRATEGY,       // Rpm
    &RUBY_STRATEGY,      // Ruby
    &MAVEN_STRATEGY,     // Maven
    &GO_STRATEGY,        // Go
    &SEMVER_STRATEGY,    // Npm
    &NUGET_STRATEGY,     // Nuget
    &COMPOSER_STRATEGY,  // Composer
    &SEMVER_STRATEGY,    // Crates
    &SEMVER_STRATEGY,    // Hex
    &SEMVER_STRATEGY,    // Swift
    &CALVER_STRATEGY,    // Calver
    &ALPINE_STRATEGY,    // Alpine
    &GENERIC_STRATEGY,   // Docker
};

}  // namespace

Result<Ecosystem, std::string> Ecosystem::from_str(std::string_view name) {
    constexpr std::size_t LONGEST = longest_name();
    if (name.size() > LONGEST || FIRST_OF_LENGTH[name.size()] == NAME_COUNT) return rejection(name);

    char buffer[LONGEST];
    for (std::size_t k = 0; k < name.size(); ++k) buffer[k] = to_lower(name[k]);
    const std::string_view lowered(buffer, name.size());

    for (std::size_t k = FIRST_OF_LENGTH[name.size()]; k < NAME_COUNT; ++k) {
        const NameEntry& entry = ACCEPTED_NAMES[k];
        if (entry.name.size() != lowered.size()) break;
        if (same_bytes(entry.name, lowered)) return Ecosystem(entry.value);
    }
    return rejection(name);
}

std::span<const EcosystemName> accepted_ecosystem_names() { return ACCEPTED_NAMES; }

std::string_view Ecosystem::name() const { return CANONICAL_NAMES[value_]; }

bool means_auto(std::string_view name) {
    constexpr std::string_view AUTO = "auto";
    if (name.size() != AUTO.size()) return false;
    for (std::size_t k = 0; k < AUTO.size(); ++k) {
        if (to_lower(name[k]) != AUTO[k]) return false;
    }
    return true;
}

const VersionStrategy& strategy_for(Ecosystem ecosystem) { return *STRATEGIES[ecosystem]; }

}  // namespace tambry
