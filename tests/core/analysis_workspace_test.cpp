// The analyse command on whole synthetic traces, the event grid, its copy text, the chart marks,
// row selection and the re-measurement after the fibre dialog.

#include <gtest/gtest.h>

#include "analysis/event_texts.h"
#include "analysis_fixture.h"

namespace otdr {
namespace {

using Analyse = test::AnalysedWorkspace;

TEST_F(Analyse, FindsSplicesConnectorsAndTheFibreEndNearTheirTruePositions) {
    loadAndAnalyse();
    const std::vector<int> truth{3000, 6000, 9000, 14000, 19000, 25000};
    const std::vector<bool> reflective{false, true, false, true, false, true};
    ASSERT_EQ(events().count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(events().position(i + 1), truth[static_cast<std::size_t>(i)], 6) << i;
        EXPECT_EQ(events().reflective(i + 1), reflective[static_cast<std::size_t>(i)]) << i;
    }
    EXPECT_EQ(slot().analysisDone, 1);
    const double losses[] = {0.3, 0.5, 0.2, 0.4, 0.25};
    for (int r = 1; r <= 5; ++r) EXPECT_NEAR(std::stod(gridCell(4, r)), losses[r - 1], 0.01) << r;
    EXPECT_EQ(gridCell(4, 6), "--------");
}

TEST_F(Analyse, FillsTheGridTheCopyTextAndTheMarks) {
    loadAndAnalyse();
    const EventGrid& g = st().grid;
    EXPECT_TRUE(g.enabled);
    EXPECT_TRUE(st().controls.get("Event_List").enabled);
    EXPECT_EQ(g.rowCount, 7);
    EXPECT_EQ(gridCell(0, 0), "序号");
    EXPECT_EQ(gridCell(1, 0), "事件类型");
    EXPECT_EQ(gridCell(6, 0), "链路损耗(dB)");
    EXPECT_EQ(gridCell(0, 1), "1");
    EXPECT_EQ(gridCell(1, 1), "非反射事件");
    EXPECT_EQ(gridCell(1, 2), "反射事件");
    EXPECT_EQ(gridCell(1, 6), "光纤末端");  // the last event, although reflective
    EXPECT_EQ(gridCell(2, 1), st().eventText[kColDistance][0]);
    EXPECT_EQ(gridCell(0, 7), "");

    const auto lines = copyLines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], kCopyEventHeader);
    const EventText& t = st().eventText;
    EXPECT_EQ(lines[1], "1     非反射事件 " + t[0][0] + "    " + t[1][0] + std::string(11, ' ') +
                            t[2][0] + std::string(13, ' ') + t[3][0] + "      " + t[4][0]);
    EXPECT_EQ(lines[6].rfind("6     光纤末端 " + t[0][5] + "    ", 0), 0u);

    const ChartSeries& marks = st().scene.series(SeriesId::Event);
    ASSERT_EQ(marks.points.size(), 6u);  // every event lies inside the full view
    for (const ChartPoint& pt : marks.points) {
        EXPECT_EQ(pt.colour, colours::kGreen);
        EXPECT_GE(pt.y, 10.0f);
        EXPECT_LE(pt.y, 600.0f);
    }
    EXPECT_EQ(marks.points[0].x, static_cast<float>(events().position(1) / 64));

    for (const char* name : {"NB_CopyEvent", "TB_AddEvent", "TB_DelEvent", "TB_EditEvent",
                             "B_AddEvent", "B_DelEvent", "B_EditEvent", "MOT_Event"})
        EXPECT_TRUE(st().controls.get(name).enabled) << name;
    EXPECT_FLOAT_EQ(st().view.cursorX, events().position(1) / 64.0f);
}

TEST_F(Analyse, ANoiseOnlyTraceLeavesAnEmptyTableButEnablesTheCommands) {
    for (int r = 1; r < 10; ++r) st().grid.cells[static_cast<std::size_t>(r)][0] = "x";
    ws->analyse();  // nothing loaded: all samples 0
    EXPECT_EQ(events().count(), 0);
    EXPECT_EQ(slot().analysisDone, 1);
    EXPECT_EQ(st().grid.rowCount, kEventRows);
    EXPECT_EQ(st().grid.selectedRow, 1);
    EXPECT_EQ(gridCell(0, 1), "");
    EXPECT_TRUE(st().scene.series(SeriesId::Event).points.empty());
    EXPECT_TRUE(st().controls.get("B_AddEvent").enabled);
    EXPECT_FLOAT_EQ(st().view.cursorX, 0.0f);
}

TEST_F(Analyse, ASecondAnalysisGivesTheSameResult) {
    loadAndAnalyse();
    const auto first = positions();
    const std::string copy = st().copy.event;
    ws->analyse();
    EXPECT_EQ(positions(), first);
    EXPECT_EQ(st().copy.event, copy);
    EXPECT_EQ(st().scene.series(SeriesId::Event).points.size(), first.size());
}

