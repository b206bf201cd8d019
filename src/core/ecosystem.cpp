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

// What the registry knows of each ecosystem: its canonical name, its strategy and,
// when it orders generically or as a package scheme, that strategy as one.
struct Row {
    std::string_view name;
    const VersionStrategy* strategy;
    const GenericFamilyStrategy* generic_family;
    const PackageScheme* package_scheme;
};

constexpr Row row(std::string_view name, const GenericFamilyStrategy& strategy) {
    return {name, &strategy, &strategy, nullptr};
}
constexpr Row row(std::string_view name, const PackageScheme& strategy) { return {name, &strategy, nullptr, &strategy}; }
constexpr Row row(std::string_view name, const VersionStrategy& strategy) { return {name, &strategy, nullptr, nullptr}; }

// Indexed by the enumerator.
constexpr std::array<Row, Ecosystem::COUNT> ROWS = {
    row("generic", GENERIC_STRATEGY),
    row("semver", SEMVER_STRATEGY),
    row("pep440", PEP440_STRATEGY),
    row("debian", DEBIAN_STRATEGY),
    row("rpm", RPM_STRATEGY),
    row("ruby", RUBY_STRATEGY),
    row("maven", MAVEN_STRATEGY),
    row("go", GO_STRATEGY),
    row("npm", SEMVER_STRATEGY),
    row("nuget", NUGET_STRATEGY),
    row("composer", COMPOSER_STRATEGY),
    row("crates", SEMVER_STRATEGY),
    row("hex", SEMVER_STRATEGY),
    row("swift", SEMVER_STRATEGY),
    row("calver", CALVER_STRATEGY),
    row("alpine", ALPINE_STRATEGY),
    row("docker", GENERIC_STRATEGY),
};

// A name other than the canonical one, and the ecosystem it names.
struct Alias {
    std::string_view name;
    Ecosystem::Value value;
};

constexpr Alias ALIASES[] = {
    {"semver_strict", Ecosystem::Semver}, {"semver-strict", Ecosystem::Semver},
    {"pep-440", Ecosystem::Pep440},       {"python", Ecosystem::Pep440},
    {"deb", Ecosystem::Debian},           {"dpkg", Ecosystem::Debian},
    {"redhat", Ecosystem::Rpm},           {"gem", Ecosystem::Ruby},
    {"rubygems", Ecosystem::Ruby},        {"mvn", Ecosystem::Maven},
    {"golang", Ecosystem::Go},            {"node", Ecosystem::Npm},
    {"nodejs", Ecosystem::Npm},           {"dotnet", Ecosystem::Nuget},
    {"php", Ecosystem::Composer},         {"packagist", Ecosystem::Composer},
    {"cargo", Ecosystem::Crates},         {"crates.io", Ecosystem::Crates},
    {"elixir", Ecosystem::Hex},           {"erlang", Ecosystem::Hex},
    {"swiftpm", Ecosystem::Swift},        {"apk", Ecosystem::Alpine},
    {"oci", Ecosystem::Docker},
};

constexpr std::size_t NAME_COUNT = Ecosystem::COUNT + std::size(ALIASES);

// A name is found with one probe: its slot comes from its length and its first,
// middle and last bytes (lowered). The weights were picked so that the forty names
// take forty different slots, which the static_assert below keeps true.
constexpr std::size_t NAME_SLOTS = 128;

constexpr std::size_t slot_of(std::string_view name) {
    const auto lowered = [&](std::size_t k) { return static_cast<unsigned char>(to_lower(name[k])); };
    const std::size_t n = name.size();
    return (lowered(0) + 6 * lowered(n / 2) + 3 * lowered(n - 1) + n) % NAME_SLOTS;
}

// An empty name marks a free slot.
constexpr std::array<Alias, NAME_SLOTS> NAME_AT_SLOT = [] {
    std::array<Alias, NAME_SLOTS> table{};
    for (std::size_t k = 0; k < ROWS.size(); ++k) {
        table[slot_of(ROWS[k].name)] = {ROWS[k].name, static_cast<Ecosystem::Value>(k)};
    }
    for (const Alias& alias : ALIASES) table[slot_of(alias.name)] = alias;
    return table;
}();

static_assert([] {
    std::size_t used = 0;
    for (const Alias& entry : NAME_AT_SLOT) used += !entry.name.empty();
    return used == NAME_COUNT;
}(), "two accepted names share a slot: pick other weights in slot_of");

// Whether `name`, lowered, is `listed` (which is lowercase).
bool same_lowered(std::string_view name, std::string_view listed) {
    if (name.size() != listed.size()) return false;
    for (std::size_t k = 0; k < name.size(); ++k) {
        if (to_lower(name[k]) != listed[k]) return false;
    }
    return true;
}

constexpr std::array<EcosystemName, NAME_COUNT> ALL_NAMES = [] {
    std::array<EcosystemName, NAME_COUNT> names{};
    std::size_t at = 0;
    for (std::size_t k = 0; k < ROWS.size(); ++k) names[at++] = {ROWS[k].name, static_cast<Ecosystem::Value>(k)};
    for (const Alias& alias : ALIASES) names[at++] = {alias.name, alias.value};
    return names;
}();

// The canonical names joined by ", ", for the message that rejects a name.
constexpr std::size_t canonical_list_size() {
    std::size_t size = 2 * (ROWS.size() - 1);
    for (const Row& r : ROWS) size += r.name.size();
    return size;
}

constexpr std::array<char, canonical_list_size()> CANONICAL_LIST = [] {
    std::array<char, canonical_list_size()> list{};
    std::size_t at = 0;
    for (const Row& r : ROWS) {
        if (at > 0) {
            list[at++] = ',';
            list[at++] = ' ';
        }
        for (char c : r.name) list[at++] = c;
    }
    return list;
}();

Failure<std::string> rejection(std::string_view name) {
    constexpr std::string_view PREFIX = "unsupported ecosystem '";
    constexpr std::string_view MIDDLE = "'; expected one of: ";
    std::string message;
    message.reserve(PREFIX.size() + name.size() + MIDDLE.size() + CANONICAL_LIST.size());
    message += PREFIX;
    for (char c : name) message += to_lower(c);
    message += MIDDLE;
    message.append(CANONICAL_LIST.data(), CANONICAL_LIST.size());
    return Failure{std::move(message)};
}

}  // namespace

Result<Ecosystem, std::string> Ecosystem::from_str(std::string_view name) {
    if (!name.empty()) {
        const Alias& entry = NAME_AT_SLOT[slot_of(name)];
        if (same_lowered(name, entry.name)) return Ecosystem(entry.value);
    }
    return rejection(name);
}

std::string_view Ecosystem::name() const { return ROWS[value_].name; }

bool means_auto(std::string_view name) {
    constexpr std::string_view AUTO = "auto";
    if (name.size() != AUTO.size()) return false;
    for (std::size_t k = 0; k < AUTO.size(); ++k) {
        if (to_lower(name[k]) != AUTO[k]) return false;
    }
    return true;
}

std::span<const EcosystemName> ecosystem_names() { return ALL_NAMES; }

const VersionStrategy& strategy_for(Ecosystem ecosystem) { return *ROWS[ecosystem].strategy; }

const GenericFamilyStrategy* generic_family_for(Ecosystem ecosystem) { return ROWS[ecosystem].generic_family; }

const PackageScheme* package_scheme_for(Ecosystem ecosystem) { return ROWS[ecosystem].package_scheme; }

}  // namespace tambry
