// tambry.ranges: sets of versions of one ecosystem, from each ecosystem's own range
// syntax, vers URIs and OSV advisories, with exact membership and set algebra. The
// module keeps its state per module object: the VersionRange class, and what it
// shares with tambry.native (the InvalidVersion class and tambry.Version).
#include "ranges/ranges_module.hpp"

#include "binder.hpp"

namespace tambry::ranges {
namespace {

const char* const PUBLIC_NAMES[] = {"VersionRange"};

int add_all(PyObject* module) {
    PyRef all(PyList_New(0));
    if (!all) return -1;
    for (const char* name : PUBLIC_NAMES) {
        PyRef text(PyUnicode_FromString(name));
        if (!text || PyList_Append(all.get(), text.get()) < 0) return -1;
    }
    return PyModule_AddObjectRef(module, "__all__", all.get());
}

RangesState& state_of_module(PyObject* module) { return *static_cast<RangesState*>(PyModule_GetState(module)); }

int exec_module(PyObject* module) {
    return native::native_guarded<int>(-1, [&]() -> int {
        if (!intern_parameter_names()) return -1;
        RangesState& state = state_of_module(module);
        PyRef tambry(PyImport_ImportModule("tambry"));
        if (!tambry) return -1;
        state.native.version_type = PyObject_GetAttrString(tambry.get(), "Version");
        if (!state.native.version_type) return -1;
        PyRef native(PyImport_ImportModule("tambry.native"));
        if (!native) return -1;
        state.native.invalid_version = PyObject_GetAttrString(native.get(), "InvalidVersion");
        if (!state.native.invalid_version) return -1;
        state.range_type = PyType_FromModuleAndSpec(module, &range_type_spec(), nullptr);
        if (!state.range_type) return -1;
        if (PyModule_AddObjectRef(module, "VersionRange", state.range_type) < 0) return -1;
        return add_all(module);
    });
}

int traverse_module(PyObject* module, visitproc visit, void* arg) {
    RangesState& state = state_of_module(module);
    Py_VISIT(state.native.invalid_version);
    Py_VISIT(state.native.version_type);
    Py_VISIT(state.range_type);
    return 0;
}

int clear_module(PyObject* module) {
    RangesState& state = state_of_module(module);
    Py_CLEAR(state.native.invalid_version);
    Py_CLEAR(state.native.version_type);
    Py_CLEAR(state.range_type);
    return 0;
}

void free_module(void* module) { clear_module(static_cast<PyObject*>(module)); }

PyModuleDef_Slot SLOTS[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {0, nullptr},
};

PyModuleDef DEFINITION = {
    PyModuleDef_HEAD_INIT,
    "tambry.ranges",
    "Sets of versions of one ecosystem: each ecosystem's own range syntax, vers URIs and\n"
    "OSV advisories, with exact membership and set algebra.",
    sizeof(RangesState),
    nullptr,
    SLOTS,
    traverse_module,
    clear_module,
    free_module,
};

}  // namespace

RangesState& state_of_type(PyTypeObject* type) {
    // VersionRange cannot be subclassed, so `type` is a VersionRange made by this
    // module's exec_module, which holds that module's state at hand.
    return *static_cast<RangesState*>(PyType_GetModuleState(type));
}

}  // namespace tambry::ranges

PyMODINIT_FUNC PyInit_ranges(void) { return PyModuleDef_Init(&tambry::ranges::DEFINITION); }
