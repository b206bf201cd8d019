// What the module keeps for the life of the process, in one record made when the
// module first executes. Only the main interpreter may import the module, so the
// record is never shared between interpreters. A failure while it is made fails
// that import and leaves nothing behind, so a later import tries again.
#pragma once

#include "py_ref.hpp"

#include <cstddef>

#include "binder.hpp"

namespace tambry {

struct ModuleGlobals {
    PyTypeObject* version_type = nullptr;
    // The class of broken internal invariants: it derives from BaseException so
    // that ordinary `except Exception` handlers do not swallow a bug.
    PyObject* internal_error = nullptr;
    PyObject* orderings[3] = {};  // the ints -1, 0 and 1
};

extern ModuleGlobals module_globals;

// Makes the record on the first call; false with an exception set when something
// in it could not be made.
bool ensure_module_globals();

}  // namespace tambry
