#pragma once
// What an interrupted run (Ctrl+C, kill, a closed terminal) leaves behind: the temporary files
// being written at that moment are removed (util/temp_files.h), and a progress line on the
// terminal is ended, before the process ends by the signal as it would have anyway.

namespace otdr::cli {

// Installs the handlers of SIGINT, SIGTERM and SIGHUP; a signal the process ignores (nohup)
// stays ignored. Called first thing in main; the other calls install them too.
void handleInterrupts();
// Whether a progress line is on the terminal and must be cleared when interrupted.
void setInterruptClearsLine(bool on);

}  // namespace otdr::cli
