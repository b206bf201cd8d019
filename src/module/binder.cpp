#include "binder.hpp"

#include <string>

#include "errors.hpp"

namespace tambry {
namespace {

// Keyword names arrive interned (they come from code objects), so they are nearly
// always matched to these by identity. Each extension module of the package links
// its own binder and fills its own table when it executes.
PyObject* interned_names[PARAM_COUNT] = {};

const char* name_of(Param param) { return PARAM_NAMES[static_cast<std::size_t>(param)]; }

std::string display_name(const ParamSpec& spec) {
    std::string name;
    if (spec.owner) {
        name += spec.owner;
        name += '.';
    }
    name += spec.name;
    name += "()";
    return name;
}

bool too_many_positional(const ParamSpec& spec, Py_ssize_t given) {
    const std::string name = display_name(spec);
    const char* verb = given == 1 ? "was" : "were";
    if (spec.required == spec.count) {
        PyErr_Format(PyExc_TypeError, "%s takes %zd positional arguments but %zd %s given", name.c_str(),
                     spec.count, given, verb);
    } else {
        PyErr_Format(PyExc_TypeError, "%s takes from %zd to %zd positional arguments but %zd %s given",
                     name.c_str(), spec.required, spec.count, given, verb);
    }
    return false;
}

bool missing_required(const ParamSpec& spec, PyObject** slots) {
    std::vector<const char*> missing;
    for (Py_ssize_t i = 0; i < spec.required; ++i) {
        if (!slots[i]) missing.push_back(name_of(spec.params[i]));
    }
    if (missing.empty()) return true;
    std::string names;
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (i > 0) {
            if (missing.size() == 2) {
                names += " and ";
            } else {
                names += i + 1 == missing.size() ? ", and " : ", ";
            }
        }
        names += '\'';
        names += missing[i];
        names += '\'';
    }
    PyErr_Format(PyExc_TypeError, "%s missing %zu required positional %s: %s", display_name(spec).c_str(),
                 missing.size(), missing.size() == 1 ? "argument" : "arguments", names.c_str());
    return false;
}

// The parameter that `keyword` names, or -1.
Py_ssize_t parameter_named(const ParamSpec& spec, PyObject* keyword) {
    for (Py_ssize_t i = 0; i < spec.count; ++i) {
        if (keyword == interned_names[static_cast<std::size_t>(spec.params[i])]) return i;
    }
    for (Py_ssize_t i = 0; i < spec.count; ++i) {
        if (PyUnicode_CompareWithASCIIString(keyword, name_of(spec.params[i])) == 0) return i;
    }
    return -1;
}

// Puts one keyword argument in its slot.
bool bind_keyword(const ParamSpec& spec, PyObject* keyword, PyObject* value, PyObject** slots) {
    const Py_ssize_t i = parameter_named(spec, keyword);
    if (i >= 0) {
        if (slots[i]) {
            PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%U'", display_name(spec).c_str(),
                         keyword);
            return false;
        }
        slots[i] = value;
        return true;
    }
    PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'", display_name(spec).c_str(),
                 keyword);
    return false;
}

bool bind_positional(const ParamSpec& spec, PyObject* const* args, Py_ssize_t nargs, PyObject** slots) {
    if (nargs > spec.count) return too_many_positional(spec, nargs);
    for (Py_ssize_t i = 0; i < spec.count; ++i) slots[i] = i < nargs ? args[i] : nullptr;
    return true;
}

}  // namespace

bool intern_parameter_names() {
    if (interned_names[PARAM_COUNT - 1]) return true;
    PyRef names[PARAM_COUNT];
    for (std::size_t i = 0; i < PARAM_COUNT; ++i) {
        names[i] = PyRef(PyUnicode_InternFromString(PARAM_NAMES[i]));
        if (!names[i]) return false;
    }
    // Kept only once every name was made, and for the life of the process.
    for (std::size_t i = 0; i < PARAM_COUNT; ++i) interned_names[i] = names[i].release();
    return true;
}

