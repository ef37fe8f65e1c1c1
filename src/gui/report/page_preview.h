#pragma once
// RVPrintPreview1: shows one page of the paginated report on a grey desk, either the whole
// page fitted into the view or at a zoom percentage (100 % = the document's own pixels), with
// the print area's margin drawn as a dotted rectangle.

#include <QAbstractScrollArea>
#include <QImage>
#include <QPen>

namespace otdr::gui {

class ReportPrint;

class ReportPagePreview : public QAbstractScrollArea {
    Q_OBJECT
  public:
    enum class ZoomMode { FullPage, Percent };

    explicit ReportPagePreview(QWidget* parent = nullptr);

    void setPrint(ReportPrint* print);
    void setZoomMode(ZoomMode mode);
    ZoomMode zoomMode() const { return mode_; }
    // Sets the zoom percentage and switches to percentage mode.
    void setZoom(int percent);
    int zoom() const { return zoom_; }
    void first() { setPageNo(1); }
    void setPageNo(int page);
    int pageNo() const { return page_; }
    void setMarginPen(const QPen& pen);
    QPen marginPen() const { return marginPen_; }

    // Screen pixels per document unit at the current zoom.
    double scale() const;
    // The page as the view paints it (without the desk), at the given scale.
    QImage renderPage(int page, double scale) const;
    // Call after the pages were formatted anew.
    void pagesChanged();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    void paintPage(QPainter& p, int page, double scale) const;
    void updateScrollBars();

    ReportPrint* print_ = nullptr;
    ZoomMode mode_ = ZoomMode::FullPage;
    int zoom_ = 100;
    int page_ = 1;
    QPen marginPen_;
};

}  // namespace otdr::gui
