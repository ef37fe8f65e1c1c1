// Importing other instruments' traces into the instrument's own layout: the grid, the
// levels, the carried parameters, and that the window then finds the fibre's events.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "sr4731/import.h"
#include "sr4731_support.h"
#include "test_support.h"
#include "trace/zt_format.h"
#include "util/gbk.h"
#include "util/text.h"
#include "workspace/foreign_files.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

using namespace sr4731;

ImportOptions options(ImportFormat format, std::optional<int> range = {}, std::size_t trace = 0) {
    ImportOptions o;
    o.format = format;
    o.rangeIndex = range;
    o.trace = trace;
    return o;
}

TEST(Sr4731Resample, LinearInDistanceHeldPastTheEnd) {
    // Four points 2 m apart falling 1 dB each, onto a 0.5 m grid.
    const std::vector<double> levels{0.0, -1.0, -2.0, -3.0};
    const Resampled r = resampleLevels(levels, 2.0, 0.5, 47000);
    EXPECT_EQ(r.anchorCounts, 47000);
    EXPECT_EQ(r.samples[0], 47000);
    EXPECT_EQ(r.samples[1], 46750);  // a quarter of the way to the next point
    EXPECT_EQ(r.samples[4], 46000);
    EXPECT_EQ(r.samples[12], 44000);  // the last point
    EXPECT_EQ(r.samples[13], 44000);
    EXPECT_EQ(r.samples[32767], 44000);
    EXPECT_EQ(r.held, 32768u - 13u);
    EXPECT_EQ(r.clipped, 0u);
}

TEST(Sr4731Resample, AnchorMakesRoomForTheDynamicRange) {
    const Resampled deep = resampleLevels({-1.0, -51.0}, 1.0, 1.0, 29000);
    EXPECT_EQ(deep.anchorCounts, 50000);  // 50 dB of range need more than 29000 counts
    EXPECT_EQ(deep.samples[0], 50000);
    EXPECT_EQ(deep.samples[1], 0);
    const Resampled huge = resampleLevels({0.0, -70.0}, 1.0, 1.0, 29000);
    EXPECT_EQ(huge.anchorCounts, 65535);
    EXPECT_EQ(huge.samples[1], 0);
    EXPECT_EQ(huge.clipped, 32767u);
    // Any depth clips alike, however far below the scale.
    const Resampled abyss = resampleLevels({0.0, -1e300}, 1.0, 1.0, 29000);
    EXPECT_EQ(abyss.samples[0], 65535);
    EXPECT_EQ(abyss.samples[1], 0);
    EXPECT_EQ(abyss.clipped, 32767u);
}

class Sr4731Import : public ::testing::Test {
  protected:
    // Writes the imported file and opens and analyses it as the window does.
    void openAndAnalyse(const ImportResult& r, const std::string& name) {
        const std::string path = dir.file(name);
        test::writeBytes(path, r.file);
        ASSERT_TRUE(ws.openTrace(path)) << (prompter.errors.empty() ? "" : prompter.errors[0]);
        ws.analyse();
    }
    test::TempDir dir;
    test::FixedClock clock;
    RecordingPrompter prompter;
    Workspace ws{Settings{}, &prompter, &clock};
};

TEST_F(Sr4731Import, SixtyKmFibreGivesTheEventsAtTheirDistances) {
    const ForeignTrace foreign = makeForeignTrace(test::sixtyKmFibre());
    const Document doc = test::decodeOk(encode(foreign.doc));
    for (ImportFormat format : {ImportFormat::Sor, ImportFormat::Zt}) {
        auto r = importTrace(doc, options(format));
        ASSERT_TRUE(r.ok()) << r.error().message;
        EXPECT_EQ(r.value().rangeIndex, 8);  // 64 km reaches 66.9 km, the trace 71.5 km
        openAndAnalyse(r.value(), format == ImportFormat::Sor ? "in.sor" : "in.zt");
        const WorkspaceState& st = ws.state();
        EXPECT_EQ(st.params.sampleSpacing, r.value().sampleSpacing);
        EXPECT_EQ(st.controls.text("E_Wave"), "1550 nm");
        EXPECT_EQ(st.params.pulseWidthNs, 1280);
        const EventTable& t = st.active().events;
        const auto& truth = foreign.truth.truth;
        ASSERT_EQ(t.count(), static_cast<int>(truth.size()));
        // As on the simulator's own traces: steps within the first third of the pulse
        // (20 samples), reflections at their foot.
        for (int i = 1; i <= t.count(); ++i) {
            const sim::SimTruthEvent& e = truth[static_cast<std::size_t>(i - 1)];
            const double km = std::atof(st.eventText[kColDistance][i - 1].c_str());
            EXPECT_NEAR(km, e.km, (e.reflective ? 4 : 20) * r.value().sampleSpacing / 1000.0)
                << "event " << i;
        }
    }
}

