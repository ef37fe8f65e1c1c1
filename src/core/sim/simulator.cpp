#include "sim/simulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include "analysis/event_table.h"
#include "sim/random.h"
#include "trace/sor_format.h"
#include "trace/zt_format.h"
#include "util/cpu_features.h"
#include "util/file_io.h"
#include "util/numeric.h"
#include "util/text.h"

namespace otdr::sim {

namespace {

// Metres of fibre per ns of round-trip time, times the group index (the program's own figure
// for half the speed of light).
constexpr double kHalfLightMetresPerNs = 0.1499;

// Backscatter level at distance 0 for a 10 ns pulse at 1550 nm without attenuator, dB. The
// backscattered power grows with the pulse energy; 1310 nm scatters a little more.
constexpr double kBaseStartLevelDb = 26.0;
constexpr double kShortWavelengthExtraDb = 0.7;
constexpr double kAttenuatorStepDb = 5.0;

// The launch reflection overdrives the receiver by this much above saturation (counts).
constexpr double kLaunchOverdriveCounts = 6000.0;

// Receiver time constant as a share of the pulse length, and its least value in samples.
constexpr double kReceiverTauShare = 0.15;
constexpr double kMinReceiverTauSamples = 0.5;

// Noise rms in linear power relative to the floor's power at noise level 1.
constexpr double kNoiseRelative = 0.5;

// Above the floor by this much (plus the noise's own reach), pedestal and noise change a level
// by less than 0.05 counts (the noise reaches at most 2 sqrt 3 deviations), so the level is taken
// as it is and no noise is drawn.
constexpr double kQuietMarginCounts = 25000.0;

// Reflection tails are followed for this many time constants (e^-40 is below any level).
constexpr double kTailTimeConstants = 40.0;

// Return-loss constants of the program's reflectance relation, dB.
constexpr double kReturnLossConstant1310 = 81.7;
constexpr double kReturnLossConstantOther = 80.3;

// Linear power of a level in counts (level = 5000 log10 power) and back.
double powerOf(double counts) {
    return std::exp(counts * (std::numbers::ln10 / 5000.0));
}
double displayedCounts(double power) {
    return power > 1.0 ? (5000.0 / std::numbers::ln10) * std::log(static_cast<float>(power)) : 0.0;
}

bool isPulseWidth(int ns) {
    return std::find(kPulseWidthsNs.begin(), kPulseWidthsNs.end(), ns) != kPulseWidthsNs.end();
}

Error bad(const std::string& message) {
    return Error{ErrorKind::BadInput, message};
}

std::string num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// Where things lie along the trace, in samples.
struct Geometry {
    double spacing = 1.0;  // metres per sample
    double pulse = 1.0;    // pulse length
    double span = 1.0;     // pulse length, at least one sample
    int spanSamples = 1;   // span rounded up
    double tau = 0.5;      // receiver time constant
    int sampleAt(double km) const {
        const double s = std::round(km * 1000.0 / spacing);
        if (!(s >= 0.0)) return 0;
        return s > kSampleCount - 1 ? kSampleCount - 1 : static_cast<int>(s);
    }
};

Geometry geometryFor(int pulseWidthNs, double ior, float spacing) {
    Geometry g;
    g.spacing = static_cast<double>(spacing);
    g.pulse = pulseWidthNs * kHalfLightMetresPerNs / ior / g.spacing;
    g.span = std::max(g.pulse, 1.0);
    g.spanSamples = static_cast<int>(std::ceil(g.span));
    g.tau = std::max(kReceiverTauShare * g.pulse, kMinReceiverTauSamples);
    return g;
}

// Adds a reflection of peak power `amplitude` starting at sample s: flat for the pulse, then
// decaying with the receiver's time constant.
void addReflection(std::vector<double>& power, int s, double amplitude, const Geometry& g,
                   bool rising = true) {
    // The receiver charges towards the reflected power while the pulse comes back, then
    // discharges with the same time constant: a rising edge of a few samples, a flat top and
    // a tail. The launch reflection finds the receiver already overdriven: no rising edge.
    const int n = static_cast<int>(power.size());
    const double decay = std::exp(-1.0 / g.tau);
    // Scaled so that the top of the edge reaches the reflected power.
    const double reach = rising ? 1.0 - std::pow(decay, std::max(g.spanSamples, 1)) : 1.0;
    amplitude /= reach;
    int i = s;
    double a = 0.0;
    double charge = rising ? 1.0 : 0.0;
    for (int u = 0; u < g.spanSamples && i < n; ++u, ++i) {
        charge *= decay;
        a = amplitude * (1.0 - charge);
        power[static_cast<std::size_t>(i)] += a;
    }
    const int tail = static_cast<int>(kTailTimeConstants * g.tau) + 1;
    a *= decay;
    for (int u = 0; u < tail && i < n; ++u, ++i) {
        power[static_cast<std::size_t>(i)] += a;
        a *= decay;
    }
}

// The loop below calls the C library's logf and expf, which run as AVX code on machines that
// have it, between our own SSE code. When a library loaded earlier in the process (the Qt
// platform plugin, for one) left the upper halves of the AVX registers in use, every switch
// between the two costs dozens of cycles and the loop runs over ten times slower. Clearing that
// state once, where the CPU has it, keeps the simulator equally fast in every program.
void clearUpperVectorState() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool hasAvx = cpu::hasAvx();
    if (hasAvx) __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

// Mean displayed level (counts) of a pedestal plus the sample noise, by quadrature over the
// noise's density: the sum of four uniform numbers, centred and scaled to variance 1, which
// lies on [-2 sqrt 3, 2 sqrt 3].
double meanNoiseCounts(double pedestal, double sigma) {
    constexpr int kPoints = 121;
    constexpr double kHalfWidth = 3.4641016151377544;  // 2 sqrt 3
    constexpr double kStep = 2.0 * kHalfWidth / (kPoints - 1);
    static const std::array<double, kPoints> weights = [] {
        std::array<double, kPoints> w{};
        double total = 0.0;
        for (int k = 0; k < kPoints; ++k) {
            // Density of the sum u of four uniforms at u = 2 + z / sqrt 3.
            const double u = 2.0 + (k * kStep - kHalfWidth) / 1.7320508075688772;
            const double binom[] = {1, 4, 6, 4, 1};
            double d = 0.0;
            for (int j = 0; j <= 4 && j <= u; ++j)
                d += ((j % 2) ? -1.0 : 1.0) * binom[j] * std::pow(u - j, 3.0);
            w[static_cast<std::size_t>(k)] = std::max(d, 0.0);
            total += w[static_cast<std::size_t>(k)];
        }
        for (double& v : w) v /= total;
        return w;
    }();
    double sum = 0.0;
    for (int k = 0; k < kPoints; ++k)
        sum += weights[static_cast<std::size_t>(k)] *
               displayedCounts(pedestal + sigma * (k * kStep - kHalfWidth));
    return sum;
}

// The pedestal (linear power) under the noise that puts the mean of the displayed floor at
// floorCounts. The mean grows with the pedestal, so a bisection over its logarithm finds it;
// when the noise alone already lifts the floor above the target, the smallest pedestal wins.
double pedestalFor(double floorCounts, double sigma) {
    const double target = powerOf(floorCounts);
    if (sigma <= 0.0) return target;
    double lo = -4.0;  // log10 of pedestal / target
    double hi = 1.0;
    if (meanNoiseCounts(target * std::pow(10.0, lo), sigma) >= floorCounts)
        return target * std::pow(10.0, lo);
    for (int it = 0; it < 16; ++it) {  // to 1e-4 in log10, well under a count
        const double mid = 0.5 * (lo + hi);
        if (meanNoiseCounts(target * std::pow(10.0, mid), sigma) < floorCounts)
            lo = mid;
        else
            hi = mid;
    }
    return target * std::pow(10.0, 0.5 * (lo + hi));
}

}  // namespace

double typicalAttenuationDbPerKm(int wavelengthNm) {
    switch (wavelengthNm) {
        case 1310:
            return 0.33;
        case 1625:
            return 0.21;
        default:
            return 0.19;
    }
}

int wavelengthClassFor(int wavelengthNm) {
    switch (wavelengthNm) {
        case 1310:
            return 0;
        case 1625:
            return 2;
        default:
            return 1;
    }
}

double maxFibreLengthKm(int rangeIndex, double refractiveIndex) {
    const float spacing =
        computeSampleSpacing(rangeIndex, 1.0f, static_cast<float>(refractiveIndex));
    return kMaxEndShare * kSampleCount * static_cast<double>(spacing) * 0.001;
}

double reflectionHeightCounts(double reflectanceDb, int pulseWidthNs, int wavelengthClass) {
    // The program reads a peak of H counts as the return loss
    // K - (10 log10(10^(H x 0.0002) - 1) + 10 log10(pulse width)); solved here for H.
    const double k = wavelengthClass == 0 ? kReturnLossConstant1310 : kReturnLossConstantOther;
    const double returnLoss = -reflectanceDb;
    const double ratio =
        std::pow(10.0, (k - returnLoss - 10.0 * std::log10(std::max(pulseWidthNs, 1))) / 10.0);
    return 5000.0 * std::log10(1.0 + ratio);
}

Result<void> validateConfig(const SimConfig& c) {
    if (c.rangeIndex < 0 || c.rangeIndex > 9)
        return bad("range index must be 0..9 (got " + std::to_string(c.rangeIndex) + ")");
    if (!isPulseWidth(c.pulseWidthNs))
        return bad(
            "pulse width must be one of 10, 30, 80, 160, 320, 640, 1280, 5120, 10240 ns (got " +
            std::to_string(c.pulseWidthNs) + ")");
    if (c.wavelengthNm != 1310 && c.wavelengthNm != 1550 && c.wavelengthNm != 1625)
        return bad("wavelength must be 1310, 1550 or 1625 nm (got " +
                   std::to_string(c.wavelengthNm) + ")");
    if (!(c.refractiveIndex > 1.0 && c.refractiveIndex <= 2.0))
        return bad("refractive index must lie above 1 and at most 2 (got " +
                   num(c.refractiveIndex) + ")");
    if (!(c.fibreLengthKm > 0.0) || !std::isfinite(c.fibreLengthKm))
        return bad("fibre length must be above 0 km (got " + num(c.fibreLengthKm) + ")");
    const double maxKm = maxFibreLengthKm(c.rangeIndex, c.refractiveIndex);
    if (c.fibreLengthKm > maxKm)
        return bad("a " + num(c.fibreLengthKm) + " km fibre does not fit the " +
                   rangeText(c.rangeIndex) + " range: its end must lie within the first " +
                   cformat("%.3f", maxKm) + " km so that the trace ends in the noise floor");
    if (c.attenuationDbPerKm && !(*c.attenuationDbPerKm > 0.0 && *c.attenuationDbPerKm <= 10.0))
        return bad("fibre attenuation must lie above 0 and at most 10 dB/km (got " +
                   num(*c.attenuationDbPerKm) + ")");
    if (!(c.endReflectanceDb >= -90.0 && c.endReflectanceDb <= -10.0))
        return bad("end reflectance must lie in -90..-10 dB (got " + num(c.endReflectanceDb) + ")");
    if (!(c.noiseLevel >= 0.0 && c.noiseLevel <= 5.0))
        return bad("noise level must lie in 0..5 (got " + num(c.noiseLevel) + ")");
    if (!(c.noiseFloorDb >= 1.0 && c.noiseFloorDb <= 10.0))
        return bad("noise floor must lie in 1..10 dB (got " + num(c.noiseFloorDb) + ")");
    if (c.averageCount < 1 || c.averageCount > 6553)
        return bad("average count must lie in 1..6553 (got " + std::to_string(c.averageCount) +
                   ")");
    for (std::size_t k = 0; k < c.events.size(); ++k) {
        const SimEvent& e = c.events[k];
        const std::string which =
            "event " + std::to_string(k + 1) + " at " + num(e.distanceKm) + " km";
        if (!(e.distanceKm > 0.0) || !std::isfinite(e.distanceKm))
            return bad(which + ": its distance must be above 0 km");
        if (e.distanceKm >= c.fibreLengthKm)
            return bad(which + " lies beyond the fibre end at " + num(c.fibreLengthKm) + " km");
        if (!(e.lossDb >= -5.0 && e.lossDb <= 30.0))
            return bad(which + ": loss must lie in -5..30 dB (got " + num(e.lossDb) + ")");
        if (e.reflective && !(e.reflectanceDb >= -90.0 && e.reflectanceDb <= -10.0))
            return bad(which + ": reflectance must lie in -90..-10 dB (got " +
                       num(e.reflectanceDb) + ")");
    }
    return {};
}

SimResult simulate(const SimConfig& c) {
    SimResult r;
    // Values a valid configuration never has are pulled into range first, so that nothing
    // below can index outside the trace or loop without end.
    const int range = std::clamp(c.rangeIndex, 0, 9);
    const int cls = wavelengthClassFor(c.wavelengthNm);
    const int pulse = std::clamp(c.pulseWidthNs, kPulseWidthsNs.front(), kPulseWidthsNs.back());
    const double ior = (c.refractiveIndex > 1.0 && c.refractiveIndex <= 2.0)
                           ? c.refractiveIndex
                           : static_cast<double>(kDefaultRefractiveIndex);
    const float spacing = computeSampleSpacing(range, 1.0f, static_cast<float>(ior));
    const Geometry g = geometryFor(pulse, ior, spacing);

    // Test parameters as the instrument would store them.
    const double rawStartDb = kBaseStartLevelDb + 5.0 * std::log10(pulse / 10.0) +
                              (cls == 0 ? kShortWavelengthExtraDb : 0.0);
    const double attenuatorDb =
        rawStartDb > kMaxStartLevelDb
            ? kAttenuatorStepDb * std::ceil((rawStartDb - kMaxStartLevelDb) / kAttenuatorStepDb)
            : 0.0;
    TestParameters& p = r.params;
    p.rangeIndex = static_cast<std::int16_t>(range);
    p.pulseWidthNs = static_cast<std::int16_t>(pulse);
    p.averageCount = c.averageCount;
    p.attenuationDb = toF32(attenuatorDb);
    p.wavelengthClass = static_cast<std::uint8_t>(cls);
    p.lossScale = {1.0f, 1.0f, 1.0f};
    p.refractiveIndex = toF32(ior);
    p.helixFactor = 1.0f;
    p.sampleSpacing = spacing;
    r.waveText = std::string(wavelengthTextForCode(cls));
    r.attenuationDbPerKm = c.attenuationDbPerKm.value_or(typicalAttenuationDbPerKm(c.wavelengthNm));
    r.startLevelDb = rawStartDb - attenuatorDb;
    r.timestamp = c.timestamp;
    r.comment = "simulated trace, seed " + std::to_string(c.seed);

    std::vector<SimEvent> events = c.events;
    std::stable_sort(events.begin(), events.end(), [](const SimEvent& a, const SimEvent& b) {
        return a.distanceKm < b.distanceKm;
    });
    std::vector<int> at(events.size());
    for (std::size_t k = 0; k < events.size(); ++k) at[k] = g.sampleAt(events[k].distanceKm);
    const int end = g.sampleAt(c.fibreLengthKm);

    // Two work arrays of the trace's length, kept per thread so that repeated runs touch no
    // fresh memory: the backscatter level in counts and the reflected power.
    constexpr std::size_t n = kSampleCount;
    thread_local std::vector<double> level;
    thread_local std::vector<double> reflected;
    level.assign(n, 0.0);
    reflected.assign(n, 0.0);

    // Backscatter level at every sample, the fibre end not yet applied: the linear fall with
    // distance minus the step losses, each spread over one pulse length (full losses by a
    // running sum, then the ramps of the non-reflective ones).
    for (std::size_t k = 0; k < events.size(); ++k) {
        const std::size_t full = static_cast<std::size_t>(at[k]) + g.spanSamples;
        if (full < n) level[full] -= events[k].lossDb * 1000.0;
    }
    const double startCounts = r.startLevelDb * 1000.0;
    const double slopeCounts = r.attenuationDbPerKm * g.spacing;  // counts per sample
    double stepped = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        stepped += level[i];
        level[i] = startCounts - slopeCounts * static_cast<double>(i) + stepped;
    }
    for (std::size_t k = 0; k < events.size(); ++k) {
        // Under a reflection the loss is hidden by the peak: it shows as a step where the
        // backscatter comes back after the pulse.
        if (events[k].reflective) continue;
        for (int u = 1; u < g.spanSamples; ++u) {
            const std::size_t i = static_cast<std::size_t>(at[k]) + static_cast<std::size_t>(u);
            if (i < n) level[i] -= events[k].lossDb * 1000.0 * (u / g.span);
        }
    }

