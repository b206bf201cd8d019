// What a VersionRange answers: membership of one version or of many, its newest and
// oldest members among many, its relations to another range, and its intervals.
#include <string>
#include <vector>

#include "binder.hpp"
#include "ranges/ranges_module.hpp"

namespace tambry::ranges {
namespace {

constexpr Param INTERVALS_PARAMS[] = {Param::Prereleases};
const ParamSpec INTERVALS_SPEC = {"intervals", "VersionRange", INTERVALS_PARAMS, 1, 0};
const ParamSpec KEY_INTERVALS_SPEC = {"key_intervals", "VersionRange", INTERVALS_PARAMS, 1, 0};

// The items of any iterable but a str or bytes, each held for the whole call.
bool collect_versions(PyObject* obj, std::vector<PyRef>& out) {
    if (PyUnicode_Check(obj) || PyBytes_Check(obj)) {
        PyErr_Format(PyExc_TypeError, "expected an iterable of versions, not '%s'", Py_TYPE(obj)->tp_name);
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

// Calls visit(index, key, member) for every item, in order; InvalidVersion names
// the first item the ecosystem rejects.
template <class Visit>
bool for_each_version(PyObject* self, PyObject* versions, std::vector<PyRef>& items, Visit visit) {
    const RangesState& state = state_of_object(self);
    const VersionSet& set = set_of(self);
    if (!collect_versions(versions, items)) return false;
    KeyBuffer key;
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string_view text;
        PyRef holder;
        if (!native::version_text(state.native, items[i].get(), text, holder)) return false;
        bool member = false;
        if (!set.key_and_membership(text, key, member)) {
            native::raise_invalid_version(state.native, set.ecosystem(), text, static_cast<Py_ssize_t>(i));
            return false;
        }
        visit(i, key, member);
    }
    return true;
}

// The member that a stable ascending sort puts last (greatest) or first (least).
PyObject* pick_satisfying(PyObject* self, PyObject* versions, bool greatest) {
    std::vector<PyRef> items;
    std::string best_key;
    std::size_t best = 0;
    bool found = false;
    const bool ok = for_each_version(self, versions, items, [&](std::size_t i, const KeyBuffer& key, bool member) {
        if (!member) return;
        const std::string_view k = key_view(key);
        if (!found || (greatest ? k >= std::string_view(best_key) : k < std::string_view(best_key))) {
            best_key.assign(k);
            best = i;
            found = true;
        }
    });
    if (!ok) return nullptr;
    if (!found) Py_RETURN_NONE;
    return Py_NewRef(items[best].get());
}

// The other operand of a relation: a range of the same ecosystem.
const VersionSet* other_set(PyObject* self, PyObject* other) {
    if (!is_range(state_of_object(self), other)) {
        PyErr_Format(PyExc_TypeError, "expected a VersionRange, not '%s'", Py_TYPE(other)->tp_name);
        return nullptr;
    }
    if (!check_same_ecosystem(set_of(self), set_of(other))) return nullptr;
    return &set_of(other);
}

// The set that intervals() and key_intervals() describe.
const IntervalSet* chosen_set(const char* method, PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames) {
    PyObject* slots[1] = {};
    if (!bind_fastcall(std::string_view(method) == "intervals" ? INTERVALS_SPEC : KEY_INTERVALS_SPEC, args,
                       PyVectorcall_NARGS(nargs), kwnames, slots)) {
        return nullptr;
    }
    const VersionSet& set = set_of(self);
    PyObject* prereleases = slots[0];
    if (prereleases && prereleases != Py_None && !PyBool_Check(prereleases)) {
        PyErr_Format(PyExc_TypeError, "argument 'prereleases': expected True, False or None, not '%s'",
                     Py_TYPE(prereleases)->tp_name);
        return nullptr;
    }
    if (!set.splits_prereleases()) return &set.releases();
    if (!prereleases || prereleases == Py_None) {
        PyErr_Format(PyExc_ValueError,
                     "this range tests pre-releases against a set of their own: call %s(prereleases=True) "
                     "for the pre-releases' intervals or %s(prereleases=False) for the releases'",
                     method, method);
        return nullptr;
    }
    return prereleases == Py_True ? &set.prereleases() : &set.releases();
}

constexpr char HEX_DIGITS[] = "0123456789abcdef";

// A bound as intervals() shows it: its version, or "*" and its key in hex (the vers notation).
PyObject* bound_text(const Cut& cut) {
    std::string text;
    if (cut.has_text()) {
        text = cut.text;
    } else {
        text.push_back('*');
        for (const char c : cut.named_key()) {
            text.push_back(HEX_DIGITS[static_cast<unsigned char>(c) >> 4]);
            text.push_back(HEX_DIGITS[static_cast<unsigned char>(c) & 15]);
        }
    }
    return native::str_of_text(text);
}

PyObject* bound_key(const Cut& cut) {
    const std::string_view key = cut.named_key();
    return PyBytes_FromStringAndSize(key.data(), static_cast<Py_ssize_t>(key.size()));
}

// (lower, lower_inclusive, upper, upper_inclusive) for every interval.
PyObject* interval_tuples(const IntervalSet& set, PyObject* (*bound)(const Cut&)) {
    const std::vector<Interval> intervals = set.intervals();
    PyRef list(PyList_New(static_cast<Py_ssize_t>(intervals.size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        const Interval& interval = intervals[i];
        PyRef lower(interval.lower ? bound(*interval.lower) : Py_NewRef(Py_None));
        PyRef upper(interval.upper ? bound(*interval.upper) : Py_NewRef(Py_None));
        if (!lower || !upper) return nullptr;
        PyObject* tuple = PyTuple_Pack(4, lower.get(), interval.lower && !interval.lower->above ? Py_True : Py_False,
                                       upper.get(), interval.upper && interval.upper->above ? Py_True : Py_False);
        if (!tuple) return nullptr;
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), tuple);
    }
    return list.release();
}

}  // namespace

int contains_slot(PyObject* self, PyObject* version) {
    return native::native_guarded<int>(-1, [&]() -> int {
        const RangesState& state = state_of_object(self);
        std::string_view text;
        PyRef holder;
        if (!native::version_text(state.native, version, text, holder)) return -1;
        const VersionSet& set = set_of(self);
        const std::optional<bool> member = set.contains(text);
        if (!member) {
            native::raise_invalid_version(state.native, set.ecosystem(), text);
            return -1;
        }
        return *member ? 1 : 0;
    });
}

PyObject* contains_entry(PyObject* self, PyObject* version) {
    const int member = contains_slot(self, version);
    return member < 0 ? nullptr : PyBool_FromLong(member);
}

PyObject* filter_entry(PyObject* self, PyObject* versions) {
    return native::native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        std::vector<PyRef> items;
        std::vector<std::size_t> members;
        if (!for_each_version(self, versions, items, [&](std::size_t i, const KeyBuffer&, bool member) {
                if (member) members.push_back(i);
            })) {
            return nullptr;
        }
        PyRef list(PyList_New(static_cast<Py_ssize_t>(members.size())));
        if (!list) return nullptr;
        for (std::size_t i = 0; i < members.size(); ++i) {
            PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), items[members[i]].release());
        }
        return list.release();
    });
}

