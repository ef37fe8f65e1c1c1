#include "analysis/general/noise_profile.h"

#include <algorithm>
#include <cmath>

namespace otdr::general {

namespace {

// 1 / Phi^-1(3/4): the median absolute deviation of normal noise times this is its deviation.
constexpr double kMadToSigma = 1.4826;
// The 90th percentile of the absolute deviation of normal noise in deviations.
constexpr double kQ90ToSigma = 1.6449;
constexpr double kTailWeight = 0.5;

double medianOf(std::vector<double>& v) {
    auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

}  // namespace

NoiseProfile::NoiseProfile(const std::vector<double>& v, std::size_t lo, std::size_t hi,
                           std::size_t block, const std::vector<char>* valid, std::size_t stride,
                           std::size_t split) {
    hi = std::min(hi, v.size());
    if (split > lo && split < hi) {
        split_ = split;
        before_ = profile(v, lo, split, block, valid, stride);
        after_ = profile(v, split, hi, block, valid, stride);
        // A stretch too short for figures of its own takes the other's.
        if (before_.median.empty()) before_ = after_;
        if (after_.median.empty()) after_ = before_;
    } else {
        before_ = profile(v, lo, hi, block, valid, stride);
    }
}

NoiseProfile::Part NoiseProfile::profile(const std::vector<double>& v, std::size_t lo,
                                         std::size_t hi, std::size_t block,
                                         const std::vector<char>* valid, std::size_t stride) {
    Part p;
    p.lo = lo;
    p.block = std::max<std::size_t>(block, 1);
    if (hi <= lo) return p;
    const std::size_t blocks = (hi - lo + p.block - 1) / p.block;
    p.median.assign(blocks, 0.0);
    p.sigma.assign(blocks, 0.0);
    std::vector<char> known(blocks, 0);
    std::vector<double> work;
    work.reserve(p.block);
    for (std::size_t b = 0; b < blocks; ++b) {
        work.clear();
        const std::size_t from = lo + b * p.block, to = std::min(hi, from + p.block);
        const std::size_t step = std::max<std::size_t>(stride, 1);
        for (std::size_t i = from; i < to; i += step)
            if (!valid || (*valid)[i]) work.push_back(v[i]);
        if (work.size() < std::max<std::size_t>(8, (to - from) / step / 4)) continue;
        const double med = medianOf(work);
        for (double& w : work) w = std::fabs(w - med);
        p.median[b] = med;
        // Where most values are equal (a floor clipped at the bottom of the scale, a quantised
        // flat stretch) the median deviation is 0; the tenth of the values farthest out still
        // tell the noise, at half weight so that an event in the block cannot dominate.
        const double mad = medianOf(work);
        if (mad > 0.0) {
            p.sigma[b] = kMadToSigma * mad;
        } else {
            auto q90 = work.begin() + static_cast<std::ptrdiff_t>(work.size() * 9 / 10);
            std::nth_element(work.begin(), q90, work.end());
            p.sigma[b] = kTailWeight * *q90 / kQ90ToSigma;
        }
        known[b] = 1;
    }
    // Blocks without figures take the nearest known block's.
    std::ptrdiff_t last = -1;
    for (std::size_t b = 0; b < blocks; ++b) {
        if (known[b]) {
            if (last < 0)
                for (std::size_t k = 0; k < b; ++k)
                    p.median[k] = p.median[b], p.sigma[k] = p.sigma[b];
            last = static_cast<std::ptrdiff_t>(b);
        } else if (last >= 0) {
            p.median[b] = p.median[static_cast<std::size_t>(last)];
            p.sigma[b] = p.sigma[static_cast<std::size_t>(last)];
        }
    }
    if (last < 0) {
        p.median.clear();
        p.sigma.clear();
    }
    return p;
}

double NoiseProfile::quietSigma(std::size_t i) const {
    const Part& p = i >= split_ ? after_ : before_;
    if (p.sigma.empty()) return 0.0;
    const std::size_t b =
        std::min(i > p.lo ? (i - p.lo) / p.block : std::size_t{0}, p.sigma.size() - 1);
    return b > 0 ? std::min(sigma(i), p.sigma[b - 1]) : sigma(i);
}

double NoiseProfile::interpolate(std::size_t i, bool typical) const {
    const Part& p = i >= split_ ? after_ : before_;
    const std::vector<double>& f = typical ? p.median : p.sigma;
    if (f.empty()) return 0.0;
    // Block b's figure belongs to its centre lo + (b + 1/2) block.
    const double pos =
        (static_cast<double>(i) - static_cast<double>(p.lo)) / static_cast<double>(p.block) - 0.5;
    if (pos <= 0.0) return f.front();
    const std::size_t b = static_cast<std::size_t>(pos);
    if (b + 1 >= f.size()) return f.back();
    const double t = pos - static_cast<double>(b);
    return f[b] + t * (f[b + 1] - f[b]);
}

}  // namespace otdr::general
