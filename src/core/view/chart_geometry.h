#pragma once
// Pure chart geometry: the plotted levels of a slot, the position of a distance label box and
// the ordering of the four markers. The workspace turns these numbers into series.

#include <array>
#include <cstdint>
#include <span>

#include "view/view_state.h"

namespace otdr {

using ChartLevels = std::array<std::int16_t, kChartPoints>;

// The 512 plotted levels of a slot: each point averages SamplesPerPoint samples from
// FirstSample + p x spp on (summing stops before index 32767, the divisor stays spp), divides
// by the vertical scale divisor, subtracts LevelOffset (and 2 more for the second slot) and
// is clamped to 0..600.
void plotLevels(std::span<const std::uint16_t> samples, const ViewState& view, int slot,
                ChartLevels& out);

// Horizontal extent of a distance label box beside a vertical line at x: to the right
// (x + 2 .. x + 75) unless x + 88 passes the chart's right end, then to the left
// (x - 2 .. x - 75). The first value is the side next to the line.
struct LabelSpan {
    float near = 0;
    float far = 0;
};
LabelSpan labelSpanBeside(float x);

// Puts the markers' chart positions in order after the marker `moved` was placed.
// Four-marker (splice) mode: the moved marker pushes the others so that a <= A <= B <= b.
// Two-marker modes: only A and B are ordered, and only a partner that lies on the chart
// (0 <= x <= 511) is pushed.
void orderMarkers(std::array<float, 4>& x, int moved, bool fourMarkers);

}  // namespace otdr
