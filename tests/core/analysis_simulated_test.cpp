// The analyse command on simulated traces whose events are known, and on every bundled sample.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "sim/simulator.h"
#include "test_support.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

class SimulatedAnalysis : public ::testing::Test {
  protected:
    // Writes the trace as a SOR file and opens it as the window does, then analyses it.
    void openAndAnalyse(const sim::SimResult& r) {
        const std::string path = dir.file("trace.sor");
        ASSERT_TRUE(sim::writeTraceFile(r, path));
        ASSERT_TRUE(ws.openTrace(path));
        ws.analyse();
    }
    const EventTable& events() const { return ws.state().active().events; }

    test::TempDir dir;
    test::FixedClock clock;
    RecordingPrompter prompter;
    Workspace ws{Settings{}, &prompter, &clock};
};

TEST_F(SimulatedAnalysis, LongRangeTraceGivesTheKnownEventsWithTheFibreEndLast) {
    sim::SimConfig c;
    c.rangeIndex = 7;
    c.pulseWidthNs = 1280;
    c.wavelengthNm = 1550;
    c.fibreLengthKm = 52;
    c.events = {{9.0, 0.15}, {20.0, 0.4}, {31.5, 0.5, true, -45}, {43.0, 0.25}};
    c.seed = 21;
    const sim::SimResult r = sim::simulate(c);
    openAndAnalyse(r);
    ASSERT_EQ(events().count(), static_cast<int>(r.truth.size()));
    // A step loss spreads over the pulse (64 samples here); the detector places it within the
    // first third of that ramp. Reflections are found at their foot.
    for (int i = 1; i <= events().count(); ++i) {
        const sim::SimTruthEvent& t = r.truth[static_cast<std::size_t>(i - 1)];
        EXPECT_NEAR(events().position(i), t.sample, t.reflective ? 4 : 20) << "event " << i;
        if (i < events().count()) {
            EXPECT_EQ(events().reflective(i), t.reflective) << "event " << i;
        }
    }
    const EventText& text = ws.state().eventText;
    const int n = events().count();
    EXPECT_EQ(ws.grid().cell(1, n), "光纤末端");
    // Splice losses within a few hundredths of a dB, the reflectance as asked.
    EXPECT_NEAR(std::atof(text[kColSpliceLoss][0].c_str()), 0.15, 0.03);
    EXPECT_NEAR(std::atof(text[kColSpliceLoss][1].c_str()), 0.40, 0.03);
    EXPECT_NEAR(std::atof(text[kColSpliceLoss][3].c_str()), 0.25, 0.03);
    EXPECT_NEAR(std::atof(text[kColReturnLoss][2].c_str()), 45.0, 0.2);
    EXPECT_EQ(text[kColAverageLoss][1], " 0.190");
    EXPECT_TRUE(prompter.errors.empty());
}

TEST_F(SimulatedAnalysis, EveryBundledSampleAnalysesIntoAPlausibleTable) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(OTDR_SAMPLES_DIR)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".sor" && ext != ".zt") continue;
        ++files;
        Workspace w(Settings{}, &prompter, &clock);
        ASSERT_TRUE(w.openTrace(entry.path().string())) << entry.path();
        w.analyse();
        const EventTable& t = w.state().active().events;
        ASSERT_GE(t.count(), 2) << entry.path();
        for (int i = 2; i <= t.count(); ++i)
            EXPECT_GT(t.position(i), t.position(i - 1)) << entry.path();
        EXPECT_EQ(w.grid().cell(1, t.count()), "光纤末端") << entry.path();
        EXPECT_EQ(w.grid().rowCount, t.count() + 1) << entry.path();
    }
    EXPECT_GE(files, 5);
}

}  // namespace
}  // namespace otdr
