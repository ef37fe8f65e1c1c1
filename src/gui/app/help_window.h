#pragma once
// The program's own help, an HTML page in the resources, shown at a topic.

#include <QDialog>

class QTextBrowser;

namespace otdr::gui {

class HelpWindow : public QDialog {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // Opens the help at a topic key such as "IDH_MAIN".
    void showTopic(const QString& topic);
    // Opens the help at a numeric context (context 1 is the main window's topic).
    void showContext(int context);
    QString currentTopic() const { return topic_; }

  private:
    QTextBrowser* browser_;
    QString topic_;
};

}  // namespace otdr::gui
