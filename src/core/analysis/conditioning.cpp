#include "analysis/conditioning.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "analysis/detection.h"
#include "util/checked.h"
#include "util/numeric.h"

namespace otdr {

namespace {

constexpr int kHalf = kHalfSampleCount;
constexpr int kStepLast = 15900;   // last index of the raw step signal
constexpr int kClassLast = 15750;  // last index that is corrected and classified

}  // namespace

double nominalSpacing(int rangeIndex) {
    if (rangeIndex < 0 || rangeIndex >= static_cast<int>(kNominalSpacing.size())) rangeIndex = 7;
    return kNominalSpacing[static_cast<std::size_t>(rangeIndex)];
}

void halfRateCopy(SampleView x, AnalysisWork& w) {
    // Every second sample; past the end of a short view, zeros.
    auto& t = w.workTrace;
    const std::size_t n = std::min<std::size_t>(t.size(), (x.size() + 1) / 2);
    for (std::size_t h = 0; h < n; ++h) t[h] = x[2 * h];
    std::fill(t.begin() + static_cast<std::ptrdiff_t>(n), t.end(), std::uint16_t{0});
}

std::uint16_t findPeakLevel(SampleView x) {
    std::uint16_t peak = 0;
    for (std::uint16_t v : x.first(std::min<std::size_t>(x.size(), 16000)))
        peak = std::max(peak, v);
    return peak;
}

void smoothWorkTrace(AnalysisWork& w) {
    // Each point becomes the mean of the nine around it, in place: the four before are already
    // smoothed. Near either end the window stays at the last full one.
    auto& t = w.workTrace;
    constexpr int kFirstCentred = 5, kLastCentred = 16300;
    auto windowAt = [&](int h) {
        const int c = std::clamp(h, kFirstCentred, kLastCentred);
        std::uint32_t sum = 0;
        for (int k = c - 4; k <= c + 4; ++k) sum += at(t, k);
        t[static_cast<std::size_t>(h)] = static_cast<std::uint16_t>(sum / 9);
    };
    for (int h = 1; h < kFirstCentred; ++h) windowAt(h);
    // Between the ends the window moves one point a step: a running sum, which leaves the
    // point it passes (smoothed) and the one it replaces (before smoothing) and takes the
    // smoothed value and the next point ahead. Modulo 2^32 the intermediate terms cannot go
    // wrong, and the sum itself is that of nine 16-bit values.
    std::uint32_t sum = 0;
    for (int k = kFirstCentred - 4; k <= kFirstCentred + 4; ++k) sum += at(t, k);
    for (int h = kFirstCentred; h <= kLastCentred; ++h) {
        const auto v = static_cast<std::uint16_t>(sum / 9);
        sum = sum - at(t, h - 4) - at(t, h) + v + at(t, h + 5);
        t[static_cast<std::size_t>(h)] = v;
    }
    for (int h = kLastCentred + 1; h < kHalf; ++h) windowAt(h);
}

std::uint16_t findSignalEnd(SampleView x, const AnalysisWork& w) {
    std::uint32_t sum = 0;
    for (int h = 15301; h <= 16000; ++h) sum += at(w.workTrace, h);
    const std::int32_t noise = static_cast<std::int32_t>(sum / 700);
    int n = 31000;
    while (n > 20) {
        if (static_cast<std::int32_t>(at(x, n)) - noise > 6500) break;
        --n;
    }
    return static_cast<std::uint16_t>(n);
}

std::int16_t findScanLimit(const AnalysisWork& w, int rangeIndex) {
    std::uint32_t sum = 0;
    for (int h = 14501; h <= 15500; ++h) sum += at(w.workTrace, h);
    const std::int32_t noise = static_cast<std::int32_t>(sum / 1000);
    const std::int32_t threshold = rangeIndex < 6 ? 1800 : 2000;
    int k = 100;
    while (k < 15000 && static_cast<std::int32_t>(at(w.workTrace, k)) - noise >= threshold) ++k;
    if ((k < 4000 && rangeIndex <= 6) || (k < 5000 && rangeIndex > 6)) {
        const double d = rangeIndex <= 4 ? 500.0 : 1500.0;
        k = truncToI32(16000.0 - d / nominalSpacing(rangeIndex));
    }
    if (rangeIndex >= 9 && k >= 10000) k = 11000;
    if (rangeIndex == 0) k = std::min(k, 2000);
    if (rangeIndex == 1) k = std::min(k, 4000);
    if (rangeIndex == 2) k = std::min(k, 8000);
    return static_cast<std::int16_t>(k);
}

void computeStepSignal(AnalysisWork& w) {
    w.stepSignal.fill(0);
    // Every term is divided by 10 before it is summed; prefix sums of the divided terms give
    // each window in constant time.
    static thread_local std::array<std::int32_t, kHalf + 1> prefix;
    prefix[0] = 0;
    for (int h = 0; h < kHalf; ++h)
        prefix[static_cast<std::size_t>(h + 1)] =
            prefix[static_cast<std::size_t>(h)] + at(w.workTrace, h) / 10;
    auto tenth = [&](int h) { return static_cast<std::int32_t>(at(w.workTrace, h) / 10); };
    auto range = [&](int from, int to) {  // sum of tenths over from..to inclusive
        return prefix[static_cast<std::size_t>(to + 1)] - prefix[static_cast<std::size_t>(from)];
    };
    for (int h = 1; h <= kStepLast; ++h) {
        const std::int32_t a = tenth(h) + range(h + 2, h + 10);
        const std::int32_t b = tenth(h + 10) + range(h + 82, h + 90);
        w.stepSignal[static_cast<std::size_t>(h)] = a - b;
    }
}

std::int16_t computeSlopeBaseline(const AnalysisWork& w) {
    std::array<std::int32_t, 10> medians{};
    std::array<std::int32_t, 300> block{};
    for (int b = 0; b < 10; ++b) {
        const int first = 1001 + 300 * b;
        for (int k = 0; k < 300; ++k)
            block[static_cast<std::size_t>(k)] = at(w.stepSignal, first + k);
        std::nth_element(block.begin(), block.begin() + 149, block.end());
        medians[static_cast<std::size_t>(b)] = block[149];
    }
    std::nth_element(medians.begin(), medians.begin() + 3, medians.end());
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(medians[3] & 0xFFFF));
}

