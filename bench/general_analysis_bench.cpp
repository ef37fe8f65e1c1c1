// Speed of the general analysis on a simulated 250 000-point trace (target: under 20 ms).

#include <benchmark/benchmark.h>

#include "analysis/general/general_analysis.h"
#include "sim/level_simulator.h"

namespace {

using namespace otdr;

void BM_GeneralAnalysis250k(benchmark::State& state) {
    sim::LevelSimConfig c;
    c.points = 250000;
    c.spacingM = 0.5;
    c.pulseWidthNs = 100;
    c.fibreLengthM = 100000;
    c.attenuationDbPerKm = 0.19;
    c.startSnrDb = 45;
    c.floorSlopeDbPerKm = 0.02;
    for (int k = 1; k <= 12; ++k)
        c.events.push_back({k * 7500.0, 0.1 + 0.05 * k, k % 3 == 0, -50.0 + k});
    const auto trace = sim::simulateLevels(c);
    general::TraceInput in;
    in.levelsDb = trace.levelsDb;
    in.spacingM = c.spacingM;
    in.pulseWidthNs = c.pulseWidthNs;
    in.groupIndex = c.groupIndex;
    std::size_t events = 0;
    for (auto _ : state) {
        const auto r = general::analyse(in);
        events = r.events.size();
        benchmark::DoNotOptimize(r.events.data());
    }
    state.counters["events"] = static_cast<double>(events);
}
BENCHMARK(BM_GeneralAnalysis250k)->Unit(benchmark::kMillisecond);

}  // namespace
