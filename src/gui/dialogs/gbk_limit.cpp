#include "dialogs/gbk_limit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

#include "app/qt_text.h"

namespace otdr::gui {

namespace {
// The longest prefix of the text that fits (never splitting a surrogate pair).
QString fitting(const QString& text, int maxBytes) {
    QString out;
    int bytes = 0;
    for (int i = 0; i < text.size(); ++i) {
        const int len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString ch = text.mid(i, len);
        const int b = gbkLength(ch);
        if (bytes + b > maxBytes) break;
        bytes += b;
        out += ch;
        i += len - 1;
    }
    return out;
}
}  // namespace

void limitGbkBytes(QLineEdit* edit, int maxBytes) {
    edit->setProperty("gbkLimit", maxBytes);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, maxBytes](const QString& t) {
        if (gbkLength(t) <= maxBytes) return;
        const int pos = edit->cursorPosition();
        const QSignalBlocker block(edit);
        edit->setText(fitting(t, maxBytes));
        edit->setCursorPosition(std::min(pos, static_cast<int>(edit->text().size())));
    });
}

void limitGbkBytes(QPlainTextEdit* edit, int maxBytes) {
    edit->setProperty("gbkLimit", maxBytes);
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, maxBytes]() {
        const QString t = edit->toPlainText();
        if (gbkLength(t) <= maxBytes) return;
        const QSignalBlocker block(edit);
        edit->setPlainText(fitting(t, maxBytes));
        QTextCursor c = edit->textCursor();
        c.movePosition(QTextCursor::End);
        edit->setTextCursor(c);
    });
}

}  // namespace otdr::gui
