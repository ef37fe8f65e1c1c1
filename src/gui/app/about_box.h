#pragma once
// TForm3: the about box.

#include <QDialog>

namespace otdr::gui {

class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);
    static constexpr const char* kWebAddress = "http://www.halvern-photonix.example";
};

}  // namespace otdr::gui
