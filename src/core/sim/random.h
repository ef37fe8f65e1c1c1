#pragma once
// A small, fully specified random source for the simulator, so that a seed gives the same trace
// on every platform and library version (std::normal_distribution does not promise that).
//
// The noise of sample i is a function of (seed, i) alone: sample pair i / 2 seeds its own
// splitmix64 stream, which feeds the polar form of the Box-Muller transform. A sample's noise
// therefore does not depend on which other samples needed noise, and samples where the noise
// cannot show need not draw any.

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

    // The standard normal deviate of sample i.
    double at(std::uint64_t i) {
        const std::uint64_t pair = i >> 1;
        if (pair != cachedPair_ || !cached_) {
            drawPair(pair);
            cachedPair_ = pair;
            cached_ = true;
        }
        return (i & 1) ? second_ : first_;
    }

  private:
    void drawPair(std::uint64_t pair) {
        // A stream of its own per pair: the pair index is mixed into the state first so that
        // neighbouring pairs do not share outputs.
        std::uint64_t mix = key_ ^ (pair * 0xD1B54A32D192ED03ull);
        std::uint64_t state = splitmix64(mix);
        double u = 0, v = 0, s = 0;
        do {
            // Both coordinates from one 64-bit output, 32 bits each.
            const std::uint64_t bits = splitmix64(state);
            u = static_cast<double>(bits >> 32) * 0x1.0p-31 - 1.0;
            v = static_cast<double>(bits & 0xFFFFFFFFull) * 0x1.0p-31 - 1.0;
            s = u * u + v * v;
        } while (s >= 1.0 || s == 0.0);
        // Single precision is ample for noise and halves the cost of the root and division.
        const float sf = static_cast<float>(s);
        const double f = std::sqrt(-2.0f * std::log(sf) / sf);
        first_ = u * f;
        second_ = v * f;
    }

    std::uint64_t key_ = 0;
    std::uint64_t cachedPair_ = 0;
    bool cached_ = false;
    double first_ = 0.0;
    double second_ = 0.0;
};

}  // namespace otdr::sim