    // Reflections in linear power, sized so that the top of the peak (reached at the end of the
    // pulse) stands the asked height above the backscatter where the peak starts.
    addReflection(reflected, 0, powerOf(kSaturationCounts + kLaunchOverdriveCounts), g,
                  /*rising=*/false);
    for (std::size_t k = 0; k < events.size(); ++k) {
        if (!events[k].reflective) continue;
        const double height = reflectionHeightCounts(events[k].reflectanceDb, pulse, cls);
        const std::size_t top =
            std::min(n - 1, static_cast<std::size_t>(at[k] + std::max(g.spanSamples - 1, 0)));
        const double foot = level[static_cast<std::size_t>(at[k])];
        addReflection(reflected, at[k], std::max(powerOf(foot + height) - powerOf(level[top]), 0.0),
                      g);
    }
    const double endCounts = level[static_cast<std::size_t>(end)];
    const double endHeight = reflectionHeightCounts(c.endReflectanceDb, pulse, cls);
    addReflection(reflected, end, powerOf(endCounts) * (powerOf(endHeight) - 1.0), g);

    // Receiver noise and the display: level = 5000 log10(power), clipped at saturation. Where
    // the backscatter alone stands far above the floor the noise cannot move a count, and the
    // level is taken as it is.
    const double floorCounts = c.noiseFloorDb * 1000.0;
    const double sigma = kNoiseRelative * std::max(c.noiseLevel, 0.0) * powerOf(floorCounts);
    const double pedestal = pedestalFor(floorCounts, sigma);
    const double quietAbove = floorCounts + kQuietMarginCounts +
                              5000.0 * std::log10(1.0 + 3.0 * std::max(c.noiseLevel, 0.0));
    SampleNoise noise(c.seed);
    clearUpperVectorState();
    for (std::size_t i = 0; i < n; ++i) {
        const int beyondEnd = static_cast<int>(i) - end;
        double counts = 0.0;
        if (beyondEnd < 0 && reflected[i] == 0.0 && level[i] > quietAbove) {
            counts = level[i];
        } else {
            // The backscatter vanishes over one pulse length after the far end.
            const double left = beyondEnd < 0 ? 1.0 : 1.0 - beyondEnd / g.span;
            double total = reflected[i] + pedestal;
            // Single precision is ample here: the level comes back within 0.001 counts.
            if (left > 0.0)
                total += static_cast<double>(std::exp(
                             static_cast<float>(level[i] * (std::numbers::ln10 / 5000.0)))) *
                         left;
            if (sigma > 0.0) total += sigma * noise.at(i);
            counts = displayedCounts(total);
        }
        if (!(counts > 0.0)) counts = 0.0;  // also a level that is not a number
        // counts is now never negative, so adding one half and truncating rounds to nearest.
        r.samples[i] =
            static_cast<std::uint16_t>(std::min(counts, double{kSaturationCounts}) + 0.5);
    }

