// The report engine and the preview window: styles, the document the operations build,
// pagination with the page header, the page scroll bar, zoom, status texts and printing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <vector>

#include "app/qt_text.h"
#include "recording_device.h"
#include "report/page_preview.h"
#include "report/print_preview.h"
#include "report/report_builder.h"
#include "report/report_document.h"
#include "report/report_print.h"
#include "util/numeric.h"
#include "workspace/workspace.h"

namespace otdr::gui {
namespace {

ReportFlags allOff() {
    ReportFlags f;
    f.para = f.trace = f.mark = f.event = f.fiber = f.eventP = false;
    return f;
}

// Number of pages in a PDF file written by Qt.
int pdfPageCount(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QString text = QString::fromLatin1(f.readAll());
    return static_cast<int>(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

class ReportPreview : public ::testing::Test {
  protected:
    ReportPreview() : ws(Settings{}) {
        logo = QImage(120, 48, QImage::Format_RGB32);
        logo.fill(Qt::blue);
        chart = QImage(798, 401, QImage::Format_RGB32);
        chart.fill(Qt::white);
    }

    // n events in the active slot, each with its five texts.
    void setEvents(int n) {
        EventTable& t = ws.state().slots[0].events;
        t.clearAll();
        for (int i = 1; i <= n; ++i) {
            t.append(static_cast<std::uint16_t>(100 * i));
            const auto r = static_cast<std::size_t>(i - 1);
            ws.state().eventText[0][r] = cformat("%8.4f", i * 1.5);
            ws.state().eventText[1][r] = " 0.200";
            ws.state().eventText[2][r] = "   0.100";
            ws.state().eventText[3][r] = "--------";
            ws.state().eventText[4][r] = cformat("%8.3f", i * 0.3);
        }
    }

    void build(const ReportFlags& flags, int dpi = 96) {
        preview.buildReport(buildReportOperations(ws.state(), flags, dpi), dpi, logo, chart);
    }

    template <class T>
    T* find(const char* name) {
        return preview.findChild<T*>(QString::fromLatin1(name));
    }

    Workspace ws;
    TTracePrintView preview;
    QImage logo;
    QImage chart;
    QTemporaryDir dir;
};

TEST_F(ReportPreview, WindowAndItsComponents) {
    EXPECT_EQ(preview.objectName(), "TTracePrintView");
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("报告预览"));
    EXPECT_TRUE(preview.windowFlags() & Qt::WindowStaysOnTopHint);
    const std::pair<const char*, QString> buttons[] = {
        {"Button1", QStringLiteral("打 印")},
        {"Button2", QStringLiteral("打印设置")},
        {"But_ZoomIn", QStringLiteral("放大显示")},
        {"But_ZoomOut", QStringLiteral("缩小显示")},
    };
    for (const auto& [name, text] : buttons) {
        auto* b = find<QPushButton>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), text) << name;
    }
    auto* bar = find<QScrollBar>("ScrollBar1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->orientation(), Qt::Vertical);
    EXPECT_EQ(bar->parentWidget()->objectName(), "Panel3");
    EXPECT_NE(find<QStatusBar>("StatusBar1"), nullptr);
    auto* image1 = find<QLabel>("Image1");
    ASSERT_NE(image1, nullptr);
    EXPECT_TRUE(image1->isHidden());
    for (const char* name : {"RichView1", "RVPrint1", "RVStyle1", "RVPrintPreview1"})
        EXPECT_NE(preview.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(preview.previewZoom(), 50);
}

TEST_F(ReportPreview, StyleSheetOfTheReport) {
    ReportStyleSheet styles;
    EXPECT_EQ(styles.textStyle(0).name, "Normal");
    EXPECT_EQ(styles.textStyle(0).family, "Arial");
    EXPECT_EQ(styles.textStyle(0).pointSize, 11);
    EXPECT_FALSE(styles.textStyle(0).bold);
    EXPECT_EQ(styles.textStyle(1).name, "Heading");
    EXPECT_EQ(styles.textStyle(1).pointSize, 14);
    EXPECT_TRUE(styles.textStyle(1).bold);
    EXPECT_EQ(styles.textStyle(1).colour, QColor(Qt::black));
    // Points become pixels of the screen density.
    EXPECT_EQ(styles.font(0, 96).pixelSize(), 15);
    EXPECT_EQ(styles.font(1, 120).pixelSize(), 23);
    const QTextBlockFormat left = styles.blockFormat(0);
    EXPECT_EQ(left.textIndent(), 30);
    EXPECT_EQ(left.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    const QTextBlockFormat centred = styles.blockFormat(2);
    EXPECT_EQ(centred.leftMargin(), 50);
    EXPECT_EQ(centred.rightMargin(), 50);
    EXPECT_EQ(centred.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(styles.paraStyle(2).name, "Centered");
}

TEST_F(ReportPreview, OperationsBuildParagraphsRulesAndPictures) {
    ReportStyleSheet styles;
    ReportDocument doc(&styles);
    doc.addPictureEx(QString(), logo, 0, 1);
    doc.addTextNL(QStringLiteral("title\nsecond"), 1, -1, 0);
    doc.addBreak();
    doc.addText(QStringLiteral("after rule"), 0);  // a rule stands alone: a new paragraph
    doc.addTab(0, 0);
    doc.addText(QStringLiteral("a"), 0);
    doc.addTab(0, -1);
    doc.addText(QStringLiteral("b"), 0);
    doc.addNL(QStringLiteral("centred"), 0, 2);
    doc.format();
    EXPECT_EQ(doc.pictureCount(), 1);
    EXPECT_EQ(doc.ruleCount(), 1);
    const QStringList blocks = doc.plainText().split(QLatin1Char('\n'));
    ASSERT_EQ(blocks.size(), 6);
    EXPECT_EQ(blocks[0], QString(QChar::ObjectReplacementCharacter) + QStringLiteral("title"));
    EXPECT_EQ(blocks[1], QStringLiteral("second"));
    EXPECT_EQ(blocks[2], QString());
    EXPECT_EQ(blocks[3], QStringLiteral("after rule"));
    EXPECT_EQ(blocks[4], QStringLiteral("\ta\tb"));
    EXPECT_EQ(blocks[5], QStringLiteral("centred"));
    const QTextBlock rule = doc.document()->findBlockByNumber(2);
    EXPECT_TRUE(rule.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth));
    EXPECT_EQ(doc.document()->findBlockByNumber(5).blockFormat().leftMargin(), 50);
    // The heading text carries the heading font.
    const QTextCharFormat title =
        doc.document()->findBlockByNumber(1).begin().fragment().charFormat();
    EXPECT_TRUE(title.font().bold());

    doc.clear();
    EXPECT_EQ(doc.plainText(), QString());
    EXPECT_EQ(doc.pictureCount(), 0);
}

TEST_F(ReportPreview, EmptyReportHoldsLogoTitleAndTwoRulesOnOnePage) {
    build(allOff());
    ReportDocument* doc = preview.document();
    EXPECT_EQ(doc->pictureCount(), 1);
    EXPECT_EQ(doc->ruleCount(), 2);
    EXPECT_TRUE(doc->plainText().contains(QStringLiteral("VR3728 OTDR 测 试 报 告")));
    EXPECT_EQ(preview.pageCount(), 1);
    auto* bar = find<QScrollBar>("ScrollBar1");
    EXPECT_FALSE(bar->isEnabled());
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 1);
    EXPECT_EQ(preview.statusText(), QString());
    EXPECT_EQ(preview.pagePreview()->zoomMode(), ReportPagePreview::ZoomMode::FullPage);
}

TEST_F(ReportPreview, PaginationFifteenMillimetreMarginsAndFormattingProgress) {
    setEvents(150);
    std::vector<std::pair<ProgressStep, int>> steps;
    QObject::connect(preview.reportPrint(), &ReportPrint::formatting,
                     [&](ProgressStep s, int p) { steps.emplace_back(s, p); });
    build(ReportFlags{});
    const int pages = preview.pageCount();
    ASSERT_GE(pages, 3);
    ASSERT_EQ(static_cast<int>(steps.size()), pages + 2);
    EXPECT_EQ(steps.front().first, ProgressStep::Starting);
    for (int p = 1; p <= pages; ++p) {
        EXPECT_EQ(steps[static_cast<std::size_t>(p)].first, ProgressStep::PageCompleted);
        EXPECT_EQ(steps[static_cast<std::size_t>(p)].second, p);
    }
    EXPECT_EQ(steps.back().first, ProgressStep::Finished);
    EXPECT_EQ(preview.statusText(), QString());

    const ReportPrint* print = preview.reportPrint();
    EXPECT_EQ(print->marginsMm(), QMarginsF(15, 15, 15, 15));
    EXPECT_EQ(print->paperSizeMm().toSize(), QSize(210, 297));
    const double k = 96 / 25.4;
    EXPECT_NEAR(print->printArea().left(), 15 * k, 1e-6);
    EXPECT_NEAR(print->printArea().width(), 180 * k, 1e-6);
    EXPECT_NEAR(print->printArea().height(), 267 * k, 1e-6);
    // Every event row is in the document.
    const QString text = preview.document()->plainText();
    EXPECT_TRUE(text.contains(QStringLiteral("150\t光纤末端\t225.0000\t")));
}

TEST_F(ReportPreview, ThePageScrollBarReachesEveryPage) {
    setEvents(150);
    build(ReportFlags{});
    const int pages = preview.pageCount();
    auto* bar = find<QScrollBar>("ScrollBar1");
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), pages);
    EXPECT_EQ(bar->value(), 1);

