#pragma once
// Whole-file reading and crash-safe writing. A file is written to a temporary file in the
// target folder, flushed to disk and renamed over the target only when complete, so a failure
// never leaves a partial file and the old file stays intact.

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

}  // namespace otdr
