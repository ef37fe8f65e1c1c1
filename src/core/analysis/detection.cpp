#include "analysis/detection.h"

#include <algorithm>
#include <cmath>

#include "util/checked.h"

namespace otdr {

namespace {

std::int32_t sample(SampleView x, std::int64_t i) {
    return at(x, i);
}
std::int32_t cls(const AnalysisWork& w, std::int64_t h) {
    return at(w.stepClass, h);
}
std::int32_t step(const AnalysisWork& w, std::int64_t h) {
    return at(w.stepSignal, h);
}
std::int32_t work(const AnalysisWork& w, std::int64_t h) {
    return at(w.workTrace, h);
}
std::uint16_t halfWord(int position) {
    return static_cast<std::uint16_t>(position & kPositionMask);
}

}  // namespace

void nearEndReflectionScan(SampleView x, int scanLimit, EventTable& reflective) {
    const int end = std::min(scanLimit, 300);
    int run = 0;
    for (int i = 20; i < end; ++i) {
        const std::int32_t a = sample(x, i);
        const std::int32_t b = sample(x, i + 1);
        if (b < a) {
            run = 0;
        } else if (b - a > 200 || (b - a > 100 && b >= 6000)) {
            ++run;
        }
        if (run >= 5) {
            if (a > 6000 || b > 6000) {
                reflective.append(halfWord((i - 3) / 2));
                run = 0;
            }
            i += 20;
        }
    }
}

void findReflectiveCandidates(const AnalysisWork& w, std::uint16_t peakLevel,
                              EventTable& reflective) {
    const std::int32_t peak = peakLevel;
    const std::int32_t saturated = peak - (2 * peak) / 25;
    for (int j = 20; j <= w.scanLimit; ++j) {
        if (step(w, j - 1) <= -10000) continue;
        bool onset = true;
        for (int m = j; m <= j + 20 && onset; ++m) onset = step(w, m) <= -10000;
        if (!onset) continue;
        int c = j;
        while (work(w, c + 89) > saturated && c > 20) --c;
        const int p = c + 89;
        const int n = reflective.count();
        if (n == 0) {
            if (c > 20) reflective.append(halfWord(p));
        } else if (p - reflective.position(n) > 50) {
            reflective.append(halfWord(p));
        }
    }
}

void findNonReflectiveCandidates(const AnalysisWork& w, std::uint16_t peakLevel,
                                 EventTable& events) {
    const std::int32_t peak = peakLevel;
    const std::int32_t launch = peak - peak / 20;
    for (int k = 10; k <= w.scanLimit; ++k) {
        // Step test: the class rises by at least one level.
        if (cls(w, k) - cls(w, k - 1) < 2) continue;
        // Persistence: no fall over the next 51 entries.
        bool persistent = true;
        for (int m = k; m <= k + 50 && persistent; ++m) persistent = cls(w, m + 1) >= cls(w, m);
        if (!persistent) continue;
        // Not inside the launch pulse.
        if (work(w, k + 89) >= launch) continue;
        // Same region as the previous candidate when the class is constant in between.
        const int n = events.count();
        if (n == 0 || !stepClassConstant(w, events.position(n), k + 89))
            events.append(halfWord(k + 89));
        // Skip the disturbance.
        int m = k + 51;
        while (cls(w, m) > 0) ++m;
        if (m != k + 51) k = (cls(w, m - 1) == 50 && m - k < 2000) ? m + 10 : m;
    }
}

void refineReflectiveCandidates(SampleView x, EventTable& reflective) {
    for (int e = 1; e <= reflective.count(); ++e) {
        int f = 2 * reflective.position(e);
        for (int t = 0; t < 40; ++t) {
            if (!(f > 0 && sample(x, f - 1) < sample(x, f))) break;
            --f;
            if (f > 0) reflective.setWord(e, halfWord(f / 2));
        }
    }
}

bool stepClassConstant(const AnalysisWork& w, int u, int v) {
    for (int h = u; h < v; ++h)
        if (cls(w, h + 1) != cls(w, h)) return false;
    return true;
}

void mergeCandidates(const AnalysisWork& w, const EventTable& reflective, EventTable& events) {
    const int rc = reflective.count();
    if (rc == 0) return;
    int l = 1, k = 1;
    while (l <= events.count() && k <= rc) {
        const int a = events.position(l);
        const int b = reflective.position(k);
        const auto flagged = static_cast<std::uint16_t>(halfWord(b) | kReflectiveFlag);
        if (b > a) {
            if ((b - a <= 15 && cls(w, a) == 50) || stepClassConstant(w, a, b)) {
                events.setWord(l, flagged);
                ++k;
            }
            ++l;
        } else if (b == a) {
            events.setWord(l, flagged);
            ++k;
            ++l;
        } else {
            if (a - b <= 10 || stepClassConstant(w, b, a)) {
                events.setWord(l, flagged);
                ++l;
            } else if (events.insert(l, flagged)) {
                ++l;  // l points at the former entry a again
            }
            // A full table drops the candidate; a stays at l for the next one.
            ++k;
        }
    }
    for (; k <= rc; ++k)
        events.append(
            static_cast<std::uint16_t>(halfWord(reflective.position(k)) | kReflectiveFlag));
}

void dropDoubtfulLastEvent(const AnalysisWork& w, EventTable& events) {
    const int n = events.count();
    if (n <= 1) return;
    const int p = events.position(n);
    const int q = events.position(n - 1);
    if (cls(w, p) > 0 && cls(w, q) == 50 && p - q < 1000 && step(w, p) > -10000)
        events.setCount(n - 1);
}

std::optional<FitResult> pruneTailBySlope(SampleView x, const AnalysisWork& w, float sampleSpacing,
                                          EventTable& events) {
    std::optional<FitResult> last;
    int n = events.count();
    int k = n;
    while (k > 3) {
        const int p = events.position(k);
        if (p <= 600 || cls(w, p - 80) <= 50) break;
        last = fitLine(x, 2 * p - 600, 2 * p, sampleSpacing);
        const double slope = std::fabs(static_cast<double>(last->slope));
        if (slope > 4.0 || slope < 0.1) {
            --n;
            --k;
        } else {
            break;
        }
    }
    events.setCount(n);
    return last;
}

void cutAtNoise(SampleView x, EventTable& events) {
    const int n = events.count();
    for (int l = 1; l <= n; ++l) {
        const int p = events.position(l);
        if (p > 20 && sample(x, 2 * p) < 5000 && sample(x, 2 * p + 10) < 8500) {
            events.setCount(l);
            return;
        }
    }
}

void convertToFullRate(EventTable& events) {
    for (int e = 1; e <= events.count(); ++e) {
        const std::uint16_t flag = events.word(e) & kReflectiveFlag;
        const int full = 2 * events.position(e);
        events.setWord(e, static_cast<std::uint16_t>((full & kPositionMask) | flag));
    }
}

std::optional<FitResult> detectEvents(SampleView x, float sampleSpacing, std::uint16_t peakLevel,
                                      AnalysisWork& w, EventTable& events, EventTable& reflective) {
    buildStepSignals(w);
    findReflectiveCandidates(w, peakLevel, reflective);
    findNonReflectiveCandidates(w, peakLevel, events);
    refineReflectiveCandidates(x, reflective);
    mergeCandidates(w, reflective, events);
    dropDoubtfulLastEvent(w, events);
    const std::optional<FitResult> last = pruneTailBySlope(x, w, sampleSpacing, events);
    cutAtNoise(x, events);
    convertToFullRate(events);
    return last;
}

}  // namespace otdr
