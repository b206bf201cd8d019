// The Python class Version: construction, read-only views, ordering on the stored
// generic parse, hashing and sort keys.
#include <cstddef>
#include <cstring>
#include <string>

#include "autodetect.hpp"
#include "binder.hpp"
#include "errors.hpp"
#include "functions.hpp"
#include "generic_ordering.hpp"
#include "generic_parser.hpp"
#include "operands.hpp"
#include "version_hash.hpp"
#include "version_object.hpp"

namespace tambry {

PyTypeObject* version_type_object = nullptr;

ParsedVersion copy_parsed(const PyVersion& version) { return parse_generic(version.raw()); }

PyObject* make_version(std::string_view text, Ecosystem ecosystem) {
    GenericScan parsed;
    scan_generic(text, parsed);
    const std::size_t packed = packed_size(parsed.view());
    void* memory = PyObject_Malloc(offsetof(PyVersion, data) + text.size() + packed);
    if (!memory) return PyErr_NoMemory();
    PyObject* obj = PyObject_Init(static_cast<PyObject*>(memory), version_type_object);
    auto* version = reinterpret_cast<PyVersion*>(obj);
    version->raw_size = text.size();
    version->packed_size = packed;
    version->ecosystem = ecosystem;
    version->is_prerelease = parsed.is_prerelease;
    version->is_postrelease = parsed.is_postrelease;
    if (!text.empty()) std::memcpy(version->data, text.data(), text.size());
    pack_segments(parsed.view(), version->data + text.size());
    return obj;
}

namespace {

const PyVersion* self_of(PyObject* obj) { return as_version(obj); }

PyObject* text_to_str(std::string_view text) {
    return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogateescape");
}

PyObject* segment_to_object(const GenericView& view, const Seg& seg) {
    if (seg.is_num()) return PyLong_FromUnsignedLongLong(seg.num());
    return text_to_str(view.text(seg));
}

// The number at position p when there is one, else 0 (a word there counts as 0).
std::uint64_t number_at(const PyVersion* v, std::size_t p) {
    const UnpackedSegments unpacked = v->unpack();
    const GenericView view = unpacked.view();
    if (p >= view.segments.size() || !view.segments[p].is_num()) return 0;
    return view.segments[p].num();
}

// --- construction ------------------------------------------------------------

// Both constructors: the text, then the ecosystem ("auto" when left out).
PyObject* construct(const char* text_parameter, PyObject* text_obj, PyObject* ecosystem_obj) {
    std::string_view text;
    EcosystemArg arg;
    if (!convert_text(text_parameter, text_obj, text) || !convert_ecosystem_arg(ecosystem_obj, arg)) {
        return nullptr;
    }
    Ecosystem ecosystem;
    if (!arg.given || arg.is_auto()) {
        ecosystem = autodetect_ecosystem(text);
    } else if (!ecosystem_from_name(arg, ecosystem)) {
        return nullptr;
    }
    return make_version(text, ecosystem);
}

Param NEW_PARAMS[] = {{"version"}, {"ecosystem"}};
const ParamSpec NEW_SPEC = {"__new__", "Version", NEW_PARAMS, 2, 1};

PyObject* version_new(PyTypeObject*, PyObject* args, PyObject* kwargs) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2];
        if (!bind_tuple_dict(NEW_SPEC, args, kwargs, slots)) return nullptr;
        return construct("version", slots[0], slots[1]);
    });
}

void version_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    PyObject_Free(self);
    Py_DECREF(type);
}

// --- views ---------------------------------------------------------------------

