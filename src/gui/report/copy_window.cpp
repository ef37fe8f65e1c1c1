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

void TCopyWin::copyPara() {
    QApplication::clipboard()->setText(para_->toPlainText());
}
void TCopyWin::copyEvent() {
    QApplication::clipboard()->setText(event_->toPlainText());
}

}  // namespace otdr::gui
