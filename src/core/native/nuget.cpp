// Placeholder until the nuget scheme lands: it accepts nothing.
#include "native/native_scheme.hpp"

namespace tambry::native {
namespace {

class NugetScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view) const override { return false; }
    std::optional<Ordering> compare(std::string_view, std::string_view) const override { return std::nullopt; }
    bool append_key(std::string_view, KeyBuffer&) const override { return false; }
    bool is_prerelease(std::string_view) const override { return false; }
};

constinit const NugetScheme NUGET_SCHEME{};

}  // namespace

const NativeScheme& nuget_scheme() { return NUGET_SCHEME; }

}  // namespace tambry::native
