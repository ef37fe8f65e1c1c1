#pragma once
// The traces of a decoded file as distances and levels, for export and import.
//
// A file holds one trace per pulse width when it gives several pulse widths and as many
// scale-factor groups (group k then belongs to pulse width k), or when the point counts of
// its pulse widths add up to the points present (the points then follow each other in
// pulse-width order). Otherwise all points form one trace at the first pulse width's
// spacing. Point i lies i x spacing from the start of the trace.

#include <cstdint>
#include <optional>
#include <vector>

#include "sr4731/document.h"
#include "util/result.h"

namespace otdr::sr4731 {

struct Trace {
    std::size_t pulse = 0;  // index into FixedParams::pulses
    std::uint16_t pulseWidthNs = 0;
    double spacingMetres = 0.0;
    // Level of each point in dB, larger is stronger: a stored point p with scale factor s is
    // -p x s / 1000 x 0.001 dB.
    std::vector<double> levelsDb;
};

// Refused when the file has no FxdParams or DataPts, no points, or no data spacing, and for a
// document decoded without its contents.
Result<std::vector<Trace>> tracesOf(const Document& doc);

// Whether tracesOf takes the file, with its reason when not, found without reading the levels.
Result<void> checkTraces(const Document& doc);

// Metres from the start to the last point of the file's longest trace, found without reading
// the levels; nothing when tracesOf refuses the file.
std::optional<double> lastPointMetres(const Document& doc);

}  // namespace otdr::sr4731
