#pragma once
// Where a window of a designed size goes on the screen it opens on. Where the screen's free
// area holds the window with its frame, the window keeps its designed size; where it does
// not (a small screen, or a large scale factor), the window takes as much of the area as
// there is and its content scrolls. Either way it is centred on the area and its frame lies
// inside it.

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace otdr::gui {

struct WindowPlacement {
    QRect frame;   // the window with its frame, in screen coordinates
    QSize client;  // the window without its frame
    bool designedSize = true;
    // When the content scrolls: the largest useful window, the designed size plus the scroll
    // bars it then needs.
    QSize largest;
};

// `scrollBar` is the thickness of a scroll bar: a window whose content scrolls one way is made
// that much larger the other way where there is room, so that it does not scroll both ways.
WindowPlacement placeWindow(QSize designed, const QRect& available, const QMargins& frame,
                            int scrollBar = 0);

// The frame the window system draws around a top-level window: the real one once the window
// has been shown, else one as large as usual title bars and borders.
QMargins windowFrame(const QWidget* window);

// The free area of the screen a window is on (the primary screen before it is shown).
QRect availableArea(const QWidget* window);

}  // namespace otdr::gui
