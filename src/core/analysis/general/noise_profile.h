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
    // neighbours' figures. No block reaches across `split`: the fibre and the noise floor
    // behind its end are profiled apart.
    NoiseProfile(const std::vector<double>& v, std::size_t lo, std::size_t hi, std::size_t block,
                 const std::vector<char>* valid = nullptr, std::size_t stride = 1,
                 std::size_t split = static_cast<std::size_t>(-1));

    double typical(std::size_t i) const { return interpolate(i, true); }
    double sigma(std::size_t i) const { return interpolate(i, false); }
    // The noise at i, or the block before's where that is lower: just before the noise jumps
    // (towards a fibre end) the fibre's own figure, not one the fall raised.
    double quietSigma(std::size_t i) const;

  private:
    struct Part {
        std::size_t lo = 0;
        std::size_t block = 1;
        std::vector<double> median;
        std::vector<double> sigma;
    };
    static Part profile(const std::vector<double>& v, std::size_t lo, std::size_t hi,
                        std::size_t block, const std::vector<char>* valid, std::size_t stride);
    double interpolate(std::size_t i, bool typical) const;

    std::size_t split_ = static_cast<std::size_t>(-1);
    Part before_;  // [lo, split)
    Part after_;   // [split, hi)
};

}  // namespace otdr::general
