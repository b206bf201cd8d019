// The Python class VersionRange: an immutable set of versions of one ecosystem.
// Objects are made only by the class methods; they compare and hash by their sets,
// and combine with & | ~ like sets.
#include <new>
#include <string>

#include "functions.hpp"
#include "ranges/ranges_module.hpp"
#include "ranges/vers.hpp"

namespace tambry::ranges {

PyObject* new_range(const RangesState& state, VersionSet&& set) {
    auto* type = reinterpret_cast<PyTypeObject*>(state.range_type);
    // Every field is set here, so the memory need not be cleared first as
    // tp_alloc would; the type is not tracked by the garbage collector.
    void* memory = PyObject_Malloc(sizeof(RangeObject));
    if (!memory) return PyErr_NoMemory();
    PyObject* obj = PyObject_Init(static_cast<PyObject*>(memory), type);
    auto* range = reinterpret_cast<RangeObject*>(obj);
    range->hash = -1;
    new (&range->set) VersionSet(std::move(set));
    return obj;
}

bool check_same_ecosystem(const VersionSet& a, const VersionSet& b) {
    if (a.ecosystem() == b.ecosystem()) return true;
    std::string message = "cannot combine a ";
    message.append(a.scheme().name());
    message.append(" range with a ");
    message.append(b.scheme().name());
    message.append(" range");
    PyErr_SetString(PyExc_TypeError, message.c_str());
    return false;
}

namespace {

PyObject* text_to_str(const std::string& text) { return native::str_of_text(text); }

void dealloc_slot(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    reinterpret_cast<RangeObject*>(self)->set.~VersionSet();
    type->tp_free(self);
    Py_DECREF(type);
}

PyObject* str_slot(PyObject* self) {
    return native::native_guarded<PyObject*>(nullptr, [&] { return text_to_str(to_vers(set_of(self))); });
}

PyObject* repr_slot(PyObject* self) {
    PyRef uri(str_slot(self));
    if (!uri) return nullptr;
    return PyUnicode_FromFormat("VersionRange.from_vers(%R)", uri.get());
}

Py_hash_t hash_slot(PyObject* self) {
    auto* range = reinterpret_cast<RangeObject*>(self);
    if (range->hash != -1) return range->hash;
    return native::native_guarded<Py_hash_t>(-1, [&]() -> Py_hash_t {
        // The interpreter's own (randomised) hash of the set's identity bytes.
        const std::string identity = range->set.identity();
        PyRef bytes(PyBytes_FromStringAndSize(identity.data(), static_cast<Py_ssize_t>(identity.size())));
        if (!bytes) return -1;
        const Py_hash_t hash = PyObject_Hash(bytes.get());
        if (hash == -1) return -1;
        range->hash = hash;
        return hash;
    });
}

// Whether an object is a VersionRange, of this module object or another one.
bool is_any_range(PyObject* obj) { return Py_TYPE(obj)->tp_dealloc == dealloc_slot; }

PyObject* richcompare_slot(PyObject* self, PyObject* other, int op) {
    if ((op != Py_EQ && op != Py_NE) || !is_any_range(other)) Py_RETURN_NOTIMPLEMENTED;
    const bool equal = set_of(self) == set_of(other);
    return PyBool_FromLong(op == Py_EQ ? equal : !equal);
}

template <class Combine>
PyObject* binary_op(PyObject* a, PyObject* b, Combine combine) {
    // The interpreter calls this for either operand being a range.
    if (!is_any_range(a) || !is_any_range(b)) Py_RETURN_NOTIMPLEMENTED;
    const RangesState& state = state_of_object(a);
    return native::native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        if (!check_same_ecosystem(set_of(a), set_of(b))) return nullptr;
        return new_range(state, combine(set_of(a), set_of(b)));
    });
}

PyObject* and_slot(PyObject* a, PyObject* b) {
    return binary_op(a, b, [](const VersionSet& x, const VersionSet& y) { return x.intersect(y); });
}

PyObject* or_slot(PyObject* a, PyObject* b) {
    return binary_op(a, b, [](const VersionSet& x, const VersionSet& y) { return x.unite(y); });
}

PyObject* invert_slot(PyObject* self) {
    return native::native_guarded<PyObject*>(
        nullptr, [&] { return new_range(state_of_object(self), set_of(self).complement()); });
}

PyObject* ecosystem_getter(PyObject* self, void*) {
    const std::string_view name = set_of(self).scheme().name();
    return PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
}

PyObject* to_vers_entry(PyObject* self, PyObject*) { return str_slot(self); }

// Pickles and copies as the canonical vers URI, which reads back to an equal range.
PyObject* reduce_entry(PyObject* self, PyObject*) {
    PyRef from_vers(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(self)), "from_vers"));
    if (!from_vers) return nullptr;
    PyRef uri(str_slot(self));
    if (!uri) return nullptr;
    return Py_BuildValue("(O(O))", from_vers.get(), uri.get());
}

