// The usual ecosystem argument is a lowercase name written as a literal, whose str
// object already carries its hash. Recognising such names by that hash spares the
// lowering and the search of the full lookup on every call.
#pragma once

#include "py_ref.hpp"

#include <string_view>

#include "ecosystem.hpp"

namespace tambry {

// True, with `out` set, when `name` (the str object whose UTF-8 text is `text`) is
// one of the accepted names exactly as listed. False means only "not found here":
// the caller then asks Ecosystem::from_str, which decides.
bool find_listed_name(PyObject* name, std::string_view text, Ecosystem& out);

}  // namespace tambry
