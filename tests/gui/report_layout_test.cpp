// How the report is laid out on its pages at both screen densities: tab stops, one line per
// line, pictures inside the print area, and every line drawn on one page only. Checked on the
// layout's geometry and on what is drawn, never on rendered glyphs.

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>
#include <QTextTable>
#include <set>

#include "app/qt_text.h"
#include "recording_device.h"
#include "report/print_preview.h"
#include "report/report_document.h"
#include "report/report_print.h"
#include "util/numeric.h"
#include "util/text.h"
#include "workspace/workspace.h"

namespace otdr::gui {
namespace {

class ReportLayout : public ::testing::Test {
  protected:
    ReportLayout() : ws(Settings{}) {
        logo = QImage(120, 48, QImage::Format_RGB32);
        logo.fill(Qt::blue);
        // The chart as the report draws it at 96 pixels per inch: 600 x 350 of the picture.
        chart = QImage(798, 401, QImage::Format_RGB32);
        chart.fill(Qt::white);
        QPainter(&chart).fillRect(QRect(0, 0, 600, 350), Qt::darkGreen);
    }

    // n events up to 250 km, reflective ones among them, with the widest texts the cells hold.
    void setEvents(int n) {
        EventTable& t = ws.state().slots[0].events;
        t.clearAll();
        for (int i = 1; i <= n; ++i) {
            const bool reflective = i % 3 == 0;
            t.append(static_cast<std::uint16_t>(100 * i | (reflective ? kReflectiveFlag : 0)));
            const auto r = static_cast<std::size_t>(i - 1);
            ws.state().eventText[0][r] = cformat("%8.4f", 250.0 * i / n);
            ws.state().eventText[1][r] = i % 2 ? ">0.260" : " 0.188";
            ws.state().eventText[2][r] = i == n ? "--------" : cformat("%8.3f", -0.012 * i);
            ws.state().eventText[3][r] = reflective ? cformat(" %7.3f", 45.125) : "--------";
            ws.state().eventText[4][r] = cformat("%8.3f", 0.45 * i);
        }
    }
    void build(int dpi, const ReportFlags& flags = ReportFlags{}) {
        preview.buildReport(buildReportOperations(ws.state(), flags, dpi), dpi, logo, chart);
    }
    QTextDocument* doc() { return preview.document()->document(); }
    double lineWidth() { return preview.reportPrint()->printArea().width(); }

