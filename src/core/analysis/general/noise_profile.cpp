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
                           std::size_t block, const std::vector<char>* valid, std::size_t stride)
    : lo_(lo), block_(std::max<std::size_t>(block, 1)) {
    hi = std::min(hi, v.size());
    if (hi <= lo) return;
    const std::size_t blocks = (hi - lo + block_ - 1) / block_;
    median_.assign(blocks, 0.0);
    sigma_.assign(blocks, 0.0);
    std::vector<char> known(blocks, 0);
    std::vector<double> work;
    work.reserve(block_);
    for (std::size_t b = 0; b < blocks; ++b) {
        work.clear();
        const std::size_t from = lo + b * block_, to = std::min(hi, from + block_);
        const std::size_t step = std::max<std::size_t>(stride, 1);
        for (std::size_t i = from; i < to; i += step)
            if (!valid || (*valid)[i]) work.push_back(v[i]);
        if (work.size() < std::max<std::size_t>(8, (to - from) / step / 4)) continue;
        const double med = medianOf(work);
        for (double& w : work) w = std::fabs(w - med);
        median_[b] = med;
        // Where most values are equal (a floor clipped at the bottom of the scale, a quantised
        // flat stretch) the median deviation is 0; the tenth of the values farthest out still
        // tell the noise, at half weight so that an event in the block cannot dominate.
        const double mad = medianOf(work);
        if (mad > 0.0) {
            sigma_[b] = kMadToSigma * mad;
        } else {
            auto q90 = work.begin() + static_cast<std::ptrdiff_t>(work.size() * 9 / 10);
            std::nth_element(work.begin(), q90, work.end());
            sigma_[b] = kTailWeight * *q90 / kQ90ToSigma;
        }
        known[b] = 1;
    }
    // Blocks without figures take the nearest known block's.
    std::ptrdiff_t last = -1;
    for (std::size_t b = 0; b < blocks; ++b) {
        if (known[b]) {
            if (last < 0)
                for (std::size_t k = 0; k < b; ++k) median_[k] = median_[b], sigma_[k] = sigma_[b];
            last = static_cast<std::ptrdiff_t>(b);
        } else if (last >= 0) {
            median_[b] = median_[static_cast<std::size_t>(last)];
            sigma_[b] = sigma_[static_cast<std::size_t>(last)];
        }
    }
}

double NoiseProfile::quietSigma(std::size_t i) const {
    if (sigma_.empty()) return 0.0;
    const std::size_t b =
        std::min(i > lo_ ? (i - lo_) / block_ : std::size_t{0}, sigma_.size() - 1);
    return b > 0 ? std::min(sigma(i), sigma_[b - 1]) : sigma(i);
}

double NoiseProfile::interpolate(const std::vector<double>& f, std::size_t i) const {
    if (f.empty()) return 0.0;
    // Block b's figure belongs to its centre lo + (b + 1/2) block.
    const double pos = (static_cast<double>(i) - static_cast<double>(lo_)) / block_ - 0.5;
    if (pos <= 0.0) return f.front();
    const std::size_t b = static_cast<std::size_t>(pos);
    if (b + 1 >= f.size()) return f.back();
    const double t = pos - static_cast<double>(b);
    return f[b] + t * (f[b + 1] - f[b]);
}

}  // namespace otdr::general
