#pragma once
// Event measurement: walks the event table from the first event to the last, removes events
// that cannot be real, cuts the table where the fibre ends and writes the five text cells of
// every event that stays. All positions are full-rate sample indices; one count is 0.001 dB.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "analysis/conditioning.h"
#include "analysis/event_table.h"
#include "analysis/work_buffers.h"
#include "measure/line_fit.h"
#include "trace/trace_record.h"

namespace otdr {

// What the measurement reads: the active trace, its parameters and the work signals of the
// last analysis.
struct MeasureInput {
    SampleView x;
    const TestParameters& params;
    std::uint16_t peakLevel = 0;
    std::uint16_t signalEndIndex = 0;
    const AnalysisWork& work;
    float eventThreshold = 0.05f;
};

// Nanoseconds of the pulse widths that have their own row in the event-width factor table.
constexpr std::array<int, 9> kPulseWidthTable{10, 30, 80, 160, 320, 640, 1280, 5120, 10240};

// Factor of the event width for a pulse row p (0..9) and a range index.
double eventWidthFactor(int pulseRow, int rangeIndex);

// Length in full-rate samples used to step past an event and to search a reflection peak.
std::int16_t computeEventWidth(int pulseWidthNs, int rangeIndex, float sampleSpacing);

// First full-rate index after the launch pulse, starting at the event width, plus 100.
int findFiberStart(SampleView x, int eventWidth, std::uint16_t peakLevel, float attenuationDb);

// 10 x log10 of the pulse width, 0 for a width of 0 or less.
double pulseWidthDb(int pulseWidthNs);

// The entry of the loss scale for the wavelength class (entry 0 for an unknown class).
float lossScaleFor(const TestParameters& p);

// Measures the table in place. Writes the cells of the rows that stay, sets eventWidth and
// returns the last line fit made (none when no fit was needed).
std::optional<FitResult> measureEventTable(const MeasureInput& in, EventTable& table,
                                           EventText& text, std::int16_t& eventWidth);

}  // namespace otdr
