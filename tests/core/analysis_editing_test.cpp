// Editing the event table by hand: the edit panel, adding, changing and deleting events.

#include <gtest/gtest.h>

#include "analysis/event_texts.h"
#include "analysis_fixture.h"
#include "util/text.h"

namespace otdr {
namespace {

struct Editing : test::AnalysedWorkspace {
    Controls& c() { return st().controls; }
    void confirmAdd(const std::string& km, int comboIndex = 1) {
        ws->openAddEventPanel();
        c()["Comb_type"].index = comboIndex;
        c().setText("ME_Dis", km);
        ws->confirmEventPanel();
    }
    void confirmEdit(int row, const std::string& km, int comboIndex) {
        st().grid.selectedRow = row;
        ws->openEditEventPanel();
        c()["Comb_type"].index = comboIndex;
        c().setText("ME_Dis", km);
        ws->confirmEventPanel();
    }
    bool panelOpen() { return c().get("PL_EditEvent").visible; }
};

TEST_F(Editing, AddPanelShowsTheNeighboursOfTheSelectedRow) {
    loadAndAnalyse();
    const int n = events().count();
    st().grid.selectedRow = n;
    ws->openAddEventPanel();
    EXPECT_TRUE(panelOpen());
    EXPECT_EQ(st().addingEvent, 1);
    EXPECT_EQ(c().text("GB_Addevent"), "添加事件点");
    EXPECT_EQ(c().get("Comb_type").index, 1);
    EXPECT_EQ(c().text("Ed_BeforeType"), "光纤末端");
    EXPECT_EQ(c().text("Ed_BeforeDis"), gridCell(2, n));
    EXPECT_EQ(c().text("Ed_NextType"), " ");
    EXPECT_EQ(c().text("Ed_Num"), std::to_string(n + 1));
    EXPECT_EQ(c().text("ME_Dis"), " ");
    st().grid.selectedRow = 1;
    ws->openAddEventPanel();
    EXPECT_EQ(c().text("Ed_BeforeType"), " ");
    EXPECT_EQ(c().text("Ed_BeforeDis"), "0");
    EXPECT_EQ(c().text("Ed_NextType"), "非反射事件");
    EXPECT_EQ(c().text("Ed_Num"), "1");
    st().grid.selectedRow = 2;
    ws->openAddEventPanel();
    EXPECT_EQ(c().text("Ed_BeforeType"), "反射事件");
    EXPECT_EQ(c().text("Ed_NextDis"), gridCell(2, 3));
    EXPECT_EQ(c().text("Ed_Num"), "3");
    ws->cancelEventPanel();
    EXPECT_FALSE(panelOpen());
    EXPECT_EQ(st().addingEvent, 0);
}

TEST_F(Editing, AddingToAnEmptyTableMakesTheFibreEnd) {
    ws->analyse();  // nothing found
    load();
    st().grid.selectedRow = 7;
    confirmAdd("   1.2345");
    ASSERT_EQ(events().count(), 1);
    EXPECT_EQ(events().position(1), static_cast<int>(1234.5 / st().params.sampleSpacing));
    EXPECT_FALSE(events().reflective(1));
    EXPECT_EQ(gridCell(1, 1), "光纤末端");
    EXPECT_EQ(gridCell(2, 1), "  1.2345");
    EXPECT_EQ(gridCell(4, 1), "--------");
    EXPECT_EQ(gridCell(5, 1), "--------");
    EXPECT_FALSE(panelOpen());
    EXPECT_EQ(st().addingEvent, 0);
    EXPECT_EQ(st().grid.selectedRow, 1);
    EXPECT_EQ(slot().reflectiveCandidates.words[0], 1);  // the table was copied over
    EXPECT_EQ(st().scene.series(SeriesId::Event).points.size(), 1u);
}

TEST_F(Editing, AddedEventTakesItsPlaceByDistanceAndNeighboursKeepTheirTexts) {
    loadAndAnalyse();
    const auto before = st().eventText;
    confirmAdd(" 25.0000");  // between events 3 (18.4 km) and 4 (28.6 km)
    ASSERT_EQ(events().count(), 7);
    EXPECT_EQ(gridCell(2, 4), " 25.0000");
    EXPECT_EQ(gridCell(1, 4), "非反射事件");
    for (int col = 0; col < 5; ++col) {
        EXPECT_EQ(st().eventText[static_cast<std::size_t>(col)][2],
                  before[static_cast<std::size_t>(col)][2]);
        EXPECT_EQ(st().eventText[static_cast<std::size_t>(col)][4],
                  before[static_cast<std::size_t>(col)][3]);
    }
    // A plain fibre section: no splice to speak of, the fibre's own loss.
    EXPECT_NEAR(std::stod(gridCell(4, 4)), 0.0, 0.02);
    EXPECT_EQ(gridCell(3, 4), " 0.200");
    // Link loss from the fibre start (sample 224): the fibre and the three splices before.
    EXPECT_NEAR(std::stod(gridCell(6, 4)),
                0.2 * (25.0 - 224 * st().params.sampleSpacing * 0.001) + 1.0, 0.05);

    confirmAdd(" 60.0000");  // beyond every event: the new fibre end
    ASSERT_EQ(events().count(), 8);
    EXPECT_EQ(gridCell(1, 8), "光纤末端");
    EXPECT_EQ(gridCell(4, 8), "--------");
    EXPECT_EQ(gridCell(1, 7), "反射事件");  // the old fibre end shows its own type again
}

TEST_F(Editing, AddingAtTheDistanceOfAnEventPutsTheNewOneAfterIt) {
    load();
    st().params.sampleSpacing = 2.0f;  // 10 km is sample 5000 exactly
    ws->analyse();
    for (int i = events().count(); i > 0; --i) events().remove(i);
    confirmAdd(" 12.0000");
    confirmAdd(" 10.0000");
    confirmAdd(" 10.0000", 0);
    ASSERT_EQ(events().count(), 3);
    EXPECT_EQ(events().position(1), 5000);
    EXPECT_FALSE(events().reflective(1));
    EXPECT_EQ(events().position(2), 5000);
    EXPECT_TRUE(events().reflective(2));
    EXPECT_EQ(events().position(3), 6000);
}

TEST_F(Editing, DistanceOutsideTheRangeOrNotANumberIsRefused) {
    loadAndAnalyse();
    const EventTable before = events();
    confirmAdd(" 100.0000");  // 64 km range
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_EQ(prompter.errors[0], "输入事件点的距离应在当前测试量程范围内！");
    EXPECT_TRUE(panelOpen());
    EXPECT_EQ(events().words, before.words);
    c().setText("ME_Dis", "    .    ");  // the untouched mask
    ws->confirmEventPanel();
    ASSERT_EQ(prompter.errors.size(), 2u);
    EXPECT_TRUE(panelOpen());
    EXPECT_EQ(events().words, before.words);
    c().setText("ME_Dis", "  -1.0000");
    ws->confirmEventPanel();
    EXPECT_EQ(prompter.errors.size(), 3u);
    EXPECT_EQ(events().words, before.words);
}

TEST_F(Editing, RangeZeroAcceptsHalfAKilometre) {
    load();
    st().params.rangeIndex = 0;
    st().params.sampleSpacing = computeSampleSpacing(0, 1.0f, 1.4682f);
    ws->analyse();
    for (int i = events().count(); i > 0; --i) events().remove(i);
    confirmAdd("   0.6000");
    EXPECT_EQ(prompter.errors.size(), 1u);
    ws->confirmEventPanel();
    c().setText("ME_Dis", "   0.5000");
    ws->confirmEventPanel();
    EXPECT_EQ(prompter.errors.size(), 2u);
    EXPECT_EQ(events().count(), 1);
}

TEST_F(Editing, AFullTableRefusesAnotherEvent) {
    loadAndAnalyse();
    while (events().count() < kMaxEvents) events().append(30000);
    const EventTable before = events();
    confirmAdd(" 10.0000");
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_EQ(events().words, before.words);
    EXPECT_EQ(events().words[0], kMaxEvents);
}

TEST_F(Editing, LinkLossOfAnEventNearTheStartAndTypedTypes) {
    loadAndAnalyse();
    confirmAdd("   0.0100");
    EXPECT_EQ(gridCell(6, 1), "--------");
    // A type typed by hand (index -1) stores a non-reflective event with a return loss.
    confirmAdd(" 30.0000", -1);
    int row = 0;
    for (int r = 1; r <= events().count(); ++r)
        if (gridCell(2, r) == " 30.0000") row = r;
    ASSERT_GT(row, 0);
    EXPECT_FALSE(events().reflective(row));
    EXPECT_EQ(gridCell(1, row), "非反射事件");
    EXPECT_NE(gridCell(5, row), "--------");
}

TEST_F(Editing, EditKeepsTheRowEvenBeyondTheNextEvent) {
    loadAndAnalyse();
    st().grid.selectedRow = 2;
    ws->openEditEventPanel();
    EXPECT_EQ(c().text("GB_Addevent"), "修改事件点");
    EXPECT_EQ(c().text("Ed_Num"), "2");
    EXPECT_EQ(c().get("Comb_type").index, 0);
    EXPECT_EQ(c().text("ME_Dis"), trimmed(gridCell(2, 2)));
    EXPECT_EQ(c().text("Ed_BeforeType"), "非反射事件");
    EXPECT_EQ(c().text("Ed_NextDis"), gridCell(2, 3));
    const int third = events().position(3);
    confirmEdit(2, " 20.0000", 1);
    EXPECT_EQ(events().position(2), static_cast<int>(20000.0 / st().params.sampleSpacing));
    EXPECT_GT(events().position(2), third);  // out of order now
    EXPECT_EQ(gridCell(2, 2), " 20.0000");
    EXPECT_EQ(gridCell(1, 2), "非反射事件");
    EXPECT_EQ(gridCell(5, 2), "--------");
    EXPECT_EQ(events().count(), 6);
}

TEST_F(Editing, ConfirmingSelectsTheEditedRowOnceAndTheHeaderRowIsNeverSelected) {
    loadAndAnalyse();
    // Zoomed in, with event 4 far right of the view: selecting its row once moves the view
    // 512 samples on and the cursor to the event.
    ViewState& v = st().view;
    v.hZoomIndex = 2;
    v.samplesPerPoint = 4;
    const int first = events().position(4) - 4 * 700;
    v.firstSample = static_cast<std::int16_t>(first);
    confirmEdit(4, trimmed(gridCell(2, 4)), 1);
    EXPECT_EQ(st().grid.selectedRow, 4);
    EXPECT_EQ(v.firstSample, first + 512);
    EXPECT_FLOAT_EQ(v.cursorX, static_cast<float>(events().position(4) - first - 512) / 4.0f);

    // The header row and rows the grid does not have keep the selection where it is.
    ws->selectEventRow(0);
    ws->selectEventRow(st().grid.rowCount);
    EXPECT_EQ(st().grid.selectedRow, 4);
}

TEST_F(Editing, EditingTheFibreEndKeepsTheChosenTypeAndEmptyRowsAreNotEdited) {
    loadAndAnalyse();
    c()["Comb_type"].index = 0;
    st().grid.selectedRow = 6;
    ws->openEditEventPanel();
    EXPECT_EQ(c().get("Comb_type").index, 0);
    EXPECT_EQ(c().text("Ed_BeforeType"), "非反射事件");
    EXPECT_EQ(c().text("Ed_NextType"), " ");
    ws->cancelEventPanel();
    st().grid.selectedRow = 7;  // below the table
    ws->openEditEventPanel();
    EXPECT_FALSE(panelOpen());
}

TEST_F(Editing, DeleteMovesTheLaterRowsUpWithTheirTexts) {
    loadAndAnalyse();
    const auto before = st().eventText;
    const int third = events().position(3);
    st().grid.selectedRow = 2;
    ws->deleteEvent();
    ASSERT_EQ(events().count(), 5);
    EXPECT_EQ(events().position(2), third);
    EXPECT_EQ(gridCell(0, 2), "2");
    EXPECT_EQ(gridCell(2, 2), before[0][2]);
    EXPECT_EQ(gridCell(1, 2), "非反射事件");
    EXPECT_EQ(gridCell(1, 3), "反射事件");
    EXPECT_EQ(gridCell(1, 5), "光纤末端");
    EXPECT_EQ(gridCell(0, 6), "");
    EXPECT_EQ(st().scene.series(SeriesId::Event).points.size(), 5u);
    EXPECT_FLOAT_EQ(st().view.cursorX, third / 64.0f);
    const auto lines = copyLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], "2    非反射事件 " + before[0][2] + "    " + before[1][2] +
                            std::string(11, ' ') + before[2][2] + std::string(13, ' ') +
                            before[3][2] + "      " + before[4][2]);
    EXPECT_EQ(lines[3].rfind("3    反射事件   ", 0), 0u);
    EXPECT_EQ(lines[5].rfind("5    光纤末端   ", 0), 0u);
}

TEST_F(Editing, DeletingBelowTheTableDeletesTheLastEventAndEmptyTablesStayEmpty) {
    loadAndAnalyse();
    ws->deleteEvent();  // selection row 1
    st().grid.selectedRow = 6;
    ws->deleteEvent();  // the last of five
    ASSERT_EQ(events().count(), 4);
    st().grid.selectedRow = 6;  // empty row below the table
    ws->deleteEvent();
    ASSERT_EQ(events().count(), 3);
    // The grid row of the new last event is not rewritten; the copy text calls it the end.
    EXPECT_EQ(gridCell(1, 3), "反射事件");
    EXPECT_EQ(copyLines()[3].rfind("3    光纤末端", 0), 0u);
    while (events().count() > 0) ws->deleteEvent();
    const std::string copy = st().copy.event;
    ws->deleteEvent();
    EXPECT_EQ(events().count(), 0);
    EXPECT_EQ(events().words[0], 0);
    EXPECT_EQ(st().copy.event, copy);
}

}  // namespace
}  // namespace otdr
