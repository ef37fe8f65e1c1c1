#include <gtest/gtest.h>

#include "test_support.h"
#include "workspace/command_table.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

TEST(WorkspaceStartup, DefaultsWithoutASettingsFile) {
    test::FixedClock clock;
    Workspace ws(Settings{}, nullptr, &clock);
    const WorkspaceState& s = ws.state();
    EXPECT_FLOAT_EQ(s.params.refractiveIndex, 1.472f);
    EXPECT_FLOAT_EQ(s.eventThreshold, 0.05f);
    for (const TraceSlot& slot : s.slots) {
        const GenParams& g = slot.record.genParams;
        EXPECT_EQ(g.cableId, "");
        EXPECT_EQ(g.fiberId, "");
        EXPECT_EQ(g.cableCode, " ");
        EXPECT_EQ(g.originatingLocation, " ");
        EXPECT_EQ(g.terminatingLocation, " ");
        EXPECT_EQ(g.dataFlag, "  ");
        EXPECT_EQ(g.operatorName, " ");
        EXPECT_EQ(g.comment, " ");
        EXPECT_EQ(slot.record.dateText, "2006/03/17  14:05:09");
        EXPECT_EQ(slot.record.header.fiberCode(), 35);
        EXPECT_EQ(slot.loaded, 0);
        EXPECT_EQ(slot.analysisDone, 0);
    }
    EXPECT_EQ(s.activeTrace, 0);
    EXPECT_FLOAT_EQ(s.params.lossScale[0], 1.0f);
    EXPECT_FLOAT_EQ(s.params.sampleSpacing, 8.0f);
    EXPECT_EQ(s.measureMode, -1);
    EXPECT_EQ(s.view.hZoomIndex, 6);
    EXPECT_EQ(s.view.samplesPerPoint, 64);
    EXPECT_EQ(s.view.vScaleIndex, 5);
    EXPECT_FLOAT_EQ(s.view.cursorX, 20.0f);
    EXPECT_FLOAT_EQ(s.view.secondCursorX, 30.0f);
    EXPECT_EQ(s.markers.active, 1);
    EXPECT_EQ(s.markers.sample, (std::array<std::int16_t, 4>{0, 1280, 1920, 2240}));
    EXPECT_EQ(s.work.scanLimit, 30000);
    EXPECT_EQ(s.eventTypeNames[0], "反射事件");
    EXPECT_EQ(s.eventTypeNames[1], "非反射事件");
    EXPECT_EQ(s.eventTypeNames[2], "光纤末端");
}

Settings customSettings() {
    Settings s;
    s.fiberId = "FIBRE";
    s.cableId = "CABLE";
    s.cableCode = "CODE";
    s.start = "START";
    s.end = "END";
    s.dataFlag = "RC";
    s.operatorName = "OP";
    s.comment = "NOTE";
    s.threshold = "0.2";
    s.refractiveIndex = "1.46500";
    return s;
}

TEST(WorkspaceStartup, SettingsFeedBothSlotsWithTheKeySwap) {
    Workspace ws(customSettings());
    for (const TraceSlot& slot : ws.state().slots) {
        const GenParams& g = slot.record.genParams;
        EXPECT_EQ(g.fiberId, "FIBRE");  // key "Editbs"
        EXPECT_EQ(g.cableId, "CABLE");  // key "Editxbs"
        EXPECT_EQ(g.cableCode, "CODE");
        EXPECT_EQ(g.originatingLocation, "START");
        EXPECT_EQ(g.terminatingLocation, "END");
        EXPECT_EQ(g.dataFlag, "RC");
        EXPECT_EQ(g.operatorName, "OP");
        EXPECT_EQ(g.comment, "NOTE");
    }
    EXPECT_FLOAT_EQ(ws.state().eventThreshold, 0.2f);
    EXPECT_FLOAT_EQ(ws.state().params.refractiveIndex, 1.465f);
    // The dialog's box "Editbs" shows the cable identifier.
    EXPECT_EQ(ws.state().fibreDialog.editbs, "CABLE");
    EXPECT_EQ(ws.state().fibreDialog.editxbs, "FIBRE");
}

TEST(WorkspaceStartup, NumbersThatAreNotNumbersGiveTheDefaults) {
    Settings s;
    s.threshold = "abc";
    s.refractiveIndex = "1,47";
    Workspace ws(s);
    EXPECT_FLOAT_EQ(ws.state().eventThreshold, 0.05f);
    EXPECT_FLOAT_EQ(ws.state().params.refractiveIndex, 1.472f);
    // A number is used unchanged, even outside the range the spacing accepts.
    s.refractiveIndex = "5";
    Workspace ws2(s);
    EXPECT_FLOAT_EQ(ws2.state().params.refractiveIndex, 5.0f);
}

TEST(WorkspaceClose, WritesTheActiveSlotsTextsAndTheDialogTexts) {
    Workspace ws(customSettings());
    GenParams& g1 = ws.state().slots[1].record.genParams;
    g1.fiberId = "F-two";
    g1.cableId = "C-two";
    ws.state().activeTrace = 1;
    ws.state().fibreDialog.editet = "0.3";
    ws.state().fibreDialog.editIor = "1.46000";
    const Settings out = ws.settingsForClose();
    EXPECT_EQ(out.fiberId, "F-two");
    EXPECT_EQ(out.cableId, "C-two");
    EXPECT_EQ(out.cableCode, "CODE");
    EXPECT_EQ(out.threshold, "0.3");
    EXPECT_EQ(out.refractiveIndex, "1.46000");
}

TEST(WorkspaceClose, RefractiveIndexFromSettingsSurvivesARunWithoutATrace) {
    Settings s;
    s.refractiveIndex = "1.46500";
    Workspace ws(s);
    EXPECT_EQ(ws.settingsForClose().refractiveIndex, "1.46500");
    EXPECT_EQ(ws.settingsForClose().threshold, "0.05");
}

TEST(WorkspaceStartup, ControlsStartAsTheCommandTableSays) {
    Workspace ws(Settings{});
    const Controls& c = ws.state().controls;
    for (const ComponentDef& d : commandComponents()) {
        EXPECT_EQ(c.get(d.name).enabled, d.enabledAtStart) << d.name;
        EXPECT_EQ(c.get(d.name).text, d.text) << d.name;
    }
    EXPECT_FALSE(c.get("TB_SaveAs").enabled);
    EXPECT_TRUE(c.get("MF_PrintView").enabled);
    EXPECT_FALSE(c.get("MTrace").enabled);
    EXPECT_TRUE(c.get("MOT_TI_Loss").checked);
    EXPECT_TRUE(c.get("RB_Trace1").checked);
    EXPECT_FALSE(c.get("Label13").visible);
    EXPECT_FALSE(c.get("Label14").visible);
    EXPECT_FALSE(c.get("PL_EditEvent").visible);
    EXPECT_FALSE(c.get("Event_List").enabled);
    EXPECT_TRUE(c.get("Label9").visible);
    EXPECT_FALSE(c.get("LB_Ref").visible);
    EXPECT_FALSE(ws.grid().enabled);
    EXPECT_EQ(ws.grid().rowCount, 200);
}

}  // namespace
}  // namespace otdr
