#pragma once
// The typical value and the noise of a statistic along a trace, block by block: the median and
// the median absolute deviation (scaled to a standard deviation) of each block, interpolated
// between block centres. Both are robust: the few points an event disturbs do not move them.

#include <cstddef>
#include <vector>

namespace otdr::general {

class NoiseProfile {
  public:
    NoiseProfile() = default;
    // Values v[i] for i in [lo, hi) where valid (all of them without a mask), in blocks of
    // `block` points, every `stride`-th point of a block (a statistic over windows of m points
    // changes little within m / 4 of them). A block with too few valid points takes its
    // neighbours' figures.
    NoiseProfile(const std::vector<double>& v, std::size_t lo, std::size_t hi, std::size_t block,
                 const std::vector<char>* valid = nullptr, std::size_t stride = 1);

    double typical(std::size_t i) const { return interpolate(median_, i); }
    double sigma(std::size_t i) const { return interpolate(sigma_, i); }
    // The noise at i, or the block before's where that is lower: just before the noise jumps
    // (a fibre end, where the floor begins) the fibre's own figure, not one the floor raised.
    double quietSigma(std::size_t i) const;

  private:
    double interpolate(const std::vector<double>& f, std::size_t i) const;

    std::size_t lo_ = 0;
    std::size_t block_ = 1;
    std::vector<double> median_;
    std::vector<double> sigma_;
};

}  // namespace otdr::general
