#include "sim/level_simulator.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "sim/random.h"

namespace otdr::sim {

namespace {

// Half the speed of light in vacuum, metres per ns.
constexpr double kHalfLightMPerNs = 0.299792458 / 2.0;
// Receiver time constant as a share of the pulse length, and its least value in points.
constexpr double kTauShare = 0.15;
constexpr double kMinTauPoints = 0.5;
// The launch overdrives the receiver by this much beyond saturation.
constexpr double kLaunchOverdriveDb = 6.0;
// The floor's pedestal in noise deviations, and the least power a point is shown at.
constexpr double kPedestalSigmas = 2.0;
constexpr double kLeastPowerSigmas = 0.05;
// Tails are followed this many time constants.
constexpr double kTailConstants = 30.0;

double powerOfDb(double db) {
    return std::pow(10.0, db / 5.0);
}
double dbOf(double power) {
    return 5.0 * std::log10(power);
}

// Height of a reflection over the backscatter for its reflectance (display dB).
double heightOf(double reflectanceDb, double pulseNs, double backscatterDb) {
    const double pulse = 10.0 * std::log10(std::max(pulseNs, 1.0));
    return 5.0 * std::log10(1.0 + std::pow(10.0, (reflectanceDb - backscatterDb - pulse) / 10.0));
}

struct Peak {
    std::size_t at = 0;
    double amplitude = 0.0;  // linear power of the top
    bool rising = true;
    double recovery = 0.0;  // share of the amplitude in the slow recovery
};

void addPeak(std::vector<double>& p, const Peak& k, double pulse, double tau, double recoveryPts) {
    const std::size_t n = p.size();
    const std::size_t span = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(pulse)));
    const double decay = std::exp(-1.0 / tau);
    const double reach = k.rising ? 1.0 - std::pow(decay, static_cast<double>(span)) : 1.0;
    const double amp = k.amplitude / reach;
    double charge = k.rising ? 1.0 : 0.0, a = 0.0;
    std::size_t i = k.at;
    for (std::size_t u = 0; u < span && i < n; ++u, ++i) {
        charge *= decay;
        a = amp * (1.0 - charge);
        p[i] += a;
    }
    const std::size_t tail = static_cast<std::size_t>(kTailConstants * tau) + 1;
    for (std::size_t u = 0; u < tail && i + u < n; ++u) p[i + u] += a * std::pow(decay, u + 1.0);
    if (k.recovery > 0.0) {
        const std::size_t slow = static_cast<std::size_t>(10.0 * recoveryPts);
        const double r = std::exp(-1.0 / recoveryPts);
        double v = k.amplitude * k.recovery;
        for (std::size_t u = 0; u < slow && i + u < n; ++u, v *= r) p[i + u] += v;
    }
}

}  // namespace

