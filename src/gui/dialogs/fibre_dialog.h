#pragma once
// TForm5: the fibre parameter dialog (refractive index, event threshold, fibre texts, test
// date). The workspace decides; the dialog only shows and collects the fields.

#include <QDialog>

#include "workspace/workspace.h"

class QLineEdit;
class QPlainTextEdit;

namespace otdr::gui {

class TForm5 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm5(QWidget* parent = nullptr);

    void loadFields(const FibreDialogFields& f);
    // The fields as typed (texts converted to GBK).
    FibreDialogFields fields() const;

  Q_SIGNALS:
    // BSetPara_OK clicked; the receiver stores the fields and then calls accept().
    void okClicked();

  private:
    QLineEdit* addEdit(const char* name, const QString& label, int y, int maxBytes,
                       const QString& hint);

    QLineEdit* editIor_;
    QLineEdit* editet_;
    QLineEdit* editbs_;
    QLineEdit* editxbs_;
    QLineEdit* editdm_;
    QLineEdit* editstart_;
    QLineEdit* editend_;
    QLineEdit* editbz_;
    QLineEdit* editczz_;
    QPlainTextEdit* memopy_;
    QLineEdit* editrq_;
};

}  // namespace otdr::gui
