#pragma once
// Running sums of a trace's levels, so that the mean of any window and the least-squares line
// over any stretch cost a few operations whatever their length.

#include <cstddef>
#include <span>
#include <vector>

#include "analysis/general/buffer.h"

namespace otdr::general {

// A straight line over points: level(x) = level0 + slope x (x - x0), slope in dB per point.
struct Line {
    double x0 = 0.0;
    double level0 = 0.0;
    double slope = 0.0;
    double at(double x) const { return level0 + slope * (x - x0); }
};

class TraceSums {
  public:
    explicit TraceSums(std::span<const double> y);

    std::size_t size() const { return n_; }
    // Mean level of points [a, b); the level of point a when the range is empty.
    double mean(std::size_t a, std::size_t b) const {
        b = b < n_ ? b : n_;
        if (a >= b) return emptyMean(a);
        return (s1_[b] - s1_[a]) / static_cast<double>(b - a);
    }
    // Sum of the levels of points [a, b), a <= b <= size() unchecked.
    double sum(std::size_t a, std::size_t b) const { return s1_[b] - s1_[a]; }
    // The running sums themselves, size() + 1 of them: sum(a, b) is prefix()[b] - prefix()[a].
    const double* prefix() const { return s1_.data(); }
    // Least-squares line over points [a, b); a flat line at the mean for fewer than 2 points.
    Line fit(std::size_t a, std::size_t b) const;

  private:
    double emptyMean(std::size_t a) const;

    std::size_t n_ = 0;
    Buffer<double> s1_;  // s1_[i]: sum of y[k] for k < i
    Buffer<double> s2_;  // s2_[i]: sum of k y[k] for k < i
};

}  // namespace otdr::general
