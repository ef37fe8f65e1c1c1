// The cursor, the markers and the chart's mouse handling.

#include <gtest/gtest.h>

#include "view/chart_geometry.h"
#include "view_test_support.h"

namespace otdr {
namespace {

using test::ViewTest;
using Xs = std::array<float, 4>;

TEST(MarkerOrder, FourMarkersArePushedIntoOrderByTheMovedOne) {
    Xs x{50, 20, 30, 40};  // a moved past A and B
    orderMarkers(x, kMarkerSmallA, true);
    EXPECT_EQ(x, (Xs{50, 50, 50, 50}));
    x = {10, 35, 30, 40};  // A moved past B only
    orderMarkers(x, kMarkerA, true);
    EXPECT_EQ(x, (Xs{10, 35, 35, 40}));
    x = {10, 5, 30, 40};  // A moved before a
    orderMarkers(x, kMarkerA, true);
    EXPECT_EQ(x, (Xs{5, 5, 30, 40}));
    x = {10, 20, 5, 40};  // B moved before a: a and A follow, b stays
    orderMarkers(x, kMarkerB, true);
    EXPECT_EQ(x, (Xs{5, 5, 5, 40}));
    x = {10, 20, 30, 2};  // b moved before everything
    orderMarkers(x, kMarkerSmallB, true);
    EXPECT_EQ(x, (Xs{2, 2, 2, 2}));
    x = {10, 20, 30, 25};  // b moved before B only
    orderMarkers(x, kMarkerSmallB, true);
    EXPECT_EQ(x, (Xs{10, 20, 25, 25}));
}

TEST(MarkerOrder, TwoMarkersPushOnlyAVisiblePartner) {
    Xs x{0, 40, 30, 35};
    orderMarkers(x, kMarkerA, false);
    EXPECT_EQ(x, (Xs{0, 40, 40, 35}));  // a and b are not ordered
    x = {0, 40, 30, 35};
    orderMarkers(x, kMarkerB, false);
    EXPECT_EQ(x, (Xs{0, 30, 30, 35}));
    x = {0, 40, -10, 35};  // B scrolled off the chart stays where it is
    orderMarkers(x, kMarkerA, false);
    EXPECT_EQ(x, (Xs{0, 40, -10, 35}));
    x = {0, 40, 511, 35};  // 511 still counts as on the chart
    orderMarkers(x, kMarkerB, false);
    EXPECT_EQ(x, (Xs{0, 40, 511, 35}));
    x = {0, 512, 300, 35};
    orderMarkers(x, kMarkerB, false);
    EXPECT_EQ(x, (Xs{0, 512, 300, 35}));
}

TEST(LabelBox, StaysInsideTheChart) {
    EXPECT_FLOAT_EQ(labelSpanBeside(300).near, 302);
    EXPECT_FLOAT_EQ(labelSpanBeside(300).far, 375);
    EXPECT_FLOAT_EQ(labelSpanBeside(424).far, 499);  // 424 + 88 = 512 still fits
    EXPECT_FLOAT_EQ(labelSpanBeside(430).near, 428);
    EXPECT_FLOAT_EQ(labelSpanBeside(430).far, 355);
}

TEST_F(ViewTest, StartUpExpandShowsCursorMarkersAndSecondCursor) {
    ws.expandHorizontal();
    EXPECT_EQ(view().samplesPerPoint, 32);
    EXPECT_EQ(view().firstSample, 0);
    EXPECT_FLOAT_EQ(view().cursorX, 40);
    EXPECT_EQ(ws.scene().bottomTitle, "82 m/");

    const ChartSeries& cursor = series(SeriesId::CurOtdr);
    ASSERT_EQ(cursor.points.size(), 560u);
    EXPECT_FLOAT_EQ(cursor.points.front().x, 40);
    EXPECT_FLOAT_EQ(cursor.points.front().y, 20);
    EXPECT_FLOAT_EQ(cursor.points.back().y, 579);
    EXPECT_EQ(cursor.points.front().colour, colours::kRed);
    const ChartSeries& label = series(SeriesId::DisOtdr);
    EXPECT_EQ(label.text, "A: 10.2400km");
    EXPECT_FLOAT_EQ(label.x0, 42);
    EXPECT_FLOAT_EQ(label.x1, 115);
    EXPECT_FLOAT_EQ(label.y0, 540);
    EXPECT_FLOAT_EQ(label.y1, 600);

    ASSERT_EQ(series(SeriesId::Mark2).points.size(), 1u);
    EXPECT_FLOAT_EQ(series(SeriesId::Mark2).points[0].x, 40);
    EXPECT_FLOAT_EQ(series(SeriesId::Mark2).points[0].y, 0);
    ASSERT_EQ(series(SeriesId::Mark3).points.size(), 1u);
    EXPECT_FLOAT_EQ(series(SeriesId::Mark3).points[0].x, 60);
    EXPECT_TRUE(series(SeriesId::Mark1).points.empty());
    EXPECT_TRUE(series(SeriesId::Mark4).points.empty());
    EXPECT_EQ(markers().x, (Xs{0, 40, 60, 70}));

    const ChartSeries& second = series(SeriesId::CurO2);
    ASSERT_EQ(second.points.size(), 520u);
    EXPECT_FLOAT_EQ(second.points.front().x, 60);
    EXPECT_FLOAT_EQ(second.points.back().y, 539);
    EXPECT_EQ(second.points.front().colour, colours::kPurple);
    EXPECT_EQ(series(SeriesId::DisO2).text, "B: 15.3600km");
    EXPECT_FLOAT_EQ(series(SeriesId::DisO2).y0, 480);
    EXPECT_FLOAT_EQ(series(SeriesId::DisO2).y1, 540);
    EXPECT_FLOAT_EQ(view().secondCursorX, 60);
}

TEST_F(ViewTest, CursorLabelSwitchesSideNearTheRightEnd) {
    ws.moveCursor(300);
    EXPECT_FLOAT_EQ(series(SeriesId::DisOtdr).x0, 302);
    EXPECT_FLOAT_EQ(series(SeriesId::DisOtdr).x1, 375);
    ws.moveCursor(430);
    EXPECT_FLOAT_EQ(series(SeriesId::DisOtdr).x0, 428);
    EXPECT_FLOAT_EQ(series(SeriesId::DisOtdr).x1, 355);
    // The marker under the cursor moves with it.
    EXPECT_FLOAT_EQ(markers().x[kMarkerA], 430);
    EXPECT_EQ(markers().sample[kMarkerA], 430 * 64);
}

TEST_F(ViewTest, SteppingOntoTheEdgesScrollsTheViewByFiftySamples) {
    load(0, 0, falling());  // 4 samples per point
    view().firstSample = 200;
    view().cursorX = 1;
    ws.moveCursorLeft();
    EXPECT_EQ(view().firstSample, 150);
    EXPECT_FLOAT_EQ(view().cursorX, 12.5f);
    EXPECT_EQ(markers().sample[kMarkerA], 200);
    EXPECT_EQ(series(SeriesId::DisOtdr).text, "A:  0.0255km");  // 200 x 0.12735 m

    view().firstSample = 0;
    view().cursorX = 0;
    ws.moveCursorLeft();
    EXPECT_EQ(view().firstSample, 0);
    EXPECT_FLOAT_EQ(view().cursorX, 0);

    view().cursorX = 510;
    ws.moveCursorRight();
    EXPECT_EQ(view().firstSample, 50);
    EXPECT_FLOAT_EQ(view().cursorX, 498.5f);
    EXPECT_EQ(markers().sample[kMarkerA], 2044);
    // The markers keep their samples; their chart x follows the view.
    EXPECT_FLOAT_EQ(markers().x[kMarkerSmallB], (140 - 50) / 4.0f);

    // At the end of the store the view cannot scroll further.
    view().firstSample = 32768 - 2048;
    view().cursorX = 511;
    ws.moveCursorRight();
    EXPECT_EQ(view().firstSample, 32768 - 2048);
    EXPECT_FLOAT_EQ(view().cursorX, 511);
}

TEST_F(ViewTest, SpliceDragOfBLeftOfSmallAPullsAAndSmallAAlong) {
    load(0, 5, falling());
    ws.setMeasureModeSplice();  // a = A - 5 = 15, b = B + 5 = 35
    EXPECT_EQ(markers().x, (Xs{15, 20, 30, 35}));
    ws.cycleActiveMarker();  // A -> B
    ASSERT_EQ(markers().active, kMarkerB);
    ASSERT_FLOAT_EQ(view().cursorX, 30);
    ws.mouseDown(30.5f, 300, MouseButton::Left);
    ASSERT_EQ(markers().dragging, 1);
    ws.mouseMove(5, 300);
    EXPECT_EQ(markers().x, (Xs{5, 5, 5, 35}));
    EXPECT_EQ(markers().sample[kMarkerSmallA], 5 * 64);
    EXPECT_EQ(markers().sample[kMarkerSmallB], 35 * 64);
    EXPECT_EQ(series(SeriesId::Mark1).points.size(), 1u);
    EXPECT_EQ(series(SeriesId::Mark4).points.size(), 1u);
    // No second cursor with four markers.
    EXPECT_TRUE(series(SeriesId::CurO2).points.empty());
    const ChartSeries& box = series(SeriesId::DisO2);
    EXPECT_EQ(box.x0 + box.x1 + box.y0 + box.y1, 0.0f);
}

TEST_F(ViewTest, TwoMarkerModeDoesNotPushAMarkerScrolledOffTheChart) {
    load(0, 0, falling());  // 4 samples per point
    st().markers.sample[kMarkerB] = 100;
    view().firstSample = 2000;
    view().cursorX = 100;
    ws.moveCursor(300);
    EXPECT_FLOAT_EQ(markers().x[kMarkerB], -475);
    EXPECT_EQ(markers().sample[kMarkerB], 100);
    EXPECT_TRUE(series(SeriesId::Mark3).points.empty());
    EXPECT_EQ(text("LB_Dis"), "  0.0000 km");
}

TEST_F(ViewTest, SwitchingToAMarkerOffTheChartCentresTheViewOnIt) {
    load(1, 0, falling());
    load(0, 0, falling(2));
    markers().sample[kMarkerB] = 8000;
    markers().x[kMarkerB] = 2000;
    ws.cycleActiveMarker();
    EXPECT_EQ(markers().active, kMarkerB);
    EXPECT_EQ(view().firstSample, 8000 - 1024);
    EXPECT_FLOAT_EQ(view().cursorX, 256);
    EXPECT_FLOAT_EQ(markers().x[kMarkerA], (80 - 6976) / 4.0f);
    // Both traces were redrawn for the new view.
    EXPECT_EQ(st().slots[1].chartPoints[0], (30000 - 6976 - 1) / 50 - 2);
    EXPECT_EQ(st().slots[0].chartPoints[0], (30000 - 2 * 6976 - 3) / 50);

    // Near the end of the store the view stops at its end.
    ws.cycleActiveMarker();  // back to A, which is off the chart on the left
    EXPECT_EQ(markers().active, kMarkerA);
    EXPECT_EQ(view().firstSample, 0);
    EXPECT_FLOAT_EQ(view().cursorX, 20);
    markers().sample[kMarkerB] = 32000;
    markers().x[kMarkerB] = 8000;
    ws.cycleActiveMarker();
    EXPECT_EQ(view().firstSample, 32768 - 2048);
    EXPECT_FLOAT_EQ(view().cursorX, 320);
}

TEST_F(ViewTest, ActiveMarkerCyclesThroughTheMarkersOfTheMode) {
    load(0, 5, falling());
    ws.cycleActiveMarker();
    EXPECT_EQ(markers().active, kMarkerB);
    ws.cycleActiveMarker();
    EXPECT_EQ(markers().active, kMarkerA);
    ws.setMeasureModeSplice();
    std::vector<int> order;
    for (int i = 0; i < 4; ++i) {
        ws.cycleActiveMarker();
        order.push_back(markers().active);
        EXPECT_FLOAT_EQ(view().cursorX, markers().x[static_cast<std::size_t>(markers().active)]);
    }
    EXPECT_EQ(order, (std::vector<int>{kMarkerB, kMarkerSmallB, kMarkerSmallA, kMarkerA}));
    // The cursor label names the marker it stands on.
    ws.cycleActiveMarker();
    ws.cycleActiveMarker();
    EXPECT_EQ(series(SeriesId::DisOtdr).text.substr(0, 2), "b:");
}

TEST_F(ViewTest, ClickNearTheCursorGrabsItOtherClicksMoveIt) {
    load(0, 5, falling());
    view().cursorX = 100;
    ws.mouseDown(102.4f, 300, MouseButton::Left);
    EXPECT_EQ(markers().dragging, 1);
    EXPECT_FLOAT_EQ(view().cursorX, 100);
    ws.mouseUp();
    EXPECT_EQ(markers().dragging, 0);

    ws.mouseDown(102.5f, 300, MouseButton::Left);
    EXPECT_EQ(markers().dragging, 0);
    EXPECT_FLOAT_EQ(view().cursorX, 102.5f);

    // Clicks on or beyond the chart's top and bottom lines leave the cursor alone.
    ws.mouseDown(200, 0, MouseButton::Left);
    ws.mouseDown(200, 600, MouseButton::Left);
    ws.mouseDown(200, -3, MouseButton::Left);
    EXPECT_FLOAT_EQ(view().cursorX, 102.5f);
    EXPECT_EQ(markers().dragging, 0);

    // Other buttons do nothing; an x beyond the chart is clamped.
    ws.mouseDown(300, 300, MouseButton::Right);
    EXPECT_FLOAT_EQ(view().cursorX, 102.5f);
    ws.mouseDown(700, 300, MouseButton::Left);
    EXPECT_EQ(view().firstSample, 0);  // 511 at the widest view: nothing to scroll
    EXPECT_FLOAT_EQ(view().cursorX, 511);

    // Moves without a grab do nothing.
    ws.mouseMove(50, 300);
    EXPECT_FLOAT_EQ(view().cursorX, 511);
}

TEST_F(ViewTest, DragFollowsTheMouseAnywhereUpTheChart) {
    load(0, 0, falling());
    view().cursorX = 100;
    ws.mouseDown(100, 300, MouseButton::Left);
    ws.mouseMove(150, 900);  // y no longer matters
    EXPECT_FLOAT_EQ(view().cursorX, 150);
    ws.mouseMove(-20, 300);  // clamped to 0, which scrolls (here: nothing to scroll)
    EXPECT_FLOAT_EQ(view().cursorX, 0);
    ws.mouseUp();
    ws.mouseMove(300, 300);
    EXPECT_FLOAT_EQ(view().cursorX, 0);
}

TEST_F(ViewTest, ChartIgnoresClicksWhileAnEventIsBeingAdded) {
    load(0, 5, falling());
    st().addingEvent = 1;
    ws.mouseDown(300, 300, MouseButton::Left);
    ws.mouseDown(20, 300, MouseButton::Left);
    EXPECT_FLOAT_EQ(view().cursorX, 20);
    EXPECT_EQ(markers().dragging, 0);
}

TEST_F(ViewTest, DraggingSelectsTheFirstEventRowJustAheadOfTheCursor) {
    load(0, 0, falling());  // 4 samples per point
    TraceSlot& slot = st().slots[0];
    slot.analysisDone = 1;
    slot.events.append(1000);
    slot.events.append(static_cast<std::uint16_t>(2000 | kReflectiveFlag));
    slot.events.append(2030);
    st().grid.selectedRow = 1;

    // The click itself selects nothing, even right before an event.
    ws.mouseDown(240, 300, MouseButton::Left);  // sample 960, 40 before event 1
    EXPECT_EQ(st().grid.selectedRow, 1);
    EXPECT_EQ(markers().rowFollowsCursor, 1);
    ws.mouseUp();
    EXPECT_EQ(markers().rowFollowsCursor, 0);

    ws.mouseDown(240, 300, MouseButton::Left);  // grab
    ws.mouseMove(487.5f, 300);                  // sample 1950: event 2 (flag masked) is 50 ahead
    EXPECT_EQ(st().grid.selectedRow, 2);
    ws.mouseMove(400, 300);  // sample 1600: nothing within 99 samples ahead
    EXPECT_EQ(st().grid.selectedRow, 2);
    ws.mouseMove(500, 300);  // sample 2000 exactly on event 2
    EXPECT_EQ(st().grid.selectedRow, 2);
    ws.mouseMove(500.25f, 300);  // sample 2001: event 3 is 29 ahead
    EXPECT_EQ(st().grid.selectedRow, 3);
    ws.mouseUp();

    // Without analysis the rows do not follow.
    slot.analysisDone = 0;
    ws.mouseDown(500.25f, 300, MouseButton::Left);  // grab
    ASSERT_EQ(markers().dragging, 1);
    ws.mouseMove(249, 300);  // sample 996, 4 before event 1
    EXPECT_EQ(st().grid.selectedRow, 3);
    EXPECT_EQ(markers().rowFollowsCursor, 0);
}

TEST_F(ViewTest, SecondCursorStandsOnTheInnerMarkerThatIsNotActive) {
    ws.moveCursor(25);
    EXPECT_FLOAT_EQ(series(SeriesId::CurO2).points.front().x, 30);
    ws.cycleActiveMarker();  // cursor to B at 30, second cursor to A at 25
    EXPECT_FLOAT_EQ(view().cursorX, 30);
    EXPECT_FLOAT_EQ(series(SeriesId::CurO2).points.front().x, 25);
    EXPECT_EQ(series(SeriesId::DisO2).text, "A: 12.8000km");
    EXPECT_EQ(series(SeriesId::DisOtdr).text, "B: 15.3600km");
    // B cannot be moved before a visible A: A is pushed along.
    ws.moveCursor(10);
    EXPECT_FLOAT_EQ(markers().x[kMarkerA], 10);
    EXPECT_FLOAT_EQ(markers().x[kMarkerB], 10);
    EXPECT_EQ(markers().sample[kMarkerA], 10 * 64);
    // And A moved past a visible B pushes B.
    ws.cycleActiveMarker();
    ws.moveCursor(200);
    EXPECT_FLOAT_EQ(markers().x[kMarkerB], 200);
}

}  // namespace
}  // namespace otdr
