// A version as PyPI's `packaging` reads it: what range matching needs besides the
// order (release numbers, pre/post/dev parts, local label).
#pragma once

#include <optional>
#include <string_view>

#include "small_vec.hpp"

namespace tambry::native {

// Every number is its digits as written minus leading zeros ("0" for zero), since
// packaging's numbers have no size limit. Views point into the parsed text.
struct Pep440Version {
    enum class Pre : unsigned char { None, Alpha, Beta, Rc };

    std::string_view epoch = "0";
    SmallVec<std::string_view, 6> release;  // as written: "1.0.0" keeps its zeros
    Pre pre = Pre::None;
    std::string_view pre_number = "0";
    bool has_post = false;
    std::string_view post_number = "0";
    bool has_dev = false;
    std::string_view dev_number = "0";
    std::string_view local;  // the label after "+" as written, empty when there is none

    bool is_prerelease() const { return pre != Pre::None || has_dev; }
    bool is_postrelease() const { return has_post; }
};

// The parts of `text`, or nothing when packaging's Version rejects it.
std::optional<Pep440Version> parse_pep440(std::string_view text);

}  // namespace tambry::native
