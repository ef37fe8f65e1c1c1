#pragma once
// The typical value and the noise of a statistic along a trace, block by block: the median and
// the median absolute deviation (scaled to a standard deviation) of each block, interpolated
// between block centres. Both are robust: the few points an event disturbs do not move them.

#include <cstddef>
#include <span>
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
    // A block is measured when a figure near it is first asked for (many profiles are read
    // at a few places only): v and the mask are kept by reference and must outlive the
    // profile unchanged.
    NoiseProfile(std::span<const double> v, std::size_t lo, std::size_t hi, std::size_t block,
                 const char* valid = nullptr, std::size_t stride = 1,
                 std::size_t split = static_cast<std::size_t>(-1));

    struct Point {
        double typical = 0.0;
        double sigma = 0.0;
    };
    // Both figures at i, for the price of one.
    Point at(std::size_t i) const;
    double typical(std::size_t i) const { return at(i).typical; }
    double sigma(std::size_t i) const { return at(i).sigma; }
    // The noise at i, or the block before's where that is lower: just before the noise jumps
    // (towards a fibre end) the fibre's own figure, not one the fall raised.
    double quietSigma(std::size_t i) const { return quietAt(i).sigma; }
    // The typical value at i with the quiet noise.
    Point quietAt(std::size_t i) const;

  private:
    struct Figures {
        double median = 0.0;
        double sigma = 0.0;
    };
    // One stretch, [lo, hi), in blocks measured on demand.
    struct Part {
        std::size_t lo = 0;
        std::size_t hi = 0;
        std::size_t block = 1;
        std::size_t blocks = 0;
        std::vector<Figures> own;          // block b's own figures, once measured
        std::vector<unsigned char> state;  // 0 not measured yet, 1 figures, 2 too few points
        std::vector<std::size_t> source;   // the block whose figures b takes, once resolved
    };
    static Part part(std::size_t lo, std::size_t hi, std::size_t block);
    bool measured(Part& p, std::size_t b) const;
    // The block whose figures block b takes: its own, else the nearest measured one before
    // it, else the first after it; kNone when no block of the part has figures.
    std::size_t sourceOf(Part& p, std::size_t b) const {
        const std::size_t s = p.source[b];
        return s != kUnresolved ? s : resolve(p, b);
    }
    std::size_t resolve(Part& p, std::size_t b) const;
    const Figures& figures(Part& p, std::size_t b) const { return p.own[sourceOf(p, b)]; }
    bool empty(Part& p) const { return p.blocks == 0 || sourceOf(p, 0) == kNone; }
    // The part that holds the figures for point i: a stretch too short for figures of its own
    // takes the other's.
    Part* partFor(std::size_t i) const {
        Part* p = i >= split_ ? &after_ : &before_;
        return !empty(*p) ? p : otherPart(p);
    }
    Part* otherPart(Part* p) const;

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    static constexpr std::size_t kUnresolved = static_cast<std::size_t>(-2);

    std::span<const double> v_;
    const char* valid_ = nullptr;  // one flag a value; none: all are valid
    std::size_t stride_ = 1;
    std::size_t split_ = static_cast<std::size_t>(-1);
    // Filled as figures are asked for; the profile reads as if all were measured up front.
    mutable Part before_;  // [lo, split)
    mutable Part after_;   // [split, hi)
    mutable std::vector<double> work_;
};

}  // namespace otdr::general
