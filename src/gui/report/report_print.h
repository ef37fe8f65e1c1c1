#pragma once
// RVPrint1: paginates the report document for the paper and margins of the printer, draws
// single pages (for the preview and the printer) and prints all pages or a range. It reports
// its progress and asks its listeners to paint on every page before the page's contents.

#include <QMarginsF>
#include <QObject>
#include <QRectF>
#include <QSizeF>

#include "report/preview_rules.h"

class QPainter;
class QPrinter;

namespace otdr::gui {

class ReportDocument;

class ReportPrint : public QObject {
    Q_OBJECT
  public:
    explicit ReportPrint(QObject* parent = nullptr);

    void assignSource(ReportDocument* document);
    ReportDocument* source() const { return source_; }

    // Page margins in millimetres (20 mm on every side until changed).
    void setMarginsMm(const QMarginsF& margins) { marginsMm_ = margins; }
    QMarginsF marginsMm() const { return marginsMm_; }
    // Paper size in millimetres (A4 until changed).
    void setPaperSizeMm(const QSizeF& size) { paperMm_ = size; }
    QSizeF paperSizeMm() const { return paperMm_; }

    // Paginates the source for the paper and margins; returns the page count.
    int formatPages();
    int pagesCount() const { return pages_; }

    // Page geometry in document units (pixels of the document's screen density).
    QRectF pageRect() const;
    QRectF printArea() const;

    // Draws page `page` (1-based) with the paper's top-left corner at the painter's origin,
    // in document units: first the page pre-paint listeners, then the page's contents.
    void drawPage(QPainter& painter, int page);

    // Prints all pages, or pages first..last, as job `title`. False when the printer could
    // not be opened.
    bool print(QPrinter& printer, const QString& title, int copies, bool collate);
    bool printPages(QPrinter& printer, int first, int last, const QString& title, int copies,
                    bool collate);

  Q_SIGNALS:
    void formatting(otdr::ProgressStep step, int page);
    void sendingToPrinter(otdr::ProgressStep step, int page);
    void pagePrePaint(int page, QPainter* canvas, const QRectF& pageRect, const QRectF& printArea);

  private:
    double unitsPerMm() const;

    ReportDocument* source_ = nullptr;
    QMarginsF marginsMm_{20, 20, 20, 20};
    QSizeF paperMm_{210, 297};
    int pages_ = 0;
};

}  // namespace otdr::gui
