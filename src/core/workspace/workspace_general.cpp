// The general analysis command: the general method on the active slot's samples (an imported
// trace's at its file's own resolution), its events in the slot's table and the grid's cells,
// so that editing, markers and the report work on them as on the instrument's own analysis;
// and the analyse command, which gives imported traces the general analysis.

#include <vector>

#include "analysis/found_events.h"
#include "analysis/general/general_analysis.h"
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

std::vector<FoundEvent> Workspace::generalEventsOfActive() const {
    const TraceSlot& slot = s_.active();
    if (!slot.importedTrace) return generalEventsOf(slot.samples, s_.params, s_.eventThreshold);
    // An imported trace at its file's own resolution, with the file's thresholds, at the
    // group index in force (the file's until the user changes it).
    const sr4731::AnalysisTrace& t = *slot.importedTrace;
    const double n = toF32(t.groupIndex) == s_.params.refractiveIndex
                         ? t.groupIndex
                         : static_cast<double>(s_.params.refractiveIndex);
    general::Thresholds over;
    if (s_.eventThresholdChosen) over.lossDb = static_cast<double>(s_.eventThreshold);
    return general::findEvents(sr4731::generalInputOf(t, n, over));
}

void Workspace::analyseGeneral() {
    TraceSlot& slot = s_.active();

    // Start from an empty table and grid, as the analyse command does; the work signals event
    // editing reads are those the instrument's analysis starts from.
    startFoundEvents();
    s_.grid.enabled = true;
    s_.controls.setEnabled("Event_List", true);
    s_.grid.rowCount = kEventRows;

    fillFoundEvents(generalEventsOfActive(), s_.params, slot.events, s_.eventText);
    slot.analysisDone = 1;
    if (slot.events.count() > 0) resetView();
    finishFoundEvents(EventSource::General);
    enableEventCommands();
    moveCursor(toF32(static_cast<double>(slot.events.position(1) - s_.view.firstSample) /
                     (s_.view.samplesPerPoint > 0 ? s_.view.samplesPerPoint : 1)));
    measureMarkers();
}

void Workspace::analyseCommand() {
    // The instrument's analysis is made for its own traces; another instrument's trace gets
    // the general one.
    if (s_.active().importedFrom.empty())
        analyse();
    else
        analyseGeneral();
}

}  // namespace otdr
