// otdr inspect, otdr export and otdr import on generated files of other instruments.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sr4731_support.h"
#include "test_support.h"
#include "trace_files_support.h"
#include "util/numeric.h"

namespace otdr {
namespace {

using namespace sr4731;

class ForeignCli : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const Document& d, const EncodeOptions& o = {}) {
        const std::string path = dir.file(name);
        test::writeBytes(path, encode(d, o));
        return path;
    }
    test::TempDir dir;
};

TEST_F(ForeignCli, InspectJsonGivesBackWhatWasWritten) {
    Document d = typicalDocument(2, 1000);
    d.fixed->actualWavelength = 1310;  // nm instead of 0.1 nm
    d.fixed->pulses[0].points = 999;
    d.general->languageCode = "CH";
    d.general->comment = "\xB9\xE2\xC0\xC2";  // 光缆 in GBK
    d.blocks.insert(d.blocks.begin() + 2, BlockEntry{"NetTestTSI ", 210, 0, 0});
    d.others.push_back(OtherBlock{"NetTestTSI ", 210, Bytes(9, 7)});
    const std::string path =
        write("a.sor", d, test::convention(ChecksumConvention::XmodemBeforeField));
    const test::CliResult r = test::runCli("inspect --json " + path);
    ASSERT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["file"], path);
    EXPECT_EQ(j["version"], 2);
    ASSERT_EQ(j["blocks"].size(), 8u);
    EXPECT_EQ(j["blocks"][0]["name"], "Map");
    EXPECT_EQ(j["blocks"][2]["name"], "NetTestTSI ");
    EXPECT_EQ(j["blocks"][2]["revision"], 210);
    EXPECT_EQ(j["blocks"][3]["offset"], j["blocks"][2]["offset"].get<int>() + 20);
    EXPECT_EQ(j["general"]["comment"], "光缆");
    EXPECT_EQ(j["supplier"]["name"], "Acme Optics");
    EXPECT_EQ(j["fixed"]["wavelength_nm"], 1310.0);
    EXPECT_EQ(j["fixed"]["pulse_widths_ns"], nlohmann::json::array({30}));
    EXPECT_EQ(j["fixed"]["group_index"], 1.468);
    ASSERT_EQ(j["key_events"]["events"].size(), 3u);
    EXPECT_EQ(j["key_events"]["events"][0]["reflectance_db"], -52.34);
    EXPECT_EQ(j["key_events"]["orl_db"], 31.25);
    EXPECT_EQ(j["data"]["points"], 1000);
    EXPECT_EQ(j["data"]["scale_factors"][0]["scale_factor"], 1000);
    EXPECT_EQ(j["checksum"]["status"], "valid");
    EXPECT_EQ(j["checksum"]["convention"], "xmodem_before_field");
    EXPECT_EQ(j["other_blocks"][0]["bytes"], 9);
    EXPECT_EQ(j["warnings"].size(), 1u);  // FxdParams' point count
}

