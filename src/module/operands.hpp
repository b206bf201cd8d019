// Turning the version operands of a call (a str or a Version) and its ecosystem
// argument into an Ecosystem and parsed values; shared by the pairwise functions,
// the collection functions and Version.compare. Every function here returns false
// with a Python exception set on failure.
#pragma once

#include "py_ref.hpp"

#include <string_view>

#include "ecosystem.hpp"
#include "version_model.hpp"

namespace tambry {

// The `ecosystem` argument of a call: left out, or the text that was given.
struct EcosystemArg {
    bool given = false;
    PyObject* object = nullptr;  // borrowed from the call's arguments
    std::string_view name;

    bool is_auto() const { return given && means_auto(name); }
};

// Converts the optional `ecosystem` argument (a str when given).
bool convert_ecosystem_arg(PyObject* obj, EcosystemArg& out);

// A name or alias (not "auto") to an Ecosystem; ValueError when unrecognised.
bool ecosystem_from_name(const EcosystemArg& arg, Ecosystem& out);

// The named ecosystem, or the default when the argument was left out.
bool named_ecosystem(const EcosystemArg& arg, Ecosystem fallback, Ecosystem& out);

// The ecosystem for `obj`: the named one, or under "auto" a Version's own or the one
// detected from a str's text.
bool resolve_eco_for_obj(const EcosystemArg& arg, PyObject* obj, Ecosystem& out);

// `obj` parsed by the ecosystem's strategy. A Version under the generic ecosystem
// gives its stored parse; otherwise its raw text is parsed again.
bool extract_parsed_for_ecosystem(PyObject* obj, Ecosystem ecosystem, ParsedRepr& out);

// The text an operand stands for under a scheme that must read it: a str's own,
// or a Version's raw text; TypeError "expected Version or str" for anything else.
bool operand_text_for_parsing(PyObject* obj, std::string_view& out);

// Parses a text with the ecosystem's strategy, raising the strategy's message.
bool parse_text_for_ecosystem(std::string_view text, Ecosystem ecosystem, ParsedRepr& out);

// Orders two values made by the ecosystem's strategy.
bool compare_parsed(Ecosystem ecosystem, const ParsedRepr& a, const ParsedRepr& b, Ordering& out);

// Two texts parsed and ordered by the ecosystem's strategy, raising the message of
// the first one it rejects.
bool compare_texts_for_ecosystem(std::string_view a, std::string_view b, Ecosystem ecosystem, Ordering& out);

// Two operands (each a str or a Version) parsed and ordered under one ecosystem:
// `a` is parsed first, and the first failure is raised.
bool compare_operands(PyObject* a, PyObject* b, Ecosystem ecosystem, Ordering& out);

// Two texts under a named ecosystem, or under "auto" the one detected from `a`.
bool compare_str_with_ecosystem(std::string_view a, std::string_view b, const EcosystemArg& arg, Ordering& out);

// The Python int -1, 0 or 1.
PyObject* ordering_to_int(Ordering o);

}  // namespace tambry
