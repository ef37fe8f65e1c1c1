// Another instrument's file in the window's workspace: the offer after the open command's
// refusal, the imported slot with the file's own events, and what works on it afterwards.

#include <gtest/gtest.h>

#include <cstdlib>

#include "report/report_content.h"
#include "sr4731_support.h"
#include "test_support.h"
#include "trace/zt_format.h"
#include "trace_files_support.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

class WorkspaceImport : public ::testing::Test {
  protected:
    void SetUp() override {
        sr4731::ForeignTrace t = sr4731::makeForeignTrace(test::twoAndAHalfKmTrace());
        t.doc.keyEvents->events.insert(t.doc.keyEvents->events.begin(), sr4731::KeyEvent{});
        t.doc.keyEvents->events.front().propagationTime = -750;  // before the trace
        foreign = dir.file("other maker.sor");
        test::writeBytes(foreign, sr4731::encode(t.doc));
    }
    const WorkspaceState& st() const { return ws.state(); }
    double km(int row) const {
        return std::atof(st().eventText[kColDistance][static_cast<std::size_t>(row - 1)].c_str());
    }

    test::TempDir dir;
    std::string foreign;
    test::FixedClock clock;
    RecordingPrompter prompter;
    Workspace ws{Settings{}, &prompter, &clock};
};

TEST_F(WorkspaceImport, RefusalFirstThenTheOfferNamingMakerAndInstrument) {
    prompter.importAnswer = false;
    EXPECT_FALSE(ws.openOrImport(foreign, Workspace::ForeignFiles::Offer));
    ASSERT_EQ(prompter.errors, std::vector<std::string>{kNotTraceFileMessage});
    ASSERT_EQ(prompter.offers.size(), 1u);
    EXPECT_EQ(prompter.offers[0],
              "此文件由其他仪器写成：\n厂家：Acme Optics\n仪器：OT-9000\n\n要导入此文件吗？");
    EXPECT_EQ(st().active().loaded, 0);

    // Native files, and refusals other than "not the instrument's", are never offered.
    const std::string native = dir.file("native.sor");
    test::writeBytes(native, test::makeSor(test::rampSamples(), test::sorParams(5)));
    EXPECT_TRUE(ws.openOrImport(native, Workspace::ForeignFiles::Offer));
    ws.selectTrace(1);
    EXPECT_FALSE(ws.openOrImport(dir.file("missing.sor"), Workspace::ForeignFiles::Offer));
    EXPECT_EQ(prompter.offers.size(), 1u);
}

TEST_F(WorkspaceImport, ImportedSlotShowsTheFilesEventsUntilAnalysed) {
    ASSERT_TRUE(ws.openOrImport(foreign, Workspace::ForeignFiles::Offer));
    const TraceSlot& slot = st().active();
    EXPECT_EQ(st().controls.text("LB_OtdrTitle"), foreign + "（导入）");
    EXPECT_EQ(slot.importedFrom, foreign);
    EXPECT_EQ(st().params.rangeIndex, 3);
    EXPECT_EQ(slot.analysisDone, 0);
    ASSERT_EQ(slot.events.count(), 3);
    EXPECT_EQ(st().grid.cell(1, 1), "反射事件");
    EXPECT_EQ(st().grid.cell(2, 1), "  1.0099");
    EXPECT_EQ(st().grid.cell(5, 1), "  44.000");
    EXPECT_EQ(st().grid.cell(1, 3), "光纤末端");
    EXPECT_TRUE(st().grid.enabled);
    EXPECT_TRUE(st().controls.get("B_AddEvent").enabled);
    EXPECT_EQ(st().scene.series(SeriesId::Event).points.size(), 3u);
    // The event before the start of the trace was named and left out.
    ASSERT_EQ(prompter.notes.size(), 1u);
    EXPECT_EQ(prompter.notes[0],
              "文件中的下列事件未列入事件表：\n事件1（-0.0153 km）：不在测试量程内");

    // A view change keeps the marks; the analysis replaces the file's events with its own.
    ws.expandHorizontal();
    EXPECT_FALSE(st().scene.series(SeriesId::Event).points.empty());
    ws.analyse();
    EXPECT_EQ(st().active().eventSource, EventSource::Instrument);
    EXPECT_EQ(st().active().analysisDone, 1);
    ASSERT_GE(st().active().events.count(), 3);
    EXPECT_NEAR(km(1), 1.0099, 0.002);
}

