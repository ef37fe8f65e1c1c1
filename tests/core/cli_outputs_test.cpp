// What otdr writes under faults: every output file through the one writer, standard output
// checked like a file, interrupted and dead writers leaving nothing behind, printed names
// escaped, memory bounded whatever a file declares, and no Qt outside `otdr report`.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "batch.h"
#include "cli_common.h"
#include "interrupt.h"
#include "progress.h"
#include "sr4731_support.h"
#include "standard_output.h"
#include "test_support.h"
#include "trace_files_support.h"
#include "util/file_io.h"

namespace otdr {
namespace {

namespace fs = std::filesystem;
using test::folderEntries;

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

class CliOutputs : public ::testing::Test {
  protected:
    CliOutputs() { test::writeBytes(trace, test::makeSor(test::rampSamples())); }

    // Runs the tool with standard error kept (outside the folder the tests look at).
    test::CliResult run(const std::string& args) {
        return test::runCli(args, errors.file("stderr.txt"));
    }
    // A name in single quotes for the shell; any byte but the quote may stand in it.
    static std::string quoted(const std::string& path) { return "'" + path + "'"; }

    test::TempDir dir;
    test::TempDir errors;
    std::string trace = dir.file("line0.sor");
};

TEST(CliNames, EscapedAsTextsWithStrayBytesAsHex) {
    EXPECT_EQ(cli::escapeName("光缆/a.sor"), "光缆/a.sor");
    EXPECT_EQ(cli::escapeName("a\x1b[31m\nb\x7f"), "a\\x1b[31m\\x0ab\\x7f");
    EXPECT_EQ(cli::escapeName("c1\xc2\x9b"), "c1\\u009b");
    // Bytes that are no UTF-8: a lone byte, a cut sequence, an overlong form, a surrogate.
    EXPECT_EQ(cli::escapeName("bad\xff.sor"), "bad\\xff.sor");
    EXPECT_EQ(cli::escapeName("\xe4\xb8"), "\\xe4\\xb8");
    EXPECT_EQ(cli::escapeName("\xc0\xaf"), "\\xc0\\xaf");
    EXPECT_EQ(cli::escapeName("\xed\xa0\x80"), "\\xed\\xa0\\x80");
}

TEST_F(CliOutputs, ExportOfAFileDeclaringThousandsOfEmptyTracesStreamsTheOneWithPoints) {
    // 65535 pulse widths, each with a scale factor of its own; only the first holds points.
    sr4731::Document d = sr4731::typicalDocument(2, 200000);
    d.fixed->pulses.assign(65535, d.fixed->pulses.front());
    sr4731::ScaleGroup empty{0, 1000, {}};
    d.data->groups.resize(65535, empty);
    d.data->declaredGroups = 65535;
    const std::string crafted = dir.file("crafted.sor");
    test::writeBytes(crafted, sr4731::encode(d));
    ASSERT_GT(fs::file_size(crafted), 1400000u);

    const std::string csv = dir.file("crafted.csv");
    const std::string cmd = std::string(OTDR_CLI_PATH) + " export " + crafted + " -o " + csv;
    // The child's largest descendant, in kB: the tool itself.
    const test::ChildOutcome r = test::runInChild(
        [&] {
            if (std::system(cmd.c_str()) != 0) return 1;
            rusage use{};
            ::getrusage(RUSAGE_CHILDREN, &use);
            return use.ru_maxrss < 256 * 1024 ? 0 : 2;
        },
        60);
    EXPECT_TRUE(r.exited && r.code == 0) << "code " << r.code << ", signal " << r.signal;
    std::ifstream in(csv);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "distance_km_1,level_db_1");
    std::size_t lines = 1;
    for (std::string line; std::getline(in, line);) ++lines;
    EXPECT_EQ(lines, 200001u);
}

TEST_F(CliOutputs, EveryCommandFailsWithAMessageWhenStandardOutputIsFull) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const std::string foreign = dir.file("foreign.sor");
    test::writeBytes(foreign, sr4731::encode(sr4731::typicalDocument(2, 3000)));
    std::vector<std::string> commands = {"--version",
                                         "--help",
                                         "info " + trace,
                                         "info --json " + trace,
                                         "samples " + trace,
                                         "events " + trace,
                                         "events --jobs 2 " + trace + " " + trace,
                                         "inspect " + foreign,
                                         "export " + foreign,
                                         "import " + foreign + " -o " + dir.file("i.zt"),
                                         "simulate --json"};
    if (OTDR_CLI_HAS_REPORT) commands.push_back("report " + trace + " -o " + dir.file("r.pdf"));
    for (const std::string& c : commands) {
        const test::CliResult r = run(c + " >/dev/full");
        EXPECT_EQ(r.status, 1) << c;
        EXPECT_TRUE(contains(r.err, ": 无法写入标准输出：磁盘已满\n")) << c << "\n" << r.err;
    }
}

