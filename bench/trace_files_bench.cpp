// Reading and writing trace files, and opening them through the workspace.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "trace/sor_format.h"
#include "trace/zt_format.h"
#include "util/file_io.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

SampleArray benchSamples() {
    SampleArray s{};
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::uint16_t>(50000 - i + (i * 7919) % 97);
    return s;
}

SorWriteParams benchSorParams() {
    SorWriteParams p;
    p.rangeIndex = 7;
    p.pulseWidthNs = 1280;
    p.averageCount = 64;
    p.waveText = "1550 nm";
    return p;
}

Bytes benchSor() {
    TraceRecord rec;
    rec.genParams.cableId = "CABLE";
    return buildSor(rec, benchSamples(), benchSorParams()).value();
}

Bytes benchZt() {
    GenParams g;
    TestParameters p;
    p.rangeIndex = 7;
    ZtHeader h;
    rebuildZtHeader(h, p, "1550 nm", 0, 0);
    return buildZt(g, h, benchSamples(), EventTable{}, EventText{});
}

void BM_ReadSor(benchmark::State& state) {
    const Bytes file = benchSor();
    for (auto _ : state) {
        auto r = readSor(file);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ReadSor)->Unit(benchmark::kMicrosecond);

void BM_BuildSor(benchmark::State& state) {
    const SampleArray samples = benchSamples();
    TraceRecord rec;
    for (auto _ : state) {
        auto r = buildSor(rec, samples, benchSorParams());
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_BuildSor)->Unit(benchmark::kMicrosecond);

void BM_ReadZt(benchmark::State& state) {
    const Bytes file = benchZt();
    for (auto _ : state) {
        auto r = readZt(file);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ReadZt)->Unit(benchmark::kMicrosecond);

// The open command from the file on disk to the filled slot and panel (no drawing).
void openBench(benchmark::State& state, const Bytes& bytes, const char* name) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    if (!writeFileAtomically(path, bytes).ok()) state.SkipWithError("cannot write");
    auto ws = std::make_unique<Workspace>(Settings{});
    for (auto _ : state) benchmark::DoNotOptimize(ws->openTrace(path));
    std::remove(path.c_str());
}

void BM_OpenSorThroughWorkspace(benchmark::State& state) {
    openBench(state, benchSor(), "otdr-bench-open.sor");
}
BENCHMARK(BM_OpenSorThroughWorkspace)->Unit(benchmark::kMicrosecond);

void BM_OpenZtThroughWorkspace(benchmark::State& state) {
    openBench(state, benchZt(), "otdr-bench-open.zt");
}
BENCHMARK(BM_OpenZtThroughWorkspace)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace otdr