TEST_F(ForeignCli, InspectTextOfAFirstRevisionFileWithoutKeyEvents) {
    Document d = typicalDocument(1, 500);
    d.keyEvents.reset();
    const test::CliResult r = test::runCli("inspect " + write("old.sor", d));
    ASSERT_EQ(r.status, 0);
    for (const char* part :
         {"version:        1 (Map revision 100)", "maker:          Acme Optics",
          "wavelength:     1550.0 nm", "pulse width:    30 ns", "points:         500",
          "group index:    1.46800", "  cable id:     K-17", "events:         none in the file",
          "  KeyEvents            100           0", "checksum:       valid"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
}

TEST_F(ForeignCli, InspectSeveralFilesRefusingOne) {
    const std::string good = write("g.sor", typicalDocument(2, 100));
    test::writeBytes(dir.file("bad.sor"), Bytes(50, 0x41));
    const test::CliResult r =
        test::runCli("inspect --json " + good + " " + dir.file("bad.sor") + " " + good);
    EXPECT_EQ(r.status, 1);
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_TRUE(j.is_array());
    EXPECT_EQ(j.size(), 2u);
    EXPECT_EQ(test::runCli("inspect").status, 2);
}

TEST_F(ForeignCli, ExportColumnsPerTrace) {
    Document d = typicalDocument(2, 4);
    d.fixed->pulses = {{30, 100000, 4}, {100, 200000, 2}};
    d.data->groups[0].points = {0, 1000, 2000, 3000};
    d.data->groups.push_back(ScaleGroup{2, 500, {10, 20}});
    d.data->declaredGroups = 2;
    d.data->declaredPoints = 6;
    const test::CliResult r = test::runCli("export " + write("m.sor", d));
    ASSERT_EQ(r.status, 0);
    const double dx = 0.299792458 / 1.468 / 1000.0;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "distance_km_1,level_db_1,distance_km_2,level_db_2");
    std::getline(lines, line);
    EXPECT_EQ(line, "0.000000,0.000,0.000000,-0.005");
    std::getline(lines, line);
    EXPECT_EQ(line,
              formatNumber("%.6f", dx) + ",-1.000," + formatNumber("%.6f", 2 * dx) + ",-0.010");
    std::getline(lines, line);
    EXPECT_EQ(line, formatNumber("%.6f", 2 * dx) + ",-2.000,,");
}

TEST_F(ForeignCli, ExportOfTheInstrumentsOwnFileIsTheWindowsTrace) {
    const std::string path = dir.file("own.sor");
    test::writeBytes(path, test::makeSor(test::rampSamples()));
    const std::string out = dir.file("own.csv");
    ASSERT_EQ(test::runCli("export " + path + " -o " + out).status, 0);
    auto csv = readWholeFile(out);
    ASSERT_TRUE(csv.ok());
    const std::string text(csv.value().begin(), csv.value().end());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 32769);
    const std::size_t second = text.find('\n') + 1;
    EXPECT_EQ(text.substr(second, text.find('\n', second) - second),
              "0.000000," + formatNumber("%.3f", test::rampSamples()[0] * 0.001));
}

TEST_F(ForeignCli, ImportedSixtyKmFileGivesItsEventsToOtdrEvents) {
    const ForeignTrace foreign = makeForeignTrace(test::sixtyKmFibre());
    const std::string in = write("f.sor", foreign.doc);
    const std::string out = dir.file("imported.sor");
    const test::CliResult imp = test::runCli("import " + in + " -o " + out);
    ASSERT_EQ(imp.status, 0);
    EXPECT_NE(imp.out.find("range 128 km (index 8), the smallest"), std::string::npos);
    EXPECT_NE(imp.out.find("factor 0.6250 samples per point"), std::string::npos) << imp.out;
    EXPECT_NE(imp.out.find("wavelength 1550.0 nm mapped to 1550 nm"), std::string::npos);
    EXPECT_EQ(test::runCli("info " + out).status, 0);
    const test::CliResult ev = test::runCli("events --json " + out);
    ASSERT_EQ(ev.status, 0);
    const auto events = nlohmann::json::parse(ev.out)["events"];
    const auto& truth = foreign.truth.truth;
    ASSERT_EQ(events.size(), truth.size());
    const double spacingKm = 4.08393e-3;  // range 8
    for (std::size_t i = 0; i < truth.size(); ++i)
        EXPECT_NEAR(std::atof(events[i]["distance"].get<std::string>().c_str()), truth[i].km,
                    (truth[i].reflective ? 4 : 20) * spacingKm)
            << "event " << i + 1;
    EXPECT_EQ(test::runCli("import " + in + " -o " + dir.file("x.txt")).status, 2);
    EXPECT_EQ(test::runCli("import " + in + " -o " + out + " --range 10").status, 2);
    EXPECT_EQ(test::runCli("import " + in + " -o " + out + " --trace 2").status, 1);
}

}  // namespace
}  // namespace otdr
