// Work over many files: the order of the output whatever finishes first, worker processes
// that die, the progress line, and otdr events and otdr report over many files.

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "batch.h"
#include "build_info.h"
#include "progress.h"
#include "synthetic_trace.h"
#include "test_support.h"
#include "trace_files_support.h"

namespace otdr {
namespace {

using cli::Batch;
using cli::ItemResult;
using cli::ProgressBar;
using cli::Workers;

// Standard output and error of a batch run in this process.
struct Captured {
    std::string out, err;
    std::vector<std::size_t> accepted;
    bool ok = false;
};

Captured run(Batch b) {
    Captured c;
    std::ostringstream out, err;
    auto* oldOut = std::cout.rdbuf(out.rdbuf());
    auto* oldErr = std::cerr.rdbuf(err.rdbuf());
    auto accept = b.accept;
    b.accept = [&](std::size_t i, ItemResult& r) {
        c.accepted.push_back(i);
        return accept ? accept(i, r) : true;
    };
    ProgressBar progress(b.count, false);
    c.ok = cli::runBatch(b, progress);
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    c.out = out.str();
    c.err = err.str();
    return c;
}

// Later items finish first; odd items also have a message.
Batch slowFirst(Workers w, int jobs) {
    Batch b;
    b.count = 6;
    b.jobs = jobs;
    b.workers = w;
    b.work = [](std::size_t i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * (6 - static_cast<int>(i))));
        ItemResult r;
        r.out = "item " + std::to_string(i) + "\n";
        if (i % 2) r.err = "note " + std::to_string(i) + "\n";
        return r;
    };
    return b;
}

TEST(Batch, OutputKeepsTheOrderOfTheItemsWhateverFinishesFirst) {
    const Captured one = run(slowFirst(Workers::Threads, 1));
    EXPECT_EQ(one.out, "item 0\nitem 1\nitem 2\nitem 3\nitem 4\nitem 5\n");
    EXPECT_EQ(one.err, "note 1\nnote 3\nnote 5\n");
    for (Workers w : {Workers::Threads, Workers::Processes}) {
        const Captured many = run(slowFirst(w, 4));
        EXPECT_TRUE(many.ok);
        EXPECT_EQ(many.out, one.out);
        EXPECT_EQ(many.err, one.err);
        EXPECT_EQ(many.accepted, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5}));
    }
}

TEST(Batch, AWorkerProcessThatDiesLosesOnlyItsItem) {
    Batch b = slowFirst(Workers::Processes, 2);
    const auto inner = b.work;
    b.work = [inner](std::size_t i) {
        if (i == 2) ::raise(SIGKILL);
        return inner(i);
    };
    b.name = [](std::size_t i) { return "file" + std::to_string(i); };
    std::vector<int> statuses;
    b.accept = [&](std::size_t, ItemResult& r) {
        statuses.push_back(r.status);
        return true;
    };
    const Captured c = run(b);
    EXPECT_EQ(c.out, "item 0\nitem 1\nitem 3\nitem 4\nitem 5\n");
    EXPECT_NE(c.err.find("note 1\notdr: file2: the worker process ended unexpectedly (signal 9)\n"
                         "note 3\n"),
              std::string::npos)
        << c.err;
    EXPECT_EQ(statuses, (std::vector<int>{0, 0, 1, 0, 0, 0}));
}

TEST(Batch, ARefusalByAcceptEndsTheRunAfterThatItem) {
    for (int jobs : {1, 3}) {
        Batch b = slowFirst(Workers::Threads, jobs);
        b.accept = [](std::size_t i, ItemResult&) { return i < 2; };
        const Captured c = run(b);
        EXPECT_EQ(c.out, "item 0\nitem 1\nitem 2\n") << jobs;
    }
}

// Terminal columns of a UTF-8 line (its Chinese characters take two).
std::size_t columnsOf(const std::string& s) {
    std::size_t w = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80)
            ++w;
        else if (c >= 0xE0 && c < 0xF0)
            w += 2;
    }
    return w;
}

