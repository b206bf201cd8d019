#include "operands.hpp"

#include "binder.hpp"
#include "errors.hpp"
#include "module_globals.hpp"
#include "version_object.hpp"

namespace tambry {

bool convert_ecosystem_text(PyObject* obj, EcosystemArg& out) {
    if (!convert_text("ecosystem", obj, out.name)) return false;
    out.kind = means_auto(out.name) ? EcosystemArg::Kind::Auto : EcosystemArg::Kind::Text;
    return true;
}

namespace {

bool expected_version_or_str() {
    raise_type_error("expected Version or str");
    return false;
}

}  // namespace

bool resolve_eco_for_obj_slowly(const EcosystemArg& arg, PyObject* obj, Ecosystem& out) {
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

bool resolve_ecosystem_argument_slowly(PyObject* obj, PyObject* operand, bool left_out_means_auto, Ecosystem& out) {
    EcosystemArg arg;
    return convert_ecosystem_arg(obj, arg, left_out_means_auto) && resolve_eco_for_obj(arg, operand, out);
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

bool raise_rejection(Ecosystem ecosystem, std::string_view a, std::string_view b) {
    const VersionStrategy& strategy = strategy_for(ecosystem);
    ParseOutcome outcome = strategy.parse(a);
    if (outcome.ok()) outcome = strategy.parse(b);
    if (outcome.ok()) {
        raise_internal_error("internal error: a strategy refused two texts that it parses");
    } else {
        raise_failure(outcome.error());
    }
    return false;
}

bool compare_parsed_operands(PyObject* a, PyObject* b, Ecosystem ecosystem, Ordering& out) {
    ParsedRepr parsed_a, parsed_b;
    return extract_parsed_for_ecosystem(a, ecosystem, parsed_a) &&
           extract_parsed_for_ecosystem(b, ecosystem, parsed_b) && compare_parsed(ecosystem, parsed_a, parsed_b, out);
}

}  // namespace tambry