// A piece larger than standard output's buffer goes out directly, after what is buffered:
// the bytes arrive whole and in order, and a failed write is kept like any other.
TEST_F(CliOutputs, PiecesLargerThanTheBufferFollowWhatIsBuffered) {
    std::string big(200000, 'x');
    for (std::size_t i = 0; i < big.size(); i += 97) big[i] = '\n';
    const std::string file = dir.file("out.txt");
    for (const std::string& target : {file, std::string("/dev/full")}) {
        const test::ChildOutcome r = test::runInChild([&] {
            const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0) return 10;
            cli::checkStandardOutput();
            std::cout << "head\n" << big << "tail";
            const int err = cli::finishStandardOutput();
            return err == 0 ? 0 : err == ENOSPC ? 1 : 11;
        });
        ASSERT_TRUE(r.exited) << target;
        EXPECT_EQ(r.code, target == file ? 0 : 1) << target;
    }
    std::ifstream in(file, std::ios::binary);
    const std::string got{std::istreambuf_iterator<char>(in), {}};
    EXPECT_TRUE(got == "head\n" + big + "tail");
    // inspect writes its JSON in one piece: 30 files, each object as a single file gives it.
    const std::string foreign = dir.file("foreign.sor");
    test::writeBytes(foreign, sr4731::encode(sr4731::typicalDocument(2, 3000)));
    std::string args = "inspect --json";
    for (int k = 0; k < 30; ++k) args += " " + foreign;
    const test::CliResult one = run("inspect --json " + foreign);
    const test::CliResult all = run(args);
    ASSERT_EQ(all.status, 0);
    std::string indented = "  " + one.out.substr(0, one.out.size() - 1);
    for (std::size_t at = 0; (at = indented.find('\n', at)) != std::string::npos; at += 3)
        indented.replace(at, 1, "\n  ");
    std::string expected = "[\n";
    for (int k = 0; k < 30; ++k) expected += indented + (k < 29 ? ",\n" : "\n");
    EXPECT_TRUE(all.out == expected + "]\n");
}

