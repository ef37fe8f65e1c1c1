#include "report/report_builder.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "report/print_preview.h"
#include "report/report_content.h"
#include "view/chart_widget.h"
#include "workspace/workspace.h"

namespace otdr::gui {

int reportScreenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

QImage reportChartPicture(const ChartWidget& chart, int screenDpi) {
    QImage picture(kReportPictureWidth, kReportPictureHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const QSize area(screenDpi == kReportWideDpi ? 800 : 600, 350);
    const QImage drawn = chart.renderImage(area, /*showAxes=*/false);
    QPainter p(&picture);
    p.drawImage(QRect(QPoint(0, 0), area), drawn);
    return picture;
}

void buildTestReport(TTracePrintView& preview, WorkspaceState& state, const ReportFlags& flags,
                     int screenDpi, const ChartWidget& chart, const QImage& logo) {
    QImage chartPicture;
    {
        const EventMarksLeftOut withoutMarks(state.scene, !flags.eventP);
        if (flags.trace) chartPicture = reportChartPicture(chart, screenDpi);
    }
    preview.buildReport(buildReportOperations(state, flags, screenDpi), screenDpi, logo,
                        chartPicture);
}

}  // namespace otdr::gui
