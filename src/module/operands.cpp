#include "operands.hpp"

#include "binder.hpp"
#include "errors.hpp"
#include "module_globals.hpp"
#include "version_object.hpp"

namespace tambry {

PyObject* ordering_to_int(Ordering o) { return Py_NewRef(module_globals.orderings[static_cast<int>(o) + 1]); }

bool convert_ecosystem_arg(PyObject* obj, EcosystemArg& out, bool left_out_means_auto) {
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
    if (!convert_text("ecosystem", obj, out.name)) return false;
    out.kind = means_auto(out.name) ? Kind::Auto : Kind::Text;
    return true;
}

namespace {

// The text of a str operand, or a Version's raw text: under every ecosystem a
// Version is parsed from it, and its generic parse is the one it keeps. False
// (with no exception left set) for anything else, including a str that has no
// UTF-8 form.
bool operand_text(PyObject* obj, std::string_view& out) {
    if (PyUnicode_Check(obj)) {
        if (utf8_of_str(obj, out)) return true;
        PyErr_Clear();
        return false;
    }
    if (!is_version(obj)) return false;
    out = as_version(obj)->raw();
    return true;
}

bool expected_version_or_str() {
    raise_type_error("expected Version or str");
    return false;
}

// A pair that compare_texts refused: the message of the first text that the
// strategy's parse rejects.
bool raise_rejection(const VersionStrategy& strategy, std::string_view a, std::string_view b) {
    ParseOutcome outcome = strategy.parse(a);
    if (outcome.ok()) outcome = strategy.parse(b);
    if (outcome.ok()) raise_internal_error("internal error: a strategy refused two texts that it parses");
    else raise_failure(outcome.error());
    return false;
}

}  // namespace

bool resolve_eco_for_obj(const EcosystemArg& arg, PyObject* obj, Ecosystem& out) {
    if (arg.is_auto()) {
        if (is_version(obj)) {
            out = as_version(obj)->ecosystem();
            return true;
        }
        std::string_view text;
        if (!PyUnicode_Check(obj) || !operand_text(obj, text)) return expected_version_or_str();
        out = autodetect_ecosystem(text);
        return true;
    }
    if (arg.kind == EcosystemArg::Kind::Known) {
        out = arg.ecosystem;
        return true;
    }
    return take_outcome(Ecosystem::from_str(arg.name), out);
}

bool operand_text_for_parsing(PyObject* obj, std::string_view& out) {
    return operand_text(obj, out) || expected_version_or_str();
}

bool extract_parsed_for_ecosystem(PyObject* obj, Ecosystem ecosystem, ParsedRepr& out) {
    std::string_view text;
    return operand_text_for_parsing(obj, text) && take_outcome(strategy_for(ecosystem).parse(text), out);
}

bool compare_parsed(Ecosystem ecosystem, const ParsedRepr& a, const ParsedRepr& b, Ordering& out) {
    return take_outcome(strategy_for(ecosystem).compare(a, b), out);
}

bool compare_texts_for_ecosystem(std::string_view a, std::string_view b, Ecosystem ecosystem, Ordering& out) {
    const VersionStrategy& strategy = strategy_for(ecosystem);
    if (const std::optional<Ordering> order = strategy.compare_texts(a, b)) {
        out = *order;
        return true;
    }
    return raise_rejection(strategy, a, b);
}

// Two texts need no parsed value to outlive the comparison, so operands that both
// have one are compared as texts. Anything else takes the general road, which
// reports each operand's own error in turn.
bool compare_operands(PyObject* a, PyObject* b, Ecosystem ecosystem, Ordering& out) {
    std::string_view a_text, b_text;
    if (operand_text(a, a_text) && operand_text(b, b_text)) {
        return compare_texts_for_ecosystem(a_text, b_text, ecosystem, out);
    }
    ParsedRepr parsed_a, parsed_b;
    return extract_parsed_for_ecosystem(a, ecosystem, parsed_a) &&
           extract_parsed_for_ecosystem(b, ecosystem, parsed_b) && compare_parsed(ecosystem, parsed_a, parsed_b, out);
}

}  // namespace tambry
