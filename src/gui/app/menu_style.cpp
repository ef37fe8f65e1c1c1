#include "app/menu_style.h"

namespace otdr::gui {

namespace {
// Room added to every menu item, more than the rounding of any text width.
constexpr int kItemRoom = 4;
}  // namespace

MenuStyle::MenuStyle(const QString& baseStyle) : QProxyStyle(baseStyle) {}

QSize MenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const {
    QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_MenuItem) s.rwidth() += kItemRoom;
    return s;
}

}  // namespace otdr::gui
