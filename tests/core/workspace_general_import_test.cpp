// The general analysis of an imported trace in the window's workspace: the analyse command
// runs it on the file's own points, and its events live in the slot as the file's own do.

#include <gtest/gtest.h>

#include <cstdlib>

#include "analysis/conditioning.h"
#include "analysis/event_texts.h"
#include "analysis/general/general_analysis.h"
#include "analysis/measurement.h"
#include "sr4731/general_input.h"
#include "sr4731_support.h"
#include "test_support.h"
#include "trace_files_support.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

class GeneralImport : public ::testing::Test {
  protected:
    void write(const sr4731::Document& doc) {
        decoded = test::decodeOk(sr4731::encode(doc));
        test::writeBytes(foreign, sr4731::encode(doc));
    }
    void SetUp() override { write(sr4731::makeForeignTrace(test::twoAndAHalfKmTrace()).doc); }
    const WorkspaceState& st() const { return ws.state(); }
    std::vector<std::string> distanceCells() const {
        std::vector<std::string> cells;
        for (int r = 1; r <= st().active().events.count(); ++r)
            cells.push_back(ws.grid().cell(2, r));
        return cells;
    }

    test::TempDir dir;
    std::string foreign = dir.file("maker.sor");
    sr4731::Document decoded;
    Workspace ws{Settings{}};
};

TEST_F(GeneralImport, TheAnalyseCommandAnalysesAnImportedTraceAtItsOwnResolution) {
    ASSERT_TRUE(ws.importForeignTrace(foreign));
    ws.analyseCommand();
    const TraceSlot& slot = st().active();
    EXPECT_EQ(slot.eventSource, EventSource::General);
    EXPECT_EQ(slot.analysisDone, 1);

    // The events are those of the file's 15670 points of 0.16 m, not of the 32768 samples.
    const sr4731::AnalysisTrace trace = sr4731::analysisTraceOf(decoded).value();
    ASSERT_EQ(trace.levelsDb.size(), 15670u);
    const auto found = general::findEvents(sr4731::generalInputOf(trace, trace.groupIndex));
    ASSERT_EQ(found.size(), 3u);
    ASSERT_EQ(slot.events.count(), 3);
    for (int r = 1; r <= 3; ++r)
        EXPECT_EQ(ws.grid().cell(2, r),
                  cellNumber("%8.4f", found[static_cast<std::size_t>(r - 1)].distanceM / 1000.0));
    EXPECT_EQ(ws.grid().cell(1, 3), "光纤末端");
    EXPECT_NEAR(std::atof(ws.grid().cell(2, 2).c_str()), 1.6, 0.005);

    // A trace of the instrument's own gets the instrument's analysis.
    const std::string native = dir.file("native.sor");
    test::writeBytes(native, test::makeSor(test::rampSamples(), test::sorParams(3)));
    ws.selectTrace(1);
    ASSERT_TRUE(ws.openTrace(native));
    ws.analyseCommand();
    EXPECT_EQ(st().active().eventSource, EventSource::Instrument);
    const EventTable byCommand = st().active().events;
    ws.analyse();
    EXPECT_EQ(st().active().events.words, byCommand.words);
}