    Workspace ws;
    TTracePrintView preview;
    QImage logo;
    QImage chart;
};

// Where the text of a block starts after its leading tab, and the block's one line.
double afterLeadingTab(const QTextBlock& b) {
    const QTextLayout* l = b.layout();
    return l->position().x() + l->lineAt(0).cursorToX(1);
}

TEST_F(ReportLayout, TabStopsLieEvery48PixelsFromThePrintLinesLeftEdge) {
    setEvents(3);
    for (int dpi : {96, 120}) {
        build(dpi);
        // A new line is a tab in a paragraph indented 30: its text starts at the stop after 30.
        int lines = 0;
        for (QTextBlock b = doc()->begin(); b.isValid(); b = b.next()) {
            if (!b.text().startsWith(QLatin1Char('\t'))) continue;
            ++lines;
            EXPECT_DOUBLE_EQ(afterLeadingTab(b), 48) << dpi << " " << b.text().toStdString();
            // The text after the last tab starts on a stop of the same grid.
            const int last = static_cast<int>(b.text().lastIndexOf(QLatin1Char('\t')));
            const double x = b.layout()->position().x() + b.layout()->lineAt(0).cursorToX(last + 1);
            EXPECT_NEAR(std::fmod(x, 48.0), 0, 1e-6) << dpi;
        }
        EXPECT_GT(lines, 10) << dpi;
    }
}

TEST_F(ReportLayout, EveryRowHeaderAndConditionLineStaysOnOneLine) {
    for (int n : {30, 85}) {
        setEvents(n);
        for (int dpi : {96, 120}) {
            build(dpi);
            int rows = 0;
            for (QTextBlock b = doc()->begin(); b.isValid(); b = b.next()) {
                const QTextLayout* l = b.layout();
                if (b.text().trimmed().isEmpty() ||
                    b.text().contains(QChar::ObjectReplacementCharacter))
                    continue;
                ASSERT_EQ(l->lineCount(), 1)
                    << n << " events, " << dpi << " dpi: " << b.text().toStdString();
                const QTextLine line = l->lineAt(0);
                EXPECT_LE(l->position().x() + line.x() + line.naturalTextWidth(),
                          lineWidth() + 0.01)
                    << b.text().toStdString();
                rows += b.text().contains(QStringLiteral("事件")) ? 1 : 0;
            }
            EXPECT_EQ(rows, n + 1) << dpi;  // the header and every event
        }
    }
}

TEST_F(ReportLayout, PicturesKeepTheirPixelsInsideThePrintArea) {
    ReportFlags onlyTrace;
    onlyTrace.para = onlyTrace.mark = onlyTrace.event = onlyTrace.fiber = false;
    auto pictureOnPage = [&] {
        test::RecordingDevice device(preview.reportPrint()->pageRect().size().toSize());
        QPainter p(&device);
        preview.reportPrint()->drawPage(p, 1);
        p.end();
        return device.pictures;
    };
    // At 120 pixels per inch the picture fits as it is; at 96 its blank right part is cut at
    // the print area's edge. Its left edge is the paragraph's indent either way.
    for (const auto& [dpi, width] : {std::pair{120, 798}, std::pair{96, 630}}) {
        build(dpi, onlyTrace);
        const QRectF area = preview.reportPrint()->printArea();
        const auto pictures = pictureOnPage();
        ASSERT_EQ(pictures.size(), 2u) << dpi;  // the logo and the chart
        const auto& picture = pictures.back();
        EXPECT_EQ(picture.rect.width(), width) << dpi;
        EXPECT_EQ(picture.rect.height(), 401) << dpi;
        EXPECT_NEAR(picture.rect.left(), area.left() + 50, 0.01) << dpi;
        EXPECT_LE(picture.rect.right(), area.right() + 0.01) << dpi;
    }
    // A picture whose drawing reaches past the edge is scaled down to fit instead.
    QPainter(&chart).fillRect(QRect(700, 0, 98, 10), Qt::red);
    build(96, onlyTrace);
    const auto& scaled = pictureOnPage().back();
    EXPECT_NEAR(scaled.rect.right(), preview.reportPrint()->printArea().right(), 1.0);
    EXPECT_NEAR(scaled.rect.width() / scaled.rect.height(), 798.0 / 401.0, 0.01);
}

TEST_F(ReportLayout, ALineALittleTooLongIsSetCloserAndAMuchLongerOneBreaks) {
    ReportStyleSheet styles;
    ReportDocument document(&styles);
    const QFontMetricsF metrics(styles.font(kTextNormal, 96));
    const double width = 400;
    auto textOf = [&](double share) {
        QString t;
        while (metrics.horizontalAdvance(t) < share * width) t += QStringLiteral("0123 ");
        return t;
    };
    document.addText(textOf(1.08), kTextNormal);
    document.addNL(textOf(1.8), kTextNormal, kParaLeft);
    document.addNL(QStringLiteral("short"), kTextNormal, kParaLeft);
    document.format();
    document.document()->setPageSize(QSizeF(width, 2000));
    document.fitToPage();
    const QTextBlock closer = document.document()->begin();
    const QTextBlock broken = closer.next();
    EXPECT_EQ(closer.layout()->lineCount(), 1);
    EXPECT_LT(closer.begin().fragment().charFormat().fontLetterSpacing(), 100);
    EXPECT_GT(closer.begin().fragment().charFormat().fontLetterSpacing(), 80);
    EXPECT_GE(broken.layout()->lineCount(), 2);
    const qreal spacing = broken.begin().fragment().charFormat().fontLetterSpacing();
    EXPECT_TRUE(spacing == 0 || spacing == 100) << spacing;
    EXPECT_EQ(broken.next().begin().fragment().charFormat().fontLetterSpacing(), 0);
    // Fitted to a wider page, the first line gets its own spacing back.
    document.document()->setPageSize(QSizeF(2 * width, 2000));
    document.fitToPage();
    EXPECT_EQ(closer.begin().fragment().charFormat().fontLetterSpacing(), 100);
}

TEST_F(ReportLayout, ALineAddedAfterFittingIsFittedAtTheSameWidthToo) {
    ReportStyleSheet styles;
    ReportDocument document(&styles);
    const QFontMetricsF metrics(styles.font(kTextNormal, 96));
    QString line;
    while (metrics.horizontalAdvance(line) < 1.08 * 400) line += QStringLiteral("0123 ");
    document.addText(QStringLiteral("short"), kTextNormal);
    document.document()->setPageSize(QSizeF(400, 2000));
    document.fitToPage();
    document.addNL(line, kTextNormal, kParaLeft);
    document.fitToPage();
    const QTextBlock added = document.document()->lastBlock();
    EXPECT_EQ(added.layout()->lineCount(), 1);
    EXPECT_LT(added.begin().fragment().charFormat().fontLetterSpacing(), 100);
}

TEST_F(ReportLayout, EachLineIsDrawnOnOnePageOnly) {
    setEvents(150);
    for (int dpi : {96, 120}) {
        build(dpi);
        const ReportPrint* print = preview.reportPrint();
        const QRectF area = print->printArea();
        std::map<QString, int> drawn;
        for (int page = 1; page <= preview.pageCount(); ++page) {
            test::RecordingDevice device(print->pageRect().size().toSize());
            {
                QPainter p(&device);
                preview.reportPrint()->drawPage(p, page);
            }
            for (const auto& [y, line] : device.lines()) {
                if (line.startsWith(QStringLiteral("--Page"))) continue;
                ++drawn[line];
                EXPECT_GT(y, area.top()) << page;
                EXPECT_LT(y, area.bottom()) << page;
            }
        }
        ASSERT_GE(preview.pageCount(), 3);
        for (QTextBlock b = doc()->begin(); b.isValid(); b = b.next()) {
            QString text = b.text();
            text.remove(QRegularExpression(QStringLiteral("\\s")));
            if (text.isEmpty() || text.contains(QChar::ObjectReplacementCharacter)) continue;
            // The event table's cells are checked row by row, with its repeated header, below.
            if (QTextCursor(b).currentTable()) continue;
            EXPECT_EQ(drawn[text], 1) << dpi << " dpi: " << text.toStdString();
        }
    }
}

// A drawn line of the page split into its cells: runs of text that follow each other without
// a gap belong to one cell.
struct DrawnCell {
    QString text;
    double left = 0;
    double right = 0;
};
std::vector<DrawnCell> cellsOf(const test::RecordingDevice& device,
                               std::vector<const test::RecordingDevice::Text*> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const auto* a, const auto* b) { return a->baseline.x() < b->baseline.x(); });
    std::vector<DrawnCell> cells;
    for (const auto* t : runs) {
        const double w = QFontMetricsF(t->font, &device).horizontalAdvance(t->text);
        if (t->text.trimmed().isEmpty()) continue;
        if (cells.empty() || t->baseline.x() > cells.back().right + 1)
            cells.push_back({QString(), t->baseline.x(), t->baseline.x()});
        cells.back().text += t->text;
        cells.back().right = t->baseline.x() + w;
    }
    return cells;
}

