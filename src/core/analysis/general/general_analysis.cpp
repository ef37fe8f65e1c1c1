#include "analysis/general/general_analysis.h"

#include <algorithm>
#include <cmath>

#include "analysis/general/noise_profile.h"
#include "analysis/general/trace_sums.h"

namespace otdr::general {

namespace {

// Half the speed of light in vacuum, metres per ns.
constexpr double kHalfLightMPerNs = 0.299792458 / 2.0;

// Detection margins, in units of the statistic's own noise (robust standard deviations).
constexpr double kStepSigmas = 7.0;
constexpr double kPeakSigmas = 6.0;
// A receiver has recovered when the fall over a window is within this many deviations of the
// fibre's own slope.
constexpr double kRecoverSigmas = 3.0;
// Window lengths of the step search: the pulse length (at least kMinWindow points), then
// kScaleFactor and kScaleFactor^2 times that.
constexpr std::size_t kMinWindow = 8;
constexpr std::size_t kScaleFactor = 4;
constexpr int kScales = 3;
// Least-squares lines reach at most this many windows (and points) from their event.
constexpr std::size_t kFitWindows = 25;
constexpr std::size_t kMinFitPoints = 1000;
// A fibre end leaves at most half of the signal's height above the floor, and falls at least
// this far.
constexpr double kMinEndFallDb = 2.0;
constexpr double kEndShareOfHeadroom = 0.5;
// ... or leaves a trace this many times noisier than the fibre before it, and noisier than
// this (dB per point).
constexpr double kEndNoiseRatio = 4.0;
constexpr double kMinEndNoiseDb = 0.2;
// Beyond the end a reflection counts only when it stands this far above the noise there.
constexpr double kAfterEndHeightDb = 6.0;
// The launch reflection stands at least this far above the fibre after it.
constexpr double kMinLaunchHeightDb = 1.0;
// A stretch recorded before the launch ends with a jump of at least this much above all of it.
constexpr double kLeadJumpDb = 10.0;
// Share of the trace whose median is the noise floor (and its least length in windows).
constexpr std::size_t kTailShare = 50;
// A reflection must fall back by this share of its height within its dead zone (a step up,
// a gainer, does not).
constexpr double kPeakFallBackShare = 0.5;
constexpr double kPeakFallBackDb = 3.0;
// The least height of a peak, whatever the noise.
constexpr double kMinPeakDb = 0.05;  // enough for a tall peak with a slow recovery
// Ghosts: echoes at these multiples of a stronger reflection's distance.
constexpr int kGhostMultiples[] = {2, 3};
// Plausible backscatter coefficients for a 1 ns pulse, dB.
constexpr double kMinBackscatterDb = -95.0;
constexpr double kMaxBackscatterDb = -65.0;

struct Candidate {
    std::size_t foot = 0;
    std::size_t top = 0;
    std::size_t zoneEnd = 0;  // first point past the event's transition or dead zone
    bool reflective = false;
    bool launch = false;
};

struct Geometry {
    std::size_t n = 0;
    double pulse = 1.0;         // pulse length in points
    std::size_t pulseSpan = 1;  // pulse length rounded up, at least 1
    std::size_t gap = 2;        // half-width of the gap between the two step windows
    std::size_t window = kMinWindow;
    std::size_t smoothHalf = 0;  // half-width of the peak search's smoothing
};

Geometry geometryOf(const TraceInput& in) {
    Geometry g;
    g.n = in.levelsDb.size();
    const double spacing = in.spacingM > 0.0 ? in.spacingM : 1.0;
    g.pulse = std::max(pulseLengthM(in.pulseWidthNs, in.groupIndex) / spacing, 0.0);
    // A pulse as long as the trace says nothing about its events; keep the windows sane.
    g.pulse = std::min(g.pulse, static_cast<double>(g.n) / 16.0);
    g.pulseSpan = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(g.pulse)));
    g.gap = g.pulseSpan / 2 + 1;
    g.window = std::max(kMinWindow, g.pulseSpan);
    g.smoothHalf = static_cast<std::size_t>(g.pulse / 4.0);
    return g;
}

// Mean of y over [i - h, i + h] clipped to the trace.
std::vector<double> smoothed(const TraceSums& sums, std::size_t h) {
    const std::size_t n = sums.size();
    std::vector<double> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = sums.mean(i >= h ? i - h : 0, std::min(n, i + h + 1));
    return out;
}

