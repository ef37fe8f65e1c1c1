// Two traces on one chart: selecting and clearing slots.

#include <gtest/gtest.h>

#include <algorithm>

#include "view_test_support.h"

namespace otdr {
namespace {

using test::ViewTest;

const char* const kBoxes[] = {"E_Wave", "E_Range", "E_Att",     "E_Pulse",
                              "E_IOR",  "E_Helix", "E_AvgCount"};

TEST_F(ViewTest, ClearingTheSecondSlotReturnsToTheFirst) {
    load(0, 5, falling(1));
    load(1, 5, falling(2));
    st().slots[1].record.fileName = "b.zt";
    st().controls.setVisible("Label14", true);
    st().controls.setText("LB_OtdrTitle2", "b.zt");
    ASSERT_EQ(series(SeriesId::Wave1).points.size(), 512u);

    ws.clearTrace();
    EXPECT_EQ(st().activeTrace, 0);
    EXPECT_TRUE(st().controls.get("RB_Trace1").checked);
    EXPECT_FALSE(st().controls.get("RB_Trace2").checked);
    EXPECT_EQ(text("E_Range"), "16 km");
    EXPECT_EQ(text("E_Wave"), "1310 nm");
    EXPECT_EQ(text("E_Pulse"), "100 ns");
    EXPECT_EQ(text("E_IOR"), "1.47200");
    // The green trace is off the chart and its slot is empty.
    EXPECT_TRUE(series(SeriesId::Wave1).points.empty());
    EXPECT_EQ(st().slots[1].loaded, 0);
    const TraceSlot& cleared = st().slots[1];
    EXPECT_TRUE(std::all_of(cleared.samples.begin(), cleared.samples.end(),
                            [](std::uint16_t v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(cleared.chartPoints.begin(), cleared.chartPoints.end(),
                            [](std::int16_t v) { return v == 0; }));
    EXPECT_FALSE(st().controls.get("Label14").visible);
    EXPECT_EQ(text("LB_OtdrTitle2"), " ");
    // The file name and the first slot stay as they were.
    EXPECT_EQ(cleared.record.fileName, "b.zt");
    EXPECT_EQ(series(SeriesId::Wave).points.size(), 512u);
    EXPECT_EQ(st().slots[0].samples[100], 30000 - 100);
}

TEST_F(ViewTest, ClearingDropsTheSlotsEventsAndClearingAnEmptySlotJustSwitches) {
    load(0, 5, falling());
    TraceSlot& slot = st().slots[0];
    slot.analysisDone = 1;
    slot.events.append(500);
    st().grid.cells[1][1] = "反射事件";
    st().scene.series(SeriesId::Event).add(10, 10, colours::kGreen);
    ws.clearTrace();
    EXPECT_EQ(slot.analysisDone, 0);
    EXPECT_EQ(slot.events.count(), 0);
    EXPECT_EQ(st().grid.cell(1, 1), "");
    EXPECT_TRUE(series(SeriesId::Event).points.empty());
    EXPECT_EQ(st().activeTrace, 1);
    EXPECT_TRUE(st().controls.get("RB_Trace2").checked);
    for (const char* box : kBoxes) EXPECT_EQ(text(box), " ") << box;

    ws.clearTrace();  // slot 1 was empty: back to slot 0, still empty
    EXPECT_EQ(st().activeTrace, 0);
    EXPECT_TRUE(st().controls.get("RB_Trace1").checked);
}

TEST_F(ViewTest, SwitchingAwayFromAnAnalysedSlotEmptiesTheEventDisplay) {
    load(0, 5, falling());
    st().slots[0].analysisDone = 1;
    st().grid.cells[1][2] = "  1.2345";
    st().grid.cells[199][2] = "x";
    st().scene.series(SeriesId::Event).add(10, 10, colours::kGreen);

    ws.selectTrace(1);
    EXPECT_EQ(st().activeTrace, 1);
    EXPECT_TRUE(st().controls.get("RB_Trace2").checked);
    EXPECT_EQ(st().grid.cell(2, 1), "");
    EXPECT_EQ(st().grid.cell(2, 199), "");
    EXPECT_TRUE(series(SeriesId::Event).points.empty());
    // An empty slot shows blank boxes and draws nothing; the markers measure on it.
    for (const char* box : kBoxes) EXPECT_EQ(text(box), " ") << box;
    EXPECT_TRUE(series(SeriesId::Wave1).points.empty());
    EXPECT_EQ(text("LB_Loss"), " 0.000 dB");
    // The first slot is untouched.
    EXPECT_EQ(st().slots[0].analysisDone, 1);
    EXPECT_EQ(series(SeriesId::Wave).points.size(), 512u);
}

TEST_F(ViewTest, SwitchingShowsTheSlotsOwnParameters) {
    load(0, 5, falling());
    load(1, 5, falling());
    st().slots[1].record.header.setGroupIndex1310(0);  // stored index 0: default shown
    st().slots[1].record.header.setPulseWidth(1000);
    st().slots[0].record.header.setGroupIndex1310(146800);
    ws.selectTrace(0);
    EXPECT_EQ(text("E_IOR"), "1.46800");
    EXPECT_FLOAT_EQ(st().params.refractiveIndex, 1.468f);
    ws.selectTrace(1);
    EXPECT_EQ(text("E_IOR"), "1.47200");
    EXPECT_EQ(text("E_Pulse"), "1000 ns");
    EXPECT_EQ(st().params.pulseWidthNs, 1000);
    EXPECT_NEAR(st().params.sampleSpacing, 0.50917, 1e-5);
    // The markers keep their chart positions when the slot changes.
    EXPECT_FLOAT_EQ(markers().x[kMarkerA], 20);
    EXPECT_FLOAT_EQ(view().cursorX, 20);
}

}  // namespace
}  // namespace otdr
