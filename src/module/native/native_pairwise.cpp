// compare, is_valid, is_prerelease and key: one or two versions under one
// ecosystem's own order.
#include "binder.hpp"
#include "native/native_module.hpp"

namespace tambry::native {
namespace {

constexpr Param COMPARE_PARAMS[] = {Param::A, Param::B, Param::Ecosystem};
constexpr Param ONE_VERSION_PARAMS[] = {Param::Version, Param::Ecosystem};
const ParamSpec COMPARE_SPEC = {"compare", nullptr, COMPARE_PARAMS, 3, 3};
const ParamSpec IS_VALID_SPEC = {"is_valid", nullptr, ONE_VERSION_PARAMS, 2, 2};
const ParamSpec KEY_SPEC = {"key", nullptr, ONE_VERSION_PARAMS, 2, 2};
const ParamSpec IS_PRERELEASE_SPEC = {"is_prerelease", nullptr, ONE_VERSION_PARAMS, 2, 2};

PyObject* ordering_to_int(Ordering o) { return PyLong_FromLong(static_cast<long>(o)); }

// Binds (version, ecosystem) and reads both.
bool one_version_call(const ParamSpec& spec, PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                      PyObject* kwnames, std::string_view& text, PyRef& holder, NativeEcosystem& ecosystem) {
    PyObject* slots[2] = {};
    return bind_fastcall(spec, args, nargs, kwnames, slots) && convert_native_ecosystem(slots[1], ecosystem) &&
           version_text(state_of(module), slots[0], text, holder);
}

}  // namespace

PyObject* compare_entry(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[3] = {};
        NativeEcosystem ecosystem;
        if (!bind_fastcall(COMPARE_SPEC, args, nargs, kwnames, slots) ||
            !convert_native_ecosystem(slots[2], ecosystem)) {
            return nullptr;
        }
        const NativeState& state = state_of(module);
        std::string_view a, b;
        PyRef hold_a, hold_b;
        if (!version_text(state, slots[0], a, hold_a) || !version_text(state, slots[1], b, hold_b)) return nullptr;
        const NativeScheme& scheme = native_scheme_for(ecosystem);
        if (const auto order = scheme.compare(a, b)) return ordering_to_int(*order);
        return raise_invalid_version(state, ecosystem, scheme.is_valid(a) ? b : a);
    });
}

PyObject* is_valid_entry(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        std::string_view text;
        PyRef holder;
        NativeEcosystem ecosystem;
        if (!one_version_call(IS_VALID_SPEC, module, args, nargs, kwnames, text, holder, ecosystem)) return nullptr;
        return PyBool_FromLong(native_scheme_for(ecosystem).is_valid(text));
    });
}

PyObject* is_prerelease_entry(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        std::string_view text;
        PyRef holder;
        NativeEcosystem ecosystem;
        if (!one_version_call(IS_PRERELEASE_SPEC, module, args, nargs, kwnames, text, holder, ecosystem)) {
            return nullptr;
        }
        const NativeScheme& scheme = native_scheme_for(ecosystem);
        if (!scheme.is_valid(text)) return raise_invalid_version(state_of(module), ecosystem, text);
        return PyBool_FromLong(scheme.is_prerelease(text));
    });
}

PyObject* key_entry(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        std::string_view text;
        PyRef holder;
        NativeEcosystem ecosystem;
        if (!one_version_call(KEY_SPEC, module, args, nargs, kwnames, text, holder, ecosystem)) return nullptr;
        KeyBuffer key;
        if (!native_key(ecosystem, text, key)) return raise_invalid_version(state_of(module), ecosystem, text);
        return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(key.data()),
                                         static_cast<Py_ssize_t>(key.size()));
    });
}

}  // namespace tambry::native
