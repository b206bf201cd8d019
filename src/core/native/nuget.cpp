// NuGet orders versions as VersionComparer.Default of NuGet.Versioning does: by
// major, minor, patch and revision (a missing part is 0), then a version with
// release labels before the same version without, then the labels one by one, a
// shorter list before a longer one it starts. A label that int.TryParse reads (an
// optional '-' and digits, within 32 bits) is a number; numbers compare by value
// and come before other labels, which compare as text without case. Build
// metadata is ignored.
//
// A text is a version when, trimmed of white space, it is one to four parts of
// ASCII digits (each at most 2147483647, leading zeros and white space around it
// allowed) joined by dots, then optionally '-' and labels of letters, digits and
// '-' joined by dots (no empty label, and no leading zero on an all-digit one),
// then optionally '+' and metadata of the same characters (leading zeros allowed).
#include "native/nuget.hpp"

#include <cstdint>

#include "native/key_encoding.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

constexpr std::uint64_t INT_MAX_VALUE = 2147483647;

bool is_label_char(char c) { return is_alnum(c) || c == '-'; }

// One part of the version numbers: digits with white space around them.
bool parse_part(std::string_view section, std::uint32_t& value) {
    section = trim_white_space(section);
    if (section.empty()) return false;
    std::uint64_t v = 0;
    for (const char c : section) {
        if (!is_digit(c)) return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
        if (v > INT_MAX_VALUE) return false;
    }
    value = static_cast<std::uint32_t>(v);
    return true;
}

bool parse_numbers(std::string_view text, std::uint32_t (&parts)[4]) {
    std::size_t count = 0;
    for (;;) {
        const std::size_t dot = text.find('.');
        if (count == 4 || !parse_part(text.substr(0, dot), parts[count])) return false;
        ++count;
        if (dot == std::string_view::npos) return true;
        text.remove_prefix(dot + 1);
    }
}

// Labels (all-digit ones without a leading zero) or metadata, joined by dots.
bool valid_dotted(std::string_view text, bool leading_zeros_allowed) {
    for (;;) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (part.empty()) return false;
        bool all_digits = true;
        for (const char c : part) {
            if (!is_label_char(c)) return false;
            all_digits &= is_digit(c);
        }
        if (!leading_zeros_allowed && part.size() > 1 && part[0] == '0' && all_digits) return false;
        if (dot == std::string_view::npos) return true;
        text.remove_prefix(dot + 1);
    }
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
    std::int64_t x, y;
    const bool a_number = label_number(a, x);
    const bool b_number = label_number(b, y);
    if (a_number && b_number) return x < y ? -1 : (x > y);
    if (a_number || b_number) return a_number ? -1 : 1;
    return compare_text_ignoring_case(a, b);
}

// The label that starts at `pos` of a dotted text, and where the next one starts
// (past the end when it was the last).
std::string_view next_label(std::string_view text, std::size_t& pos) {
    const std::size_t dot = text.find('.', pos);
    const std::size_t end = dot == std::string_view::npos ? text.size() : dot;
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

class NugetScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view text) const override {
        NugetVersion version;
        return parse_nuget(text, version);
    }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        NugetVersion left, right;
        if (!parse_nuget(a, left) || !parse_nuget(b, right)) return std::nullopt;
        return compare_nuget(left, right);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        NugetVersion version;
        if (!parse_nuget(text, version)) return false;
        append_nuget_key(version, out);
        return true;
    }
};

constinit const NugetScheme NUGET_SCHEME{};

}  // namespace

bool parse_nuget(std::string_view text, NugetVersion& out) {
    out = NugetVersion{};
    const std::string_view value = trim_white_space(text);
    // The numbers end at the first '-' or '+'; one that ends the text stays with
    // them and makes them invalid, as NuGet's split leaves it.
    const std::size_t mark = value.find_first_of("-+");
    if (mark != std::string_view::npos && mark + 1 == value.size()) return false;
    if (!parse_numbers(value.substr(0, mark), out.parts)) return false;
    if (mark == std::string_view::npos) return true;
    std::string_view rest = value.substr(mark + 1);
    if (value[mark] == '-') {
        const std::size_t plus = rest.find('+');
        // A '+' that ends the text is read as part of the labels.
        if (plus != std::string_view::npos && plus + 1 == rest.size()) return false;
        const std::string_view labels = rest.substr(0, plus);
        if (!valid_dotted(labels, false)) return false;
        out.labels.append(labels.data(), labels.size());
        out.has_labels = true;
        if (plus == std::string_view::npos) return true;
        rest.remove_prefix(plus + 1);
    }
    return valid_dotted(rest, true);
}

Ordering compare_nuget(const NugetVersion& a, const NugetVersion& b) {
    for (int i = 0; i < 4; ++i) {
        if (a.parts[i] != b.parts[i]) return a.parts[i] < b.parts[i] ? Ordering::Less : Ordering::Greater;
    }
    if (a.has_labels != b.has_labels) return a.has_labels ? Ordering::Less : Ordering::Greater;
    if (!a.has_labels) return Ordering::Equal;
    const std::string_view at = a.labels_text(), bt = b.labels_text();
    std::size_t i = 0, j = 0;
    for (;;) {
        const bool a_more = i <= at.size();
        const bool b_more = j <= bt.size();
        if (!a_more || !b_more) {
            if (a_more == b_more) return Ordering::Equal;
            return a_more ? Ordering::Greater : Ordering::Less;
        }
        const int c = compare_labels(next_label(at, i), next_label(bt, j));
        if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    }
}

void append_nuget_key(const NugetVersion& version, KeyBuffer& out) {
    for (const std::uint32_t part : version.parts) put_u64(out, part);
    if (!version.has_labels) {
        out.push_back(RELEASE);
        return;
    }
    out.push_back(PRERELEASE);
    const std::string_view text = version.labels_text();
    for (std::size_t pos = 0; pos <= text.size();) {
        const std::string_view label = next_label(text, pos);
        std::int64_t number;
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

const NativeScheme& nuget_scheme() { return NUGET_SCHEME; }

}  // namespace tambry::native
