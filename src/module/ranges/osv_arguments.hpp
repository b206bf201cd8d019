// OSV JSON objects read into the core's plain records, with the texts they view.
#pragma once

#include "py_ref.hpp"

#include <string>
#include <string_view>
#include <vector>

#include "ranges/osv.hpp"

namespace tambry::ranges {

struct OsvDocument {
    std::vector<PyRef> held;  // every str the records below view
    std::vector<OsvRange> ranges;
    std::vector<std::string_view> versions;
};

// Appends one range object (a dict) to doc.ranges. A malformed object raises
// ValueError "<head>: <path>.events[1] ..."; false with the error set.
bool read_osv_range(OsvDocument& doc, PyObject* range, std::string_view head, const std::string& path);

// Reads a whole affected entry: its ranges, its versions, and (borrowed, held in
// doc) the str of its package's ecosystem.
bool read_osv_affected(OsvDocument& doc, PyObject* affected, PyObject*& ecosystem_name);

}  // namespace tambry::ranges
