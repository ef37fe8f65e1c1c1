#include "analysis/general/general_analysis.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/general/buffer.h"
#include "analysis/general/noise_profile.h"
#include "analysis/general/selection.h"
#include "analysis/general/trace_sums.h"

namespace otdr::general {

namespace {

// Half the speed of light in vacuum, metres per ns.
constexpr double kRoundTripLightMPerNs = 0.299792458 / 2.0;

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
// Behind a fibre end the trace has fallen at least this far below the fibre before it.
// ... and lies near the floor, or is this many times noisier than the fibre before it and
// noisier than this (dB per point).
constexpr double kEndNoiseRatio = 4.0;
constexpr double kMinEndNoiseDb = 0.2;
// Whether the fibre goes on is judged by the level over this many windows, against the slope of
// the fibre before give or take this share.
constexpr double kSlopeShare = 0.25;
// No fibre loses more than this, dB per km (multimode fibre at 850 nm loses about 3).
constexpr double kMaxFibreLossDbPerKm = 5.0;
// Past a large step the fibre goes on where the trace up to the next large event falls as the
// fibre before did, give or take this share.
constexpr double kSplitSlopeShare = 0.5;
constexpr std::size_t kBaselineWindows = 4;
constexpr double kMinEndFallDb = 2.0;
// Beyond the end a reflection counts only when it stands this far above all the trace around
// it.
constexpr double kAfterEndHeightDb = 3.0;
constexpr std::size_t kAfterEndReachWindows = 32;
// Short of this far above the noise floor no fibre shows.
constexpr double kEndMarginDb = 3.0;
// A reflection's rising edge starts where the level first stands this share of the peak's
// height, and this many point deviations, above the backscatter before it.
constexpr double kRiseShare = 0.02;
constexpr double kRiseSigmas = 4.0;
// A step starts where the level departs from the line before it by this share of the step,
// or this many point deviations.
constexpr double kDepartShare = 0.05;
// ... from the line of the fibre over this many windows just before: the local trend, which
// the level's slow ripple along a fibre moves.
constexpr std::size_t kDepartLineWindows = 8;
constexpr double kDepartSigmas = 0.5;
// A peak's core, left out of the noise estimates, runs until it has fallen back to this share
// of its height.
constexpr double kCoreShare = 0.1;
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
// Ghosts: echoes after this many rounds between two reflections ...
constexpr int kGhostRounds[] = {1, 2};
// ... and stand at least this much lower than the reflection they echo.
constexpr double kGhostWeakerDb = 3.0;
// Plausible backscatter coefficients for a 1 ns pulse, dB.
constexpr double kMinBackscatterDb = -95.0;
constexpr double kMaxBackscatterDb = -65.0;

struct Candidate {
    std::size_t foot = 0;
    std::size_t top = 0;
    std::size_t zoneEnd = 0;  // first point past the event's transition or dead zone
    bool reflective = false;
    bool launch = false;
    // A reflection's dead zone as each step scale sees it: the receiver's slow recovery stays
    // visible longer to the longer windows.
    std::array<std::size_t, kScales> zoneEnds{};
    bool end = false;        // the fibre end
    bool afterEnd = false;   // a reflection beyond the fibre end
    std::size_t centre = 0;  // a step's centre, where its statistic peaks
    int scale = 0;           // the scale that found a step
    bool down = true;        // a step down (a loss)
    double size = 0.0;       // a step's height as its statistic saw it, dB
};

struct GridGeometry {
    std::size_t n = 0;
    double pulse = 1.0;         // pulse length in points
    std::size_t pulseSpan = 1;  // pulse length rounded up, at least 1
    std::size_t gap = 2;        // half-width of the gap between the two step windows
    std::size_t window = kMinWindow;
    std::size_t smoothHalf = 0;  // half-width of the peak search's smoothing
};

GridGeometry geometryOf(const TraceInput& in) {
    GridGeometry g;
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
Buffer<double> smoothed(const TraceSums& sums, std::size_t h) {
    const std::size_t n = sums.size();
    Buffer<double> out(n);
    // Where the window lies within the trace, [h, n - h), its mean over plain arrays.
    const std::size_t a = std::min(h, n), b = std::max(a, n > h ? n - h : 0);
    for (std::size_t i = 0; i < a; ++i) out[i] = sums.mean(0, std::min(n, i + h + 1));
    const double* s = sums.prefix();
    const double width = static_cast<double>(2 * h + 1);
    for (std::size_t i = a; i < b; ++i) out[i] = (s[i + h + 1] - s[i - h]) / width;
    for (std::size_t i = b; i < n; ++i) out[i] = sums.mean(i >= h ? i - h : 0, n);
    return out;
}

// Zeros in v but for [lo, hi), which the caller writes.
template <class T>
void zeroOutside(Buffer<T>& v, std::size_t lo, std::size_t hi) {
    const std::size_t n = v.size(), a = std::min(lo, n), b = std::max(std::min(hi, n), a);
    std::fill(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(a), T{});
    std::fill(v.begin() + static_cast<std::ptrdiff_t>(b), v.end(), T{});
}

// A profile's figures near point i, looked up again only every few points: they change over
// blocks of hundreds.
class ProfileCursor {
  public:
    ProfileCursor(const NoiseProfile& p, bool quiet = false) : p_(p), quiet_(quiet) {}
    void move(std::size_t i) {
        if (valid_ && i >= at_ && i < at_ + kRefresh) return;
        at_ = i;
        valid_ = true;
        const NoiseProfile::Point x = quiet_ ? p_.quietAt(i) : p_.at(i);
        typical_ = x.typical;
        sigma_ = x.sigma;
    }
    double typical() const { return typical_; }
    double sigma() const { return sigma_; }
    // The first point past the last move's that the figures are kept for.
    std::size_t keptUntil() const { return at_ + kRefresh; }

  private:
    static constexpr std::size_t kRefresh = 8;
    const NoiseProfile& p_;
    bool quiet_ = false;
    bool valid_ = false;
    std::size_t at_ = 0;
    double typical_ = 0.0, sigma_ = 0.0;
};

// The loss of standard single-mode fibre, dB per km: about 0.33 at 1310 nm and 0.19 at
// 1550 nm, interpolated in the wavelength between them, and no less beyond 1550 nm (bending
// loss rises again there).
double typicalFibreLossDbPerKm(double wavelengthNm) {
    constexpr double k1310 = 0.33, k1550 = 0.19;
    if (!(wavelengthNm > 0.0)) return k1550;
    const double t = std::clamp((wavelengthNm - 1310.0) / (1550.0 - 1310.0), 0.0, 1.0);
    return k1310 + t * (k1550 - k1310);
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
              -std::fabs(in.thresholds.reflectanceDb.value_or(kDefaultReflectanceThresholdDb))) {}

    Result run() {
        Result r;
        r.pulsePoints = g_.pulse;
        lead_ = leadingPoints();
        // A front panel the file places further in: what lies before it is no fibre.
        const double panel = in_.frontPanelM / in_.spacingM;
        if (panel > static_cast<double>(g_.pulseSpan) && panel < static_cast<double>(g_.n / 4))
            lead_ = std::max(lead_, static_cast<std::size_t>(panel) - g_.pulseSpan);
        floor_ = tailFloor();
        signalEnd_ = signalEnd();
        findLaunchTop();
        computePeakStatistic();
        findPeakCores();
        computeStepStatistics();
        findLaunch();
        findPeaks();
        findSteps();
        std::sort(cands_.begin(), cands_.end(),
                  [](const Candidate& a, const Candidate& b) { return a.foot < b.foot; });
        locateSteps();
        r.noiseFloorDb = floor_;
        std::vector<Event> events = measureAll();
        r.reachesEnd = findEnd(events);
        events = measureAll();
        prune(events);
        events = measureAll();
        prune(events);
        events = measureAll();
        finishAfterEnd(events);
        dropGhosts(events);
        // The launch is where distances start, not an event of the fibre.
        if (!cands_.empty() && cands_.front().launch && !events.empty()) {
            r.launch = events.front();
            events.erase(events.begin());
        }
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

    std::size_t scaleWindow(int k) const {
        std::size_t m = g_.window;
        for (int j = 0; j < k; ++j) m *= kScaleFactor;
        return m;
    }

    // The step statistic at every scale the trace is long enough for, and its noise along the
    // trace. The noise leaves out the windows that reach into a reflection's peak: there the
    // statistic is the peak's height, not noise, and a dead zone measured against it would
    // end too soon.
    void computeStepStatistics() {
        // Where the cores start and end, in order: the cores over a point are those started
        // and not yet ended there.
        std::vector<std::pair<std::size_t, int>> edges;
        edges.reserve(2 * cores_.size());
        for (const auto& [a, b] : cores_) {
            edges.emplace_back(std::min(a, g_.n), 1);
            edges.emplace_back(std::min(b, g_.n), -1);
        }
        std::sort(edges.begin(), edges.end());
        Buffer<std::size_t>& inCore = coreCount_;
        inCore.resize(g_.n + 1);
        inCore[0] = 0;
        // The count kept in a local (a store read back at once would wait on itself), and the
        // runs of core points on the way.
        std::vector<std::pair<std::size_t, std::size_t>> runs;
        for (std::size_t i = 0, depth = 0, e = 0, count = 0; i < g_.n; ++i) {
            for (; e < edges.size() && edges[e].first == i; ++e)
                depth = static_cast<std::size_t>(static_cast<long>(depth) + edges[e].second);
            const bool core = depth > 0;
            if (core && (runs.empty() || runs.back().second != i)) runs.push_back({i, i});
            if (core) runs.back().second = i + 1;
            count += core ? 1 : 0;
            inCore[i + 1] = count;
        }
        scales_ = 0;
        for (int k = 0; k < kScales; ++k) {
            const std::size_t m = scaleWindow(k);
            if (k > 0 && 2 * (m + g_.gap) * 4 > g_.n) break;
            const std::size_t lo = std::max(stepLo(m), lead_ + g_.gap + m), hi = stepHi(m);
            if (lo >= hi) break;
            Buffer<double>& t = stat_[static_cast<std::size_t>(k)];
            t.resize(g_.n);
            zeroOutside(t, lo, hi);
            Buffer<char>& clear = clear_[static_cast<std::size_t>(k)];
            clear.resize(g_.n);
            const double perWindow = 1.0 / static_cast<double>(m);
            // stepAt(i, m), on the running sums directly; the loops over plain arrays, which
            // the compiler can run several points at a time.
            const double* s = sums_.prefix();
            double* __restrict out = t.data();
            const std::size_t g = g_.gap;
            for (std::size_t i = lo; i < hi; ++i)
                out[i] =
                    ((s[i - g] - s[i - g - m]) - (s[i + g + 1 + m] - s[i + g + 1])) * perWindow;
            // Clear are the centres whose windows hold no core point.
            markClearOf(runs, m, lo, hi, clear);
            stepNoise_[static_cast<std::size_t>(k)] =
                NoiseProfile(t, lo, hi, blockLength(m), clear.data(), strideFor(m), signalEnd_);
            scales_ = k + 1;
        }
    }

    // The peak statistic: the smoothed level over the mean of the fibre just before.
    void computePeakStatistic() {
        const std::size_t m = g_.window;
        const std::size_t lo = std::max(stepLo(m), lead_ + g_.gap + m), hi = stepHi(m);
        Buffer<double> h(g_.n);
        zeroOutside(h, lo, hi);
        // ys_[i] - sums_.mean(i - gap - m, i - gap), over plain arrays.
        const double* s = sums_.prefix();
        const double width = static_cast<double>(m);
        const std::size_t g = g_.gap;
        for (std::size_t i = lo; i < hi; ++i) h[i] = ys_[i] - (s[i - g] - s[i - g - m]) / width;
        // The launch and its fall are no noise of the fibre.
        const std::size_t fibre = std::max(lo, cores_.front().second + g_.gap + m);
        peakStat_ = std::move(h);
        peak_ = NoiseProfile(peakStat_, fibre < hi ? fibre : lo, hi, blockLength(m), nullptr,
                             strideFor(g_.smoothHalf * 2 + 1), signalEnd_);
    }
    const NoiseProfile& fineStep() const { return stepNoise_[0]; }

    static std::size_t strideFor(std::size_t m) { return std::max<std::size_t>(1, m / 4); }

    std::size_t blockLength(std::size_t m) const {
        return std::max<std::size_t>(4 * (m + 2 * g_.gap), 256);
    }

    // Fibre slope in dB per point near i (positive when the level falls), from the typical
    // value of the finest step statistic there.
    double slopeNear(std::size_t i) const {
        return fineStep().typical(i) / static_cast<double>(g_.window + 2 * g_.gap + 1);
    }

    // First point at or after `from` where the fall, as the step statistic of scale k sees it
    // from there on, has slowed to the fibre's own slope: a receiver still recovering looks
    // like a loss to that scale before it.
    // The fibre's fall over [a, b), dB per point (positive when the level falls), and the
    // deviation of that figure.
    struct Slope {
        double perPoint = 0.0;
        double error = 0.0;
    };
    Slope slopeOver(std::size_t a, std::size_t b) const {
        const double n = static_cast<double>(b - a);
        return {-sums_.fit(a, b).slope, pointNoise(a, b) * std::sqrt(12.0 / (n * n * n))};
    }

    // The fibre's own fall is `slope` where it is known from the fibre before;
    // else the statistic's typical value there, which a long recovery drags along with it.
    // Windows that reach into the peak of another reflection tell nothing of this one's
    // recovery and are passed over; its own peak, up to `own`, is no other.
    std::size_t recoveredAfter(std::size_t from, std::size_t own, int k = 0,
                               std::optional<Slope> slope = std::nullopt,
                               bool launch = false) const {
        const std::size_t m = scaleWindow(k);
        const NoiseProfile& noise = stepNoise_[static_cast<std::size_t>(k)];
        const std::size_t hop = std::max<std::size_t>(1, g_.window / 4);
        const double span = static_cast<double>(m + 2 * g_.gap + 1);
        bool judged = false;
        for (std::size_t i = from; i + 2 * (m + g_.gap) + 1 < g_.n; i += hop) {
            const std::size_t reach = i + 2 * (m + g_.gap) + 1;
            const std::size_t mine = std::clamp(own, i, reach);
            if (coreCount_[reach] != coreCount_[mine]) {
                // The launch's windows reach into a reflection before any could show its
                // recovery: where that reflection rises clearly out of the fibre after the
                // launch's fall, it is an event of its own, and the launch's dead zone ends
                // where it starts.
                if (launch && !judged) {
                    const std::size_t f = firstCorePoint(mine, reach);
                    if (risesApart(f)) return f;
                }
                continue;
            }
            judged = true;
            const std::size_t c = i + g_.gap + m;
            const NoiseProfile::Point x = noise.at(c);
            const double expected = slope ? slope->perPoint * span : x.typical;
            const double doubt = slope ? slope->error * span : 0.0;
            const double fall = stepAt(c, m) - expected;
            if (fall <= kRecoverSigmas * (x.sigma + doubt)) return i;
        }
        return g_.n;
    }

    // The first point of [a, b) in a reflection's core; b when none is.
    std::size_t firstCorePoint(std::size_t a, std::size_t b) const {
        const auto first = coreCount_.begin() + static_cast<std::ptrdiff_t>(a);
        const auto last = coreCount_.begin() + static_cast<std::ptrdiff_t>(b) + 1;
        const auto p = std::upper_bound(first, last, *first);
        return p == last ? b : static_cast<std::size_t>(p - coreCount_.begin()) - 1;
    }

    // Whether a reflection's core starts at point f and its top stands clearly above its foot.
    bool risesApart(std::size_t f) const {
        for (const PeakCore& p : peaks_)
            if (p.foot == f) return ys_[p.top] - ys_[p.foot] >= kMinLaunchHeightDb;
        return false;
    }

    // The dead zone of a reflection at every scale, from the first point its fall is over.
    std::array<std::size_t, kScales> zoneEndsFrom(std::size_t from, std::size_t own,
                                                  std::optional<Slope> slope) const {
        std::array<std::size_t, kScales> ends{};
        std::size_t z = from;
        for (int k = 0; k < kScales; ++k) {
            if (k < scales_) z = std::max(z, recoveredAfter(z, own, k, slope));
            ends[static_cast<std::size_t>(k)] = z;
        }
        return ends;
    }

    // First point after a peak's top where the level has fallen by share x height; the trace's
    // end when it never does within a few pulse lengths (then it was a step up, not a peak).
    // The fall is counted over the fibre's own, `slope` dB per point (negative when the level
    // falls): a step up on a fibre that loses much over those pulse lengths falls back that way
    // too.
    std::size_t pastTop(std::size_t top, double height, double slope = 0.0) const {
        const double below = ys_[top] - std::min(kPeakFallBackShare * height, kPeakFallBackDb);
        const std::size_t limit = std::min(g_.n, top + 8 * g_.pulseSpan + 4 * g_.window);
        for (std::size_t i = top; i < limit; ++i)
            if (ys_[i] - slope * static_cast<double>(i - top) < below) return i;
        return g_.n;
    }

    // Zones where the steps of scale k are not looked for: reflections and their recovery.
    // First point from `from` where the smoothed level is below `level`, within a few pulse
    // lengths.
    std::size_t fallenBack(std::size_t from, double level) const {
        const std::size_t limit = std::min(g_.n, from + 8 * g_.pulseSpan + 4 * g_.window);
        std::size_t i = from;
        while (i < limit && ys_[i] > level) ++i;
        return i;
    }

    void markZone(std::size_t a, const std::array<std::size_t, kScales>& ends) {
        for (int k = 0; k < kScales; ++k)
            zones_[static_cast<std::size_t>(k)].push_back(
                {a, std::min(ends[static_cast<std::size_t>(k)], g_.n)});
    }
    // Marks valid[i] for the centres i in [lo, hi) whose windows of m points either side of the
    // gap, [i - gap - m, i + gap + 1 + m), reach into none of the stretches [a, b).
    void markClearOf(const std::vector<std::pair<std::size_t, std::size_t>>& stretches,
                     std::size_t m, std::size_t lo, std::size_t hi, Buffer<char>& valid) const {
        zeroOutside(valid, lo, hi);
        std::fill(valid.begin() + static_cast<std::ptrdiff_t>(lo),
                  valid.begin() + static_cast<std::ptrdiff_t>(hi), 1);
        const std::size_t reach = g_.gap + m;
        for (const auto& [a, b] : stretches) {
            if (a >= b) continue;  // an empty stretch covers nothing
            const std::size_t from = std::max(lo, a > reach ? a - reach : 0);
            const std::size_t to = std::min(hi, b + reach);
            if (from < to)
                std::fill(valid.begin() + static_cast<std::ptrdiff_t>(from),
                          valid.begin() + static_cast<std::ptrdiff_t>(to), 0);
        }
    }

    // ---- The launch and the reflections ---------------------------------------------------
    // Some instruments record a stretch before the launch, at the bottom of their scale: the
    // launch then starts where the level first jumps far above the first point.
    std::size_t leadingPoints() const {
        const std::size_t limit = g_.n / 4;
        double highest = y_[0];
        for (std::size_t i = 1; i < limit; ++i) {
            if (y_[i] - highest > kLeadJumpDb) return i - 1;
            highest = std::max(highest, y_[i]);
        }
        return 0;
    }

    // The launch's top: the highest point of its first few pulse lengths.
    void findLaunchTop() {
        const std::size_t lead = lead_;
        const std::size_t reach = std::min(
            g_.n, lead + std::max<std::size_t>(4 * g_.pulseSpan, 2 * (g_.window + g_.gap)));
        std::size_t top = lead;
        for (std::size_t i = lead + 1; i < reach; ++i)
            if (ys_[i] > ys_[top]) top = i;
        launchTop_ = top;
        cores_.push_back({lead, std::min(g_.n, top + 2 * g_.pulseSpan + g_.window)});
    }

    void findLaunch() {
        const std::size_t lead = lead_;
        const std::size_t top = launchTop_;
        const std::size_t own = cores_.front().second;
        std::size_t end = recoveredAfter(top + g_.pulseSpan, own, 0, std::nullopt, true);
        if (end >= g_.n) return;
        const double height = ys_[top] - sums_.mean(end, end + g_.window);
        const std::size_t past = pastTop(top, height);
        if (past >= g_.n) return;
        end = std::max(end, recoveredAfter(past, own, 0, std::nullopt, true));
        if (end >= g_.n) return;
        // Behind a stretch recorded before it the launch is certain; a trace that starts in the
        // fibre has none.
        if (lead == 0 && height < std::max(kMinLaunchHeightDb, kPeakSigmas * peak_.sigma(end)))
            return;
        // A fibre shorter than the launch's dead zone ends inside it: the trace lies at the
        // floor where the zone ends. The zone then ends where the launch's fall levels off, so
        // that the fibre's end is looked for after it.
        const bool shortFibre = sums_.mean(end, end + g_.window) < floor_ + kEndMarginDb;
        if (shortFibre) end = fallLevelsOff(top + g_.pulseSpan, end);
        std::size_t foot = top;
        while (foot > lead && y_[foot - 1] < y_[foot]) --foot;
        Candidate c{foot, top, end, true, true};
        if (shortFibre)
            c.zoneEnds.fill(end);
        else
            c.zoneEnds = zoneEndsFrom(end, own, std::nullopt);
        cands_.push_back(c);
        markZone(0, c.zoneEnds);
        launchEnd_ = end;
    }

    // The first point in [from, to) after which the smoothed level falls over a few points no
    // more than a fibre could; `to` when the fall never levels off.
    std::size_t fallLevelsOff(std::size_t from, std::size_t to) const {
        const std::size_t w = std::max<std::size_t>(2, g_.pulseSpan / 4);
        const double most =
            kMinPeakDb + kMaxFibreLossDbPerKm * static_cast<double>(w) * in_.spacingM / 1000.0;
        for (std::size_t i = from; i + w < to; ++i)
            if (ys_[i] - ys_[i + w] < most) return i;
        return to;
    }

    // Where a reflection's rising edge starts: walking back from its top, the first point
    // that stands clearly above the backscatter before it.
    std::size_t risingEdge(std::size_t top, std::size_t limit, double ref, double height) const {
        const std::size_t span = 4 * g_.window;
        const double noise = pointNoise(limit > span ? limit - span : 0, limit);
        const double above = ref + std::max(kRiseShare * height, kRiseSigmas * noise);
        std::size_t foot = top;
        while (foot > limit && y_[foot - 1] > above) --foot;
        return foot;
    }

    // The reflections: where the smoothed level rises above the fibre before it by more than
    // the noise explains, and falls back.
    void findPeakCores() {
        const std::size_t lo = std::max(stepLo(g_.window), launchTop_ + g_.pulseSpan);
        const std::size_t hi = stepHi(g_.window);
        // Peaks below the reflectance threshold are still taken, so that their edges are not
        // read as steps; pruning reports them only when they lose enough.
        const double minHeight = kMinPeakDb;
        ProfileCursor at(peak_, true);
        std::size_t i = lo;
        while (i < hi) {
            at.move(i);
            const double thr = std::max(kPeakSigmas * at.sigma(), minHeight) + at.typical();
            // The points the cursor keeps these figures for, in one sweep.
            const std::size_t kept = std::min(hi, at.keptUntil());
            while (i < kept && peakStat_[i] <= thr) ++i;
            if (i == kept) continue;
            std::size_t runEnd = i;
            while (runEnd < hi && peakStat_[runEnd] > thr) ++runEnd;
            std::size_t top = i;
            for (std::size_t j = i; j < std::min(g_.n, runEnd + g_.gap); ++j)
                if (ys_[j] > ys_[top]) top = j;
            const double ref = sums_.mean(i - g_.gap - g_.window, i - g_.gap);
            const double height = ys_[top] - ref;
            // A reflection falls back; a step up stays up, give or take the fibre's fall (as
            // the line before sees it, and no faster than any fibre falls: the line may still
            // reach into the launch's fall).
            const std::size_t from =
                std::max(lo - std::min(lo, g_.gap + g_.window),
                         i - std::min(i, g_.gap + kDepartLineWindows * g_.window));
            const double steepest = -kMaxFibreLossDbPerKm * in_.spacingM / 1000.0;
            const double slope = std::clamp(sums_.fit(from, i - g_.gap).slope, steepest, 0.0);
            const std::size_t past = pastTop(top, height, slope);
            if (past >= g_.n) {
                i = runEnd;
                continue;
            }
            const std::size_t reach = 2 * g_.pulseSpan + g_.smoothHalf + 2;
            const std::size_t foot = risingEdge(top, i > reach ? i - reach : 0, ref, height);
            const std::size_t coreEnd = fallenBack(past, ref + kCoreShare * height);
            peaks_.push_back({foot, top, past, coreEnd});
            cores_.push_back({foot, coreEnd});
            i = std::max(past, runEnd);
        }
    }

    // Each reflection's dead zone; those inside the launch's are the launch's own.
    void findPeaks() {
        std::size_t fibreFrom = launchEnd_;
        for (const PeakCore& p : peaks_) {
            if (p.foot < launchEnd_) continue;
            // The fibre's slope before the reflection: its recovery is over where the trace
            // falls no faster than that.
            // The steps are not known yet: the line starts past the last point where the
            // finest step statistic stands out.
            std::optional<Slope> slope;
            std::size_t a = std::max(fibreFrom, p.foot > fitReach() ? p.foot - fitReach() : 0);
            const std::size_t reach = g_.gap + g_.window;
            const std::size_t clear = reach + g_.pulseSpan + 1;
            for (std::size_t j = p.foot > clear ? p.foot - clear : 0; j > a; --j) {
                const NoiseProfile::Point x = fineStep().at(j);
                const double d = stat_[0][j] - x.typical;
                if (std::fabs(d) > kStepSigmas * x.sigma) {
                    a = j + reach;
                    break;
                }
            }
            if (p.foot >= a + 4 * g_.window) slope = slopeOver(a, p.foot);
            const std::size_t end =
                std::max(recoveredAfter(p.past, p.coreEnd, 0, slope), p.top + 1);
            Candidate c{p.foot, p.top, end, true, false};
            c.zoneEnds = zoneEndsFrom(end, p.coreEnd, slope);
            fibreFrom = std::max(fibreFrom, end);
            // A reflection inside the dead zone of the one before cannot be told apart from
            // it: they are one event, where the first rises, as strong as the stronger.
            if (!cands_.empty() && cands_.back().reflective && c.foot < cands_.back().zoneEnd) {
                Candidate& first = cands_.back();
                if (!first.launch && ys_[c.top] > ys_[first.top]) first.top = c.top;
                first.zoneEnd = std::max(first.zoneEnd, c.zoneEnd);
                for (std::size_t s = 0; s < kScales; ++s)
                    first.zoneEnds[s] = std::max(first.zoneEnds[s], c.zoneEnds[s]);
                continue;
            }
            cands_.push_back(c);
            markZone(c.foot, c.zoneEnds);
        }
    }

    // ---- Steps ----------------------------------------------------------------------------
    void findSteps() {
        std::vector<std::pair<std::size_t, std::size_t>> taken;  // centre, reach
        for (const Candidate& c : cands_) taken.push_back({c.foot, 0});
        Buffer<char> valid(g_.n);
        for (int k = 0; k < scales_; ++k) {
            const std::size_t m = scaleWindow(k);
            const std::size_t lo = std::max(stepLo(m), launchEnd_ + g_.gap + m);
            const std::size_t hi = stepHi(m);
            if (lo >= hi) break;
            const Buffer<double>& t = stat_[static_cast<std::size_t>(k)];
            markClearOf(zones_[static_cast<std::size_t>(k)], m, lo, hi, valid);
            const NoiseProfile noise(t, lo, hi, blockLength(m), valid.data(), strideFor(m),
                                     signalEnd_);
            ProfileCursor at(noise);
            std::size_t i = lo;
            while (i < hi) {
                at.move(i);
                const double typical = at.typical();
                const double thr = std::max(kStepSigmas * at.sigma(), 0.5 * lossThreshold_);
                // The points the cursor keeps these figures for, in one sweep.
                const std::size_t kept = std::min(hi, at.keptUntil());
                while (i < kept && std::fabs(valid[i] ? t[i] - typical : 0.0) <= thr) ++i;
                if (i == kept) continue;
                const double d = valid[i] ? t[i] - typical : 0.0;
                const bool down = d > 0;
                std::size_t best = i;
                double bestValue = std::fabs(d);
                std::size_t j = i;
                while (j < hi && valid[j]) {
                    at.move(j);
                    const double dj = t[j] - at.typical();
                    if ((dj > 0) != down ||
                        std::fabs(dj) <= std::max(kStepSigmas * at.sigma(), 0.5 * lossThreshold_))
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
                    Candidate c{foot, foot, foot + g_.pulseSpan + 1, false, false};
                    c.centre = best;
                    c.scale = k;
                    c.down = down;
                    c.size = bestValue;
                    cands_.push_back(c);
                    taken.push_back({foot, reach});
                }
                i = std::max(j, i + 1);
            }
        }
    }

    // ---- Measurement ----------------------------------------------------------------------
    // Where the signal ends: past the last stretch of a few windows whose median stands clear
    // of the noise floor (a reflection beyond, a pulse long, does not move a median). The
    // noise is profiled apart on either side; on a trace cut before the end that is its end.
    std::size_t signalEnd() const {
        const std::size_t w = std::min(g_.n, 4 * g_.window);
        if (w < 2) return g_.n;
        for (std::size_t j = g_.n - w;; j -= std::min(j, w / 2)) {
            if (medianLevel(j, j + w) > floor_ + kEndMarginDb) return std::min(g_.n, j + w);
            if (j <= lead_) return g_.n;
        }
    }

    double tailFloor() const {
        const std::size_t tail = std::min(g_.n, std::max(g_.n / kTailShare, 4 * g_.window));
        return selectNth(y_.data() + (g_.n - tail), tail, tail / 2);
    }

    // Noise of single points over [a, b): the spread of the differences of neighbours.
    double pointNoise(std::size_t a, std::size_t b) const {
        b = std::min(b, g_.n);
        if (b < a + 3) return 0.0;
        std::vector<double> d;
        d.reserve(b - a);
        for (std::size_t i = a + 1; i < b; ++i) d.push_back(std::fabs(y_[i] - y_[i - 1]));
        const double median = selectNth(d.data(), d.size(), d.size() / 2);
        if (median > 0.0) return 1.4826 * median / std::sqrt(2.0);
        // The sum below adds the differences in the order std::nth_element leaves them: the
        // last digits of the mean depend on it.
        std::nth_element(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2), d.end());
        // Levels quantised coarser than their noise: most neighbours are equal, and the mean
        // difference tells the noise instead (1.2533: mean over deviation of normal noise).
        double sum = 0.0;
        for (double v : d) sum += v;
        return 1.2533 * sum / static_cast<double>(d.size()) / std::sqrt(2.0);
    }

    double medianLevel(std::size_t a, std::size_t b) const {
        a = std::min(a, g_.n - 1);
        b = std::clamp(b, a + 1, g_.n);
        return selectNth(y_.data() + a, b - a, (b - a) / 2);
    }

    // The level of the few points just before point b, where no line of fibre fits.
    double levelBefore(std::size_t b) const {
        return sums_.mean(b - std::min(b, kMinWindow), std::max<std::size_t>(b, 1));
    }

    std::size_t fitReach() const { return std::max(kFitWindows * g_.window, kMinFitPoints); }

    // First point of the fibre after candidate k: past a reflection's recovery as the longest
    // window sees it, where the next event leaves room for a line, else as the finest does.
    std::size_t fibreAfter(std::size_t k) const {
        const Candidate& c = cands_[k];
        const std::size_t next = k + 1 < cands_.size() ? cands_[k + 1].foot : g_.n;
        std::size_t from = std::min(c.zoneEnd, g_.n);
        if (!c.reflective) return from;
        const std::size_t room = std::max<std::size_t>(8 * g_.window, 4 * kMinWindow);
        for (std::size_t z : c.zoneEnds)
            if (z > from && z + room <= next) from = z;
        return from;
    }

    // Where each step starts: where the backscatter departs from the line of the fibre before
    // it. The statistic peaks at the middle of the transition, and instruments that filter
    // their traces spread a step over more than a pulse; so the start is taken from the trace:
    // the point after which the residuals from the line before stay on the side of the step,
    // where their running sum turns (the change point of a cumulative-sum test).
    void locateSteps() {
        for (std::size_t k = 0; k < cands_.size(); ++k) {
            Candidate& c = cands_[k];
            if (c.reflective) continue;
            const std::size_t prevEnd = k > 0 ? fibreAfter(k - 1) : lead_;
            const std::size_t reach = g_.pulseSpan + scaleWindow(c.scale) / 2 + g_.gap;
            const std::size_t from = c.centre > reach ? c.centre - reach : 0;
            if (from < prevEnd + kMinWindow) continue;
            const std::size_t a = std::max(prevEnd, from > kDepartLineWindows * g_.window
                                                        ? from - kDepartLineWindows * g_.window
                                                        : 0);
            const Line before = sums_.fit(a, from);
            // Residuals smaller than this are not a departure: the noise, and the slight bend
            // of a level over a pedestal, would otherwise move the start towards the line.
            // Slow wiggles of a filtered trace, which the noise of single points does not
            // tell, are as large as the noise of a window's mean: up to a quarter of the step.
            const double wiggle = std::min(0.25 * c.size, fineStep().sigma(from) / std::sqrt(2.0));
            const double allowance =
                std::max({kDepartShare * c.size, kDepartSigmas * pointNoise(a, from), wiggle});
            // Walking back from the middle of the transition, the step starts after the last
            // point still within the allowance of the line (over a few points, against the
            // noise of single ones): a wiggle further back that returns to the line is none
            // of the step's.
            const std::size_t h = std::max<std::size_t>(1, g_.pulseSpan / 8);
            std::size_t start = from;
            for (std::size_t j = c.centre; j > from; --j) {
                const std::size_t at = j - 1;
                const double r = sums_.mean(at > h ? at - h : 0, at + h + 1) -
                                 before.at(static_cast<double>(at));
                if ((c.down ? -r : r) <= allowance) {
                    start = j;
                    break;
                }
            }
            c.foot = start;
            c.zoneEnd = std::max(c.foot + g_.pulseSpan + 1, 2 * c.centre + 1 - c.foot);
        }
    }

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
            const std::size_t prevEnd = k > 0 ? fibreAfter(k - 1) : 0;
            const std::size_t nextFoot = k + 1 < cands_.size() ? cands_[k + 1].foot : g_.n;
            std::size_t b = c.foot;
            std::size_t a = std::max(prevEnd, b > fitReach() ? b - fitReach() : 0);
            std::size_t a2 = fibreAfter(k);
            e.deadZoneEnd = a2;
            std::size_t b2 = std::min(nextFoot, a2 + fitReach());
            if (b2 < a2 + 2) b2 = std::min(g_.n, a2 + 2);
            // Without two points of fibre before the event (one just past the launch's dead
            // zone) its slope is not known: the level at its foot is that of the few points
            // before it, which a line through them would only tilt.
            const bool sloped = a + 2 <= b;
            const Line before =
                sloped ? sums_.fit(a, b) : Line{static_cast<double>(b), levelBefore(b), 0.0};
            const Line after = sums_.fit(a2, b2);
            const double x = static_cast<double>(c.foot);
            e.levelDb = before.at(x);
            e.lossDb = before.at(x) - after.at(x);
            if (sloped) e.slopeDbPerKm = -before.slope / spacing * 1000.0;
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
            if (c.launch || c.end || c.afterEnd) {
                // An end whose peak does not rise above the fibre before it shows no reflection
                // (its reflectance would be a figure far below anything measurable).
                if (c.end && c.reflective && e.peakDb - e.levelDb < kMinPeakDb)
                    c.reflective = false;
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

    // Whether the fibre goes on after candidate k: past its transition or dead zone the
    // trace, before it sinks to the noise floor, holds the slope of the fibre before the event
    // over a few windows. Behind a fibre end the trace falls to the floor, at once or along the
    // receiver's recovery from the end's reflection, which falls far faster than any fibre.
    bool fibreGoesOn(std::size_t k) const {
        const Candidate& c = cands_[k];
        const std::size_t b = c.foot;
        std::size_t a = lineStart(k);
        Slope slope;
        Line before;
        if (b >= a + kMinWindow) {
            slope = slopeOver(a, b);
            before = sums_.fit(a, b);
        } else {
            // Too little fibre before the event for a line of its own (an event just past the
            // launch's dead zone): a typical fibre's slope, give or take half of it, from the
            // level of the few points before the event.
            if (b < kMinWindow) return true;
            a = b - kMinWindow;
            const double perPoint =
                typicalFibreLossDbPerKm(in_.wavelengthNm) * in_.spacingM / 1000.0;
            slope = {perPoint, 0.5 * perPoint};
            before = {static_cast<double>(b), levelBefore(b), -perPoint};
        }
        const double level = before.at(static_cast<double>(b));
        const std::size_t hop = std::max<std::size_t>(1, g_.window / 4);
        const std::size_t zone = std::min(c.zoneEnd, g_.n);
        // An end takes the trace down: past its dead zone, and before the next event that
        // could take it down in its place (a reflection or a large step; small steps are
        // mostly a recovery's own), the level lies well below the line of the fibre before it.
        std::size_t next = g_.n;
        for (std::size_t q = k + 1; q < cands_.size() && next == g_.n; ++q)
            if (cands_[q].reflective || cands_[q].size >= kMinEndFallDb / 2) next = cands_[q].foot;
        auto deepestFrom = [&](std::size_t from) {
            const std::size_t to = std::min(g_.n, std::max(next, from + g_.window));
            double deepest = -1e300;
            for (std::size_t j = from; j + g_.window <= to; j += hop)
                deepest = std::max(
                    deepest, before.at(static_cast<double>(j)) - sums_.mean(j, j + g_.window));
            return deepest;
        };
        // A reflection whose receiver never recovers before the trace ends shows no fibre
        // behind it: it is the end where the trace past its peak lies well below the fibre.
        if (c.reflective && zone + g_.window > g_.n)
            return deepestFrom(std::min(g_.n, c.top + 2 * g_.pulseSpan + g_.window)) <
                   kMinEndFallDb;
        if (deepestFrom(zone) < kMinEndFallDb) return true;
        // Then the fibre goes on only where, before the trace reaches the floor, it holds the
        // fibre's slope again: the level over a window against the level a few windows on (over
        // that baseline even a slow recovery stands out of the noise), with the longest
        // windows that fit, from where they see the dead zone end; windows on a reflection's
        // peak are passed over.
        int s = scales_ - 1;
        auto firstAt = [&](int scale) {
            return c.reflective ? std::max(zone, c.zoneEnds[static_cast<std::size_t>(scale)])
                                : zone;
        };
        while (s > 0 && firstAt(s) + (kBaselineWindows + 2) * scaleWindow(s) > g_.n) --s;
        const std::size_t m = scaleWindow(s);
        const std::size_t baseline = kBaselineWindows * m;
        const double span = static_cast<double>(baseline);
        const std::size_t first = firstAt(s);
        const double sigma = trendFreeSigma(s, first, std::min(g_.n, first + 4 * baseline));
        // The fibre holds where the level keeps within the noise of the fibre's slope, and on
        // the average over that stretch keeps to it: a recovery falls faster all along,
        // though its ripples may hide that in any one window.
        // The floor shows where the level, well below the fibre before, lies near the trace's
        // own floor or is far noisier than that fibre was (the floor is not flat along every
        // trace).
        const double noiseBefore = pointNoise(a, b);
        std::size_t checkedAt = g_.n;
        auto atFloor = [&](std::size_t j, double here) {
            if (here >= level - kMinEndFallDb) return false;
            if (here < floor_ + kEndMarginDb) return true;
            if (checkedAt != g_.n && j < checkedAt + m) return false;
            checkedAt = j;
            const double noise = pointNoise(j, j + 4 * m);
            return noise >= kMinEndNoiseDb && noise >= kEndNoiseRatio * noiseBefore;
        };
        std::size_t held = 0;
        double offSum = 0.0;
        int offCount = 0;
        for (std::size_t j = first; j + m <= g_.n; j += hop) {
            const double here = sums_.mean(j, j + m);
            if (atFloor(j, here)) return slopeHeldBefore(next, firstAt(0), slope, noiseBefore);
            const std::size_t reach = j + baseline + m;
            if (reach > g_.n) break;
            if (coreCount_[reach] != coreCount_[j]) {
                held = 0;
                offSum = 0.0;
                offCount = 0;
                continue;
            }
            const double fall = here - sums_.mean(j + baseline, reach);
            const double off = fall - slope.perPoint * span;
            const double noise = sigma + slope.error * span;
            // Fibres differ in attenuation by a share of it, cable to cable.
            const double spread = kSlopeShare * std::fabs(slope.perPoint * span);
            if (std::fabs(off) <= std::max(kRecoverSigmas * noise, spread)) {
                held += hop;
                offSum += off;
                ++offCount;
                const double mean = offSum / offCount;
                const double stretches = static_cast<double>(held) / static_cast<double>(m);
                if (held >= m &&
                    std::fabs(mean) <= std::max(2.0 * noise / std::sqrt(stretches), spread))
                    return true;
            } else {
                held = 0;
                offSum = 0.0;
                offCount = 0;
            }
        }
        return true;  // the trace ends first: cut before the fibre's end
    }

    // Whether the trace from `first` to the large event at `next` falls as the fibre before
    // did: the fibre then went on past a large step (a splitter) that the windows above, reaching
    // into the next event's fall, took for an end. A receiver recovering behind an end falls
    // many times faster than any fibre; a trace lying near the floor, or far noisier than the
    // fibre before, is no fibre at all.
    bool slopeHeldBefore(std::size_t next, std::size_t first, const Slope& before,
                         double noiseBefore) const {
        if (next >= g_.n) return false;
        const std::size_t to = next > g_.pulseSpan ? next - g_.pulseSpan : 0;
        if (to < first + kBaselineWindows * g_.window) return false;
        if (sums_.mean(first, to) < floor_ + kEndMarginDb) return false;
        const double noise = pointNoise(first, to);
        if (noise >= kMinEndNoiseDb && noise >= kEndNoiseRatio * noiseBefore) return false;
        // The stretch must tell the fibre's slope apart from none at all.
        const Slope after = slopeOver(first, to);
        if (after.error > std::fabs(before.perPoint)) return false;
        const double allowed = std::max(kRecoverSigmas * (after.error + before.error),
                                        kSplitSlopeShare * std::fabs(before.perPoint));
        return std::fabs(after.perPoint - before.perPoint) <= allowed;
    }

    // The noise of the step statistic of scale s over [a, b), from the differences of
    // statistics whose windows do not overlap: a level that bends (a receiver recovering)
    // changes the statistic along the stretch, which its own spread would take for noise.
    double trendFreeSigma(int s, std::size_t a, std::size_t b) const {
        const std::size_t m = scaleWindow(s);
        const std::size_t apart = 2 * (m + g_.gap) + 1;
        const Buffer<double>& t = stat_[static_cast<std::size_t>(s)];
        const std::size_t lo = std::max(a + g_.gap + m, stepLo(m));
        const std::size_t hi = std::min(b > g_.gap + m + 1 ? b - g_.gap - m - 1 : 0, stepHi(m));
        if (hi < lo + apart + 2) return stepNoise_[static_cast<std::size_t>(s)].sigma(a);
        std::vector<double> d;
        const std::size_t stride = std::max<std::size_t>(1, (hi - lo - apart) / 64);
        for (std::size_t i = lo; i + apart < hi; i += stride) d.push_back(t[i] - t[i + apart]);
        const double centre = selectNth(d.data(), d.size(), d.size() / 2);
        for (double& v : d) v = std::fabs(v - centre);
        return 1.4826 * selectNth(d.data(), d.size(), d.size() / 2) / std::sqrt(2.0);
    }

    // Where the line of the fibre before candidate k starts: past the previous candidate, or
    // past an earlier one where that leaves too little fibre (the previous one a blip of
    // noise, pruned later); never across the launch or a reflection, which no line crosses.
    std::size_t lineStart(std::size_t k) const {
        const std::size_t b = cands_[k].foot;
        std::size_t q = k;
        std::size_t from = lead_;
        while (q > 0) {
            --q;
            from = fibreAfter(q);
            if (from + 4 * g_.window <= b || cands_[q].reflective) break;  // the launch too
            from = lead_;
        }
        return std::max(from, b > fitReach() ? b - fitReach() : 0);
    }

    // How far the trace sinks below the line of the fibre before candidate k, past its
    // transition or dead zone and before the next candidate: an event's loss where the fibre
    // goes on, and more behind an end, where it keeps sinking along the receiver's recovery.
    double deepestDrop(std::size_t k) const {
        const Candidate& c = cands_[k];
        const std::size_t b = c.foot;
        const std::size_t a = lineStart(k);
        if (b < a + kMinWindow) return 0.0;
        const Line before = sums_.fit(a, b);
        const std::size_t next = k + 1 < cands_.size() ? cands_[k + 1].foot : g_.n;
        const std::size_t m = g_.window;
        const std::size_t hop = std::max<std::size_t>(1, m / 2);
        const double half = 0.5 * static_cast<double>(m);
        double deepest = 0.0;
        for (std::size_t j = std::min(c.zoneEnd, g_.n); j + m <= next; j += hop)
            deepest =
                std::max(deepest, before.at(static_cast<double>(j) + half) - sums_.mean(j, j + m));
        return deepest;
    }

    // Marks the fibre end: the first event after which the fibre does not go on, or that loses
    // the file's end-of-fibre threshold. Beyond it only reflections are kept, to be judged
    // once measured. True when the trace has a fibre end.
    bool findEnd(const std::vector<Event>& events) {
        std::size_t end = events.size();
        for (std::size_t k = 0; k < events.size(); ++k) {
            if (cands_[k].launch) continue;
            const bool byThreshold =
                in_.thresholds.endOfFibreDb &&
                std::max(events[k].lossDb, deepestDrop(k)) >= *in_.thresholds.endOfFibreDb;
            if (byThreshold || !fibreGoesOn(k)) {
                end = k;
                break;
            }
        }
        if (end == events.size()) return false;
        cands_[end].end = true;
        std::vector<Candidate> kept(cands_.begin(),
                                    cands_.begin() + static_cast<std::ptrdiff_t>(end) + 1);
        for (std::size_t k = end + 1; k < cands_.size(); ++k) {
            if (!cands_[k].reflective) continue;
            kept.push_back(cands_[k]);
            kept.back().afterEnd = true;
        }
        cands_ = std::move(kept);
        return true;
    }

    // Beyond the fibre end a reflection counts only where it stands far above all the trace
    // around it (noise spikes in a floor do not), and loses nothing.
    void finishAfterEnd(std::vector<Event>& events) const {
        std::vector<Event> kept;
        for (std::size_t k = 0; k < events.size(); ++k) {
            const Candidate& c = cands_[k];
            Event e = events[k];
            if (c.end) e.kind = EventKind::FibreEnd;
            if (c.afterEnd) {
                // The highest of the trace over a stretch on either side, past the peak's own
                // fall and recovery on its far side.
                const std::size_t reach = kAfterEndReachWindows * g_.window;
                double around = -1e300;
                for (std::size_t j = c.foot > reach ? c.foot - reach : 0; j + 2 < c.foot; ++j)
                    around = std::max(around, y_[j]);
                for (std::size_t j = c.top + 4 * g_.pulseSpan + 2 * g_.window;
                     j < std::min(g_.n, c.top + reach); ++j)
                    around = std::max(around, y_[j]);
                if (ys_[c.top] - around < kAfterEndHeightDb) continue;
                e.afterEnd = true;
                e.kind = EventKind::Reflective;
                e.lossDb = 0.0;
                e.slopeDbPerKm.reset();
            }
            kept.push_back(e);
        }
        events = std::move(kept);
    }

    // Ghosts: light that a reflection at L sends back is reflected again by one nearer the
    // instrument at f (the launch connector, the instrument's own optics where the trace
    // starts, another connector) and travels out to L once more, showing a weaker echo at
    // L + (L - f), or after another round at L + 2 (L - f). Such an echo loses nothing.
    void dropGhosts(std::vector<Event>& events) const {
        const double tol =
            std::max({5.0, 3.0 * in_.spacingM, pulseLengthM(in_.pulseWidthNs, in_.groupIndex)});
        std::vector<double> nearer{0.0};
        for (const Event& s : events)
            if (s.reflective) nearer.push_back(s.distanceM);
        // The top of the receiver's scale, as the peaks' smoothed levels reach it: a peak clipped
        // there may be far stronger than it shows.
        const double clip = ys_.empty() ? 0.0 : *std::max_element(ys_.begin(), ys_.end());
        std::vector<Event> kept;
        for (const Event& e : events) {
            bool ghost = false;
            if (e.reflective && e.reflectanceDb && std::fabs(e.lossDb) < lossThreshold_ * 2) {
                for (const Event& s : events) {
                    // Weaker in level: beyond the end a reflectance against the noise means
                    // nothing. An echo of a clipped reflection may reach the clip too.
                    const bool stronger = s.peakDb >= e.peakDb + kGhostWeakerDb ||
                                          (s.peakDb >= clip && s.distanceM < e.distanceM);
                    if (&s == &e || !s.reflective || !stronger) continue;
                    for (double f : nearer) {
                        const double round = s.distanceM - f;
                        if (round <= tol) continue;
                        for (int k : kGhostRounds)
                            if (std::fabs(e.distanceM - s.distanceM - k * round) <= tol)
                                ghost = true;
                    }
                }
            }
            if (!ghost) kept.push_back(e);
        }
        events = std::move(kept);
    }

    const TraceInput& in_;
    std::span<const double> y_;
    GridGeometry g_;
    TraceSums sums_;
    Buffer<double> ys_;
    double backscatter_;
    double lossThreshold_;
    double reflectanceThreshold_;
    int scales_ = 0;
    std::array<Buffer<double>, kScales> stat_;
    // The windows of each scale clear of the reflections' peaks, which its noise leaves out.
    std::array<Buffer<char>, kScales> clear_;
    std::array<NoiseProfile, kScales> stepNoise_;
    NoiseProfile peak_;
    Buffer<double> peakStat_;
    std::vector<Candidate> cands_;
    std::array<std::vector<std::pair<std::size_t, std::size_t>>, kScales> zones_;
    struct PeakCore {
        std::size_t foot = 0, top = 0, past = 0, coreEnd = 0;
    };
    std::vector<PeakCore> peaks_;
    std::vector<std::pair<std::size_t, std::size_t>> cores_;  // launch and peaks, top to fall
    Buffer<std::size_t> coreCount_;                           // points in a core before each point
    std::size_t launchTop_ = 0;
    std::size_t launchEnd_ = 0;
    std::size_t lead_ = 0;
    std::size_t signalEnd_ = 0;
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
    return std::max(pulseWidthNs, 0.0) * kRoundTripLightMPerNs / n;
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
