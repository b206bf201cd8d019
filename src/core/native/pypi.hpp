// A version as PyPI's `packaging` reads it: what range matching needs besides the
// order (release numbers, pre/post/dev parts, local label).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "native/native_scheme.hpp"
#include "small_vec.hpp"
#include "text.hpp"
#include "version_model.hpp"

namespace tambry::native {

// A number as packaging reads it, of any size: its digits without leading zeros
// ("0" for zero), a view into the parsed text, and its value when it has at most 19
// digits.
struct Pep440Number {
    const char* data;
    std::size_t size;
    std::uint64_t value;

    std::string_view digits() const { return {data, size}; }
    bool is_zero() const { return size == 1 && value == 0; }
};

inline constexpr std::size_t PEP440_EXACT_DIGITS = 19;
inline constexpr Pep440Number PEP440_ZERO{"0", 1, 0};

// Python's int() refuses longer digit runs in its default configuration, so
// packaging raises on them: they are not versions.
inline constexpr std::size_t PYTHON_INT_MAX_DIGITS = 4300;

// Reads the number whose digits start at s[i] (there is at least one) and moves `i`
// past them; false when Python would refuse to read it.
inline bool read_pep440_number(std::string_view s, std::size_t& i, Pep440Number& number) {
    const std::size_t start = i;
    std::uint64_t value = 0;  // wraps past 19 digits, where it is not used
    while (i < s.size() && is_digit(s[i])) {
        value = value * 10 + static_cast<std::uint64_t>(s[i] - '0');
        ++i;
    }
    if (i - start > PYTHON_INT_MAX_DIGITS) return false;
    std::size_t first = start;
    while (first + 1 < i && s[first] == '0') ++first;
    number = {s.data() + first, i - first, value};
    return true;
}

struct Pep440Version {
    enum class Pre : unsigned char { None, Alpha, Beta, Rc };

    Pep440Number epoch = PEP440_ZERO;
    SmallVec<Pep440Number, 6> release;  // as written: "1.0.0" keeps its zeros
    Pre pre = Pre::None;
    Pep440Number pre_number = PEP440_ZERO;
    bool has_post = false;
    Pep440Number post_number = PEP440_ZERO;
    bool has_dev = false;
    Pep440Number dev_number = PEP440_ZERO;
    std::string_view local;  // the label after "+" as written, empty when there is none

    bool is_prerelease() const { return pre != Pre::None || has_dev; }
    bool is_postrelease() const { return has_post; }
};

// The parts of `text`, or nothing when packaging's Version rejects it.
std::optional<Pep440Version> parse_pep440(std::string_view text);

// The same into a version default-initialised by the caller ("Pep440Version v;"),
// which spares the zero-filling of a value-initialised one: false when rejected.
bool parse_pep440_into(std::string_view text, Pep440Version& out);

// packaging's order of two parsed versions.
Ordering compare_pep440(const Pep440Version& a, const Pep440Version& b);

// Appends the key body of a parsed version, as the scheme keys its text.
void append_pep440_key(const Pep440Version& v, KeyBuffer& out);

// The byte length of the white-space character that starts `text`, as Python's
// `\s` and str.strip() see white space (Unicode spaces included), or 0.
std::size_t python_space_length(std::string_view text);

// `text` without the white space str.strip() removes.
std::string_view strip_python_space(std::string_view text);

// Appends the key body of the place where the releases longer than v's start (for
// "1.0": "1.0.1", "1.0.0.1", ...), which lies above every version sharing v's epoch
// and release: its pre-, post- and dev-releases and their local labels. No version
// is spelled there.
void append_pep440_longer_releases_key(const Pep440Version& v, KeyBuffer& out);

}  // namespace tambry::native
