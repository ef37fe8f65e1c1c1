// The main window's report commands: the report settings dialog, the print preview command
// and the three clipboard copies.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "dialogs/fibre_dialog.h"
#include "dialogs/report_settings_dialog.h"
#include "report/copy_window.h"
#include "report/page_preview.h"
#include "report/print_preview.h"
#include "report/report_document.h"

namespace otdr::gui {
namespace {

class ReportCommands : public ::testing::Test {
  protected:
    ReportCommands()
        : store(dir.filePath("otdrview.INI")),
          window(store.load(), &store),
          preview(&window),
          about(&window),
          report(&window),
          fibre(&window) {
        window.setCompanions(&copy, &preview, &about, &report, &fibre);
    }

    WorkspaceState& st() { return window.workspace().state(); }
    QCheckBox* box(const char* name) {
        return report.findChild<QCheckBox*>(QString::fromLatin1(name));
    }
    // Runs the print preview command; the modal preview is closed as soon as it shows.
    void printView() {
        QTimer::singleShot(0, &preview, [this] {
            shownModal = preview.isModal() && preview.isVisible();
            preview.reject();
        });
        window.runHandler(QStringLiteral("MF_PrintViewClick"));
    }
    void setEvents() {
        EventTable& t = st().slots[0].events;
        t.append(static_cast<std::uint16_t>(1200 | kReflectiveFlag));
        t.append(5000);
        for (int r = 0; r < 2; ++r) {
            st().eventText[0][static_cast<std::size_t>(r)] = r == 0 ? "  2.4500" : " 10.2100";
            st().eventText[4][static_cast<std::size_t>(r)] = "   0.500";
        }
        ChartSeries& marks = st().scene.series(SeriesId::Event);
        marks.add(40, 300, colours::kGreen);
        marks.add(160, 200, colours::kGreen);
    }

