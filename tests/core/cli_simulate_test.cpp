#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "test_support.h"

namespace otdr {

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the otdr tool with the given arguments (already quoted for the shell).
ToolRun runTool(const test::TempDir& dir, const std::string& args) {
    const std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
    const std::string cmd =
        std::string("'") + OTDR_CLI_PATH + "' " + args + " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(cmd.c_str());
    ToolRun r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

bool mentions(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(CliSimulate, WrittenSorShowsTheRequestedParametersAndAValidChecksum) {
    test::TempDir dir;
    const std::string file = dir.file("x.sor");
    const ToolRun sim = runTool(dir,
                                "simulate --range 6 --pulse 320 --wavelength 1310 --length 20 "
                                "--ior 1.4675 --event 12.5:0.3 --event 15:0.5:reflective:-45 "
                                "--seed 7 -o '" +
                                    file + "'");
    ASSERT_EQ(sim.exitCode, 0) << sim.err;
    const ToolRun info = runTool(dir, "info --json '" + file + "'");
    ASSERT_EQ(info.exitCode, 0) << info.err;
    for (const char* part :
         {"\"range_index\": 6", "\"pulse_width_ns\": 320", "\"wavelength\": \"1310 nm\"",
          "\"refractive_index\": 1.4675", "\"checksum\": \"valid\"", "simulated trace, seed 7"})
        EXPECT_TRUE(mentions(info.out, part)) << part << "\n" << info.out;
}

TEST(CliSimulate, ZtFileAndJsonGroundTruth) {
    test::TempDir dir;
    const std::string file = dir.file("x.zt");
    const ToolRun sim = runTool(
        dir, "simulate --pulse 10240 --length 30 --event 20:0.5:r --json -o '" + file + "'");
    ASSERT_EQ(sim.exitCode, 0) << sim.err;
    // 20 km at 2.04195 m per sample is sample 9795; the end at 30 km is sample 14692.
    for (const char* part : {"\"sample\": 9795", "\"reflective\": true", "\"reflectance_db\": -45",
                             "\"fibre_end\"", "\"sample\": 14692", "\"attenuator_db\": 5"})
        EXPECT_TRUE(mentions(sim.out, part)) << part << "\n" << sim.out;
    const ToolRun info = runTool(dir, "info '" + file + "'");
    EXPECT_TRUE(info.exitCode == 0 && mentions(info.out, "5dB")) << info.err << info.out;
}

TEST(CliSimulate, BadArgumentsExitWithUsageStatus) {
    test::TempDir dir;
    const std::string out = " -o '" + dir.file("bad.sor") + "'";
    for (const std::string args :
         {"--range 12", "--pulse 100", "--wavelength 1490", "--event 12.5", "--event x:0.3",
          "--event 12:0.3:maybe", "--event 50:0.3", "--length 70", "--noise 9"}) {
        const ToolRun r = runTool(dir, "simulate " + args + out);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
        EXPECT_FALSE(fileExists(dir.file("bad.sor"))) << args;
    }
    const ToolRun txt = runTool(dir, "simulate -o '" + dir.file("bad.txt") + "'");
    EXPECT_EQ(txt.exitCode, 2);
    EXPECT_TRUE(mentions(txt.err, ".sor or .zt"));
    EXPECT_EQ(runTool(dir, "simulate").exitCode, 2);
}

}  // namespace otdr
