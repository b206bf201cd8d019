// max_version, min_version, sort_versions and batch_compare: each element parsed
// once by the chosen strategy, ordered on the parsed forms, and the caller's own
// objects handed back.
#include <cstdint>
#include <vector>

#include "binder.hpp"
#include "errors.hpp"
#include "functions.hpp"
#include "operands.hpp"
#include "generic_family.hpp"
#include "generic_parser.hpp"
#include "packed_version.hpp"
#include "stable_merge_sort.hpp"
#include "version_object.hpp"

namespace tambry {
namespace {

Param VERSIONS_PARAMS[] = {{"versions"}, {"ecosystem"}};
Param PAIRS_PARAMS[] = {{"pairs"}, {"ecosystem"}};
const ParamSpec MAX_VERSION_SPEC = {"max_version", nullptr, VERSIONS_PARAMS, 2, 1};
const ParamSpec MIN_VERSION_SPEC = {"min_version", nullptr, VERSIONS_PARAMS, 2, 1};
const ParamSpec SORT_VERSIONS_SPEC = {"sort_versions", nullptr, VERSIONS_PARAMS, 2, 1};
const ParamSpec BATCH_COMPARE_SPEC = {"batch_compare", nullptr, PAIRS_PARAMS, 2, 1};

// The elements of one call, parsed by one strategy; the caller's objects stay
// referenced by `items` until the call returns. Under a scheme that orders
// generically each element is kept as its packed segment stream, all in one
// arena (a Version under the generic scheme lends its own), so that sorting
// walks compact memory; the other schemes keep their parsed values.
struct ParsedElements {
    Ecosystem ecosystem;
    std::vector<PyRef> items;
    std::vector<ParsedRepr> parsed;
    std::vector<unsigned char> arena;
    std::vector<PackedRecord> records;
    bool failed = false;  // a comparison broke an internal invariant

    bool parse_all() {
        const auto* family = dynamic_cast<const GenericFamilyStrategy*>(&strategy_for(ecosystem));
        if (family && items.size() <= UINT32_MAX) return pack_all(*family);
        parsed.resize(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!extract_parsed_for_ecosystem(items[i].get(), ecosystem, parsed[i])) return false;
        }
        return true;
    }

    bool ordered_generically() const { return !records.empty(); }