    QTemporaryDir dir;
    SettingsStore store;
    TForm1 window;
    TCopyWin copy;
    TTracePrintView preview;
    TForm3 about;
    TForm4 report;
    TForm5 fibre;
    bool shownModal = false;
};

TEST_F(ReportCommands, ReportSettingsDialogBoxesAndLogo) {
    EXPECT_EQ(report.windowTitle(), QStringLiteral("设置测试报告内容"));
    auto* group = report.findChild<QGroupBox*>("GB_SetReport");
    ASSERT_NE(group, nullptr);
    const std::pair<const char*, QString> boxes[] = {
        {"CB_Para", QStringLiteral(" 测试条件")},   {"CB_Trace", QStringLiteral(" 测试曲线")},
        {"CB_Mark", QStringLiteral(" 标记点信息")}, {"CB_Event", QStringLiteral(" 事件表信息")},
        {"CB_Fiber", QStringLiteral(" 光纤信息")},  {"CB_EventP", QStringLiteral(" 事件点标记")}};
    int lastY = -1;
    for (const auto& [name, caption] : boxes) {
        QCheckBox* b = box(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->parentWidget(), group) << name;
        EXPECT_EQ(b->text(), caption) << name;
        EXPECT_GT(b->y(), lastY) << name;  // on screen in this order
        lastY = b->y();
        // No settings file: every box checked at start, the fibre texts and marks too.
        EXPECT_TRUE(b->isChecked()) << name;
    }
    auto* image2 = report.findChild<QLabel*>("Image2");
    ASSERT_NE(image2, nullptr);
    EXPECT_TRUE(image2->isHidden());
    EXPECT_FALSE(report.logo().isNull());
    // The design states are only seen by a dialog that never got the settings.
    TForm4 fresh;
    EXPECT_TRUE(fresh.findChild<QCheckBox*>("CB_Para")->isChecked());
    EXPECT_FALSE(fresh.findChild<QCheckBox*>("CB_Fiber")->isChecked());
    EXPECT_FALSE(fresh.findChild<QCheckBox*>("CB_EventP")->isChecked());
}

TEST_F(ReportCommands, ClosingTheReportDialogWritesTheBoxesAtOnce) {
    box("CB_Mark")->setChecked(false);
    report.show();
    report.close();
    EXPECT_FALSE(store.load().report.mark);
    EXPECT_TRUE(store.load().report.trace);
    EXPECT_FALSE(st().report.mark);
    // Closed by Escape (reject) as well.
    report.show();
    box("CB_Mark")->setChecked(true);
    box("CB_Fiber")->setChecked(false);
    report.reject();
    const Settings s = store.load();
    EXPECT_TRUE(s.report.mark);
    EXPECT_FALSE(s.report.fiber);
}

TEST_F(ReportCommands, PrintViewBuildsTheReportAndShowsThePreviewModally) {
    setEvents();
    st().controls.setText("E_Wave", "1310 nm");
    printView();
    EXPECT_TRUE(shownModal);
    const QString text = preview.document()->plainText();
    EXPECT_TRUE(text.contains(QStringLiteral("VR3728 OTDR 测 试 报 告")));
    EXPECT_TRUE(text.contains(QStringLiteral("波长：1310 nm")));
    EXPECT_TRUE(text.contains(QStringLiteral("事  件  表")));
    EXPECT_TRUE(text.contains(QStringLiteral("1\t反射事件\t2.4500\t")));
    EXPECT_TRUE(text.contains(QStringLiteral("2\t光纤末端\t10.2100\t")));
    EXPECT_EQ(preview.document()->pictureCount(), 2);
    // Image1 holds the chart picture.
    const QPixmap image1 = preview.findChild<QLabel*>("Image1")->pixmap();
    EXPECT_EQ(image1.size(), QSize(798, 401));
    EXPECT_EQ(image1.toImage().pixelColor(797, 400), QColor(Qt::white));
    EXPECT_EQ(preview.pagePreview()->zoomMode(), ReportPagePreview::ZoomMode::FullPage);
}

TEST_F(ReportCommands, TheReportReadsTheDialogsBoxesAsTheyAreNow) {
    setEvents();
    // Boxes changed but the dialog not closed yet: the report follows the boxes.
    box("CB_Event")->setChecked(false);
    box("CB_Trace")->setChecked(false);
    printView();
    const QString text = preview.document()->plainText();
    EXPECT_FALSE(text.contains(QStringLiteral("事  件  表")));
    EXPECT_FALSE(text.contains(QStringLiteral("事件门限")));
    EXPECT_EQ(preview.document()->pictureCount(), 1);
}

TEST_F(ReportCommands, EventMarksAreBackOnTheChartAfterTheReport) {
    setEvents();
    box("CB_EventP")->setChecked(false);
    printView();
    EXPECT_EQ(st().scene.series(SeriesId::Event).points.size(), 2u);
    box("CB_EventP")->setChecked(true);
    printView();
    EXPECT_EQ(st().scene.series(SeriesId::Event).points.size(), 2u);
}

TEST_F(ReportCommands, PreviewZoomIsKeptInTheWorkspaceBetweenReports) {
    printView();
    preview.But_ZoomInClick();
    preview.But_ZoomInClick();
    EXPECT_EQ(st().previewZoom, 70);
    printView();
    EXPECT_EQ(preview.previewZoom(), 70);
    EXPECT_EQ(preview.pagePreview()->zoomMode(), ReportPagePreview::ZoomMode::FullPage);
}

TEST_F(ReportCommands, CopyingTheTestConditionsAndTheEventTable) {
    st().copy.para = "波长：1550 nm\n量程：64 km";
    window.refresh();
    window.runHandler(QStringLiteral("MF_CO_CopyTestClick"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("波长：1550 nm\n量程：64 km"));

    // Before any analysis the event copy holds the header the window starts with.
    window.runHandler(QStringLiteral("MF_CO_CopyEventClick"));
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("序号    距离（km）  平均损耗（dB/km）   连接损耗（dB）   "
                             "反射损耗（dB） 链路损耗（dB）"));
    st().copy.event = "header\n1     line";
    window.refresh();
    window.runHandler(QStringLiteral("MF_CO_CopyEventClick"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("header\n1     line"));
    // The texts are copied as they stand; the hidden window keeps them.
    EXPECT_EQ(copy.paraText(), QStringLiteral("波长：1550 nm\n量程：64 km"));
    EXPECT_TRUE(copy.isHidden());
}

TEST_F(ReportCommands, CopyingTheChartGivesABitmapOfItsSizeOnWhite) {
    QApplication::clipboard()->clear();
    window.runHandler(QStringLiteral("MF_CO_CopyTraceClick"));
    const QImage bitmap = QApplication::clipboard()->image();
    ASSERT_FALSE(bitmap.isNull());
    EXPECT_EQ(bitmap.size(), window.chart()->size());
    EXPECT_EQ(bitmap.size(), QSize(897, 379));
    EXPECT_FALSE(bitmap.hasAlphaChannel());
    EXPECT_EQ(bitmap.pixelColor(0, 0), QColor(Qt::white));
}

}  // namespace
}  // namespace otdr::gui
