// compare, the eight relations and compare_semver_strict: two versions in, one
// ordering out.
#include "binder.hpp"
#include "errors.hpp"
#include "functions.hpp"
#include "module_globals.hpp"
#include "operands.hpp"

namespace tambry {
namespace {

constexpr Param PAIR_PARAMS[] = {Param::A, Param::B, Param::Ecosystem};

constexpr ParamSpec pair_spec(const char* name) { return {name, nullptr, PAIR_PARAMS, 3, 2}; }

constexpr ParamSpec COMPARE_SPEC = pair_spec("compare");
constexpr ParamSpec COMPARE_SEMVER_STRICT_SPEC = {"compare_semver_strict", nullptr, PAIR_PARAMS, 2, 2};

enum class Relation { Greater, NotLess, Less, NotGreater, Equal, NotEqual };

constexpr bool holds(Relation relation, Ordering o) {
    switch (relation) {
        case Relation::Greater: return o == Ordering::Greater;
        case Relation::NotLess: return o != Ordering::Less;
        case Relation::Less: return o == Ordering::Less;
        case Relation::NotGreater: return o != Ordering::Greater;
        case Relation::Equal: return o == Ordering::Equal;
        case Relation::NotEqual: return o != Ordering::Equal;
    }
    return false;
}

// Two str operands, converted already, under the `ecosystem` argument: under
// "auto" the ecosystem is detected from `a` alone.
bool compare_str_with_ecosystem(PyObject* a, std::string_view a_text, std::string_view b_text,
                                PyObject* ecosystem_obj, Ordering& out) {
    Ecosystem ecosystem;
    return resolve_ecosystem_argument(ecosystem_obj, a, ecosystem) &&
           compare_texts_for_ecosystem(a_text, b_text, ecosystem, out);
}

PyObject* relation(const ParamSpec& spec, Relation relation, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[3] = {};
        if (!bind_fastcall(spec, args, nargs, kwnames, slots)) return nullptr;
        std::string_view a, b;
        Ordering o;
        if (!convert_text("a", slots[0], a) || !convert_text("b", slots[1], b) ||
            !compare_str_with_ecosystem(slots[0], a, b, slots[2], o)) {
            return nullptr;
        }
        return Py_NewRef(holds(relation, o) ? Py_True : Py_False);
    });
}

constexpr ParamSpec GT_SPEC = pair_spec("gt");
constexpr ParamSpec GE_SPEC = pair_spec("ge");
constexpr ParamSpec GTE_SPEC = pair_spec("gte");
constexpr ParamSpec LT_SPEC = pair_spec("lt");
constexpr ParamSpec LE_SPEC = pair_spec("le");
constexpr ParamSpec LTE_SPEC = pair_spec("lte");
constexpr ParamSpec EQ_SPEC = pair_spec("eq");
constexpr ParamSpec NE_SPEC = pair_spec("ne");

// The text of an ASCII str, which is its own UTF-8; false for anything else.
inline bool ascii_text(PyObject* obj, std::string_view& out) {
    if (!PyUnicode_Check(obj) || !PyUnicode_IS_COMPACT_ASCII(obj)) return false;
    out = {static_cast<const char*>(PyUnicode_DATA(obj)), static_cast<std::size_t>(PyUnicode_GET_LENGTH(obj))};
    return true;
}

// Nearly every call is compare(a, b, "name") with two ASCII str: that one is
// answered here, and everything else (keywords, Version operands, "auto", any
// text that a scheme refuses) takes the general road below, which answers it
// exactly as it would have been answered here.
bool compare_usual_call(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, Ordering& out) {
    if (kwnames || nargs != 3) return false;
    std::string_view a, b;
    if (!ascii_text(args[0], a) || !ascii_text(args[1], b)) return false;
    const KnownEcosystemName* known = find_known_ecosystem_name(args[2]);
    if (!known || known->is_auto) return false;
    const std::optional<Ordering> order = strategy_for(known->ecosystem).compare_texts(a, b);
    if (!order) return false;
    out = *order;
    return true;
}

}  // namespace

PyObject* compare_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        Ordering usual;
        if (compare_usual_call(args, nargs, kwnames, usual)) return ordering_to_int(usual);
        PyObject* slots[3] = {};
        if (!bind_fastcall(COMPARE_SPEC, args, nargs, kwnames, slots)) return nullptr;
        Ecosystem ecosystem;
        if (!resolve_ecosystem_argument(slots[2], slots[0], ecosystem)) return nullptr;
        Ordering o;
        if (!compare_operands(slots[0], slots[1], ecosystem, o)) return nullptr;
        return ordering_to_int(o);
    });
}

PyObject* compare_semver_strict_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2] = {};
        if (!bind_fastcall(COMPARE_SEMVER_STRICT_SPEC, args, nargs, kwnames, slots)) return nullptr;
        std::string_view a_text, b_text;
        if (!convert_text("a", slots[0], a_text) || !convert_text("b", slots[1], b_text)) return nullptr;
        Ordering o;
        if (!compare_texts_for_ecosystem(a_text, b_text, Ecosystem::Semver, o)) return nullptr;
        return ordering_to_int(o);
    });
}

PyObject* gt_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return relation(GT_SPEC, Relation::Greater, args, nargs, kwnames);
}
PyObject* ge_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return relation(GE_SPEC, Relation::NotLess, args, nargs, kwnames);
}
PyObject* gte_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return relation(GTE_SPEC, Relation::NotLess, args, nargs, kwnames);
}
PyObject* lt_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return relation(LT_SPEC, Relation::Less, args, nargs, kwnames);
}
PyObject* le_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return relation(LE_SPEC, Relation::NotGreater, args, nargs, kwnames);
}
PyObject* lte_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return relation(LTE_SPEC, Relation::NotGreater, args, nargs, kwnames);
}
PyObject* eq_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return relation(EQ_SPEC, Relation::Equal, args, nargs, kwnames);
}
PyObject* ne_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return relation(NE_SPEC, Relation::NotEqual, args, nargs, kwnames);
}

}  // namespace tambry
