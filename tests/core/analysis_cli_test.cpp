// otdr events: the event table of trace files as JSON, CSV and text, compared with the
// workspace that analysed the same file.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "analysis_fixture.h"

namespace otdr {
namespace {

using CliRun = test::CliResult;
using test::runCli;

struct EventsCli : test::AnalysedWorkspace {
    test::TempDir dir;
    std::string path = dir.file("line.zt");

    // Saves the synthetic trace as a ZT file and analyses that file as the window would.
    void writeAndAnalyse() {
        load();
        st().controls.setText("E_Wave", "1550 nm");
        ASSERT_EQ(ws->saveAs(path, SaveFormat::Zt), SaveOutcome::Saved);
        ws = std::make_unique<Workspace>(Settings{}, &prompter, &clock);
        ASSERT_TRUE(ws->openTrace(path));
        ws->analyse();
    }
};

TEST_F(EventsCli, JsonHoldsTheGridCellsUntrimmed) {
    writeAndAnalyse();
    const CliRun r = runCli("events --json " + path);
    ASSERT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["file"], path);
    const auto& ev = j["events"];
    ASSERT_EQ(static_cast<int>(ev.size()), events().count());
    ASSERT_GT(ev.size(), 2u);
    const char* keys[5] = {"distance", "avg_loss", "splice_loss", "return_loss", "link_loss"};
    for (int r1 = 1; r1 <= events().count(); ++r1) {
        const auto& e = ev[static_cast<std::size_t>(r1 - 1)];
        EXPECT_EQ(e["number"], r1);
        EXPECT_EQ(e["type"], gridCell(1, r1));
        EXPECT_EQ(e["position"], events().position(r1));
        EXPECT_EQ(e["reflective"], events().reflective(r1));
        for (int c = 0; c < 5; ++c) EXPECT_EQ(e[keys[c]], gridCell(c + 2, r1));
    }
    EXPECT_EQ(ev.back()["type"], "光纤末端");
    EXPECT_EQ(ev.back()["splice_loss"], "--------");
}

TEST_F(EventsCli, ThresholdAndSeveralFilesAndCsv) {
    writeAndAnalyse();
    const int all = events().count();
    CliRun r = runCli("events --json --threshold 0.3 " + path + " " + path);
    ASSERT_EQ(r.status, 0);
    auto j = nlohmann::json::parse(r.out);
    ASSERT_TRUE(j.is_array());
    ASSERT_EQ(j.size(), 2u);
    EXPECT_LT(j[0]["events"].size(), static_cast<std::size_t>(all));
    EXPECT_EQ(j[0], j[1]);

    r = runCli("events --csv " + path);
    ASSERT_EQ(r.status, 0);
    const std::string header =
        "file,number,type,position,reflective,distance,avg_loss,splice_loss,return_loss,"
        "link_loss\n";
    ASSERT_EQ(r.out.rfind(header, 0), 0u);
    const std::string first =
        path + ",1," + gridCell(1, 1) + "," + std::to_string(events().position(1)) + "," +
        (events().reflective(1) ? "true" : "false") + "," + gridCell(2, 1) + "," + gridCell(3, 1) +
        "," + gridCell(4, 1) + "," + gridCell(5, 1) + "," + gridCell(6, 1) + "\n";
    EXPECT_EQ(r.out.substr(header.size(), first.size()), first);
}

TEST_F(EventsCli, RefusedFilesAndBadValuesSetTheExitStatus) {
    writeAndAnalyse();
    CliRun r = runCli("events " + dir.file("missing.zt"));
    EXPECT_EQ(r.status, 1);
    r = runCli("events " + dir.file("missing.zt") + " " + path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("events"), std::string::npos);  // the readable file is still shown
    r = runCli("events --threshold 10 " + path);
    EXPECT_EQ(r.status, 2);
    r = runCli("events --ior 2.5 " + path);
    EXPECT_EQ(r.status, 2);
    r = runCli("events --json --csv " + path);
    EXPECT_EQ(r.status, 2);
}

}  // namespace
}  // namespace otdr