void correctAndClassify(AnalysisWork& w) {
    for (int h = 1; h <= kClassLast; ++h) {
        auto& v = w.stepSignal[static_cast<std::size_t>(h)];
        v = (v - w.slopeBaseline) * 20;
    }
    w.stepClass.fill(0);
    for (int h = 1; h <= kClassLast; ++h) {
        const std::int32_t v = w.stepSignal[static_cast<std::size_t>(h)];
        w.stepClass[static_cast<std::size_t>(h)] = v > 480 ? 400 : v < -480 ? 50 : 0;
    }
}

void conditionTrace(SampleView x, const TestParameters& p, AnalysisWork& w, EventTable& events,
                    EventTable& reflective, std::uint16_t& peakLevel) {
    events.clearAll();
    reflective.clearAll();
    halfRateCopy(x, w);
    peakLevel = findPeakLevel(x);
    smoothWorkTrace(w);
    w.signalEndIndex = findSignalEnd(x, w);
    w.scanLimit = findScanLimit(w, p.rangeIndex);
    if (p.rangeIndex <= 3 && p.pulseWidthNs == 10)
        nearEndReflectionScan(x, w.scanLimit, reflective);
    halfRateCopy(x, w);
}

void buildStepSignals(AnalysisWork& w) {
    computeStepSignal(w);
    w.slopeBaseline = computeSlopeBaseline(w);
    correctAndClassify(w);
}

}  // namespace otdr