double backscatterFor(const TraceInput& in) {
    if (in.backscatterDb && *in.backscatterDb >= kMinBackscatterDb &&
        *in.backscatterDb <= kMaxBackscatterDb)
        return *in.backscatterDb;
    return typicalBackscatterDb(in.wavelengthNm);
}

class Analysis {
  public:
    explicit Analysis(const TraceInput& in)
        : in_(in),
          y_(in.levelsDb),
          g_(geometryOf(in)),
          sums_(y_),
          ys_(smoothed(sums_, g_.smoothHalf)),
          backscatter_(backscatterFor(in)),
          lossThreshold_(std::fabs(in.thresholds.lossDb.value_or(kDefaultLossThresholdDb))),
          reflectanceThreshold_(
              -std::fabs(in.thresholds.reflectanceDb.value_or(kDefaultReflectanceThresholdDb))),
          zoneCount_(g_.n + 1, 0) {}

    Result run() {
        Result r;
        r.pulsePoints = g_.pulse;
        computeFineStatistics();
        findLaunch();
        findPeaks();
        findSteps();
        std::sort(cands_.begin(), cands_.end(),
                  [](const Candidate& a, const Candidate& b) { return a.foot < b.foot; });
        floor_ = tailFloor();
        r.noiseFloorDb = floor_;
        std::vector<Event> events = measureAll();
        prune(events);
        events = measureAll();
        prune(events);
        events = measureAll();
        r.reachesEnd = markEnd(events);
        dropGhosts(events);
        r.events = std::move(events);
        return r;
    }

  private:
    // ---- Statistics at the finest window -------------------------------------------------
    std::size_t stepLo(std::size_t m) const { return g_.gap + m; }
    std::size_t stepHi(std::size_t m) const {  // one past the last valid centre
        const std::size_t reach = g_.gap + 1 + m;
        return g_.n > reach ? g_.n - reach : 0;
    }
    double stepAt(std::size_t i, std::size_t m) const {
        return sums_.mean(i - g_.gap - m, i - g_.gap) -
               sums_.mean(i + g_.gap + 1, i + g_.gap + 1 + m);
    }

    void computeFineStatistics() {
        const std::size_t m = g_.window;
        const std::size_t lo = stepLo(m), hi = stepHi(m);
        std::vector<double> t(g_.n, 0.0), h(g_.n, 0.0);
        for (std::size_t i = lo; i < hi; ++i) {
            t[i] = stepAt(i, m);
            h[i] = ys_[i] - sums_.mean(i - g_.gap - m, i - g_.gap);
        }
        const std::size_t block = blockLength(m);
        fineStep_ = NoiseProfile(t, lo, hi, block, nullptr, strideFor(m));
        peak_ = NoiseProfile(h, lo, hi, block, nullptr, strideFor(g_.smoothHalf * 2 + 1));
        peakStat_ = std::move(h);
    }

    static std::size_t strideFor(std::size_t m) { return std::max<std::size_t>(1, m / 4); }

    std::size_t blockLength(std::size_t m) const {
        return std::max<std::size_t>(4 * (m + 2 * g_.gap), 256);
    }

    // Fibre slope in dB per point near i (positive when the level falls), from the typical
    // value of the finest step statistic there.
    double slopeNear(std::size_t i) const {
        return fineStep_.typical(i) / static_cast<double>(g_.window + 2 * g_.gap + 1);
    }

    // First point after `from` where the fall has slowed to the fibre's own slope.
    std::size_t recoveredAfter(std::size_t from) const {
        const std::size_t q = g_.window;
        std::size_t i = from;
        while (i + 2 * q < g_.n) {
            const double fall = sums_.mean(i, i + q) - sums_.mean(i + q, i + 2 * q);
            const double expected = slopeNear(i) * static_cast<double>(q);
            if (fall - expected <= kRecoverSigmas * fineStep_.sigma(i)) return i;
            i += std::max<std::size_t>(1, q / 4);
        }
        return g_.n;
    }

    // First point after a peak's top where the level has fallen by share x height; the trace's
    // end when it never does within a few pulse lengths (then it was a step up, not a peak).
    std::size_t pastTop(std::size_t top, double height) const {
        const double below = ys_[top] - std::min(kPeakFallBackShare * height, kPeakFallBackDb);
        const std::size_t limit = std::min(g_.n, top + 8 * g_.pulseSpan + 4 * g_.window);
        for (std::size_t i = top; i < limit; ++i)
            if (ys_[i] < below) return i;
        return g_.n;
    }

