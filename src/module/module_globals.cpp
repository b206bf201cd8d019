#include "module_globals.hpp"

#include <cstring>
#include <string_view>

#include "errors.hpp"
#include "version_object.hpp"

namespace tambry {

ModuleGlobals module_globals;

namespace {

PyRef intern(std::string_view text) {
    return PyRef(PyUnicode_InternFromString(std::string(text).c_str()));
}

// The interned names, in the slots that find_known_ecosystem_name probes; false
// with an exception set when one could not be made. The table is only filled
// once every name exists.
bool make_known_names(KnownEcosystemName (&table)[ModuleGlobals::KNOWN_NAME_SLOTS],
                      PyRef (&canonical)[Ecosystem::COUNT], std::vector<PyRef>& held) {
    const auto insert = [&](PyObject* name, bool is_auto, Ecosystem ecosystem) {
        const Py_hash_t hash = PyObject_Hash(name);
        std::size_t slot = known_name_slot(hash);
        while (table[slot].name && table[slot].name != name) slot = (slot + 1) % ModuleGlobals::KNOWN_NAME_SLOTS;
        table[slot] = {name, hash, is_auto, ecosystem};
    };
    for (const EcosystemName& entry : ecosystem_names()) {
        PyRef name = intern(entry.name);
        if (!name) return false;
        if (entry.name == entry.ecosystem.name()) canonical[entry.ecosystem] = PyRef::borrow(name.get());
        held.push_back(std::move(name));
    }
    PyRef auto_name = intern("auto");
    if (!auto_name) return false;
    held.push_back(std::move(auto_name));
    for (std::size_t k = 0; k + 1 < held.size(); ++k) insert(held[k].get(), false, ecosystem_names()[k].ecosystem);
    insert(held.back().get(), true, Ecosystem::Generic);
    return true;
}

}  // namespace

bool ensure_module_globals() {
    if (module_globals.version_type) return true;
    PyRef internal_error(PyErr_NewException("tambry.InternalError", PyExc_BaseException, nullptr));
    if (!internal_error) return false;
    PyRef version_type(reinterpret_cast<PyObject*>(create_version_type()));
    if (!version_type) return false;
    PyRef orderings[3];
    for (int i = 0; i < 3; ++i) {
        orderings[i] = PyRef(PyLong_FromLong(i - 1));
        if (!orderings[i]) return false;
    }
    KnownEcosystemName known_names[ModuleGlobals::KNOWN_NAME_SLOTS] = {};
    PyRef canonical[Ecosystem::COUNT];
    std::vector<PyRef> held;
    if (!make_known_names(known_names, canonical, held)) return false;
    PyRef module_name = intern("tambry");
    PyRef version_name = intern("version");
    if (!module_name || !version_name || !intern_parameter_names()) return false;
    // Last, as nothing after it can fail: copyreg never holds a type left unkept here.
    if (!register_version_reducer(reinterpret_cast<PyTypeObject*>(version_type.get()))) return false;
    // Everything was made: only now is any of it kept.
    module_globals.internal_error = internal_error.release();
    module_globals.version_type = reinterpret_cast<PyTypeObject*>(version_type.release());
    for (int i = 0; i < 3; ++i) module_globals.orderings[i] = orderings[i].release();
    for (int i = 0; i < Ecosystem::COUNT; ++i) module_globals.ecosystem_strs[i] = canonical[i].release();
    for (PyRef& name : held) name.release();
    module_globals.module_name = module_name.release();
    module_globals.version_name = version_name.release();
    for (std::size_t slot = 0; slot < ModuleGlobals::KNOWN_NAME_SLOTS; ++slot) {
        module_globals.known_names[slot] = known_names[slot];
    }
    return true;
}

// The accepted names are ASCII; a str of any other kind is never one of them.
bool same_ascii_text(PyObject* a, PyObject* b) {
    if (!PyUnicode_IS_COMPACT_ASCII(b) || PyUnicode_GET_LENGTH(a) != PyUnicode_GET_LENGTH(b)) return false;
    return std::memcmp(PyUnicode_DATA(a), PyUnicode_DATA(b), static_cast<std::size_t>(PyUnicode_GET_LENGTH(a))) == 0;
}

PyObject* raise_internal_error(std::string_view message) {
    return raise_with_text(module_globals.internal_error, message);
}

}  // namespace tambry
