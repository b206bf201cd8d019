#include "ecosystem_names.hpp"

#include <array>
#include <cstddef>

namespace tambry {
namespace {

struct Slot {
    Py_hash_t hash = 0;
    std::string_view name;
    Ecosystem ecosystem;
    bool used = false;
};

constexpr std::size_t SLOT_COUNT = 128;  // a power of two, well above the forty names

using Table = std::array<Slot, SLOT_COUNT>;

// The hashes of str depend on the process's hash seed, so the table is made at
// run time, once; null if the interpreter could not hash a name.
const Table* table() {
    static const Table* built = [] {
        static Table slots;
        for (const EcosystemName& entry : accepted_ecosystem_names()) {
            PyRef name(PyUnicode_FromStringAndSize(entry.name.data(), static_cast<Py_ssize_t>(entry.name.size())));
            const Py_hash_t hash = name ? PyObject_Hash(name.get()) : -1;
            if (hash == -1) {
                PyErr_Clear();
                return static_cast<const Table*>(nullptr);
            }
            std::size_t i = static_cast<std::size_t>(hash) & (SLOT_COUNT - 1);
            while (slots[i].used) i = (i + 1) & (SLOT_COUNT - 1);
            slots[i] = {hash, entry.name, Ecosystem(entry.value), true};
        }
        return static_cast<const Table*>(&slots);
    }();
    return built;
}

}  // namespace

bool find_listed_name(PyObject* name, std::string_view text, Ecosystem& out) {
    // A str that has not been hashed yet caches -1; it takes the full lookup.
    const Py_hash_t hash = reinterpret_cast<PyASCIIObject*>(name)->hash;
    const Table* slots = table();
    if (hash == -1 || !slots) return false;
    for (std::size_t i = static_cast<std::size_t>(hash) & (SLOT_COUNT - 1);; i = (i + 1) & (SLOT_COUNT - 1)) {
        const Slot& slot = (*slots)[i];
        if (!slot.used) return false;
        if (slot.hash == hash && slot.name == text) {
            out = slot.ecosystem;
            return true;
        }
    }
}

}  // namespace tambry