    void markZone(std::size_t a, std::size_t b) { zones_.push_back({a, std::min(b, g_.n)}); }
    void buildZoneCount() {
        std::vector<int> mark(g_.n + 1, 0);
        for (const auto& [a, b] : zones_) {
            mark[a] += 1;
            mark[b] -= 1;
        }
        int depth = 0;
        zoneCount_[0] = 0;
        for (std::size_t i = 0; i < g_.n; ++i) {
            depth += mark[i];
            zoneCount_[i + 1] = zoneCount_[i] + (depth > 0 ? 1 : 0);
        }
    }
    bool clearOfZones(std::size_t a, std::size_t b) const {
        return zoneCount_[std::min(b, g_.n)] == zoneCount_[std::min(a, g_.n)];
    }

    // ---- The launch and the reflections ---------------------------------------------------
    // Some instruments record a stretch before the launch, at the bottom of their scale: the
    // launch then starts where the level first jumps far above the first point.
    std::size_t leadingPoints() const {
        const std::size_t limit = g_.n / 4;
        double highest = ys_[0];
        for (std::size_t i = 1; i < limit; ++i) {
            if (ys_[i] - highest > kLeadJumpDb) return i - 1;
            highest = std::max(highest, ys_[i]);
        }
        return 0;
    }

    void findLaunch() {
        const std::size_t lead = leadingPoints();
        const std::size_t reach = std::min(
            g_.n, lead + std::max<std::size_t>(4 * g_.pulseSpan, 2 * (g_.window + g_.gap)));
        std::size_t top = lead;
        for (std::size_t i = lead + 1; i < reach; ++i)
            if (ys_[i] > ys_[top]) top = i;
        std::size_t end = recoveredAfter(top + g_.pulseSpan);
        if (end >= g_.n) return;
        const double height = ys_[top] - sums_.mean(end, end + g_.window);
        const std::size_t past = pastTop(top, height);
        if (past >= g_.n) return;
        end = std::max(end, recoveredAfter(past));
        if (end >= g_.n) return;
        if (height < std::max(kMinLaunchHeightDb, kPeakSigmas * peak_.sigma(end))) return;
        std::size_t foot = top;
        while (foot > lead && ys_[foot - 1] < ys_[foot]) --foot;
        cands_.push_back({foot, top, end, true, true});
        markZone(0, end);
        launchEnd_ = end;
    }

    void findPeaks() {
        const std::size_t lo = std::max(stepLo(g_.window), launchEnd_);
        const std::size_t hi = stepHi(g_.window);
        // Peaks below the reflectance threshold are still taken, so that their edges are not
        // read as steps; pruning reports them only when they lose enough.
        const double minHeight = kMinPeakDb;
        std::size_t i = lo;
        while (i < hi) {
            const double thr = std::max(kPeakSigmas * peak_.sigma(i), minHeight) + peak_.typical(i);
            if (peakStat_[i] <= thr) {
                ++i;
                continue;
            }
            std::size_t runEnd = i;
            while (runEnd < hi && peakStat_[runEnd] > thr) ++runEnd;
            std::size_t top = i;
            for (std::size_t j = i; j < std::min(g_.n, runEnd + g_.gap); ++j)
                if (ys_[j] > ys_[top]) top = j;
            const double ref = sums_.mean(i - g_.gap - g_.window, i - g_.gap);
            const double height = ys_[top] - ref;
            // A reflection falls back; a step up stays up.
            const std::size_t past = pastTop(top, height);
            if (past >= g_.n) {
                i = runEnd;
                continue;
            }
            const std::size_t end = recoveredAfter(past);
            std::size_t foot = i;
            const std::size_t backLimit = i > g_.pulseSpan + 2 ? i - g_.pulseSpan - 2 : 0;
            while (foot > backLimit && ys_[foot - 1] < ys_[foot]) --foot;
            cands_.push_back({foot, top, std::max(end, top + 1), true, false});
            markZone(foot, end);
            i = std::max(end, runEnd);
        }
        buildZoneCount();
    }

