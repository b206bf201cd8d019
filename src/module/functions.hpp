// The module's functions, in the fast-call-with-keywords convention; module.cpp
// registers them.
#pragma once

#include "py_ref.hpp"

namespace tambry {

using FastEntry = PyObject* (*)(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);

// Method tables store every entry under the one-argument function type; the flags
// tell the interpreter the real convention.
inline PyCFunction as_py_cfunction(FastEntry entry) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry));
}

PyObject* version_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* compare_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* compare_semver_strict_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* sort_versions_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* batch_compare_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* gt_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* ge_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* gte_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* lt_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* le_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* lte_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* eq_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* ne_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* max_version_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* min_version_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);

}  // namespace tambry
