// Turning the version operands of a call (a str or a Version) and its ecosystem
// argument into an Ecosystem and parsed values; shared by the pairwise functions,
// the collection functions and the Version class. Every function here returns
// false with a Python exception set on failure.
#pragma once

#include "py_ref.hpp"

#include <cstdint>
#include <string_view>

#include "binder.hpp"
#include "tambry_core.hpp"
#include "version_object.hpp"

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

// Converts an `ecosystem` argument that is not an accepted name's str.
bool convert_ecosystem_text(PyObject* obj, EcosystemArg& out);

// Converts the optional `ecosystem` argument (a str when given).
inline bool convert_ecosystem_arg(PyObject* obj, EcosystemArg& out, bool left_out_means_auto = false) {
    using Kind = EcosystemArg::Kind;
    if (!obj) {
        out.kind = left_out_means_auto ? Kind::Auto : Kind::Known;
        return true;
    }
    if (const KnownEcosystemName* known = find_known_ecosystem_name(obj)) {
        out.kind = known->is_auto ? Kind::Auto : Kind::Known;
        out.ecosystem = known->ecosystem;
        return true;
    }
    return convert_ecosystem_text(obj, out);
}

// The one decision of which ecosystem a call works under. A name or alias is
// looked up without a look at `obj`; left out, it is the entry's default; "auto"
// takes the ecosystem of `obj`: a Version's own, or the one detected from a str's
// text (TypeError "expected Version or str" for anything else).
bool resolve_eco_for_obj_slowly(const EcosystemArg& arg, PyObject* obj, Ecosystem& out);
inline bool resolve_eco_for_obj(const EcosystemArg& arg, PyObject* obj, Ecosystem& out) {
    if (arg.kind != EcosystemArg::Kind::Known) return resolve_eco_for_obj_slowly(arg, obj, out);
    out = arg.ecosystem;
    return true;
}

// Converts and resolves the `ecosystem` argument of a call in one step, where
// nothing else happens between the two: an accepted name's str, or the argument
// left out, is settled here without a look at the operand.
bool resolve_ecosystem_argument_slowly(PyObject* obj, PyObject* operand, bool left_out_means_auto, Ecosystem& out);
inline bool resolve_ecosystem_argument(PyObject* obj, PyObject* operand, Ecosystem& out,
                                       bool left_out_means_auto = false) {
    if (obj) {
        if (const KnownEcosystemName* known = find_known_ecosystem_name(obj); known && !known->is_auto) {
            out = known->ecosystem;
            return true;
        }
    } else if (!left_out_means_auto) {
        out = Ecosystem::Generic;
        return true;
    }
    return resolve_ecosystem_argument_slowly(obj, operand, left_out_means_auto, out);
}

// The text an operand stands for under a scheme that must read it: a str's own,
// or a Version's raw text; TypeError "expected Version or str" for anything else.
bool operand_text_for_parsing(PyObject* obj, std::string_view& out);

// `obj` parsed by the ecosystem's strategy: a str's text, or a Version's raw text
// (whose generic parse is the one the Version keeps).
bool extract_parsed_for_ecosystem(PyObject* obj, Ecosystem ecosystem, ParsedRepr& out);

// Orders two values made by the ecosystem's strategy.
bool compare_parsed(Ecosystem ecosystem, const ParsedRepr& a, const ParsedRepr& b, Ordering& out);

// The text of a str operand, or a Version's raw text: under every ecosystem a
// Version is parsed from it, and its generic parse is the one it keeps. False
// (with no exception left set) for anything else, including a str that has no
// UTF-8 form.
inline bool operand_text(PyObject* obj, std::string_view& out) {
    if (PyUnicode_Check(obj)) {
        if (utf8_of_str(obj, out)) return true;
        PyErr_Clear();
        return false;
    }
    if (!is_version(obj)) return false;
    out = as_version(obj)->raw();
    return true;
}

// The pair of texts that compare_texts refused: raises the message of the first
// one that the strategy's parse rejects.
bool raise_rejection(Ecosystem ecosystem, std::string_view a, std::string_view b);

// Two texts parsed and ordered by the ecosystem's strategy, raising the message of
// the first one it rejects.
inline bool compare_texts_for_ecosystem(std::string_view a, std::string_view b, Ecosystem ecosystem, Ordering& out) {
    if (const std::optional<Ordering> order = strategy_for(ecosystem).compare_texts(a, b)) {
        out = *order;
        return true;
    }
    return raise_rejection(ecosystem, a, b);
}

// The general road of compare_operands: each operand parsed in turn.
bool compare_parsed_operands(PyObject* a, PyObject* b, Ecosystem ecosystem, Ordering& out);

// Two operands (each a str or a Version) parsed and ordered under one ecosystem:
// `a` is parsed first, and the first failure is raised. Two texts need no parsed
// value to outlive the comparison, so operands that both have one are compared
// as texts; anything else takes the general road, which reports each operand's
// own error in turn.
inline bool compare_operands(PyObject* a, PyObject* b, Ecosystem ecosystem, Ordering& out) {
    std::string_view a_text, b_text;
    if (operand_text(a, a_text) && operand_text(b, b_text)) {
        return compare_texts_for_ecosystem(a_text, b_text, ecosystem, out);
    }
    return compare_parsed_operands(a, b, ecosystem, out);
}

// The Python int -1, 0 or 1.
inline PyObject* ordering_to_int(Ordering o) { return Py_NewRef(module_globals.orderings[static_cast<int>(o) + 1]); }

}  // namespace tambry
