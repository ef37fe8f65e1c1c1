#pragma once
// Exact selection of an order statistic for the many small arrays the analysis takes medians
// of: the value std::nth_element finds, by a quickselect whose partition does not branch on
// the data (the comparisons of noise are unpredictable, and mispredicted branches cost more
// than the comparisons themselves). Each pass copies the values below and those at or above
// the pivot into two buffers of their own, so that no pass waits on its own stores.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace otdr::general {

// Longer arrays, and a selection whose pivots keep falling badly, go to std::nth_element.
constexpr std::size_t kMaxSelection = std::size_t{1} << 16;
constexpr int kMaxRounds = 64;

// The k-th smallest (counted from 0) of v[0, n), k < n; v is left as it is.
inline double selectNth(const double* v, std::size_t n, std::size_t k) {
    thread_local std::vector<double> scratch;
    // Without a total order (a NaN among the values) any answer is as good as the library's.
    if (n > kMaxSelection || std::any_of(v, v + n, [](double x) { return std::isnan(x); })) {
        scratch.assign(v, v + n);
        std::nth_element(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(k),
                         scratch.end());
        return scratch[k];
    }
    if (scratch.size() < 3 * n) scratch.resize(3 * n);
    double* buffers[3] = {scratch.data(), scratch.data() + n, scratch.data() + 2 * n};
    const double* src = v;
    int from = -1;  // the buffer src lies in; -1 for v
    std::size_t size = n;
    for (int round = 0; size > 16; ++round) {
        if (round == kMaxRounds) {
            double* w = buffers[from == 0 ? 1 : 0];
            std::copy(src, src + size, w);
            std::nth_element(w, w + k, w + size);
            return w[k];
        }
        const double a = src[0], b = src[size / 2], c = src[size - 1];
        const double pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
        double* below = buffers[from == 0 ? 1 : 0];
        double* above = buffers[from == 2 ? 1 : 2];
        std::size_t nb = 0, na = 0;
        for (std::size_t i = 0; i < size; ++i) {
            const double x = src[i];
            const bool less = x < pivot;
            below[nb] = x;
            above[na] = x;
            nb += less ? 1 : 0;
            na += less ? 0 : 1;
        }
        if (k < nb) {
            src = below;
            size = nb;
        } else if (nb > 0) {
            src = above;
            size = na;
            k -= nb;
        } else {
            // Nothing below the pivot: either k is among the values equal to it, or the rest
            // is smaller by at least one.
            std::size_t ne = 0;
            na = 0;
            for (std::size_t i = 0; i < size; ++i) {
                const double x = src[i];
                const bool equal = x <= pivot;
                below[ne] = x;
                above[na] = x;
                ne += equal ? 1 : 0;
                na += equal ? 0 : 1;
            }
            if (k < ne) return pivot;
            src = above;
            size = na;
            k -= ne;
        }
        from = src == buffers[0] ? 0 : src == buffers[1] ? 1 : 2;
    }
    // The few left: the value with at most k of them below it and more than k at or below
    // it, counted without a branch on the values.
    for (std::size_t i = 0; i < size; ++i) {
        const double x = src[i];
        std::size_t below = 0, atOrBelow = 0;
        for (std::size_t j = 0; j < size; ++j) {
            below += src[j] < x ? 1 : 0;
            atOrBelow += src[j] <= x ? 1 : 0;
        }
        if (below <= k && k < atOrBelow) return x;
    }
    return src[k];  // not reached: some value has rank k
}

}  // namespace otdr::general
