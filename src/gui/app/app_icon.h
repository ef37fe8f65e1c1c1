#pragma once
// The program's own icon (a falling trace with a splice step and a connector peak), the same
// drawing the desktop shows for the program and its trace files.

#include <QIcon>

namespace otdr::gui {

// Every rendered size from 16 to 256 pixels.
QIcon applicationIcon();

}  // namespace otdr::gui
