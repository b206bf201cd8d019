// The storage of a Version object: after the object header, a few sizes and flags,
// then in one allocation the raw text and the packed generic parse of it (epoch and
// segments). Objects never change after construction.
#pragma once

#include "py_ref.hpp"

#include <cstddef>
#include <string_view>

#include "module_globals.hpp"
#include "tambry_core.hpp"

namespace tambry {

struct PyVersion {
    PyObject_HEAD
    std::size_t raw_size;
    std::size_t packed_size;
    Ecosystem ecosystem;
    bool is_prerelease;
    bool is_postrelease;
    unsigned char data[];  // raw text, then packed segments

    std::string_view raw() const { return {reinterpret_cast<const char*>(data), raw_size}; }
    // Found again from the raw text when asked for, which is rare, rather than
    // stored in every object.
    std::string_view build() const { return generic_build_suffix(raw()); }
    const unsigned char* packed() const { return data + raw_size; }
    PackedCursor segments() const { return PackedCursor(packed(), packed_size); }
};

// A new Version type object (from its PyType_Spec); module_globals keeps the one made.
PyTypeObject* create_version_type();  // null with an exception set on failure

inline bool is_version(PyObject* obj) { return Py_IS_TYPE(obj, module_globals.version_type); }
inline const PyVersion* as_version(PyObject* obj) { return reinterpret_cast<const PyVersion*>(obj); }

}  // namespace tambry