TEST(ProgressLine, ShowsDoneOfTotalFilesPerSecondAndTimeLeft) {
    const std::string l = ProgressBar::line(37, 300, 1.0, 80);
    EXPECT_EQ(l.rfind(" 37/300 [", 0), 0u) << l;
    EXPECT_NE(l.find("] "), std::string::npos) << l;
    EXPECT_NE(l.find("37 个/秒"), std::string::npos) << l;
    EXPECT_NE(l.find("剩余 0:07"), std::string::npos) << l;  // 263 files at 37 a second
    EXPECT_NE(ProgressBar::line(1, 10000, 1.0, 80).find("剩余 2:46:39"), std::string::npos);
    EXPECT_NE(ProgressBar::line(0, 300, 0.0, 80).find("-- 个/秒  剩余 --:--"), std::string::npos);
    // The bar fills in proportion.
    const std::string half = ProgressBar::line(150, 300, 1.0, 80);
    const std::size_t open = half.find('['), close = half.find(']');
    const std::string bar = half.substr(open + 1, close - open - 1);
    EXPECT_EQ(std::count(bar.begin(), bar.end(), '#') * 2, static_cast<long>(bar.size()));
}

TEST(ProgressLine, FitsTheTerminalWidthLeavingTheLastColumnFree) {
    for (int columns : {20, 40, 60, 80, 200}) {
        const std::string l = ProgressBar::line(123, 4567, 2.5, columns);
        EXPECT_LE(columnsOf(l), static_cast<std::size_t>(columns - 1)) << columns << ": " << l;
        EXPECT_NE(l.find(" 123/4567"), std::string::npos) << l;
    }
    EXPECT_EQ(ProgressBar::line(123, 4567, 2.5, 30).find('['), std::string::npos);
}

// ---- the command-line tool over many files ----

using CliRun = test::CliResult;

CliRun runCli(const std::string& args, const test::TempDir& dir) {
    return test::runCli(args, dir.file("stderr.txt"));
}

