#include "analysis/general/noise_profile.h"

#include <algorithm>
#include <cmath>

#include "analysis/general/selection.h"

namespace otdr::general {

namespace {

// 1 / Phi^-1(3/4): the median absolute deviation of normal noise times this is its deviation.
constexpr double kMadToSigma = 1.4826;
// The 90th percentile of the absolute deviation of normal noise in deviations.
constexpr double kQ90ToSigma = 1.6449;
constexpr double kTailWeight = 0.5;

double medianOf(const double* v, std::size_t n) {
    return selectNth(v, n, n / 2);
}

}  // namespace

NoiseProfile::NoiseProfile(std::span<const double> v, std::size_t lo, std::size_t hi,
                           std::size_t block, const char* valid, std::size_t stride,
                           std::size_t split)
    : v_(v), valid_(valid), stride_(std::max<std::size_t>(stride, 1)) {
    hi = std::min(hi, v.size());
    if (split > lo && split < hi) {
        split_ = split;
        before_ = part(lo, split, block);
        after_ = part(split, hi, block);
    } else {
        before_ = part(lo, hi, block);
    }
}

NoiseProfile::Part NoiseProfile::part(std::size_t lo, std::size_t hi, std::size_t block) {
    Part p;
    p.lo = lo;
    p.hi = hi;
    p.block = std::max<std::size_t>(block, 1);
    if (hi <= lo) return p;
    p.blocks = (hi - lo + p.block - 1) / p.block;
    p.own.assign(p.blocks, Figures{});
    p.state.assign(p.blocks, 0);
    p.source.assign(p.blocks, kUnresolved);
    return p;
}

bool NoiseProfile::measured(Part& p, std::size_t b) const {
    if (p.state[b] == 0) {
        p.state[b] = 2;
        const std::span<const double> v = v_;
        const std::size_t from = p.lo + b * p.block, to = std::min(p.hi, from + p.block);
        const std::size_t step = stride_;
        // The work area only grows: every block writes the values it takes before reading
        // them, so none needs clearing.
        const std::size_t most = (to - from + step - 1) / step;
        if (work_.size() < most) work_.resize(most);
        double* work = work_.data();
        std::size_t count = 0;
        for (std::size_t i = from; i < to; i += step)
            if (!valid_ || valid_[i]) work[count++] = v[i];
        if (count < std::max<std::size_t>(8, (to - from) / step / 4)) return false;
        const double med = medianOf(work, count);
        for (std::size_t k = 0; k < count; ++k) work[k] = std::fabs(work[k] - med);
        Figures& f = p.own[b];
        f.median = med;
        // Where most values are equal (a floor clipped at the bottom of the scale, a quantised
        // flat stretch) the median deviation is 0; the tenth of the values farthest out still
        // tell the noise, at half weight so that an event in the block cannot dominate.
        const double mad = medianOf(work, count);
        if (mad > 0.0) {
            f.sigma = kMadToSigma * mad;
        } else {
            const double q90 = selectNth(work, count, count * 9 / 10);
            f.sigma = kTailWeight * q90 / kQ90ToSigma;
        }
        p.state[b] = 1;
    }
    return p.state[b] == 1;
}

std::size_t NoiseProfile::resolve(Part& p, std::size_t b) const {
    std::size_t s = kNone;
    if (measured(p, b)) {
        s = b;
    } else {
        // The nearest block before with figures; a resolved block before passes its answer on
        // (every block between is without figures).
        bool found = false;
        for (std::size_t k = b; k-- > 0;) {
            if (p.source[k] != kUnresolved) {
                s = p.source[k];
                found = true;
                break;
            }
            if (measured(p, k)) {
                s = k;
                found = true;
                break;
            }
        }
        // None before: the first after.
        if (!found)
            for (std::size_t k = b + 1; k < p.blocks; ++k)
                if (measured(p, k)) {
                    s = k;
                    break;
                }
    }
    p.source[b] = s;
    return s;
}

NoiseProfile::Part* NoiseProfile::otherPart(Part* p) const {
    Part* other = p == &after_ ? &before_ : &after_;
    return empty(*other) ? nullptr : other;
}

NoiseProfile::Point NoiseProfile::quietAt(std::size_t i) const {
    Point x = at(i);
    Part* p = partFor(i);
    if (!p) return x;
    const std::size_t b =
        std::min(i > p->lo ? (i - p->lo) / p->block : std::size_t{0}, p->blocks - 1);
    if (b > 0) x.sigma = std::min(x.sigma, figures(*p, b - 1).sigma);
    return x;
}

NoiseProfile::Point NoiseProfile::at(std::size_t i) const {
    Part* p = partFor(i);
    if (!p) return {};
    // Block b's figures belong to its centre lo + (b + 1/2) block.
    const double pos =
        (static_cast<double>(i) - static_cast<double>(p->lo)) / static_cast<double>(p->block) - 0.5;
    if (pos <= 0.0) {
        const Figures& f = figures(*p, 0);
        return {f.median, f.sigma};
    }
    const std::size_t b = static_cast<std::size_t>(pos);
    if (b + 1 >= p->blocks) {
        const Figures& f = figures(*p, p->blocks - 1);
        return {f.median, f.sigma};
    }
    const double t = pos - static_cast<double>(b);
    const Figures& f0 = figures(*p, b);
    const Figures& f1 = figures(*p, b + 1);
    return {f0.median + t * (f1.median - f0.median), f0.sigma + t * (f1.sigma - f0.sigma)};
}

}  // namespace otdr::general
