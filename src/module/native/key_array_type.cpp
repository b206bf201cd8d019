// key_array and its KeyArray: the keys of many versions in one Arrow binary
// column, which any Arrow consumer (pyarrow, Polars, DuckDB, ...) takes through
// the Arrow PyCapsule interface without copying it and without tambry knowing the
// consumer. A KeyArray never changes; every export shares its buffers.
#include <memory>
#include <new>

#include "binder.hpp"
#include "functions.hpp"
#include "native/key_arrow_export.hpp"
#include "native/native_module.hpp"
#include "native/version_items.hpp"

namespace tambry::native {
namespace {

constexpr const char* SCHEMA_CAPSULE = "arrow_schema";
constexpr const char* ARRAY_CAPSULE = "arrow_array";
constexpr const char* STREAM_CAPSULE = "arrow_array_stream";

struct KeyArrayObject {
    PyObject_HEAD
    SharedKeyBatch batch;
};

KeyArrayObject* self_of(PyObject* self) { return reinterpret_cast<KeyArrayObject*>(self); }
const KeyBatch& batch_of(PyObject* self) { return *self_of(self)->batch; }

constexpr Param KEY_ARRAY_PARAMS[] = {Param::Versions, Param::Ecosystem, Param::Invalid};
const ParamSpec KEY_ARRAY_SPEC = {"key_array", nullptr, KEY_ARRAY_PARAMS, 3, 2};
constexpr Param EXPORT_PARAMS[] = {Param::RequestedSchema};
const ParamSpec ARRAY_EXPORT_SPEC = {"__arrow_c_array__", "KeyArray", EXPORT_PARAMS, 1, 0};
const ParamSpec STREAM_EXPORT_SPEC = {"__arrow_c_stream__", "KeyArray", EXPORT_PARAMS, 1, 0};

// A capsule's struct is released when the capsule goes, unless a consumer has
// moved it out (leaving its release callback null).
void free_schema_capsule(PyObject* capsule) {
    auto* schema = static_cast<ArrowSchema*>(PyCapsule_GetPointer(capsule, SCHEMA_CAPSULE));
    if (schema && schema->release) schema->release(schema);
    delete schema;
}

void free_array_capsule(PyObject* capsule) {
    auto* array = static_cast<ArrowArray*>(PyCapsule_GetPointer(capsule, ARRAY_CAPSULE));
    if (array && array->release) array->release(array);
    delete array;
}

void free_stream_capsule(PyObject* capsule) {
    auto* stream = static_cast<ArrowArrayStream*>(PyCapsule_GetPointer(capsule, STREAM_CAPSULE));
    if (stream && stream->release) stream->release(stream);
    delete stream;
}

// Wraps a struct that export() fills; the capsule owns it from then on.
template <class Struct, class Export>
PyObject* capsule_of(const char* name, PyCapsule_Destructor destructor, Export&& export_to) {
    auto owned = std::make_unique<Struct>();
    if (!export_to(owned.get())) return PyErr_NoMemory();
    PyObject* capsule = PyCapsule_New(owned.get(), name, destructor);
    if (!capsule) {
        owned->release(owned.get());
        return nullptr;
    }
    owned.release();
    return capsule;
}

PyObject* schema_capsule(const KeyBatch& batch) {
    return capsule_of<ArrowSchema>(SCHEMA_CAPSULE, free_schema_capsule,
                                   [&](ArrowSchema* out) { return export_key_schema(batch, out); });
}

// The requested schema is a hint that a producer may leave aside; the column is
// only ever binary, and the consumer casts if it wants another type.
PyObject* arrow_c_array_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[1] = {};
        if (!bind_fastcall(ARRAY_EXPORT_SPEC, args, nargs, kwnames, slots)) return nullptr;
        const SharedKeyBatch& batch = self_of(self)->batch;
        PyRef schema(schema_capsule(*batch));
        if (!schema) return nullptr;
        PyRef array(capsule_of<ArrowArray>(ARRAY_CAPSULE, free_array_capsule,
                                           [&](ArrowArray* out) { return export_key_array(batch, out); }));
        if (!array) return nullptr;
        return PyTuple_Pack(2, schema.get(), array.get());
    });
}

PyObject* arrow_c_stream_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[1] = {};
        if (!bind_fastcall(STREAM_EXPORT_SPEC, args, nargs, kwnames, slots)) return nullptr;
        const SharedKeyBatch& batch = self_of(self)->batch;
        return capsule_of<ArrowArrayStream>(STREAM_CAPSULE, free_stream_capsule, [&](ArrowArrayStream* out) {
            return export_key_stream(batch, out);
        });
    });
}

PyObject* item_of(const KeyBatch& batch, std::size_t i) {
    if (batch.is_null(i)) return Py_NewRef(Py_None);
    const auto key = batch.key(i);
    return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(key.data()), static_cast<Py_ssize_t>(key.size()));
}

PyObject* to_pylist_method(PyObject* self, PyObject*) {
    const KeyBatch& batch = batch_of(self);
    PyRef result(PyList_New(static_cast<Py_ssize_t>(batch.size())));
    if (!result) return nullptr;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        PyObject* item = item_of(batch, i);
        if (!item) return nullptr;
        PyList_SET_ITEM(result.get(), static_cast<Py_ssize_t>(i), item);
    }
    return result.release();
}

Py_ssize_t length_slot(PyObject* self) { return static_cast<Py_ssize_t>(batch_of(self).size()); }

