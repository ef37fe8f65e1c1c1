#pragma once
// Building the test report of the workspace's active trace into the preview window: the
// operations of the core, the logo and the chart picture drawn from the chart without its
// axes. The window's print preview command and the command-line tool both use it.

#include <QImage>

#include "workspace/settings.h"

namespace otdr {
struct WorkspaceState;
}

namespace otdr::gui {

class ChartWidget;
class TTracePrintView;

// Size of Image1, the picture that holds the chart for the report.
constexpr int kReportPictureWidth = 798;
constexpr int kReportPictureHeight = 401;

// The screen's pixels per inch, as the report's tab counts use it.
int reportScreenDpi();

// Image1's picture: a fresh white 798 x 401 picture with the chart drawn without axes over
// (0, 0)-(800, 350) at 120 pixels per inch, else over (0, 0)-(600, 350).
QImage reportChartPicture(const ChartWidget& chart, int screenDpi);

// Builds the report into the preview. With the event marks flag off, the chart picture is
// drawn without the marks, which are back on the chart afterwards.
void buildTestReport(TTracePrintView& preview, WorkspaceState& state, const ReportFlags& flags,
                     int screenDpi, const ChartWidget& chart, const QImage& logo);

}  // namespace otdr::gui
