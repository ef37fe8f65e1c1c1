// The window's general analysis command on the instrument's own samples.

#include <gtest/gtest.h>

#include <string>

#include "workspace/workspace.h"

namespace otdr {
namespace {

TEST(GeneralAnalysisCommand, FillsTheGridAndKeepsItsEventsAcrossASlotSwitch) {
    Workspace ws(Settings{});
    ASSERT_TRUE(ws.openTrace(std::string(OTDR_SAMPLES_DIR) + "/long_64km_1550.sor"));
    ws.analyse();
    const EventTable specified = ws.state().slots[0].events;
    const std::string specifiedCopy = ws.state().copy.event;

    ws.analyseGeneral();
    const auto& slot = ws.state().slots[0];
    const int n = slot.events.count();
    ASSERT_GT(n, 1);
    EXPECT_EQ(slot.analysisDone, 1);
    EXPECT_EQ(ws.grid().rowCount, n + 1);
    EXPECT_EQ(ws.grid().cell(1, n), "光纤末端");
    EXPECT_EQ(ws.grid().cell(4, n), "--------");  // the last row has no splice loss
    EXPECT_TRUE(ws.controls().get("TB_AddEvent").enabled);
    const auto cells = ws.grid().cells;

    // Switching slots re-measures an analysed slot: its general events stay as they were.
    ws.selectTrace(1);
    ws.selectTrace(0);
    EXPECT_EQ(ws.state().slots[0].events.count(), n);
    EXPECT_EQ(ws.grid().cells, cells);

    // The instrument's analysis afterwards is what it always was.
    ws.analyse();
    EXPECT_EQ(ws.state().slots[0].events.count(), specified.count());
    EXPECT_EQ(ws.state().copy.event, specifiedCopy);
}

}  // namespace
}  // namespace otdr