TEST_F(GeneralImport, ItsEventsKeepTheirCellsAsTheFilesOwnDo) {
    ASSERT_TRUE(ws.importForeignTrace(foreign));
    ws.analyseGeneral();
    const auto cells = distanceCells();
    const int position = st().active().events.position(2);

    // Another slot active and back: the cells come back as they were.
    ws.selectTrace(1);
    EXPECT_EQ(ws.grid().cell(0, 1), "");
    ws.selectTrace(0);
    EXPECT_EQ(distanceCells(), cells);

    // A new index: the events stay on their samples, their distances follow; a new threshold
    // leaves them as they are.
    ws.fillFibreDialog();
    ws.state().fibreDialog.editIor = "1.50000";
    ws.state().fibreDialog.editet = "0.5";
    ws.confirmFibreDialog();
    EXPECT_EQ(st().active().events.position(2), position);
    EXPECT_EQ(ws.grid().cell(2, 2),
              cellNumber("%8.4f", std::atof(cells[1].c_str()) * 1.4682 / 1.5));
    EXPECT_EQ(st().active().events.count(), static_cast<int>(cells.size()));

    // An event added by hand is measured; the others keep their cells.
    const std::string splice = ws.grid().cell(4, 2);
    ws.state().grid.selectedRow = 1;
    ws.openAddEventPanel();
    ws.controls()["Comb_type"].index = 1;
    ws.controls()["ME_Dis"].text = "0.5";
    ws.confirmEventPanel();
    ASSERT_EQ(st().active().events.count(), static_cast<int>(cells.size()) + 1);
    EXPECT_EQ(ws.grid().cell(2, 1), "  0.5000");
    EXPECT_EQ(ws.grid().cell(4, 3), splice);
}

TEST_F(GeneralImport, AnEditMeasuresWithTheTraceAndParametersTheEventsWereShownWith) {
    ASSERT_TRUE(ws.importForeignTrace(foreign));
    ws.analyseGeneral();
    const SampleArray samples = st().active().samples;
    const TestParameters shown = st().params;
    // The work signals an analysis of that trace with those parameters starts from.
    AnalysisWork expected;
    EventTable events, reflective;
    std::uint16_t peak = 0;
    conditionTrace(samples, shown, expected, events, reflective, peak);
    buildStepSignals(expected);
    expected.eventWidth =
        computeEventWidth(shown.pulseWidthNs, shown.rangeIndex, shown.sampleSpacing);

    // A new index changes the sample spacing before the edit.
    ws.fillFibreDialog();
    ws.state().fibreDialog.editIor = "1.50000";
    ws.confirmFibreDialog();
    ASSERT_NE(st().params.sampleSpacing, shown.sampleSpacing);
    ws.state().grid.selectedRow = 1;
    ws.openAddEventPanel();
    ws.controls()["Comb_type"].index = 1;
    ws.controls()["ME_Dis"].text = "0.5";
    ws.confirmEventPanel();

    const AnalysisWork& w = st().work;
    EXPECT_EQ(w.workTrace, expected.workTrace);
    EXPECT_EQ(w.stepSignal, expected.stepSignal);
    EXPECT_EQ(w.stepClass, expected.stepClass);
    EXPECT_EQ(w.signalEndIndex, expected.signalEndIndex);
    EXPECT_EQ(w.scanLimit, expected.scanLimit);
    EXPECT_EQ(w.slopeBaseline, expected.slopeBaseline);
    EXPECT_EQ(w.eventWidth, expected.eventWidth);
    EXPECT_EQ(st().active().peakLevel, peak);
}

TEST_F(GeneralImport, TheFilesLossThresholdHoldsUntilTheUserChangesTheEventThreshold) {
    sr4731::Document doc = sr4731::makeForeignTrace(test::twoAndAHalfKmTrace()).doc;
    doc.fixed->lossThreshold = 300;  // 0.3 dB: the 0.2 dB splice at 1.6 km is below it
    write(doc);
    ASSERT_TRUE(ws.importForeignTrace(foreign));
    ws.analyseCommand();
    EXPECT_EQ(st().active().events.count(), 2);

    // Confirming the dialog with the threshold as it was changes nothing.
    ws.fillFibreDialog();
    ws.confirmFibreDialog();
    ws.analyseCommand();
    EXPECT_EQ(st().active().events.count(), 2);

    ws.fillFibreDialog();
    ws.state().fibreDialog.editet = "0.1";
    ws.confirmFibreDialog();
    ws.analyseCommand();
    EXPECT_EQ(st().active().events.count(), 3);
}

}  // namespace
}  // namespace otdr
