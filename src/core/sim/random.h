#pragma once
// A small, fully specified random source for the simulator, so that a seed gives the same trace
// on every platform and library version (std::normal_distribution does not promise that).
//
// The noise of sample i is a function of (seed, i) alone: the index is mixed into the seed's
// key and one splitmix64 output gives four 16-bit uniform numbers whose sum, centred and scaled
// (the Irwin-Hall approximation), is the sample's deviate with mean 0 and variance 1. A
// sample's noise therefore does not depend on which other samples needed noise, samples where
// the noise cannot show need not draw any, and no logarithm or root is needed per sample.

#include <cmath>
#include <cstdint>

namespace otdr::sim {

// One step of splitmix64: advances the state and returns the next output.
inline std::uint64_t splitmix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

class SampleNoise {
  public:
    explicit SampleNoise(std::uint64_t seed) {
        std::uint64_t s = seed;
        key_ = splitmix64(s);
    }

    // The near-normal deviate of sample i (bounded by +-2 sqrt 3).
    double at(std::uint64_t i) const {
        std::uint64_t mix = key_ ^ (i * 0xD1B54A32D192ED03ull);
        const std::uint64_t bits = splitmix64(mix);
        const double sum = static_cast<double>((bits & 0xFFFF) + ((bits >> 16) & 0xFFFF) +
                                               ((bits >> 32) & 0xFFFF) + (bits >> 48)) *
                           (1.0 / 65536.0);
        return (sum - 2.0) * kScale;
    }

  private:
    static constexpr double kScale = 1.7320508075688772;  // sqrt(3): variance 4/12 to 1
    std::uint64_t key_ = 0;
};

}  // namespace otdr::sim
