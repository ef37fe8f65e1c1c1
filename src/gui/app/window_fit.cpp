#include "app/window_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace otdr::gui {

namespace {
// A title bar and borders as window managers commonly draw them, in device-independent
// pixels; used until the real frame is known.
const QMargins kUsualFrame(4, 32, 4, 4);
}  // namespace

WindowPlacement placeWindow(QSize designed, const QRect& available, const QMargins& frame,
                            int scrollBar) {
    WindowPlacement p;
    const QSize room = QSize(available.width() - frame.left() - frame.right(),
                             available.height() - frame.top() - frame.bottom())
                           .expandedTo(QSize(1, 1));
    p.designedSize = designed.width() <= room.width() && designed.height() <= room.height();
    p.largest = designed;
    if (!p.designedSize) {
        // A scroll bar one way takes room the other way, which may call for the second bar.
        bool down = designed.height() > room.height();
        bool across = designed.width() + (down ? scrollBar : 0) > room.width();
        if (!down && designed.height() + (across ? scrollBar : 0) > room.height()) down = true;
        p.largest = designed + QSize(down ? scrollBar : 0, across ? scrollBar : 0);
    }
    p.client = p.largest.boundedTo(room);
    const QSize outer(p.client.width() + frame.left() + frame.right(),
                      p.client.height() + frame.top() + frame.bottom());
    // Centred, and never above or left of the area, so the title bar stays reachable.
    const int x = available.left() + std::max(0, (available.width() - outer.width()) / 2);
    const int y = available.top() + std::max(0, (available.height() - outer.height()) / 2);
    p.frame = QRect(QPoint(x, y), outer);
    return p;
}

QMargins windowFrame(const QWidget* window) {
    if (const QWindow* handle = window->windowHandle(); handle && window->isVisible()) {
        const QMargins real = handle->frameMargins();
        if (!real.isNull()) return real;
    }
    return kUsualFrame;
}

QRect availableArea(const QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace otdr::gui
