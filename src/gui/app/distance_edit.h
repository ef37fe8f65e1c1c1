#pragma once
// ME_Dis, the event distance box of the edit panel: up to four digits, a point and up to four
// digits (km), at most 9 characters. A distance is shown right-aligned without blanks, as the
// grid shows it ("5.0000", "11.9996"), and the text handed to the workspace always holds the
// point, as a mask with a fixed point would.

#include <QString>
#include <string_view>

class QLineEdit;

namespace otdr::gui {

// Restricts typing to the distance form and aligns the box's text to the right.
void setUpDistanceEdit(QLineEdit* edit);
// The box's text for a distance text of the workspace: trimmed; a blank text empties it.
QString distanceEditText(std::string_view workspaceText);
// The workspace's text for what the box holds: the typed digits with their point ("12" gives
// "12.", an untouched box ".").
QString distanceFromEdit(const QString& typed);

}  // namespace otdr::gui
