// The analyse command, event measurement, the event marks, the event grid with its copy text,
// and the selection of an event row.

#include <algorithm>

#include "analysis/conditioning.h"
#include "analysis/detection.h"
#include "analysis/event_texts.h"
#include "analysis/measurement.h"
#include "util/checked.h"
#include "util/numeric.h"
#include "view/view_math.h"
#include "workspace/workspace.h"

namespace otdr {

namespace {

// Chart x of a sample index, as a float.
float chartXOf(int sampleIndex, const ViewState& v) {
    return toF32(static_cast<double>(sampleIndex - v.firstSample) / samplesPerPointOf(v));
}

}  // namespace

void Workspace::analyse() {
    // Work signals still due for events shown before belong to the state this analysis starts
    // from.
    computeDueEditingWork();
    TraceSlot& slot = s_.active();
    const int a = s_.activeTrace & 1;

    // 1. Start from an empty table and grid; the analysis replaces a file's own events.
    slot.analysisDone = 0;
    slot.eventSource = EventSource::Instrument;
    s_.scene.series(SeriesId::Event).clear();
    s_.grid.enabled = true;
    s_.controls.setEnabled("Event_List", true);
    s_.grid.rowCount = kEventRows;
    for (int r = 1; r < kEventRows; ++r) s_.grid.clearRow(r);
    s_.grid.selectedRow = 1;
    slot.events.setCount(0);

    // 2. Conditioning and detection.
    conditionTrace(slot.samples, s_.params, s_.work, slot.events, slot.reflectiveCandidates,
                   slot.peakLevel);
    const auto fit = detectEvents(slot.samples, s_.params.sampleSpacing, slot.peakLevel, s_.work,
                                  slot.events, slot.reflectiveCandidates);
    if (fit) {
        s_.fitSlope = fit->slope;
        s_.fitIntercept = fit->intercept;
    }
    slot.analysisDone = 1;

    // 3. Measurement, view reset, marks and grid.
    if (slot.events.count() > 0) {
        measureEvents();
        resetView();
        if (slot.events.count() > 0) {
            s_.scene.series(SeriesId::Event).clear();
            drawEventMarks();
            fillEventGrid();
        }
    }

    // 4. The event commands, whether or not events were found.
    enableEventCommands();

    // 5. The cursor goes to the first event (word 1, whatever it holds).
    moveCursor(chartXOf(s_.slots[static_cast<std::size_t>(a)].events.position(1), s_.view));
    measureMarkers();
}

void Workspace::measureEvents() {
    TraceSlot& slot = s_.active();
    // Events the instrument's analysis did not find keep their cells, which the event texts
    // hold while the slot is active.
    if (slot.keepsCells()) return;
    computeDueEditingWork();
    const MeasureInput in{slot.samples,           s_.params, slot.peakLevel,
                          s_.work.signalEndIndex, s_.work,   s_.eventThreshold};
    const auto fit = measureEventTable(in, slot.events, s_.eventText, s_.work.eventWidth);
    if (fit) {
        s_.fitSlope = fit->slope;
        s_.fitIntercept = fit->intercept;
    }
}

void Workspace::drawEventMarks() {
    const TraceSlot& slot = s_.active();
    const ViewState& v = s_.view;
    const int spp = samplesPerPointOf(v);
    std::int32_t divisor = at(kVScaleDivisor, v.vScaleIndex);
    if (divisor <= 0) divisor = 1;
    ChartSeries& series = s_.scene.series(SeriesId::Event);
    for (int r = 1; r <= slot.events.count(); ++r) {
        const int pos = slot.events.position(r);
        const int x = (pos - v.firstSample) / spp;
        if (x <= 0 || x >= kChartPoints) continue;
        const auto y = static_cast<std::int16_t>(
            static_cast<std::int32_t>(at(slot.samples, pos)) / divisor - v.levelOffset);
        const int shown = y < 0 ? 10 : y > kChartHeight ? kChartHeight : y;
        series.add(static_cast<float>(x), static_cast<float>(shown), colours::kGreen);
    }
}

void Workspace::fillEventGrid() {
    const EventTable& t = s_.active().events;
    const int n = t.count();
    EventGrid& g = s_.grid;
    g.rowCount = n + 1;
    for (int c = 0; c < EventGrid::kColumns; ++c)
        g.cells[0][static_cast<std::size_t>(c)] =
            std::string(kEventGridHeader[static_cast<std::size_t>(c)]);
    std::string copy(kCopyEventHeader);
    for (int r = 1; r <= n; ++r) {
        auto& row = g.cells[static_cast<std::size_t>(r)];
        const std::string_view type = eventTypeName(t, r);
        row[0] = std::to_string(r);
        row[1] = std::string(type);
        for (int c = 0; c < 5; ++c)
            row[static_cast<std::size_t>(c + 2)] =
                s_.eventText[static_cast<std::size_t>(c)][static_cast<std::size_t>(r - 1)];
        copy += '\n';
        copy += copyEventLine(r, type, s_.eventText);
    }
    for (int r = n + 1; r < kEventRows; ++r) g.clearRow(r);
    s_.copy.event = std::move(copy);
}

void Workspace::selectEventRow(int row) {
    // Row 0 is the header and cannot be selected; nor can a row the grid does not have.
    if (row < 1 || row >= s_.grid.rowCount) return;
    s_.grid.selectedRow = row;
    // A chart mouse action that moves the cursor selects rows itself.
    if (s_.markers.rowFollowsCursor) return;
    const EventTable& t = s_.active().events;
    // An empty row below the table shows no event.
    if (row < 1 || row > t.count()) return;
    const int pos = t.position(row);
    ViewState& v = s_.view;
    const int spp = samplesPerPointOf(v);
    float cx = chartXOf(pos, v);
    auto rescroll = [&](int first) {
        v.firstSample = static_cast<std::int16_t>(std::clamp(first, 0, kSampleCount - 1));
        cx = chartXOf(pos, v);
        for (int k = 0; k < 4; ++k) {
            const auto i = static_cast<std::size_t>(k);
            s_.markers.x[i] = chartXOf(s_.markers.sample[i], v);
        }
        plotTrace(s_.activeTrace & 1);
        s_.scene.series(SeriesId::Event).clear();
        drawEventMarks();
    };
    if (cx < 2.0f) {
        int first = v.firstSample - 256;
        if (first < 0) first = 0;
        if (pos < first) first = pos / 2;
        rescroll(first);
    }
    if (cx > 510.0f) {
        int first = v.firstSample + 512;
        if (first + 512 * spp > kSampleCount) first = kSampleCount - 512 * spp;
        if (pos < first) first = pos / 2;
        rescroll(first);
    }
    moveCursor(cx);
    measureMarkers();
}

void Workspace::redrawEventMarksIfAnalysed() {
    if (!s_.active().eventsShown()) return;
    s_.scene.series(SeriesId::Event).clear();
    drawEventMarks();
}

}  // namespace otdr