// Standard error of the tool on a terminal (standard output thrown away).
std::string stderrOnTerminal(const std::string& args) {
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        const std::string cmd = std::string(OTDR_CLI_PATH) + " " + args + " >/dev/null";
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(master, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    ::close(master);
    int st = 0;
    ::waitpid(pid, &st, 0);
    return text;
}

class ManyFiles : public ::testing::Test {
  protected:
    // Six traces with their events at different places, and one refused file third.
    ManyFiles() {
        for (int k = 0; k < 6; ++k) {
            test::SyntheticTrace spec;
            spec.events = {{3000 + 400 * k, 0.3, 0, 0, 0}, {8000 + 300 * k, 0.5, 12000, 40, 0}};
            const std::string f = dir.file("line" + std::to_string(k) + ".sor");
            test::writeBytes(f, test::makeSor(test::makeTrace(spec)));
            files += (k == 2 ? bad + " " : std::string()) + f + " ";
        }
        test::writeBytes(bad, Bytes(100, 7));
    }
    test::TempDir dir;
    std::string bad = dir.file("broken.sor");
    std::string files;
};

TEST_F(ManyFiles, EventsGiveTheSameOutputInArgumentOrderForAnyNumberOfJobs) {
    for (const char* format : {"", "--csv", "--json"}) {
        const CliRun one = runCli("events " + files + format + " --jobs 1", dir);
        const CliRun three = runCli("events " + files + format + " --jobs 3", dir);
        EXPECT_EQ(one.status, 1) << format;
        EXPECT_EQ(three.status, 1) << format;
        EXPECT_EQ(three.out, one.out) << format;
        EXPECT_EQ(three.err, one.err) << format;
        // The refusal names its file.
        EXPECT_EQ(one.err.rfind(bad + ": ", 0), 0u) << one.err;
        std::size_t last = 0;
        for (int k = 0; k < 6; ++k) {
            const std::size_t at = one.out.find("line" + std::to_string(k) + ".sor");
            ASSERT_NE(at, std::string::npos) << format << k;
            EXPECT_GE(at, last) << format << k;
            last = at;
        }
    }
}

TEST_F(ManyFiles, EventsJsonOfManyFilesIsOneDocumentAsItsOwnDumpWritesIt) {
    const CliRun r = runCli("events " + files + "--json --jobs 2", dir);
    const auto j = nlohmann::ordered_json::parse(r.out);
    ASSERT_EQ(j.size(), 6u);
    EXPECT_EQ(r.out, j.dump(2) + "\n");
}

TEST_F(ManyFiles, ProgressLineOnlyOnATerminalAndErasedAtTheEnd) {
    const std::string shown = stderrOnTerminal("events " + files + "--jobs 2");
    EXPECT_NE(shown.find("\r\033[K7/7 ["), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\033[K") << shown;
    const std::string quiet = stderrOnTerminal("events " + files + "--jobs 2 --quiet");
    EXPECT_EQ(quiet.find('\r' + std::string("\033")), std::string::npos) << quiet;
    EXPECT_NE(quiet.find(bad), std::string::npos) << quiet;
    // Not a terminal: only the refusal.
    const CliRun piped = runCli("events " + files, dir);
    EXPECT_EQ(piped.err.find('\r'), std::string::npos);
}

TEST_F(ManyFiles, ReportWritesOnePdfPerFileSkipsRefusedOnesAndCountsThem) {
    if (!OTDR_CLI_HAS_REPORT) GTEST_SKIP() << "built without the window library";
    // A second file named line0 in another folder gets its own report.
    std::filesystem::create_directory(dir.file("other"));
    std::filesystem::copy_file(dir.file("line0.sor"), dir.file("other/line0.sor"));
    const std::string all = files + dir.file("other/line0.sor");
    const std::string folder = dir.file("reports") + "/";
    const CliRun one = runCli("report " + all + " -o " + folder + " --jobs 1", dir);
    std::filesystem::remove_all(folder);
    const CliRun two = runCli("report " + all + " -o " + folder + " --jobs 2", dir);
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(two.out, one.out);
    EXPECT_EQ(two.err, one.err);
    EXPECT_EQ(one.out.substr(one.out.rfind('\n', one.out.size() - 2) + 1),
              "7 个报告已写入，1 个文件被拒绝\n");
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"line0.pdf", "line1.pdf", "line2.pdf", "line3.pdf",
                                            "line4.pdf", "line5.pdf", "line0-2.pdf"}));
    EXPECT_NE(one.out.find(folder + "line0-2.pdf: 1 page\n"), std::string::npos) << one.out;
}

TEST_F(ManyFiles, AReportThatCannotBeWrittenLeavesNoFileBehind) {
    if (!OTDR_CLI_HAS_REPORT) GTEST_SKIP() << "built without the window library";
    // A folder where line1's report would go: the finished PDF cannot take its name.
    const std::string folder = dir.file("reports");
    std::filesystem::create_directories(folder + "/line1.pdf");
    const CliRun r = runCli(
        "report " + dir.file("line0.sor") + " " + dir.file("line1.sor") + " -o " + folder, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write " + folder + "/line1.pdf"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("1 个报告已写入，1 个文件被拒绝"), std::string::npos) << r.out;
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"line0.pdf", "line1.pdf"}));
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/line1.pdf"));
}

TEST_F(ManyFiles, ReportOfSeveralFilesIntoOnePdfIsBadUsage) {
    const CliRun r = runCli("report " + files + "-o " + dir.file("all.pdf"), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("all.pdf")));
}

TEST(CliVersion, PrintsTheVersionOfTheBuild) {
    const test::TempDir dir;
    EXPECT_EQ(runCli("--version", dir).out, std::string("otdr ") + kVersion + "\n");
}

}  // namespace
}  // namespace otdr
