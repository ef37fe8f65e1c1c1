// Speed of building the test report: the operation list of the core and, with the window
// library, the whole report command (chart picture, document, layout and pagination) and the
// drawing of a previewed page.

#include <benchmark/benchmark.h>

#include "../tests/core/synthetic_trace.h"
#include "report/report_content.h"
#include "util/numeric.h"
#include "workspace/workspace.h"

#ifdef OTDR_WITH_GUI
#include <QApplication>
#include <QImage>

#include "report/page_preview.h"
#include "report/print_preview.h"
#include "report/report_builder.h"
#include "view/chart_widget.h"
#endif

namespace {

using namespace otdr;

// A workspace with a trace shown, its marker labels and three events: a one-page report.
void prepare(Workspace& ws) {
    test::SyntheticTrace t;
    t.events = {{3000, 0.3, 0, 0, 0}, {6000, 0.5, 12000, 40, 0}};
    TraceSlot& slot = ws.state().slots[0];
    slot.samples = test::makeTrace(t);
    slot.loaded = 1;
    Controls& c = ws.controls();
    c.setText("E_Wave", "1550 nm");
    c.setText("E_Range", "64 km");
    c.setText("E_Pulse", "1280 ns");
    c.setText("E_Att", "10dB");
    c.setText("E_AvgCount", "16");
    c.setText("E_IOR", "1.46820");
    c.setText("E_Helix", "1.00000");
    c.setText("LB_OtdrTitle", "/data/line.sor");
    c.setText("LB_Dis", "  1.2345 km");
    c.setText("LB_Loss", " 0.247 dB");
    c.setText("LB_ATTEN", " 0.200 dB/km");
    EventTable& events = slot.events;
    for (int i = 1; i <= 3; ++i) {
        events.append(static_cast<std::uint16_t>(3000 * i | (i == 2 ? kReflectiveFlag : 0)));
        const auto r = static_cast<std::size_t>(i - 1);
        ws.state().eventText[0][r] = cformat("%8.4f", 6.1 * i);
        ws.state().eventText[1][r] = " 0.200";
        ws.state().eventText[2][r] = i == 3 ? "--------" : "   0.300";
        ws.state().eventText[3][r] = i == 2 ? "  26.151" : "--------";
        ws.state().eventText[4][r] = cformat("%8.3f", 1.2 * i);
    }
}

ReportFlags onePage() {
    ReportFlags f;
    f.fiber = false;
    return f;
}

void BM_ReportOperations(benchmark::State& state) {
    Workspace ws(Settings{});
    prepare(ws);
    std::size_t n = 0;
    for (auto _ : state) {
        const ReportOps ops = buildReportOperations(ws.state(), onePage(), 96);
        n = ops.size();
        benchmark::DoNotOptimize(ops.data());
    }
    state.counters["operations"] = static_cast<double>(n);
}
BENCHMARK(BM_ReportOperations)->Unit(benchmark::kMicrosecond);

#ifdef OTDR_WITH_GUI

QApplication& application() {
    static int argc = 1;
    static char name[] = "otdr_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// A prepared workspace, chart, preview window and logo, as the print preview command has them.
struct ReportSetup {
    ReportSetup() : ws(Settings{}), logo(120, 48, QImage::Format_RGB32) {
        prepare(ws);
        chart.setScene(&ws.scene());
        logo.fill(Qt::white);
    }
    QApplication& app = application();
    Workspace ws;
    gui::ChartWidget chart;
    gui::TTracePrintView preview;
    QImage logo;
};

// The print preview command without showing the window: chart picture, operations,
// document, layout and pagination.
void BM_ReportBuildOnePage(benchmark::State& state) {
    ReportSetup r;
    for (auto _ : state) {
        gui::buildTestReport(r.preview, r.ws.state(), onePage(), 96, r.chart, r.logo);
        benchmark::DoNotOptimize(r.preview.pageCount());
    }
    state.counters["pages"] = r.preview.pageCount();
}
BENCHMARK(BM_ReportBuildOnePage)->Unit(benchmark::kMillisecond);

// Drawing the built page at 100 % as the preview shows it.
void BM_ReportDrawPage(benchmark::State& state) {
    ReportSetup r;
    gui::buildTestReport(r.preview, r.ws.state(), onePage(), 96, r.chart, r.logo);
    for (auto _ : state) {
        const QImage page = r.preview.pagePreview()->renderPage(1, 1.0);
        benchmark::DoNotOptimize(page.constBits());
    }
}
BENCHMARK(BM_ReportDrawPage)->Unit(benchmark::kMillisecond);

#endif

}  // namespace
