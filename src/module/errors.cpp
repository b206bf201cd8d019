#include "errors.hpp"

#include <string>

namespace tambry {

PyObject* raise_with_text(PyObject* type, std::string_view message) {
    PyRef text(PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), "replace"));
    if (text) PyErr_SetObject(type, text.get());
    return nullptr;
}

PyObject* raise_value_error(std::string_view message) { return raise_with_text(PyExc_ValueError, message); }
PyObject* raise_type_error(std::string_view message) { return raise_with_text(PyExc_TypeError, message); }

PyObject* raise_not_an_instance(PyObject* obj, const char* target_type) {
    if (obj == Py_None) {
        PyErr_Format(PyExc_TypeError, "'None' is not an instance of '%s'", target_type);
        return nullptr;
    }
    PyRef name(PyType_GetQualName(Py_TYPE(obj)));
    if (!name) return nullptr;
    PyErr_Format(PyExc_TypeError, "'%U' object is not an instance of '%s'", name.get(), target_type);
    return nullptr;
}

void prefix_conversion_error(const char* parameter) {
    if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    PyRef original_type(type), original(value), original_traceback(traceback);
    if (type != PyExc_TypeError || !value) {  // a subclass of TypeError passes unchanged
        PyErr_Restore(original_type.release(), original.release(), original_traceback.release());
        return;
    }
    PyRef message(PyObject_Str(original.get()));
    if (!message) return;
    PyRef prefixed(PyUnicode_FromFormat("argument '%s': %U", parameter, message.get()));
    if (!prefixed) return;
    PyRef replacement(PyObject_CallOneArg(PyExc_TypeError, prefixed.get()));
    if (!replacement) return;
    if (PyObject* cause = PyException_GetCause(original.get())) {
        PyException_SetCause(replacement.get(), cause);  // steals the reference
    }
    PyErr_SetObject(PyExc_TypeError, replacement.get());
}

}  // namespace tambry