TEST_F(CliOutputs, ReportReplacesFilesAsEveryWriterDoes) {
    if (!OTDR_CLI_HAS_REPORT) GTEST_SKIP() << "built without the window library";
    const std::string old = "old report";
    auto put = [&](const std::string& name) {
        const std::string p = dir.file(name);
        test::writeBytes(p, Bytes(old.begin(), old.end()));
        return p;
    };
    auto text = [](const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };

    // A FIFO is not replaced, and the report does not wait for a reader.
    const std::string fifo = dir.file("fifo.pdf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const test::CliResult f = run("report " + trace + " -o " + fifo);
    EXPECT_EQ(f.status, 1);
    EXPECT_TRUE(contains(f.err, "(不是普通文件)")) << f.err;
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A link is followed: its target gets the report and the link stays.
    const std::string target = put("target.pdf");
    fs::create_symlink("target.pdf", dir.path() / "link.pdf");
    ASSERT_EQ(run("report " + trace + " -o " + dir.file("link.pdf")).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.pdf"));
    EXPECT_EQ(text(target).rfind("%PDF", 0), 0u);

    // A file the user may not write is left as it is.
    ::chmod(dir.path().c_str(), 0777);
    const std::string locked = put("locked.pdf");
    ::chmod(locked.c_str(), 0444);
    const std::string cmd = std::string(OTDR_CLI_PATH) + " report " + trace + " -o " + locked +
                            " 2>" + dir.file("locked.err");
    const test::ChildOutcome r = test::runInChild(
        [&] {
            if (!test::dropRootRights() || ::access(OTDR_CLI_PATH, X_OK) != 0)
                return test::kChildCannotDropRoot;
            const int st = std::system(cmd.c_str());
            return WIFEXITED(st) ? WEXITSTATUS(st) : 99;
        },
        60);
    if (!(r.exited && r.code == test::kChildCannotDropRoot)) {
        EXPECT_TRUE(r.exited && r.code == 1) << "code " << r.code << ", signal " << r.signal;
        EXPECT_EQ(text(locked), old);
        EXPECT_TRUE(contains(text(dir.file("locked.err")), "(没有权限)"));
    }

    // Run by root, another user's file keeps its owner and its permissions.
    if (::geteuid() == 0) {
        const std::string theirs = put("theirs.pdf");
        ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(theirs.c_str(), 0640), 0);
        ASSERT_EQ(run("report " + trace + " -o " + theirs).status, 0);
        struct stat st {};
        ASSERT_EQ(::stat(theirs.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(text(theirs).rfind("%PDF", 0), 0u);
    }
    for (const std::string& name : folderEntries(dir.path()))
        EXPECT_NE(name.rfind(".otdr-", 0), 0u) << name;
}

TEST_F(CliOutputs, ReportOfANameThatIsNotUtf8KeepsItsBytes) {
    if (!OTDR_CLI_HAS_REPORT) GTEST_SKIP() << "built without the window library";
    const std::string bad = dir.file("bad\xff.sor");
    fs::copy_file(trace, bad);
    const std::string folder = dir.file("reports");
    const test::CliResult r = run("report " + quoted(bad) + " " + trace + " -o " + folder);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(folderEntries(folder), (std::set<std::string>{"bad\xff.pdf", "line0.pdf"}));
    EXPECT_TRUE(contains(r.out, folder + "/bad\\xff.pdf: 1 page\n")) << r.out;
    std::ifstream pdf(folder + "/bad\xff.pdf", std::ios::binary);
    std::string head(4, '\0');
    pdf.read(head.data(), 4);
    EXPECT_EQ(head, "%PDF");
}

TEST_F(CliOutputs, InterruptedAndDeadWritersLeaveNoTemporaryFile) {
    // Ctrl+C or kill while a file is being written.
    for (int sig : {SIGINT, SIGTERM}) {
        const test::ChildOutcome r = test::runInChild([&] {
            cli::handleInterrupts();
            OutputFile out;
            if (!out.open(dir.file("out.csv")) || !out.write(std::string_view("a,b\n"))) return 1;
            std::raise(sig);
            return 2;
        });
        EXPECT_EQ(r.signal, sig);
        EXPECT_EQ(folderEntries(dir.path()), (std::set<std::string>{"line0.sor"})) << sig;
    }

    // A worker process killed outright while writing: its parent removes what it left.
    cli::Batch b;
    b.count = 3;
    b.jobs = 2;
    b.workers = cli::Workers::Processes;
    b.work = [&](std::size_t i) {
        OutputFile out;
        (void)out.open(dir.file("item" + std::to_string(i) + ".csv"));
        (void)out.write(std::string_view("partial"));
        if (i == 1) ::kill(::getpid(), SIGKILL);
        (void)out.commit();
        return cli::ItemResult{};
    };
    cli::ProgressBar progress(b.count, false);
    std::ostringstream err;
    auto* old = std::cerr.rdbuf(err.rdbuf());
    cli::runBatch(b, progress);
    std::cerr.rdbuf(old);
    EXPECT_EQ(folderEntries(dir.path()),
              (std::set<std::string>{"line0.sor", "item0.csv", "item2.csv"}));
}

TEST_F(CliOutputs, StaleTemporaryFilesOfDeadRunsAreRemovedByTheNextRun) {
    auto plant = [&](const std::string& name, int ageSeconds) {
        const std::string p = dir.file(name);
        std::ofstream(p) << "partial";
        const timespec t[2] = {{::time(nullptr) - ageSeconds, 0},
                               {::time(nullptr) - ageSeconds, 0}};
        ::utimensat(AT_FDCWD, p.c_str(), t, 0);
    };
    plant(".otdr-aB3xY9", 3600);       // a dead run's
    plant(".otdr-held01", 3600);       // still being written by a live process
    plant(".otdr-newer1", -3600);      // younger than the run
    plant(".otdr-toolong7", 3600);     // not a name the writer makes
    plant(".line0.pdf.Qw12er", 3600);  // an earlier version's report of line0
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(dir.file(".otdr-held01").c_str(), O_RDONLY);
        ::flock(fd, LOCK_EX);
        char c = 0;
        [[maybe_unused]] ssize_t n = ::write(ready[1], &c, 1);
        n = ::read(done[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);

    ASSERT_EQ(run("export " + trace + " -o " + dir.file("line0.csv")).status, 0);
    std::set<std::string> left{"line0.sor",    "line0.csv",      ".otdr-held01",
                               ".otdr-newer1", ".otdr-toolong7", ".line0.pdf.Qw12er"};
    EXPECT_EQ(folderEntries(dir.path()), left);
    if (OTDR_CLI_HAS_REPORT) {
        ASSERT_EQ(run("report " + trace + " -o " + dir.file("line0.pdf")).status, 0);
        left.erase(".line0.pdf.Qw12er");
        left.insert("line0.pdf");
        EXPECT_EQ(folderEntries(dir.path()), left);
    }
    ASSERT_EQ(::write(done[1], &c, 1), 1);
    ::waitpid(holder, nullptr, 0);
}

TEST_F(CliOutputs, NamesAreEscapedInEveryMessageAndLine) {
    const std::string raw = "a\x1b[31m\nb";
    const std::string escaped = "a\\x1b[31m\\x0ab";
    const std::string junk = dir.file(raw + ".sor");
    test::writeBytes(junk, Bytes(20, 0x41));
    const std::string good = dir.file(raw + "good.sor");
    fs::copy_file(trace, good);
    const std::string q = quoted(junk);
    std::vector<std::string> commands = {"info " + q,
                                         "info " + trace + " " + q,  // an argument too many
                                         "samples " + q,
                                         "convert " + q + " " + dir.file("x.zt"),
                                         "events " + q,
                                         "events " + q + " " + trace,
                                         "inspect " + q,
                                         "export " + q,
                                         "import " + q + " -o " + dir.file("y.sor"),
                                         "events " + quoted(good)};
    if (OTDR_CLI_HAS_REPORT) {
        commands.push_back("report " + q + " -o " + dir.file("r.pdf"));
        commands.push_back("report " + quoted(good) + " -o " + dir.file("reports/"));
    }
    for (const std::string& c : commands) {
        const test::CliResult r = run(c);
        const std::string all = r.out + r.err;
        EXPECT_FALSE(contains(all, "\x1b")) << c << "\n" << all;
        EXPECT_TRUE(contains(all, escaped)) << c << "\n" << all;
    }
    EXPECT_EQ(run("events " + quoted(good)).out.rfind(dir.file(escaped + "good.sor: "), 0), 0u);
}

TEST_F(CliOutputs, MessagesNameTheFileAndTheCause) {
    // A refusal of the instrument's formats names its file, for one file as for many.
    const std::string junk = dir.file("junk.sor");
    test::writeBytes(junk, Bytes(20, 0x41));
    EXPECT_EQ(run("info " + junk).err.rfind(junk + ": ", 0), 0u);

    // An own SOR file with one block more than the window reads is exported by the decoder.
    sr4731::Document d = test::decodeOk(test::makeSor(test::rampSamples()));
    d.blocks.insert(d.blocks.end() - 1, sr4731::BlockEntry{"Extra", 100, 0, 0});
    d.others.push_back(sr4731::OtherBlock{"Extra", 100, Bytes(12, 1)});
    const std::string extra = dir.file("extra.sor");
    test::writeBytes(extra, sr4731::encode(d));
    ASSERT_EQ(run("info " + extra).status, 1);  // the window refuses it
    const test::CliResult e = run("export " + extra);
    EXPECT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(e.out.substr(0, e.out.find('\n')), "distance_km,level_db");
    EXPECT_EQ(static_cast<std::size_t>(std::count(e.out.begin(), e.out.end(), '\n')),
              d.data->pointCount() + 1);

    if (!OTDR_CLI_HAS_REPORT) return;
    // A plain file where the folder of the reports should be.
    test::writeBytes(dir.file("plainfile"), Bytes{1});
    const test::CliResult p = run("report " + trace + " " + junk + " -o " + dir.file("plainfile/"));
    EXPECT_EQ(p.status, 1);
    EXPECT_TRUE(contains(p.err, "(这不是一个文件夹)")) << p.err;
    // A report on a full disk gives the cause and leaves nothing: a small file system of its
    // own, where the system allows mounting one.
    const std::string small = dir.file("small");
    fs::create_directory(small);
    const std::string cmd = std::string(OTDR_CLI_PATH) + " report " + trace + " -o " + small +
                            "/r.pdf 2>" + errors.file("full.txt");
    const test::ChildOutcome full = test::runInChild(
        [&] {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0)
                return test::kChildCannotDropRoot;
            const int st = std::system(cmd.c_str());
            if (!WIFEXITED(st) || WEXITSTATUS(st) != 1) return 1;
            return folderEntries(small).empty() ? 0 : 2;
        },
        60);
    if (full.exited && full.code == test::kChildCannotDropRoot) return;  // no mount here
    EXPECT_TRUE(full.exited && full.code == 0) << "code " << full.code;
    std::ifstream in(errors.file("full.txt"));
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_TRUE(contains(text, "otdr report: cannot write " + small + "/r.pdf (磁盘已满)\n"))
        << text;
}

TEST_F(CliOutputs, CommandsOtherThanReportLoadNoQt) {
    for (const std::string& c :
         {std::string("--version"), "info " + trace, "inspect " + trace, "events " + trace}) {
        // The dynamic linker names every library it loads.
        const std::string cmd =
            "LD_DEBUG=libs " + std::string(OTDR_CLI_PATH) + " " + c + " 2>&1 >/dev/null";
        std::string log;
        FILE* p = ::popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) log.append(buf, n);
        ::pclose(p);
        EXPECT_TRUE(contains(log, "libstdc++")) << c;
        EXPECT_FALSE(contains(log, "libQt6")) << c;
    }
}

}  // namespace
}  // namespace otdr
