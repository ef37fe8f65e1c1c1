// Marker measurements: the line fit, loss, attenuation, reflectance, splice loss, and the
// labels and mode commands of the workspace.

#include "measure/marker_measure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "measure/line_fit.h"
#include "view_test_support.h"

namespace otdr {
namespace {

using test::ViewTest;

std::vector<std::uint16_t> samplesWith(std::size_t size, std::initializer_list<std::uint16_t> at,
                                       std::size_t from) {
    std::vector<std::uint16_t> v(size, 0);
    std::size_t i = from;
    for (std::uint16_t s : at) v[i++] = s;
    return v;
}

// Reference data for the fit. No certified reference set is on this machine, so both answers
// were derived here with exact rational arithmetic (Python's fractions module):
//  1. an exactly linear set, y = 1000 + 3 i for i = 10..20: slope 3 counts per sample,
//     intercept 1000;
//  2. x = 2..5, y = 10, 12, 11, 15: Sxx = 54, Sx = 14, Sy = 48, Sxy = 175, n = 4, so the slope
//     is 28 / 20 = 7/5 per sample and the intercept 142 / 20 = 71/10;
//  3. x = 100..106, y = 5000, 4990, 4985, 4970, 4968, 4955, 4950 (absolute indices far from
//     0): slope -237/28 per sample, intercept 163683/28.
TEST(FitLine, ReproducesExactReferenceAnswers) {
    std::vector<std::uint16_t> linear(32, 0);
    for (int i = 10; i <= 20; ++i) linear[static_cast<std::size_t>(i)] = 1000 + 3 * i;
    FitResult r = fitLine(linear, 10, 20, 0.5f);
    EXPECT_FLOAT_EQ(r.slope, 6.0f);  // 3 counts per sample over 0.5 m
    EXPECT_FLOAT_EQ(r.intercept, 1000.0f);

    const auto small = samplesWith(8, {10, 12, 11, 15}, 2);
    r = fitLine(small, 2, 5, 1.0f);
    EXPECT_EQ(r.slope, static_cast<float>(7.0 / 5.0));
    EXPECT_EQ(r.intercept, static_cast<float>(71.0 / 10.0));
    r = fitLine(small, 5, 2, 2.0f);  // either order; slope per metre halves
    EXPECT_EQ(r.slope, static_cast<float>(7.0 / 10.0));
    EXPECT_EQ(r.intercept, static_cast<float>(71.0 / 10.0));

    const auto far = samplesWith(128, {5000, 4990, 4985, 4970, 4968, 4955, 4950}, 100);
    r = fitLine(far, 100, 106, 0.25f);
    EXPECT_FLOAT_EQ(r.slope, static_cast<float>(-237.0 / 7.0));
    EXPECT_FLOAT_EQ(r.intercept, static_cast<float>(163683.0 / 28.0));
}

TEST(FitLine, DegenerateRangesGiveZeroAndFlatDataGivesTheLevel) {
    std::vector<std::uint16_t> flat(64, 2500);
    EXPECT_EQ(fitLine(flat, 3, 3, 1.0f).slope, 0.0f);
    EXPECT_EQ(fitLine(flat, -1, 10, 1.0f).intercept, 0.0f);
    EXPECT_EQ(fitLine(flat, 10, -1, 1.0f).slope, 0.0f);
    const FitResult r = fitLine(flat, 5, 40, 0.127f);
    EXPECT_EQ(r.slope, 0.0f);
    EXPECT_FLOAT_EQ(r.intercept, 2500.0f);
    // Indices beyond the samples read as 0 instead of reading outside the array.
    const FitResult beyond = fitLine(flat, 60, 70, 1.0f);
    EXPECT_LT(beyond.slope, 0.0f);
}

TEST(MarkerLoss, LevelDifferenceOnTheOrderedPair) {
    const auto s = samplesWith(16, {30000, 29000, 28500, 29500}, 4);
    EXPECT_FLOAT_EQ(markerLoss(s, 4, 6), 1.5f);
    EXPECT_FLOAT_EQ(markerLoss(s, 6, 4), 1.5f);
    EXPECT_FLOAT_EQ(markerLoss(s, 6, 7), -1.0f);  // rising: negative loss
    EXPECT_EQ(markerLoss(s, 5, 5), 0.0f);
    EXPECT_EQ(markerLoss(s, -1, 5), 0.0f);
}

TEST(SectionAttenuation, NegatedSlopeTimesTheClassLossScale) {
    std::vector<std::uint16_t> s(100);
    for (int i = 0; i < 100; ++i) s[static_cast<std::size_t>(i)] = 20000 - 30 * i;
    const std::array<float, 3> scale{1.0f, 0.5f, 2.0f};
    // 30 counts per sample over 0.25 m: 120 counts per metre, i.e. 120 dB/km.
    EXPECT_FLOAT_EQ(sectionAttenuation(s, 10, 60, 0.25f, 0, scale).dbPerKm, 120.0f);
    EXPECT_FLOAT_EQ(sectionAttenuation(s, 60, 10, 0.25f, 1, scale).dbPerKm, 60.0f);
    EXPECT_FLOAT_EQ(sectionAttenuation(s, 10, 60, 0.25f, 2, scale).dbPerKm, 240.0f);
    EXPECT_FLOAT_EQ(sectionAttenuation(s, 10, 60, 0.25f, 7, scale).dbPerKm, 240.0f);
    EXPECT_EQ(sectionAttenuation(s, 10, 10, 0.25f, 0, scale).dbPerKm, 0.0f);
    EXPECT_FLOAT_EQ(sectionAttenuation(s, 10, 60, 0.25f, 0, scale).fit.intercept, 20000.0f);
}

TEST(Reflectance, ReturnLossOfAPeak) {
    const auto s = samplesWith(16, {20000, 25000, 19000, 20000}, 2);
    // 5 dB high peak: 81.7 - (10 log10(10 - 1) + 10 log10(100))
    EXPECT_NEAR(reflectance(s, 2, 3, 0, 100), 52.1576, 1e-4);
    EXPECT_NEAR(reflectance(s, 3, 2, 0, 100), 52.1576, 1e-4);
    EXPECT_NEAR(reflectance(s, 2, 3, 1, 100), 52.1576 - 1.4, 1e-4);
    // Foot above the peak: 0. Equal levels: K minus the pulse term.
    EXPECT_EQ(reflectance(s, 2, 4, 0, 100), 0.0f);
    EXPECT_FLOAT_EQ(reflectance(s, 2, 5, 0, 100), 61.7f);
    EXPECT_FLOAT_EQ(reflectance(s, 2, 5, 2, 10), 70.3f);
    EXPECT_EQ(reflectance(s, 3, 3, 0, 100), 0.0f);
    EXPECT_EQ(reflectance(s, -3, 3, 0, 100), 0.0f);
}

TEST(Reflectance, PulseWidthOfZeroOrLessLeavesThePulseTermOut) {
    const auto s = samplesWith(16, {20000, 25000, 20000}, 2);
    EXPECT_NEAR(reflectance(s, 2, 3, 0, 0), 72.1576, 1e-4);
    EXPECT_NEAR(reflectance(s, 2, 3, 0, -5), 72.1576, 1e-4);
    EXPECT_FLOAT_EQ(reflectance(s, 2, 4, 1, 0), 80.3f);
    EXPECT_TRUE(std::isfinite(reflectance(s, 2, 4, 0, 0)));
}

TEST(SpliceLoss, StepBetweenTwoFittedLinesAtMarkerA) {
    // 10 counts per sample down, with a 500-count (0.5 dB) step at sample 5000.
    std::vector<std::uint16_t> s(kSampleCount);
    for (int i = 0; i < kSampleCount; ++i)
        s[static_cast<std::size_t>(i)] =
            static_cast<std::uint16_t>(std::max(0, 60000 - 1 * i - (i >= 5000 ? 500 : 0)));
    const std::array<float, 3> scale{1.0f, 0.9f, 1.1f};
    const SpliceResult r = spliceLoss(s, 1000, 4990, 5010, 9000, 0.5f, 0, scale);
    EXPECT_NEAR(r.db, 0.5f, 1e-3);
    EXPECT_FLOAT_EQ(r.lastFit.slope, -2.0f);
    EXPECT_NEAR(spliceLoss(s, 1000, 4990, 5010, 9000, 0.5f, 1, scale).db, 0.45f, 1e-3);
    EXPECT_NEAR(spliceLoss(s, 1000, 4990, 5010, 9000, 0.5f, 2, scale).db, 0.55f, 1e-3);
    EXPECT_NEAR(spliceLoss(s, 1000, 4990, 5010, 9000, 0.5f, 9, scale).db, 0.5f, 1e-3);

    // A flat section on either side gives 0.
    std::vector<std::uint16_t> flat(kSampleCount, 20000);
    EXPECT_EQ(spliceLoss(flat, 100, 200, 300, 400, 0.5f, 0, scale).db, 0.0f);
    EXPECT_EQ(spliceLoss(s, 100, 100, 5010, 9000, 0.5f, 0, scale).db, 0.0f);
}

// ---- Labels of the workspace -------------------------------------------------------------

TEST_F(ViewTest, AverageLossLabelsForAFallingTrace) {
    load(0, 5, falling(1));  // 64 per point, 0.50917 m per sample
    ws.setMeasureModeLoss();
    // A at 20 (sample 1280), B at 30 (1920): 640 samples.
    EXPECT_EQ(text("LB_Dis"), "  0.3259 km");
    EXPECT_EQ(text("LB_Loss"), " 0.640 dB");
    EXPECT_EQ(text("LB_ATTEN"), " 1.964 dB/km");  // 1 count per 0.50917 m
}

TEST_F(ViewTest, MarkersOnOneSampleOrSwappedGiveZeroDistanceAndOrderedResults) {
    load(0, 5, falling(1));
    markers().x[kMarkerB] = 20;
    ws.drawMarkers();
    EXPECT_EQ(text("LB_Dis"), "  0.0000 km");
    EXPECT_EQ(text("LB_Loss"), " 0.000 dB");
    EXPECT_EQ(text("LB_ATTEN"), " 0.000 dB/km");
    ws.setMeasureModeRef();
    EXPECT_EQ(text("LB_Ref"), " 0.000 dB");
    EXPECT_EQ(text("LB_ATTEN"), " ");

    // B left of A (A off the chart, so it is not pushed): distance 0, loss of the ordered pair.
    ws.setMeasureModeLoss();
    markers().sample[kMarkerA] = 1920;
    markers().sample[kMarkerB] = 1280;
    markers().x = {0, 600, 20, 35};
    markers().active = kMarkerB;
    view().cursorX = 20;
    ws.drawMarkers();
    EXPECT_EQ(text("LB_Dis"), "  0.0000 km");
    EXPECT_EQ(text("LB_Loss"), " 0.640 dB");
    EXPECT_EQ(text("LB_ATTEN"), " 1.964 dB/km");
}

TEST_F(ViewTest, RisingSectionGivesNegativeLossAndAttenuation) {
    load(0, 5, [](int i) { return static_cast<std::uint16_t>(1000 + i); });
    ws.setMeasureModeLoss();
    EXPECT_EQ(text("LB_Loss"), "-0.640 dB");
    EXPECT_EQ(text("LB_ATTEN"), "-1.964 dB/km");
}

TEST_F(ViewTest, SteepSectionsShowTheCappedText) {
    load(0, 0, falling(20));  // 20 counts per 0.1273 m: about 157 dB/km
    ws.setMeasureModeLoss();
    EXPECT_EQ(text("LB_ATTEN"), ">99.999 dB/km");
    load(0, 0, [](int i) { return static_cast<std::uint16_t>(std::min(60000, 100 + 20 * i)); });
    ws.setMeasureModeLoss();
    EXPECT_EQ(text("LB_ATTEN"), ">99.999 dB/km");
    ws.setMeasureModeSplice();
    EXPECT_EQ(text("LB_ATTEN"), ">99.999 dB/km(a-A)");
    EXPECT_EQ(text("LB_Atten2"), ">99.999 dB/km(B-b)");
}

TEST_F(ViewTest, ReflectanceModeMeasuresThePeakBetweenAAndB) {
    load(0, 5, flat(20000));
    ws.setMeasureModeLoss();
    const std::string lossBefore = text("LB_Loss");
    ws.setMeasureModeRef();
    EXPECT_EQ(text("LB_Ref"), "61.700 dB");  // equal levels, class 0, 100 ns
    EXPECT_EQ(text("LB_Loss"), lossBefore);  // left as it was
    TraceSlot& slot = st().slots[0];
    slot.samples[1920] = 25000;  // B on a 5 dB peak
    ws.drawMarkers();
    EXPECT_EQ(text("LB_Ref"), "52.158 dB");
    slot.samples[1920] = 15000;  // B below A
    ws.drawMarkers();
    EXPECT_EQ(text("LB_Ref"), " 0.000 dB");
}

TEST_F(ViewTest, SpliceModeMeasuresBothSectionsAndTheStep) {
    // 1 count per sample down with a 500-count step between A (1280) and B (1920).
    load(0, 5, [](int i) { return static_cast<std::uint16_t>(30000 - i - (i >= 1600 ? 500 : 0)); });
    ws.setMeasureModeSplice();
    EXPECT_EQ(markers().x, (std::array<float, 4>{15, 20, 30, 35}));
    EXPECT_EQ(text("LB_ATTEN"), " 1.964 dB/km(a-A)");
    EXPECT_EQ(text("LB_Atten2"), " 1.964 dB/km(B-b)");
    EXPECT_EQ(text("LB_Splice"), " 0.500 dB");
    EXPECT_EQ(text("LB_Loss"), " 1.140 dB");
    ASSERT_EQ(series(SeriesId::Mark1).points.size(), 1u);
    EXPECT_FLOAT_EQ(series(SeriesId::Mark1).points[0].x, 15);
    ASSERT_EQ(series(SeriesId::Mark4).points.size(), 1u);
    EXPECT_FLOAT_EQ(series(SeriesId::Mark4).points[0].x, 35);

    // A flat trace has slope 0 on both sides: splice loss 0.
    load(0, 5, flat(20000));
    ws.setMeasureModeSplice();
    EXPECT_EQ(text("LB_Splice"), " 0.000 dB");
}

TEST_F(ViewTest, SpliceModePlacesOuterMarkersInsideTheChart) {
    load(0, 5, falling());
    markers().x[kMarkerA] = 3;
    view().cursorX = 3;
    markers().x[kMarkerB] = 509;
    ws.setMeasureModeSplice();
    EXPECT_FLOAT_EQ(markers().x[kMarkerSmallA], 0);
    EXPECT_FLOAT_EQ(markers().x[kMarkerSmallB], 511);
    EXPECT_EQ(markers().active, kMarkerA);  // left as it was
}

TEST_F(ViewTest, ModeCommandsTickTheirMenuItemAndShowTheirLabels) {
    load(0, 5, falling());
    const Controls& c = st().controls;
    ws.setMeasureModeSplice();
    EXPECT_EQ(st().measureMode, kModeSpliceLoss);
    EXPECT_TRUE(c.get("MOT_TI_Splice").checked);
    EXPECT_FALSE(c.get("MOT_TI_Loss").checked);
    EXPECT_FALSE(c.get("MOT_TI_Ref").checked);
    for (const char* n : {"LB_Atten2", "LB_Splice", "Label11", "Label9"})
        EXPECT_TRUE(c.get(n).visible) << n;
    for (const char* n : {"Label12", "LB_Ref"}) EXPECT_FALSE(c.get(n).visible) << n;

    // Leaving splice mode with the cursor on b makes A active and clears a and b.
    ws.cycleActiveMarker();
    ws.cycleActiveMarker();
    ASSERT_EQ(markers().active, kMarkerSmallB);
    ws.setMeasureModeRef();
    EXPECT_EQ(st().measureMode, kModeReflectance);
    EXPECT_TRUE(c.get("MOT_TI_Ref").checked);
    EXPECT_FALSE(c.get("MOT_TI_Splice").checked);
    for (const char* n : {"LB_Ref", "Label12"}) EXPECT_TRUE(c.get(n).visible) << n;
    for (const char* n : {"LB_Atten2", "LB_Splice", "Label11", "Label9"})
        EXPECT_FALSE(c.get(n).visible) << n;
    EXPECT_EQ(markers().active, kMarkerA);
    EXPECT_FLOAT_EQ(view().cursorX, markers().x[kMarkerA]);
    EXPECT_TRUE(series(SeriesId::Mark1).points.empty());
    EXPECT_TRUE(series(SeriesId::Mark4).points.empty());

    ws.setMeasureModeLoss();
    EXPECT_EQ(st().measureMode, kModeAverageLoss);
    EXPECT_TRUE(c.get("MOT_TI_Loss").checked);
    EXPECT_FALSE(c.get("MOT_TI_Ref").checked);
    EXPECT_TRUE(c.get("Label9").visible);
    for (const char* n : {"LB_Atten2", "LB_Splice", "Label11", "Label12", "LB_Ref"})
        EXPECT_FALSE(c.get(n).visible) << n;
}

TEST_F(ViewTest, WorkspaceFitLineKeepsTheLastFit) {
    load(0, 5, falling(2));
    ws.fitLine(100, 200);
    EXPECT_NEAR(st().fitSlope, -2.0 / 0.50917, 1e-3);
    EXPECT_NEAR(st().fitIntercept, 30000.0, 1e-2);
    ws.fitLine(100, 100);
    EXPECT_EQ(st().fitSlope, 0.0f);
    EXPECT_EQ(st().fitIntercept, 0.0f);
}

}  // namespace
}  // namespace otdr
