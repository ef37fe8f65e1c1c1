#pragma once
// The temporary files a process is writing, kept where a signal handler, or the parent of a
// worker process, can find and remove them; and the removal of the stale temporary files a
// dead process left behind.
//
// Every writer of this program writes to a temporary file beside its target and renames it
// into place when complete. While it writes, the name is recorded here and the file is held
// locked (flock), so a process that was interrupted can remove its file from its signal
// handler, a parent can remove the file of a worker that died, and a later run can tell a
// file nobody is writing any more from one still being written.

#include <atomic>
#include <climits>
#include <string>
#include <string_view>

namespace otdr {

// Names of the temporary files being written, in plain storage that a signal handler may read:
// a fixed number of slots, each a name and whether it is in use. A table may lie in memory
// shared between a worker process and its parent.
struct TempFileTable {
    static constexpr int kSlots = 8;
    std::atomic<int> used[kSlots];
    char names[kSlots][PATH_MAX];
};

// The table this process records its temporary files in: its own, unless useTempFileTable
// named another.
TempFileTable& tempFileTable();
// Records in `table` from now on (nullptr: the process's own table). Called in a freshly
// forked worker before it writes anything.
void useTempFileTable(TempFileTable* table);

// A temporary file recorded in a table until it is forgotten.
struct TempFileSlot {
    TempFileTable* table = nullptr;
    int index = -1;
};
// Records a temporary file's name. When every slot is taken or the name is too long the file
// is not recorded (the returned slot is empty); its writer still removes it on failure.
TempFileSlot rememberTempFile(const std::string& path);
void forgetTempFile(TempFileSlot& slot);

// Removes every file the table records and empties the table. Safe in a signal handler.
void removeTempFiles(TempFileTable& table) noexcept;

// The temporary name a writer uses for a file in `folder`: the folder, '/', the prefix and six
// letters or digits for mkstemp to fill in.
constexpr std::string_view kTempFilePrefix = ".otdr-";

// Removes the stale temporary files in a folder: files named prefix + six letters or digits
// (as mkstemp makes them) that were last changed before this process started and that no
// process holds locked. Each folder and prefix is looked at once per process; a folder that
// cannot be read is left alone.
void removeStaleTempFiles(const std::string& folder, std::string_view prefix);

}  // namespace otdr
