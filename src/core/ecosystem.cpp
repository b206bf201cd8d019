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

struct NameEntry {
    std::string_view name;
    Ecosystem::Value value;
};

constexpr NameEntry ACCEPTED_NAMES[] = {
    {"generic", Ecosystem::Generic},
    {"semver", Ecosystem::Semver},
    {"semver_strict", Ecosystem::Semver},
    {"semver-strict", Ecosystem::Semver},
    {"pep440", Ecosystem::Pep440},
    {"pep-440", Ecosystem::Pep440},
    {"python", Ecosystem::Pep440},
    {"debian", Ecosystem::Debian},
    {"deb", Ecosystem::Debian},
    {"dpkg", Ecosystem::Debian},
    {"rpm", Ecosystem::Rpm},
    {"redhat", Ecosystem::Rpm},
    {"ruby", Ecosystem::Ruby},
    {"gem", Ecosystem::Ruby},
    {"rubygems", Ecosystem::Ruby},
    {"maven", Ecosystem::Maven},
    {"mvn", Ecosystem::Maven},
    {"go", Ecosystem::Go},
    {"golang", Ecosystem::Go},
    {"npm", Ecosystem::Npm},
    {"node", Ecosystem::Npm},
    {"nodejs", Ecosystem::Npm},
    {"nuget", Ecosystem::Nuget},
    {"dotnet", Ecosystem::Nuget},
    {"composer", Ecosystem::Composer},
    {"php", Ecosystem::Composer},
    {"packagist", Ecosystem::Composer},
    {"crates", Ecosystem::Crates},
    {"cargo", Ecosystem::Crates},
    {"crates.io", Ecosystem::Crates},
    {"hex", Ecosystem::Hex},
    {"elixir", Ecosystem::Hex},
    {"erlang", Ecosystem::Hex},
    {"swift", Ecosystem::Swift},
    {"swiftpm", Ecosystem::Swift},
    {"calver", Ecosystem::Calver},
    {"alpine", Ecosystem::Alpine},
    {"apk", Ecosystem::Alpine},
    {"docker", Ecosystem::Docker},
    {"oci", Ecosystem::Docker},
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

constexpr bool length_is_listed(std::size_t length) {
    for (const NameEntry& entry : ACCEPTED_NAMES) {
        if (entry.name.size() == length) return true;
    }
    return false;
}

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
    if (!length_is_listed(name.size())) return rejection(name);

    char buffer[LONGEST];
    for (std::size_t k = 0; k < name.size(); ++k) buffer[k] = to_lower(name[k]);
    const std::string_view lowered(buffer, name.size());

    for (const NameEntry& entry : ACCEPTED_NAMES) {
        if (entry.name == lowered) return Ecosystem(entry.value);
    }
    return rejection(name);
}

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
