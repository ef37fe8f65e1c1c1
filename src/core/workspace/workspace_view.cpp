// Chart plotting, cursor and markers, view commands, two traces and marker measurements.
// (Filled in by the trace view work; these minimal bodies keep the program whole.)

#include "measure/line_fit.h"
#include "workspace/workspace.h"

namespace otdr {

void Workspace::plotTrace(int) {}
void Workspace::rescaleView() {}
void Workspace::applyNewTraceView() {}
void Workspace::drawCursor() {}
void Workspace::drawMarkers() {}
void Workspace::moveCursor(float x) {
    s_.view.cursorX = x;
}
void Workspace::cycleActiveMarker() {}
void Workspace::moveCursorLeft() {}
void Workspace::moveCursorRight() {}
void Workspace::mouseDown(float, float, MouseButton) {}
void Workspace::mouseMove(float, float) {}
void Workspace::mouseUp() {}
void Workspace::expandHorizontal() {}
void Workspace::compressHorizontal() {}
void Workspace::expandVertical() {}
void Workspace::compressVertical() {}
void Workspace::shiftTraceUp() {}
void Workspace::shiftTraceDown() {}
void Workspace::resetView() {}
void Workspace::selectTrace(int slot) {
    s_.activeTrace = static_cast<std::int16_t>(slot & 1);
}
void Workspace::clearTrace() {}
void Workspace::measureMarkers() {}
void Workspace::setMeasureModeLoss() {}
void Workspace::setMeasureModeSplice() {}
void Workspace::setMeasureModeRef() {}

void Workspace::fitLine(int start, int end) {
    const FitResult r = otdr::fitLine(s_.active().samples, start, end, s_.params.sampleSpacing);
    s_.fitSlope = r.slope;
    s_.fitIntercept = r.intercept;
}

}  // namespace otdr
