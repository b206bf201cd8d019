// The tambry.ranges module: its per-module state, the VersionRange object, and the
// entries that range_type.cpp registers on the class.
#pragma once

#include "py_ref.hpp"

#include <string_view>

#include "native/native_module.hpp"
#include "ranges/range_error.hpp"
#include "ranges/version_set.hpp"

namespace tambry::ranges {

struct RangesState {
    native::NativeState native;  // InvalidVersion and tambry.Version, as tambry.native has them
    PyObject* range_type;        // VersionRange
    // The text of the ecosystem argument last read and what it named: callers pass
    // one name over and over. Only the bytes are kept, no reference to the str.
    char last_ecosystem_name[16];
    std::size_t last_ecosystem_name_size;  // 0 until a name was read
    NativeEcosystem last_ecosystem;
};

// The state of the module that defined `type` (VersionRange).
RangesState& state_of_type(PyTypeObject* type);
inline RangesState& state_of_object(PyObject* obj) { return state_of_type(Py_TYPE(obj)); }

struct RangeObject {
    PyObject_HEAD
    Py_hash_t hash;  // -1 until first asked
    VersionSet set;
};

inline const VersionSet& set_of(PyObject* obj) { return reinterpret_cast<RangeObject*>(obj)->set; }
inline bool is_range(const RangesState& state, PyObject* obj) {
    return Py_IS_TYPE(obj, reinterpret_cast<PyTypeObject*>(state.range_type));
}

// A new VersionRange holding `set`.
PyObject* new_range(const RangesState& state, VersionSet&& set);

// Raises the exception a RangeError stands for: ValueError for malformed text,
// InvalidVersion for a rejected version, NotImplementedError for a form not read.
PyObject* raise_range_error(const RangesState& state, const RangeError& error);

// TypeError unless both ranges are of one ecosystem.
bool check_same_ecosystem(const VersionSet& a, const VersionSet& b);

PyType_Spec& range_type_spec();

// Class methods (range_constructors.cpp).
PyObject* from_native_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* from_vers_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* from_osv_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* from_affected_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);

// Queries (range_queries.cpp).
PyObject* contains_entry(PyObject* self, PyObject* version);
int contains_slot(PyObject* self, PyObject* version);
PyObject* filter_entry(PyObject* self, PyObject* versions);
PyObject* max_satisfying_entry(PyObject* self, PyObject* versions);
PyObject* min_satisfying_entry(PyObject* self, PyObject* versions);
PyObject* intervals_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* key_intervals_entry(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
PyObject* issubset_entry(PyObject* self, PyObject* other);
PyObject* isdisjoint_entry(PyObject* self, PyObject* other);

}  // namespace tambry::ranges
