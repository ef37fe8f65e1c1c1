#pragma once
// TTracePrintView: the report preview window ("报告预览", stays on top).

#include <QDialog>

namespace otdr::gui {

class TTracePrintView : public QDialog {
    Q_OBJECT
  public:
    explicit TTracePrintView(QWidget* parent = nullptr);
};

}  // namespace otdr::gui
