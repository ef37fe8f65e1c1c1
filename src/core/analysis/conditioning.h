#pragma once
// Trace conditioning: the work signals the event search runs on. The active trace is copied
// at half rate, its peak level, signal end and scan limit are estimated, and a step signal
// compares the mean level of two short windows 80 half-rate samples apart. All of it is
// integer arithmetic on the 16-bit level counts.

#include <cstdint>
#include <span>

#include "analysis/event_table.h"
#include "analysis/work_buffers.h"
#include "trace/trace_record.h"

namespace otdr {

using SampleView = std::span<const std::uint16_t>;

// Nominal metres per sample of a range index; an index outside the table uses that of 7, the
// index the view substitutes for an unknown range.
double nominalSpacing(int rangeIndex);

// WorkTrace[h] = x[2h] for every half-rate index.
void halfRateCopy(SampleView x, AnalysisWork& w);
// Largest level among full-rate indices 0..15999.
std::uint16_t findPeakLevel(SampleView x);
// Nine-point moving average in place, ascending, so its left half reads smoothed values.
void smoothWorkTrace(AnalysisWork& w);
// Full-rate index where the trace last stands more than 6500 counts above the far-end noise
// of the smoothed work trace; 20 when it never does.
std::uint16_t findSignalEnd(SampleView x, const AnalysisWork& w);
// Last half-rate index the detectors examine, from the smoothed work trace.
std::int16_t findScanLimit(const AnalysisWork& w, int rangeIndex);

// Step signal over h = 1..15900 from the unsmoothed work trace.
void computeStepSignal(AnalysisWork& w);
// Typical step value over the early fibre: 4th smallest of ten 300-entry block medians.
std::int16_t computeSlopeBaseline(const AnalysisWork& w);
// Baseline correction (x20) and the step classes 400 / 50 / 0 over h = 1..15750.
void correctAndClassify(AnalysisWork& w);

// Everything before the step signal, in order: clears both tables, copies, finds the peak,
// smooths, estimates the signal end and the scan limit, runs the near-end reflection scan
// (short ranges with a 10 ns pulse) and refills the work trace unsmoothed.
void conditionTrace(SampleView x, const TestParameters& p, AnalysisWork& w, EventTable& events,
                    EventTable& reflective, std::uint16_t& peakLevel);

// Step signal, baseline and classes (the start of detection).
void buildStepSignals(AnalysisWork& w);

}  // namespace otdr
