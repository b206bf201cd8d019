// sort_versions, max_version and min_version: every element's key made once into
// one batch; the caller's own objects handed back. keys: every element's key as bytes.
#include <vector>

#include "binder.hpp"
#include "native/key_batch.hpp"
#include "native/native_module.hpp"
#include "native/version_items.hpp"

namespace tambry::native {
namespace {

constexpr Param VERSIONS_PARAMS[] = {Param::Versions, Param::Ecosystem};
constexpr Param KEYS_PARAMS[] = {Param::Versions, Param::Ecosystem, Param::Invalid};
const ParamSpec SORT_VERSIONS_SPEC = {"sort_versions", nullptr, VERSIONS_PARAMS, 2, 2};
const ParamSpec MAX_VERSION_SPEC = {"max_version", nullptr, VERSIONS_PARAMS, 2, 2};
const ParamSpec MIN_VERSION_SPEC = {"min_version", nullptr, VERSIONS_PARAMS, 2, 2};
const ParamSpec KEYS_SPEC = {"keys", nullptr, KEYS_PARAMS, 3, 2};

// The items of any iterable but a str or bytes, each held for the whole call.
bool collect_versions(PyObject* obj, std::vector<PyRef>& out) {
    if (PyUnicode_Check(obj) || PyBytes_Check(obj)) {
        PyErr_Format(PyExc_TypeError, "argument 'versions': expected an iterable of versions, not '%s'",
                     Py_TYPE(obj)->tp_name);
        return false;
    }
    if (PyList_CheckExact(obj) || PyTuple_CheckExact(obj)) {
        const Py_ssize_t n = PySequence_Fast_GET_SIZE(obj);
        PyObject** items = PySequence_Fast_ITEMS(obj);
        out.reserve(static_cast<std::size_t>(n));
        for (Py_ssize_t i = 0; i < n; ++i) out.push_back(PyRef::borrow(items[i]));
        return true;
    }
    PyRef iterator(PyObject_GetIter(obj));
    if (!iterator) return false;
    while (PyObject* item = PyIter_Next(iterator.get())) out.emplace_back(item);
    return !PyErr_Occurred();
}

// Keys every item into `batch`. A rejected item raises InvalidVersion naming its
// place, or with `nulls` leaves its slot empty.
bool key_all(const NativeState& state, NativeEcosystem ecosystem, const std::vector<PyRef>& items, bool nulls,
             KeyBatch& batch) {
    batch.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        // As VersionItems::prefetch_after does.
        if (i + 16 < items.size()) __builtin_prefetch(items[i + 16].get());
        std::string_view text;
        PyRef holder;
        if (!version_text(state, items[i].get(), text, holder)) return false;
        if (!batch.add(text) && !nulls) {
            raise_invalid_version(state, ecosystem, text, static_cast<Py_ssize_t>(i));
            return false;
        }
    }
    return true;
}

// Binds (versions, ecosystem), gathers the items and keys them all.
bool versions_call(const ParamSpec& spec, PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames, std::vector<PyRef>& items, NativeEcosystem& ecosystem,
                   std::optional<KeyBatch>& batch) {
    PyObject* slots[2] = {};
    if (!bind_fastcall(spec, args, nargs, kwnames, slots) || !convert_native_ecosystem(slots[1], ecosystem) ||
        !collect_versions(slots[0], items)) {
        return false;
    }
    batch.emplace(ecosystem);
    return key_all(state_of(module), ecosystem, items, false, *batch);
}

PyObject* pick_one(const ParamSpec& spec, bool greatest, PyObject* module, PyObject* const* args,
                   Py_ssize_t nargs, PyObject* kwnames) {
    std::vector<PyRef> items;
    NativeEcosystem ecosystem;
    std::optional<KeyBatch> batch;
    if (!versions_call(spec, module, args, nargs, kwnames, items, ecosystem, batch)) return nullptr;
    if (items.empty()) {
        PyErr_SetString(PyExc_ValueError, "empty sequence");
        return nullptr;
    }
    const std::size_t chosen = greatest ? batch->index_of_greatest() : batch->index_of_least();
    return Py_NewRef(items[chosen].get());
}

}  // namespace

PyObject* sort_versions_entry(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        std::vector<PyRef> items;
        NativeEcosystem ecosystem;
        std::optional<KeyBatch> batch;
        if (!versions_call(SORT_VERSIONS_SPEC, module, args, nargs, kwnames, items, ecosystem, batch)) {
            return nullptr;
        }
        const std::vector<std::size_t> order = batch->sorted_order();
        PyRef result(PyList_New(static_cast<Py_ssize_t>(order.size())));
        if (!result) return nullptr;
        for (std::size_t i = 0; i < order.size(); ++i) {
            // The list takes over the reference held since the items were gathered.
            PyList_SET_ITEM(result.get(), static_cast<Py_ssize_t>(i), items[order[i]].release());
        }
        return result.release();
    });
}

PyObject* max_version_entry(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr,
                                     [&] { return pick_one(MAX_VERSION_SPEC, true, module, args, nargs, kwnames); });
}

PyObject* min_version_entry(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr,
                                     [&] { return pick_one(MIN_VERSION_SPEC, false, module, args, nargs, kwnames); });
}

PyObject* keys_entry(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[3] = {};
        NativeEcosystem ecosystem;
        VersionItems items;
        bool nulls = false;
        if (!bind_fastcall(KEYS_SPEC, args, nargs, kwnames, slots) ||
            !convert_native_ecosystem(slots[1], ecosystem) || !items.open(slots[0]) ||
            !convert_invalid_mode(slots[2], nulls)) {
            return nullptr;
        }
        const NativeState& state = state_of(module);
        PyRef result(PyList_New(items.size()));
        if (!result) return nullptr;
        // Each key is made in one reused buffer and copied once, into its bytes object.
        const KeyMaker maker(ecosystem);
        KeyBuffer key;
        for (Py_ssize_t i = 0; i < items.size(); ++i) {
            items.prefetch_after(i);
            std::string_view text;
            PyRef holder;
            if (!item_text(state, items[i], text, holder)) return nullptr;
            key.clear();
            PyObject* entry;
            if (maker.append(text, key)) {
                entry = PyBytes_FromStringAndSize(reinterpret_cast<const char*>(key.data()),
                                                  static_cast<Py_ssize_t>(key.size()));
                if (!entry) return nullptr;
            } else if (nulls) {
                entry = Py_NewRef(Py_None);
            } else {
                return raise_invalid_version(state, ecosystem, text, i);
            }
            PyList_SET_ITEM(result.get(), i, entry);
        }
        return result.release();
    });
}

}  // namespace tambry::native