TEST_F(ReportLayout, EventTableColumnsLineUpOnEveryRowAndPageUnderItsHeader) {
    // Beyond 100 km and beyond row 10, over several pages.
    const int n = 85;
    setEvents(n);
    const QStringList header{QStringLiteral("序号"),         QStringLiteral("事件类型"),
                             QStringLiteral("距离(km)"),     QStringLiteral("平均损耗(dB/km)"),
                             QStringLiteral("连接损耗(dB)"), QStringLiteral("反射损耗(dB)"),
                             QStringLiteral("链路损耗(dB)")};
    for (int dpi : {96, 120}) {
        build(dpi);
        const ReportPrint* print = preview.reportPrint();
        ASSERT_GE(preview.pageCount(), 3) << dpi;
        // Per column the x where its texts start (type) or its numbers end (all others).
        std::vector<std::set<double>> edges(7);
        int nextRow = 1, pagesWithTable = 0;
        for (int page = 1; page <= preview.pageCount(); ++page) {
            test::RecordingDevice device(print->pageRect().size().toSize());
            {
                QPainter p(&device);
                preview.reportPrint()->drawPage(p, page);
            }
            std::map<int, std::vector<const test::RecordingDevice::Text*>> byLine;
            for (const auto& t : device.texts) byLine[qRound(t.baseline.y())].push_back(&t);
            bool headerSeen = false;
            for (const auto& [y, runs] : byLine) {
                const std::vector<DrawnCell> cells = cellsOf(device, runs);
                if (cells.size() != 7) continue;
                QStringList texts;
                for (const DrawnCell& c : cells) texts << c.text;
                if (texts == header) {
                    // The header stands on every page the table is on, above its rows.
                    EXPECT_FALSE(headerSeen) << dpi << " dpi, page " << page;
                    headerSeen = true;
                    ++pagesWithTable;
                } else {
                    ASSERT_TRUE(headerSeen) << dpi << " dpi, page " << page;
                    ASSERT_EQ(texts[0], QString::number(nextRow)) << dpi << " dpi, page " << page;
                    const auto r = static_cast<std::size_t>(nextRow - 1);
                    for (int c = 0; c < 5; ++c)
                        EXPECT_EQ(texts[c + 2].toStdString(),
                                  trimmed(ws.state().eventText[static_cast<std::size_t>(c)][r]));
                    ++nextRow;
                }
                for (std::size_t c = 0; c < 7; ++c)
                    edges[c].insert(std::round((c == 1 ? cells[c].left : cells[c].right) * 100));
            }
        }
        EXPECT_EQ(nextRow, n + 1) << dpi;  // every row once, in order
        EXPECT_EQ(pagesWithTable, preview.pageCount()) << dpi;
        for (std::size_t c = 0; c < 7; ++c)
            EXPECT_EQ(edges[c].size(), 1u) << dpi << " dpi, column " << c;
        // The columns stay inside the print line, left to right.
        for (std::size_t c = 1; c < 7; ++c)
            EXPECT_LT(*edges[c - 1].begin(), *edges[c].begin()) << dpi << " dpi, column " << c;
        EXPECT_LE(*edges[6].begin() / 100, print->printArea().right() + 0.01) << dpi;
    }
}

}  // namespace
}  // namespace otdr::gui
