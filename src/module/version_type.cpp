// The Python class Version: construction, read-only views, ordering on the stored
// generic parse, hashing and sort keys.
#include <cstddef>
#include <cstring>
#include <string>

#include "binder.hpp"
#include "errors.hpp"
#include "functions.hpp"
#include "operands.hpp"
#include "version_object.hpp"

namespace tambry {
namespace {

// An object with room for the text and its packed parse, the text copied in and
// everything but the packed stream filled; null with an exception set.
PyVersion* allocate_version(std::string_view text, bool ascii, Ecosystem ecosystem, const PackedText& packed) {
    if (text.size() > PyVersion::MAX_RAW_SIZE) return reinterpret_cast<PyVersion*>(PyErr_NoMemory());
    void* memory = PyObject_Malloc(offsetof(PyVersion, data) + text.size() + packed.size);
    if (!memory) return reinterpret_cast<PyVersion*>(PyErr_NoMemory());
    PyObject* obj = PyObject_Init(static_cast<PyObject*>(memory), module_globals.version_type);
    auto* version = reinterpret_cast<PyVersion*>(obj);
    version->hash = -1;
    version->packed_size = packed.size;
    version->raw_size = text.size();
    version->ecosystem_value = ecosystem;
    version->is_prerelease = packed.is_prerelease;
    version->is_postrelease = packed.is_postrelease;
    version->raw_is_ascii = ascii;
    if (!text.empty()) std::memcpy(version->data, text.data(), text.size());
    return version;
}

// Texts up to this long are packed on the stack and copied into the object; a
// longer one is measured first and packed in place, so that making an object
// never needs more memory than the object itself.
constexpr std::size_t PACKED_ON_STACK = 256;

// A new Version object, or null with an exception set. `ascii` tells that the text
// came from an ASCII str.
PyObject* make_version(std::string_view text, bool ascii, Ecosystem ecosystem) {
    if (text.size() <= PACKED_ON_STACK) {
        unsigned char stream[packed_size_bound(PACKED_ON_STACK)];
        const PackedText packed = pack_generic_text(text, stream);
        PyVersion* version = allocate_version(text, ascii, ecosystem, packed);
        if (!version) return nullptr;
        std::memcpy(version->data + text.size(), stream, packed.size);
        return reinterpret_cast<PyObject*>(version);
    }
    PyVersion* version = allocate_version(text, ascii, ecosystem, measure_generic_text(text));
    if (!version) return nullptr;
    pack_generic_text(text, version->data + text.size());
    return reinterpret_cast<PyObject*>(version);
}

const PyVersion* self_of(PyObject* obj) { return as_version(obj); }

PyObject* text_to_str(std::string_view text) {
    return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogateescape");
}

// The str of bytes known to be ASCII: what text_to_str gives, without decoding.
PyObject* ascii_to_str(std::string_view text) {
    PyObject* str = PyUnicode_New(static_cast<Py_ssize_t>(text.size()), 127);
    if (str && !text.empty()) std::memcpy(PyUnicode_1BYTE_DATA(str), text.data(), text.size());
    return str;
}

// A piece of the raw text: ASCII when the whole of it is.
PyObject* raw_piece_to_str(const PyVersion* v, std::string_view piece) {
    return v->raw_is_ascii ? ascii_to_str(piece) : text_to_str(piece);
}

// Words are runs of ASCII letters, or "~" or "^".
PyObject* segment_to_object(const SegmentToken& token) {
    if (token.is_num) return PyLong_FromUnsignedLongLong(token.num);
    return ascii_to_str(token.word);
}

std::size_t segment_count(const PyVersion* v) {
    PackedCursor cursor = v->segments();
    SegmentToken token;
    std::size_t n = 0;
    while (cursor.next(token)) ++n;
    return n;
}

// The segment at position p; false when there are not that many.
bool segment_at(const PyVersion* v, std::size_t p, SegmentToken& out) {
    PackedCursor cursor = v->segments();
    for (std::size_t i = 0; i <= p; ++i) {
        if (!cursor.next(out)) return false;
    }
    return true;
}

// The number at position p when there is one, else 0 (a word there counts as 0).
std::uint64_t number_at(const PyVersion* v, std::size_t p) {
    SegmentToken token;
    if (!segment_at(v, p, token) || !token.is_num) return 0;
    return token.num;
}

// --- construction ------------------------------------------------------------

// Both constructors: the text, then the ecosystem ("auto" when left out).
PyObject* construct(const char* text_parameter, PyObject* text_obj, PyObject* ecosystem_obj) {
    std::string_view text;
    Ecosystem ecosystem;
    if (!convert_text(text_parameter, text_obj, text) ||
        !resolve_ecosystem_argument(ecosystem_obj, text_obj, ecosystem, /*left_out_means_auto=*/true)) {
        return nullptr;
    }
    return make_version(text, PyUnicode_IS_COMPACT_ASCII(text_obj), ecosystem);
}

constexpr Param NEW_PARAMS[] = {Param::Version, Param::Ecosystem};
constexpr ParamSpec NEW_SPEC = {"__new__", "Version", NEW_PARAMS, 2, 1};

PyObject* version_new(PyTypeObject*, PyObject* args, PyObject* kwargs) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2] = {};
        if (!bind_tuple_dict(NEW_SPEC, args, kwargs, slots)) return nullptr;
        return construct("version", slots[0], slots[1]);
    });
}

