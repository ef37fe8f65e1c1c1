// Chart plotting, the view of a newly opened trace and the seven view commands.

#include <algorithm>

#include "util/checked.h"
#include "view/chart_geometry.h"
#include "workspace/workspace.h"
#include "workspace/workspace_view_internal.h"

namespace otdr {

using namespace detail;

namespace {
constexpr std::int32_t kMaxLevelShift = 32000;
constexpr int kShiftStep = 10;
}  // namespace

void Workspace::plotTrace(int slot) {
    if (slot != 0 && slot != 1) return;
    TraceSlot& t = s_.slots[static_cast<std::size_t>(slot)];
    if (t.loaded == 0) return;  // a slot never loaded keeps whatever its series shows
    plotLevels(t.samples, s_.view, slot, t.chartPoints);
    ChartSeries& series = s_.scene.series(slot == 0 ? SeriesId::Wave : SeriesId::Wave1);
    const Rgb colour = slot == 0 ? colours::kBlue : colours::kGreen;
    series.clear();
    for (int p = 0; p < kChartPoints; ++p)
        series.add(static_cast<float>(p), t.chartPoints[static_cast<std::size_t>(p)], colour);
}

void Workspace::rescaleView() {
    if (auto t = levelAxisTitle(s_.view.vScaleIndex)) s_.scene.leftTitle = std::string(*t);
    if (auto t = distanceAxisTitle(s_.params.rangeIndex, s_.view.hZoomIndex))
        s_.scene.bottomTitle = std::string(*t);
    plotTrace(0);
    plotTrace(1);
    drawMarkers();
    drawCursor();
}

void Workspace::applyNewTraceView() {
    ViewState& v = s_.view;
    TestParameters& p = s_.params;
    // 1-3. Horizontal and vertical scale by range, spacing, view from the trace start.
    setZoomStep(v, openingZoomForRange(p.rangeIndex));
    v.levelOffset = 0;
    v.vScaleIndex = static_cast<std::int16_t>(defaultVScaleForRange(p.rangeIndex));
    s_.scene.leftTitle = std::string(*levelAxisTitle(v.vScaleIndex));
    p.sampleSpacing = computeSampleSpacing(p.rangeIndex, p.helixFactor, p.refractiveIndex);
    v.firstSample = 0;
    // 4. An unknown range is taken as range 7; distance title; markers keep their chart x.
    if (p.rangeIndex < 0 || p.rangeIndex >= static_cast<int>(kRangeTable.size())) p.rangeIndex = 7;
    if (auto t = distanceAxisTitle(p.rangeIndex, v.hZoomIndex)) s_.scene.bottomTitle = *t;
    p.sampleSpacing = computeSampleSpacing(p.rangeIndex, p.helixFactor, p.refractiveIndex);
    for (std::size_t k = 0; k < 4; ++k) s_.markers.sample[k] = markerSampleAtX(v, s_.markers.x[k]);
    // 5. Draw both slots, the cursor, the markers and any events of the slot.
    plotTrace(0);
    plotTrace(1);
    drawCursor();
    drawMarkers();
    const TraceSlot& slot = s_.active();
    if (slot.eventsShown() && slot.events.count() > 0) {
        s_.scene.series(SeriesId::Event).clear();
        drawEventMarks();
    }
}

// ---- Horizontal zoom: keeps the cursor's sample and centres the view on it ----------------

namespace {
// Cursor on a whole chart point of the new scale, markers at their samples.
void placeAfterHorizontalZoom(WorkspaceState& s, std::int32_t cursorSampleBefore) {
    ViewState& v = s.view;
    const int spp = samplesPerPointOf(v);
    v.cursorX = static_cast<float>((cursorSampleBefore - v.firstSample) / spp);
    placeMarkersFromSamples(s);
}
}  // namespace

void Workspace::expandHorizontal() {
    ViewState& v = s_.view;
    if (v.hZoomIndex <= 0) return;
    const std::int32_t c = cursorSample(v);
    rederiveVisibleMarkerSamples(s_);
    setZoomStep(v, v.hZoomIndex - 1);
    const int spp = v.samplesPerPoint;
    v.firstSample = clampFirstSample(c - 256 * spp, spp);
    placeAfterHorizontalZoom(s_, c);
    rescaleView();
    redrawEventMarksIfAnalysed();
}

void Workspace::compressHorizontal() {
    ViewState& v = s_.view;
    if (v.hZoomIndex >= widestZoomForRange(s_.params.rangeIndex)) return;
    const std::int32_t c = cursorSample(v);
    rederiveVisibleMarkerSamples(s_);
    setZoomStep(v, v.hZoomIndex + 1);
    const int spp = v.samplesPerPoint;
    std::int32_t first = c - 256 * spp;
    // At 32 samples per point the view always starts at the trace start; the cursor may then
    // stand beyond the chart's right end until the next cursor command.
    if (first < 0 || spp == 32) first = 0;
    v.firstSample = clampFirstSample(first, spp);
    placeAfterHorizontalZoom(s_, c);
    rescaleView();
    redrawEventMarksIfAnalysed();
}

// ---- Vertical zoom: keeps the level under the cursor on the chart -------------------------

namespace {
void recentreLevelOnCursor(WorkspaceState& s) {
    ViewState& v = s.view;
    const std::int32_t raw = at(s.active().samples, cursorSample(v));
    const std::int32_t level = raw / levelDivisorOf(v.vScaleIndex);
    const std::int32_t shown = level - v.levelOffset;
    if (shown < 0 || shown > kChartHeight) v.levelOffset = level < 300 ? 0 : level - 300;
}
}  // namespace

void Workspace::expandVertical() {
    if (s_.view.vScaleIndex <= 0) return;
    s_.view.vScaleIndex = static_cast<std::int16_t>(s_.view.vScaleIndex - 1);
    recentreLevelOnCursor(s_);
    rescaleView();
    redrawEventMarksIfAnalysed();
}

void Workspace::compressVertical() {
    if (s_.view.vScaleIndex > 5) return;
    s_.view.vScaleIndex = static_cast<std::int16_t>(s_.view.vScaleIndex + 1);
    recentreLevelOnCursor(s_);
    rescaleView();
    redrawEventMarksIfAnalysed();
}

// ---- Level shift: only the active slot is redrawn -----------------------------------------

void Workspace::shiftTraceUp() {
    s_.view.levelOffset = std::max(s_.view.levelOffset - kShiftStep, -kMaxLevelShift);
    plotTrace(s_.activeTrace);
    drawCursor();
    drawMarkers();
    redrawEventMarksIfAnalysed();
}

void Workspace::shiftTraceDown() {
    // An offset left above the limit by a re-centring drops to the limit here.
    s_.view.levelOffset = std::min(s_.view.levelOffset + kShiftStep, kMaxLevelShift);
    plotTrace(s_.activeTrace);
    drawCursor();
    drawMarkers();
    redrawEventMarksIfAnalysed();
}

// ---- Reset: the widest view of the range from the trace start ------------------------------

void Workspace::resetView() {
    ViewState& v = s_.view;
    const std::int32_t c = cursorSample(v);
    setZoomStep(v, widestZoomForRange(s_.params.rangeIndex));
    v.vScaleIndex = static_cast<std::int16_t>(defaultVScaleForRange(s_.params.rangeIndex));
    s_.scene.leftTitle = std::string(*levelAxisTitle(v.vScaleIndex));
    v.levelOffset = 0;
    v.firstSample = 0;
    const float x = chartXOfSample(v, c);
    v.cursorX = x >= 511.0f ? 511.0f : (x < 0.0f ? 0.0f : x);
    placeMarkersFromSamples(s_);
    rescaleView();
    redrawEventMarksIfAnalysed();
}

}  // namespace otdr