bool bind_fastcall_with_keywords(const ParamSpec& spec, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                                 PyObject** slots) {
    if (!bind_positional(spec, args, nargs, slots)) return false;
    if (kwnames) {
        const Py_ssize_t nkw = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t i = 0; i < nkw; ++i) {
            if (!bind_keyword(spec, PyTuple_GET_ITEM(kwnames, i), args[nargs + i], slots)) return false;
        }
    }
    return missing_required(spec, slots);
}

bool bind_tuple_dict(const ParamSpec& spec, PyObject* args, PyObject* kwargs, PyObject** slots) {
    if (!bind_positional(spec, &PyTuple_GET_ITEM(args, 0), PyTuple_GET_SIZE(args), slots)) return false;
    if (kwargs) {
        Py_ssize_t pos = 0;
        PyObject* keyword = nullptr;
        PyObject* value = nullptr;
        while (PyDict_Next(kwargs, &pos, &keyword, &value)) {
            if (!bind_keyword(spec, keyword, value, slots)) return false;
        }
    }
    return missing_required(spec, slots);
}

// A str without a UTF-8 form has its encoding error set already.
bool convert_text_failed(const char* parameter, PyObject* obj) {
    if (!PyUnicode_Check(obj)) raise_not_an_instance(obj, "str");
    prefix_conversion_error(parameter);
    return false;
}

namespace {

// Gathers the items of a sequence argument, holding a reference to each, so that
// nothing the caller's code does while the call runs can free them.
bool collect_items(PyObject* obj, std::vector<PyRef>& out) {
    if (PyUnicode_Check(obj)) {
        raise_type_error("Can't extract `str` to `Vec`");
        return false;
    }
    if (!PySequence_Check(obj)) {
        raise_not_an_instance(obj, "Sequence");
        return false;
    }
    if (PyList_CheckExact(obj) || PyTuple_CheckExact(obj)) {
        const Py_ssize_t n = PySequence_Fast_GET_SIZE(obj);
        PyObject** items = PySequence_Fast_ITEMS(obj);
        out.reserve(static_cast<std::size_t>(n));
        for (Py_ssize_t i = 0; i < n; ++i) out.push_back(PyRef::borrow(items[i]));
        return true;
    }
    PyRef iterator(PyObject_GetIter(obj));
    if (!iterator) return false;
    while (PyObject* item = PyIter_Next(iterator.get())) out.emplace_back(item);
    return !PyErr_Occurred();
}

}  // namespace

bool convert_sequence(const char* parameter, PyObject* obj, std::vector<PyRef>& out) {
    if (collect_items(obj, out)) return true;
    prefix_conversion_error(parameter);
    return false;
}

bool convert_pairs(const char* parameter, PyObject* obj, std::vector<std::pair<PyRef, PyRef>>& out) {
    std::vector<PyRef> items;
    if (!collect_items(obj, items)) {
        prefix_conversion_error(parameter);
        return false;
    }
    out.reserve(items.size());
    for (const PyRef& item : items) {
        PyObject* pair = item.get();
        if (!PyTuple_Check(pair)) {
            raise_not_an_instance(pair, "tuple");
            prefix_conversion_error(parameter);
            return false;
        }
        if (PyTuple_GET_SIZE(pair) != 2) {
            PyErr_Format(PyExc_ValueError, "expected tuple of length 2, but got tuple of length %zd",
                         PyTuple_GET_SIZE(pair));
            return false;
        }
        out.emplace_back(PyRef::borrow(PyTuple_GET_ITEM(pair, 0)), PyRef::borrow(PyTuple_GET_ITEM(pair, 1)));
    }
    return true;
}

bool convert_index(const char* parameter, PyObject* obj, long long& out) {
    const long value = PyLong_AsLong(obj);
    if (value == -1 && PyErr_Occurred()) {
        prefix_conversion_error(parameter);
        return false;
    }
    out = value;
    return true;
}

}  // namespace tambry
