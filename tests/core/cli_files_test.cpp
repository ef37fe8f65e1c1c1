#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "commands.h"
#include "test_support.h"
#include "trace_files_support.h"

namespace otdr {
namespace {

class Cli : public ::testing::Test {
  protected:
    std::string sor() {
        const std::string path = dir.file("a.sor");
        test::writeBytes(path, test::makeSor(test::rampSamples()));
        return path;
    }
    test::TempDir dir;
};

TEST_F(Cli, InfoAsJson) {
    const test::CliResult r = test::runCli("info --json " + sor());
    ASSERT_EQ(r.status, 0);
    for (const char* key :
         {"\"format\": \"sor\"", "\"range_index\": 7", "\"range\": \"64 km\"",
          "\"pulse_width_ns\": 1280", "\"average_count\": 1024", "\"attenuation_db\": 0.0",
          "\"wavelength\": \"1550 nm\"", "\"wavelength_class\": 1", "\"refractive_index\": 1.4682",
          "\"helix_factor\": 1.0", "\"cable_id\": \"CABLE-7\"", "\"comment\": \"after repair\"",
          "\"checksum\": \"valid\"", "\"sample_spacing\": 2.0419562", "\"date\""})
        EXPECT_NE(r.out.find(key), std::string::npos) << key << "\n" << r.out;
}

TEST_F(Cli, SamplesAreTheSlotAfterOpening) {
    const test::CliResult r = test::runCli("samples " + sor());
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), std::to_string(test::rampSamples()[0]));
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 32768);
}

TEST_F(Cli, ConvertBothWays) {
    const std::string zt = dir.file("b.zt");
    ASSERT_EQ(test::runCli("convert " + sor() + " " + zt).status, 0);
    ASSERT_EQ(test::runCli("convert " + zt + " " + dir.file("c.sor")).status, 0);
    const test::CliResult info = test::runCli("info --json " + zt);
    EXPECT_NE(info.out.find("\"checksum\": null"), std::string::npos) << info.out;
    const test::CliResult back = test::runCli("info " + dir.file("c.sor"));
    EXPECT_NE(back.out.find("valid"), std::string::npos) << back.out;
}

TEST_F(Cli, InfoEscapesControlCharactersOfTheFileTexts) {
    GenParams texts = test::sampleTexts();
    texts.cableId = "A\x1b[2JB";
    texts.operatorName = "bell\x07ring";
    texts.comment = "del\x7f tab\tend";
    const std::string path = dir.file("ctl.sor");
    test::writeBytes(path, test::makeSor(test::rampSamples(), test::sorParams(), texts));
    const test::CliResult r = test::runCli("info " + path);
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("cable_id:             A\\x1b[2JB\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("operator:             bell\\x07ring\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("comment:              del\\x7f tab\\x09end\n"), std::string::npos)
        << r.out;
    for (unsigned char c : r.out) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c != 0x7f)) << int(c);
    // JSON escapes them its own way.
    EXPECT_NE(test::runCli("info --json " + path).out.find("A\\u001b[2JB"), std::string::npos);
}

TEST_F(Cli, ExitCodes) {
    test::writeBytes(dir.file("bad.sor"), Bytes(10, 0));
    EXPECT_EQ(test::runCli("info " + dir.file("bad.sor")).status, 1);
    EXPECT_EQ(test::runCli("info " + dir.file("missing.sor")).status, 1);
    EXPECT_EQ(test::runCli("info").status, 2);
    EXPECT_EQ(test::runCli("frobnicate").status, 2);
    EXPECT_EQ(test::runCli("convert " + sor() + " " + dir.file("out.txt")).status, 2);
}

// A run sets up only the subcommand its first argument names, found by the name each one
// registers; any other first argument sets up all of them, in the order of the help, so the
// help and the messages list every one.
TEST(CliCommands, TheNamedOneAloneElseAllInOrder) {
    std::vector<std::string> names;
    for (const cli::Command& c : cli::allCommands()) {
        CLI::App app;
        const char* argv[] = {"otdr", c.name, "--json"};
        EXPECT_EQ(cli::addCommands(app, 3, argv).size(), 1u);
        ASSERT_EQ(app.get_subcommands({}).size(), 1u);
        EXPECT_EQ(app.get_subcommands({}).front()->get_name(), c.name);
        names.emplace_back(c.name);
    }
    for (const char* first : {"--help", "Inspect", "frobnicate"}) {
        CLI::App app;
        const char* argv[] = {"otdr", first};
        EXPECT_EQ(cli::addCommands(app, 2, argv).size(), names.size());
        std::vector<std::string> registered;
        for (const CLI::App* sub : app.get_subcommands({})) registered.push_back(sub->get_name());
        EXPECT_EQ(registered, names) << first;
    }
    CLI::App app;
    const char* argv[] = {"otdr"};
    EXPECT_EQ(cli::addCommands(app, 1, argv).size(), names.size());
    // The version alone needs none; with more words after it, they are judged as usual.
    CLI::App version;
    const char* alone[] = {"otdr", "--version"};
    EXPECT_TRUE(cli::addCommands(version, 2, alone).empty());
    EXPECT_TRUE(version.get_subcommands({}).empty());
    CLI::App more;
    const char* extra[] = {"otdr", "--version", "x"};
    EXPECT_EQ(cli::addCommands(more, 3, extra).size(), names.size());
}

}  // namespace
}  // namespace otdr
