// Speed of the trace simulator: one whole 32768-sample trace per iteration.

#include <benchmark/benchmark.h>

#include "sim/simulator.h"

namespace {

otdr::sim::SimConfig typicalConfig() {
    otdr::sim::SimConfig c;  // 64 km range, 1280 ns, 1550 nm, 40 km of fibre
    c.events = {{12.5, 0.3}, {20.0, 0.5, true, -45.0}, {31.0, 0.1}};
    return c;
}

void BM_SimulateTypical(benchmark::State& state) {
    const otdr::sim::SimConfig c = typicalConfig();
    for (auto _ : state) {
        auto r = otdr::sim::simulate(c);
        benchmark::DoNotOptimize(r.samples.data());
    }
}
BENCHMARK(BM_SimulateTypical)->Unit(benchmark::kMicrosecond);

// The longest range with the widest pulse: the longest reflection tails.
void BM_SimulateLongNoisy(benchmark::State& state) {
    otdr::sim::SimConfig c;
    c.rangeIndex = 9;
    c.pulseWidthNs = 10240;
    c.fibreLengthKm = 200;
    c.noiseLevel = 3.0;
    c.events = {{50, 0.2}, {100, 0.5, true, -40}, {150, 0.3}};
    for (auto _ : state) {
        auto r = otdr::sim::simulate(c);
        benchmark::DoNotOptimize(r.samples.data());
    }
}
BENCHMARK(BM_SimulateLongNoisy)->Unit(benchmark::kMicrosecond);

void BM_SimulateNoiseless(benchmark::State& state) {
    otdr::sim::SimConfig c = typicalConfig();
    c.noiseLevel = 0.0;
    for (auto _ : state) {
        auto r = otdr::sim::simulate(c);
        benchmark::DoNotOptimize(r.samples.data());
    }
}
BENCHMARK(BM_SimulateNoiseless)->Unit(benchmark::kMicrosecond);

}  // namespace
