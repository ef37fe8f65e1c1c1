#pragma once
// Work areas of the analysis, allocated once with the workspace and overwritten by every
// analysis. Indices are half-rate (h addresses full-rate sample 2h).

#include <array>
#include <cstdint>

#include "trace/trace_record.h"

namespace otdr {

struct AnalysisWork {
    std::array<std::uint16_t, kHalfSampleCount> workTrace{};
    std::array<std::int32_t, kHalfSampleCount> stepSignal{};
    std::array<std::int16_t, kHalfSampleCount> stepClass{};
    std::uint16_t signalEndIndex = 31000;
    std::int16_t scanLimit = 30000;
    std::int16_t slopeBaseline = 0;
    std::int16_t eventWidth = 0;
};

// Nominal metres per sample by range index.
constexpr std::array<double, 10> kNominalSpacing{0.125, 0.125, 0.125, 0.125, 0.25,
                                                 0.5,   1.0,   2.0,   4.0,   8.0};

}  // namespace otdr
