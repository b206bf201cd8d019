// The module's entry point and registration. PyInit_tambry only hands the
// definition to the interpreter; the work happens in the execution step, which
// registers the class and then the functions, row by row, into `__all__`.
#include "errors.hpp"
#include "functions.hpp"
#include "module_globals.hpp"

namespace tambry {
namespace {

// Each documentation string is the text signature and nothing more, so that the
// interpreter exposes it as __text_signature__.
PyMethodDef FUNCTIONS[] = {
    {"version", as_py_cfunction(version_function),
     METH_FASTCALL | METH_KEYWORDS, "version(s, ecosystem=\"auto\")\n--\n\n"},
    {"compare", as_py_cfunction(compare_function),
     METH_FASTCALL | METH_KEYWORDS, "compare(a, b, ecosystem=\"generic\")\n--\n\n"},
    {"compare_semver_strict",
     as_py_cfunction(compare_semver_strict_function),
     METH_FASTCALL | METH_KEYWORDS, "compare_semver_strict(a, b)\n--\n\n"},
    {"sort_versions", as_py_cfunction(sort_versions_function),
     METH_FASTCALL | METH_KEYWORDS, "sort_versions(versions, ecosystem=\"generic\")\n--\n\n"},
    {"batch_compare", as_py_cfunction(batch_compare_function),
     METH_FASTCALL | METH_KEYWORDS, "batch_compare(pairs, ecosystem=\"generic\")\n--\n\n"},
    {"gt", as_py_cfunction(gt_function), METH_FASTCALL | METH_KEYWORDS,
     "gt(a, b, ecosystem=\"generic\")\n--\n\n"},
    {"ge", as_py_cfunction(ge_function), METH_FASTCALL | METH_KEYWORDS,
     "ge(a, b, ecosystem=\"generic\")\n--\n\n"},
    {"gte", as_py_cfunction(gte_function),
     METH_FASTCALL | METH_KEYWORDS, "gte(a, b, ecosystem=\"generic\")\n--\n\n"},
    {"lt", as_py_cfunction(lt_function), METH_FASTCALL | METH_KEYWORDS,
     "lt(a, b, ecosystem=\"generic\")\n--\n\n"},
    {"le", as_py_cfunction(le_function), METH_FASTCALL | METH_KEYWORDS,
     "le(a, b, ecosystem=\"generic\")\n--\n\n"},
    {"lte", as_py_cfunction(lte_function),
     METH_FASTCALL | METH_KEYWORDS, "lte(a, b, ecosystem=\"generic\")\n--\n\n"},
    {"eq", as_py_cfunction(eq_function), METH_FASTCALL | METH_KEYWORDS,
     "eq(a, b, ecosystem=\"generic\")\n--\n\n"},
    {"ne", as_py_cfunction(ne_function), METH_FASTCALL | METH_KEYWORDS,
     "ne(a, b, ecosystem=\"generic\")\n--\n\n"},
    {"max_version", as_py_cfunction(max_version_function),
     METH_FASTCALL | METH_KEYWORDS, "max_version(versions, ecosystem=\"generic\")\n--\n\n"},
    {"min_version", as_py_cfunction(min_version_function),
     METH_FASTCALL | METH_KEYWORDS, "min_version(versions, ecosystem=\"generic\")\n--\n\n"},
};

// Appends `name` to the module's __all__ (made on first use), then sets the attribute.
int register_name(PyObject* module, PyObject* name, PyObject* value) {
    PyRef all(PyObject_GetAttrString(module, "__all__"));
    if (!all) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return -1;
        PyErr_Clear();
        all = PyRef(PyList_New(0));
        if (!all || PyObject_SetAttrString(module, "__all__", all.get()) < 0) return -1;
    } else if (!PyList_Check(all.get())) {
        raise_not_an_instance(all.get(), "list");
        return -1;
    }
    if (PyList_Append(all.get(), name) < 0) return -1;
    return PyObject_SetAttr(module, name, value);
}

int register_class(PyObject* module) {
    PyRef name(PyUnicode_FromString("Version"));
    if (!name) return -1;
    return register_name(module, name.get(), reinterpret_cast<PyObject*>(module_globals.version_type));
}

int register_function(PyObject* module, PyMethodDef* definition) {
    PyRef module_name(PyModule_GetNameObject(module));
    if (!module_name) return -1;
    PyRef function(PyCFunction_NewEx(definition, module, module_name.get()));
    if (!function) return -1;
    PyRef name(PyObject_GetAttrString(function.get(), "__name__"));
    if (!name) return -1;
    return register_name(module, name.get(), function.get());
}

// What the module keeps is shared by the whole process, so only one interpreter
// may use it: the main one, which every process has and which outlives the others.
int check_interpreter() {
    if (PyInterpreterState_Get() == PyInterpreterState_Main()) return 0;
    PyErr_SetString(PyExc_ImportError, "tambry cannot be imported in more than one interpreter of a process");
    return -1;
}

int exec_module(PyObject* module) {
    return guarded<int>(-1, [&]() -> int {
        if (!PyModule_Check(module)) {
            raise_not_an_instance(module, "module");
            return -1;
        }
        if (check_interpreter() < 0 || !ensure_module_globals() || register_class(module) < 0) return -1;
        for (PyMethodDef& definition : FUNCTIONS) {
            if (register_function(module, &definition) < 0) return -1;
        }
        return 0;
    });
}

PyModuleDef_Slot SLOTS[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {0, nullptr},
};

PyModuleDef DEFINITION = {
    PyModuleDef_HEAD_INIT,
    "tambry",  // m_name
    "",        // m_doc
    0,         // m_size
    nullptr,   // m_methods
    SLOTS,     // m_slots
    nullptr,   // m_traverse
    nullptr,   // m_clear
    nullptr,   // m_free
};

}  // namespace
}  // namespace tambry

PyMODINIT_FUNC PyInit_tambry(void) { return PyModuleDef_Init(&tambry::DEFINITION); }
