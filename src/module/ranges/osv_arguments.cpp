// Reading OSV JSON objects (as json.loads gives them: dicts, lists, strs) into the
// core's plain OSV records. Every str read is held until the records are used, so
// nothing a caller's object does during the reading can free the text under them.
#include <string>

#include "binder.hpp"
#include "errors.hpp"
#include "ranges/osv_arguments.hpp"

namespace tambry::ranges {
namespace {

constexpr const char* EVENT_KEYS[] = {"introduced", "fixed", "last_affected", "limit"};
constexpr OsvEventKind EVENT_KINDS[] = {OsvEventKind::Introduced, OsvEventKind::Fixed, OsvEventKind::LastAffected,
                                        OsvEventKind::Limit};

bool fail(std::string_view head, const std::string& detail) {
    std::string message(head);
    message.append(": ");
    message.append(detail);
    PyErr_SetString(PyExc_ValueError, message.c_str());
    return false;
}

// The value under `key`, held, or null without an error when absent.
bool dict_item(PyObject* dict, const char* key, PyRef& out) {
    PyRef name(PyUnicode_InternFromString(key));
    if (!name) return false;
    PyObject* value = PyDict_GetItemWithError(dict, name.get());
    if (!value && PyErr_Occurred()) return false;
    out = PyRef::borrow(value);
    return true;
}

bool is_object(PyObject* obj) { return PyDict_Check(obj); }
bool is_array(PyObject* obj) { return PyList_Check(obj) || PyTuple_Check(obj); }

// The items of a list or tuple, each held.
std::vector<PyRef> items_of(PyObject* array) {
    PyRef fast(PySequence_Fast(array, ""));
    std::vector<PyRef> items;
    if (!fast) return items;
    const Py_ssize_t n = PySequence_Fast_GET_SIZE(fast.get());
    items.reserve(static_cast<std::size_t>(n));
    for (Py_ssize_t i = 0; i < n; ++i) items.push_back(PyRef::borrow(PySequence_Fast_GET_ITEM(fast.get(), i)));
    return items;
}

bool read_text(OsvDocument& doc, PyObject* value, std::string_view head, const std::string& path,
               std::string_view& out) {
    if (!PyUnicode_Check(value)) return fail(head, path + " must be a string");
    if (!utf8_of_str(value, out)) {
        PyErr_Clear();
        return fail(head, path + " is not valid text");
    }
    doc.held.push_back(PyRef::borrow(value));
    return true;
}

bool read_event(OsvDocument& doc, PyObject* event, std::string_view head, const std::string& path,
                OsvEvent& out) {
    if (!is_object(event)) return fail(head, path + " must be an object");
    int found = 0;
    for (std::size_t k = 0; k < std::size(EVENT_KEYS); ++k) {
        PyRef value;
        if (!dict_item(event, EVENT_KEYS[k], value)) return false;
        if (!value) continue;
        if (++found > 1) {
            return fail(head, path + " holds more than one of 'introduced', 'fixed', 'last_affected', 'limit'");
        }
        out.kind = EVENT_KINDS[k];
        if (!read_text(doc, value.get(), head, path + "." + EVENT_KEYS[k], out.version)) return false;
    }
    if (found == 0) return fail(head, path + " holds none of 'introduced', 'fixed', 'last_affected', 'limit'");
    return true;
}

}  // namespace

bool read_osv_range(OsvDocument& doc, PyObject* range, std::string_view head, const std::string& path) {
    if (!is_object(range)) return fail(head, path + " must be an object");
    OsvRange out{};
    PyRef type;
    if (!dict_item(range, "type", type)) return false;
    if (!type) return fail(head, path + (path.empty() ? "" : ".") + "type is missing");
    if (!read_text(doc, type.get(), head, path + (path.empty() ? "" : ".") + "type", out.type)) return false;
    PyRef events;
    if (!dict_item(range, "events", events)) return false;
    const std::string events_path = path + (path.empty() ? "" : ".") + "events";
    if (!events) return fail(head, events_path + " is missing");
    if (!is_array(events.get())) return fail(head, events_path + " must be an array");
    const std::vector<PyRef> items = items_of(events.get());
    if (PyErr_Occurred()) return false;
    out.events.resize(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!read_event(doc, items[i].get(), head, events_path + "[" + std::to_string(i) + "]", out.events[i])) {
            return false;
        }
    }
    doc.ranges.push_back(std::move(out));
    return true;
}

bool read_osv_affected(OsvDocument& doc, PyObject* affected, PyObject*& ecosystem_name) {
    constexpr std::string_view HEAD = "invalid OSV affected entry";
    if (!is_object(affected)) {
        raise_not_an_instance(affected, "dict");
        prefix_conversion_error("affected");
        return false;
    }
    PyRef package;
    if (!dict_item(affected, "package", package)) return false;
    if (!package || !is_object(package.get())) return fail(HEAD, "package must be an object");
    PyRef ecosystem;
    if (!dict_item(package.get(), "ecosystem", ecosystem)) return false;
    if (!ecosystem || !PyUnicode_Check(ecosystem.get())) return fail(HEAD, "package.ecosystem must be a string");
    doc.held.push_back(PyRef::borrow(ecosystem.get()));
    ecosystem_name = ecosystem.get();

    PyRef ranges;
    if (!dict_item(affected, "ranges", ranges)) return false;
    if (ranges) {
        if (!is_array(ranges.get())) return fail(HEAD, "ranges must be an array");
        const std::vector<PyRef> items = items_of(ranges.get());
        if (PyErr_Occurred()) return false;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!read_osv_range(doc, items[i].get(), HEAD, "ranges[" + std::to_string(i) + "]")) return false;
        }
    }
    PyRef versions;
    if (!dict_item(affected, "versions", versions)) return false;
    if (versions) {
        if (!is_array(versions.get())) return fail(HEAD, "versions must be an array");
        const std::vector<PyRef> items = items_of(versions.get());
        if (PyErr_Occurred()) return false;
        doc.versions.resize(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!read_text(doc, items[i].get(), HEAD, "versions[" + std::to_string(i) + "]", doc.versions[i])) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace tambry::ranges
