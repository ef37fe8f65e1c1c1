#pragma once
// TCopyWin: the hidden window that holds the texts copied to the clipboard: the test
// conditions (RichEdit_Para) and the event list (RichEdit_Event).

#include <QWidget>

class QTextEdit;

namespace otdr::gui {

class TCopyWin : public QWidget {
    Q_OBJECT
  public:
    explicit TCopyWin(QWidget* parent = nullptr);

    void setTexts(const QString& para, const QString& event);
    QString paraText() const;
    QString eventText() const;

    // Selects all of a text and copies it to the clipboard.
    void copyPara();
    void copyEvent();

  private:
    QTextEdit* para_;
    QTextEdit* event_;
};

}  // namespace otdr::gui
