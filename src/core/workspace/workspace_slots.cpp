// Two traces on one chart: choosing the active slot and clearing it.

#include "workspace/workspace.h"

namespace otdr {

namespace {
void clearEventDisplay(WorkspaceState& s) {
    s.scene.series(SeriesId::Event).clear();
    for (int r = 1; r < kEventRows; ++r) s.grid.clearRow(r);
}

}  // namespace

// Runs when a slot's radio button becomes checked (by the user or by the clear command).
void Workspace::selectTrace(int slot) {
    const int n = slot == 1 ? 1 : 0;
    const int m = 1 - n;
    TraceSlot& chosen = s_.slots[static_cast<std::size_t>(n)];
    TraceSlot& left = s_.slots[static_cast<std::size_t>(m)];
    // The event texts describe the active slot: kept cells go with their slot.
    const bool switched = (s_.activeTrace & 1) != n;
    if (left.eventsShown()) {
        if (switched && left.keepsCells()) left.keptText = s_.eventText;
        clearEventDisplay(s_);
    }

    s_.activeTrace = static_cast<std::int16_t>(n);
    s_.controls.setChecked("RB_Trace1", n == 0);
    s_.controls.setChecked("RB_Trace2", n == 1);
    if (chosen.loaded == 1)
        showSlotParameters(n);
    else
        blankPanelBoxes();

    // The markers keep their places; they now measure on this slot.
    plotTrace(n);
    drawMarkers();
    drawCursor();

    if (chosen.eventsShown() && chosen.events.count() != 0) {
        s_.scene.series(SeriesId::Event).clear();
        if (!chosen.keepsCells())
            measureEvents();
        else if (switched)
            s_.eventText = chosen.keptText;
        drawEventMarks();
        fillEventGrid();
    }
}

void Workspace::clearTrace() {
    const int k = s_.activeTrace & 1;
    const int m = 1 - k;
    TraceSlot& slot = s_.slots[static_cast<std::size_t>(k)];

    slot.loaded = 0;
    if (slot.eventsShown()) clearEventDisplay(s_);
    slot.analysisDone = 0;
    slot.eventSource = EventSource::Instrument;
    slot.importedFrom.clear();
    slot.importedTrace.reset();
    slot.events.setCount(0);
    computeDueEditingWork();  // from the samples being cleared
    slot.samples.fill(0);
    slot.chartPoints.fill(0);

    s_.controls.setVisible(k == 0 ? "Label13" : "Label14", false);
    s_.controls.setText(k == 0 ? "LB_OtdrTitle" : "LB_OtdrTitle2", " ");
    blankPanelBoxes();
    s_.scene.series(k == 0 ? SeriesId::Wave : SeriesId::Wave1).clear();

    // Checking the other slot's radio button makes it active, as a click on it would.
    selectTrace(m);
    if (s_.slots[static_cast<std::size_t>(m)].loaded == 1) showSlotParameters(m);
    plotTrace(m);
    drawMarkers();
    drawCursor();
}

}  // namespace otdr
