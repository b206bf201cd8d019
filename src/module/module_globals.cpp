#include "module_globals.hpp"

#include "errors.hpp"
#include "version_object.hpp"

namespace tambry {

ModuleGlobals module_globals;

bool ensure_module_globals() {
    if (module_globals.version_type) return true;
    PyRef internal_error(PyErr_NewException("tambry.InternalError", PyExc_BaseException, nullptr));
    if (!internal_error) return false;
    PyRef version_type(reinterpret_cast<PyObject*>(create_version_type()));
    if (!version_type) return false;
    PyRef orderings[3];
    for (int i = 0; i < 3; ++i) {
        orderings[i] = PyRef(PyLong_FromLong(i - 1));
        if (!orderings[i]) return false;
    }
    PyRef parameter_names[PARAM_COUNT];
    for (std::size_t i = 0; i < PARAM_COUNT; ++i) {
        parameter_names[i] = PyRef(PyUnicode_InternFromString(PARAM_NAMES[i]));
        if (!parameter_names[i]) return false;
    }
    // Everything was made: only now is any of it kept.
    module_globals.internal_error = internal_error.release();
    module_globals.version_type = reinterpret_cast<PyTypeObject*>(version_type.release());
    for (int i = 0; i < 3; ++i) module_globals.orderings[i] = orderings[i].release();
    for (std::size_t i = 0; i < PARAM_COUNT; ++i) module_globals.parameter_names[i] = parameter_names[i].release();
    return true;
}

}  // namespace tambry