TEST_F(Sr4731Import, RangeIsTheSmallestThatCoversUnlessAsked) {
    Document d = typicalDocument(2, 30000);  // 30000 points of 0.204 m: 6.1 km
    auto chosen = importTrace(d, {});
    ASSERT_TRUE(chosen.ok());
    EXPECT_EQ(chosen.value().rangeIndex, 4);  // 8 km; 4 km reaches only 4.2 km
    EXPECT_TRUE(chosen.value().rangeChosen);
    auto asked = importTrace(d, options(ImportFormat::Sor, 2));
    ASSERT_TRUE(asked.ok());
    EXPECT_EQ(asked.value().rangeIndex, 2);
    EXPECT_NE(asked.value().changes[1].find("the trace is cut at"), std::string::npos);
    EXPECT_FALSE(importTrace(d, options(ImportFormat::Sor, {}, 1)).ok());
    d.data.reset();
    EXPECT_FALSE(importTrace(d, {}).ok());
}

TEST_F(Sr4731Import, ParametersAndTextsAreCarriedOver) {
    Document d = typicalDocument(2, 20000);
    d.fixed->actualWavelength = 13000;  // 1300 nm: a SOR file keeps it, ZT has only 1310
    d.fixed->pulses[0].widthNs = 100;
    d.fixed->averages = 9000;
    d.general->languageCode = "RU";
    d.general->cableId = "\xCA\xE0\xE1\xE5\xEB\xFC";  // Кабель in Windows-1251
    d.general->operatorName = std::string(40, 'x');   // longer than 30 bytes
    auto sor = importTrace(d, {});
    ASSERT_TRUE(sor.ok());
    EXPECT_EQ(sor.value().waveText, "1300 nm");
    openAndAnalyse(sor.value(), "p.sor");
    const WorkspaceState& st = ws.state();
    const GenParams& g = st.active().record.genParams;
    EXPECT_EQ(gbkToUtf8(g.cableId), "Кабель");
    EXPECT_EQ(g.operatorName, std::string(30, 'x'));
    EXPECT_EQ(g.comment, "acceptance");
    EXPECT_EQ(st.params.pulseWidthNs, 100);
    EXPECT_FLOAT_EQ(st.params.refractiveIndex, 1.468f);
    EXPECT_EQ(st.active().record.dateText.substr(0, 4), "2024");
    auto zt = importTrace(d, options(ImportFormat::Zt));
    ASSERT_TRUE(zt.ok());
    EXPECT_EQ(zt.value().waveText, "1310 nm");
    openAndAnalyse(zt.value(), "p.zt");
    EXPECT_EQ(ws.state().params.averageCount, 9000);
}

TEST_F(Sr4731Import, RangeByNominalLengthWithTheRangesOwnSpacing) {
    const ForeignTrace foreign = makeForeignTrace(test::twoAndAHalfKmTrace());
    auto r = importTrace(foreign.doc, {});
    ASSERT_TRUE(r.ok());
    // 500 m, 1 km and 2 km do not cover the trace's 2.501 km, although 500 m's samples would.
    EXPECT_EQ(r.value().rangeIndex, 3);
    EXPECT_EQ(r.value().sampleSpacing, computeSampleSpacing(3, 1.0f, 1.4682f));
    EXPECT_EQ(
        r.value().changes[0],
        "range 4 km (index 3), the smallest whose nominal length covers the trace's 2.501 km");
    openAndAnalyse(r.value(), "n.sor");
    // The fibre's end is found where it is, not at the edge of a too short range.
    const EventTable& t = ws.state().active().events;
    ASSERT_GE(t.count(), 2);
    EXPECT_NEAR(std::atof(ws.state().eventText[kColDistance][t.count() - 1].c_str()), 2.2, 0.01);
}

TEST_F(Sr4731Import, ZtKeepsTheFilesEventsAndItsCyrillicTexts) {
    ForeignTrace foreign = makeForeignTrace(test::twoAndAHalfKmTrace());
    foreign.doc.general->languageCode = "EN";
    foreign.doc.general->operatorName = "\xC0\xCD\xC4\xD0\xDE\xCA\xCE\xC2 \xC0.\xC2.";
    auto r = importTrace(foreign.doc, options(ImportFormat::Zt));
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.value().eventsWritten);
    EXPECT_EQ(r.value().events.written, 3);
    EXPECT_NE(std::find(r.value().changes.begin(), r.value().changes.end(),
                        "3 of the file's 3 events written to the event table"),
              r.value().changes.end());
    const std::string path = dir.file("e.zt");
    test::writeBytes(path, r.value().file);
    auto zt = readZt(r.value().file);
    ASSERT_TRUE(zt.ok());
    EXPECT_EQ(trimmed(gbkToUtf8(zt.value()->texts.operatorName)), "АНДРЮКОВ А.В.");
    ASSERT_EQ(zt.value()->events.size(), 3u);
    EXPECT_EQ(zt.value()->events[0].code, "1F9999");
    EXPECT_EQ(zt.value()->events[1].code, "0F9999");
    EXPECT_EQ(zt.value()->events[2].code, "2E9999");
    auto back = storedEventsOfFile(path);
    ASSERT_TRUE(back.ok());
    const std::vector<FoundEvent> stored = storedEventsOf(foreign.doc);
    ASSERT_EQ(back.value().size(), stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_NEAR(back.value()[i].distanceM, stored[i].distanceM, r.value().sampleSpacing);
        EXPECT_EQ(back.value()[i].kind, stored[i].kind);
    }
    // Into SOR they are not written, and the output says so.
    auto sor = importTrace(foreign.doc, {});
    EXPECT_FALSE(sor.value().eventsWritten);
    EXPECT_EQ(sor.value().events.written, 3);
}

}  // namespace
}  // namespace otdr
