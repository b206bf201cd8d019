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
// when it orders generically, that strategy as a generic-family one.
struct Row {
    std::string_view name;
    const VersionStrategy* strategy;
    const GenericFamilyStrategy* generic_family;
};

constexpr Row row(std::string_view name, const GenericFamilyStrategy& strategy) { return {name, &strategy, &strategy}; }
constexpr Row row(std::string_view name, const VersionStrategy& strategy) { return {name, &strategy, nullptr}; }

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

// One accepted name (lowercase) and the ecosystem it names.
struct NameEntry {
    std::string_view name;
    Ecosystem::Value value;
};

// The forty accepted names.
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

constexpr std::size_t NAME_COUNT = std::size(ACCEPTED_NAMES);

// A name is found with one probe: its slot comes from its length and its first,
// middle and last bytes (lowered). The weights were picked so that the forty names
// take forty different slots, which the static_assert below keeps true.
constexpr std::size_t NAME_SLOTS = 128;
constexpr std::uint8_t NO_NAME = 0xFF;

constexpr std::size_t slot_of(std::string_view lowered_ends, std::size_t length) {
    const auto byte = [](char c) { return static_cast<std::size_t>(static_cast<unsigned char>(c)); };
    return (byte(lowered_ends[0]) + 6 * byte(lowered_ends[1]) + 3 * byte(lowered_ends[2]) + length) % NAME_SLOTS;
}

// The first, middle and last byte of a name, lowered.
struct NameEnds {
    char bytes[3];
    constexpr explicit NameEnds(std::string_view name)
        : bytes{to_lower(name.front()), to_lower(name[name.size() / 2]), to_lower(name.back())} {}
    constexpr std::string_view view() const { return {bytes, 3}; }
};

constexpr std::array<std::uint8_t, NAME_SLOTS> NAME_AT_SLOT = [] {
    std::array<std::uint8_t, NAME_SLOTS> table{};
    for (auto& entry : table) entry = NO_NAME;
    for (std::size_t k = 0; k < NAME_COUNT; ++k) {
        const std::string_view name = ACCEPTED_NAMES[k].name;
        table[slot_of(NameEnds(name).view(), name.size())] = static_cast<std::uint8_t>(k);
    }
    return table;
}();

static_assert([] {
    std::size_t used = 0;
    for (std::uint8_t entry : NAME_AT_SLOT) used += entry != NO_NAME;
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
        const std::uint8_t k = NAME_AT_SLOT[slot_of(NameEnds(name).view(), name.size())];
        if (k != NO_NAME && same_lowered(name, ACCEPTED_NAMES[k].name)) return Ecosystem(ACCEPTED_NAMES[k].value);
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

const VersionStrategy& strategy_for(Ecosystem ecosystem) { return *ROWS[ecosystem].strategy; }

const GenericFamilyStrategy* generic_family_for(Ecosystem ecosystem) { return ROWS[ecosystem].generic_family; }

}  // namespace tambry
