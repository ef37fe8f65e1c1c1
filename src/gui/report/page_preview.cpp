#include "report/page_preview.h"

#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "report/report_print.h"

namespace otdr::gui {

namespace {
constexpr int kDeskGap = 12;  // grey border around the page, in screen pixels
const QColor kDeskColour(128, 128, 128);
}  // namespace

ReportPagePreview::ReportPagePreview(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("RVPrintPreview1");
    marginPen_ = QPen(Qt::gray, 0, Qt::DotLine);
    viewport()->setAutoFillBackground(false);
}

void ReportPagePreview::setPrint(ReportPrint* print) {
    print_ = print;
    pagesChanged();
}

void ReportPagePreview::setZoomMode(ZoomMode mode) {
    mode_ = mode;
    updateScrollBars();
    viewport()->update();
}

void ReportPagePreview::setZoom(int percent) {
    zoom_ = std::max(1, percent);
    mode_ = ZoomMode::Percent;
    updateScrollBars();
    viewport()->update();
}

void ReportPagePreview::setPageNo(int page) {
    const int pages = print_ ? std::max(1, print_->pagesCount()) : 1;
    page_ = std::clamp(page, 1, pages);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void ReportPagePreview::setMarginPen(const QPen& pen) {
    marginPen_ = pen;
    viewport()->update();
}

void ReportPagePreview::pagesChanged() {
    setPageNo(page_);
    updateScrollBars();
}

double ReportPagePreview::scale() const {
    if (!print_) return 1.0;
    const QRectF page = print_->pageRect();
    if (page.isEmpty()) return 1.0;
    if (mode_ == ZoomMode::Percent) return zoom_ / 100.0;
    const double w = std::max(1, viewport()->width() - 2 * kDeskGap);
    const double h = std::max(1, viewport()->height() - 2 * kDeskGap);
    return std::min(w / page.width(), h / page.height());
}

void ReportPagePreview::updateScrollBars() {
    if (!print_) return;
    const double s = scale();
    const QSizeF page = print_->pageRect().size() * s;
    const int w = static_cast<int>(page.width()) + 2 * kDeskGap;
    const int h = static_cast<int>(page.height()) + 2 * kDeskGap;
    horizontalScrollBar()->setRange(0, std::max(0, w - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0, std::max(0, h - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

void ReportPagePreview::paintPage(QPainter& p, int page, double s) const {
    const QRectF paper = print_->pageRect();
    p.save();
    p.scale(s, s);
    p.fillRect(paper, Qt::white);
    QPen pen = marginPen_;
    pen.setCosmetic(true);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(print_->printArea());
    print_->drawPage(p, page);
    p.restore();
}

QImage ReportPagePreview::renderPage(int page, double s) const {
    if (!print_) return {};
    const QSizeF size = print_->pageRect().size() * s;
    QImage img(std::max(1, qRound(size.width())), std::max(1, qRound(size.height())),
               QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    paintPage(p, page, s);
    return img;
}

void ReportPagePreview::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), kDeskColour);
    if (!print_ || print_->pagesCount() < 1) return;
    const double s = scale();
    const QSizeF size = print_->pageRect().size() * s;
    // Centred while it fits, scrolled otherwise.
    const double x = size.width() + 2 * kDeskGap <= viewport()->width()
                         ? (viewport()->width() - size.width()) / 2
                         : kDeskGap - horizontalScrollBar()->value();
    const double y = size.height() + 2 * kDeskGap <= viewport()->height()
                         ? (viewport()->height() - size.height()) / 2
                         : kDeskGap - verticalScrollBar()->value();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(QRectF(x + 4, y + 4, size.width(), size.height()), QColor(60, 60, 60));
    p.translate(x, y);
    paintPage(p, page_, s);
}

void ReportPagePreview::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
}

}  // namespace otdr::gui
