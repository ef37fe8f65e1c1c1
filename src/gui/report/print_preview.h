#pragma once
// TTracePrintView: the report preview window ("报告预览", stays on top). It holds the report
// document (RichView1) with its style sheet (RVStyle1), the pagination and print component
// (RVPrint1) and the page view (RVPrintPreview1); the user zooms, pages through the report
// and prints all pages or a range of them.

#include <QDialog>
#include <QImage>
#include <functional>
#include <memory>

#include "report/report_content.h"

class QLabel;
class QPainter;
class QPrinter;
class QPushButton;
class QScrollBar;
class QStatusBar;

namespace otdr::gui {

class ReportDocument;
class ReportPagePreview;
class ReportPrint;
class ReportStyleSheet;

class TTracePrintView : public QDialog {
    Q_OBJECT
  public:
    explicit TTracePrintView(QWidget* parent = nullptr);
    ~TTracePrintView() override;

    // Builds the report from its operations with the logo and the chart picture (kept in
    // Image1), lays it out for the screen density, paginates it with 15 mm margins and shows
    // its first page in full-page mode.
    void buildReport(const ReportOps& ops, int screenDpi, const QImage& logo,
                     const QImage& chartPicture);

    // Before showing: a window larger than the screen's free area shrinks to fit it and is
    // centred on it; one that fits keeps its size and place.
    void fitToScreen(const QRect& available);

    int pageCount() const;
    QString statusText() const;
    // PreviewZoom lives wherever the owner keeps it (the workspace); 50 until bound.
    void bindZoom(int* zoom) { zoom_ = zoom ? zoom : &ownZoom_; }
    int previewZoom() const { return *zoom_; }

    // The printer the report is paginated for and printed on (A4 until changed).
    QPrinter& printer();

    ReportDocument* document() const { return document_; }
    ReportPrint* reportPrint() const { return print_; }
    ReportPagePreview* pagePreview() const { return preview_; }

    // The print dialog (page numbers allowed), replaceable by tests and the command line.
    // Returns false when the user cancelled.
    std::function<bool(QPrinter&, int pageCount)> execPrintDialog;
    // Shows a failure to print; a message box unless replaced.
    std::function<void(const QString&)> showError;

    // Button1 "打 印": the print dialog, then all pages or the chosen range. True when pages
    // were printed.
    bool Button1Click();
    // Button2 "打印设置": the print dialog; the report is paginated anew for its settings.
    void Button2Click();
    void But_ZoomInClick();
    void But_ZoomOutClick();
    // ScrollBar1 moved to a position.
    void ScrollBar1Change(int position);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void prepare();
    void updatePageScrollBar();
    void drawPageHeader(int page, QPainter* canvas, const QRectF& pageRect,
                        const QRectF& printArea);
    void setStatus(const QString& text);

    ReportStyleSheet* styles_;
    ReportDocument* document_;
    ReportPrint* print_;
    ReportPagePreview* preview_;
    QLabel* image1_;
    QPushButton* printButton_;
    QPushButton* setupButton_;
    QPushButton* zoomInButton_;
    QPushButton* zoomOutButton_;
    QWidget* panel3_;
    QScrollBar* scrollBar_;
    QStatusBar* statusBar_;
    std::unique_ptr<QPrinter> printer_;
    int ownZoom_;
    int* zoom_;
};

}  // namespace otdr::gui