// Calling the class: the same binding and construction as __new__, from the
// caller's own argument array, without the tuple and dict that __new__ takes.
PyObject* version_vectorcall(PyObject*, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2] = {};
        if (!bind_fastcall(NEW_SPEC, args, PyVectorcall_NARGS(nargsf), kwnames, slots)) return nullptr;
        return construct("version", slots[0], slots[1]);
    });
}

void version_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    PyObject_Free(self);
    Py_DECREF(type);
}

// --- views ---------------------------------------------------------------------

PyObject* get_raw(PyObject* self, void*) { return raw_piece_to_str(self_of(self), self_of(self)->raw()); }
PyObject* get_ecosystem(PyObject* self, void*) {
    return Py_NewRef(module_globals.ecosystem_strs[self_of(self)->ecosystem()]);
}
PyObject* get_epoch(PyObject* self, void*) { return PyLong_FromUnsignedLongLong(self_of(self)->segments().epoch()); }
PyObject* get_build(PyObject* self, void*) { return raw_piece_to_str(self_of(self), self_of(self)->build()); }
PyObject* get_is_prerelease(PyObject* self, void*) { return PyBool_FromLong(self_of(self)->is_prerelease); }
PyObject* get_is_postrelease(PyObject* self, void*) { return PyBool_FromLong(self_of(self)->is_postrelease); }
PyObject* get_count(PyObject* self, void*) { return PyLong_FromSize_t(segment_count(self_of(self))); }
PyObject* get_major(PyObject* self, void*) { return PyLong_FromUnsignedLongLong(number_at(self_of(self), 0)); }
PyObject* get_minor(PyObject* self, void*) { return PyLong_FromUnsignedLongLong(number_at(self_of(self), 1)); }
PyObject* get_patch(PyObject* self, void*) { return PyLong_FromUnsignedLongLong(number_at(self_of(self), 2)); }

// A tuple of the first `count` segments, each made by `convert`.
template <class Convert>
PyObject* segments_tuple(const PyVersion* v, std::size_t count, Convert convert) {
    PyRef tuple(PyTuple_New(static_cast<Py_ssize_t>(count)));
    if (!tuple) return nullptr;
    PackedCursor cursor = v->segments();
    SegmentToken token;
    for (std::size_t i = 0; i < count && cursor.next(token); ++i) {
        PyObject* item = convert(token);
        if (!item) return nullptr;
        PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(i), item);
    }
    return tuple.release();
}

PyObject* segments_method(PyObject* self, PyObject*) {
    const PyVersion* v = self_of(self);
    return segments_tuple(v, segment_count(v), segment_to_object);
}

// The numbers before the first word.
PyObject* release_method(PyObject* self, PyObject*) {
    const PyVersion* v = self_of(self);
    PackedCursor cursor = v->segments();
    SegmentToken token;
    std::size_t n = 0;
    while (cursor.next(token) && token.is_num) ++n;
    return segments_tuple(v, n, [](const SegmentToken& number) { return PyLong_FromUnsignedLongLong(number.num); });
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
    return raw_piece_to_str(self_of(self), text);
}

Py_ssize_t length_slot(PyObject* self) { return static_cast<Py_ssize_t>(segment_count(self_of(self))); }

int bool_slot(PyObject* self) { return !self_of(self)->segments().at_end(); }

PyObject* subscript_slot(PyObject* self, PyObject* key) {
    long long index;
    if (!convert_index("idx", key, index)) return nullptr;
    const PyVersion* v = self_of(self);
    const long long n = static_cast<long long>(segment_count(v));
    const long long position = index < 0 ? index + n : index;
    SegmentToken token;
    if (position < 0 || position >= n || !segment_at(v, static_cast<std::size_t>(position), token)) {
        PyErr_Format(PyExc_IndexError, "segment index %lld out of range (version has %lld segments)", index, n);
        return nullptr;
    }
    return segment_to_object(token);
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
    auto* v = reinterpret_cast<PyVersion*>(self);
    if (v->hash == -1) v->hash = static_cast<Py_hash_t>(hash_packed(v->packed(), v->packed_size));
    return v->hash;
}

PyObject* triple(int kind, PyObject* number, std::string_view text) {
    PyRef number_ref(number);
    if (!number_ref) return nullptr;
    PyRef kind_obj(PyLong_FromLong(kind));
    PyRef text_obj(ascii_to_str(text));  // a word, or nothing
    if (!kind_obj || !text_obj) return nullptr;
    return PyTuple_Pack(3, kind_obj.get(), number_ref.get(), text_obj.get());
}

