// otdr events on other instruments' files: analysed through the import in memory, their own
// events listed with --stored before and after an import to ZT, and the numeric JSON keys.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sr4731_support.h"
#include "test_support.h"
#include "trace_files_support.h"

namespace otdr {
namespace {

class ForeignEventsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        sr4731::ForeignTrace t = sr4731::makeForeignTrace(test::twoAndAHalfKmTrace());
        t.doc.general->languageCode = "EN";
        t.doc.general->operatorName = "\xC0\xCD\xC4\xD0\xDE\xCA\xCE\xC2 \xC0.\xC2.";
        t.doc.keyEvents->events.insert(t.doc.keyEvents->events.begin(), sr4731::KeyEvent{});
        t.doc.keyEvents->events.front().propagationTime = -750;
        t.doc.keyEvents->events.front().code = "1F9999";
        t.doc.keyEvents->summary.lossStart = -2237000;
        test::writeBytes(foreign, sr4731::encode(t.doc));
    }
    nlohmann::json eventsJson(const std::string& args) {
        const test::CliResult r = test::runCli("events --json " + args);
        EXPECT_EQ(r.status, 0) << args;
        return nlohmann::json::parse(r.out)["events"];
    }
    test::TempDir dir;
    std::string foreign = dir.file("maker.sor");
};

TEST_F(ForeignEventsCli, AnalysedInMemoryWithoutWritingAFile) {
    const test::CliResult r = test::runCli("events " + foreign);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(foreign + ": 3 events\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\t  1.009"), std::string::npos) << r.out;
    EXPECT_EQ(test::folderEntries(dir.path()), std::set<std::string>{"maker.sor"});
}

TEST_F(ForeignEventsCli, StoredEventsBeforeAndAfterTheImportToZt) {
    const std::string err = dir.file("err.txt");
    const test::CliResult text = test::runCli("events --stored " + foreign, err);
    ASSERT_EQ(text.status, 0);
    EXPECT_EQ(text.err, "event 1 at -0.0153 km lies outside the range 4 km; left out\n");
    EXPECT_NE(text.out.find("1\t反射事件\t7913\tR\t  1.0099\t 0.190\t   0.350\t  44.000\t"),
              std::string::npos)
        << text.out;
    const nlohmann::json stored = eventsJson("--stored " + foreign);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0]["distance_km"], 1.0099);
    EXPECT_EQ(stored[0]["loss_db"], 0.35);
    EXPECT_EQ(stored[0]["reflectance_db"], -44.0);
    EXPECT_TRUE(stored[1]["reflectance_db"].is_null());
    EXPECT_TRUE(stored[2]["loss_db"].is_null());
    EXPECT_EQ(stored[2]["distance"], "  2.2000");  // the existing keys stay

    const std::string zt = dir.file("imported.zt");
    const test::CliResult imp = test::runCli("import " + foreign + " -o " + zt);
    ASSERT_EQ(imp.status, 0);
    EXPECT_NE(imp.out.find("  3 of the file's 4 events written to the event table\n"
                           "  event 1 at -0.0153 km lies outside the range 4 km; left out\n"),
              std::string::npos)
        << imp.out;
    const nlohmann::json again = eventsJson("--stored " + zt);
    ASSERT_EQ(again.size(), stored.size());
    const double sampleKm = 0.1276e-3;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_NEAR(again[i]["distance_km"].get<double>(), stored[i]["distance_km"].get<double>(),
                    sampleKm);
        EXPECT_EQ(again[i]["type"], stored[i]["type"]);
        EXPECT_LE(std::abs(again[i]["position"].get<int>() - stored[i]["position"].get<int>()), 1);
    }
    EXPECT_EQ(test::runCli("events --stored --ior 1.47 " + zt).status, 2);
}

TEST_F(ForeignEventsCli, TheMethodByTheFileAndPositionsThatCompareWithTheStoredOnes) {
    // Another instrument's file: the general analysis unless asked otherwise.
    const test::CliResult general = test::runCli("events --json --method general " + foreign);
    ASSERT_EQ(general.status, 0);
    EXPECT_EQ(test::runCli("events --json " + foreign).out, general.out);
    EXPECT_EQ(test::runCli("events --method instrument " + foreign).status, 0);
    const nlohmann::json ours = nlohmann::json::parse(general.out)["events"];
    const nlohmann::json stored = eventsJson("--stored " + foreign);
    ASSERT_EQ(ours.size(), 3u);
    for (std::size_t i = 0; i < ours.size(); ++i) {
        EXPECT_LE(std::abs(ours[i]["position"].get<int>() - stored[i]["position"].get<int>()), 40)
            << i;
        EXPECT_EQ(ours[i]["type"], stored[i]["type"]);
    }
    EXPECT_EQ(test::runCli("events --stored --method general " + foreign).status, 2);
    EXPECT_EQ(test::runCli("events --method other " + foreign).status, 2);

    // The instrument's own file: its own analysis unless asked otherwise.
    const std::string native = dir.file("native.sor");
    test::writeBytes(native, test::makeSor(test::rampSamples(), test::sorParams(3)));
    const test::CliResult own = test::runCli("events " + native);
    ASSERT_EQ(own.status, 0);
    EXPECT_EQ(test::runCli("events --method instrument " + native).out, own.out);
    EXPECT_EQ(test::runCli("events --method general " + native).status, 0);
}

TEST_F(ForeignEventsCli, ThresholdGivenReplacesTheFilesLossThreshold) {
    sr4731::ForeignTrace t = sr4731::makeForeignTrace(test::twoAndAHalfKmTrace());
    t.doc.fixed->lossThreshold = 300;  // 0.3 dB: the 0.2 dB splice is below it
    test::writeBytes(foreign, sr4731::encode(t.doc));
    EXPECT_EQ(eventsJson(foreign).size(), 2u);
    // Given, it counts even where it equals the event threshold in force.
    EXPECT_EQ(eventsJson("--threshold 0.05 " + foreign).size(), 3u);
    EXPECT_EQ(eventsJson("--threshold 0.05 --method instrument " + foreign).size(), 3u);
}

TEST_F(ForeignEventsCli, InspectShowsSignedTimesWarningsAndCyrillic) {
    const test::CliResult r = test::runCli("inspect " + foreign);
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("  operator:     АНДРЮКОВ А.В."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("     0      -0.0153"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("warning:        KeyEvents: event 0 at -0.0153 km lies outside the trace"),
              std::string::npos);
    EXPECT_NE(r.out.find("warning:        KeyEvents: end-to-end loss start at -"),
              std::string::npos);
}

}  // namespace
}  // namespace otdr
