#include "report/copy_window.h"

#include <QApplication>
#include <QClipboard>
#include <QTextEdit>

namespace otdr::gui {

TCopyWin::TCopyWin(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TCopyWin");
    setWindowTitle(QStringLiteral("CopyWindows"));
    QFont f(QStringLiteral("MS Sans Serif"));
    for (auto** edit : {&para_, &event_}) {
        *edit = new QTextEdit(this);
        (*edit)->setFont(f);
        (*edit)->setAcceptRichText(false);
        (*edit)->hide();
        (*edit)->setEnabled(false);
    }
    para_->setObjectName("RichEdit_Para");
    event_->setObjectName("RichEdit_Event");
}

void TCopyWin::setTexts(const QString& para, const QString& event) {
    if (para_->toPlainText() != para) para_->setPlainText(para);
    if (event_->toPlainText() != event) event_->setPlainText(event);
}

QString TCopyWin::paraText() const {
    return para_->toPlainText();
}
QString TCopyWin::eventText() const {
    return event_->toPlainText();
}

namespace {
// Selects the whole text and puts it on the clipboard as plain text.
void copyAll(QTextEdit* edit) {
    edit->selectAll();
    QApplication::clipboard()->setText(edit->toPlainText());
}
}  // namespace

void TCopyWin::copyPara() {
    copyAll(para_);
}
void TCopyWin::copyEvent() {
    copyAll(event_);
}

}  // namespace otdr::gui
