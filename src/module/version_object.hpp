// The storage of a Version object: after the object header, the generic parse of
// its text laid out in one allocation (the segments, then the text store that
// holds the raw text and the words), and its ecosystem. Objects never change
// after construction.
#pragma once

#include "py_ref.hpp"

#include <string_view>

#include "ecosystem.hpp"
#include "version_model.hpp"

namespace tambry {

struct PyVersion {
    PyObject_HEAD
    std::uint64_t epoch;
    std::size_t segment_count;
    std::size_t store_size;
    std::size_t raw_size;
    std::size_t build_offset;
    std::size_t build_size;
    Ecosystem ecosystem;
    bool is_prerelease;
    bool is_postrelease;

    const Seg* segments() const {
        return reinterpret_cast<const Seg*>(reinterpret_cast<const char*>(this) + sizeof(PyVersion));
    }
    const char* store() const { return reinterpret_cast<const char*>(segments() + segment_count); }
    std::string_view raw() const { return {store(), raw_size}; }
    std::string_view build() const { return {store() + build_offset, build_size}; }
    GenericView view() const { return {epoch, {segments(), segment_count}, store()}; }
};

static_assert(sizeof(PyVersion) % alignof(Seg) == 0);

// The Version type: made by ensure_version_type on the module's first execution in
// the process, then kept and reused for the life of the process.
extern PyTypeObject* version_type_object;
PyTypeObject* ensure_version_type();  // null with an exception set on failure

inline bool is_version(PyObject* obj) { return Py_IS_TYPE(obj, version_type_object); }
inline const PyVersion* as_version(PyObject* obj) { return reinterpret_cast<const PyVersion*>(obj); }

// A copy of the stored parse, as the generic parser would have produced it.
ParsedVersion copy_parsed(const PyVersion& version);

// A new Version object, or null with an exception set.
PyObject* make_version(std::string_view text, Ecosystem ecosystem);

}  // namespace tambry
