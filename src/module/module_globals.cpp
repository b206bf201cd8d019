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
    if (!intern_parameter_names()) return false;
    // Everything was made: only now is any of it kept.
    module_globals.internal_error = internal_error.release();
    module_globals.version_type = reinterpret_cast<PyTypeObject*>(version_type.release());
    for (int i = 0; i < 3; ++i) module_globals.orderings[i] = orderings[i].release();
    return true;
}

PyObject* raise_internal_error(std::string_view message) {
    return raise_with_text(module_globals.internal_error, message);
}

}  // namespace tambry
