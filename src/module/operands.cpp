#include "operands.hpp"

#include "autodetect.hpp"
#include "binder.hpp"
#include "ecosystem_names.hpp"
#include "errors.hpp"
#include "version_object.hpp"

namespace tambry {

PyObject* ordering_to_int(Ordering o) {
    // -1, 0 and 1 are among the interpreter's shared small ints, which live as long
    // as it does; fetching them once saves the lookup on every comparison.
    static PyObject* const INTS[] = {PyLong_FromLong(-1), PyLong_FromLong(0), PyLong_FromLong(1)};
    return Py_NewRef(INTS[static_cast<int>(o) + 1]);
}

bool convert_ecosystem_arg(PyObject* obj, EcosystemArg& out) {
    if (!obj) return true;
    out.given = true;
    out.object = obj;
    return convert_text("ecosystem", obj, out.name);
}

bool ecosystem_from_name(const EcosystemArg& arg, Ecosystem& out) {
    if (find_listed_name(arg.object, arg.name, out)) return true;
    auto found = Ecosystem::from_str(arg.name);
    if (!found.ok()) {
        raise_value_error(found.error());
        return false;
    }
    out = found.value();
    return true;
}

bool named_ecosystem(const EcosystemArg& arg, Ecosystem fallback, Ecosystem& out) {
    if (!arg.given) {
        out = fallback;
        return true;
    }
    return ecosystem_from_name(arg, out);
}

namespace {

// The text of a str operand; false (with no exception left set) for anything else,
// including a str that has no UTF-8 form.
bool operand_text(PyObject* obj, std::string_view& out) {
    if (!PyUnicode_Check(obj)) return false;
    if (utf8_of_str(obj, out)) return true;
    PyErr_Clear();
    return false;
}

bool expected_version_or_str() {
    raise_type_error("expected Version or str");
    return false;
}

}  // namespace

bool resolve_eco_for_obj(const EcosystemArg& arg, PyObject* obj, Ecosystem& out) {
    if (!arg.is_auto()) return named_ecosystem(arg, Ecosystem::Generic, out);
    if (is_version(obj)) {
        out = as_version(obj)->ecosystem;
        return true;
    }
    std::string_view text;
    if (!operand_text(obj, text)) return expected_version_or_str();
    out = autodetect_ecosystem(text);
    return true;
}

bool operand_text_for_parsing(PyObject* obj, std::string_view& out) {
    if (is_version(obj)) {
        out = as_version(obj)->raw();
        return true;
    }
    return operand_text(obj, out) || expected_version_or_str();
}

bool parse_text_for_ecosystem(std::string_view text, Ecosystem ecosystem, ParsedRepr& out) {
    ParseOutcome outcome = strategy_for(ecosystem).parse(text);
    if (!outcome.ok()) {
        raise_value_error(outcome.error());
        return false;
    }
    out = std::move(outcome.value());
    return true;
}

bool extract_parsed_for_ecosystem(PyObject* obj, Ecosystem ecosystem, ParsedRepr& out) {
    if (is_version(obj)) {
        const PyVersion* version = as_version(obj);
        if (ecosystem == Ecosystem::Generic) {
            out.value = copy_parsed(*version);
            return true;
        }
        return parse_text_for_ecosystem(version->raw(), ecosystem, out);
    }
    std::string_view text;
    if (!operand_text(obj, text)) return expected_version_or_str();
    return parse_text_for_ecosystem(text, ecosystem, out);
}

bool compare_parsed(Ecosystem ecosystem, const ParsedRepr& a, const ParsedRepr& b, Ordering& out) {
    CompareOutcome outcome = strategy_for(ecosystem).compare(a, b);
    if (!outcome.ok()) {
        raise_internal_error(outcome.error());
        return false;
    }
    out = outcome.value();
    return true;
}

namespace {

// True when both operands are str with a UTF-8 form: the common case, which needs
// no parsed value to outlive the comparison. Anything else takes the general road,
// which reports each operand's own error in turn.
bool str_operands(PyObject* a, PyObject* b, std::string_view& a_text, std::string_view& b_text) {
    if (!PyUnicode_Check(a) || !PyUnicode_Check(b)) return false;
    if (utf8_of_str(a, a_text) && utf8_of_str(b, b_text)) return true;
    PyErr_Clear();
    return false;
}

}  // namespace

bool compare_operands(PyObject* a, PyObject* b, Ecosystem ecosystem, Ordering& out) {
    std::string_view a_text, b_text;
    if (str_operands(a, b, a_text, b_text)) return compare_texts_for_ecosystem(a_text, b_text, ecosystem, out);
    ParsedRepr parsed_a, parsed_b;
    return extract_parsed_for_ecosystem(a, ecosystem, parsed_a) &&
           extract_parsed_for_ecosystem(b, ecosystem, parsed_b) && compare_parsed(ecosystem, parsed_a, parsed_b, out);
}

bool compare_str_with_ecosystem(std::string_view a, std::string_view b, const EcosystemArg& arg, Ordering& out) {
    Ecosystem ecosystem;
    if (arg.is_auto()) {
        ecosystem = autodetect_ecosystem(a);
    } else if (!named_ecosystem(arg, Ecosystem::Generic, ecosystem)) {
        return false;
    }
    return compare_texts_for_ecosystem(a, b, ecosystem, out);
}

bool compare_texts_for_ecosystem(std::string_view a, std::string_view b, Ecosystem ecosystem, Ordering& out) {
    auto outcome = strategy_for(ecosystem).compare_texts(a, b);
    if (!outcome.ok()) {
        raise_value_error(outcome.error());
        return false;
    }
    out = outcome.value();
    return true;
}

}  // namespace tambry
