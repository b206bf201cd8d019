// NuGet orders versions as VersionComparer.Default of NuGet.Versioning does: by
// major, minor, patch and revision (a missing part is 0), then a version with
// release labels before the same version without, then the labels one by one, a
// shorter list before a longer one it starts. A label that int.TryParse reads (an
// optional '-' and digits, within 32 bits) is a number; numbers compare by value
// and come before other labels, which compare as text without case. Build
// metadata is ignored.
//
// One departure from NuGet: it rejects a part above 2147483647 (int.Parse), while
// published version lists compared under NuGet's rules hold parts of 30 digits.
// Such parts are read here, at any size, and ordered by value; every version
// NuGet accepts keeps exactly NuGet's answer.
//
// A text is a version when, trimmed of white space, it is one to four parts of
// ASCII digits (leading zeros and white space around each allowed) joined by dots, then optionally '-' and labels of letters, digits and
// '-' joined by dots (no empty label, and no leading zero on an all-digit one),
// then optionally '+' and metadata of the same characters (leading zeros allowed).
#include "native/nuget.hpp"

#include <array>
#include <cstdint>

#include "native/key_encoding.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

constexpr std::uint64_t INT_MAX_VALUE = 2147483647;

// The characters of labels and metadata: ASCII letters, digits and '-'.
constexpr std::array<bool, 256> LABEL_CHARS = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c) table[c] = is_alnum(static_cast<char>(c)) || c == '-';
    return table;
}();

bool is_label_char(char c) { return LABEL_CHARS[static_cast<unsigned char>(c)]; }

// What a comparison needs of a version: its numbers, and its labels as they lie
// in the text.
struct NugetView {
    std::string_view parts[4];  // digits without leading zeros; empty for 0
    std::string_view labels;
    bool has_labels;
};

std::string_view without_leading_zeros(std::string_view digits) {
    std::size_t start = 0;
    while (start < digits.size() && digits[start] == '0') ++start;
    return digits.substr(start);
}

// One part of the version numbers with white space around it, the rare case.
bool parse_spaced_part(std::string_view section, std::string_view& value) {
    section = trim_white_space(section);
    if (section.empty()) return false;
    for (const char c : section) {
        if (!is_digit(c)) return false;
    }
    value = without_leading_zeros(section);
    return true;
}

// Labels (all-digit ones without a leading zero) or metadata, joined by dots, up
// to `stop` or the end; `end` is where they stop.
bool valid_dotted(std::string_view text, std::size_t i, bool leading_zeros_allowed, char stop, std::size_t& end) {
    std::size_t start = i;
    bool all_digits = true;
    for (;; ++i) {
        const bool done = i == text.size() || text[i] == stop;
        if (done || text[i] == '.') {
            const std::size_t size = i - start;
            if (size == 0) return false;
            if (!leading_zeros_allowed && size > 1 && text[start] == '0' && all_digits) return false;
            if (done) {
                end = i;
                return true;
            }
            start = i + 1;
            all_digits = true;
            continue;
        }
        const char c = text[i];
        if (!is_label_char(c)) return false;
        all_digits &= is_digit(c);
    }
}

// NuGetVersion.TryParse, keeping the labels in place. The numbers end at the first
// '-' or '+'; one that ends the text stays with them (NuGet's split leaves it
// there) and makes them invalid.
bool read_nuget(std::string_view text, NugetView& out) {
    const std::string_view value = trim_white_space(text);
    const std::size_t n = value.size();
    std::string_view* parts = out.parts;
    parts[0] = parts[1] = parts[2] = parts[3] = {};
    out.has_labels = false;
    std::size_t i = 0;
    for (std::size_t count = 0;; ++count) {
        if (count == 4) return false;
        const std::size_t start = i;
        while (i < n && is_digit(value[i])) ++i;
        if (i < n && value[i] != '.' && value[i] != '-' && value[i] != '+') {
            // White space around a part, or a character no part may hold.
            while (i < n && value[i] != '.' && value[i] != '-' && value[i] != '+') ++i;
            if (!parse_spaced_part(value.substr(start, i - start), parts[count])) return false;
        } else {
            if (i == start) return false;
            parts[count] = without_leading_zeros(value.substr(start, i - start));
        }
        if (i == n) return true;
        if (value[i] != '.') break;
        ++i;
    }
    if (i + 1 == n) return false;
    std::size_t end;
    if (value[i] == '-') {
        const std::size_t start = i + 1;
        if (!valid_dotted(value, start, false, '+', end)) return false;
        out.labels = value.substr(start, end - start);
        out.has_labels = true;
        if (end == n) return true;
        // A '+' that ends the text is read as part of the labels.
        if (end + 1 == n) return false;
        i = end;
    }
    return valid_dotted(value, i + 1, true, '\0', end) && end == n;
}

