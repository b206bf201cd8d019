// tambry.native: every ecosystem's versions in its own tool's order. The module
// keeps its state per module object (the InvalidVersion class and tambry.Version),
// so every interpreter that imports it gets its own.
#include "native/native_module.hpp"

#include "binder.hpp"
#include "functions.hpp"

namespace tambry::native {
namespace {

PyMethodDef FUNCTIONS[] = {
    {"compare", as_py_cfunction(compare_entry), METH_FASTCALL | METH_KEYWORDS,
     "compare(a, b, ecosystem)\n--\n\n"
     "-1, 0 or 1 as a is older than, equal to or newer than b in the ecosystem's own order."},
    {"is_valid", as_py_cfunction(is_valid_entry), METH_FASTCALL | METH_KEYWORDS,
     "is_valid(version, ecosystem)\n--\n\nWhether the ecosystem's own tool accepts the version."},
    {"is_prerelease", as_py_cfunction(is_prerelease_entry), METH_FASTCALL | METH_KEYWORDS,
     "is_prerelease(version, ecosystem)\n--\n\n"
     "Whether the ecosystem's own tool calls the version a pre-release: the versions that\n"
     "ranges apply their pre-release rules to."},
    {"sort_versions", as_py_cfunction(sort_versions_entry), METH_FASTCALL | METH_KEYWORDS,
     "sort_versions(versions, ecosystem)\n--\n\n"
     "The versions, oldest first; equal versions keep their order."},
    {"max_version", as_py_cfunction(max_version_entry), METH_FASTCALL | METH_KEYWORDS,
     "max_version(versions, ecosystem)\n--\n\nThe newest version; the last of equal newest ones."},
    {"min_version", as_py_cfunction(min_version_entry), METH_FASTCALL | METH_KEYWORDS,
     "min_version(versions, ecosystem)\n--\n\nThe oldest version; the first of equal oldest ones."},
    {"key", as_py_cfunction(key_entry), METH_FASTCALL | METH_KEYWORDS,
     "key(version, ecosystem)\n--\n\n"
     "Bytes that order like the version: for two versions of one ecosystem, the bytewise\n"
     "order of their keys is compare, and equal keys mean equal versions. The key's\n"
     "lowercase hex form, key(...).hex(), orders the same way, for text columns."},
    {"keys", as_py_cfunction(keys_entry), METH_FASTCALL | METH_KEYWORDS,
     "keys(versions, ecosystem, invalid='raise')\n--\n\n"
     "The key of every version. An invalid version raises InvalidVersion, or with\n"
     "invalid='null' gives None in its place."},
    {"key_array", as_py_cfunction(key_array_entry), METH_FASTCALL | METH_KEYWORDS,
     "key_array(versions, ecosystem, invalid='raise')\n--\n\n"
     "The key of every version as a KeyArray: one Arrow binary column that pyarrow,\n"
     "Polars, DuckDB and other Arrow consumers take without a copy. An invalid version\n"
     "raises InvalidVersion, or with invalid='null' leaves a null in its place."},
    {nullptr, nullptr, 0, nullptr},
};

const char* const PUBLIC_NAMES[] = {
    "InvalidVersion", "ECOSYSTEMS", "compare",     "is_valid", "is_prerelease", "sort_versions",
    "max_version",    "min_version", "key", "keys", "key_array", "KeyArray",
};

int add_ecosystems(PyObject* module) {
    PyRef names(PyTuple_New(NATIVE_ECOSYSTEM_COUNT));
    if (!names) return -1;
    for (int i = 0; i < NATIVE_ECOSYSTEM_COUNT; ++i) {
        const std::string_view name = native_name(static_cast<NativeEcosystem>(i));
        PyObject* item = PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
        if (!item) return -1;
        PyTuple_SET_ITEM(names.get(), i, item);
    }
    return PyModule_AddObjectRef(module, "ECOSYSTEMS", names.get());
}

int add_all(PyObject* module) {
    PyRef all(PyList_New(0));
    if (!all) return -1;
    for (const char* name : PUBLIC_NAMES) {
        PyRef text(PyUnicode_FromString(name));
        if (!text || PyList_Append(all.get(), text.get()) < 0) return -1;
    }
    return PyModule_AddObjectRef(module, "__all__", all.get());
}

int exec_module(PyObject* module) {
    return native_guarded<int>(-1, [&]() -> int {
        if (!intern_parameter_names()) return -1;
        NativeState& state = state_of(module);
        PyRef tambry(PyImport_ImportModule("tambry"));
        if (!tambry) return -1;
        state.version_type = PyObject_GetAttrString(tambry.get(), "Version");
        if (!state.version_type) return -1;
        state.invalid_version = PyErr_NewExceptionWithDoc(
            "tambry.native.InvalidVersion",
            "A version text that the ecosystem's own tool rejects. Its attributes name the\n"
            "version, the ecosystem and, within a collection, the index.",
            PyExc_ValueError, nullptr);
        if (!state.invalid_version) return -1;
        if (PyModule_AddObjectRef(module, "InvalidVersion", state.invalid_version) < 0) return -1;
        if (PyModule_AddFunctions(module, FUNCTIONS) < 0) return -1;
        state.key_array_type = make_key_array_type(module);
        if (!state.key_array_type) return -1;
        if (PyModule_AddObjectRef(module, "KeyArray", state.key_array_type) < 0) return -1;
        if (add_ecosystems(module) < 0) return -1;
        return add_all(module);
    });
}

int traverse_module(PyObject* module, visitproc visit, void* arg) {
    NativeState& state = state_of(module);
    Py_VISIT(state.invalid_version);
    Py_VISIT(state.version_type);
    Py_VISIT(state.key_array_type);
    return 0;
}

int clear_module(PyObject* module) {
    NativeState& state = state_of(module);
    Py_CLEAR(state.invalid_version);
    Py_CLEAR(state.version_type);
    Py_CLEAR(state.key_array_type);
    return 0;
}

void free_module(void* module) { clear_module(static_cast<PyObject*>(module)); }

PyModuleDef_Slot SLOTS[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {0, nullptr},
};

PyModuleDef DEFINITION = {
    PyModuleDef_HEAD_INIT,
    "tambry.native",
    "Every ecosystem's versions ordered exactly as its own tool orders them.",
    sizeof(NativeState),
    nullptr,
    SLOTS,
    traverse_module,
    clear_module,
    free_module,
};

}  // namespace

NativeState& state_of(PyObject* module) { return *static_cast<NativeState*>(PyModule_GetState(module)); }

}  // namespace tambry::native

PyMODINIT_FUNC PyInit_native(void) { return PyModuleDef_Init(&tambry::native::DEFINITION); }