    // ---- Steps ----------------------------------------------------------------------------
    void findSteps() {
        std::vector<std::pair<std::size_t, std::size_t>> taken;  // centre, reach
        for (const Candidate& c : cands_) taken.push_back({c.foot, 0});
        std::size_t m = g_.window;
        for (int k = 0; k < kScales; ++k, m *= kScaleFactor) {
            if (2 * (m + g_.gap) * 4 > g_.n) break;
            const std::size_t lo = std::max(stepLo(m), launchEnd_ + g_.gap + m);
            const std::size_t hi = stepHi(m);
            if (lo >= hi) break;
            std::vector<double> t(g_.n, 0.0);
            std::vector<char> valid(g_.n, 0);
            for (std::size_t i = lo; i < hi; ++i) {
                if (!clearOfZones(i - g_.gap - m, i + g_.gap + 1 + m)) continue;
                t[i] = stepAt(i, m);
                valid[i] = 1;
            }
            const NoiseProfile noise(t, lo, hi, blockLength(m), &valid, strideFor(m));
            std::size_t i = lo;
            while (i < hi) {
                const double d = valid[i] ? t[i] - noise.typical(i) : 0.0;
                const double thr = std::max(kStepSigmas * noise.sigma(i), 0.5 * lossThreshold_);
                if (std::fabs(d) <= thr) {
                    ++i;
                    continue;
                }
                const bool down = d > 0;
                std::size_t best = i;
                double bestValue = std::fabs(d);
                std::size_t j = i;
                while (j < hi && valid[j]) {
                    const double dj = t[j] - noise.typical(j);
                    if ((dj > 0) != down || std::fabs(dj) <= std::max(kStepSigmas * noise.sigma(j),
                                                                      0.5 * lossThreshold_))
                        break;
                    if (std::fabs(dj) > bestValue) {
                        bestValue = std::fabs(dj);
                        best = j;
                    }
                    ++j;
                }
                const std::size_t half = g_.pulseSpan / 2;
                const std::size_t foot = best > half ? best - half : 0;
                const std::size_t reach = m + g_.gap;
                bool near = false;
                for (const auto& [c, r] : taken)
                    if ((c > foot ? c - foot : foot - c) <= std::max(reach, r)) near = true;
                if (!near) {
                    cands_.push_back({foot, foot, foot + g_.pulseSpan + 1, false, false});
                    taken.push_back({foot, reach});
                }
                i = std::max(j, i + 1);
            }
        }
    }

    // ---- Measurement ----------------------------------------------------------------------
    double tailFloor() const {
        const std::size_t tail = std::min(g_.n, std::max(g_.n / kTailShare, 4 * g_.window));
        std::vector<double> v(y_.end() - static_cast<std::ptrdiff_t>(tail), y_.end());
        auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
        std::nth_element(v.begin(), mid, v.end());
        return *mid;
    }