PyGetSetDef GETSETS[] = {
    {"ecosystem", ecosystem_getter, nullptr, "The ecosystem's name (its purl type): 'npm', 'pypi', 'deb', ...", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef METHODS[] = {
    {"from_native", as_py_cfunction(from_native_entry), METH_FASTCALL | METH_KEYWORDS | METH_CLASS,
     "from_native($type, text, ecosystem, *, prereleases=None)\n--\n\n"
     "The range that `text` states in the ecosystem's own range syntax. prereleases=None\n"
     "follows the ecosystem tool's own rule for pre-releases; True admits them like any\n"
     "version, False admits none."},
    {"from_vers", as_py_cfunction(from_vers_entry), METH_FASTCALL | METH_KEYWORDS | METH_CLASS,
     "from_vers($type, uri)\n--\n\nThe range of a vers URI, such as 'vers:npm/>=1.0.0|<2.0.0'."},
    {"from_osv", as_py_cfunction(from_osv_entry), METH_FASTCALL | METH_KEYWORDS | METH_CLASS,
     "from_osv($type, range_object, ecosystem)\n--\n\n"
     "The versions an OSV affected[].ranges[] object (a dict, as in OSV JSON) of type\n"
     "ECOSYSTEM or SEMVER marks affected, evaluated as the OSV schema specifies."},
    {"from_affected", as_py_cfunction(from_affected_entry), METH_FASTCALL | METH_KEYWORDS | METH_CLASS,
     "from_affected($type, affected)\n--\n\n"
     "The versions a whole OSV affected entry marks affected: its ranges and its listed\n"
     "versions, in the ecosystem its package names."},
    {"contains", contains_entry, METH_O,
     "contains($self, version, /)\n--\n\nWhether the version (a str or tambry.Version) is in the range."},
    {"filter", filter_entry, METH_O,
     "filter($self, versions, /)\n--\n\nThe versions that are in the range, in their order: the caller's own objects."},
    {"max_satisfying", max_satisfying_entry, METH_O,
     "max_satisfying($self, versions, /)\n--\n\n"
     "The newest of the versions in the range (the last of equal newest ones), or None."},
    {"min_satisfying", min_satisfying_entry, METH_O,
     "min_satisfying($self, versions, /)\n--\n\n"
     "The oldest of the versions in the range (the first of equal oldest ones), or None."},
    {"issubset", issubset_entry, METH_O,
     "issubset($self, other, /)\n--\n\nWhether every version of this range is in the other."},
    {"isdisjoint", isdisjoint_entry, METH_O,
     "isdisjoint($self, other, /)\n--\n\nWhether the two ranges have no version in common."},
    {"intervals", as_py_cfunction(intervals_entry), METH_FASTCALL | METH_KEYWORDS,
     "intervals($self, prereleases=None)\n--\n\n"
     "The range as (lower, lower_inclusive, upper, upper_inclusive) tuples of version\n"
     "texts, None for an unbounded end. A range that treats pre-releases apart needs\n"
     "prereleases=True or False to say which of its two sets to give."},
    {"key_intervals", as_py_cfunction(key_intervals_entry), METH_FASTCALL | METH_KEYWORDS,
     "key_intervals($self, prereleases=None)\n--\n\n"
     "The same intervals with keys (tambry.native.key) for bounds: a version is in the\n"
     "range exactly when its key lies in one of them."},
    {"to_vers", to_vers_entry, METH_NOARGS,
     "to_vers($self, /)\n--\n\nThe canonical vers URI of the range, as str() gives it."},
    {"__reduce__", reduce_entry, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot SLOTS[] = {
    {Py_tp_doc, const_cast<char*>(
                    "A set of versions of one ecosystem, made by the class methods from the ecosystem's\n"
                    "own range syntax, a vers URI or an OSV range. Ranges are immutable, compare equal\n"
                    "when they are the same set of keys, and combine with &, | and ~.")},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_slot)},
    {Py_tp_str, reinterpret_cast<void*>(str_slot)},
    {Py_tp_repr, reinterpret_cast<void*>(repr_slot)},
    {Py_tp_hash, reinterpret_cast<void*>(hash_slot)},
    {Py_tp_richcompare, reinterpret_cast<void*>(richcompare_slot)},
    {Py_nb_and, reinterpret_cast<void*>(and_slot)},
    {Py_nb_or, reinterpret_cast<void*>(or_slot)},
    {Py_nb_invert, reinterpret_cast<void*>(invert_slot)},
    {Py_sq_contains, reinterpret_cast<void*>(contains_slot)},
    {Py_tp_getset, GETSETS},
    {Py_tp_methods, METHODS},
    {0, nullptr},
};

PyType_Spec SPEC = {
    "tambry.ranges.VersionRange",
    sizeof(RangeObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    SLOTS,
};

}  // namespace

PyType_Spec& range_type_spec() { return SPEC; }

}  // namespace tambry::ranges
