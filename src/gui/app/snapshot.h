#pragma once
// A picture of the window without anyone at it: the window opens a trace file as the open
// command does, runs the analyse command when asked, and is saved as a PNG picture at its
// designed size, on any screen or none (the offscreen platform). Errors go to standard error
// instead of message boxes, the settings file is read but not written, and the
// single-instance rule does not apply.

#include <QString>

namespace otdr::gui {

// Returns the exit status: 0 when the picture was written, 1 when the file was refused or the
// picture could not be written.
int saveWindowSnapshot(const QString& tracePath, const QString& pngPath, bool analyse);

}  // namespace otdr::gui
