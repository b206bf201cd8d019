// The ecosystem a range is over and the scheme that keys its versions. Ranges hold
// their versions only as keys, so this is all they ever ask of an ecosystem: a
// version's key, and whether the ecosystem calls it a pre-release.
#pragma once

#include <string>
#include <string_view>

#include "native/native_scheme.hpp"

namespace tambry::ranges {

using native::KeyBuffer;
using native::NativeEcosystem;

struct RangeScheme {
    NativeEcosystem ecosystem;
    // The registry's scheme for every range the module builds; a test may bring
    // its own, keyed under the same header.
    const native::NativeScheme* scheme;

    static RangeScheme of(NativeEcosystem ecosystem) { return {ecosystem, &native::native_scheme_for(ecosystem)}; }

    // The whole key (header and body) of an accepted text; false when rejected.
    bool key(std::string_view text, KeyBuffer& out) const {
        out.clear();
        out.push_back(native::KEY_FORMAT);
        out.push_back(native::key_id(ecosystem));
        return scheme->append_key(text, out);
    }

    bool is_prerelease(std::string_view text) const { return scheme->is_prerelease(text); }

    std::string_view name() const { return native::native_name(ecosystem); }
};

inline std::string_view key_view(const KeyBuffer& key) {
    return {reinterpret_cast<const char*>(key.data()), key.size()};
}

}  // namespace tambry::ranges
