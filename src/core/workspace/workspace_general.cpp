// The general analysis command: the general method on the active slot's samples, its events
// in the slot's table and the grid's cells, so that editing, markers and the report work on
// them as on the instrument's own analysis.

#include <vector>

#include "analysis/conditioning.h"
#include "analysis/detection.h"
#include "analysis/found_events.h"
#include "analysis/general/general_analysis.h"
#include "analysis/measurement.h"
#include "util/numeric.h"
#include "workspace/workspace.h"

namespace otdr {

namespace {

// The wavelength of the instrument's wavelength classes, nm.
double wavelengthOfClass(int wavelengthClass) {
    switch (wavelengthClass) {
        case 0:
            return 1310.0;
        case 2:
            return 1625.0;
        default:
            return 1550.0;
    }
}

}  // namespace

std::vector<FoundEvent> generalEventsOf(const SampleArray& samples, const TestParameters& p,
                                        float eventThreshold) {
    // One count is 0.001 dB before the loss scale of the wavelength class.
    const int cls = p.wavelengthClass <= 2 ? p.wavelengthClass : 0;
    const double scale = 0.001 * static_cast<double>(p.lossScale[static_cast<std::size_t>(cls)]);
    std::vector<double> levels(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) levels[i] = samples[i] * scale;
    general::TraceInput in;
    in.levelsDb = levels;
    // Distances as the event table counts them.
    in.spacingM = static_cast<double>(p.sampleSpacing) * static_cast<double>(p.helixFactor);
    in.pulseWidthNs = p.pulseWidthNs;
    in.groupIndex = p.refractiveIndex;
    in.wavelengthNm = wavelengthOfClass(p.wavelengthClass);
    in.thresholds.lossDb = eventThreshold;
    return general::findEvents(in);
}

void Workspace::analyseGeneral() {
    TraceSlot& slot = s_.active();

    // Start from an empty table and grid, as the analyse command does.
    slot.analysisDone = 0;
    s_.scene.series(SeriesId::Event).clear();
    s_.grid.enabled = true;
    s_.controls.setEnabled("Event_List", true);
    s_.grid.rowCount = kEventRows;
    for (int r = 1; r < kEventRows; ++r) s_.grid.clearRow(r);
    s_.grid.selectedRow = 1;
    slot.events.setCount(0);

    // The work signals event editing reads (peak level, step signal and classes, event width)
    // are those the instrument's analysis leaves; its own candidates are not kept.
    EventTable scratch;
    conditionTrace(slot.samples, s_.params, s_.work, scratch, slot.reflectiveCandidates,
                   slot.peakLevel);
    detectEvents(slot.samples, s_.params.sampleSpacing, slot.peakLevel, s_.work, scratch,
                 slot.reflectiveCandidates);
    s_.work.eventWidth =
        computeEventWidth(s_.params.pulseWidthNs, s_.params.rangeIndex, s_.params.sampleSpacing);

    const std::vector<FoundEvent> found =
        generalEventsOf(slot.samples, s_.params, s_.eventThreshold);
    fillFoundEvents(found, s_.params, slot.events, s_.eventText);
    slot.generalEvents = true;
    slot.generalText = s_.eventText;
    slot.analysisDone = 1;

    if (slot.events.count() > 0) {
        resetView();
        s_.scene.series(SeriesId::Event).clear();
        drawEventMarks();
        fillEventGrid();
    }
    for (const char* name : {"NB_CopyEvent", "TB_AddEvent", "TB_DelEvent", "TB_EditEvent",
                             "B_AddEvent", "B_DelEvent", "B_EditEvent", "MOT_Event"})
        s_.controls.setEnabled(name, true);
    moveCursor(toF32(static_cast<double>(slot.events.position(1) - s_.view.firstSample) /
                     (s_.view.samplesPerPoint > 0 ? s_.view.samplesPerPoint : 1)));
    measureMarkers();
}

void Workspace::keepGeneralText() {
    TraceSlot& slot = s_.active();
    if (slot.generalEvents) slot.generalText = s_.eventText;
}

}  // namespace otdr