// The epoch, the sort key's items, then the end of the version.
PyObject* sort_key_method(PyObject* self, PyObject*) {
    const PyVersion* v = self_of(self);
    const SmallVec<SegmentToken, 16> items = sort_key_items(v->packed(), v->packed_size);
    PyRef key(PyTuple_New(static_cast<Py_ssize_t>(items.size() + 2)));
    if (!key) return nullptr;
    Py_ssize_t slot = 0;
    auto put = [&](PyObject* item) {
        if (!item) return false;
        PyTuple_SET_ITEM(key.get(), slot++, item);
        return true;
    };
    if (!put(triple(2, PyLong_FromUnsignedLongLong(v->segments().epoch()), ""))) return nullptr;
    for (const SegmentToken& item : items) {
        const bool ok = item.is_num
                            ? put(triple(2, PyLong_FromUnsignedLongLong(item.num), ""))
                            : put(triple(1, PyLong_FromLong(tag_weight(item.word).value_or(UNLISTED_WORD_WEIGHT)),
                                         item.word));
        if (!ok) return nullptr;
    }
    if (!put(triple(1, PyLong_FromLong(END_OF_VERSION_WEIGHT), ""))) return nullptr;
    return key.release();
}

constexpr Param COMPARE_PARAMS[] = {Param::Other, Param::Ecosystem};
constexpr ParamSpec COMPARE_SPEC = {"compare", "Version", COMPARE_PARAMS, 2, 1};

PyObject* compare_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2] = {};
        if (!bind_fastcall(COMPARE_SPEC, args, nargs, kwnames, slots)) return nullptr;
        Ecosystem ecosystem;
        if (!resolve_ecosystem_argument(slots[1], self, ecosystem)) return nullptr;
        Ordering o;
        if (!compare_operands(self, slots[0], ecosystem, o)) return nullptr;
        return ordering_to_int(o);
    });
}

// The module as its importers see it: the one in sys.modules, found with one look
// there rather than a run of the import system per pickled object.
PyRef imported_module() {
    if (PyObject* module = PyDict_GetItemWithError(PyImport_GetModuleDict(), module_globals.module_name)) {
        return PyRef::borrow(module);
    }
    if (PyErr_Occurred()) return PyRef();
    return PyRef(PyImport_Import(module_globals.module_name));
}

// The module's attribute `version`: for a module, straight from its dictionary.
PyRef version_attribute(PyObject* module) {
    if (PyModule_CheckExact(module)) {
        if (PyObject* found = PyDict_GetItemWithError(PyModule_GetDict(module), module_globals.version_name)) {
            return PyRef::borrow(found);
        }
        if (PyErr_Occurred()) return PyRef();
    }
    return PyRef(PyObject_GetAttr(module, module_globals.version_name));
}

// Pickling and copying go through the module function `version`, which pickle can
// find by name (the class itself reports the module "builtins").
PyObject* reduce_method(PyObject* self, PyObject*) {
    PyRef module = imported_module();
    if (!module) return nullptr;
    PyRef constructor = version_attribute(module.get());
    PyRef raw(get_raw(self, nullptr));
    PyRef ecosystem(get_ecosystem(self, nullptr));
    if (!constructor || !raw || !ecosystem) return nullptr;
    PyRef arguments(PyTuple_Pack(2, raw.get(), ecosystem.get()));
    if (!arguments) return nullptr;
    return PyTuple_Pack(2, constructor.get(), arguments.get());
}

// The same for pickle and copy, which look a type up in copyreg's dispatch table
// before anything else: through it, a Version is reduced by this one call, not by
// __reduce_ex__ looked up, bound and called, which then does the same for __reduce__.
PyObject* reduce_function(PyObject*, PyObject* version) {
    if (Py_TYPE(version) != module_globals.version_type) {
        raise_not_an_instance(version, "tambry.Version");
        return nullptr;
    }
    return reduce_method(version, nullptr);
}

PyMethodDef REDUCE_DEFINITION = {"_reduce_version", reduce_function, METH_O, nullptr};

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

constexpr Param VERSION_PARAMS[] = {Param::S, Param::Ecosystem};
constexpr ParamSpec VERSION_SPEC = {"version", nullptr, VERSION_PARAMS, 2, 1};

}  // namespace

bool register_version_reducer(PyTypeObject* type) {
    PyRef copyreg(PyImport_ImportModule("copyreg"));
    if (!copyreg) return false;
    PyRef reducer(PyCFunction_New(&REDUCE_DEFINITION, nullptr));
    if (!reducer) return false;
    PyRef done(PyObject_CallMethod(copyreg.get(), "pickle", "OO", reinterpret_cast<PyObject*>(type), reducer.get()));
    return static_cast<bool>(done);
}

PyTypeObject* create_version_type() {
    auto* type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&SPEC));
    // PyType_Spec has no slot for it before Python 3.14; the interpreter
    // reads the field whenever the class is called.
    if (type) type->tp_vectorcall = version_vectorcall;
    return type;
}

PyObject* version_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[2] = {};
        if (!bind_fastcall(VERSION_SPEC, args, nargs, kwnames, slots)) return nullptr;
        return construct("s", slots[0], slots[1]);
    });
}

}  // namespace tambry
