// A stable merge sort whose every memory access is bounded by lengths alone. The
// generic version order has cycles (1 < 1.post1 < 1.0.rc1 < 1), and std::sort given
// such a comparison may read out of bounds; here an inconsistent comparison can
// only produce an odd order, never a bad access, and the result is always a
// permutation of the input.
#pragma once

#include <cstddef>
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

// Merges items[0, mid) and items[mid, n) through `buffer`, taking from the left run on
// ties so that equal items keep their order.
template <class T, class Less>
void merge(T* items, std::size_t mid, std::size_t n, T* buffer, Less& less) {
    for (std::size_t i = 0; i < mid; ++i) buffer[i] = items[i];
    std::size_t left = 0, right = mid, out = 0;
    while (left < mid && right < n) {
        if (less(items[right], buffer[left])) {
            items[out++] = items[right++];
        } else {
            items[out++] = buffer[left++];
        }
    }
    while (left < mid) items[out++] = buffer[left++];
    // Whatever is left of the right run is already in place.
}

template <class T, class Less>
void merge_sort(T* items, std::size_t n, T* buffer, Less& less) {
    if (n <= INSERTION_RUN) {
        insertion_sort(items, n, less);
        return;
    }
    const std::size_t mid = n / 2;
    merge_sort(items, mid, buffer, less);
    merge_sort(items + mid, n - mid, buffer, less);
    if (!less(items[mid], items[mid - 1])) return;  // already in order
    merge(items, mid, n, buffer, less);
}

}  // namespace detail

template <class T, class Less>
void stable_merge_sort(std::vector<T>& items, Less less) {
    if (items.size() < 2) return;
    std::vector<T> buffer(items.size() / 2 + 1);
    detail::merge_sort(items.data(), items.size(), buffer.data(), less);
}

}  // namespace tambry
