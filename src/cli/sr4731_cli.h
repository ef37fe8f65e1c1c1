#pragma once
// Pieces the commands for other instruments' files share: reading and decoding a file, and
// showing its texts.

#include <string>

#include "sr4731/decoder.h"
#include "sr4731/document.h"
#include "util/bytes.h"
#include "util/result.h"

namespace otdr::cli {

// Reads and decodes an SR-4731 file; the error names the file's problem.
Result<sr4731::Document> decodeSorFile(const std::string& path);
// The same with the file's bytes read into a buffer the caller keeps for the next file.
Result<sr4731::Document> decodeSorFile(const std::string& path, Bytes& buffer,
                                       const sr4731::DecodeOptions& options = {});

}  // namespace otdr::cli