TEST_F(Analyse, MarksSkipTheChartEdgesAndClampTheirHeight) {
    slot().samples.fill(30000);
    slot().samples[640] = 60000;
    EventTable& t = events();
    for (int pos : {0, 64, 640, 32704, 700}) t.append(static_cast<std::uint16_t>(pos));
    st().view.vScaleIndex = 5;  // 50 counts per unit: 30000 -> 600
    ws->drawEventMarks();
    const auto& pts = st().scene.series(SeriesId::Event).points;
    ASSERT_EQ(pts.size(), 4u);  // x = 0 gets no mark
    EXPECT_EQ(pts[0].x, 1.0f);
    EXPECT_EQ(pts[0].y, 600.0f);
    EXPECT_EQ(pts[1].y, 600.0f);  // 1200 is drawn at 600
    EXPECT_EQ(pts[2].x, 511.0f);
    st().scene.series(SeriesId::Event).clear();
    st().view.levelOffset = 1000;  // below the offset: drawn at 10
    ws->drawEventMarks();
    EXPECT_EQ(pts[0].y, 10.0f);
    st().scene.series(SeriesId::Event).clear();
    st().view.firstSample = 640;  // x of 640 and 700 is now 0, of 0 and 64 negative
    ws->drawEventMarks();
    ASSERT_EQ(pts.size(), 1u);
    EXPECT_EQ(pts[0].x, 501.0f);
}

TEST_F(Analyse, SelectingARowScrollsTheViewToTheEvent) {
    EventTable& t = events();
    for (int pos : {900, 20000, 32700}) t.append(static_cast<std::uint16_t>(pos));
    ViewState& v = st().view;
    v.samplesPerPoint = 8;
    v.hZoomIndex = 3;

    v.firstSample = 1000;  // event 1 lies left of the view: back by 256
    ws->selectEventRow(1);
    EXPECT_EQ(v.firstSample, 744);
    EXPECT_FLOAT_EQ(v.cursorX, 19.5f);
    // The other markers follow the view; the active one (A) stands on the cursor.
    EXPECT_FLOAT_EQ(st().markers.x[2], (1920 - 744) / 8.0f);
    EXPECT_FLOAT_EQ(st().markers.x[1], 19.5f);

    v.firstSample = 5000;  // 256 is not enough: half the event's index
    ws->selectEventRow(1);
    EXPECT_EQ(v.firstSample, 450);
    EXPECT_FLOAT_EQ(v.cursorX, 56.25f);

    v.firstSample = 10000;  // event 2 right of the view: forward by 512 per selection
    ws->selectEventRow(2);
    EXPECT_EQ(v.firstSample, 10512);
    EXPECT_FLOAT_EQ(v.cursorX, (20000 - 10512) / 8.0f);

    v.firstSample = 28400;  // never past sample 32768
    ws->selectEventRow(3);
    EXPECT_EQ(v.firstSample, 32768 - 512 * 8);
    EXPECT_FLOAT_EQ(v.cursorX, 503.5f);

    v.firstSample = 19000;  // inside the view: only the cursor moves
    ws->selectEventRow(2);
    EXPECT_EQ(v.firstSample, 19000);
    EXPECT_FLOAT_EQ(v.cursorX, 125.0f);
    EXPECT_EQ(st().grid.selectedRow, 2);
}

TEST_F(Analyse, SelectionWhileTheCursorDrivesTheRowsOrBelowTheTableChangesNothing) {
    events().append(900);
    ViewState& v = st().view;
    v.samplesPerPoint = 8;
    v.firstSample = 1000;
    v.cursorX = 33.0f;
    st().markers.rowFollowsCursor = 1;
    ws->selectEventRow(1);
    EXPECT_EQ(v.firstSample, 1000);
    EXPECT_FLOAT_EQ(v.cursorX, 33.0f);
    st().markers.rowFollowsCursor = 0;
    ws->selectEventRow(5);
    EXPECT_EQ(v.firstSample, 1000);
    EXPECT_FLOAT_EQ(v.cursorX, 33.0f);
}

TEST_F(Analyse, FibreDialogWithAHigherThresholdRemeasuresTheActiveTrace) {
    loadAndAnalyse();
    ASSERT_EQ(events().count(), 6);
    st().fibreDialog.editet = "0.3";
    ws->confirmFibreDialog();
    // The 0.2 and 0.25 dB splices go; reflective events stay whatever their loss.
    ASSERT_EQ(events().count(), 4);
    EXPECT_EQ(gridCell(1, 1), "非反射事件");
    EXPECT_EQ(gridCell(1, 2), "反射事件");
    EXPECT_EQ(gridCell(1, 3), "反射事件");
    EXPECT_EQ(gridCell(1, 4), "光纤末端");
    EXPECT_EQ(st().grid.rowCount, 5);
    EXPECT_EQ(copyLines().size(), 5u);
    EXPECT_EQ(st().scene.series(SeriesId::Event).points.size(), 4u);
}

TEST_F(Analyse, ShortRangeTraceWithAReflectionRightAfterTheLaunch) {
    // 2 km at 1310 nm with a 10 ns pulse: the near-end scan finds the connector at 150.
    TestParameters& p = st().params;
    p.rangeIndex = 2;
    p.pulseWidthNs = 10;
    p.wavelengthClass = 0;
    p.sampleSpacing = computeSampleSpacing(2, 1.0f, 1.4682f);
    spec.spacing = p.sampleSpacing;
    spec.attenuationDbKm = 0.35;
    spec.launchEnd = 40;
    spec.events = {{150, 0.5, 20000, 30, 8}, {6000, 0.4, 0, 0}};
    spec.fibreEnd = 12000;
    spec.endPeakWidth = 30;
    loadAndAnalyse();
    ASSERT_GE(events().count(), 2);
    EXPECT_NEAR(events().position(1), 150, 6);
    EXPECT_TRUE(events().reflective(1));
    EXPECT_NEAR(events().position(events().count()), 12000, 6);
    EXPECT_EQ(gridCell(1, events().count()), "光纤末端");
}

}  // namespace
}  // namespace otdr
