// Trace view speed: one plotted slot, the marker measurements over the whole store in splice
// mode, and one cursor drag step (the workspace redraw, and with Qt the chart painted into an
// offscreen image of the window's chart size).

// The workspace comes before any Qt header: its member `slots` would otherwise meet Qt's
// `slots` keyword macro.
#include "workspace/workspace.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#ifdef OTDR_WITH_GUI
#include <QApplication>
#include <QImage>
#include <QPainter>

#include "view/chart_widget.h"
#endif

namespace {

// A workspace holding a realistic trace in slot 0: backscatter falling along the fibre with a
// little ripple, two steps and a reflective peak, opened on the given range.
void loadTrace(otdr::Workspace& ws, int rangeIndex) {
    otdr::WorkspaceState& s = ws.state();
    otdr::TraceSlot& slot = s.active();
    for (int i = 0; i < otdr::kSampleCount; ++i) {
        double level = 40000.0 - 0.9 * i + 40.0 * std::sin(i * 0.37);
        if (i > 9000) level -= 450;
        if (i > 21000) level -= 800;
        if (i > 15000 && i < 15030) level += 6000;
        slot.samples[static_cast<std::size_t>(i)] =
            static_cast<std::uint16_t>(level < 0 ? 0 : level);
    }
    slot.loaded = 1;
    s.params.rangeIndex = static_cast<std::int16_t>(rangeIndex);
    s.params.helixFactor = 1.0f;
    s.params.pulseWidthNs = 100;
    s.params.lossScale = {1.0f, 1.0f, 1.0f};
    s.measureMode = otdr::kModeAverageLoss;
    ws.applyNewTraceView();
}

void BM_PlotTrace(benchmark::State& state) {
    otdr::Workspace ws{otdr::Settings{}};
    loadTrace(ws, 9);  // 64 samples per point: every sample of the store is read
    for (auto _ : state) {
        ws.plotTrace(0);
        benchmark::DoNotOptimize(ws.scene().series(otdr::SeriesId::Wave).points.data());
    }
}
BENCHMARK(BM_PlotTrace)->Unit(benchmark::kMicrosecond);

void BM_MeasureMarkersSpliceWholeStore(benchmark::State& state) {
    otdr::Workspace ws{otdr::Settings{}};
    loadTrace(ws, 9);
    ws.setMeasureModeSplice();
    // a .. A and B .. b together span all 32768 samples.
    otdr::MarkerState& m = ws.state().markers;
    m.sample = {0, 16383, 16384, 32767};
    for (auto _ : state) {
        ws.measureMarkers();
        benchmark::DoNotOptimize(ws.state().fitSlope);
    }
}
BENCHMARK(BM_MeasureMarkersSpliceWholeStore)->Unit(benchmark::kMicrosecond);

// The workspace side of a drag step alone (also built without Qt).
void BM_CursorDragStepCore(benchmark::State& state) {
    otdr::Workspace ws{otdr::Settings{}};
    loadTrace(ws, 9);
    ws.mouseDown(20, 300, otdr::MouseButton::Left);
    float x = 20;
    for (auto _ : state) {
        x = x >= 480 ? 20 : x + 1.5f;
        ws.mouseMove(x, 300);
    }
    ws.mouseUp();
}
BENCHMARK(BM_CursorDragStepCore)->Unit(benchmark::kMicrosecond);

#ifdef OTDR_WITH_GUI
QApplication& offscreenApp() {
    static int argc = 1;
    static char name[] = "otdr_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// One drag step as the window runs it: the workspace moves the cursor and redraws its scene,
// then the chart is painted.
void BM_CursorDragStepWithPaint(benchmark::State& state) {
    offscreenApp();
    otdr::Workspace ws{otdr::Settings{}};
    loadTrace(ws, 9);
    otdr::gui::ChartWidget chart;
    chart.setScene(&ws.scene());
    QImage image(otdr::gui::ChartWidget::kWidth, otdr::gui::ChartWidget::kHeight,
                 QImage::Format_RGB32);
    ws.mouseDown(20, 300, otdr::MouseButton::Left);
    float x = 20;
    for (auto _ : state) {
        x = x >= 480 ? 20 : x + 1.5f;
        ws.mouseMove(x, 300);
        QPainter painter(&image);
        chart.paintChart(painter, image.rect());
    }
    ws.mouseUp();
    benchmark::DoNotOptimize(image.constBits());
}
BENCHMARK(BM_CursorDragStepWithPaint)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
