// The three-valued result of every comparison: of the first operand relative to
// the second. Python sees it as -1, 0 or 1.
#pragma once

#include <cstdint>

namespace tambry {

enum class Ordering : std::int8_t { Less = -1, Equal = 0, Greater = 1 };

template <class T>
constexpr Ordering order_of(const T& a, const T& b) {
    return a < b ? Ordering::Less : (b < a ? Ordering::Greater : Ordering::Equal);
}

constexpr Ordering reversed(Ordering o) { return static_cast<Ordering>(-static_cast<int>(o)); }

}  // namespace tambry
