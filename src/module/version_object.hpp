// The storage of a Version object: after the object header, its hash once asked
// for, a few sizes and flags, then in one allocation the raw text and the packed
// generic parse of it (epoch and segments). Nothing the object shows ever changes
// after construction.
#pragma once

#include "py_ref.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "module_globals.hpp"
#include "tambry_core.hpp"

namespace tambry {

struct PyVersion {
    PyObject_HEAD
    // Sets hash their members again and again; like a str, a Version keeps its
    // hash once made. -1, which no hash is, until then.
    Py_hash_t hash;
    std::size_t packed_size;
    // The flags share a word with the size of the text, which no address space
    // could hold 2^48 bytes of, so that the hash costs an object no room.
    std::uint64_t raw_size : 48;
    std::uint64_t ecosystem_value : 8;
    std::uint64_t is_prerelease : 1;
    std::uint64_t is_postrelease : 1;
    std::uint64_t raw_is_ascii : 1;  // made from an ASCII str, so its pieces need no decoding
    unsigned char data[];  // raw text, then packed segments

    static constexpr std::uint64_t MAX_RAW_SIZE = (std::uint64_t{1} << 48) - 1;

    Ecosystem ecosystem() const { return static_cast<Ecosystem::Value>(ecosystem_value); }
    std::string_view raw() const { return {reinterpret_cast<const char*>(data), static_cast<std::size_t>(raw_size)}; }
    // Found again from the raw text when asked for, which is rare, rather than
    // stored in every object.
    std::string_view build() const { return generic_build_suffix(raw()); }
    const unsigned char* packed() const { return data + raw_size; }
    PackedCursor segments() const { return PackedCursor(packed(), packed_size); }
};

// A new Version type object (from its PyType_Spec); module_globals keeps the one made.
PyTypeObject* create_version_type();  // null with an exception set on failure
// Has pickle and copy reduce the type's objects through copyreg; false with an
// exception set on failure.
bool register_version_reducer(PyTypeObject* type);

inline bool is_version(PyObject* obj) { return Py_IS_TYPE(obj, module_globals.version_type); }
inline const PyVersion* as_version(PyObject* obj) { return reinterpret_cast<const PyVersion*>(obj); }

}  // namespace tambry
