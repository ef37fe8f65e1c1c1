// The general analysis: hand-checked kernels, then simulated traces of every kind with their
// ground truth.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "analysis/general/buffer.h"
#include "analysis/general/general_analysis.h"
#include "analysis/general/noise_profile.h"
#include "analysis/general/selection.h"
#include "analysis/general/trace_sums.h"
#include "sim/level_simulator.h"

namespace otdr {
namespace {

using general::EventKind;

general::TraceInput inputFor(const sim::LevelSimConfig& c, const sim::LevelSimResult& r) {
    general::TraceInput in;
    in.levelsDb = r.levelsDb;
    in.spacingM = c.spacingM;
    in.pulseWidthNs = c.pulseWidthNs;
    in.groupIndex = c.groupIndex;
    in.backscatterDb = c.backscatterDb;
    return in;
}

TEST(GeneralAnalysis, LineFitAndMeanOverRunningSums) {
    const std::vector<double> y{5.0, 4.5, 4.0, 3.5, 9.0, 3.0, 2.5, 2.0};
    const general::TraceSums sums(y);
    EXPECT_DOUBLE_EQ(sums.mean(0, 4), 4.25);
    const general::Line l = sums.fit(0, 4);
    EXPECT_NEAR(l.slope, -0.5, 1e-12);
    EXPECT_NEAR(l.at(6.0), 2.0, 1e-12);
    EXPECT_NEAR(sums.fit(5, 8).at(5.0), 3.0, 1e-12);
}

TEST(GeneralAnalysis, SelectionFindsTheOrderStatisticAmongTies) {
    std::mt19937 rng(7);
    for (std::size_t n = 1; n <= 1200; n += (n < 40 ? 1 : 37)) {
        for (int ties = 0; ties < 2; ++ties) {
            std::vector<double> v(n);
            // Noise, or a few levels only (a quantised or clipped stretch).
            for (double& x : v)
                x = ties ? static_cast<double>(rng() % 3) : std::normal_distribution<>(0, 1)(rng);
            std::vector<double> sorted = v;
            std::sort(sorted.begin(), sorted.end());
            for (std::size_t k : {std::size_t{0}, n / 2, n * 9 / 10, n - 1}) {
                ASSERT_EQ(general::selectNth(v.data(), n, k), sorted[k]) << n << " " << k;
            }
        }
    }
}

TEST(GeneralAnalysis, BuffersReuseTheirMemoryOnceAllAreReturnedAndHoldAnySize) {
    const double* first = nullptr;
    {
        general::Buffer<double> a(1000), b(3000);
        first = a.data();
        EXPECT_NE(a.data(), b.data());
        a[999] = 1.0;
        b[2999] = 2.0;
    }
    // All returned: the next analysis's buffers take the same memory again.
    general::Buffer<double> c(500);
    if (general::detail::pooled()) {
        EXPECT_EQ(c.data(), first);
    }
    // One larger than the region comes from the heap and is as usable.
    general::Buffer<char> huge(std::size_t{65} << 20);
    huge.back() = 1;
    EXPECT_EQ(huge.back(), 1);
}

TEST(GeneralAnalysis, NoiseProfileReadsTheSameWhereverItIsFirstAsked) {
    std::mt19937 rng(3);
    std::vector<double> v(5000);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = 0.001 * static_cast<double>(i) + std::normal_distribution<>(0, 0.1)(rng);
    // Blocks without valid points at the start, in the middle and past the split.
    std::vector<char> valid(v.size(), 1);
    for (std::size_t i = 0; i < 700; ++i) valid[i] = 0;
    for (std::size_t i = 1500; i < 2300; ++i) valid[i] = 0;
    for (std::size_t i = 4200; i < v.size(); ++i) valid[i] = 0;
    const std::size_t split = 4200;
    const general::NoiseProfile ahead(v, 100, 4900, 256, valid.data(), 2, split);
    const general::NoiseProfile back(v, 100, 4900, 256, valid.data(), 2, split);
    std::vector<double> a, b;
    for (std::size_t i = 0; i < v.size(); i += 7)
        a.insert(a.end(), {ahead.typical(i), ahead.sigma(i), ahead.quietSigma(i)});
    for (std::size_t i = (v.size() - 1) / 7 * 7 + 7; i >= 7;) {
        i -= 7;
        b.insert(b.begin(), {back.typical(i), back.sigma(i), back.quietSigma(i)});
    }
    EXPECT_EQ(a, b);
    // Blocks without figures take the nearest ones before (after, at the start); the stretch
    // past the split, without any, the figures of the one before.
    EXPECT_EQ(ahead.typical(0), ahead.typical(700));
    EXPECT_EQ(ahead.typical(1800), ahead.typical(1508));
    EXPECT_EQ(ahead.typical(4500), ahead.typical(4199));
    EXPECT_GT(ahead.sigma(3000), 0.05);
}

TEST(GeneralAnalysis, ReflectanceAndPeakHeightAreInverse) {
    // 10 ns at -80 dB/ns: a -40 dB reflection gives 10 log10(10^(H/5) - 1) = 30 dB.
    EXPECT_NEAR(general::heightFromReflectance(-40.0, 10.0, -80.0), 5.0 * std::log10(1001.0), 1e-9);
    EXPECT_NEAR(general::reflectanceFromHeight(general::heightFromReflectance(-52.5, 275, -81.7),
                                               275, -81.7),
                -52.5, 1e-9);
    EXPECT_NEAR(general::pulseLengthM(1000.0, 1.5), 99.93, 0.01);
}

// One fibre with a splice, a gainer, a connector, a splitter and a reflective end, seen at
// two level scales: the events, their losses and reflectances, the end.
TEST(GeneralAnalysis, MeasuresEachKindOfEvent) {
    for (double start : {-20.0, 30.0}) {
        sim::LevelSimConfig c;
        c.points = 40000;
        c.spacingM = 0.5;
        c.pulseWidthNs = 100;
        c.startLevelDb = start;
        c.startSnrDb = 45;
        c.fibreLengthM = 15000;
        c.recoveryShare = 0.0;
        c.events = {{2000, 0.30}, {5000, -0.20}, {8000, 0.40, true, -45.0}, {11000, 6.0}};
        const auto r = sim::simulateLevels(c);
        const auto res = general::analyse(inputFor(c, r));
        std::string seen;
        for (const auto& e : res.events)
            seen += " " + std::to_string(e.distanceM) + ":" + std::to_string(e.lossDb);
        // The launch is the origin, not an event of the fibre.
        ASSERT_EQ(res.events.size(), 5u) << start << seen;
        ASSERT_TRUE(res.launch);
        EXPECT_NEAR(res.launch->distanceM, 0.0, 1.0);
        EXPECT_TRUE(res.reachesEnd);
        const double losses[] = {0.30, -0.20, 0.40, 6.0};
        for (int k = 0; k < 4; ++k) {
            const auto& e = res.events[static_cast<std::size_t>(k)];
            EXPECT_NEAR(e.distanceM, c.events[static_cast<std::size_t>(k)].distanceM, 10.0);
            EXPECT_NEAR(e.lossDb, losses[k], 0.03) << k;
        }
        EXPECT_TRUE(res.events[2].reflective);
        EXPECT_NEAR(*res.events[2].reflectanceDb, -45.0, 1.0);
        EXPECT_EQ(res.events[4].kind, EventKind::FibreEnd);
        EXPECT_NEAR(res.events[4].distanceM, 15000.0, 10.0);
        EXPECT_NEAR(*res.events[4].reflectanceDb, -14.0, 1.0);
        EXPECT_NEAR(*res.events[0].slopeDbPerKm, 0.33, 0.01);
    }
}

TEST(GeneralAnalysis, TraceCutBeforeTheEndHasNoFibreEnd) {
    sim::LevelSimConfig c;
    c.points = 20000;
    c.fibreLengthM = 20000;  // the trace shows 10 km
    c.events = {{4000, 0.5}};
    const auto r = sim::simulateLevels(c);
    const auto res = general::analyse(inputFor(c, r));
    EXPECT_TRUE(r.cut);
    EXPECT_FALSE(res.reachesEnd);
    for (const auto& e : res.events) EXPECT_NE(e.kind, EventKind::FibreEnd);
}

double toleranceOf(const sim::LevelSimConfig& c) {
    return std::max({5.0, 3.0 * c.spacingM, general::pulseLengthM(c.pulseWidthNs, c.groupIndex)});
}

// A receiver filter spreads each step over several pulses after it: the step still lies where
// the level starts to depart, not in the middle of its transition.
TEST(GeneralAnalysis, FilteredStepsLieWhereTheLevelDeparts) {
    sim::LevelSimConfig c;
    c.points = 30000;
    c.spacingM = 0.5;
    c.pulseWidthNs = 100;
    c.fibreLengthM = 12000;
    c.startSnrDb = 40;
    c.filterHalfPoints = 30;  // 15 m on either side of the pulse's 10 m
    c.events = {{2000, 0.30}, {5000, -0.20}, {8000, 0.40}};
    const auto r = sim::simulateLevels(c);
    const auto res = general::analyse(inputFor(c, r));
    ASSERT_EQ(res.events.size(), 4u);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(res.events[k].distanceM, c.events[k].distanceM, toleranceOf(c)) << k;
    EXPECT_EQ(res.events[3].kind, EventKind::FibreEnd);
}

// Behind a reflective end the receiver recovers along a slow decay below the backscatter, into
// a floor clipped at the bottom of the scale with its noise left as spikes: the reflection is
// the end, and neither the decay nor the spikes give events.
TEST(GeneralAnalysis, RecoveryBehindTheEndAndFloorSpikesGiveNoEvents) {
    sim::LevelSimConfig c;
    c.points = 40000;
    c.spacingM = 0.25;
    c.pulseWidthNs = 10;
    c.fibreLengthM = 6000;
    c.startSnrDb = 30;
    c.endReflectanceDb = -15;
    c.endTailM = 300;  // three hundred pulse lengths
    c.endTailBelowDb = 2;
    c.clipDb = c.startLevelDb - c.startSnrDb + 2.5;  // just above the floor's pedestal
    c.ghostBelowDb.reset();
    c.events = {{1500, 0.30, true, -40}};
    const auto r = sim::simulateLevels(c);
    const auto res = general::analyse(inputFor(c, r));
    ASSERT_EQ(res.events.size(), 2u);
    EXPECT_NEAR(res.events[0].distanceM, 1500.0, toleranceOf(c));
    EXPECT_EQ(res.events[1].kind, EventKind::FibreEnd);
    EXPECT_NEAR(res.events[1].distanceM, 6000.0, toleranceOf(c));
}

// Some instruments record a stretch before the front panel, at the level of the fibre, with a
// launch too weak to stand out of it: where the file places the front panel the launch is
// found there, and nothing before it is an event.
TEST(GeneralAnalysis, TheLaunchIsFoundAtTheFrontPanelTheFilePlaces) {
    sim::LevelSimConfig c;
    c.points = 30000;
    c.spacingM = 0.2;
    c.pulseWidthNs = 30;
    c.fibreLengthM = 4000;
    c.leadInM = 45;
    c.startSnrDb = 35;
    c.saturationAboveDb = 3;
    c.events = {{600, 0.0, true, -46}, {2000, 0.3}};
    const auto r = sim::simulateLevels(c);
    general::TraceInput in = inputFor(c, r);
    in.frontPanelM = c.leadInM;
    const auto res = general::analyse(in);
    ASSERT_TRUE(res.launch);
    EXPECT_NEAR(res.launch->distanceM, 45.0, toleranceOf(c));
    ASSERT_EQ(res.events.size(), 3u);
    EXPECT_NEAR(res.events[0].distanceM, 645.0, toleranceOf(c));
    EXPECT_NEAR(res.events[1].distanceM, 2045.0, toleranceOf(c));
    EXPECT_EQ(res.events[2].kind, EventKind::FibreEnd);
    EXPECT_NEAR(res.events[2].distanceM, 4045.0, toleranceOf(c));
}

// A patch cord a few pulse lengths long: its reflective end rises out of the fibre before the
// launch's windows could show the launch's recovery. The end is an event of its own, found
// with no line of fibre before it, and with no slope it cannot measure.
TEST(GeneralAnalysis, AReflectiveEndJustPastTheLaunchIsTheFibreEnd) {
    sim::LevelSimConfig c;
    c.points = 16384;
    c.spacingM = 0.128;
    c.pulseWidthNs = 160;  // 16 m
    c.fibreLengthM = 62;
    c.startSnrDb = 35;
    c.endReflectanceDb = -50;
    c.endTailM = 100;
    c.ghostBelowDb.reset();
    const auto r = sim::simulateLevels(c);
    const auto res = general::analyse(inputFor(c, r));
    ASSERT_EQ(res.events.size(), 1u);
    EXPECT_EQ(res.events[0].kind, EventKind::FibreEnd);
    EXPECT_TRUE(res.events[0].reflective);
    EXPECT_NEAR(res.events[0].distanceM, 62.0, toleranceOf(c));
    EXPECT_NEAR(*res.events[0].reflectanceDb, -50.0, 1.0);
    EXPECT_FALSE(res.events[0].slopeDbPerKm);
}

// A cord under four pulse lengths long with a non-reflective end: the trace lies at the floor
// where the launch's dead zone would end, so the zone ends where the launch's fall levels off
// and the end is found after it.
TEST(GeneralAnalysis, AFibreShorterThanTheLaunchsDeadZoneHasItsEnd) {
    sim::LevelSimConfig c;
    c.points = 16000;
    c.spacingM = 0.5;
    c.pulseWidthNs = 160;
    c.fibreLengthM = 60;
    c.startSnrDb = 30;
    c.endReflectanceDb.reset();
    c.ghostBelowDb.reset();
    const auto res = general::analyse(inputFor(c, sim::simulateLevels(c)));
    ASSERT_EQ(res.events.size(), 1u);
    EXPECT_EQ(res.events[0].kind, EventKind::FibreEnd);
    EXPECT_NEAR(res.events[0].distanceM, 60.0, toleranceOf(c));
}

// A splitter's large step a few hundred metres (down to under seven pulse lengths) before the
// end: the fibre between them falls as the fibre before did, so the step is no end, though
// windows long enough to judge the step reach into the end's fall.
TEST(GeneralAnalysis, ASplitterShortlyBeforeTheEndIsNoEnd) {
    struct Case {
        double spacingM, pulseNs, splitterM;
    };
    for (const Case k : {Case{0.25, 50, 2750}, Case{2.0, 300, 2900}}) {
        sim::LevelSimConfig c;
        c.points = 16000;
        c.spacingM = k.spacingM;
        c.pulseWidthNs = k.pulseNs;
        c.fibreLengthM = 3100;
        c.startSnrDb = 40;
        c.endReflectanceDb.reset();
        c.events = {{k.splitterM, 6.0}};
        const auto r = sim::simulateLevels(c);
        const auto res = general::analyse(inputFor(c, r));
        ASSERT_EQ(res.events.size(), 2u) << k.pulseNs;
        EXPECT_EQ(res.events[0].kind, EventKind::NonReflective) << k.pulseNs;
        EXPECT_NEAR(res.events[0].lossDb, 6.0, 0.1) << k.pulseNs;
        EXPECT_EQ(res.events[1].kind, EventKind::FibreEnd) << k.pulseNs;
        EXPECT_NEAR(res.events[1].distanceM, 3100.0, toleranceOf(c)) << k.pulseNs;
    }
}

// reflection, not one of a reflectance far below anything measurable.
TEST(GeneralAnalysis, AnEndWithoutAPeakAboveTheFibreIsNonReflective) {
    for (std::uint64_t seed : {64, 102, 108, 154, 160}) {
        const auto c = sim::randomLevelScenario(seed);
        ASSERT_FALSE(c.endReflectanceDb) << seed;
        const auto res = general::analyse(inputFor(c, sim::simulateLevels(c)));
        ASSERT_FALSE(res.events.empty()) << seed;
        EXPECT_EQ(res.events.back().kind, EventKind::FibreEnd) << seed;
        EXPECT_FALSE(res.events.back().reflective) << seed;
    }
}

// A gainer on a long pulse: the level steps up and then falls with the fibre by more than the
// step within a few pulse lengths. That fall is the fibre's, not a peak falling back, so the
// step is no reflection, and no dead zone of one hides the splice after it.
TEST(GeneralAnalysis, AGainerOnALossyLongPulseTraceIsNoReflection) {
    sim::LevelSimConfig c;
    c.points = 40000;
    c.spacingM = 4.0;
    c.pulseWidthNs = 2000;
    c.fibreLengthM = 120000;
    c.startSnrDb = 70;
    c.events = {{28000, -0.22}, {58000, 0.3}};
    const auto r = sim::simulateLevels(c);
    const auto res = general::analyse(inputFor(c, r));
    ASSERT_EQ(res.events.size(), 3u);
    EXPECT_EQ(res.events[0].kind, EventKind::NonReflective);
    EXPECT_NEAR(res.events[0].lossDb, -0.22, 0.05);
    EXPECT_NEAR(res.events[1].distanceM, 58000.0, toleranceOf(c));
    EXPECT_EQ(res.events[2].kind, EventKind::FibreEnd);
}

// A reflective end whose receiver recovers over kilometres, along a tail that falls slowly a
// few dB below the fibre: no fibre shows behind the reflection before the trace ends, so it is
// the end.
TEST(GeneralAnalysis, AReflectionTheReceiverNeverRecoversFromIsTheEnd) {
    sim::LevelSimConfig c;
    c.points = 16000;
    c.spacingM = 0.5;
    c.pulseWidthNs = 100;
    c.fibreLengthM = 2000;
    c.startSnrDb = 30;
    c.endReflectanceDb = -30;
    c.endTailM = 3000;
    c.endTailBelowDb = 4;
    const auto r = sim::simulateLevels(c);
    const auto res = general::analyse(inputFor(c, r));
    EXPECT_TRUE(res.reachesEnd);
    ASSERT_FALSE(res.events.empty());
    EXPECT_EQ(res.events.back().kind, EventKind::FibreEnd);
    EXPECT_NEAR(res.events.back().distanceM, 2000.0, toleranceOf(c));
}

// A strong end clips at the top of the receiver's scale, and so does its echo at twice its
// distance, far out in the floor: clipped alike, the echo is still a ghost, not a reflection.
TEST(GeneralAnalysis, TheEchoOfAClippedEndIsAGhostThoughClippedToo) {
    sim::LevelSimConfig c;
    c.points = 30000;
    c.spacingM = 0.25;
    c.pulseWidthNs = 10;
    c.fibreLengthM = 3000;
    c.startSnrDb = 35;
    c.endReflectanceDb = -14;
    const auto r = sim::simulateLevels(c);
    ASSERT_TRUE(std::any_of(r.truth.begin(), r.truth.end(), [](const auto& t) { return t.ghost; }));
    const auto res = general::analyse(inputFor(c, r));
    ASSERT_FALSE(res.events.empty());
    EXPECT_EQ(res.events.back().kind, EventKind::FibreEnd);
    EXPECT_NEAR(res.events.back().distanceM, 3000.0, toleranceOf(c));
}

// Two connectors of a patch panel ten pulse lengths apart: the line of the fibre before the
// second does not reach back across the first (whose loss would tilt it), so the second is a
// connector, not the fibre end.
TEST(GeneralAnalysis, ASecondConnectorCloseBehindTheFirstIsNoEnd) {
    sim::LevelSimConfig c;
    c.points = 30000;
    c.spacingM = 0.25;
    c.pulseWidthNs = 10;
    c.fibreLengthM = 5250;
    c.startSnrDb = 40;
    c.events = {{2100, 0.3, true, -55}, {2110, 0.3, true, -55}};
    const auto r = sim::simulateLevels(c);
    const auto res = general::analyse(inputFor(c, r));
    ASSERT_EQ(res.events.size(), 3u);
    EXPECT_EQ(res.events[1].kind, EventKind::Reflective);
    EXPECT_NEAR(res.events[1].distanceM, 2110.0, toleranceOf(c));
    EXPECT_EQ(res.events[2].kind, EventKind::FibreEnd);
    EXPECT_NEAR(res.events[2].distanceM, 5250.0, toleranceOf(c));
}

// A weak reflection a few metres before a strong end lies in no dead zone of its own: the two
// are one event where the first rises, as strong as the end.
TEST(GeneralAnalysis, AReflectionInsideAnotherOnesDeadZoneIsOneEventWithIt) {
    sim::LevelSimConfig c;
    c.points = 20000;
    c.spacingM = 0.16;
    c.pulseWidthNs = 10;
    c.fibreLengthM = 1600;
    c.startSnrDb = 30;
    c.endReflectanceDb = -17;
    c.events = {{1595, 0.0, true, -55}};
    const auto r = sim::simulateLevels(c);
    const auto res = general::analyse(inputFor(c, r));
    ASSERT_EQ(res.events.size(), 1u);
    EXPECT_EQ(res.events[0].kind, EventKind::FibreEnd);
    EXPECT_NEAR(res.events[0].distanceM, 1595.0, toleranceOf(c));
    EXPECT_GT(*res.events[0].reflectanceDb, -50.0);  // the end's, not the weak one's
}

TEST(GeneralAnalysis, FoundEventsCarryTheMeasuredValues) {
    general::Result r;
    r.events.push_back({0, 0.0, EventKind::Reflective, true, 0.0, 0.0, 0.0, -50.0, {}, 10, false});
    r.events.push_back(
        {100, 50.0, EventKind::NonReflective, false, 0.2, 0.0, 0.0, {}, 0.33, 120, false});
    r.events.push_back(
        {300, 150.0, EventKind::FibreEnd, true, 20.0, 0.0, 0.0, -14.0, 0.3, 320, false});
    r.events.push_back(
        {900, 450.0, EventKind::Reflective, true, 0.0, 0.0, 0.0, -40.0, {}, 910, true});
    const auto f = general::toFoundEvents(r);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[1].kind, FoundKind::NonReflective);
    EXPECT_DOUBLE_EQ(*f[1].lossDb, 0.2);
    EXPECT_FALSE(f[1].reflectanceDb);
    EXPECT_EQ(f[2].kind, FoundKind::FibreEnd);
    EXPECT_DOUBLE_EQ(*f[2].reflectanceDb, -14.0);
    EXPECT_FALSE(f[3].lossDb);  // beyond the end nothing is lost
}

// Varied simulated traces (1 000 to 250 000 points, every spacing, level scale and pulse,
// ghosts, gainers, splitters, sloping floors, cut traces): events of 0.1 dB or more, the
// reflections and the ends at 10 dB signal-to-noise or better are found within
// max(5 m, 3 points, a pulse length); reported events lie that close to a real one (a ghost
// is not one).
TEST(GeneralAnalysis, FindsTheEventsOfSimulatedTraces) {
    int counted = 0, found = 0, reported = 0, wrong = 0;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        const auto c = sim::randomLevelScenario(seed);
        const auto r = sim::simulateLevels(c);
        const auto res = general::analyse(inputFor(c, r));
        const double tol =
            std::max({5.0, 3.0 * c.spacingM, general::pulseLengthM(c.pulseWidthNs, c.groupIndex)});
        auto near = [&](double m, double n) { return std::fabs(m - n) <= tol; };
        for (const auto& t : r.truth) {
            if (t.ghost || t.launch || t.snrDb < 10.0) continue;
            if (!(t.reflective || t.end || std::fabs(t.lossDb) >= 0.1)) continue;
            ++counted;
            found += std::any_of(res.events.begin(), res.events.end(),
                                 [&](const auto& e) { return near(e.distanceM, t.distanceM); });
        }
        for (const auto& e : res.events) {
            ++reported;
            wrong += std::none_of(r.truth.begin(), r.truth.end(), [&](const auto& t) {
                return !t.ghost && near(e.distanceM, t.distanceM);
            });
        }
    }
    EXPECT_GE(found, counted * 98 / 100) << found << " of " << counted;
    EXPECT_LE(wrong, reported * 2 / 100) << wrong << " of " << reported;
}

}  // namespace
}  // namespace otdr
