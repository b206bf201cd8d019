// The items of a `versions` argument for the entries that key every item in one
// pass (keys, key_array): a list or tuple is read in place, any other iterable is
// gathered into a list first.
//
// Reading the caller's list in place, without a reference to each item, is safe
// because no Python code runs while the items are keyed: a str is read as it is, a
// tambry.Version's text is made by its own C code, and keys are plain bytes objects,
// whose creation never starts the garbage collector (which could run finalizers).
// The first Python code to run is the raising of InvalidVersion, after which no
// item is read again.
#pragma once

#include <string_view>

#include "binder.hpp"
#include "native/native_module.hpp"

namespace tambry::native {

class VersionItems {
public:
    // False with the exception set when `versions` is a str or bytes, or not iterable.
    bool open(PyObject* versions) {
        if (PyUnicode_Check(versions) || PyBytes_Check(versions)) {
            PyErr_Format(PyExc_TypeError, "argument 'versions': expected an iterable of versions, not '%s'",
                         Py_TYPE(versions)->tp_name);
            return false;
        }
        sequence_ = (PyList_CheckExact(versions) || PyTuple_CheckExact(versions)) ? PyRef::borrow(versions)
                                                                                  : PyRef(PySequence_List(versions));
        if (!sequence_) return false;
        items_ = PySequence_Fast_ITEMS(sequence_.get());
        size_ = PySequence_Fast_GET_SIZE(sequence_.get());
        return true;
    }

    Py_ssize_t size() const { return size_; }
    PyObject* operator[](Py_ssize_t i) const { return items_[i]; }

    // Starts fetching the item some places after `i`. The items of a long list are
    // often scattered over the heap (built from many sources, or shuffled), and
    // reading each only when its turn comes would wait on memory every time.
    void prefetch_after(Py_ssize_t i) const {
        if (i + PREFETCH_DISTANCE < size_) __builtin_prefetch(items_[i + PREFETCH_DISTANCE]);
    }

private:
    static constexpr Py_ssize_t PREFETCH_DISTANCE = 16;

    PyRef sequence_;
    PyObject** items_ = nullptr;
    Py_ssize_t size_ = 0;
};

// version_text, with the common case first: an ASCII str is its own UTF-8.
inline bool item_text(const NativeState& state, PyObject* item, std::string_view& out, PyRef& holder) {
    if (PyUnicode_CheckExact(item) && PyUnicode_IS_COMPACT_ASCII(item)) {
        out = {static_cast<const char*>(PyUnicode_DATA(item)), static_cast<std::size_t>(PyUnicode_GET_LENGTH(item))};
        return true;
    }
    return version_text(state, item, out, holder);
}

// The `invalid` argument: false for "raise" (or left out), true for "null".
bool convert_invalid_mode(PyObject* obj, bool& nulls);

}  // namespace tambry::native
