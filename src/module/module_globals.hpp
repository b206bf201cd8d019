// What the module keeps for the life of the process, in one record made when the
// module first executes. Only the main interpreter may import the module, so the
// record is never shared between interpreters. A failure while it is made fails
// that import and leaves nothing behind, so a later import tries again.
#pragma once

#include "py_ref.hpp"

#include <cstddef>
#include <cstdint>

#include "binder.hpp"
#include "tambry_core.hpp"

namespace tambry {

// An accepted ecosystem name (or "auto") as an interned str. Python interns the
// name-like str constants of every code object, so an `ecosystem` argument
// written as a literal is nearly always one of these very objects; any other str
// of the same text (read from a file, unpickled) is found by the hash it carries.
struct KnownEcosystemName {
    PyObject* name = nullptr;  // null marks a free slot
    Py_hash_t hash = 0;
    bool is_auto = false;
    Ecosystem ecosystem;
};

struct ModuleGlobals {
    PyTypeObject* version_type = nullptr;
    // The class of broken internal invariants: it derives from BaseException so
    // that ordinary `except Exception` handlers do not swallow a bug.
    PyObject* internal_error = nullptr;
    PyObject* orderings[3] = {};  // the ints -1, 0 and 1
    // Each canonical ecosystem name as a str, so that Version objects hand out
    // one object per name and pickle writes each name once.
    PyObject* ecosystem_strs[Ecosystem::COUNT] = {};
    // "tambry" and "version", through which Version objects pickle.
    PyObject* module_name = nullptr;
    PyObject* version_name = nullptr;
    // Open addressing on the address: forty-one names in 128 slots.
    static constexpr std::size_t KNOWN_NAME_SLOTS = 128;
    KnownEcosystemName known_names[KNOWN_NAME_SLOTS] = {};
};

extern ModuleGlobals module_globals;

// Makes the record on the first call; false with an exception set when something
// in it could not be made.
bool ensure_module_globals();

inline std::size_t known_name_slot(Py_hash_t hash) {
    return static_cast<std::size_t>(hash) % ModuleGlobals::KNOWN_NAME_SLOTS;
}

bool same_ascii_text(PyObject* a, PyObject* b);

// The entry of an accepted name given as a str of exactly that text, or null for
// anything else (a str subclass included, whose hash could run Python code).
inline const KnownEcosystemName* find_known_ecosystem_name(PyObject* obj) {
    if (!PyUnicode_CheckExact(obj)) return nullptr;
    // A str keeps its hash once made, as an interned name has.
    Py_hash_t hash = reinterpret_cast<PyASCIIObject*>(obj)->hash;
    if (hash == -1 && (hash = PyObject_Hash(obj)) == -1) {
        PyErr_Clear();
        return nullptr;
    }
    for (std::size_t slot = known_name_slot(hash);; slot = (slot + 1) % ModuleGlobals::KNOWN_NAME_SLOTS) {
        const KnownEcosystemName& entry = module_globals.known_names[slot];
        if (entry.name == obj) return &entry;
        if (!entry.name) return nullptr;
        if (entry.hash == hash && same_ascii_text(entry.name, obj)) return &entry;
    }
}

}  // namespace tambry
