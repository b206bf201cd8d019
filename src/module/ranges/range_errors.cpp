// The exceptions a range that cannot be read raises.
#include "ranges/ranges_module.hpp"

namespace tambry::ranges {
namespace {

PyObject* text_to_str(std::string_view text, const char* errors) {
    return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), errors);
}

// A message quotes the caller's text, which may hold lone surrogates: they come
// back as they went in. A quote cut inside a character falls back to U+FFFD.
PyObject* message_to_str(std::string_view message) {
    if (PyObject* exact = text_to_str(message, "surrogatepass")) return exact;
    if (!PyErr_ExceptionMatches(PyExc_UnicodeDecodeError)) return nullptr;
    PyErr_Clear();
    return text_to_str(message, "replace");
}

// tambry.native.InvalidVersion with the range's message, and the attributes every
// InvalidVersion carries: the version, the ecosystem, and no index.
PyObject* raise_invalid_version_in_range(const RangesState& state, const RangeError& error) {
    PyRef message(message_to_str(error.message));
    PyRef version(text_to_str(error.version, "surrogatepass"));
    PyRef eco(text_to_str(error.ecosystem, "strict"));
    if (!message || !version || !eco) return nullptr;
    PyRef exception(PyObject_CallOneArg(state.native.invalid_version, message.get()));
    if (!exception || PyObject_SetAttrString(exception.get(), "version", version.get()) < 0 ||
        PyObject_SetAttrString(exception.get(), "ecosystem", eco.get()) < 0 ||
        PyObject_SetAttrString(exception.get(), "index", Py_None) < 0) {
        return nullptr;
    }
    PyErr_SetObject(state.native.invalid_version, exception.get());
    return nullptr;
}

}  // namespace

PyObject* raise_range_error(const RangesState& state, const RangeError& error) {
    switch (error.kind) {
        case RangeError::Kind::InvalidVersion:
            return raise_invalid_version_in_range(state, error);
        case RangeError::Kind::Unsupported:
        case RangeError::Kind::Malformed:
            break;
    }
    PyRef message(message_to_str(error.message));
    if (!message) return nullptr;
    PyErr_SetObject(error.kind == RangeError::Kind::Unsupported ? PyExc_NotImplementedError : PyExc_ValueError,
                    message.get());
    return nullptr;
}

}  // namespace tambry::ranges
