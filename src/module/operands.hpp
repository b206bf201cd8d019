// Turning the version operands of a call (a str or a Version) and its ecosystem
// argument into an Ecosystem and parsed values; shared by the pairwise functions,
// the collection functions and the Version class. Every function here returns
// false with a Python exception set on failure.
#pragma once

#include "py_ref.hpp"

#include <cstdint>
#include <string_view>

#include "tambry_core.hpp"

namespace tambry {

// The `ecosystem` argument of a call: "auto", an ecosystem known already (an
// interned accepted name, or what leaving the argument out means for that entry:
// "generic" for most, "auto" for the constructors), or a text still to be looked
// up, which may name none.
struct EcosystemArg {
    enum class Kind : std::uint8_t { Auto, Known, Text };
    Kind kind = Kind::Known;
    Ecosystem ecosystem = Ecosystem::Generic;
    std::string_view name;  // for Text

    bool is_auto() const { return kind == Kind::Auto; }
};

// Converts the optional `ecosystem` argument (a str when given).
bool convert_ecosystem_arg(PyObject* obj, EcosystemArg& out, bool left_out_means_auto = false);

// The one decision of which ecosystem a call works under. A name or alias is
// looked up without a look at `obj`; left out, it is the entry's default; "auto"
// takes the ecosystem of `obj`: a Version's own, or the one detected from a str's
// text (TypeError "expected Version or str" for anything else).
bool resolve_eco_for_obj(const EcosystemArg& arg, PyObject* obj, Ecosystem& out);

// The text an operand stands for under a scheme that must read it: a str's own,
// or a Version's raw text; TypeError "expected Version or str" for anything else.
bool operand_text_for_parsing(PyObject* obj, std::string_view& out);

// `obj` parsed by the ecosystem's strategy: a str's text, or a Version's raw text
// (whose generic parse is the one the Version keeps).
bool extract_parsed_for_ecosystem(PyObject* obj, Ecosystem ecosystem, ParsedRepr& out);

// Orders two values made by the ecosystem's strategy.
bool compare_parsed(Ecosystem ecosystem, const ParsedRepr& a, const ParsedRepr& b, Ordering& out);

// Two texts parsed and ordered by the ecosystem's strategy, raising the message of
// the first one it rejects.
bool compare_texts_for_ecosystem(std::string_view a, std::string_view b, Ecosystem ecosystem, Ordering& out);

// Two operands (each a str or a Version) parsed and ordered under one ecosystem:
// `a` is parsed first, and the first failure is raised.
bool compare_operands(PyObject* a, PyObject* b, Ecosystem ecosystem, Ordering& out);

// The Python int -1, 0 or 1.
PyObject* ordering_to_int(Ordering o);

}  // namespace tambry