PyObject* get_raw(PyObject* self, void*) { return text_to_str(self_of(self)->raw()); }
PyObject* get_ecosystem(PyObject* self, void*) { return text_to_str(self_of(self)->ecosystem.name()); }
PyObject* get_epoch(PyObject* self, void*) { return PyLong_FromUnsignedLongLong(self_of(self)->unpack().view().epoch); }
PyObject* get_build(PyObject* self, void*) { return text_to_str(self_of(self)->build()); }
PyObject* get_is_prerelease(PyObject* self, void*) { return PyBool_FromLong(self_of(self)->is_prerelease); }
PyObject* get_is_postrelease(PyObject* self, void*) { return PyBool_FromLong(self_of(self)->is_postrelease); }
PyObject* get_count(PyObject* self, void*) { return PyLong_FromSize_t(self_of(self)->unpack().view().segments.size()); }
PyObject* get_major(PyObject* self, void*) { return PyLong_FromUnsignedLongLong(number_at(self_of(self), 0)); }
PyObject* get_minor(PyObject* self, void*) { return PyLong_FromUnsignedLongLong(number_at(self_of(self), 1)); }
PyObject* get_patch(PyObject* self, void*) { return PyLong_FromUnsignedLongLong(number_at(self_of(self), 2)); }

PyObject* segments_method(PyObject* self, PyObject*) {
    const UnpackedSegments unpacked = self_of(self)->unpack();
    const GenericView view = unpacked.view();
    PyRef tuple(PyTuple_New(static_cast<Py_ssize_t>(view.segments.size())));
    if (!tuple) return nullptr;
    for (std::size_t i = 0; i < view.segments.size(); ++i) {
        PyObject* item = segment_to_object(view, view.segments[i]);
        if (!item) return nullptr;
        PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(i), item);
    }
    return tuple.release();
}

PyObject* release_method(PyObject* self, PyObject*) {
    const UnpackedSegments unpacked = self_of(self)->unpack();
    const GenericView view = unpacked.view();
    std::size_t n = 0;
    while (n < view.segments.size() && view.segments[n].is_num()) ++n;
    PyRef tuple(PyTuple_New(static_cast<Py_ssize_t>(n)));
    if (!tuple) return nullptr;
    for (std::size_t i = 0; i < n; ++i) {
        PyObject* item = PyLong_FromUnsignedLongLong(view.segments[i].num());
        if (!item) return nullptr;
        PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(i), item);
    }
    return tuple.release();
}

PyObject* to_dict_method(PyObject* self, PyObject*) {
    using Getter = PyObject* (*)(PyObject*, void*);
    static const struct {
        const char* key;
        Getter get;
    } FIELDS[] = {
        {"raw", get_raw},     {"epoch", get_epoch}, {"major", get_major},
        {"minor", get_minor}, {"patch", get_patch}, {"build", get_build},
        {"is_prerelease", get_is_prerelease},       {"is_postrelease", get_is_postrelease},
    };
    PyRef dict(PyDict_New());
    if (!dict) return nullptr;
    for (const auto& field : FIELDS) {
        PyRef value(field.get(self, nullptr));
        if (!value || PyDict_SetItemString(dict.get(), field.key, value.get()) < 0) return nullptr;
    }
    return dict.release();
}

PyObject* str_slot(PyObject* self) { return get_raw(self, nullptr); }

PyObject* repr_slot(PyObject* self) {
    const std::string_view raw = self_of(self)->raw();
    std::string text;
    text.reserve(raw.size() + 11);
    text += "Version('";
    text += raw;
    text += "')";
    return text_to_str(text);
}

Py_ssize_t length_slot(PyObject* self) {
    return static_cast<Py_ssize_t>(self_of(self)->unpack().view().segments.size());
}

// The packed stream always holds the epoch; anything after it is a segment.
int bool_slot(PyObject* self) {
    const PyVersion* v = self_of(self);
    return v->packed_size > 1u + v->data[v->raw_size];
}

PyObject* subscript_slot(PyObject* self, PyObject* key) {
    long long index;
    if (!convert_index("idx", key, index)) return nullptr;
    const UnpackedSegments unpacked = self_of(self)->unpack();
    const GenericView view = unpacked.view();
    const long long n = static_cast<long long>(view.segments.size());
    const long long position = index < 0 ? index + n : index;
    if (position < 0 || position >= n) {
        PyErr_Format(PyExc_IndexError, "segment index %lld out of range (version has %lld segments)", index, n);
        return nullptr;
    }
    return segment_to_object(view, view.segments[static_cast<std::size_t>(position)]);
}

