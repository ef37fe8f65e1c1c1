// The cursor and the four markers a, A, B, b: drawing, ordering, moving with edge scrolling,
// switching the active marker, and the chart's mouse handling.

#include <array>

#include "util/numeric.h"
#include "view/chart_geometry.h"
#include "workspace/workspace.h"
#include "workspace/workspace_view_internal.h"

namespace otdr {

using namespace detail;

namespace {

constexpr std::array<const char*, 4> kDistanceFormats{"a:%8.4fkm", "A:%8.4fkm", "B:%8.4fkm",
                                                      "b:%8.4fkm"};
// Cursor line from y = 20 to 579, second cursor line from 20 to 539.
constexpr int kLineBottom = 20;
constexpr int kCursorTop = 579;
constexpr int kSecondCursorTop = 539;
// The chart edges at which a cursor move scrolls the view, and by how many samples.
constexpr float kLeftEdge = 0.0f;
constexpr float kRightEdge = 511.0f;
constexpr std::int32_t kEdgeScroll = 50;
// A click this close to the cursor grabs it instead of moving it.
constexpr double kGrabDistance = 2.5;
// An event row follows the cursor when the event lies this many samples at or after it.
constexpr int kRowFollowWindow = 99;

void addVerticalLine(ChartSeries& s, float x, int top, Rgb colour) {
    for (int y = kLineBottom; y <= top; ++y) s.add(x, static_cast<float>(y), colour);
}

void placeLabelBox(ChartSeries& box, float x, float y0, float y1) {
    const LabelSpan span = labelSpanBeside(x);
    box.setRect(span.near, y0, span.far, y1);
}

// Draws marker k into its point series when it lies on the chart, at the plotted level of the
// active slot, and makes its sample follow its chart x. False when it is off the chart.
bool drawMarkerPoint(WorkspaceState& s, int k, SeriesId id) {
    const float x = s.markers.x[static_cast<std::size_t>(k)];
    if (!onChart(x)) return false;
    const auto point = static_cast<std::size_t>(x);
    const std::int16_t level = s.active().chartPoints[point];
    s.scene.series(id).add(x, level, colours::kBlack);
    s.markers.sample[static_cast<std::size_t>(k)] = markerSampleAtX(s.view, x);
    return true;
}

std::uint16_t rowFollowFlag(const WorkspaceState& s) {
    return (s.active().eventsShown() && s.addingEvent == 0) ? 1 : 0;
}

float clampToChart(float x) {
    if (!(x > 0.0f)) return 0.0f;
    if (x > kRightEdge) return kRightEdge;
    return x;
}

}  // namespace

void Workspace::drawCursor() {
    ViewState& v = s_.view;
    const int k = activeMarkerIndex(s_.markers);
    ChartSeries& line = s_.scene.series(SeriesId::CurOtdr);
    line.clear();
    addVerticalLine(line, v.cursorX, kCursorTop, colours::kRed);

    ChartSeries& label = s_.scene.series(SeriesId::DisOtdr);
    placeLabelBox(label, v.cursorX, 540, 600);
    const double position = static_cast<double>(samplesPerPointOf(v)) * v.cursorX + v.firstSample;
    label.text = formatNumber(kDistanceFormats[static_cast<std::size_t>(k)],
                              sampleKm(position, s_.params.sampleSpacing));

    s_.markers.x[static_cast<std::size_t>(k)] = v.cursorX;
    s_.markers.sample[static_cast<std::size_t>(k)] = markerSampleAtX(v, v.cursorX);
}

void Workspace::drawMarkers() {
    MarkerState& m = s_.markers;
    const int active = activeMarkerIndex(m);
    const bool fourMarkers = s_.measureMode == kModeSpliceLoss;
    m.x[static_cast<std::size_t>(active)] = s_.view.cursorX;
    orderMarkers(m.x, active, fourMarkers);

    ChartScene& scene = s_.scene;
    scene.series(SeriesId::Mark2).clear();
    scene.series(SeriesId::Mark3).clear();
    scene.series(SeriesId::CurO2).clear();
    scene.series(SeriesId::DisO2).setRect(0, 0, 0, 0);

    // A and B; the one the cursor is not on gets the second cursor line in two-marker modes.
    const std::array<std::pair<int, SeriesId>, 2> inner{
        {{kMarkerA, SeriesId::Mark2}, {kMarkerB, SeriesId::Mark3}}};
    for (const auto& [k, id] : inner) {
        if (!drawMarkerPoint(s_, k, id)) continue;
        if (k == active || fourMarkers) continue;
        const float x = m.x[static_cast<std::size_t>(k)];
        s_.view.secondCursorX = x;
        addVerticalLine(scene.series(SeriesId::CurO2), x, kSecondCursorTop, colours::kPurple);
        ChartSeries& label = scene.series(SeriesId::DisO2);
        placeLabelBox(label, x, 480, 540);
        label.text =
            formatNumber(kDistanceFormats[static_cast<std::size_t>(k)],
                         sampleKm(m.sample[static_cast<std::size_t>(k)], s_.params.sampleSpacing));
    }
    if (fourMarkers) {
        scene.series(SeriesId::Mark1).clear();
        scene.series(SeriesId::Mark4).clear();
        drawMarkerPoint(s_, kMarkerSmallA, SeriesId::Mark1);
        drawMarkerPoint(s_, kMarkerSmallB, SeriesId::Mark4);
    }
    measureMarkers();
}

void Workspace::moveCursor(float x) {
    ViewState& v = s_.view;
    s_.scene.series(SeriesId::CurOtdr).clear();
    v.cursorX = x;
    // On the first or last chart point the view scrolls and the cursor stays on its sample.
    if (v.cursorX == kLeftEdge) {
        const std::int32_t s = cursorSample(v);
        v.firstSample = toI16(std::max<std::int32_t>(v.firstSample - kEdgeScroll, 0));
        v.cursorX = chartXOfSample(v, s);
    }
    if (v.cursorX == kRightEdge) {
        const std::int32_t s = cursorSample(v);
        v.firstSample = clampFirstSample(v.firstSample + kEdgeScroll, samplesPerPointOf(v));
        v.cursorX = chartXOfSample(v, s);
    }
    placeMarkersFromSamples(s_);
    plotTrace(s_.activeTrace);
    drawCursor();
    drawMarkers();
    redrawEventMarksIfAnalysed();

    if (s_.markers.rowFollowsCursor != 0) {
        const std::int32_t c = cursorSample(v);
        const EventTable& events = s_.active().events;
        for (int i = 1; i <= events.count(); ++i) {
            const std::int32_t ahead = events.position(i) - c;
            if (ahead >= 0 && ahead <= kRowFollowWindow) {
                s_.grid.selectedRow = i;
                break;
            }
        }
    }
}

void Workspace::cycleActiveMarker() {
    MarkerState& m = s_.markers;
    ViewState& v = s_.view;
    // a -> A -> B -> b -> a with four markers, A -> B -> A with two.
    int k = m.active + 1;
    if (s_.measureMode == kModeSpliceLoss) {
        if (k > kMarkerSmallB || k < kMarkerSmallA) k = kMarkerSmallA;
    } else {
        if (k > kMarkerB || k < kMarkerA) k = kMarkerA;
    }
    m.active = static_cast<std::int16_t>(k);

    s_.scene.series(SeriesId::CurOtdr).clear();
    rederiveVisibleMarkerSamples(s_);
    v.cursorX = m.x[static_cast<std::size_t>(k)];
    const std::int32_t s = m.sample[static_cast<std::size_t>(k)];
    if (v.cursorX > static_cast<float>(kChartPoints) || v.cursorX < 0.0f) {
        // The marker is off the chart: centre the view on it.
        const int spp = samplesPerPointOf(v);
        v.firstSample = clampFirstSample(s - truncToI32(spp * 256.0), spp);
        v.cursorX = chartXOfSample(v, s);
        placeMarkersFromSamples(s_);
        plotTrace(0);
        plotTrace(1);
    }
    drawCursor();
    drawMarkers();
    redrawEventMarksIfAnalysed();
}

void Workspace::moveCursorLeft() {
    moveCursor(clampToChart(s_.view.cursorX - 1.0f));
}

void Workspace::moveCursorRight() {
    moveCursor(clampToChart(s_.view.cursorX + 1.0f));
}

void Workspace::mouseDown(float x, float y, MouseButton button) {
    if (button != MouseButton::Left) return;
    // While an event is being added the chart takes no clicks.
    if (s_.addingEvent == 1) return;
    if (x < 0.0f) x = 0.0f;
    if (x > kRightEdge) x = kRightEdge;
    const double cursor = s_.view.cursorX;
    const bool insideChart = y > 0.0f && y < static_cast<float>(kChartHeight);
    if (cursor - kGrabDistance < x && x < cursor + kGrabDistance && insideChart) {
        s_.markers.dragging = 1;
    } else if (insideChart) {
        moveCursor(x);
    }
    // Set after the move: the click itself selects no event row, the drag that follows does.
    s_.markers.rowFollowsCursor = rowFollowFlag(s_);
}

void Workspace::mouseMove(float x, float) {
    if (s_.markers.dragging != 1) return;
    moveCursor(clampToChart(x));
    s_.markers.rowFollowsCursor = rowFollowFlag(s_);
}

void Workspace::mouseUp() {
    s_.markers.dragging = 0;
    s_.markers.rowFollowsCursor = 0;
}

}  // namespace otdr
