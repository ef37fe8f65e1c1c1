#pragma once
// Least-squares straight line over a range of full-rate samples: level(i) = intercept +
// slope x i x spacing, with the slope in counts per metre (numerically dB per km) and the
// intercept in counts at index 0.

#include <cstdint>
#include <span>

namespace otdr {

struct FitResult {
    float slope = 0.0f;
    float intercept = 0.0f;
};

// Fits samples[start..end] (either order, inclusive). Equal or negative ends give 0 and 0.
// Indices beyond the samples read as 0.
FitResult fitLine(std::span<const std::uint16_t> samples, std::int64_t start, std::int64_t end,
                  float sampleSpacing);

}  // namespace otdr