// --- ordering, hashing, sort keys ------------------------------------------------

PyObject* richcompare_slot(PyObject* self, PyObject* other, int op) {
    if (!is_version(other)) Py_RETURN_NOTIMPLEMENTED;
    const PyVersion* a = self_of(self);
    const PyVersion* b = as_version(other);
    const Ordering o = cmp_packed(a->packed(), a->packed_size, b->packed(), b->packed_size);
    bool result;
    switch (op) {
        case Py_LT: result = o == Ordering::Less; break;
        case Py_LE: result = o != Ordering::Greater; break;
        case Py_EQ: result = o == Ordering::Equal; break;
        case Py_NE: result = o != Ordering::Equal; break;
        case Py_GT: result = o == Ordering::Greater; break;
        case Py_GE: result = o != Ordering::Less; break;
        default: Py_RETURN_NOTIMPLEMENTED;
    }
    return PyBool_FromLong(result);
}

Py_hash_t hash_slot(PyObject* self) {
    return static_cast<Py_hash_t>(hash_generic(self_of(self)->unpack().view()));
}

PyObject* triple(int kind, PyObject* number, std::string_view text) {
    PyRef number_ref(number);
    if (!number_ref) return nullptr;
    PyRef kind_obj(PyLong_FromLong(kind));
    PyRef text_obj(text_to_str(text));
    if (!kind_obj || !text_obj) return nullptr;
    return PyTuple_Pack(3, kind_obj.get(), number_ref.get(), text_obj.get());
}

PyObject* sort_key_method(PyObject* self, PyObject*) {
    const UnpackedSegments unpacked = self_of(self)->unpack();
    const GenericView view = unpacked.view();
    const SortKeyItems items = sort_key_items(view);
    const std::size_t count = items.leading_numbers + (items.significant - items.first_text) + 2;
    PyRef key(PyTuple_New(static_cast<Py_ssize_t>(count)));
    if (!key) return nullptr;
    Py_ssize_t slot = 0;
    auto put = [&](PyObject* item) {
        if (!item) return false;
        PyTuple_SET_ITEM(key.get(), slot++, item);
        return true;
    };
    auto put_segment = [&](const Seg& seg) {
        if (seg.is_num()) return put(triple(2, PyLong_FromUnsignedLongLong(seg.num()), ""));
        const std::string_view word = view.text(seg);
        const std::int32_t weight = tag_weight(word).value_or(UNLISTED_WORD_WEIGHT);
        return put(triple(1, PyLong_FromLong(weight), word));
    };
    if (!put(triple(2, PyLong_FromUnsignedLongLong(view.epoch), ""))) return nullptr;
    for (std::size_t i = 0; i < items.leading_numbers; ++i) {
        if (!put_segment(view.segments[i])) return nullptr;
    }
    for (std::size_t i = items.first_text; i < items.significant; ++i) {
        if (!put_segment(view.segments[i])) return nullptr;
    }
    if (!put(triple(1, PyLong_FromLong(END_OF_VERSION_WEIGHT), ""))) return nullptr;
    return key.release();
}

Param COMPARE_PARAMS[] = {{"other"}, {"ecosystem"}};
const ParamSpec COMPARE_SPEC = {"compare", "Version", COMPARE_PARAMS, 2, 1};

PyObject* compare_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2];
        if (!bind_fastcall(COMPARE_SPEC, args, nargs, kwnames, slots)) return nullptr;
        EcosystemArg arg;
        if (!convert_ecosystem_arg(slots[1], arg)) return nullptr;
        Ecosystem ecosystem;
        if (arg.is_auto()) {
            ecosystem = self_of(self)->ecosystem;
        } else if (!named_ecosystem(arg, Ecosystem::Generic, ecosystem)) {
            return nullptr;
        }
        ParsedRepr mine, theirs;
        Ordering o;
        if (!parse_text_for_ecosystem(self_of(self)->raw(), ecosystem, mine) ||
            !extract_parsed_for_ecosystem(slots[0], ecosystem, theirs) ||
            !compare_parsed(ecosystem, mine, theirs, o)) {
            return nullptr;
        }
        return ordering_to_int(o);
    });
}

