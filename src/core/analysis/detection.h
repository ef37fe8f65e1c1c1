#pragma once
// Event detection on the conditioned work signals. Positions are half-rate indices until the
// final conversion. Reflective candidates (a peak rising out of the backscatter) go into the
// reflective table, non-reflective ones (an abnormal drop) into the event table; the two are
// merged, the doubtful tail is pruned and the positions are converted to full-rate indices.
// Both tables hold at most 199 entries; a candidate beyond that is dropped.

#include <cstdint>
#include <optional>

#include "analysis/conditioning.h"
#include "analysis/event_table.h"
#include "analysis/work_buffers.h"
#include "measure/line_fit.h"

namespace otdr {

// Near-end reflections on the full-rate trace, indices 20 .. min(scanLimit, 300).
void nearEndReflectionScan(SampleView x, int scanLimit, EventTable& reflective);

// Onsets of strongly negative step signal, walked back out of saturation.
void findReflectiveCandidates(const AnalysisWork& w, std::uint16_t peakLevel,
                              EventTable& reflective);

// Persistent rises of the step class outside the launch pulse.
void findNonReflectiveCandidates(const AnalysisWork& w, std::uint16_t peakLevel,
                                 EventTable& events);

// Moves each reflective candidate down its rising edge (at most 40 full-rate samples).
void refineReflectiveCandidates(SampleView x, EventTable& reflective);

// True when the step class does not change from u to v (StepClass[h+1] = StepClass[h] for
// every u <= h < v).
bool stepClassConstant(const AnalysisWork& w, int u, int v);

// Merges the reflective candidates into the ascending event table, flagging them.
void mergeCandidates(const AnalysisWork& w, const EventTable& reflective, EventTable& events);

// Drops a last event that looks like the tail of the one before it.
void dropDoubtfulLastEvent(const AnalysisWork& w, EventTable& events);

// Drops trailing events (while more than three remain) whose leading 600 samples are too
// steep or too flat to be fibre. Returns the last line fit made, if any.
std::optional<FitResult> pruneTailBySlope(SampleView x, const AnalysisWork& w, float sampleSpacing,
                                          EventTable& events);

// Cuts the table at the first event that lies in the noise.
void cutAtNoise(SampleView x, EventTable& events);

// Half-rate positions to full-rate positions, keeping the reflective flag.
void convertToFullRate(EventTable& events);

// Detection after conditioning: step signals, candidates, merge, pruning and conversion.
// Returns the last line fit made, if any.
std::optional<FitResult> detectEvents(SampleView x, float sampleSpacing, std::uint16_t peakLevel,
                                      AnalysisWork& w, EventTable& events, EventTable& reflective);

}  // namespace otdr
