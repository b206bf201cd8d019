// Turning the core's failures into Python exceptions, and the boundary that keeps
// every C++ exception out of the interpreter.
#pragma once

#include "py_ref.hpp"

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "tambry_core.hpp"

namespace tambry {

// Each raise_* sets the exception and returns null, so a failing call site is one line.
// Messages may quote the caller's text, NUL bytes included, so they are passed
// with their length rather than as C strings.
PyObject* raise_with_text(PyObject* type, std::string_view message);
PyObject* raise_value_error(std::string_view message);
PyObject* raise_type_error(std::string_view message);
// Raises the module's internal-error class, for broken invariants (defined with
// the module's globals, which hold that class).
PyObject* raise_internal_error(std::string_view message);
inline PyObject* raise_internal_error(const InternalError& error) { return raise_internal_error(error.message); }

// A core failure raised as its Python exception: a message as ValueError, a broken
// invariant as the internal error.
inline PyObject* raise_failure(const std::string& message) { return raise_value_error(message); }
inline PyObject* raise_failure(const InternalError& error) { return raise_internal_error(error); }

// Moves a core outcome's value to `out`, or raises its failure and returns false.
template <class T, class E>
bool take_outcome(Result<T, E>&& outcome, T& out) {
    if (!outcome.ok()) {
        raise_failure(outcome.error());
        return false;
    }
    out = std::move(outcome.value());
    return true;
}

// True for a check that passed; otherwise raises its failure and returns false.
template <class E>
bool take_outcome(const Result<void, E>& outcome) {
    if (outcome.ok()) return true;
    raise_failure(outcome.error());
    return false;
}

// The TypeError of a failed type conversion: "'int' object is not an instance of
// 'str'", or "'None' is not an instance of 'str'" for None.
PyObject* raise_not_an_instance(PyObject* obj, const char* target_type);

// Replaces a pending TypeError (of exactly that type) with one whose message is
// prefixed by "argument '<name>': ", keeping its cause; other errors pass unchanged.
void prefix_conversion_error(const char* parameter);

// Runs an entry's body and converts any C++ exception that escapes it.
template <class Result, class Body>
Result guarded(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (...) {
        raise_internal_error("internal error: unexpected C++ exception");
    }
    return failure;
}

}  // namespace tambry
