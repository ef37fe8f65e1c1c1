#pragma once
// Documents as other instruments write them, for the tests, the benchmarks and the fuzzing
// seeds: a typical file with every common block, and a realistic trace of a fibre with known
// events (from the simulator) at another instrument's resolution with its own KeyEvents.
// encode() turns either into a file.

#include <cstdint>

#include "sim/simulator.h"
#include "sr4731/document.h"

namespace otdr::sr4731 {

// Map, GenParams, SupParams, FxdParams, KeyEvents (three events), DataPts and Cksum in the
// usual order, ASCII texts, one pulse width of 30 ns at 1550 nm with `points` points of a
// falling line (one scale factor of 1000), group index 1.468.
Document typicalDocument(int version = 2, std::size_t points = 30000);

struct ForeignTraceConfig {
    sim::SimConfig fibre;  // the fibre, its events and the trace's noise
    int version = 2;
    std::uint32_t dataSpacing = 1250000;  // 100 ps per 10000 points (2.55 m at 1.4682)
    std::uint32_t points = 28000;
    std::uint16_t scaleFactor = 1000;
};

struct ForeignTrace {
    Document doc;
    sim::SimResult truth;  // the simulated trace and its events, on the instrument's grid
};

// The simulated trace, sampled at the foreign spacing (point i at i x spacing metres, the
// strongest level stored as 0), with a KeyEvents block giving each event and the fibre end
// at its distance.
ForeignTrace makeForeignTrace(const ForeignTraceConfig& config);

}  // namespace otdr::sr4731