// Negative indexes are made positive by the interpreter before this is called.
PyObject* item_slot(PyObject* self, Py_ssize_t i) {
    const KeyBatch& batch = batch_of(self);
    if (i < 0 || static_cast<std::size_t>(i) >= batch.size()) {
        PyErr_SetString(PyExc_IndexError, "KeyArray index out of range");
        return nullptr;
    }
    return item_of(batch, static_cast<std::size_t>(i));
}

PyObject* repr_slot(PyObject* self) {
    const KeyBatch& batch = batch_of(self);
    const std::string_view name = native_name(batch.ecosystem());
    PyRef eco(PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size())));
    if (!eco) return nullptr;
    return PyUnicode_FromFormat("<KeyArray of %zu %U keys, %zu null>", batch.size(), eco.get(), batch.null_count());
}

PyObject* ecosystem_getter(PyObject* self, void*) {
    const std::string_view name = native_name(batch_of(self).ecosystem());
    return PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
}

PyObject* null_count_getter(PyObject* self, void*) { return PyLong_FromSize_t(batch_of(self).null_count()); }

PyObject* nbytes_getter(PyObject* self, void*) { return PyLong_FromSize_t(batch_of(self).arena().size()); }

// For tests that check that every export is released: this array and each live
// export hold one share of the buffers.
PyObject* shares_getter(PyObject* self, void*) {
    return PyLong_FromLong(static_cast<long>(self_of(self)->batch.use_count()));
}

void dealloc_slot(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    self_of(self)->batch.~SharedKeyBatch();
    type->tp_free(self);
    Py_DECREF(type);
}

PyMethodDef METHODS[] = {
    {"__arrow_c_array__", as_py_cfunction(arrow_c_array_method), METH_FASTCALL | METH_KEYWORDS,
     "__arrow_c_array__($self, requested_schema=None)\n--\n\n"
     "The keys as an Arrow binary column: a pair of PyCapsules holding an ArrowSchema\n"
     "and an ArrowArray that share this array's buffers."},
    {"__arrow_c_stream__", as_py_cfunction(arrow_c_stream_method), METH_FASTCALL | METH_KEYWORDS,
     "__arrow_c_stream__($self, requested_schema=None)\n--\n\n"
     "The keys as an Arrow stream of one chunk, in a PyCapsule holding an\n"
     "ArrowArrayStream that shares this array's buffers."},
    {"to_pylist", to_pylist_method, METH_NOARGS,
     "to_pylist($self)\n--\n\nThe keys as a list of bytes, None where a version was invalid."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef GETSET[] = {
    {"ecosystem", ecosystem_getter, nullptr, "The ecosystem whose keys these are, as its purl type.", nullptr},
    {"null_count", null_count_getter, nullptr, "How many slots hold no key (invalid versions).", nullptr},
    {"nbytes", nbytes_getter, nullptr, "The size of all keys together, in bytes.", nullptr},
    {"_shares", shares_getter, nullptr, "How many holders share the buffers: this array and each live export.",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot SLOTS[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_slot)},
    {Py_tp_repr, reinterpret_cast<void*>(repr_slot)},
    {Py_tp_methods, METHODS},
    {Py_tp_getset, GETSET},
    {Py_sq_length, reinterpret_cast<void*>(length_slot)},
    {Py_sq_item, reinterpret_cast<void*>(item_slot)},
    {Py_tp_doc, const_cast<char*>("The keys of many versions of one ecosystem as an Arrow binary column, made by\n"
                                  "key_array(). Arrow consumers take it without a copy through the Arrow\n"
                                  "PyCapsule interface: pyarrow.array(ka), polars.Series(ka), DuckDB scans.")},
    {0, nullptr},
};

PyType_Spec SPEC = {
    "tambry.native.KeyArray",
    static_cast<int>(sizeof(KeyArrayObject)),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    SLOTS,
};

// Keys every item into `batch`. A rejected item raises InvalidVersion naming its
// place, or with `nulls` leaves its slot empty.
bool key_items(const NativeState& state, NativeEcosystem ecosystem, const VersionItems& items, bool nulls,
               KeyBatch& batch) {
    batch.reserve(static_cast<std::size_t>(items.size()));
    for (Py_ssize_t i = 0; i < items.size(); ++i) {
        items.prefetch_after(i);
        std::string_view text;
        PyRef holder;
        if (!item_text(state, items[i], text, holder)) return false;
        if (!batch.add(text) && !nulls) {
            raise_invalid_version(state, ecosystem, text, i);
            return false;
        }
    }
    return true;
}

}  // namespace

PyObject* make_key_array_type(PyObject* module) {
    return PyType_FromModuleAndSpec(module, &SPEC, nullptr);
}

PyObject* key_array_entry(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return native_guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        PyObject* slots[3] = {};
        NativeEcosystem ecosystem;
        VersionItems items;
        bool nulls = false;
        if (!bind_fastcall(KEY_ARRAY_SPEC, args, nargs, kwnames, slots) ||
            !convert_native_ecosystem(slots[1], ecosystem) || !items.open(slots[0]) ||
            !convert_invalid_mode(slots[2], nulls)) {
            return nullptr;
        }
        const NativeState& state = state_of(module);
        auto batch = std::make_shared<KeyBatch>(ecosystem);
        if (!key_items(state, ecosystem, items, nulls, *batch)) return nullptr;
        auto* type = reinterpret_cast<PyTypeObject*>(state.key_array_type);
        PyObject* self = type->tp_alloc(type, 0);
        if (!self) return nullptr;
        new (&self_of(self)->batch) SharedKeyBatch(std::move(batch));
        return self;
    });
}

}  // namespace tambry::native
