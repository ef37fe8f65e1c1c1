#include "analysis/general/trace_sums.h"

#include <algorithm>

namespace otdr::general {

TraceSums::TraceSums(std::span<const double> y) : n_(y.size()), s1_(n_ + 1), s2_(n_ + 1) {
    double a = 0.0, b = 0.0;
    for (std::size_t i = 0; i < n_; ++i) {
        s1_[i] = a;
        s2_[i] = b;
        a += y[i];
        b += static_cast<double>(i) * y[i];
    }
    s1_[n_] = a;
    s2_[n_] = b;
}

double TraceSums::emptyMean(std::size_t a) const {
    if (n_ == 0) return 0.0;
    const std::size_t i = std::min(a, n_ - 1);
    return s1_[i + 1] - s1_[i];
}

Line TraceSums::fit(std::size_t a, std::size_t b) const {
    b = std::min(b, n_);
    Line line;
    line.x0 = static_cast<double>(a);
    if (a >= b || b - a < 2) {
        line.level0 = mean(a, b);
        return line;
    }
    // With u = x - a over u = 0 .. m-1: sums of u and u^2 in closed form, sum of u y from the
    // running sums.
    const double m = static_cast<double>(b - a);
    const double sy = s1_[b] - s1_[a];
    const double suy = (s2_[b] - s2_[a]) - static_cast<double>(a) * sy;
    const double su = m * (m - 1.0) / 2.0;
    const double suu = (m - 1.0) * m * (2.0 * m - 1.0) / 6.0;
    const double det = m * suu - su * su;
    line.slope = (m * suy - su * sy) / det;
    line.level0 = (sy - line.slope * su) / m;
    return line;
}

}  // namespace otdr::general
