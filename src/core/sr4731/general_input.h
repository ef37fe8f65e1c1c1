#pragma once
// A trace of a decoded SR-4731 file as the general analysis takes it: its levels at the
// file's own resolution and what the file says of the measurement (pulse width, wavelength,
// group index, backscatter coefficient, the thresholds of its analysis and where the front
// panel lies).

#include <cstddef>
#include <optional>
#include <vector>

#include "analysis/general/general_analysis.h"
#include "sr4731/document.h"
#include "sr4731/trace.h"
#include "util/result.h"

namespace otdr::sr4731 {

struct AnalysisTrace {
    std::vector<double> levelsDb;
    double spacingM = 0.0;    // metres per point at the file's group index
    double groupIndex = 0.0;  // the file's (FixedParams::effectiveGroupIndex)
    double pulseWidthNs = 0.0;
    double wavelengthNm = 0.0;
    std::optional<double> backscatterDb;  // for a 1 ns pulse; unset where the file gives none
    // The loss, reflectance and end-of-fibre thresholds the file gives (0 gives none).
    general::Thresholds thresholds;
    double frontPanelM = 0.0;  // from the first point, at the file's group index; never < 0
};

// The trace numbered `trace` (from 0, see tracesOf) with the file's parameters; refused as
// tracesOf refuses the file, or when it holds fewer traces.
Result<AnalysisTrace> analysisTraceOf(const Document& doc, std::size_t trace = 0);
// The same for one of the file's traces as tracesOf has read it, whose levels it takes.
AnalysisTrace analysisTraceOf(const Document& doc, Trace&& trace);

// The general analysis's input for the trace at a group index (its distances follow the
// inverse of the index), with the thresholds of `over` in place of the file's. The input
// refers to the trace's levels.
general::TraceInput generalInputOf(const AnalysisTrace& t, double groupIndex,
                                   const general::Thresholds& over = {});

}  // namespace otdr::sr4731
