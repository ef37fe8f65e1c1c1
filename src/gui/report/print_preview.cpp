#include "report/print_preview.h"

namespace otdr::gui {

TTracePrintView::TTracePrintView(QWidget* parent) : QDialog(parent) {
    setObjectName("TTracePrintView");
    setWindowTitle(QStringLiteral("报告预览"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    resize(800, 700);
}

}  // namespace otdr::gui