    // Ground truth.
    for (std::size_t k = 0; k < events.size(); ++k)
        r.truth.push_back({at[k], events[k].distanceKm, events[k].lossDb, events[k].reflective,
                           events[k].reflective ? events[k].reflectanceDb : 0.0});
    r.truth.push_back({end, c.fibreLengthKm, std::max(0.0, (endCounts - floorCounts) / 1000.0),
                       true, c.endReflectanceDb});
    return r;
}

Result<SimEvent> parseEventSpec(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    while (true) {
        const std::size_t colon = text.find(':', from);
        parts.push_back(text.substr(from, colon == std::string_view::npos ? colon : colon - from));
        if (colon == std::string_view::npos) break;
        from = colon + 1;
    }
    const Error malformed =
        bad("malformed event \"" + std::string(text) +
            "\": expected km:loss, km:loss:reflective or km:loss:reflective:reflectance");
    if (parts.size() < 2 || parts.size() > 4) return malformed;
    SimEvent e;
    const auto km = parseWholeNumber(parts[0]);
    const auto loss = parseWholeNumber(parts[1]);
    if (!km || !loss || !std::isfinite(*km) || !std::isfinite(*loss)) return malformed;
    e.distanceKm = *km;
    e.lossDb = *loss;
    if (parts.size() >= 3) {
        if (parts[2] != "reflective" && parts[2] != "r") return malformed;
        e.reflective = true;
    }
    if (parts.size() == 4) {
        const auto refl = parseWholeNumber(parts[3]);
        if (!refl || !std::isfinite(*refl)) return malformed;
        e.reflectanceDb = *refl;
    }
    return e;
}

Result<void> writeTraceFile(const SimResult& result, const std::string& path) {
    const std::string ext = lowerExtension(path);
    Bytes bytes;
    if (ext == ".sor") {
        TraceRecord record;
        record.genParams.comment = result.comment;
        SorWriteParams wp;
        wp.rangeIndex = result.params.rangeIndex;
        wp.pulseWidthNs = result.params.pulseWidthNs;
        wp.refractiveIndex = result.params.refractiveIndex;
        wp.averageCount = result.params.averageCount;
        wp.waveText = result.waveText;
        wp.timestamp = result.timestamp;
        auto built = buildSor(record, result.samples, wp);
        if (!built) return built.error();
        bytes = std::move(built.value());
    } else if (ext == ".zt") {
        ZtHeader header;
        rebuildZtHeader(header, result.params, result.waveText, 0, 0);
        GenParams texts;
        const EventTable noEvents;
        const auto noText = std::make_unique<EventText>();
        bytes = buildZt(texts, header, result.samples, noEvents, *noText);
    } else {
        return bad("the output name must end in .sor or .zt (got \"" + path + "\")");
    }
    return writeFileAtomically(path, bytes);
}

}  // namespace otdr::sim
