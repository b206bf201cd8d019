// The storage of a Version object: after the object header, a few sizes and flags,
// then in one allocation the raw text and the packed generic parse of it (epoch and
// segments). Objects never change after construction.
#pragma once

#include "py_ref.hpp"

#include <cstddef>
#include <string_view>

#include "ecosystem.hpp"
#include "generic_parser.hpp"
#include "packed_version.hpp"
#include "version_model.hpp"

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
    std::string_view build() const {
        const GenericLayout layout = locate_generic_parts(raw());
        return raw().substr(layout.build_offset, layout.build_size);
    }
    const unsigned char* packed() const { return data + raw_size; }
    UnpackedSegments unpack() const { return UnpackedSegments(packed(), packed_size); }
};

// The Version type: made by ensure_version_type on the module's first execution in
// the process, then kept and reused for the life of the process.
extern PyTypeObject* version_type_object;
PyTypeObject* ensure_version_type();  // null with an exception set on failure

inline bool is_version(PyObject* obj) { return Py_IS_TYPE(obj, version_type_object); }
inline const PyVersion* as_version(PyObject* obj) { return reinterpret_cast<const PyVersion*>(obj); }

// The stored parse as the generic parser produces it.
ParsedVersion copy_parsed(const PyVersion& version);

// A new Version object, or null with an exception set.
PyObject* make_version(std::string_view text, Ecosystem ecosystem);

}  // namespace tambry