// int.TryParse of a label: an optional '-', then digits, within 32 bits.
bool label_number(std::string_view label, std::int64_t& value) {
    const bool negative = !label.empty() && label[0] == '-';
    if (negative) label.remove_prefix(1);
    if (label.empty()) return false;
    std::uint64_t magnitude = 0;
    for (const char c : label) {
        if (!is_digit(c)) return false;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        if (magnitude > INT_MAX_VALUE + 1) return false;
    }
    if (!negative && magnitude > INT_MAX_VALUE) return false;
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

char to_upper(char c) { return is_lower(c) ? static_cast<char>(c - ('a' - 'A')) : c; }

// StringComparer.OrdinalIgnoreCase on ASCII labels.
int compare_text_ignoring_case(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(to_upper(a[i]));
        const auto y = static_cast<unsigned char>(to_upper(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int compare_labels(std::string_view a, std::string_view b) {
    std::int64_t x = 0, y = 0;
    const bool a_number = label_number(a, x);
    const bool b_number = label_number(b, y);
    if (a_number && b_number) return x < y ? -1 : (x > y);
    if (a_number || b_number) return a_number ? -1 : 1;
    return compare_text_ignoring_case(a, b);
}

// The label that starts at `pos` of a dotted text, and where the next one starts
// (past the end when it was the last).
std::string_view next_label(std::string_view text, std::size_t& pos) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '.') ++end;
    const std::string_view label = text.substr(pos, end - pos);
    pos = end + 1;
    return label;
}

// Key bytes. The labels follow PRERELEASE and end with LABELS_END; a release has
// RELEASE instead.
enum KeyCode : unsigned char {
    LABELS_END = 0x00,
    PRERELEASE = 0x01,
    RELEASE = 0x02,
    NEGATIVE_LABEL = 0x01,  // + put_u64(value + 2^31)
    NUMBER_LABEL = 0x02,    // + put_u64(value)
    TEXT_LABEL = 0x03,      // + the label in capitals, 0x00
};

Ordering compare_views(const NugetView& a, const NugetView& b) {
    for (int i = 0; i < 4; ++i) {
        // Without leading zeros, a longer run of digits is the larger number.
        const std::string_view x = a.parts[i], y = b.parts[i];
        if (x.size() != y.size()) return x.size() < y.size() ? Ordering::Less : Ordering::Greater;
        const int c = x.compare(y);
        if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    }
    if (a.has_labels != b.has_labels) return a.has_labels ? Ordering::Less : Ordering::Greater;
    if (!a.has_labels) return Ordering::Equal;
    std::size_t i = 0, j = 0;
    for (;;) {
        const bool a_more = i <= a.labels.size();
        const bool b_more = j <= b.labels.size();
        if (!a_more || !b_more) {
            if (a_more == b_more) return Ordering::Equal;
            return a_more ? Ordering::Greater : Ordering::Less;
        }
        const int c = compare_labels(next_label(a.labels, i), next_label(b.labels, j));
        if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    }
}

void append_key(const NugetView& version, KeyBuffer& out) {
    for (const std::string_view part : version.parts) put_digits(out, part);
    if (!version.has_labels) {
        out.push_back(RELEASE);
        return;
    }
    out.push_back(PRERELEASE);
    for (std::size_t pos = 0; pos <= version.labels.size();) {
        const std::string_view label = next_label(version.labels, pos);
        std::int64_t number = 0;
        if (label_number(label, number)) {
            if (number < 0) {
                out.push_back(NEGATIVE_LABEL);
                put_u64(out, static_cast<std::uint64_t>(number + static_cast<std::int64_t>(INT_MAX_VALUE) + 1));
            } else {
                out.push_back(NUMBER_LABEL);
                put_u64(out, static_cast<std::uint64_t>(number));
            }
        } else {
            out.push_back(TEXT_LABEL);
            for (const char c : label) out.push_back(static_cast<unsigned char>(to_upper(c)));
            out.push_back(0x00);
        }
    }
    out.push_back(LABELS_END);
}

NugetView view_of(const NugetVersion& v) {
    NugetView view{{v.parts[0], v.parts[1], v.parts[2], v.parts[3]}, v.labels_text(), v.has_labels};
    return view;
}

class NugetScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view text) const override {
        NugetView version;
        return read_nuget(text, version);
    }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        NugetView left, right;
        if (!read_nuget(a, left) || !read_nuget(b, right)) return std::nullopt;
        return compare_views(left, right);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        NugetView version;
        if (!read_nuget(text, version)) return false;
        native::append_key(version, out);
        return true;
    }

    bool is_prerelease(std::string_view text) const override {
        NugetVersion version;
        return parse_nuget(text, version) && version.is_prerelease();
    }
};

constinit const NugetScheme NUGET_SCHEME{};

}  // namespace

bool parse_nuget(std::string_view text, NugetVersion& out) {
    NugetView view;
    if (!read_nuget(text, view)) return false;
    out = NugetVersion{};
    for (int i = 0; i < 4; ++i) out.parts[i] = view.parts[i];
    out.labels.append(view.labels.data(), view.labels.size());
    out.has_labels = view.has_labels;
    return true;
}

Ordering compare_nuget(const NugetVersion& a, const NugetVersion& b) { return compare_views(view_of(a), view_of(b)); }

void append_nuget_key(const NugetVersion& version, KeyBuffer& out) { append_key(view_of(version), out); }

const NativeScheme& nuget_scheme() { return NUGET_SCHEME; }

}  // namespace tambry::native
