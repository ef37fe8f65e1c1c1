#include "app/window_font.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <algorithm>

namespace otdr::gui {

namespace {

constexpr int kSmallestPixels = 11;
// Room a control keeps around its text: frame and margins.
constexpr double kButtonPadding = 12;
constexpr double kIndicatorRoom = 26;  // a radio button's or check box's mark and its gap
constexpr double kEditPadding = 8;
constexpr double kComboPadding = 30;
constexpr double kCellPadding = 3;  // the grid draws its text 2 pixels in
constexpr double kFrameHeight = 4;

double widest(const QFontMetricsF& m, std::initializer_list<QString> texts) {
    double w = 0;
    for (const QString& t : texts) w = std::max(w, m.horizontalAdvance(t));
    return w;
}

bool fits(const QWidget* w, const QFontMetricsF& m) {
    const QString widestText = w->property("widestText").toString();
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return widest(m, {l->text(), widestText}) <= l->width() && m.height() <= l->height();
    if (const auto* e = qobject_cast<const QLineEdit*>(w))
        return widest(m, {e->text(), widestText}) + kEditPadding <= e->width() &&
               m.height() + kFrameHeight <= e->height();
    if (const auto* c = qobject_cast<const QComboBox*>(w)) {
        double need = 0;
        for (int i = 0; i < c->count(); ++i)
            need = std::max(need, m.horizontalAdvance(c->itemText(i)));
        return need + kComboPadding <= c->width() && m.height() + kFrameHeight <= c->height();
    }
    if (const auto* g = qobject_cast<const QGroupBox*>(w))
        return m.horizontalAdvance(g->title()) + 2 * kButtonPadding <= g->width();
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
        const bool marked =
            qobject_cast<const QRadioButton*>(w) || qobject_cast<const QCheckBox*>(w);
        return m.horizontalAdvance(b->text()) + (marked ? kIndicatorRoom : kButtonPadding) <=
                   b->width() &&
               m.height() <= b->height();
    }
    if (const auto* t = qobject_cast<const QTableWidget*>(w)) {
        for (int c = 0; c < t->columnCount(); ++c) {
            const QTableWidgetItem* h = t->horizontalHeaderItem(c);
            const QString widestCell =
                t->property(QByteArray("widestText") + QByteArray::number(c)).toString();
            if (widest(m, {h ? h->text() : QString(), widestCell}) + kCellPadding >
                t->columnWidth(c))
                return false;
        }
    }
    return true;
}

}  // namespace

QFont windowFont(int pixelSize) {
    QFont f;
    // SimSun first; then Song faces, then other faces with Chinese glyphs.
    f.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                   QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL SungtiL GB"),
                   QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                   QStringLiteral("Noto Sans CJK SC")});
    f.setPixelSize(pixelSize);
    return f;
}

QStringList captionsThatDoNotFit(const QWidget* root, const QFont& font) {
    const QFontMetricsF m(font);
    QStringList out;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) && !fits(w, m)) out << name;
    }
    return out;
}

int fittingPixelSize(const QWidget* root) {
    int size = kWindowFontPixels;
    while (size > kSmallestPixels && !captionsThatDoNotFit(root, windowFont(size)).isEmpty())
        --size;
    return size;
}

}  // namespace otdr::gui
