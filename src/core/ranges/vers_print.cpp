// Writing a version set as its canonical vers URI; vers.hpp states the form.
#include <vector>

#include "ranges/vers.hpp"

namespace tambry::ranges {
namespace {

constexpr char HEX_DIGITS[] = "0123456789abcdef";
constexpr char ESCAPE_DIGITS[] = "0123456789ABCDEF";

void append_hex(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out.push_back(HEX_DIGITS[byte >> 4]);
        out.push_back(HEX_DIGITS[byte & 15]);
    }
}

// Encodes what a reader would take for syntax, and all that is not printable ASCII.
void append_encoded(std::string& out, std::string_view version) {
    if (version == "none") {
        out.append("%6Eone");
        return;
    }
    for (const char c : version) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x21 || byte > 0x7E || std::string_view("<>=!*|%?&").find(c) != std::string_view::npos) {
            out.push_back('%');
            out.push_back(ESCAPE_DIGITS[byte >> 4]);
            out.push_back(ESCAPE_DIGITS[byte & 15]);
        } else {
            out.push_back(c);
        }
    }
}

// A cut's name: its version, or its named key in the key notation.
void append_name(std::string& out, const Cut& cut) {
    if (cut.has_text()) {
        append_encoded(out, cut.text);
    } else {
        out.push_back('*');
        append_hex(out, cut.named_key());
    }
}

// Whether the gap [upper, lower) between two intervals holds exactly one key.
bool is_single_key(const Cut& upper, const Cut& lower) {
    return lower.at.size() == upper.at.size() + 1 && lower.at.back() == '\0' && lower.at.starts_with(upper.at);
}

// The single key [below, above) holds, named by whichever cut names it, else by the key.
void append_single(std::string& out, const Cut& below, const Cut& above) {
    if (!below.above) {
        append_name(out, below);
    } else if (above.above) {
        append_name(out, above);
    } else {
        out.push_back('*');
        append_hex(out, below.at);
    }
}

void append_separator(std::string& out, bool& first) {
    if (!first) out.push_back('|');
    first = false;
}

void append_constraints(std::string& out, const IntervalSet& set) {
    if (set.empty()) {
        out.append("none");
        return;
    }
    if (set.is_all()) {
        out.push_back('*');
        return;
    }
    const std::vector<Interval> intervals = set.intervals();
    bool first = true;
    std::size_t i = 0;
    while (i < intervals.size()) {
        // A run of intervals whose gaps each hold one key: its bounds and "!=" gaps.
        std::size_t last = i;
        while (last + 1 < intervals.size() && is_single_key(*intervals[last].upper, *intervals[last + 1].lower)) {
            ++last;
        }
        const Cut* lower = intervals[i].lower;
        const Cut* upper = intervals[last].upper;
        if (last == i && lower && upper && is_single_key(*lower, *upper)) {
            append_separator(out, first);
            append_single(out, *lower, *upper);
            i = last + 1;
            continue;
        }
        if (lower) {
            append_separator(out, first);
            out.append(lower->above ? ">" : ">=");
            append_name(out, *lower);
        }
        for (std::size_t gap = i; gap < last; ++gap) {
            append_separator(out, first);
            out.append("!=");
            append_single(out, *intervals[gap].upper, *intervals[gap + 1].lower);
        }
        if (upper) {
            append_separator(out, first);
            out.append(upper->above ? "<=" : "<");
            append_name(out, *upper);
        }
        i = last + 1;
    }
}

}  // namespace

std::string to_vers(const VersionSet& set) {
    std::string out = "vers:";
    out.append(set.scheme().name());
    out.push_back('/');
    append_constraints(out, set.releases());
    if (set.splits_prereleases()) {
        out.append("?prereleases=");
        append_constraints(out, set.prereleases());
    }
    return out;
}

}  // namespace tambry::ranges
