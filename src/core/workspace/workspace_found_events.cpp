// Events the instrument's analysis did not find (the file's own, those of the general
// analysis) in the active slot's table and the grid: one way in for both, so that slot
// switching, the fibre dialog, event editing, the markers and the report treat them alike.

#include "analysis/conditioning.h"
#include "analysis/measurement.h"
#include "workspace/workspace.h"

namespace otdr {

void Workspace::prepareEditingWork() {
    // The work signals an analysis starts from, so that events added or changed by hand are
    // measured as after an analysis. The slot's tables are emptied now; the signals are
    // computed when an edit or a measurement first reads them.
    TraceSlot& slot = s_.active();
    if (dueWork_ && dueWork_->slot != (s_.activeTrace & 1)) computeDueEditingWork();
    slot.events.clearAll();
    slot.reflectiveCandidates.clearAll();
    dueWork_ = DueWork{s_.activeTrace & 1, s_.params};
}

void Workspace::computeDueEditingWork() {
    if (!dueWork_) return;
    const DueWork due = *dueWork_;
    dueWork_.reset();
    TraceSlot& slot = s_.slots[static_cast<std::size_t>(due.slot)];
    // The event table was emptied when the work fell due and has been filled since.
    EventTable emptied;
    conditionTrace(slot.samples, due.params, s_.work, emptied, slot.reflectiveCandidates,
                   slot.peakLevel);
    buildStepSignals(s_.work);
    s_.work.eventWidth =
        computeEventWidth(due.params.pulseWidthNs, due.params.rangeIndex, due.params.sampleSpacing);
}

void Workspace::enableEventCommands() {
    for (const char* name : {"NB_CopyEvent", "TB_AddEvent", "TB_DelEvent", "TB_EditEvent",
                             "B_AddEvent", "B_DelEvent", "B_EditEvent", "MOT_Event"})
        s_.controls.setEnabled(name, true);
}

void Workspace::startFoundEvents() {
    TraceSlot& slot = s_.active();
    slot.analysisDone = 0;
    slot.eventSource = EventSource::Instrument;
    prepareEditingWork();
    s_.scene.series(SeriesId::Event).clear();
    for (int r = 1; r < kEventRows; ++r) s_.grid.clearRow(r);
    s_.grid.selectedRow = 1;
}

void Workspace::finishFoundEvents(EventSource source) {
    TraceSlot& slot = s_.active();
    slot.eventSource = source;
    if (!slot.eventsShown() || slot.events.count() == 0) return;
    s_.grid.enabled = true;
    s_.controls.setEnabled("Event_List", true);
    s_.scene.series(SeriesId::Event).clear();
    drawEventMarks();
    fillEventGrid();
    enableEventCommands();
}

sr4731::StoredEventsFill Workspace::showStoredEvents(std::span<const FoundEvent> events) {
    startFoundEvents();
    const sr4731::StoredEventsFill fill =
        sr4731::fillStoredEvents(events, s_.params, s_.active().events, s_.eventText);
    finishFoundEvents(fill.written > 0 ? EventSource::Stored : EventSource::Instrument);
    return fill;
}

}  // namespace otdr
