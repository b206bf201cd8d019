// The seventeen ecosystems, the forty names that reach them, and the strategy that
// serves each one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "result.hpp"
#include "version_strategy.hpp"

namespace tambry {

class Ecosystem {
public:
    enum Value : std::uint8_t {
        Generic, Semver, Pep440, Debian, Rpm, Ruby, Maven, Go, Npm,
        Nuget, Composer, Crates, Hex, Swift, Calver, Alpine, Docker,
    };
    static constexpr int COUNT = 17;

    constexpr Ecosystem(Value value = Generic) : value_(value) {}
    constexpr operator Value() const { return value_; }

    // A name or alias, A-Z lowered and nothing else changed; "auto" is not one.
    static Result<Ecosystem, std::string> from_str(std::string_view name);

    // The canonical name; the text is static.
    std::string_view name() const;

private:
    Value value_;
};

static_assert(sizeof(Ecosystem) == 1);

// True for exactly four bytes that read "auto" once A-Z are lowered.
bool means_auto(std::string_view name);

// An accepted name, exactly as written in the tables (lowercase), and what it names.
struct EcosystemName {
    std::string_view name;
    Ecosystem ecosystem;
};

// Every canonical name and alias: what Ecosystem::from_str accepts before lowering.
std::span<const EcosystemName> ecosystem_names();

const VersionStrategy& strategy_for(Ecosystem ecosystem);

class GenericFamilyStrategy;

// The same strategy when the ecosystem orders generically (admission checks, then
// parse_generic and cmp_parsed), so that its versions may be packed; null for the
// others.
const GenericFamilyStrategy* generic_family_for(Ecosystem ecosystem);

class PackageScheme;

// The same for the Debian and RPM schemes, which cut a text into package parts;
// null for the others.
const PackageScheme* package_scheme_for(Ecosystem ecosystem);

}  // namespace tambry
