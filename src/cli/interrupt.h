#pragma once
// What an interrupted run (Ctrl+C, kill, a closed terminal) leaves behind: the file being
// written at that moment is removed, and a progress line on the terminal is ended, before the
// process ends by the signal as it would have anyway.

#include <string>

namespace otdr::cli {

// The partly written file to remove when interrupted; an empty path removes nothing.
void setInterruptRemoves(const std::string& path);
// Whether a progress line is on the terminal and must be cleared when interrupted.
void setInterruptClearsLine(bool on);

}  // namespace otdr::cli
