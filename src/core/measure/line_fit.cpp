#include "measure/line_fit.h"

#include <algorithm>

namespace otdr {

FitResult fitLine(std::span<const std::uint16_t> samples, std::int64_t start, std::int64_t end,
                  float sampleSpacing) {
    FitResult r;
    if (start == end || start < 0 || end < 0) return r;
    const std::int64_t lo = start < end ? start : end;
    const std::int64_t hi = start < end ? end : start;
    const double n = static_cast<double>(hi - lo + 1);
    // The sums are whole numbers; kept in 64-bit integers they are exact, and so equal to a
    // running sum in double while they stay below 2^53 (far beyond any 16-bit index range).
    // Indices beyond the samples read as 0.
    std::int64_t sx = 0, sy = 0, sxy = 0, sxx = 0;
    const auto size = static_cast<std::int64_t>(samples.size());
    const std::int64_t inside = std::min(hi, size - 1);
    for (std::int64_t i = lo; i <= inside; ++i) {
        const std::int64_t y = samples[static_cast<std::size_t>(i)];
        sx += i;
        sy += y;
        sxy += i * y;
        sxx += i * i;
    }
    for (std::int64_t i = std::max(lo, inside + 1); i <= hi; ++i) {
        sx += i;
        sxx += i * i;
    }
    const double dsx = static_cast<double>(sx), dsy = static_cast<double>(sy);
    const double dsxy = static_cast<double>(sxy), dsxx = static_cast<double>(sxx);
    double d = (n * dsxx - dsx * dsx) * static_cast<double>(sampleSpacing);
    if (d == 0.0) d = 1.0;
    r.slope = static_cast<float>((n * dsxy - dsx * dsy) / d);
    r.intercept =
        static_cast<float>((dsxx * dsy - dsx * dsxy) / (d / static_cast<double>(sampleSpacing)));
    return r;
}

}  // namespace otdr