    bar->setValue(pages);
    EXPECT_EQ(preview.pagePreview()->pageNo(), pages);
    EXPECT_EQ(preview.statusText(), QStringLiteral("Page %1 of %2").arg(pages).arg(pages));
    bar->setValue(3);
    EXPECT_EQ(preview.pagePreview()->pageNo(), 3);
    EXPECT_EQ(preview.statusText(), QStringLiteral("Page 3 of %1").arg(pages));
    // A position of 0 or below changes nothing.
    preview.ScrollBar1Change(0);
    EXPECT_EQ(preview.pagePreview()->pageNo(), 3);
    EXPECT_EQ(preview.statusText(), QStringLiteral("Page 3 of %1").arg(pages));

    // A new report starts on its first page; a one-page report disables the bar again.
    setEvents(0);
    build(ReportFlags{});
    EXPECT_EQ(preview.pageCount(), 1);
    EXPECT_EQ(preview.pagePreview()->pageNo(), 1);
    EXPECT_FALSE(bar->isEnabled());
    EXPECT_EQ(bar->maximum(), 1);
}

TEST_F(ReportPreview, ScrollBarSitsAtThePanelsRightEdge) {
    preview.show();
    QApplication::processEvents();
    auto* panel = preview.findChild<QWidget*>("Panel3");
    auto* bar = find<QScrollBar>("ScrollBar1");
    panel->setFixedSize(30, 333);
    QApplication::processEvents();
    EXPECT_EQ(bar->geometry(), QRect(12, 0, 18, 333));
    preview.hide();
}

TEST_F(ReportPreview, ZoomStepsAndFullPageForEveryNewReport) {
    int workspaceZoom = 50;
    preview.bindZoom(&workspaceZoom);
    build(allOff());
    ReportPagePreview* view = preview.pagePreview();
    preview.But_ZoomInClick();
    EXPECT_EQ(workspaceZoom, 60);
    EXPECT_EQ(view->zoomMode(), ReportPagePreview::ZoomMode::Percent);
    EXPECT_EQ(view->zoom(), 60);
    for (int i = 0; i < 5; ++i) find<QPushButton>("But_ZoomIn")->click();
    EXPECT_EQ(workspaceZoom, 100);
    EXPECT_DOUBLE_EQ(view->scale(), 1.0);
    preview.But_ZoomOutClick();
    EXPECT_EQ(workspaceZoom, 90);

    // The zoom survives the next report, which starts in full-page mode.
    build(allOff());
    EXPECT_EQ(view->zoomMode(), ReportPagePreview::ZoomMode::FullPage);
    EXPECT_EQ(preview.previewZoom(), 90);
    preview.But_ZoomInClick();
    EXPECT_EQ(view->zoom(), 100);
    for (int i = 0; i < 8; ++i) preview.But_ZoomOutClick();
    EXPECT_EQ(workspaceZoom, 50);
    EXPECT_EQ(view->zoom(), 50);
}

TEST_F(ReportPreview, PageHeaderIsDrawnInTheTopMarginOfEveryPage) {
    setEvents(150);
    build(ReportFlags{});
    std::vector<int> prePainted;
    QObject::connect(preview.reportPrint(), &ReportPrint::pagePrePaint,
                     [&](int page, QPainter* canvas, const QRectF&, const QRectF&) {
                         EXPECT_NE(canvas, nullptr);
                         prePainted.push_back(page);
                     });
    const ReportPrint* print = preview.reportPrint();
    const QRectF area = print->printArea();
    const int pages = preview.pageCount();
    for (int page : {1, 2, pages}) {
        test::RecordingDevice device(print->pageRect().size().toSize());
        {
            QPainter p(&device);
            preview.reportPrint()->drawPage(p, page);
        }
        const QString header = QStringLiteral("-- Page %1 of %2 --").arg(page).arg(pages);
        int found = 0;
        for (const auto& t : device.texts) {
            if (t.text != header) continue;
            ++found;
            // Centred over the print area, its bottom edge 10 pixels above it.
            EXPECT_NEAR(device.bottomOf(t), area.top() - 10, 0.5) << page;
            EXPECT_NEAR(device.centreOf(t), area.center().x(), 1.0) << page;
        }
        EXPECT_EQ(found, 1) << page;
    }
    EXPECT_EQ(prePainted, (std::vector<int>{1, 2, pages}));
}

TEST_F(ReportPreview, PrintingAllPagesARangeOrNothing) {
    setEvents(150);
    build(ReportFlags{});
    const int pages = preview.pageCount();
    QPrinter& printer = preview.printer();
    printer.setOutputFormat(QPrinter::PdfFormat);

    // All pages, with the page range offered as 1 .. page count.
    const QString all = dir.filePath("all.pdf");
    int offered = 0;
    preview.execPrintDialog = [&](QPrinter& p, int n) {
        offered = n;
        EXPECT_EQ(p.fromPage(), 1);
        EXPECT_EQ(p.toPage(), n);
        p.setOutputFileName(all);
        p.setPrintRange(QPrinter::AllPages);
        return true;
    };
    std::vector<std::pair<ProgressStep, int>> steps;
    QObject::connect(preview.reportPrint(), &ReportPrint::sendingToPrinter,
                     [&](ProgressStep s, int p) { steps.emplace_back(s, p); });
    EXPECT_TRUE(preview.Button1Click());
    EXPECT_EQ(offered, pages);
    EXPECT_EQ(pdfPageCount(all), pages);
    EXPECT_EQ(printer.docName(), QStringLiteral("Test"));
    ASSERT_EQ(static_cast<int>(steps.size()), pages + 2);
    EXPECT_EQ(steps.front().first, ProgressStep::Starting);
    EXPECT_EQ(steps[2].second, 2);
    EXPECT_EQ(steps.back().first, ProgressStep::Finished);
    EXPECT_EQ(preview.statusText(), QString());

    // Pages 2 and 3, two collated copies.
    const QString range = dir.filePath("range.pdf");
    preview.execPrintDialog = [&](QPrinter& p, int) {
        p.setOutputFileName(range);
        p.setPrintRange(QPrinter::PageRange);
        p.setFromTo(2, 3);
        p.setCopyCount(2);
        return true;
    };
    EXPECT_TRUE(preview.Button1Click());
    EXPECT_EQ(pdfPageCount(range), 4);

    // A selection prints nothing; neither does a cancelled dialog.
    const QString none = dir.filePath("none.pdf");
    preview.execPrintDialog = [&](QPrinter& p, int) {
        p.setOutputFileName(none);
        p.setPrintRange(QPrinter::Selection);
        return true;
    };
    EXPECT_FALSE(preview.Button1Click());
    preview.execPrintDialog = [&](QPrinter& p, int) {
        p.setOutputFileName(none);
        return false;
    };
    EXPECT_FALSE(preview.Button1Click());
    EXPECT_FALSE(QFile::exists(none));
}

TEST_F(ReportPreview, APrintThatCannotBeWrittenIsReported) {
    build(allOff());
    QString shown;
    preview.showError = [&](const QString& m) { shown = m; };
    preview.printer().setOutputFormat(QPrinter::PdfFormat);
    preview.execPrintDialog = [&](QPrinter& p, int) {
        p.setOutputFileName(dir.filePath("no/such/folder/x.pdf"));
        p.setPrintRange(QPrinter::AllPages);
        return true;
    };
    EXPECT_FALSE(preview.Button1Click());
    EXPECT_TRUE(shown.contains(QStringLiteral("x.pdf"))) << shown.toStdString();
}

TEST_F(ReportPreview, PrintSettingsPaginateForTheChosenPaper) {
    setEvents(40);
    build(ReportFlags{});
    const int a4Pages = preview.pageCount();
    preview.execPrintDialog = [](QPrinter& p, int) {
        p.setPageSize(QPageSize(QPageSize::A5));
        return true;
    };
    preview.Button2Click();
    EXPECT_EQ(preview.reportPrint()->paperSizeMm().toSize(), QSize(148, 210));
    EXPECT_GT(preview.pageCount(), a4Pages);
    EXPECT_EQ(find<QScrollBar>("ScrollBar1")->maximum(), preview.pageCount());
    // A cancelled dialog changes nothing.
    const int a5Pages = preview.pageCount();
    preview.execPrintDialog = [](QPrinter& p, int) {
        p.setPageSize(QPageSize(QPageSize::A3));
        return false;
    };
    preview.Button2Click();
    EXPECT_EQ(preview.pageCount(), a5Pages);
}

TEST_F(ReportPreview, WidePictureStartsAtTheIndentAndKeepsItsSize) {
    // The chart picture is wider than the centred paragraph: it keeps its pixels and starts at
    // the paragraph's left indent, so the drawn part of the picture stays on the page.
    chart.fill(Qt::white);
    {
        QPainter p(&chart);
        p.fillRect(QRect(0, 0, 600, 350), Qt::black);
    }
    ReportFlags onlyTrace = allOff();
    onlyTrace.trace = true;
    build(onlyTrace, 96);
    const QImage page = preview.pagePreview()->renderPage(1, 1.0);
    const QRectF area = preview.reportPrint()->printArea();
    int left = page.width(), right = -1;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 20) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_NEAR(left, area.left() + 50, 2);
    EXPECT_NEAR(right - left + 1, 600, 2);
    EXPECT_LT(right, area.right());
}

}  // namespace
}  // namespace otdr::gui
