#include "rpm.hpp"

#include <cstddef>

#include "shared_prefix.hpp"
#include "sort_prefix.hpp"
#include "text.hpp"

namespace tambry {
namespace {

// Separators only delimit segments; "~" and "^" carry meaning of their own.
bool is_separator(char c) { return !is_alnum(c) && c != '~' && c != '^'; }

bool byte_is(std::string_view text, std::size_t pos, char wanted) {
    return pos < text.size() && text[pos] == wanted;
}

std::size_t skip_separators(std::string_view text, std::size_t pos) {
    while (pos < text.size() && is_separator(text[pos])) ++pos;
    return pos;
}

// The end of the maximal run of bytes satisfying `belongs`, starting at `pos`.
template <class Predicate>
std::size_t run_end(std::string_view text, std::size_t pos, Predicate belongs) {
    while (pos < text.size() && belongs(text[pos])) ++pos;
    return pos;
}

// The items of rpmverscmp's walk in its order: "~" before everything, the end
// of the text, "^", a run of letters (its bytes, then a zero), a run of digits
// (its length from NUMBER_TAG on, then its digits). Separators are not written.
constexpr unsigned char TILDE_ITEM = 0x01;
constexpr unsigned char END_ITEM = 0x02;
constexpr unsigned char CARET_ITEM = 0x03;
constexpr unsigned char LETTERS_ITEM = 0x04;
constexpr unsigned NUMBER_TAG = 0x10;

bool encode_part(std::string_view text, SortPrefixBytes<2>& out) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end) {
        const char c = *p;
        if (c == '~' || c == '^') {
            if (!out.put(c == '~' ? TILDE_ITEM : CARET_ITEM)) return false;
            ++p;
        } else if (is_digit(c)) {
            const char* digits = p;
            while (p != end && is_digit(*p)) ++p;
            if (!out.digits(digits, p, NUMBER_TAG)) return false;
        } else if (is_letter(c)) {
            if (!out.put(LETTERS_ITEM)) return false;
            for (; p != end && is_letter(*p); ++p) {
                if (!out.put(static_cast<unsigned char>(*p))) return false;
            }
            if (!out.put(0)) return false;
        } else {
            ++p;
        }
    }
    return out.put(END_ITEM);
}

}  // namespace

PackageSortPrefix rpm_sort_prefix(std::uint64_t epoch, std::string_view version, std::string_view release) {
    SortPrefixBytes<2> out;
    if (out.epoch(epoch) && encode_part(version, out)) encode_part(release, out);
    return out.words();
}

Ordering rpmverscmp(std::string_view a, std::string_view b) {
    // The walk may begin after the segments that both texts share: a run of digits
    // or of letters is read whole, every other byte on its own.
    const std::size_t shared = shared_prefix_length(a, b);
    if (shared == a.size() && shared == b.size()) return Ordering::Equal;
    std::size_t i = back_to_segment_start(a, b, shared, [](char c) { return is_digit(c) ? 1 : (is_letter(c) ? 2 : 0); });
    std::size_t j = i;
    while (i < a.size() || j < b.size()) {
        i = skip_separators(a, i);
        j = skip_separators(b, j);

        const bool tilde_a = byte_is(a, i, '~');
        const bool tilde_b = byte_is(b, j, '~');
        if (tilde_a || tilde_b) {
            if (!tilde_a) return Ordering::Greater;
            if (!tilde_b) return Ordering::Less;
            ++i;
            ++j;
            continue;
        }

        const bool caret_a = byte_is(a, i, '^');
        const bool caret_b = byte_is(b, j, '^');
        if (caret_a || caret_b) {
            if (i == a.size()) return Ordering::Less;
            if (j == b.size()) return Ordering::Greater;
            if (!caret_a) return Ordering::Greater;
            if (!caret_b) return Ordering::Less;
            ++i;
            ++j;
            continue;
        }

        if (i == a.size() || j == b.size()) break;

        // Both positions now hold an alphanumeric byte, so `a`'s segment is never
        // empty and every pass below consumes at least one byte of each text.
        const bool numeric = is_digit(a[i]);
        const std::size_t end_a = numeric ? run_end(a, i, is_digit) : run_end(a, i, is_letter);
        const std::size_t end_b = numeric ? run_end(b, j, is_digit) : run_end(b, j, is_letter);
        if (end_b == j) return numeric ? Ordering::Greater : Ordering::Less;

        const std::string_view seg_a = a.substr(i, end_a - i);
        const std::string_view seg_b = b.substr(j, end_b - j);
        const Ordering order = numeric ? compare_digit_runs(seg_a, seg_b) : compare_bytes(seg_a, seg_b);
        if (order != Ordering::Equal) return order;
        i = end_a;
        j = end_b;
    }

    if (i == a.size() && j == b.size()) return Ordering::Equal;
    return i == a.size() ? Ordering::Less : Ordering::Greater;
}

constinit const RpmStrategy RPM_STRATEGY;

}  // namespace tambry
