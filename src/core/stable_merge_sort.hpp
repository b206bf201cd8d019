// A stable merge sort whose every memory access is bounded by lengths alone. The
// generic version order has cycles (1 < 1.post1 < 1.0.rc1 < 1), and std::sort given
// such a comparison may read out of bounds; here an inconsistent comparison can
// only produce an odd order, never a bad access, and the result is always a
// permutation of the input.
#pragma once

#include <cstddef>
#include <algorithm>
#include <utility>
#include <vector>

namespace tambry {

namespace detail {

constexpr std::size_t INSERTION_RUN = 16;

// `less(a, b)` must say whether a goes strictly before b.
template <class T, class Less>
void insertion_sort(T* items, std::size_t n, Less& less) {
    for (std::size_t i = 1; i < n; ++i) {
        T moving = items[i];
        std::size_t j = i;
        while (j > 0 && less(moving, items[j - 1])) {
            items[j] = items[j - 1];
            --j;
        }
        items[j] = moving;
    }
}

// Merges the runs left[0, left_size) and right[0, right_size) into `out`, taking from
// the left run on ties so that equal items keep their order. Every index is
// bounded by the run lengths alone.
template <class T, class Less>
void merge_into(const T* left, std::size_t left_size, const T* right, std::size_t right_size, T* out,
                Less& less) {
    std::size_t i = 0, j = 0;
    while (i < left_size && j < right_size) {
        if (less(right[j], left[i])) {
            *out++ = right[j++];
        } else {
            *out++ = left[i++];
        }
    }
    while (i < left_size) *out++ = left[i++];
    while (j < right_size) *out++ = right[j++];
}

}  // namespace detail

// Bottom-up: short runs sorted in place, then merged pairwise, the passes going back
// and forth between the items and one buffer, so that each pass moves every item once.
template <class T, class Less>
void stable_merge_sort(std::vector<T>& items, Less less) {
    const std::size_t n = items.size();
    if (n < 2) return;
    for (std::size_t start = 0; start < n; start += detail::INSERTION_RUN) {
        const std::size_t length = n - start < detail::INSERTION_RUN ? n - start : detail::INSERTION_RUN;
        detail::insertion_sort(items.data() + start, length, less);
    }
    if (n <= detail::INSERTION_RUN) return;
    std::vector<T> buffer(n);
    T* from = items.data();
    T* to = buffer.data();
    for (std::size_t width = detail::INSERTION_RUN; width < n; width *= 2) {
        for (std::size_t low = 0; low < n; low += 2 * width) {
            const std::size_t mid = n - low < width ? n : low + width;
            const std::size_t high = n - mid < width ? n : mid + width;
            detail::merge_into(from + low, mid - low, from + mid, high - mid, to + low, less);
        }
        std::swap(from, to);
    }
    if (from != items.data()) std::copy(from, from + n, items.data());
}

}  // namespace tambry
