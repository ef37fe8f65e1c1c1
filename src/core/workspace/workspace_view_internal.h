#pragma once
// Small steps shared by the view, cursor and slot commands of the workspace.

#include <algorithm>

#include "view/view_math.h"
#include "workspace/workspace.h"

namespace otdr::detail {

// The marker the cursor stands on (A when the stored index is out of range).
inline int activeMarkerIndex(const MarkerState& m) {
    if (m.active >= kMarkerSmallA && m.active <= kMarkerSmallB) return m.active;
    return kMarkerA;
}

// Sample under the cursor.
inline std::int32_t cursorSample(const ViewState& v) {
    return sampleAtX(v, v.cursorX);
}

// Markers on the chart take the sample under their chart x (the lasting position).
inline void rederiveVisibleMarkerSamples(WorkspaceState& s) {
    for (std::size_t k = 0; k < 4; ++k)
        if (onChart(s.markers.x[k])) s.markers.sample[k] = markerSampleAtX(s.view, s.markers.x[k]);
}

// Every marker's chart x from its sample, for the current view.
inline void placeMarkersFromSamples(WorkspaceState& s) {
    for (std::size_t k = 0; k < 4; ++k)
        s.markers.x[k] = chartXOfSample(s.view, s.markers.sample[k]);
}

// Sets the horizontal zoom step and its samples per point (2 to the power of the step).
inline void setZoomStep(ViewState& v, int step) {
    step = std::clamp(step, 0, 6);
    v.hZoomIndex = static_cast<std::int16_t>(step);
    v.samplesPerPoint = static_cast<std::int16_t>(1 << step);
}

}  // namespace otdr::detail
