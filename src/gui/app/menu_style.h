#pragma once
// The window's menus in their own style: the base style of the application, with menu items
// a few pixels wider than the base style measures them. Some styles measure an item's text in
// whole pixels but shorten it with an ellipsis when its exact width is a fraction wider, so
// at some font sizes the longest item of a menu lost letters from its middle.

#include <QProxyStyle>

namespace otdr::gui {

class MenuStyle : public QProxyStyle {
    Q_OBJECT
  public:
    explicit MenuStyle(const QString& baseStyle);
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
};

}  // namespace otdr::gui
