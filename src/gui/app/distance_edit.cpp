#include "app/distance_edit.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "app/qt_text.h"

namespace otdr::gui {

void setUpDistanceEdit(QLineEdit* edit) {
    static const QRegularExpression form(QStringLiteral("\\d{0,4}(\\.\\d{0,4})?"));
    edit->setValidator(new QRegularExpressionValidator(form, edit));
    edit->setMaxLength(9);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setPlaceholderText(QStringLiteral("____.____"));
}

QString distanceEditText(std::string_view workspaceText) {
    return fromUtf8(workspaceText).trimmed();
}

QString distanceFromEdit(const QString& typed) {
    QString t = typed.trimmed();
    if (!t.contains(QLatin1Char('.'))) t += QLatin1Char('.');
    return t;
}

}  // namespace otdr::gui
