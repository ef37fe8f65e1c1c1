#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "measure/line_fit.h"
#include "sim/simulator.h"
#include "test_support.h"
#include "trace/sor_format.h"
#include "trace/zt_format.h"

namespace otdr::sim {

namespace {

// Level of the straight line fitted over samples [a, b], taken at sample i.
double fittedLevelAt(const SimResult& r, int a, int b, int i) {
    const FitResult f = fitLine(r.samples, a, b, r.params.sampleSpacing);
    return f.intercept + static_cast<double>(f.slope) * i * r.params.sampleSpacing;
}

double meanOf(const SimResult& r, int from, int to) {
    return std::accumulate(r.samples.begin() + from, r.samples.begin() + to, 0.0) / (to - from);
}

// Samples one pulse long, at least one.
int pulseSamples(const SimResult& r) {
    return std::max(
        1, static_cast<int>(std::ceil(r.params.pulseWidthNs * 0.1499 / r.params.refractiveIndex /
                                      r.params.sampleSpacing)));
}

}  // namespace

TEST(SimulatorPhysics, BackscatterSlopeMatchesFibreAttenuation) {
    for (const auto& [wave, dbPerKm] : {std::pair{1310, 0.33}, {1550, 0.19}, {1625, 0.21}}) {
        SimConfig c;
        c.wavelengthNm = wave;
        const SimResult r = simulate(c);
        EXPECT_DOUBLE_EQ(r.attenuationDbPerKm, dbPerKm);
        // 4 km .. 36 km of clean fibre; counts per metre are dB per km.
        const FitResult f = fitLine(r.samples, 2000, 17600, r.params.sampleSpacing);
        EXPECT_NEAR(-f.slope, dbPerKm, 0.02 * dbPerKm) << wave;
    }
    SimConfig c;
    c.attenuationDbPerKm = 0.5;
    c.fibreLengthKm = 20;
    const SimResult r = simulate(c);
    EXPECT_NEAR(-fitLine(r.samples, 1000, 9000, r.params.sampleSpacing).slope, 0.5, 0.01);
}

TEST(SimulatorPhysics, StepLossAppearsBetweenTwoLineFits) {
    for (double loss : {0.5, 0.05, -0.2, 3.0}) {
        SimConfig c;
        c.events = {{20.0, loss}};
        const SimResult r = simulate(c);
        const int s = r.truth[0].sample;
        const int after = s + pulseSamples(r) + 20;
        const double drop =
            fittedLevelAt(r, s - 3000, s - 20, s) - fittedLevelAt(r, after, after + 3000, s);
        EXPECT_NEAR(drop, loss * 1000.0, 5.0) << loss;
    }
}

TEST(SimulatorPhysics, ReflectionPeakReadsAsRequestedReflectance) {
    struct Case {
        int wave, pulse, range;
        double reflectance;
    };
    for (const Case& k : {Case{1550, 1280, 7, -45}, Case{1310, 1280, 7, -55},
                          Case{1550, 10, 1, -50}, Case{1625, 320, 5, -50}}) {
        SimConfig c;
        c.wavelengthNm = k.wave;
        c.pulseWidthNs = k.pulse;
        c.rangeIndex = k.range;
        c.fibreLengthKm = 0.6 * maxFibreLengthKm(k.range, c.refractiveIndex);
        c.events = {{c.fibreLengthKm / 2, 0.4, true, k.reflectance}};
        const SimResult r = simulate(c);
        const int s = r.truth[0].sample;
        // The receiver's rising edge reaches the top within the pulse.
        const int peak =
            *std::max_element(r.samples.begin() + s, r.samples.begin() + s + pulseSamples(r));
        const double h = peak - r.samples[static_cast<std::size_t>(s - 1)];
        const double kConst = k.wave == 1310 ? 81.7 : 80.3;
        const double returnLoss =
            kConst - (10 * std::log10(std::pow(10.0, h * 0.0002) - 1) + 10 * std::log10(k.pulse));
        EXPECT_NEAR(returnLoss, -k.reflectance, 0.1) << k.wave << " " << k.pulse;
        EXPECT_NEAR(h, reflectionHeightCounts(k.reflectance, k.pulse, r.params.wavelengthClass),
                    5.0);
    }
}

TEST(SimulatorPhysics, LaunchSaturatesAndBackscatterStartsOnTheExpectedScale) {
    for (int wave : {1310, 1550}) {
        for (int pulse : kPulseWidthsNs) {
            SimConfig c;
            c.wavelengthNm = wave;
            c.pulseWidthNs = pulse;
            c.rangeIndex = 9;
            c.fibreLengthKm = 150;
            const SimResult r = simulate(c);
            const int w = pulseSamples(r);
            for (int i = 0; i < w; ++i)
                ASSERT_EQ(r.samples[static_cast<std::size_t>(i)], sim::kSaturationCounts);
            EXPECT_GE(r.startLevelDb, 26.0);
            EXPECT_LE(r.startLevelDb, sim::kMaxStartLevelDb);
            EXPECT_EQ(std::fmod(r.params.attenuationDb, 5.0f), 0.0f);
            // The backscatter after the launch tail extrapolates back to the start level.
            EXPECT_NEAR(fittedLevelAt(r, 6 * w + 50, 6 * w + 3000, 0), r.startLevelDb * 1000, 20)
                << wave << " " << pulse;
        }
    }
}

TEST(SimulatorPhysics, FibreEndReflectsThenFallsToTheAskedFloor) {
    for (const auto& [floorDb, noise] : {std::pair{2.5, 1.0}, {1.5, 3.0}, {4.0, 0.5}, {3.0, 5.0}}) {
        SimConfig c;
        c.noiseFloorDb = floorDb;
        c.noiseLevel = noise;
        const SimResult r = simulate(c);
        const SimTruthEvent& end = r.truth.back();
        EXPECT_LT(end.sample, 0.85 * kSampleCount);
        EXPECT_GT(*std::max_element(r.samples.begin() + end.sample,
                                    r.samples.begin() + end.sample + pulseSamples(r)),
                  sim::kSaturationCounts - 2000);
        EXPECT_NEAR(meanOf(r, 24000, kSampleCount), floorDb * 1000, 100) << floorDb << " " << noise;
    }
    SimConfig quiet;
    quiet.noiseLevel = 0;
    const SimResult r = simulate(quiet);
    EXPECT_TRUE(std::all_of(r.samples.begin() + 24000, r.samples.end(),
                            [](std::uint16_t v) { return v == 2500; }));
}

TEST(SimulatorPhysics, NoiseShowsOnlyAsTheSignalNearsTheFloor) {
    SimConfig c;
    c.attenuationDbPerKm = 0.9;  // 54 km fall: the far fibre lies a few dB above the floor
    c.fibreLengthKm = 50;
    const SimResult r = simulate(c);
    auto residualRms = [&](int a, int b) {
        const FitResult f = fitLine(r.samples, a, b, r.params.sampleSpacing);
        double sum = 0;
        for (int i = a; i <= b; ++i) {
            const double d = r.samples[static_cast<std::size_t>(i)] -
                             (f.intercept + f.slope * i * r.params.sampleSpacing);
            sum += d * d;
        }
        return std::sqrt(sum / (b - a + 1));
    };
    const int end = r.truth.back().sample;
    EXPECT_LT(residualRms(1000, 2000), 1.0);
    EXPECT_GT(residualRms(end - 1200, end - 200), 10.0);
}

TEST(SimulatorDeterminism, SameSeedSameBytesOtherSeedOtherNoise) {
    test::TempDir dir;
    SimConfig c;
    c.events = {{12.5, 0.3}, {20, 0.5, true, -45}};
    for (const char* name : {"a.sor", "b.sor", "a.zt", "b.zt"})
        ASSERT_TRUE(writeTraceFile(simulate(c), dir.file(name)));
    EXPECT_EQ(readWholeFile(dir.file("a.sor")).value(), readWholeFile(dir.file("b.sor")).value());
    EXPECT_EQ(readWholeFile(dir.file("a.zt")).value(), readWholeFile(dir.file("b.zt")).value());
    SimConfig other = c;
    other.seed = 2;
    const SimResult a = simulate(c), b = simulate(other);
    // Far above the floor the noise is too small to change a count; near it, it shows.
    const int end = a.truth.back().sample;
    EXPECT_TRUE(std::equal(a.samples.begin(), a.samples.begin() + 2000, b.samples.begin()));
    EXPECT_FALSE(std::equal(a.samples.begin() + end, a.samples.end(), b.samples.begin() + end));
}

TEST(SimulatorValidation, RefusesConfigurationsOutsideWhatTheInstrumentDoes) {
    EXPECT_TRUE(validateConfig(SimConfig{}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::pair<std::function<void(SimConfig&)>, const char*>> bad{
        {[](SimConfig& c) { c.rangeIndex = 10; }, "range index"},
        {[](SimConfig& c) { c.rangeIndex = -1; }, "range index"},
        {[](SimConfig& c) { c.pulseWidthNs = 100; }, "pulse width"},
        {[](SimConfig& c) { c.wavelengthNm = 1490; }, "wavelength"},
        {[](SimConfig& c) { c.refractiveIndex = 1.0; }, "refractive index"},
        {[](SimConfig& c) { c.fibreLengthKm = 0; }, "fibre length"},
        {[nan](SimConfig& c) { c.fibreLengthKm = nan; }, "fibre length"},
        {[](SimConfig& c) { c.fibreLengthKm = 60; }, "does not fit the 64 km range"},
        {[](SimConfig& c) {
             c.events = {{45, 0.1}};
         },
         "beyond the fibre end"},
        {[](SimConfig& c) {
             c.events = {{40, 0.1}};
         },
         "beyond the fibre end"},
        {[](SimConfig& c) {
             c.events = {{0, 0.1}};
         },
         "above 0 km"},
        {[](SimConfig& c) {
             c.events = {{5, 31}};
         },
         "loss"},
        {[](SimConfig& c) {
             c.events = {{5, 0.5, true, -5}};
         },
         "reflectance"},
        {[](SimConfig& c) { c.noiseLevel = -1; }, "noise level"},
        {[](SimConfig& c) { c.noiseFloorDb = 0.5; }, "noise floor"},
        {[](SimConfig& c) { c.attenuationDbPerKm = 0.0; }, "attenuation"},
        {[](SimConfig& c) { c.endReflectanceDb = 0; }, "end reflectance"},
        {[](SimConfig& c) { c.averageCount = 7000; }, "average count"},
    };
    for (const auto& [change, words] : bad) {
        SimConfig c;
        change(c);
        const Result<void> v = validateConfig(c);
        ASSERT_FALSE(v) << words;
        EXPECT_NE(v.error().message.find(words), std::string::npos) << v.error().message;
    }
}

TEST(SimulatorValidation, NonsenseConfigurationStillStaysInsideTheTrace) {
    SimConfig c;
    c.rangeIndex = 42;
    c.pulseWidthNs = 0;
    c.refractiveIndex = std::numeric_limits<double>::quiet_NaN();
    c.fibreLengthKm = 1e9;
    c.events = {{-5, 1, true, 3}, {1e12, 2}, {std::numeric_limits<double>::infinity(), 1}};
    const SimResult r = simulate(c);
    EXPECT_EQ(r.truth.size(), 4u);
    for (const SimTruthEvent& e : r.truth) {
        EXPECT_GE(e.sample, 0);
        EXPECT_LT(e.sample, kSampleCount);
    }
}

TEST(SimulatorTruth, EventsAscendingAtTheirSamplesWithTheEndLast) {
    SimConfig c;
    c.events = {{30, 0.2}, {10, 0.4, true, -50}};
    const SimResult r = simulate(c);
    ASSERT_EQ(r.truth.size(), 3u);
    const double km[] = {10, 30, 40}, reflectance[] = {-50, 0, -14};
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(r.truth[k].sample, std::lround(km[k] * 1000 / r.params.sampleSpacing));
        EXPECT_EQ(r.truth[k].reflectanceDb, reflectance[k]);
        EXPECT_EQ(r.truth[k].reflective, reflectance[k] != 0);
    }
    // Backscatter at the end: start level - 40 km x 0.19 - 0.6 dB, above a 2.5 dB floor.
    EXPECT_NEAR(r.truth[2].lossDb, r.startLevelDb - 7.6 - 0.6 - 2.5, 0.01);
}

TEST(SimulatorEventSpec, ParsesTheThreeFormsAndRefusesOthers) {
    const SimEvent a = parseEventSpec("12.5:0.3").value();
    EXPECT_TRUE(a.distanceKm == 12.5 && a.lossDb == 0.3 && !a.reflective);
    const SimEvent b = parseEventSpec("20:0.5:reflective").value();
    EXPECT_TRUE(b.reflective && b.reflectanceDb == -45);
    const SimEvent d = parseEventSpec("20:0.5:r:-52.5").value();
    EXPECT_TRUE(d.reflective && d.reflectanceDb == -52.5);
    for (const char* text : {"", "12.5", "12.5:", "x:0.3", "1:2:3", "1:2:reflective:x",
                             "1:2:reflective:-40:5", "1:0.3km", "1e999:0.3", "1:0.3:nonreflective"})
        EXPECT_FALSE(parseEventSpec(text)) << text;
}

TEST(SimulatorFiles, SorAndZtReadBackWithTheSimulatedParameters) {
    test::TempDir dir;
    SimConfig c;
    c.wavelengthNm = 1310;
    c.pulseWidthNs = 5120;
    const SimResult r = simulate(c);
    ASSERT_TRUE(writeTraceFile(r, dir.file("t.SOR")));
    auto sor = readSor(readWholeFile(dir.file("t.SOR")).value());
    ASSERT_TRUE(sor);
    // The parameters as the window reads them are checked through `otdr info`.
    EXPECT_EQ(sor.value()->checksum, ChecksumStatus::Valid);
    EXPECT_EQ(sor.value()->samples, r.samples);

    ASSERT_TRUE(writeTraceFile(r, dir.file("t.zt")));
    auto zt = readZt(readWholeFile(dir.file("t.zt")).value());
    ASSERT_TRUE(zt);
    const ZtHeader& h = zt.value()->header;
    EXPECT_EQ(h.wavelengthCode(), 0);
    EXPECT_EQ(h.effectiveRangeIndex(), 7);
    EXPECT_EQ(h.pulseWidth(), 5120);
    EXPECT_EQ(h.attenuation() * 5, 5);  // 26 + 5 log10(512) + 0.7 = 40.25 dB: one 5 dB step
    EXPECT_EQ(h.groupIndex1310(), 146820);
    EXPECT_EQ(h.averageCount(), 100);
    for (int i = 0; i < kSampleCount; i += 2)
        ASSERT_EQ(zt.value()->samples[static_cast<std::size_t>(i)],
                  r.samples[static_cast<std::size_t>(i)]);

    const Result<void> refused = writeTraceFile(r, dir.file("t.txt"));
    ASSERT_FALSE(refused);
    EXPECT_FALSE(fileExists(dir.file("t.txt")));
}

TEST(SimulatorFiles, BundledSamplesOpenAndAreReproducible) {
    const std::string dir = OTDR_SAMPLES_DIR;
    for (const char* name :
         {"short_500m_10ns.sor", "mid_16km_1310.sor", "long_64km_1550.sor", "long_128km_1550.sor",
          "two_connectors_10m_8km_30ns.sor", "noisy_256km_1310.sor"}) {
        auto sor = readSor(readWholeFile(dir + "/" + name).value());
        ASSERT_TRUE(sor) << name;
        EXPECT_EQ(sor.value()->checksum, ChecksumStatus::Valid) << name;
    }
    EXPECT_TRUE(readZt(readWholeFile(dir + "/mid_32km_1625.zt").value()));
    // The command samples/README.md gives for long_64km_1550.sor.
    SimConfig c;
    c.fibreLengthKm = 50;
    c.events = {{8.2, 0.1}, {18.5, 0.35}, {27, 0.5, true, -42}, {41.3, 0.2}};
    c.seed = 3;
    test::TempDir tmp;
    ASSERT_TRUE(writeTraceFile(simulate(c), tmp.file("again.sor")));
    EXPECT_EQ(readWholeFile(tmp.file("again.sor")).value(),
              readWholeFile(dir + "/long_64km_1550.sor").value());
}

}  // namespace otdr::sim
