// Decoding SOR files of other instruments, and otdr inspect over many files as a whole
// process.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "sr4731/decoder.h"
#include "sr4731/encoder.h"
#include "sr4731/generator.h"
#include "sr4731/import.h"
#include "sr4731/trace.h"
#include "util/file_io.h"

extern char** environ;

namespace otdr {
namespace {

// The size of the largest real traces.
constexpr std::size_t kLargePoints = 250000;

const Bytes& largeFile() {
    static const Bytes file = sr4731::encode(sr4731::typicalDocument(2, kLargePoints));
    return file;
}

// Decoding includes the checksum verification.
void BM_DecodeLargeFile(benchmark::State& state) {
    const Bytes& file = largeFile();
    for (auto _ : state) {
        auto r = sr4731::decode(file);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kLargePoints));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_DecodeLargeFile)->Unit(benchmark::kMicrosecond);

void BM_LevelsOfLargeFile(benchmark::State& state) {
    const sr4731::Document doc = sr4731::decode(largeFile()).value();
    for (auto _ : state) {
        auto r = sr4731::tracesOf(doc);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kLargePoints));
}
BENCHMARK(BM_LevelsOfLargeFile)->Unit(benchmark::kMicrosecond);

void BM_ImportLargeFile(benchmark::State& state) {
    const sr4731::Document doc = sr4731::decode(largeFile()).value();
    for (auto _ : state) {
        auto r = sr4731::importTrace(doc, {});
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ImportLargeFile)->Unit(benchmark::kMicrosecond);

#ifdef OTDR_CLI_PATH
// Thirty typical files (30000 points each, both revisions) in a folder of their own.
class TypicalFiles {
  public:
    TypicalFiles() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "otdr-bench-XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        for (int i = 0; i < 30; ++i) {
            const std::string path = (dir_ / ("typical_" + std::to_string(i) + ".sor")).string();
            if (!writeFileAtomically(path, sr4731::encode(sr4731::typicalDocument(i % 3 ? 2 : 1))))
                std::abort();
            paths_.push_back(path);
        }
    }
    ~TypicalFiles() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::vector<std::string>& paths() const { return paths_; }

  private:
    std::filesystem::path dir_;
    std::vector<std::string> paths_;
};

// Runs the program with its standard output sent to /dev/null and waits for it.
int runQuietly(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The whole process: start, decode and print thirty files, exit.
void BM_InspectThirtyFilesProcess(benchmark::State& state) {
    static const TypicalFiles files;
    std::vector<std::string> args{OTDR_CLI_PATH, "inspect"};
    args.insert(args.end(), files.paths().begin(), files.paths().end());
    if (state.range(0) == 1) args.emplace_back("--json");
    for (auto _ : state)
        if (runQuietly(args) != 0) state.SkipWithError("otdr inspect failed");
}
BENCHMARK(BM_InspectThirtyFilesProcess)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("json")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same process start without any file, for comparison.
void BM_CliStartOnly(benchmark::State& state) {
    for (auto _ : state) runQuietly({OTDR_CLI_PATH, "--help"});
}
BENCHMARK(BM_CliStartOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
}  // namespace otdr
