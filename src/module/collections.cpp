// max_version, min_version, sort_versions and batch_compare: the caller's objects
// are converted and handed to a core batch, which parses each element once and
// orders them; the caller's own objects are handed back.
#include <vector>

#include "binder.hpp"
#include "errors.hpp"
#include "functions.hpp"
#include "operands.hpp"
#include "version_object.hpp"

namespace tambry {
namespace {

constexpr Param VERSIONS_PARAMS[] = {Param::Versions, Param::Ecosystem};
constexpr Param PAIRS_PARAMS[] = {Param::Pairs, Param::Ecosystem};
constexpr ParamSpec MAX_VERSION_SPEC = {"max_version", nullptr, VERSIONS_PARAMS, 2, 1};
constexpr ParamSpec MIN_VERSION_SPEC = {"min_version", nullptr, VERSIONS_PARAMS, 2, 1};
constexpr ParamSpec SORT_VERSIONS_SPEC = {"sort_versions", nullptr, VERSIONS_PARAMS, 2, 1};
constexpr ParamSpec BATCH_COMPARE_SPEC = {"batch_compare", nullptr, PAIRS_PARAMS, 2, 1};

Result<void, std::string> add_text(VersionBatch& batch, std::string_view text) { return batch.add_text(text); }
Result<void, std::string> add_text(VersionPicker& picker, std::string_view text) { return picker.offer_text(text); }
Result<void, std::string> add_stored(VersionBatch& batch, std::string_view raw, const unsigned char* packed,
                                     std::size_t size) {
    return batch.add_stored(raw, packed, size);
}
Result<void, std::string> add_stored(VersionPicker& picker, std::string_view raw, const unsigned char* packed,
                                     std::size_t size) {
    return picker.offer_stored(raw, packed, size);
}

// Binds and converts (versions, ecosystem) in that order.
bool convert_versions_call(const ParamSpec& spec, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                           std::vector<PyRef>& items, EcosystemArg& arg) {
    PyObject* slots[2] = {};
    return bind_fastcall(spec, args, nargs, kwnames, slots) && convert_sequence("versions", slots[0], items) &&
           convert_ecosystem_arg(slots[1], arg);
}

// Every element handed to the batch or picker, first to last; the first failure
// is raised. Both keep views of the texts, which `items` holds.
template <class Collector>
bool add_all(const std::vector<PyRef>& items, Collector& collector) {
    for (const PyRef& item : items) {
        PyObject* obj = item.get();
        if (is_version(obj)) {
            const PyVersion* version = as_version(obj);
            if (!take_outcome(add_stored(collector, version->raw(), version->packed(), version->packed_size))) {
                return false;
            }
            continue;
        }
        std::string_view text;
        if (!operand_text_for_parsing(obj, text) || !take_outcome(add_text(collector, text))) return false;
    }
    return true;
}

// Chooses one element: the empty sequence comes before any look at the ecosystem.
PyObject* pick_one(const ParamSpec& spec, bool greatest, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames) {
    std::vector<PyRef> items;
    EcosystemArg arg;
    if (!convert_versions_call(spec, args, nargs, kwnames, items, arg)) return nullptr;
    if (items.empty()) return raise_value_error("empty sequence");
    Ecosystem ecosystem;
    if (!resolve_eco_for_obj(arg, items[0].get(), ecosystem)) return nullptr;
    VersionPicker picker(ecosystem, greatest);
    if (!add_all(items, picker)) return nullptr;
    std::size_t chosen;
    if (!take_outcome(picker.picked(), chosen)) return nullptr;
    return Py_NewRef(items[chosen].get());
}

}  // namespace

PyObject* max_version_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&] { return pick_one(MAX_VERSION_SPEC, true, args, nargs, kwnames); });
}

PyObject* min_version_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&] { return pick_one(MIN_VERSION_SPEC, false, args, nargs, kwnames); });
}

PyObject* sort_versions_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        std::vector<PyRef> items;
        EcosystemArg arg;
        if (!convert_versions_call(SORT_VERSIONS_SPEC, args, nargs, kwnames, items, arg)) return nullptr;
        // "auto" needs a first element to look at; a name is checked even without one.
        if (arg.is_auto() && items.empty()) return PyList_New(0);
        Ecosystem ecosystem;
        if (!resolve_eco_for_obj(arg, items.empty() ? nullptr : items[0].get(), ecosystem)) return nullptr;
        VersionBatch batch(ecosystem, items.size());
        if (!add_all(items, batch)) return nullptr;
        std::vector<std::size_t> slots;
        if (!take_outcome(batch.sorted_slots(), slots)) return nullptr;
        PyRef result(PyList_New(static_cast<Py_ssize_t>(slots.size())));
        if (!result) return nullptr;
        for (std::size_t i = 0; i < slots.size(); ++i) {
            // The list takes over the reference held since conversion: no count is
            // touched again, which in sorted order would be a walk all over memory.
            PyList_SET_ITEM(result.get(), static_cast<Py_ssize_t>(i), items[slots[i]].release());
        }
        return result.release();
    });
}

PyObject* batch_compare_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2] = {};
        std::vector<std::pair<PyRef, PyRef>> pairs;
        EcosystemArg arg;
        if (!bind_fastcall(BATCH_COMPARE_SPEC, args, nargs, kwnames, slots) ||
            !convert_pairs("pairs", slots[0], pairs) || !convert_ecosystem_arg(slots[1], arg)) {
            return nullptr;
        }
        // Under "auto" each pair takes the ecosystem of its own first item; a name is
        // checked once, even without a pair.
        const bool per_pair = arg.is_auto();
        Ecosystem ecosystem;
        if (!per_pair && !resolve_eco_for_obj(arg, nullptr, ecosystem)) return nullptr;
        PyRef result(PyList_New(static_cast<Py_ssize_t>(pairs.size())));
        if (!result) return nullptr;
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            PyObject* first = pairs[i].first.get();
            Ordering o;
            if ((per_pair && !resolve_eco_for_obj(arg, first, ecosystem)) ||
                !compare_operands(first, pairs[i].second.get(), ecosystem, o)) {
                return nullptr;
            }
            PyList_SET_ITEM(result.get(), static_cast<Py_ssize_t>(i), ordering_to_int(o));
        }
        return result.release();
    });
}

}  // namespace tambry
