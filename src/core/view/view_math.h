#pragma once
// Arithmetic of the chart view, written once: chart x <-> sample index, the sample store
// clamp of the first shown sample, zoom steps by range and the two axis titles.
//
// The rules: a sample index is x x SamplesPerPoint truncated toward zero plus FirstSample; a
// chart x is (index - FirstSample) / SamplesPerPoint as a 32-bit float; a distance in km is
// index x SampleSpacing x 0.001 in double.

#include <cstdint>
#include <optional>
#include <string_view>

#include "view/view_state.h"

namespace otdr {

// Samples per chart point of a view, never below 1 (a zero would divide by zero).
inline int samplesPerPointOf(const ViewState& v) {
    return v.samplesPerPoint > 0 ? v.samplesPerPoint : 1;
}

// Sample index under chart x: truncated x x SamplesPerPoint + FirstSample.
std::int32_t sampleAtX(const ViewState& v, double x);

// Sample index of a marker placed at chart x, kept inside the sample store 0..32767 so that
// a marker far off the chart cannot wrap around in its 16-bit field.
std::int16_t markerSampleAtX(const ViewState& v, double x);

// Chart x of a sample index, as a 32-bit float.
float chartXOfSample(const ViewState& v, std::int32_t sample);

// Kilometres of fibre up to a (possibly fractional) sample position.
inline double sampleKm(double sample, float sampleSpacing) {
    return sample * static_cast<double>(sampleSpacing) * 0.001;
}

// Stores a value in a 16-bit signed field (the low 16 bits, as the field holds them).
inline std::int16_t toI16(std::int32_t v) {
    return static_cast<std::int16_t>(v);
}

// Sample counts per chart unit of a vertical scale step (a step outside 0..6 is taken as the
// nearest valid one, so a level is never divided by zero).
int levelDivisorOf(int vScaleIndex);

// Keeps FirstSample inside the sample store: not above 32768 - 512 x spp, not below 0.
std::int16_t clampFirstSample(std::int32_t first, int samplesPerPoint);

// A marker (or the cursor) is on the chart when 0 <= x < 512.
inline bool onChart(float x) {
    return x >= 0.0f && x < static_cast<float>(kChartPoints);
}

// Horizontal zoom step of a newly opened trace by range index: 0 -> 2, 1 -> 3, 2 -> 5,
// every other index -> 6.
int openingZoomForRange(int rangeIndex);

// The widest zoom step a range allows (also the reset view): 0 -> 3, 1 -> 4, 2 -> 5,
// every other index -> 6.
int widestZoomForRange(int rangeIndex);

// Vertical scale step for a range: 5 ("5 dB/") below range 5, else 6 ("8 dB/").
inline int defaultVScaleForRange(int rangeIndex) {
    return rangeIndex < 5 ? 5 : 6;
}

// "0.1 dB/" .. "8 dB/" by vertical scale step; nothing outside 0..6.
std::optional<std::string_view> levelAxisTitle(int vScaleIndex);

// Distance per division by range and zoom step; nothing when either lies outside its table
// (the title then stays as it was).
std::optional<std::string_view> distanceAxisTitle(int rangeIndex, int hZoomIndex);

}  // namespace otdr
