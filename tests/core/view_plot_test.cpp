// Plotting the slots, axis titles and the view of a newly opened trace.

#include <gtest/gtest.h>

#include "view/chart_geometry.h"
#include "view/view_math.h"
#include "view_test_support.h"

namespace otdr {
namespace {

using test::ViewTest;

TEST(AxisTitles, DistancePerDivisionByRangeAndZoom) {
    EXPECT_EQ(distanceAxisTitle(0, 0), "2.5 m/");
    EXPECT_EQ(distanceAxisTitle(3, 6), "165 m/");
    EXPECT_EQ(distanceAxisTitle(0, 2), "10 m/");
    EXPECT_EQ(distanceAxisTitle(4, 0), "5 m/");
    EXPECT_EQ(distanceAxisTitle(7, 3), "330 m/");
    EXPECT_EQ(distanceAxisTitle(7, 5), "1.3 km/");
    EXPECT_EQ(distanceAxisTitle(8, 4), "1.3 km/");
    EXPECT_EQ(distanceAxisTitle(9, 0), "165 m/");
    EXPECT_EQ(distanceAxisTitle(9, 6), "10 km/");
    // Outside the tables there is no title (the chart keeps the one it shows).
    EXPECT_FALSE(distanceAxisTitle(10, 0).has_value());
    EXPECT_FALSE(distanceAxisTitle(-1, 0).has_value());
    EXPECT_FALSE(distanceAxisTitle(5, 7).has_value());
}

TEST(AxisTitles, LevelPerDivisionByScaleStep) {
    EXPECT_EQ(levelAxisTitle(0), "0.1 dB/");
    EXPECT_EQ(levelAxisTitle(3), "1 dB/");
    EXPECT_EQ(levelAxisTitle(5), "5 dB/");
    EXPECT_EQ(levelAxisTitle(6), "8 dB/");
    EXPECT_FALSE(levelAxisTitle(7).has_value());
    EXPECT_FALSE(levelAxisTitle(-1).has_value());
}

TEST(ViewMath, ChartXAndSampleConversions) {
    ViewState v;
    v.samplesPerPoint = 4;
    v.firstSample = 150;
    EXPECT_EQ(sampleAtX(v, 12.5), 200);
    EXPECT_EQ(sampleAtX(v, 12.74), 200);  // 50.96 truncated
    EXPECT_FLOAT_EQ(chartXOfSample(v, 200), 12.5f);
    EXPECT_FLOAT_EQ(chartXOfSample(v, 0), -37.5f);
    EXPECT_DOUBLE_EQ(sampleKm(1280, 8.0f), 10.24);
    // The first shown sample stays inside the store.
    EXPECT_EQ(clampFirstSample(-5, 4), 0);
    EXPECT_EQ(clampFirstSample(40000, 1), 32768 - 512);
    EXPECT_EQ(clampFirstSample(50, 64), 0);
    // A marker placed far off the chart stays inside the store instead of wrapping around.
    v.samplesPerPoint = 64;
    v.firstSample = 0;
    EXPECT_EQ(markerSampleAtX(v, 600.0), 32767);
    EXPECT_EQ(markerSampleAtX(v, -18720.0), 0);
    EXPECT_EQ(markerSampleAtX(v, 30.0), 1920);
}

TEST(PlotLevels, AveragesSamplesAndClampsToTheChart) {
    std::array<std::uint16_t, kSampleCount> samples;
    samples.fill(6400);
    ViewState v;  // 64 samples per point from sample 0, 50 counts per unit
    ChartLevels levels{};
    plotLevels(samples, v, 0, levels);
    EXPECT_EQ(levels[0], 128);
    EXPECT_EQ(levels[510], 128);
    // The last point sums 63 samples (32704..32766) and still divides by 64.
    EXPECT_EQ(levels[511], 63 * 6400 / 64 / 50);

    // Counts above 32767 at the finest scale are far above the chart, not below it.
    samples.fill(40000);
    v.vScaleIndex = 0;
    plotLevels(samples, v, 0, levels);
    EXPECT_EQ(levels[0], 600);
    v.vScaleIndex = 6;  // 500 units
    plotLevels(samples, v, 0, levels);
    EXPECT_EQ(levels[0], 500);
    v.levelOffset = -200;
    plotLevels(samples, v, 0, levels);
    EXPECT_EQ(levels[0], 600);
    v.levelOffset = 32000;
    plotLevels(samples, v, 0, levels);
    EXPECT_EQ(levels[0], 0);

    // The second slot lies two units lower; a point averages exactly its own samples.
    samples.fill(0);
    samples[4] = 400;  // point 1 at 4 samples per point
    v = ViewState{};
    v.samplesPerPoint = 4;
    v.vScaleIndex = 0;
    plotLevels(samples, v, 1, levels);
    EXPECT_EQ(levels[0], 0);
    EXPECT_EQ(levels[1], 98);
    EXPECT_EQ(levels[2], 0);
}

TEST_F(ViewTest, PlotTraceDrawsLoadedSlotsOnlySecondSlotTwoUnitsLower) {
    // A slot that was never loaded is not drawn and its series keeps what it showed.
    st().scene.series(SeriesId::Wave1).add(1, 2, colours::kGreen);
    ws.plotTrace(1);
    ASSERT_EQ(series(SeriesId::Wave1).points.size(), 1u);

    load(0, 5, flat(20000));
    load(1, 5, flat(20000));
    ws.plotTrace(0);
    const ChartSeries& w0 = series(SeriesId::Wave);
    const ChartSeries& w1 = series(SeriesId::Wave1);
    ASSERT_EQ(w0.points.size(), 512u);
    ASSERT_EQ(w1.points.size(), 512u);
    EXPECT_EQ(w0.points[0].colour, colours::kBlue);
    EXPECT_EQ(w1.points[0].colour, colours::kGreen);
    EXPECT_FLOAT_EQ(w0.points[100].x, 100.0f);
    EXPECT_FLOAT_EQ(w0.points[100].y, 20000 / 80);
    EXPECT_FLOAT_EQ(w1.points[100].y, 20000 / 80 - 2);
    EXPECT_EQ(st().slots[1].chartPoints[100], 20000 / 80 - 2);
}

TEST_F(ViewTest, NewTraceViewFollowsTheRange) {
    load(0, 0, falling());
    EXPECT_EQ(view().samplesPerPoint, 4);
    EXPECT_EQ(view().hZoomIndex, 2);
    EXPECT_EQ(ws.scene().bottomTitle, "10 m/");
    EXPECT_EQ(ws.scene().leftTitle, "5 dB/");
    EXPECT_NEAR(st().params.sampleSpacing, 0.1273, 1e-4);
    // The markers keep their chart x and take the sample under it.
    EXPECT_EQ(markers().sample, (std::array<std::int16_t, 4>{0, 80, 120, 140}));
    EXPECT_EQ(ws.scene().series(SeriesId::Wave).points.size(), 512u);
    EXPECT_EQ(series(SeriesId::CurOtdr).points.size(), 560u);

    load(0, 9, falling());
    EXPECT_EQ(view().samplesPerPoint, 64);
    EXPECT_EQ(ws.scene().bottomTitle, "10 km/");
    EXPECT_EQ(ws.scene().leftTitle, "8 dB/");
    EXPECT_EQ(view().vScaleIndex, 6);
    EXPECT_NEAR(st().params.sampleSpacing, 8.146, 1e-3);

    load(0, 2, falling());
    EXPECT_EQ(view().samplesPerPoint, 32);
    EXPECT_EQ(ws.scene().bottomTitle, "82 m/");
}

TEST_F(ViewTest, NewTraceViewResetsOffsetAndStartAndTakesUnknownRangeAsSeven) {
    view().levelOffset = 500;
    view().firstSample = 1000;
    load(0, 12, falling());
    EXPECT_EQ(st().params.rangeIndex, 7);
    EXPECT_EQ(view().samplesPerPoint, 64);
    EXPECT_EQ(view().levelOffset, 0);
    EXPECT_EQ(view().firstSample, 0);
    EXPECT_EQ(ws.scene().bottomTitle, "2.6 km/");
    EXPECT_EQ(ws.scene().leftTitle, "8 dB/");
}

TEST_F(ViewTest, NewTraceViewKeepsMarkersFarOffTheChartInsideTheStore) {
    // A marker scrolled far off the chart in an earlier view must not wrap to a negative
    // (unplaced) sample when the next trace is opened.
    markers().x = {-18720.0f, 20.0f, 600.0f, 605.0f};
    load(0, 9, falling());
    EXPECT_EQ(markers().sample[kMarkerSmallA], 0);
    EXPECT_EQ(markers().sample[kMarkerB], 32767);
    EXPECT_EQ(markers().sample[kMarkerSmallB], 32767);
    EXPECT_EQ(markers().sample[kMarkerA], 1280);
}

TEST_F(ViewTest, RescaleKeepsDistanceTitleForUnknownRange) {
    load(0, 5, falling());
    const std::string before = ws.scene().bottomTitle;
    st().params.rangeIndex = 11;
    ws.rescaleView();
    EXPECT_EQ(ws.scene().bottomTitle, before);
}

}  // namespace
}  // namespace otdr
