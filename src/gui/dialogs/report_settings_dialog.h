#pragma once
// TForm4: which sections the test report holds. Closing the dialog by any means keeps the
// boxes and writes them to the settings file at once.

#include <QDialog>
#include <QPixmap>
#include <functional>

#include "workspace/settings.h"

class QCheckBox;
class QLabel;

namespace otdr::gui {

class TForm4 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);

    void setFlags(const ReportFlags& flags);
    ReportFlags flags() const;
    // The report logo (the hidden picture Image2).
    QPixmap logo() const;

    // Called with the boxes whenever the dialog closes.
    std::function<void(const ReportFlags&)> onClosed;

  protected:
    void done(int r) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void notifyClosed();
    QCheckBox* box(std::string_view section) const;
    QLabel* image2_;
    bool notified_ = false;
};

}  // namespace otdr::gui
