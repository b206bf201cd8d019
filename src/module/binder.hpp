// One argument binder for every entry of the module: positional and keyword
// arguments are matched to a static parameter record, so that every function, the
// constructor and Version.compare report argument errors in the same words. The
// conversions below are the only ways arguments are turned into C++ values.
#pragma once

#include "py_ref.hpp"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace tambry {

// Every parameter name of the package's entries, written once.
enum class Param : std::uint8_t {
    A, B, Ecosystem, Versions, Pairs, Version, S, Other, Invalid,
    Text, Prereleases, Uri, RangeObject, Affected, RequestedSchema,
};
inline constexpr const char* PARAM_NAMES[] = {
    "a", "b", "ecosystem", "versions", "pairs", "version", "s", "other", "invalid",
    "text", "prereleases", "uri", "range_object", "affected", "requested_schema",
};
inline constexpr std::size_t PARAM_COUNT = std::size(PARAM_NAMES);

struct ParamSpec {
    const char* name;    // "eq", "__new__", "compare"
    const char* owner;   // the class for methods ("Version"), null for module functions
    const Param* params;
    Py_ssize_t count;
    Py_ssize_t required;  // the leading parameters that must be given
};

// Makes the interned names that keywords are matched against by identity; false
// with an exception set when one could not be made. Keywords still match by
// content before it is called.
bool intern_parameter_names();

// Each fills slots[0..count) with borrowed references, null for a parameter left out.
// On failure a TypeError is set and false returned.
bool bind_fastcall_with_keywords(const ParamSpec& spec, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                                 PyObject** slots);
bool bind_tuple_dict(const ParamSpec& spec, PyObject* args, PyObject* kwargs, PyObject** slots);

// The usual call, every argument by position and nothing missing, is bound here
// in the caller; anything else goes to the general binder.
inline bool bind_fastcall(const ParamSpec& spec, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                          PyObject** slots) {
    if (kwnames || nargs < spec.required || nargs > spec.count) {
        return bind_fastcall_with_keywords(spec, args, nargs, kwnames, slots);
    }
    for (Py_ssize_t i = 0; i < nargs; ++i) slots[i] = args[i];
    for (Py_ssize_t i = nargs; i < spec.count; ++i) slots[i] = nullptr;
    return true;
}

// The UTF-8 text of a str (or subclass), without copying; false with the
// interpreter's encoding error set when it has none (lone surrogates).
inline bool utf8_of_str(PyObject* str, std::string_view& out) {
    // An ASCII str is its own UTF-8: read it in place, which is nearly every version.
    if (PyUnicode_IS_COMPACT_ASCII(str)) {
        out = {static_cast<const char*>(PyUnicode_DATA(str)), static_cast<std::size_t>(PyUnicode_GET_LENGTH(str))};
        return true;
    }
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(str, &size);
    if (!data) return false;
    out = {data, static_cast<std::size_t>(size)};
    return true;
}

// Conversions of bound arguments. On failure the exception is set (an exact
// TypeError prefixed with "argument '<parameter>': ") and false returned.
bool convert_text_failed(const char* parameter, PyObject* obj);
inline bool convert_text(const char* parameter, PyObject* obj, std::string_view& out) {
    if (PyUnicode_Check(obj) && utf8_of_str(obj, out)) return true;
    return convert_text_failed(parameter, obj);
}
bool convert_sequence(const char* parameter, PyObject* obj, std::vector<PyRef>& out);
bool convert_pairs(const char* parameter, PyObject* obj, std::vector<std::pair<PyRef, PyRef>>& out);
bool convert_index(const char* parameter, PyObject* obj, long long& out);

}  // namespace tambry
