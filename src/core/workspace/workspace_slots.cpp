// Two traces on one chart: choosing the active slot and clearing it.

#include "workspace/workspace.h"

namespace otdr {

namespace {
void clearEventDisplay(WorkspaceState& s) {
    s.scene.series(SeriesId::Event).clear();
    for (int r = 1; r < kEventRows; ++r) s.grid.clearRow(r);
}

// A file's own events keep their cells while the other slot is active: the event texts then
// describe that slot.
void keepStoredCells(TraceSlot& slot, const EventText& text) {
    slot.storedCells.assign(static_cast<std::size_t>(slot.events.count()), {});
    for (std::size_t r = 0; r < slot.storedCells.size(); ++r)
        for (std::size_t c = 0; c < 5; ++c) slot.storedCells[r][c] = text[c][r];
}

void restoreStoredCells(const TraceSlot& slot, EventText& text) {
    for (std::size_t r = 0; r < slot.storedCells.size(); ++r)
        for (std::size_t c = 0; c < 5; ++c) text[c][r] = slot.storedCells[r][c];
}
}  // namespace

// Runs when a slot's radio button becomes checked (by the user or by the clear command).
void Workspace::selectTrace(int slot) {
    const int n = slot == 1 ? 1 : 0;
    const int m = 1 - n;
    TraceSlot& chosen = s_.slots[static_cast<std::size_t>(n)];
    TraceSlot& left = s_.slots[static_cast<std::size_t>(m)];
    if (left.analysisDone == 1) clearEventDisplay(s_);
    if (left.showsStoredEvents) {
        if ((s_.activeTrace & 1) == m) keepStoredCells(left, s_.eventText);
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

    if (chosen.analysisDone == 1 && chosen.events.count() != 0) {
        s_.scene.series(SeriesId::Event).clear();
        measureEvents();
        drawEventMarks();
        fillEventGrid();
    } else if (chosen.showsStoredEvents && !chosen.storedCells.empty()) {
        s_.scene.series(SeriesId::Event).clear();
        restoreStoredCells(chosen, s_.eventText);
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
    slot.showsStoredEvents = false;
    slot.storedCells.clear();
    slot.importedFrom.clear();
    slot.events.setCount(0);
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