TEST_F(WorkspaceImport, TheFilesEventsSurviveASwitchToTheOtherSlot) {
    ASSERT_TRUE(ws.importForeignTrace(foreign));
    const std::string cell = st().eventText[kColLinkLoss][1];
    ws.selectTrace(1);
    EXPECT_EQ(st().grid.cell(0, 1), "");
    const std::string native = dir.file("other.sor");
    test::writeBytes(native, test::makeSor(test::rampSamples(), test::sorParams(3)));
    ASSERT_TRUE(ws.openTrace(native));
    ws.analyse();
    ws.selectTrace(0);
    EXPECT_EQ(st().grid.cell(2, 1), "  1.0099");
    EXPECT_EQ(st().eventText[kColLinkLoss][1], cell);
    // Overlay: the second trace is on the chart with the first.
    EXPECT_FALSE(st().scene.series(SeriesId::Wave1).points.empty());
}

TEST_F(WorkspaceImport, EventsAreEditedAndReportedAsOnANativeTrace) {
    ASSERT_TRUE(ws.importForeignTrace(foreign));
    // Adding an event at 0.5 km measures it; the file's rows keep their cells.
    ws.state().grid.selectedRow = 1;
    ws.openAddEventPanel();
    ws.controls()["Comb_type"].index = 1;
    ws.controls()["ME_Dis"].text = "0.5";
    ws.confirmEventPanel();
    EXPECT_TRUE(prompter.errors.empty());
    ASSERT_EQ(st().active().events.count(), 4);
    EXPECT_EQ(st().eventText[kColDistance][0], "  0.5000");
    EXPECT_EQ(st().eventText[kColAverageLoss][0], " 0.190");
    EXPECT_EQ(st().eventText[kColReturnLoss][1], "  44.000");
    ws.deleteEvent();
    EXPECT_EQ(st().active().events.count(), 3);
    // The report names the source file as imported and lists the file's events.
    bool named = false, listed = false;
    for (const DocOp& op : buildReportOperations(st(), ReportFlags{}, 96)) {
        named |= op.text.find("other maker.sor（导入）") != std::string::npos;
        for (const auto& row : op.table.rows)
            for (const std::string& cell : row) listed |= cell.find("1.0099") != std::string::npos;
    }
    EXPECT_TRUE(named);
    EXPECT_TRUE(listed);
}

TEST_F(WorkspaceImport, ANewRefractiveIndexMovesTheFilesEventsWithTheSamples) {
    ASSERT_TRUE(ws.importForeignTrace(foreign));
    const int position = st().active().events.position(1);
    ws.fillFibreDialog();
    ws.state().fibreDialog.editIor = "1.50000";
    ws.confirmFibreDialog();
    EXPECT_EQ(st().active().events.position(1), position);
    EXPECT_EQ(st().grid.cell(2, 1), "  0.9885");  // 1.0099 km x 1.4682 / 1.5
    EXPECT_EQ(st().grid.cell(4, 2), "   0.200");  // the maker's values stay
}

TEST_F(WorkspaceImport, SavingNeverWritesOverTheSourceAndSuggestsTheInstrumentsFile) {
    ASSERT_TRUE(ws.importForeignTrace(foreign));
    EXPECT_EQ(ws.saveSuggestion(), dir.file("other maker.zt"));
    const Bytes before = readWholeFile(foreign).value();
    EXPECT_EQ(ws.saveAs(foreign, SaveFormat::Sor), SaveOutcome::Failed);
    EXPECT_EQ(prompter.errors.back(), kOverwriteSourceMessage);
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(readWholeFile(foreign).value(), before);
    // Saved as ZT, the file's events go into its event records.
    ASSERT_EQ(ws.saveAs(ws.saveSuggestion(), SaveFormat::Zt), SaveOutcome::Saved);
    auto zt = readZt(readWholeFile(dir.file("other maker.zt")).value());
    ASSERT_TRUE(zt.ok());
    ASSERT_EQ(zt.value()->events.size(), 3u);
    EXPECT_EQ(zt.value()->events[0].distance, 10099);
    // A native trace has no suggestion.
    ws.selectTrace(1);
    EXPECT_EQ(ws.saveSuggestion(), "");
}

}  // namespace
}  // namespace otdr
