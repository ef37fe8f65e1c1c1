#pragma once
// The program's own 22 x 22 tool bar icons, drawn at run time.

#include <QIcon>
#include <QString>

namespace otdr::gui {

// The icon for a tool button by component name; a plain square for an unknown name.
QIcon toolIcon(const QString& name);

}  // namespace otdr::gui