    Ordering order(std::size_t a, std::size_t b) {
        if (ordered_generically()) return cmp_packed_records(records[a], records[b]);
        CompareOutcome outcome = strategy_for(ecosystem).compare(parsed[a], parsed[b]);
        if (outcome.ok()) return outcome.value();
        if (!failed) raise_internal_error(outcome.error());
        failed = true;
        return Ordering::Equal;
    }

private:
    // Under a scheme that orders generically: each text admitted, scanned and
    // packed, or a Version's own packed parse under the generic scheme.
    bool pack_all(const GenericFamilyStrategy& family) {
        GenericScan scan;
        std::vector<std::size_t> arena_offsets(items.size());
        records.reserve(items.size());
        arena.reserve(items.size() * 16);
        for (std::size_t i = 0; i < items.size(); ++i) {
            PyObject* obj = items[i].get();
            const auto index = static_cast<std::uint32_t>(i);
            if (ecosystem == Ecosystem::Generic && is_version(obj)) {
                const PyVersion* version = as_version(obj);
                records.push_back(PackedRecord::of(version->packed(), version->packed_size, index));
                continue;
            }
            std::string_view text;
            if (!operand_text_for_parsing(obj, text)) return false;
            if (auto message = family.rejection(text)) {
                raise_value_error(*message);
                return false;
            }
            scan_generic(text, scan);
            const GenericView view = scan.view();
            const std::size_t size = packed_size(view);
            arena_offsets[i] = arena.size();
            arena.resize(arena.size() + size);
            unsigned char* bytes = arena.data() + arena_offsets[i];
            pack_segments(view, bytes);
            records.push_back(PackedRecord::of(bytes, size, index));
            records.back().data = nullptr;  // the arena may still move: placed below
        }
        for (PackedRecord& record : records) {
            if (!record.data) record.data = arena.data() + arena_offsets[record.index];
        }
        return true;
    }
};

// Binds and converts (versions, ecosystem) in that order.
bool convert_versions_call(const ParamSpec& spec, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                           ParsedElements& elements, EcosystemArg& arg) {
    PyObject* slots[2];
    return bind_fastcall(spec, args, nargs, kwnames, slots) &&
           convert_sequence("versions", slots[0], elements.items) && convert_ecosystem_arg(slots[1], arg);
}

// Chooses one element: the empty sequence comes before any look at the ecosystem.
PyObject* pick_one(const ParamSpec& spec, bool greatest, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames) {
    ParsedElements elements;
    EcosystemArg arg;
    if (!convert_versions_call(spec, args, nargs, kwnames, elements, arg)) return nullptr;
    if (elements.items.empty()) return raise_value_error("empty sequence");
    if (!resolve_eco_for_obj(arg, elements.items[0].get(), elements.ecosystem) || !elements.parse_all()) {
        return nullptr;
    }
    // One pass gives what a stable ascending sort would put last (the last of the
    // greatest) or first (the first of the least).
    std::size_t chosen = 0;
    for (std::size_t i = 1; i < elements.items.size(); ++i) {
        if (greatest ? elements.order(chosen, i) != Ordering::Greater
                     : elements.order(chosen, i) == Ordering::Greater) {
            chosen = i;
        }
    }
    if (elements.failed) return nullptr;
    return Py_NewRef(elements.items[chosen].get());
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
        ParsedElements elements;
        EcosystemArg arg;
        if (!convert_versions_call(SORT_VERSIONS_SPEC, args, nargs, kwnames, elements, arg)) return nullptr;
        if (arg.is_auto()) {
            if (elements.items.empty()) return PyList_New(0);
            if (!resolve_eco_for_obj(arg, elements.items[0].get(), elements.ecosystem)) return nullptr;
        } else if (!named_ecosystem(arg, Ecosystem::Generic, elements.ecosystem)) {
            return nullptr;
        }
        if (!elements.parse_all()) return nullptr;
        std::vector<std::size_t> order(elements.items.size());
        if (elements.ordered_generically()) {
            // The records themselves are sorted, so each merge reads them in sequence.
            stable_merge_sort(elements.records, [](const PackedRecord& a, const PackedRecord& b) {
                return cmp_packed_records(a, b) == Ordering::Less;
            });
            for (std::size_t i = 0; i < order.size(); ++i) order[i] = elements.records[i].index;
        } else {
            for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
            stable_merge_sort(order, [&](std::size_t a, std::size_t b) {
                return elements.order(a, b) == Ordering::Less;
            });
            if (elements.failed) return nullptr;
        }
        PyRef result(PyList_New(static_cast<Py_ssize_t>(order.size())));
        if (!result) return nullptr;
        for (std::size_t i = 0; i < order.size(); ++i) {
            // The list takes over the reference held since conversion: no count is
            // touched again, which in sorted order would be a walk all over memory.
            PyList_SET_ITEM(result.get(), static_cast<Py_ssize_t>(i), elements.items[order[i]].release());
        }
        return result.release();
    });
}

PyObject* batch_compare_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2];
        std::vector<std::pair<PyRef, PyRef>> pairs;
        EcosystemArg arg;
        if (!bind_fastcall(BATCH_COMPARE_SPEC, args, nargs, kwnames, slots) ||
            !convert_pairs("pairs", slots[0], pairs) || !convert_ecosystem_arg(slots[1], arg)) {
            return nullptr;
        }
        Ecosystem ecosystem;
        const bool per_pair = arg.is_auto();
        if (!per_pair && !named_ecosystem(arg, Ecosystem::Generic, ecosystem)) return nullptr;
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