    // Noise of single points over [a, b): the spread of the differences of neighbours.
    double pointNoise(std::size_t a, std::size_t b) const {
        b = std::min(b, g_.n);
        if (b < a + 3) return 0.0;
        std::vector<double> d;
        d.reserve(b - a);
        for (std::size_t i = a + 1; i < b; ++i) d.push_back(std::fabs(y_[i] - y_[i - 1]));
        auto mid = d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2);
        std::nth_element(d.begin(), mid, d.end());
        return 1.4826 * *mid / std::sqrt(2.0);
    }

    double medianLevel(std::size_t a, std::size_t b) const {
        a = std::min(a, g_.n - 1);
        b = std::clamp(b, a + 1, g_.n);
        std::vector<double> v(y_.begin() + static_cast<std::ptrdiff_t>(a),
                              y_.begin() + static_cast<std::ptrdiff_t>(b));
        auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
        std::nth_element(v.begin(), mid, v.end());
        return *mid;
    }

    std::size_t fitReach() const { return std::max(kFitWindows * g_.window, kMinFitPoints); }

    std::vector<Event> measureAll() const {
        std::vector<Event> events;
        const double spacing = in_.spacingM;
        for (std::size_t k = 0; k < cands_.size(); ++k) {
            const Candidate& c = cands_[k];
            Event e;
            e.index = c.foot;
            e.distanceM = static_cast<double>(c.foot) * spacing;
            e.reflective = c.reflective;
            e.kind = c.reflective ? EventKind::Reflective : EventKind::NonReflective;
            e.deadZoneEnd = c.zoneEnd;
            if (c.launch) {
                e.levelDb = ys_[c.top];
                events.push_back(e);
                continue;
            }
            const std::size_t prevEnd = k > 0 ? cands_[k - 1].zoneEnd : 0;
            const std::size_t nextFoot = k + 1 < cands_.size() ? cands_[k + 1].foot : g_.n;
            std::size_t b = c.foot;
            std::size_t a = std::max(prevEnd, b > fitReach() ? b - fitReach() : 0);
            if (a + 2 > b) a = b > 2 ? b - 2 : 0;
            std::size_t a2 = std::min(c.zoneEnd, g_.n);
            std::size_t b2 = std::min(nextFoot, a2 + fitReach());
            if (b2 < a2 + 2) b2 = std::min(g_.n, a2 + 2);
            const Line before = sums_.fit(a, b);
            const Line after = sums_.fit(a2, b2);
            const double x = static_cast<double>(c.foot);
            e.levelDb = before.at(x);
            e.lossDb = before.at(x) - after.at(x);
            e.slopeDbPerKm = -before.slope / spacing * 1000.0;
            if (c.reflective) {
                const double height = ys_[c.top] - before.at(x);
                e.peakDb = ys_[c.top];
                e.reflectanceDb = reflectanceFromHeight(height, in_.pulseWidthNs, backscatter_);
            }
            events.push_back(e);
        }
        return events;
    }

    // Drops the events too small to report; candidates follow the events.
    void prune(const std::vector<Event>& events) {
        std::vector<Candidate> kept;
        for (std::size_t k = 0; k < events.size(); ++k) {
            const Event& e = events[k];
            Candidate c = cands_[k];
            const bool lossy = std::fabs(e.lossDb) >= lossThreshold_;
            if (c.launch) {
                kept.push_back(c);
                continue;
            }
            if (c.reflective) {
                if (e.reflectanceDb && *e.reflectanceDb >= reflectanceThreshold_) {
                    kept.push_back(c);
                } else if (lossy) {
                    c.reflective = false;
                    kept.push_back(c);
                }
                continue;
            }
            if (lossy) kept.push_back(c);
        }
        cands_ = std::move(kept);
    }

    // Marks the fibre end and drops what lies beyond it but strong reflections. True when
    // the trace falls to its floor there.
    bool markEnd(std::vector<Event>& events) const {
        std::size_t end = events.size();
        for (std::size_t k = 0; k < events.size(); ++k) {
            const Event& e = events[k];
            if (cands_[k].launch) continue;
            const std::size_t z = e.deadZoneEnd;
            const double afterLevel = medianLevel(z, z + 4 * g_.window);
            const double beforeLevel = e.levelDb;
            const double headroom = beforeLevel - floor_;
            const double fall = beforeLevel - afterLevel;
            // Behind the end only noise is left: far noisier than the fibre before it.
            const std::size_t span = 8 * g_.window;
            const double noiseAfter = pointNoise(z, z + span);
            const bool noisy =
                noiseAfter >= kMinEndNoiseDb &&
                noiseAfter >=
                    kEndNoiseRatio * pointNoise(e.index > span ? e.index - span : 0, e.index);
            const bool toFloor =
                fall >= kMinEndFallDb &&
                (noisy || (headroom >= kMinEndFallDb && fall >= kEndShareOfHeadroom * headroom));
            const bool byThreshold =
                in_.thresholds.endOfFibreDb && e.lossDb >= *in_.thresholds.endOfFibreDb;
            if (toFloor || byThreshold) {
                end = k;
                break;
            }
        }
        if (end == events.size()) return false;
        events[end].kind = EventKind::FibreEnd;
        const std::size_t z = events[end].deadZoneEnd;
        const double endFloor = medianLevel(z, z + 4 * g_.window);
        std::vector<Event> kept(events.begin(),
                                events.begin() + static_cast<std::ptrdiff_t>(end) + 1);
        for (std::size_t k = end + 1; k < events.size(); ++k) {
            Event e = events[k];
            if (!e.reflective || !e.reflectanceDb || e.peakDb - endFloor < kAfterEndHeightDb)
                continue;
            e.afterEnd = true;
            e.kind = EventKind::Reflective;
            e.lossDb = 0.0;
            e.slopeDbPerKm.reset();
            kept.push_back(e);
        }
        events = std::move(kept);
        return true;
    }

    void dropGhosts(std::vector<Event>& events) const {
        const double tol =
            std::max({5.0, 3.0 * in_.spacingM, pulseLengthM(in_.pulseWidthNs, in_.groupIndex)});
        // Echoes travel the fibre from the launch connector.
        const double origin =
            !cands_.empty() && cands_.front().launch ? events.front().distanceM : 0.0;
        std::vector<Event> kept;
        for (const Event& e : events) {
            bool ghost = false;
            if (e.reflective && e.reflectanceDb && std::fabs(e.lossDb) < lossThreshold_ * 2) {
                for (const Event& s : events) {
                    if (&s == &e || !s.reflective || s.distanceM - origin <= tol) continue;
                    const double strength = s.reflectanceDb.value_or(0.0);
                    if (s.reflectanceDb && strength <= *e.reflectanceDb) continue;
                    for (int k : kGhostMultiples)
                        if (std::fabs(e.distanceM - origin - k * (s.distanceM - origin)) <= tol)
                            ghost = true;
                }
            }
            if (!ghost) kept.push_back(e);
        }
        events = std::move(kept);
    }

    const TraceInput& in_;
    std::span<const double> y_;
    Geometry g_;
    TraceSums sums_;
    std::vector<double> ys_;
    double backscatter_;
    double lossThreshold_;
    double reflectanceThreshold_;
    NoiseProfile fineStep_;
    NoiseProfile peak_;
    std::vector<double> peakStat_;
    std::vector<Candidate> cands_;
    std::vector<std::pair<std::size_t, std::size_t>> zones_;
    std::vector<std::size_t> zoneCount_;
    std::size_t launchEnd_ = 0;
    double floor_ = 0.0;
};

}  // namespace

