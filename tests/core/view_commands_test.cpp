// The seven view commands: horizontal and vertical zoom, level shift and reset.

#include <gtest/gtest.h>

#include "view_test_support.h"

namespace otdr {
namespace {

using test::ViewTest;

void expectSameView(const ViewState& a, const ViewState& b) {
    EXPECT_EQ(a.firstSample, b.firstSample);
    EXPECT_EQ(a.hZoomIndex, b.hZoomIndex);
    EXPECT_EQ(a.samplesPerPoint, b.samplesPerPoint);
    EXPECT_EQ(a.vScaleIndex, b.vScaleIndex);
    EXPECT_EQ(a.levelOffset, b.levelOffset);
    EXPECT_EQ(a.cursorX, b.cursorX);
}

TEST_F(ViewTest, ExpandHorizontalCentresOnTheCursorSample) {
    load(0, 7, falling());
    view().cursorX = 100;
    ws.expandHorizontal();
    EXPECT_EQ(view().samplesPerPoint, 32);
    EXPECT_EQ(view().hZoomIndex, 5);
    EXPECT_EQ(view().firstSample, 0);  // 6400 - 8192 is below the start
    EXPECT_FLOAT_EQ(view().cursorX, 200);
    EXPECT_EQ(ws.scene().bottomTitle, "1.3 km/");

    // Further in, the cursor sample is centred and the cursor lands on a whole point.
    ws.expandHorizontal();  // 16 per point: 6400 - 4096
    EXPECT_EQ(view().firstSample, 2304);
    EXPECT_FLOAT_EQ(view().cursorX, 256);
    view().cursorX = 300.7f;  // sample 2304 + 4811 = 7115
    ws.expandHorizontal();    // 8 per point
    EXPECT_EQ(view().firstSample, 7115 - 2048);
    EXPECT_FLOAT_EQ(view().cursorX, 256);
    EXPECT_EQ(markers().sample[kMarkerA], 7115);
    // Markers keep their samples; b (sample 2240) is now off the chart to the left.
    EXPECT_EQ(markers().sample[kMarkerSmallB], 2240);
    EXPECT_FLOAT_EQ(markers().x[kMarkerSmallB], (2240 - 5067) / 8.0f);
}

TEST_F(ViewTest, ExpandHorizontalNearTheEndStopsAtTheStoreEnd) {
    load(0, 7, falling());
    view().cursorX = 510;  // sample 32640
    ws.expandHorizontal();
    EXPECT_EQ(view().firstSample, 32768 - 16384);
    EXPECT_FLOAT_EQ(view().cursorX, (32640 - 16384) / 32);
}

TEST_F(ViewTest, CompressingToThirtyTwoPerPointStartsAtTheTraceStart) {
    load(0, 7, falling());
    view().hZoomIndex = 4;
    view().samplesPerPoint = 16;
    view().firstSample = 10240;
    view().cursorX = 400;  // sample 16640
    ws.compressHorizontal();
    EXPECT_EQ(view().samplesPerPoint, 32);
    EXPECT_EQ(view().firstSample, 0);
    // The cursor stands beyond the chart's right end and keeps its sample.
    EXPECT_FLOAT_EQ(view().cursorX, 520);
    EXPECT_EQ(markers().sample[kMarkerA], 16640);
    EXPECT_FLOAT_EQ(series(SeriesId::CurOtdr).points.front().x, 520);
    for (const ChartPoint& p : series(SeriesId::Mark2).points) EXPECT_LT(p.x, 512);

    // From 32 to 64 per point the view is centred again (here clamped at the start).
    ws.compressHorizontal();
    EXPECT_EQ(view().samplesPerPoint, 64);
    EXPECT_EQ(view().firstSample, 0);
    EXPECT_FLOAT_EQ(view().cursorX, 260);
}

TEST_F(ViewTest, CompressHorizontalCentresBelowThirtyTwoPerPoint) {
    load(0, 1, falling());  // 8 per point
    view().firstSample = 1000;
    view().cursorX = 100;  // sample 1800
    ws.compressHorizontal();
    EXPECT_EQ(view().samplesPerPoint, 16);
    EXPECT_EQ(view().firstSample, 0);  // 1800 - 4096 < 0
    EXPECT_FLOAT_EQ(view().cursorX, 1800 / 16);
    view().firstSample = 3000;
    view().cursorX = 256;  // 7096
    ws.expandHorizontal();
    ws.compressHorizontal();
    EXPECT_EQ(view().firstSample, 7096 - 4096);
    EXPECT_FLOAT_EQ(view().cursorX, 256);
}

TEST_F(ViewTest, HorizontalZoomStopsAtItsLimits) {
    load(0, 0, falling());
    ws.compressHorizontal();  // 4 -> 8 per point, the widest for range 0
    EXPECT_EQ(view().samplesPerPoint, 8);
    const ViewState widest = view();
    const std::string title = ws.scene().bottomTitle;
    ws.compressHorizontal();
    expectSameView(view(), widest);
    EXPECT_EQ(ws.scene().bottomTitle, title);

    for (int i = 0; i < 3; ++i) ws.expandHorizontal();
    EXPECT_EQ(view().samplesPerPoint, 1);
    EXPECT_EQ(ws.scene().bottomTitle, "2.5 m/");
    const ViewState finest = view();
    ws.expandHorizontal();
    expectSameView(view(), finest);
}

TEST_F(ViewTest, BeforeAnyTraceCompressDoesNothingExpandStillWorks) {
    const ViewState start = view();
    ws.compressHorizontal();
    expectSameView(view(), start);
    EXPECT_EQ(ws.scene().bottomTitle, "5 km/");  // the design-time title
}

TEST_F(ViewTest, VerticalZoomRecentresTheLevelUnderTheCursor) {
    load(0, 0, flat(50000));  // 1000 units at 5 dB/: far above the chart
    EXPECT_EQ(st().slots[0].chartPoints[20], 600);
    ws.expandVertical();  // 2500 units at 2 dB/
    EXPECT_EQ(view().vScaleIndex, 4);
    EXPECT_EQ(view().levelOffset, 2200);
    EXPECT_EQ(st().slots[0].chartPoints[20], 300);
    EXPECT_EQ(ws.scene().leftTitle, "2 dB/");

    // A level still on the chart keeps the offset.
    ws.compressVertical();  // 1000 - 2200 is below the chart: re-centred to 700
    EXPECT_EQ(view().levelOffset, 700);
    ws.compressVertical();  // 625 - 700 < 0 -> 325
    EXPECT_EQ(view().levelOffset, 325);
    EXPECT_EQ(view().vScaleIndex, 6);
    ws.compressVertical();  // at the coarsest scale: nothing
    EXPECT_EQ(view().vScaleIndex, 6);
    EXPECT_EQ(view().levelOffset, 325);
}

TEST_F(ViewTest, VerticalZoomUsesTheRawSampleUnderTheCursorAndLowLevelsGiveZeroOffset) {
    load(0, 5, falling());  // range 5: 8 dB/ scale; raw sample at cursor 20 x 64 = 1280
    view().levelOffset = 5000;
    ws.expandVertical();  // (30000 - 1280) / 50 = 574 -> below the chart, re-centred to 274
    EXPECT_EQ(view().levelOffset, 574 - 300);
    // The plotted point averages 64 samples around the cursor sample: near 300.
    EXPECT_NEAR(st().slots[0].chartPoints[20], 300, 1);

    load(0, 5, flat(1000));
    view().levelOffset = 5000;
    ws.expandVertical();  // 1000 / 50 = 20 < 300: offset 0
    EXPECT_EQ(view().levelOffset, 0);
    for (int i = 0; i < 10; ++i) ws.expandVertical();
    EXPECT_EQ(view().vScaleIndex, 0);
    EXPECT_EQ(ws.scene().leftTitle, "0.1 dB/");
}

TEST_F(ViewTest, ShiftsMoveTheLevelWithinLimitsAndRedrawOnlyTheActiveSlot) {
    load(1, 5, flat(16000));
    load(0, 5, flat(16000));  // 200 units
    ws.shiftTraceUp();
    EXPECT_EQ(view().levelOffset, -10);
    EXPECT_EQ(st().slots[0].chartPoints[0], 210);
    EXPECT_EQ(st().slots[1].chartPoints[0], 198);  // not redrawn until the next rescale
    ws.shiftTraceDown();
    ws.shiftTraceDown();
    EXPECT_EQ(view().levelOffset, 10);
    EXPECT_EQ(st().slots[0].chartPoints[0], 190);

    for (int i = 0; i < 3201; ++i) ws.shiftTraceUp();
    EXPECT_EQ(view().levelOffset, -32000);
    // An offset left above the limit by a re-centring drops to it at the first shift down.
    view().levelOffset = 40000;
    ws.shiftTraceDown();
    EXPECT_EQ(view().levelOffset, 32000);
    ws.shiftTraceDown();
    EXPECT_EQ(view().levelOffset, 32000);
}

TEST_F(ViewTest, ResetShowsTheWidestViewWithTheCursorOnItsSample) {
    load(0, 1, falling());  // opens at 8 per point
    view().firstSample = 3000;
    view().cursorX = 100;  // sample 3800
    view().vScaleIndex = 2;
    view().levelOffset = 77;
    ws.resetView();
    EXPECT_EQ(view().samplesPerPoint, 16);  // 8192 samples from sample 0
    EXPECT_EQ(view().hZoomIndex, 4);
    EXPECT_EQ(view().firstSample, 0);
    EXPECT_EQ(view().levelOffset, 0);
    EXPECT_EQ(view().vScaleIndex, 5);
    EXPECT_EQ(ws.scene().leftTitle, "5 dB/");
    EXPECT_EQ(ws.scene().bottomTitle, "41 m/");
    EXPECT_FLOAT_EQ(view().cursorX, 237.5f);
    EXPECT_EQ(markers().sample[kMarkerA], 3800);
    EXPECT_FLOAT_EQ(markers().x[kMarkerSmallB], 280 / 16.0f);

    // A cursor sample beyond the widest view puts the cursor at the chart's end.
    view().firstSample = 20000;
    view().cursorX = 100;
    ws.resetView();
    EXPECT_FLOAT_EQ(view().cursorX, 511);
}

TEST_F(ViewTest, ResetOnLongRangesUsesTheCoarseScale) {
    load(0, 8, falling());
    ws.expandHorizontal();
    ws.expandVertical();
    ws.resetView();
    EXPECT_EQ(view().samplesPerPoint, 64);
    EXPECT_EQ(view().vScaleIndex, 6);
    EXPECT_EQ(ws.scene().leftTitle, "8 dB/");
    EXPECT_EQ(ws.scene().bottomTitle, "5 km/");
}

}  // namespace
}  // namespace otdr
