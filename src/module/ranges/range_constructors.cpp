// VersionRange's class methods: a range from the ecosystem's own syntax, from a
// vers URI, from an OSV range object, and from a whole OSV affected entry.
#include <cstring>

#include "binder.hpp"
#include "errors.hpp"
#include "ranges/native_range.hpp"
#include "ranges/osv_arguments.hpp"
#include "ranges/ranges_module.hpp"
#include "ranges/vers.hpp"

namespace tambry::ranges {
namespace {

constexpr Param FROM_NATIVE_PARAMS[] = {Param::Text, Param::Ecosystem, Param::Prereleases};
constexpr Param FROM_VERS_PARAMS[] = {Param::Uri};
constexpr Param FROM_OSV_PARAMS[] = {Param::RangeObject, Param::Ecosystem};
constexpr Param FROM_AFFECTED_PARAMS[] = {Param::Affected};
const ParamSpec FROM_NATIVE_SPEC = {"from_native", "VersionRange", FROM_NATIVE_PARAMS, 3, 2};
const ParamSpec FROM_VERS_SPEC = {"from_vers", "VersionRange", FROM_VERS_PARAMS, 1, 1};
const ParamSpec FROM_OSV_SPEC = {"from_osv", "VersionRange", FROM_OSV_PARAMS, 2, 2};
const ParamSpec FROM_AFFECTED_SPEC = {"from_affected", "VersionRange", FROM_AFFECTED_PARAMS, 1, 1};

// The range a core result holds, or the exception its error stands for.
PyObject* finish(const RangesState& state, RangeResult<VersionSet>&& result) {
    if (!result.ok()) return raise_range_error(state, result.error());
    return new_range(state, std::move(result.value()));
}

bool convert_prereleases(PyObject* obj, PrereleasePolicy& out) {
    if (!obj || obj == Py_None) {
        out = PrereleasePolicy::Default;
    } else if (obj == Py_True) {
        out = PrereleasePolicy::Include;
    } else if (obj == Py_False) {
        out = PrereleasePolicy::Exclude;
    } else {
        PyErr_Format(PyExc_TypeError, "argument 'prereleases': expected True, False or None, not '%s'",
                     Py_TYPE(obj)->tp_name);
        return false;
    }
    return true;
}

// The ecosystem an argument names; a short ASCII name equal to the last one read
// names the same ecosystem without being looked up again.
bool convert_ecosystem(RangesState& state, PyObject* obj, NativeEcosystem& out) {
    const bool short_ascii = PyUnicode_Check(obj) && PyUnicode_IS_COMPACT_ASCII(obj) &&
                             static_cast<std::size_t>(PyUnicode_GET_LENGTH(obj)) <= sizeof state.last_ecosystem_name;
    const std::size_t size = short_ascii ? static_cast<std::size_t>(PyUnicode_GET_LENGTH(obj)) : 0;
    if (size != 0 && size == state.last_ecosystem_name_size &&
        std::memcmp(PyUnicode_DATA(obj), state.last_ecosystem_name, size) == 0) {
        out = state.last_ecosystem;
        return true;
    }
    if (!native::convert_native_ecosystem(obj, out)) return false;
    if (size != 0) {
        std::memcpy(state.last_ecosystem_name, PyUnicode_DATA(obj), size);
        state.last_ecosystem_name_size = size;
        state.last_ecosystem = out;
    }
    return true;
}

// A str argument's text; a str with lone surrogates is read as text_of_str reads
// it, so that the parser rejects it with its own message.
bool convert_range_text(const char* parameter, PyObject* obj, std::string_view& out, PyRef& holder) {
    if (!PyUnicode_Check(obj)) return convert_text_failed(parameter, obj);
    return native::text_of_str(obj, out, holder);
}

}  // namespace

PyObject* from_native_entry(PyObject* type, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native::native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        // prereleases is keyword-only.
        const Py_ssize_t positional = PyVectorcall_NARGS(nargs);
        if (positional > 2) {
            PyErr_Format(PyExc_TypeError, "VersionRange.from_native() takes 2 positional arguments but %zd were given",
                         positional);
            return nullptr;
        }
        PyObject* slots[3] = {args[0], positional > 1 ? args[1] : nullptr, nullptr};
        std::string_view text;
        PyRef holder;
        NativeEcosystem ecosystem;
        PrereleasePolicy policy;
        // The usual call, text and ecosystem by position, needs no binding.
        const bool usual = positional == 2 && !kwnames;
        RangesState& state = state_of_type(reinterpret_cast<PyTypeObject*>(type));
        if ((!usual && !bind_fastcall(FROM_NATIVE_SPEC, args, positional, kwnames, slots)) ||
            !convert_range_text("text", slots[0], text, holder) || !convert_ecosystem(state, slots[1], ecosystem) ||
            !convert_prereleases(slots[2], policy)) {
            return nullptr;
        }
        return finish(state, parse_native_range(RangeScheme::of(ecosystem), text, policy));
    });
}

PyObject* from_vers_entry(PyObject* type, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native::native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[1] = {};
        std::string_view uri;
        PyRef holder;
        if (!bind_fastcall(FROM_VERS_SPEC, args, PyVectorcall_NARGS(nargs), kwnames, slots) ||
            !convert_range_text("uri", slots[0], uri, holder)) {
            return nullptr;
        }
        return finish(state_of_type(reinterpret_cast<PyTypeObject*>(type)), parse_vers(uri));
    });
}

PyObject* from_osv_entry(PyObject* type, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native::native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2] = {};
        NativeEcosystem ecosystem;
        if (!bind_fastcall(FROM_OSV_SPEC, args, PyVectorcall_NARGS(nargs), kwnames, slots) ||
            !native::convert_native_ecosystem(slots[1], ecosystem)) {
            return nullptr;
        }
        if (!PyDict_Check(slots[0])) {
            raise_not_an_instance(slots[0], "dict");
            prefix_conversion_error("range_object");
            return nullptr;
        }
        OsvDocument doc;
        if (!read_osv_range(doc, slots[0], "invalid OSV range", "")) return nullptr;
        const RangesState& state = state_of_type(reinterpret_cast<PyTypeObject*>(type));
        return finish(state, osv_range_set(RangeScheme::of(ecosystem), doc.ranges.front()));
    });
}

PyObject* from_affected_entry(PyObject* type, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native::native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[1] = {};
        if (!bind_fastcall(FROM_AFFECTED_SPEC, args, PyVectorcall_NARGS(nargs), kwnames, slots)) return nullptr;
        OsvDocument doc;
        PyObject* ecosystem_name = nullptr;
        NativeEcosystem ecosystem;
        if (!read_osv_affected(doc, slots[0], ecosystem_name) ||
            !native::convert_native_ecosystem(ecosystem_name, ecosystem)) {
            return nullptr;
        }
        const RangesState& state = state_of_type(reinterpret_cast<PyTypeObject*>(type));
        return finish(state, osv_affected_set(RangeScheme::of(ecosystem), doc.ranges, doc.versions));
    });
}

}  // namespace tambry::ranges