Thresholds mergeThresholds(const Thresholds& base, const Thresholds& over) {
    Thresholds t = base;
    if (over.lossDb) t.lossDb = over.lossDb;
    if (over.reflectanceDb) t.reflectanceDb = over.reflectanceDb;
    if (over.endOfFibreDb) t.endOfFibreDb = over.endOfFibreDb;
    return t;
}

double pulseLengthM(double pulseWidthNs, double groupIndex) {
    const double n = groupIndex > 1.0 && groupIndex <= 2.0 ? groupIndex : 1.468;
    return std::max(pulseWidthNs, 0.0) * kHalfLightMPerNs / n;
}

double reflectanceFromHeight(double heightDb, double pulseWidthNs, double backscatterDb) {
    const double pulse = 10.0 * std::log10(std::max(pulseWidthNs, 1.0));
    const double g = std::pow(10.0, std::max(heightDb, 0.0) / 5.0) - 1.0;
    return backscatterDb + pulse + (g > 0.0 ? 10.0 * std::log10(g) : -99.0);
}

double heightFromReflectance(double reflectanceDb, double pulseWidthNs, double backscatterDb) {
    const double pulse = 10.0 * std::log10(std::max(pulseWidthNs, 1.0));
    return 5.0 * std::log10(1.0 + std::pow(10.0, (reflectanceDb - backscatterDb - pulse) / 10.0));
}

double typicalBackscatterDb(double wavelengthNm) {
    // Rayleigh scattering falls with the fourth power of the wavelength; these are the usual
    // figures for standard single-mode fibre at 1310 and 1550 nm, between and beyond them
    // interpolated in the logarithm of the wavelength.
    constexpr double k1310 = -79.4, k1550 = -81.7;
    if (!(wavelengthNm > 0.0)) return k1550;
    const double t = std::log(wavelengthNm / 1310.0) / std::log(1550.0 / 1310.0);
    return std::clamp(k1310 + t * (k1550 - k1310), kMinBackscatterDb, kMaxBackscatterDb);
}

Result analyse(const TraceInput& in) {
    if (in.levelsDb.size() < kMinPoints || !(in.spacingM > 0.0)) return {};
    for (double v : in.levelsDb)
        if (!std::isfinite(v)) return {};
    return Analysis(in).run();
}

std::vector<FoundEvent> toFoundEvents(const Result& r) {
    std::vector<FoundEvent> out;
    for (const Event& e : r.events) {
        FoundEvent f;
        f.distanceM = e.distanceM;
        f.kind = e.kind == EventKind::FibreEnd     ? FoundKind::FibreEnd
                 : e.kind == EventKind::Reflective ? FoundKind::Reflective
                                                   : FoundKind::NonReflective;
        f.reflective = e.reflective;
        f.slopeDbPerKm = e.slopeDbPerKm;
        if (!e.afterEnd) f.lossDb = e.lossDb;
        if (e.reflective) f.reflectanceDb = e.reflectanceDb;
        out.push_back(f);
    }
    return out;
}

}  // namespace otdr::general
