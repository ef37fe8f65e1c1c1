// Speed of the analyse command and of the re-measurement on a 64 km synthetic trace.

#include <benchmark/benchmark.h>

#include "../tests/core/synthetic_trace.h"
#include "workspace/workspace.h"

namespace {

using namespace otdr;

void loadTrace(Workspace& ws) {
    test::SyntheticTrace t;
    t.events = {{3000, 0.3, 0, 0},
                {6000, 0.5, 12000, 40},
                {9000, 0.2, 0, 0},
                {14000, 0.4, 10000, 40},
                {19000, 0.25, 0, 0}};
    TraceSlot& slot = ws.state().slots[0];
    slot.samples = test::makeTrace(t);
    slot.loaded = 1;
    TestParameters& p = ws.state().params;
    p.rangeIndex = 7;
    p.pulseWidthNs = 640;
    p.wavelengthClass = 1;
    p.lossScale = {1.0f, 1.0f, 1.0f};
    p.helixFactor = 1.0f;
    p.refractiveIndex = 1.4682f;
    p.sampleSpacing = computeSampleSpacing(7, 1.0f, 1.4682f);
}

void BM_Analyse(benchmark::State& state) {
    Workspace ws(Settings{});
    loadTrace(ws);
    for (auto _ : state) {
        ws.analyse();
        benchmark::DoNotOptimize(ws.state().copy.event.data());
    }
    state.counters["events"] = ws.state().slots[0].events.count();
}
BENCHMARK(BM_Analyse)->Unit(benchmark::kMicrosecond);

void BM_Remeasure(benchmark::State& state) {
    Workspace ws(Settings{});
    loadTrace(ws);
    ws.analyse();
    const EventTable detected = ws.state().slots[0].events;
    for (auto _ : state) {
        ws.state().slots[0].events = detected;
        ws.measureEvents();
        benchmark::DoNotOptimize(ws.state().eventText[0][0].data());
    }
}
BENCHMARK(BM_Remeasure)->Unit(benchmark::kMicrosecond);

}  // namespace
