// Placeholder until the hex scheme lands: it accepts nothing.
#include "native/native_scheme.hpp"

namespace tambry::native {
namespace {

class HexScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view) const override { return false; }
    std::optional<Ordering> compare(std::string_view, std::string_view) const override { return std::nullopt; }
    bool append_key(std::string_view, KeyBuffer&) const override { return false; }
    bool is_prerelease(std::string_view) const override { return false; }
};

constinit const HexScheme HEX_SCHEME{};

}  // namespace

const NativeScheme& hex_scheme() { return HEX_SCHEME; }

}  // namespace tambry::native
