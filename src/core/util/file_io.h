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
// OutputFile writes a file piece by piece under the same rules, for outputs too large to hold
// in memory. While a temporary file is being written its name is recorded for the signal
// handlers (util/temp_files.h) and the file is held locked; the first write into a folder also
// removes the stale temporary files a dead process left there.
//
// Error messages are in Chinese, name the file and give the cause in Chinese for the common
// causes; the system's own text is used only for the rare ones.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "util/bytes.h"
#include "util/result.h"
#include "util/temp_files.h"

namespace otdr {

// Reads the whole file. Files larger than maxBytes are refused (no trace file comes near it).
Result<Bytes> readWholeFile(const std::string& path, std::size_t maxBytes = 64u << 20);
// The same into storage the caller keeps for file after file: the bytes returned lie in
// `buffer` and last until its next use. It only grows (it is never cleared), so a run over
// many files fills memory once.
Result<ByteView> readWholeFile(const std::string& path, Bytes& buffer,
                               std::size_t maxBytes = 64u << 20);

Result<void> writeFileAtomically(const std::string& path, ByteView bytes);

// A file written in pieces: nothing reaches the target before commit(). Destroyed without a
// successful commit(), it removes its temporary file and leaves the target as it was. Writes are
// buffered; the first failure is kept, and every later call returns it.
class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks the target as writeFileAtomically does and creates the temporary file beside it.
    Result<void> open(const std::string& path);
    Result<void> write(ByteView bytes);
    Result<void> write(std::string_view text);
    // Writes what is buffered, gives the file the old one's owner and permissions (or those of
    // a new file), syncs, closes and renames it over the target.
    Result<void> commit();

    // The cause of the failure, as fileErrorReason gives it; empty while nothing failed.
    const std::string& failureReason() const { return reason_; }

  private:
    Result<void> fail(int err);
    Result<void> flushBuffer();
    void discard();

    std::string path_;    // as given, for the messages
    std::string target_;  // the file replaced: links followed
    std::string temp_;
    int fd_ = -1;
    bool exists_ = false;
    unsigned oldUid_ = 0, oldGid_ = 0, oldMode_ = 0;
    std::string buffer_;
    std::optional<Error> error_;
    std::string reason_;
    TempFileSlot slot_;
};

bool fileExists(const std::string& path);
std::optional<std::time_t> fileModificationTime(const std::string& path);

// The cause of a failed file operation for the error box: Chinese for the common causes (no
// permission, read-only file system, disk full, no such file or folder, a folder, a name too
// long, a file too large), the system's text for any other errno value.
std::string fileErrorReason(int err);
// The cause given for a FIFO, device or socket where a regular file is needed.
extern const char* const kNotRegularFileReason;

}  // namespace otdr
