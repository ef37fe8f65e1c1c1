// The analyse command, event measurement, the event grid and event editing.
// (Filled in by the event analysis work; these minimal bodies keep the program whole.)

#include "workspace/workspace.h"

namespace otdr {

void Workspace::analyse() {}
void Workspace::measureEvents() {}
void Workspace::drawEventMarks() {}
void Workspace::fillEventGrid() {}
void Workspace::selectEventRow(int) {}
void Workspace::openAddEventPanel() {}
void Workspace::openEditEventPanel() {}
void Workspace::deleteEvent() {}
void Workspace::confirmEventPanel() {}
void Workspace::cancelEventPanel() {}
void Workspace::redrawEventMarksIfAnalysed() {}

}  // namespace otdr
