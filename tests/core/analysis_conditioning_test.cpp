// Trace conditioning on small hand-made arrays.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "analysis/conditioning.h"
#include "analysis/detection.h"

namespace otdr {
namespace {

struct Conditioning : ::testing::Test {
    std::unique_ptr<AnalysisWork> w = std::make_unique<AnalysisWork>();
    std::unique_ptr<SampleArray> x = std::make_unique<SampleArray>();
    std::uint16_t wt(int h) const { return w->workTrace[static_cast<std::size_t>(h)]; }
    void setWt(int h, std::uint16_t v) { w->workTrace[static_cast<std::size_t>(h)] = v; }
    void setX(int i, std::uint16_t v) { (*x)[static_cast<std::size_t>(i)] = v; }
    void fillX(int from, int to, std::uint16_t v) {
        for (int i = from; i <= to; ++i) setX(i, v);
    }
};

TEST_F(Conditioning, HalfRateCopyTakesEverySecondSampleAndPeakScansFirst16000) {
    for (int i = 0; i < kSampleCount; ++i) setX(i, static_cast<std::uint16_t>(i % 1000));
    setX(16000, 60000);  // outside the peak scan
    setX(15999, 5000);
    halfRateCopy(*x, *w);
    EXPECT_EQ(wt(0), 0);
    EXPECT_EQ(wt(1), 2);
    EXPECT_EQ(wt(8000), 60000);
    EXPECT_EQ(wt(16383), 32766 % 1000);
    EXPECT_EQ(findPeakLevel(*x), 5000);
    SampleArray zero{};
    EXPECT_EQ(findPeakLevel(zero), 0);
}

TEST_F(Conditioning, SmoothingIsRecursiveOnItsLeftHalfAndClampedAtBothEnds) {
    setWt(0, 777);
    setWt(9, 900);
    setWt(16304, 900);
    smoothWorkTrace(*w);
    EXPECT_EQ(wt(0), 777);  // left as copied
    // Indices 1..4 all average entries 1..9, reading the values smoothed so far.
    EXPECT_EQ(wt(1), 100);  // 900 / 9
    EXPECT_EQ(wt(2), 111);  // (100 + 900) / 9
    EXPECT_EQ(wt(3), 123);  // (100 + 111 + 900) / 9
    EXPECT_EQ(wt(4), 137);
    EXPECT_EQ(wt(5), 152);  // (100 + 111 + 123 + 137 + 900) / 9
    EXPECT_EQ(wt(6), 158);  // entries 2..10: (111 + 123 + 137 + 152 + 900) / 9
    // Above 16300 every index averages entries 16296..16304 as they stand.
    EXPECT_EQ(wt(16300), 100);
    EXPECT_EQ(wt(16301), 111);
    EXPECT_EQ(wt(16304), 152);
    EXPECT_EQ(wt(16305), 69);  // (100 + 111 + 123 + 137 + 152) / 9
    EXPECT_EQ(wt(16383), 69);
}

TEST_F(Conditioning, SmoothingOfFullScaleNoiseIsTheNinePointMeanPointByPoint) {
    // Values up to 65535, so that nine of them overflow 16 bits, smoothed against the
    // definition: each point the mean of the nine around it as they stand when it is reached.
    std::uint32_t seed = 12345;
    for (int h = 0; h < kHalfSampleCount; ++h) {
        seed = seed * 1664525u + 1013904223u;
        setWt(h, static_cast<std::uint16_t>(h % 700 < 40 ? 65535 : seed >> 16));
    }
    auto expected = w->workTrace;
    for (int h = 1; h < kHalfSampleCount; ++h) {
        const int c = std::clamp(h, 5, 16300);
        std::uint32_t sum = 0;
        for (int k = c - 4; k <= c + 4; ++k) sum += expected[static_cast<std::size_t>(k)];
        expected[static_cast<std::size_t>(h)] = static_cast<std::uint16_t>(sum / 9);
    }
    smoothWorkTrace(*w);
    EXPECT_EQ(w->workTrace, expected);
}

TEST_F(Conditioning, SignalEndIsLastSampleMoreThan6500AboveTheFarNoise) {
    fillX(0, kSampleCount - 1, 1000);
    halfRateCopy(*x, *w);
    smoothWorkTrace(*w);
    EXPECT_EQ(findSignalEnd(*x, *w), 20);  // nothing rises far enough
    setX(25000, 7501);
    setX(25002, 7500);  // exactly 6500 above: not enough
    EXPECT_EQ(findSignalEnd(*x, *w), 25000);
    setX(31001, 9000);  // beyond the start of the search
    EXPECT_EQ(findSignalEnd(*x, *w), 25000);
    setX(31000, 9000);
    EXPECT_EQ(findSignalEnd(*x, *w), 31000);
}

TEST_F(Conditioning, ScanLimitFallsBackToTheNominalLengthOfShortSignals) {
    // A flat trace never stands above its noise: the limit comes from the nominal spacing.
    const int expected[10] = {2000, 4000, 8000, 12000, 14000, 13000, 14500, 15250, 15625, 11000};
    for (int r = 0; r < 10; ++r) EXPECT_EQ(findScanLimit(*w, r), expected[r]) << "range " << r;
    // An unknown range index takes the nominal spacing of index 7; above 9 the 11000 rule holds.
    EXPECT_EQ(findScanLimit(*w, -1), 15750);
    EXPECT_EQ(findScanLimit(*w, 12), 11000);
}

TEST_F(Conditioning, ScanLimitFollowsTheSignalAndIsCappedByRange) {
    auto withSignalTo = [&](int halfEnd) {
        w->workTrace.fill(1000);
        for (int h = 0; h < halfEnd; ++h) setWt(h, 10000);
    };
    withSignalTo(6000);
    EXPECT_EQ(findScanLimit(*w, 5), 6000);
    EXPECT_EQ(findScanLimit(*w, 0), 2000);
    EXPECT_EQ(findScanLimit(*w, 1), 4000);
    EXPECT_EQ(findScanLimit(*w, 2), 6000);
    EXPECT_EQ(findScanLimit(*w, 7), 6000);
    withSignalTo(4500);  // long ranges need 5000
    EXPECT_EQ(findScanLimit(*w, 6), 4500);
    EXPECT_EQ(findScanLimit(*w, 7), 15250);
    withSignalTo(12000);  // the longest range stops at 11000
    EXPECT_EQ(findScanLimit(*w, 9), 11000);
    withSignalTo(9000);
    EXPECT_EQ(findScanLimit(*w, 9), 9000);
    // Level 2000 above the noise only counts on the long ranges with their higher threshold.
    w->workTrace.fill(0);
    for (int h = 14501; h <= 15500; ++h) setWt(h, 1000);
    for (int h = 0; h < 7000; ++h) setWt(h, 2900);
    EXPECT_EQ(findScanLimit(*w, 5), 7000);
    EXPECT_EQ(findScanLimit(*w, 7), 15250);
    // A signal up to the noise window runs into the 15000 stop.
    w->workTrace.fill(0);
    for (int h = 0; h < 15000; ++h) setWt(h, 20000);
    EXPECT_EQ(findScanLimit(*w, 5), 15000);
}

TEST_F(Conditioning, StepSignalOfAFlatTraceIsZeroEverywhere) {
    fillX(0, kSampleCount - 1, 30000);
    halfRateCopy(*x, *w);
    buildStepSignals(*w);
    EXPECT_EQ(w->slopeBaseline, 0);
    for (int h = 0; h < kHalfSampleCount; ++h) {
        ASSERT_EQ(w->stepSignal[static_cast<std::size_t>(h)], 0) << h;
        ASSERT_EQ(w->stepClass[static_cast<std::size_t>(h)], 0) << h;
    }
}

TEST_F(Conditioning, StepSignalOfOneDropSeesItInTheSecondWindowFirst) {
    // Half-rate level 20000 before index 5000, 19000 from there on.
    for (int h = 0; h < kHalfSampleCount; ++h) setX(2 * h, h < 5000 ? 20000 : 19000);
    halfRateCopy(*x, *w);
    computeStepSignal(*w);
    const auto ss = [&](int h) { return w->stepSignal[static_cast<std::size_t>(h)]; };
    EXPECT_EQ(ss(0), 0);
    EXPECT_EQ(ss(4909), 0);
    EXPECT_EQ(ss(4910), 100);  // index h + 90 reaches the drop
    EXPECT_EQ(ss(4950), 900);  // h + 10 still before it, h + 82..90 after
    EXPECT_EQ(ss(4989), 900);
    EXPECT_EQ(ss(4990), 900);  // both windows hold one sample on the other side
    EXPECT_EQ(ss(4995), 400);  // first window: h, h + 2..4 before, h + 5..10 after
    EXPECT_EQ(ss(4999), 100);
    EXPECT_EQ(ss(5000), 0);
    EXPECT_EQ(ss(15901), 0);
    w->slopeBaseline = computeSlopeBaseline(*w);
    correctAndClassify(*w);
    EXPECT_EQ(ss(4950), 18000);
    const auto cls = [&](int h) { return w->stepClass[static_cast<std::size_t>(h)]; };
    EXPECT_EQ(cls(4909), 0);
    EXPECT_EQ(cls(4910), 400);
    EXPECT_EQ(cls(4999), 400);
    EXPECT_EQ(cls(5000), 0);
}

TEST_F(Conditioning, BaselineIsTheFourthSmallestBlockMedianInItsLow16Bits) {
    for (int b = 0; b < 10; ++b)
        for (int k = 0; k < 300; ++k) {
            // Block b: values 10 b except 149 small outliers and 150 large ones around them.
            std::int32_t v = 10 * (9 - b);
            if (k < 149) v = -100000;
            if (k > 149) v = 100000;
            w->stepSignal[static_cast<std::size_t>(1001 + 300 * b + k)] = v;
        }
    EXPECT_EQ(computeSlopeBaseline(*w), 30);
    for (int h = 1001; h <= 4000; ++h) w->stepSignal[static_cast<std::size_t>(h)] = 70000;
    EXPECT_EQ(computeSlopeBaseline(*w), 70000 - 65536);
}

TEST_F(Conditioning, CorrectionAndClassesStopAt15750) {
    for (int h = 1; h <= 15900; ++h) w->stepSignal[static_cast<std::size_t>(h)] = 100;
    w->stepSignal[10] = 30 - 24;  // exactly -480 after correction: class 0
    w->stepSignal[11] = 30 - 25;  // -500: class 50
    w->stepSignal[12] = 30 + 24;  // +480: class 0
    w->slopeBaseline = 30;
    correctAndClassify(*w);
    EXPECT_EQ(w->stepSignal[15750], 1400);
    EXPECT_EQ(w->stepSignal[15751], 100);  // keeps its uncorrected value
    EXPECT_EQ(w->stepSignal[0], 0);
    EXPECT_EQ(w->stepClass[15750], 400);
    EXPECT_EQ(w->stepClass[15751], 0);
    EXPECT_EQ(w->stepClass[10], 0);
    EXPECT_EQ(w->stepClass[11], 50);
    EXPECT_EQ(w->stepClass[12], 0);
}

TEST_F(Conditioning, NearEndScanRunsOnlyOnShortRangesWithA10nsPulse) {
    fillX(0, kSampleCount - 1, 5000);
    for (int i = 100; i <= 110; ++i) setX(i, static_cast<std::uint16_t>(5000 + 300 * (i - 99)));
    EventTable events, reflective;
    std::uint16_t peak = 0;
    TestParameters p;
    p.rangeIndex = 3;
    p.pulseWidthNs = 10;
    conditionTrace(*x, p, *w, events, reflective, peak);
    // Fifth rise at i = 103 with x above 6000: (103 - 3) / 2.
    ASSERT_EQ(reflective.count(), 1);
    EXPECT_EQ(reflective.position(1), 50);
    EXPECT_EQ(wt(50), 5300);  // the work trace is unsmoothed again afterwards
    p.rangeIndex = 4;
    conditionTrace(*x, p, *w, events, reflective, peak);
    EXPECT_EQ(reflective.count(), 0);
    p.rangeIndex = 3;
    p.pulseWidthNs = 30;
    conditionTrace(*x, p, *w, events, reflective, peak);
    EXPECT_EQ(reflective.count(), 0);
}

TEST_F(Conditioning, NearEndScanNeedsLevelAbove6000AndStopsAtTheScanLimit) {
    fillX(0, kSampleCount - 1, 1000);
    for (int i = 100; i <= 110; ++i) setX(i, static_cast<std::uint16_t>(1000 + 300 * (i - 99)));
    EventTable reflective;
    nearEndReflectionScan(*x, 300, reflective);
    EXPECT_EQ(reflective.count(), 0);  // five rises, but all below 6000
    fillX(0, kSampleCount - 1, 5000);
    for (int i = 100; i <= 110; ++i) setX(i, static_cast<std::uint16_t>(5000 + 300 * (i - 99)));
    nearEndReflectionScan(*x, 100, reflective);
    EXPECT_EQ(reflective.count(), 0);  // the scan ends before the fifth rise
    // Two reflections: the second one after the 20-sample skip is found too.
    for (int i = 200; i <= 210; ++i) setX(i, static_cast<std::uint16_t>(5000 + 300 * (i - 199)));
    nearEndReflectionScan(*x, 30000, reflective);
    ASSERT_EQ(reflective.count(), 2);
    EXPECT_EQ(reflective.position(2), 100);  // (203 - 3) / 2
}

}  // namespace
}  // namespace otdr
