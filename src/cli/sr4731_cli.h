#pragma once
// Pieces the commands for other instruments' files share: reading and decoding a file, and
// showing its texts.

#include <string>

#include "sr4731/document.h"
#include "util/result.h"

namespace otdr::cli {

// Reads and decodes an SR-4731 file; the error names the file's problem.
Result<sr4731::Document> decodeSorFile(const std::string& path);

}  // namespace otdr::cli
