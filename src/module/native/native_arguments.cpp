// How the native entries read their arguments: ecosystem names, version operands,
// and the InvalidVersion they raise.
#include <string>

#include "binder.hpp"
#include "native/native_module.hpp"
#include "native/version_items.hpp"

namespace tambry::native {

bool convert_native_ecosystem(PyObject* obj, NativeEcosystem& out) {
    std::string_view name;
    if (!convert_text("ecosystem", obj, name)) return false;
    if (const auto found = native_ecosystem_from_name(name)) {
        out = *found;
        return true;
    }
    std::string message = "unsupported ecosystem '";
    message.append(name);
    message.append("'; expected one of: ");
    bool first = true;
    for (std::string_view accepted : accepted_native_names()) {
        if (!first) message.append(", ");
        message.append(accepted);
        first = false;
    }
    PyRef text(PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), "replace"));
    if (text) PyErr_SetObject(PyExc_ValueError, text.get());
    return false;
}

bool version_text(const NativeState& state, PyObject* obj, std::string_view& out, PyRef& holder) {
    if (!PyUnicode_Check(obj)) {
        if (!Py_IS_TYPE(obj, reinterpret_cast<PyTypeObject*>(state.version_type))) {
            PyErr_SetString(PyExc_TypeError, "expected Version or str");
            return false;
        }
        // A Version's str is its raw text, made afresh: `holder` keeps it alive as
        // long as the view is read.
        holder = PyRef(PyObject_Str(obj));
        if (!holder) return false;
        obj = holder.get();
    }
    return text_of_str(obj, out, holder);
}

bool text_of_str(PyObject* str, std::string_view& out, PyRef& holder) {
    if (utf8_of_str(str, out)) return true;
    // A str with lone surrogates has no UTF-8; its surrogates are passed on as the
    // bytes they would take, which a scheme may accept (Maven takes any text).
    PyErr_Clear();
    holder = PyRef(PyUnicode_AsEncodedString(str, "utf-8", "surrogatepass"));
    if (!holder) return false;
    out = {PyBytes_AS_STRING(holder.get()), static_cast<std::size_t>(PyBytes_GET_SIZE(holder.get()))};
    return true;
}

PyObject* str_of_text(std::string_view text) {
    return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogatepass");
}

bool convert_invalid_mode(PyObject* obj, bool& nulls) {
    nulls = false;
    if (!obj) return true;
    std::string_view mode;
    if (!convert_text("invalid", obj, mode)) return false;
    if (mode != "raise" && mode != "null") {
        PyErr_Format(PyExc_ValueError, "invalid must be 'raise' or 'null', not %R", obj);
        return false;
    }
    nulls = mode == "null";
    return true;
}

PyObject* raise_invalid_version(const NativeState& state, NativeEcosystem ecosystem, std::string_view text,
                                Py_ssize_t index) {
    PyRef version(str_of_text(text));
    if (!version) return nullptr;
    const std::string_view name = native_name(ecosystem);
    PyRef eco(PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size())));
    if (!eco) return nullptr;
    PyRef message(index < 0 ? PyUnicode_FromFormat("invalid %U version: '%U'", eco.get(), version.get())
                            : PyUnicode_FromFormat("invalid %U version at index %zd: '%U'", eco.get(), index,
                                                   version.get()));
    if (!message) return nullptr;
    PyRef error(PyObject_CallOneArg(state.invalid_version, message.get()));
    if (!error) return nullptr;
    PyRef place(index < 0 ? Py_NewRef(Py_None) : PyLong_FromSsize_t(index));
    if (!place || PyObject_SetAttrString(error.get(), "version", version.get()) < 0 ||
        PyObject_SetAttrString(error.get(), "ecosystem", eco.get()) < 0 ||
        PyObject_SetAttrString(error.get(), "index", place.get()) < 0) {
        return nullptr;
    }
    PyErr_SetObject(state.invalid_version, error.get());
    return nullptr;
}

}  // namespace tambry::native
