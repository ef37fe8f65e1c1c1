#include "measure/line_fit.h"

#include "util/checked.h"

namespace otdr {

FitResult fitLine(std::span<const std::uint16_t> samples, std::int64_t start, std::int64_t end,
                  float sampleSpacing) {
    FitResult r;
    if (start == end || start < 0 || end < 0) return r;
    const std::int64_t lo = start < end ? start : end;
    const std::int64_t hi = start < end ? end : start;
    const double n = static_cast<double>(hi - lo + 1);
    double sx = 0, sy = 0, sxy = 0, sxx = 0;
    for (std::int64_t i = lo; i <= hi; ++i) {
        const double x = static_cast<double>(i);
        const double y = at(samples, i);
        sx += x;
        sy += y;
        sxy += x * y;
        sxx += x * x;
    }
    double d = (n * sxx - sx * sx) * static_cast<double>(sampleSpacing);
    if (d == 0.0) d = 1.0;
    r.slope = static_cast<float>((n * sxy - sx * sy) / d);
    r.intercept =
        static_cast<float>((sxx * sy - sx * sxy) / (d / static_cast<double>(sampleSpacing)));
    return r;
}

}  // namespace otdr
