#pragma once
// Whole-file reading and crash-safe writing.
//
// Reading takes regular files only: a FIFO, device or socket is refused before it is opened
// for reading, so opening a file never blocks.
//
// Writing goes to a temporary file with a short name in the target's folder, is flushed to
// disk and renamed over the target only when complete, so a failure never leaves a partial
// file and the old file stays intact. A symbolic link is followed first: the file it points to
// is replaced and the link stays. An existing file that may not be written (permissions, a
// read-only file system, an immutable file) is refused and left untouched, even where its
// folder would allow the rename. The temporary file is removed on every failure, and a write
// beyond the file-size limit fails with an error instead of stopping the program.
//
// Error messages are in Chinese, name the file and give the cause in Chinese for the common
// causes; the system's own text is used only for the rare ones.

#include <ctime>
#include <optional>
#include <string>

#include "util/bytes.h"
#include "util/result.h"

namespace otdr {

// Reads the whole file. Files larger than maxBytes are refused (no trace file comes near it).
Result<Bytes> readWholeFile(const std::string& path, std::size_t maxBytes = 64u << 20);

Result<void> writeFileAtomically(const std::string& path, ByteView bytes);

bool fileExists(const std::string& path);
std::optional<std::time_t> fileModificationTime(const std::string& path);

// The cause of a failed file operation for the error box: Chinese for the common causes (no
// permission, read-only file system, disk full, no such file or folder, a folder, a name too
// long, a file too large), the system's text for any other errno value.
std::string fileErrorReason(int err);
// The cause given for a FIFO, device or socket where a regular file is needed.
extern const char* const kNotRegularFileReason;

}  // namespace otdr