// Pickling and copying go through the module function `version`, which pickle can
// find by name (the class itself reports the module "builtins").
PyObject* reduce_method(PyObject* self, PyObject*) {
    PyRef module(PyImport_ImportModule("tambry"));
    if (!module) return nullptr;
    PyRef constructor(PyObject_GetAttrString(module.get(), "version"));
    PyRef raw(get_raw(self, nullptr));
    PyRef ecosystem(get_ecosystem(self, nullptr));
    if (!constructor || !raw || !ecosystem) return nullptr;
    return Py_BuildValue("O(OO)", constructor.get(), raw.get(), ecosystem.get());
}

// --- the type ---------------------------------------------------------------------

PyGetSetDef GETSETS[] = {
    {"raw", get_raw, nullptr, "", nullptr},
    {"ecosystem", get_ecosystem, nullptr, "", nullptr},
    {"epoch", get_epoch, nullptr, "", nullptr},
    {"build", get_build, nullptr, "", nullptr},
    {"is_prerelease", get_is_prerelease, nullptr, "", nullptr},
    {"is_postrelease", get_is_postrelease, nullptr, "", nullptr},
    {"count", get_count, nullptr, "", nullptr},
    {"major", get_major, nullptr, "", nullptr},
    {"minor", get_minor, nullptr, "", nullptr},
    {"patch", get_patch, nullptr, "", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef METHODS[] = {
    {"segments", segments_method, METH_NOARGS, "segments($self)\n--\n\n"},
    {"release", release_method, METH_NOARGS, "release($self)\n--\n\n"},
    {"compare", as_py_cfunction(compare_method), METH_FASTCALL | METH_KEYWORDS,
     "compare($self, other, ecosystem=\"generic\")\n--\n\n"},
    {"to_dict", to_dict_method, METH_NOARGS, "to_dict($self)\n--\n\n"},
    {"sort_key", sort_key_method, METH_NOARGS, "sort_key($self)\n--\n\n"},
    {"__reduce__", reduce_method, METH_NOARGS, "__reduce__($self)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot SLOTS[] = {
    {Py_tp_doc, const_cast<char*>("Version(version, ecosystem=\"auto\")\n--\n\n")},
    {Py_tp_new, reinterpret_cast<void*>(version_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(version_dealloc)},
    {Py_tp_getset, GETSETS},
    {Py_tp_methods, METHODS},
    {Py_tp_richcompare, reinterpret_cast<void*>(richcompare_slot)},
    {Py_tp_str, reinterpret_cast<void*>(str_slot)},
    {Py_tp_repr, reinterpret_cast<void*>(repr_slot)},
    {Py_tp_hash, reinterpret_cast<void*>(hash_slot)},
    {Py_mp_length, reinterpret_cast<void*>(length_slot)},
    {Py_mp_subscript, reinterpret_cast<void*>(subscript_slot)},
    {Py_nb_bool, reinterpret_cast<void*>(bool_slot)},
    {0, nullptr},
};

PyType_Spec SPEC = {
    "builtins.Version",
    static_cast<int>(sizeof(PyVersion)),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE,
    SLOTS,
};

Param VERSION_PARAMS[] = {{"s"}, {"ecosystem"}};
const ParamSpec VERSION_SPEC = {"version", nullptr, VERSION_PARAMS, 2, 1};

}  // namespace

PyTypeObject* ensure_version_type() {
    if (!version_type_object) {
        version_type_object = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&SPEC));
    }
    return version_type_object;
}

PyObject* version_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2];
        if (!bind_fastcall(VERSION_SPEC, args, nargs, kwnames, slots)) return nullptr;
        return construct("s", slots[0], slots[1]);
    });
}

}  // namespace tambry