LevelSimResult simulateLevels(const LevelSimConfig& c) {
    LevelSimResult r;
    const std::size_t n = c.points;
    const double dx = c.spacingM > 0.0 ? c.spacingM : 1.0;
    const double gi = c.groupIndex > 1.0 ? c.groupIndex : 1.468;
    const double pulse = std::max(c.pulseWidthNs * kHalfLightMPerNs / gi / dx, 1.0);
    const double tau = std::max(kTauShare * pulse, kMinTauPoints);
    const double slope = c.attenuationDbPerKm * dx * 0.001;  // dB per point
    auto indexOf = [&](double m) {
        const double i = std::round(m / dx);
        return i <= 0.0 ? std::size_t{0} : static_cast<std::size_t>(i);
    };

    std::vector<LevelEvent> events = c.events;
    std::sort(events.begin(), events.end(),
              [](const LevelEvent& a, const LevelEvent& b) { return a.distanceM < b.distanceM; });
    const std::size_t end = indexOf(c.fibreLengthM);
    r.cut = end >= n;

    // Backscatter level (dB) with the losses spread over a pulse, then its power.
    std::vector<double> level(n);
    for (std::size_t i = 0; i < n; ++i) level[i] = c.startLevelDb - slope * static_cast<double>(i);
    for (const LevelEvent& e : events) {
        const std::size_t at = indexOf(e.distanceM);
        for (std::size_t i = at; i < n; ++i) {
            const double u = static_cast<double>(i - at) / pulse;
            level[i] -= e.lossDb * std::min(u, 1.0);
        }
    }
    std::vector<double> power(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        double left = 1.0;
        if (i >= end) left = std::max(0.0, 1.0 - static_cast<double>(i - end) / pulse);
        power[i] = left > 0.0 ? powerOfDb(level[i]) * left : 0.0;
    }

    // Reflections.
    const double recoveryPts = std::max(c.recoveryM / dx, 1.0);
    std::vector<Peak> peaks;
    const double saturation = c.startLevelDb + c.saturationAboveDb;
    peaks.push_back({0, powerOfDb(saturation + kLaunchOverdriveDb), false, 0.0});
    auto reflection = [&](std::size_t at, double reflectanceDb) {
        const double base = powerOfDb(level[std::min(at, n - 1)]);
        const double h = heightOf(reflectanceDb, c.pulseWidthNs, c.backscatterDb);
        const double rec = reflectanceDb >= c.recoveryFromDb ? c.recoveryShare : 0.0;
        return Peak{at, base * (powerOfDb(h) - 1.0), true, rec};
    };
    const LevelEvent* strongest = nullptr;
    for (const LevelEvent& e : events) {
        if (!e.reflective) continue;
        peaks.push_back(reflection(indexOf(e.distanceM), e.reflectanceDb));
        if (!strongest || e.reflectanceDb > strongest->reflectanceDb) strongest = &e;
    }
    LevelEvent endEvent{c.fibreLengthM, 0.0, c.endReflectanceDb.has_value(),
                        c.endReflectanceDb.value_or(0.0)};
    if (!r.cut && endEvent.reflective) {
        peaks.push_back(reflection(end, endEvent.reflectanceDb));
        if (!strongest || endEvent.reflectanceDb > strongest->reflectanceDb) strongest = &endEvent;
    }
    std::optional<LevelTruth> ghost;
    if (strongest && c.ghostBelowDb) {
        const std::size_t at = indexOf(2.0 * strongest->distanceM);
        if (at + static_cast<std::size_t>(pulse) < n) {
            Peak k = reflection(indexOf(strongest->distanceM),
                                strongest->reflectanceDb - *c.ghostBelowDb);
            k.at = at;
            k.recovery = 0.0;
            peaks.push_back(k);
            ghost = LevelTruth{at,
                               static_cast<double>(at) * dx,
                               0.0,
                               true,
                               strongest->reflectanceDb - *c.ghostBelowDb,
                               false,
                               false,
                               true,
                               0.0};
        }
    }
    for (const Peak& k : peaks) addPeak(power, k, pulse, tau, recoveryPts);
    // The receiver's long recovery after a reflective end, below the backscatter before it.
    if (!r.cut && endEvent.reflective && c.endTailM > 0.0 && end > 0) {
        const std::size_t from = end + static_cast<std::size_t>(std::ceil(pulse)) + 1;
        const double start = powerOfDb(level[end - 1] - c.endTailBelowDb);
        const double decay = std::exp(-dx / c.endTailM);
        double v = start;
        for (std::size_t i = from; i < n && v > start * 1e-6; ++i, v *= decay) power[i] += v;
    }

    // Noise, floor, saturation and the level scale.
    const SampleNoise noise(c.seed);
    auto sigmaAt = [&](std::size_t i) {
        const double km = static_cast<double>(i) * dx * 0.001;
        return powerOfDb(c.startLevelDb - c.startSnrDb + c.floorSlopeDbPerKm * km);
    };
    std::vector<double> stored(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double s = sigmaAt(i);
        const double p =
            std::max(power[i] + kPedestalSigmas * s + s * noise.at(i), kLeastPowerSigmas * s);
        stored[i] = std::min(dbOf(p), saturation);
    }
    // A stretch before the front panel, flat at the level of the fibre's start with its noise.
    const std::size_t lead = std::min(indexOf(c.leadInM), n);
    if (lead > 0) {
        const double s = sigmaAt(0);
        std::vector<double> before(lead);
        for (std::size_t i = 0; i < lead; ++i)
            before[i] =
                dbOf(std::max(powerOfDb(c.startLevelDb) + kPedestalSigmas * s + s * noise.at(n + i),
                              kLeastPowerSigmas * s));
        stored.insert(stored.begin(), before.begin(), before.end());
        stored.resize(n);
    }
    // The instrument's filter, its scale's bottom and its level step.
    if (c.filterHalfPoints > 0) {
        // Over the points up to each one, as a receiver's filter sees the past only.
        const std::size_t w = 2 * c.filterHalfPoints;
        std::vector<double> sum(n + 1, 0.0);
        for (std::size_t i = 0; i < n; ++i) sum[i + 1] = sum[i] + stored[i];
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t a = i > w ? i - w : 0;
            stored[i] = (sum[i + 1] - sum[a]) / static_cast<double>(i + 1 - a);
        }
    }
    r.levelsDb.resize(n);
    const double q = c.quantumDb > 0.0 ? c.quantumDb : 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        double v = c.clipDb ? std::max(stored[i], *c.clipDb) : stored[i];
        if (q > 0.0) v = std::round(v / q) * q;
        r.levelsDb[i] = v;
    }

    // Ground truth.
    auto snrAt = [&](std::size_t i) {
        const std::size_t b = i > 0 ? i - 1 : 0;
        return level[std::min(b, n - 1)] - dbOf(sigmaAt(b));
    };
    r.truth.push_back({0, 0.0, 0.0, true, 0.0, true, false, false, snrAt(0)});
    for (const LevelEvent& e : events) {
        const std::size_t at = indexOf(e.distanceM);
        if (at >= n || at >= end) continue;
        r.truth.push_back({at, static_cast<double>(at) * dx, e.lossDb, e.reflective,
                           e.reflective ? e.reflectanceDb : 0.0, false, false, false, snrAt(at)});
    }
    if (!r.cut) {
        const double floorDb = dbOf(kPedestalSigmas * sigmaAt(end));
        r.truth.push_back({end, static_cast<double>(end) * dx, level[end] - floorDb,
                           endEvent.reflective, endEvent.reflective ? endEvent.reflectanceDb : 0.0,
                           false, true, false, snrAt(end)});
    }
    if (ghost) r.truth.push_back(*ghost);
    std::vector<LevelTruth> inTrace;
    for (LevelTruth t : r.truth) {
        t.index += lead;
        t.distanceM = static_cast<double>(t.index) * dx;
        if (t.index < n) inTrace.push_back(t);
    }
    r.truth = std::move(inTrace);
    std::sort(r.truth.begin(), r.truth.end(),
              [](const LevelTruth& a, const LevelTruth& b) { return a.index < b.index; });
    return r;
}

