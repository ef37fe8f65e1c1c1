#include "report/report_print.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <algorithm>

#include "report/report_document.h"

namespace otdr::gui {

namespace {
// Document units a line may reach over a page edge without being drawn on that page.
constexpr double kEdgeTolerance = 0.5;
}  // namespace

ReportPrint::ReportPrint(QObject* parent) : QObject(parent) {
    setObjectName("RVPrint1");
}

void ReportPrint::assignSource(ReportDocument* document) {
    source_ = document;
    pages_ = 0;
}

double ReportPrint::unitsPerMm() const {
    return (source_ ? source_->screenDpi() : 96) / 25.4;
}

QRectF ReportPrint::pageRect() const {
    const double k = unitsPerMm();
    return {0, 0, paperMm_.width() * k, paperMm_.height() * k};
}

QRectF ReportPrint::printArea() const {
    const double k = unitsPerMm();
    return pageRect().adjusted(marginsMm_.left() * k, marginsMm_.top() * k, -marginsMm_.right() * k,
                               -marginsMm_.bottom() * k);
}

int ReportPrint::formatPages() {
    Q_EMIT formatting(ProgressStep::Starting, 0);
    pages_ = 0;
    if (source_) {
        QTextDocument* doc = source_->document();
        const QRectF area = printArea();
        doc->setPageSize(QSizeF(std::max(1.0, area.width()), std::max(1.0, area.height())));
        source_->fitToPage();
        pages_ = std::max(1, doc->pageCount());
        for (int p = 1; p <= pages_; ++p) Q_EMIT formatting(ProgressStep::PageCompleted, p);
    }
    Q_EMIT formatting(ProgressStep::Finished, pages_);
    return pages_;
}

void ReportPrint::drawPage(QPainter& painter, int page) {
    const QRectF paper = pageRect();
    const QRectF area = printArea();
    Q_EMIT pagePrePaint(page, &painter, paper, area);
    if (!source_ || page < 1 || page > pages_) return;

    painter.save();
    const double h = area.height();
    const double top = (page - 1) * h;
    painter.translate(area.left(), area.top() - top);
    QAbstractTextDocumentLayout::PaintContext ctx;
    // The page's band of the document. A picture wider than the print area may run on into
    // the right margin, so the band reaches the paper's right edge.
    const QRectF band(-area.left(), top, paper.width(), h);
    // The layout draws every line that touches the band it is given, so a line that was moved
    // to the top of the next page would also be drawn, clipped, at the bottom of this one, and
    // the last line of the page before at the top of this one. Lines that only touch the
    // page's edges are left to their own pages.
    ctx.clip = band.adjusted(0, kEdgeTolerance, 0, -kEdgeTolerance);
    ctx.palette.setColor(QPalette::Text, Qt::black);
    ctx.palette.setColor(QPalette::WindowText, Qt::black);
    painter.setClipRect(band, Qt::IntersectClip);
    source_->document()->documentLayout()->draw(&painter, ctx);
    painter.restore();
}

bool ReportPrint::print(QPrinter& printer, const QString& title, int copies, bool collate) {
    return printPages(printer, 1, pages_, title, copies, collate);
}

bool ReportPrint::printPages(QPrinter& printer, int first, int last, const QString& title,
                             int copies, bool collate) {
    first = std::max(first, 1);
    last = std::min(last, pages_);
    if (first > last) return true;
    copies = std::max(copies, 1);

    printer.setDocName(title);
    printer.setFullPage(true);
    printer.setCopyCount(copies);
    printer.setCollateCopies(collate);
    // A printer that makes the copies itself gets each page once.
    const int passes = printer.supportsMultipleCopies() ? 1 : copies;

    Q_EMIT sendingToPrinter(ProgressStep::Starting, 0);
    QPainter painter;
    if (!painter.begin(&printer)) {
        Q_EMIT sendingToPrinter(ProgressStep::Finished, 0);
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double scale = printer.resolution() / static_cast<double>(source_->screenDpi());
    bool firstSheet = true;
    auto sheet = [&](int page) {
        if (!firstSheet) printer.newPage();
        firstSheet = false;
        painter.save();
        painter.scale(scale, scale);
        drawPage(painter, page);
        painter.restore();
        Q_EMIT sendingToPrinter(ProgressStep::PageCompleted, page);
    };
    if (collate) {
        for (int c = 0; c < passes; ++c)
            for (int p = first; p <= last; ++p) sheet(p);
    } else {
        for (int p = first; p <= last; ++p)
            for (int c = 0; c < passes; ++c) sheet(p);
    }
    const bool ok = painter.end();
    Q_EMIT sendingToPrinter(ProgressStep::Finished, last);
    return ok;
}

}  // namespace otdr::gui
