// The tambry.native module: its per-module state and the entries that module.cpp
// registers.
#pragma once

#include "py_ref.hpp"

#include <new>
#include <string_view>

#include "native/native_scheme.hpp"

namespace tambry::native {

struct NativeState {
    PyObject* invalid_version;  // the InvalidVersion class
    PyObject* version_type;     // tambry.Version, whose objects stand for their raw text
    PyObject* key_array_type;   // KeyArray, made by key_array
};

NativeState& state_of(PyObject* module);

// Runs an entry's body and turns any C++ exception that escapes it into a Python one.
template <class Result, class Body>
Result native_guarded(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "tambry.native: unexpected C++ exception");
    }
    return failure;
}

// The ecosystem named by an `ecosystem` argument; ValueError listing every accepted
// name when it names none.
bool convert_native_ecosystem(PyObject* obj, NativeEcosystem& out);

// The text a version operand stands for: a str's own, or a tambry.Version's raw
// text, which `holder` then keeps alive; TypeError "expected Version or str" for
// anything else.
bool version_text(const NativeState& state, PyObject* obj, std::string_view& out, PyRef& holder);

// The text of a str as the layers read it: its UTF-8, or for a str with lone
// surrogates the bytes they would take ("surrogatepass"), which `holder` keeps.
bool text_of_str(PyObject* str, std::string_view& out, PyRef& holder);
// The str of such a text: the inverse of text_of_str.
PyObject* str_of_text(std::string_view text);

// Raises InvalidVersion for `text` under `ecosystem`; `index` is the place in a
// collection, or negative for a lone argument.
PyObject* raise_invalid_version(const NativeState& state, NativeEcosystem ecosystem, std::string_view text,
                                Py_ssize_t index = -1);

PyObject* compare_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* is_valid_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* is_prerelease_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* sort_versions_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* max_version_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* min_version_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* key_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* keys_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* key_array_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);

// The KeyArray class of this module.
PyObject* make_key_array_type(PyObject* module);

}  // namespace tambry::native