LevelSimConfig randomLevelScenario(std::uint64_t seed) {
    std::uint64_t state = seed * 0x9E3779B97F4A7C15ull + 12345;
    auto uniform = [&](double lo, double hi) {
        const double u = static_cast<double>(splitmix64(state) >> 11) * (1.0 / 9007199254740992.0);
        return lo + (hi - lo) * u;
    };
    auto pick = [&](auto const& options) {
        const auto k = static_cast<std::size_t>(uniform(0.0, static_cast<double>(options.size())));
        return options[std::min(k, options.size() - 1)];
    };
    constexpr std::size_t kPoints[] = {1000, 4000, 16000, 30000, 64000, 128000, 250000};
    constexpr double kSpacings[] = {0.08, 0.16, 0.25, 0.5, 1.0, 2.0, 4.0};
    constexpr double kPulses[] = {3,   5,   10,   20,   30,   50,    100,
                                  275, 500, 1000, 2000, 5000, 10000, 20000};
    constexpr double kAttenuations[] = {0.19, 0.21, 0.33, 0.35};
    constexpr double kStarts[] = {-20.0, -5.0, 0.0, 30.0};
    constexpr double kQuanta[] = {0.001, 0.001, 0.002, 0.0};

    LevelSimConfig c;
    c.seed = seed;
    c.points = pick(std::span(kPoints));
    c.spacingM = pick(std::span(kSpacings));
    std::vector<double> pulses;
    for (double p : kPulses) {
        const double pts = p * kHalfLightMPerNs / c.groupIndex / c.spacingM;
        if (pts >= 1.0 && pts <= 60.0 && pts * 40.0 < static_cast<double>(c.points))
            pulses.push_back(p);
    }
    c.pulseWidthNs = pulses.empty() ? 10.0 : pick(pulses);
    c.attenuationDbPerKm = pick(std::span(kAttenuations));
    c.backscatterDb = c.attenuationDbPerKm > 0.3 ? -79.4 : -81.7;
    c.startLevelDb = pick(std::span(kStarts));
    c.quantumDb = pick(std::span(kQuanta));
    const double traceM = static_cast<double>(c.points) * c.spacingM;
    const double pulseM = c.pulseWidthNs * kHalfLightMPerNs / c.groupIndex;
    const bool cut = uniform(0.0, 1.0) < 0.1;
    c.fibreLengthM = cut ? traceM * 1.3 : traceM * uniform(0.55, 0.85);
    c.endReflectanceDb =
        uniform(0.0, 1.0) < 0.7 ? std::optional<double>(uniform(-45.0, -14.0)) : std::nullopt;
    c.ghostBelowDb =
        uniform(0.0, 1.0) < 0.7 ? std::optional<double>(uniform(15.0, 30.0)) : std::nullopt;
    c.recoveryM = uniform(20.0, 80.0) * pulseM;
    c.floorSlopeDbPerKm =
        uniform(0.0, 1.0) < 0.5 ? 0.0 : uniform(-3.0, 3.0) / std::max(traceM * 0.001, 1e-3);

    // Events spread over the fibre, at least 30 pulse lengths (and 40 points) apart, none where
    // a ghost could fall.
    const double gap = std::max(30.0 * pulseM, 40.0 * c.spacingM);
    const double usable = std::min(c.fibreLengthM, traceM) - 2.0 * gap;
    const int count = static_cast<int>(uniform(2.0, 9.0));
    bool splitter = false;
    double total = 0.0;
    for (int k = 0; k < count && usable > gap; ++k) {
        const double at = gap + uniform(0.0, usable);
        bool crowded = false;
        for (const LevelEvent& e : c.events)
            if (std::fabs(e.distanceM - at) < gap) crowded = true;
        if (crowded) continue;
        LevelEvent e;
        e.distanceM = at;
        const double kind = uniform(0.0, 1.0);
        if (kind < 0.6) {
            e.lossDb = uniform(0.1, 0.8);
        } else if (kind < 0.72) {
            e.lossDb = -uniform(0.1, 0.4);
        } else if (kind < 0.95 || splitter) {
            e.lossDb = uniform(0.1, 0.6);
            e.reflective = true;
            e.reflectanceDb = uniform(-60.0, -35.0);
        } else {
            e.lossDb = uniform(3.0, 10.0);
            splitter = true;
        }
        total += e.lossDb;
        c.events.push_back(e);
    }
    // Keep events off twice any reflection's distance, where a ghost may lie.
    std::vector<LevelEvent> kept;
    for (const LevelEvent& e : c.events) {
        bool onGhost = false;
        for (const LevelEvent& s : c.events)
            if (s.reflective && std::fabs(e.distanceM - 2.0 * s.distanceM) < gap) onGhost = true;
        if (std::fabs(e.distanceM - 2.0 * c.fibreLengthM) < gap) onGhost = true;
        if (!onGhost) kept.push_back(e);
    }
    c.events = std::move(kept);
    // Enough signal that the far end still stands 12 to 25 dB above the noise.
    const double fibreLoss =
        c.attenuationDbPerKm * std::min(c.fibreLengthM, traceM) * 0.001 + total;
    const double floorChange = c.floorSlopeDbPerKm * std::min(c.fibreLengthM, traceM) * 0.001;
    c.startSnrDb = fibreLoss + std::max(floorChange, 0.0) + uniform(12.0, 25.0);
    return c;
}

}  // namespace otdr::sim
