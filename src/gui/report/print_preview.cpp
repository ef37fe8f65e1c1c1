#include "report/print_preview.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/qt_text.h"
#include "app/window_fit.h"
#include "report/page_preview.h"
#include "report/preview_rules.h"
#include "report/report_document.h"
#include "report/report_print.h"

namespace otdr::gui {

namespace {
constexpr double kReportMarginMm = 15;
constexpr double kHeaderGap = 10;  // between the page header and the print area
const QString kJobTitle = QStringLiteral("Test");
}  // namespace

TTracePrintView::TTracePrintView(QWidget* parent)
    : QDialog(parent), ownZoom_(kPreviewZoomStart), zoom_(&ownZoom_) {
    setObjectName("TTracePrintView");
    setWindowTitle(QStringLiteral("报告预览"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(800, 720);

    styles_ = new ReportStyleSheet(this);
    document_ = new ReportDocument(styles_, this);
    print_ = new ReportPrint(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* buttons = new QWidget(this);
    buttons->setObjectName("Panel1");
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(8, 6, 8, 6);
    printButton_ = new QPushButton(QStringLiteral("打 印"), buttons);
    printButton_->setObjectName("Button1");
    setupButton_ = new QPushButton(QStringLiteral("打印设置"), buttons);
    setupButton_->setObjectName("Button2");
    zoomInButton_ = new QPushButton(QStringLiteral("放大显示"), buttons);
    zoomInButton_->setObjectName("But_ZoomIn");
    zoomOutButton_ = new QPushButton(QStringLiteral("缩小显示"), buttons);
    zoomOutButton_->setObjectName("But_ZoomOut");
    for (QPushButton* b : {printButton_, setupButton_, zoomInButton_, zoomOutButton_}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    row->addStretch(1);
    layout->addWidget(buttons);

    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    preview_ = new ReportPagePreview(this);
    preview_->setPrint(print_);
    middle->addWidget(preview_, 1);
    panel3_ = new QWidget(this);
    panel3_->setObjectName("Panel3");
    panel3_->setFixedWidth(20);
    scrollBar_ = new QScrollBar(Qt::Vertical, panel3_);
    scrollBar_->setObjectName("ScrollBar1");
    scrollBar_->setFixedWidth(18);
    panel3_->installEventFilter(this);
    middle->addWidget(panel3_);
    layout->addLayout(middle, 1);

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName("StatusBar1");
    statusBar_->setSizeGripEnabled(false);
    layout->addWidget(statusBar_);

    // Image1: holds the chart picture of the last report; never shown.
    image1_ = new QLabel(this);
    image1_->setObjectName("Image1");
    image1_->hide();

    updatePageScrollBar();

    connect(printButton_, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(setupButton_, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(zoomInButton_, &QPushButton::clicked, this, [this] { But_ZoomInClick(); });
    connect(zoomOutButton_, &QPushButton::clicked, this, [this] { But_ZoomOutClick(); });
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int v) { ScrollBar1Change(v); });
    connect(print_, &ReportPrint::formatting, this, [this](ProgressStep step, int page) {
        setStatus(fromUtf8(formattingStatusText(step, page)));
    });
    connect(print_, &ReportPrint::sendingToPrinter, this, [this](ProgressStep step, int page) {
        setStatus(fromUtf8(printingStatusText(step, page)));
    });
    connect(print_, &ReportPrint::pagePrePaint, this,
            [this](int page, QPainter* canvas, const QRectF& pageRect, const QRectF& area) {
                drawPageHeader(page, canvas, pageRect, area);
            });

    execPrintDialog = [this](QPrinter& printer, int pages) {
        QPrintDialog dialog(&printer, this);
        dialog.setObjectName("PrintDialog1");
        dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                          QAbstractPrintDialog::PrintCollateCopies |
                          QAbstractPrintDialog::PrintShowPageSize);
        dialog.setMinMax(1, pages);
        dialog.setFromTo(1, pages);
        return dialog.exec() == QDialog::Accepted;
    };
    showError = [this](const QString& message) {
        QMessageBox::critical(this, QStringLiteral("Error"), message, QMessageBox::Ok);
    };
}

TTracePrintView::~TTracePrintView() = default;

void TTracePrintView::fitToScreen(const QRect& available) {
    const WindowPlacement p = placeWindow(size(), available, windowFrame(this));
    if (p.designedSize) return;
    resize(p.client);
    move(p.frame.topLeft());
}

QPrinter& TTracePrintView::printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setPageSize(QPageSize(QPageSize::A4));
        printer_->setPageOrientation(QPageLayout::Portrait);
    }
    return *printer_;
}

int TTracePrintView::pageCount() const {
    return print_->pagesCount();
}

QString TTracePrintView::statusText() const {
    return statusBar_->currentMessage();
}

void TTracePrintView::setStatus(const QString& text) {
    if (text.isEmpty())
        statusBar_->clearMessage();
    else
        statusBar_->showMessage(text);
}

void TTracePrintView::buildReport(const ReportOps& ops, int screenDpi, const QImage& logo,
                                  const QImage& chartPicture) {
    image1_->clear();
    image1_->setPixmap(QPixmap::fromImage(chartPicture));
    document_->setScreenDpi(screenDpi);
    document_->run(ops, logo, chartPicture);

    // Pagination for the printer's paper with 15 mm margins; the preview shows the margins
    // with a dotted line.
    print_->setMarginsMm(
        QMarginsF(kReportMarginMm, kReportMarginMm, kReportMarginMm, kReportMarginMm));
    preview_->setMarginPen(QPen(Qt::gray, 0, Qt::DotLine));
    print_->assignSource(document_);
    print_->setPaperSizeMm(printer().pageLayout().fullRect(QPageLayout::Millimeter).size());
    print_->formatPages();

    preview_->setZoomMode(ReportPagePreview::ZoomMode::FullPage);
    preview_->pagesChanged();
    preview_->first();
    updatePageScrollBar();
}

void TTracePrintView::updatePageScrollBar() {
    const PageScrollRange r = pageScrollRange(print_->pagesCount());
    const QSignalBlocker quiet(scrollBar_);
    scrollBar_->setRange(r.minimum, r.maximum);
    scrollBar_->setPageStep(1);
    scrollBar_->setValue(preview_->pageNo());
    scrollBar_->setEnabled(r.enabled);
}

void TTracePrintView::prepare() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    print_->assignSource(document_);
    print_->setPaperSizeMm(printer().pageLayout().fullRect(QPageLayout::Millimeter).size());
    print_->formatPages();
    // The report embeds no controls, so there is nothing to draw for them.
    preview_->pagesChanged();
    updatePageScrollBar();
    QApplication::restoreOverrideCursor();
}

bool TTracePrintView::Button1Click() {
    const int pages = pageCount();
    QPrinter& pr = printer();
    pr.setFromTo(1, std::max(1, pages));
    if (!execPrintDialog || !execPrintDialog(pr, std::max(1, pages))) return false;
    prepare();
    bool ok = false;
    switch (pr.printRange()) {
        case QPrinter::AllPages:
            ok = print_->print(pr, kJobTitle, pr.copyCount(), pr.collateCopies());
            break;
        case QPrinter::PageRange:
            ok = print_->printPages(pr, pr.fromPage(), pr.toPage(), kJobTitle, pr.copyCount(),
                                    pr.collateCopies());
            break;
        case QPrinter::Selection:
        case QPrinter::CurrentPage:
            // The report has no selection: nothing is printed.
            return false;
    }
    if (!ok && showError) {
        const QString target =
            pr.outputFileName().isEmpty() ? pr.printerName() : pr.outputFileName();
        showError(QStringLiteral("无法打印到“%1”。").arg(target));
    }
    return ok;
}

void TTracePrintView::Button2Click() {
    QPrinter& pr = printer();
    if (execPrintDialog && execPrintDialog(pr, std::max(1, pageCount()))) prepare();
}

void TTracePrintView::But_ZoomInClick() {
    *zoom_ = previewZoomIn(*zoom_);
    preview_->setZoom(*zoom_);
}

void TTracePrintView::But_ZoomOutClick() {
    *zoom_ = previewZoomOut(*zoom_);
    preview_->setZoom(*zoom_);
}

void TTracePrintView::ScrollBar1Change(int position) {
    if (position < 1) return;
    preview_->setPageNo(position);
    setStatus(fromUtf8(pageStatusText(preview_->pageNo(), pageCount())));
}

void TTracePrintView::drawPageHeader(int page, QPainter* canvas, const QRectF&,
                                     const QRectF& printArea) {
    const QFont font = styles_->font(kTextNormal, document_->screenDpi());
    const QFontMetricsF metrics(font);
    const double h = metrics.height();
    const QRectF box(printArea.left(), printArea.top() - kHeaderGap - h, printArea.width(), h);
    canvas->save();
    canvas->setFont(font);
    canvas->setPen(Qt::black);
    canvas->setBackgroundMode(Qt::TransparentMode);
    canvas->drawText(box, Qt::AlignHCenter | Qt::AlignBottom,
                     fromUtf8(pageHeaderText(page, pageCount())));
    canvas->restore();
}

bool TTracePrintView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel3_ && event->type() == QEvent::Resize) {
        // ScrollBar1 keeps its width at the panel's right edge, as high as the panel.
        const QRect r = panel3_->contentsRect();
        scrollBar_->setGeometry(r.right() - scrollBar_->width() + 1, r.top(), scrollBar_->width(),
                                r.height());
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace otdr::gui