PyObject* max_satisfying_entry(PyObject* self, PyObject* versions) {
    return native::native_guarded<PyObject*>(nullptr, [&] { return pick_satisfying(self, versions, true); });
}

PyObject* min_satisfying_entry(PyObject* self, PyObject* versions) {
    return native::native_guarded<PyObject*>(nullptr, [&] { return pick_satisfying(self, versions, false); });
}

PyObject* issubset_entry(PyObject* self, PyObject* other) {
    return native::native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        const VersionSet* set = other_set(self, other);
        return set ? PyBool_FromLong(set_of(self).is_subset_of(*set)) : nullptr;
    });
}

PyObject* isdisjoint_entry(PyObject* self, PyObject* other) {
    return native::native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        const VersionSet* set = other_set(self, other);
        return set ? PyBool_FromLong(set_of(self).is_disjoint_from(*set)) : nullptr;
    });
}

PyObject* intervals_entry(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native::native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        const IntervalSet* set = chosen_set("intervals", self, args, nargs, kwnames);
        return set ? interval_tuples(*set, bound_text) : nullptr;
    });
}

PyObject* key_intervals_entry(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native::native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        const IntervalSet* set = chosen_set("key_intervals", self, args, nargs, kwnames);
        return set ? interval_tuples(*set, bound_key) : nullptr;
    });
}

}  // namespace tambry::ranges
