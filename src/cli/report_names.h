#pragma once
// The names of the reports of a run over many files.

#include <filesystem>
#include <string>
#include <vector>

namespace otdr::cli {

// FOLDER/<name>.pdf for each file, <name> being the file's name without its extension. A name
// that an earlier file of the run already took gets "-2", "-3", ... so no report overwrites
// another. Names are bytes: whatever a file's name holds, its report's name keeps it.
std::vector<std::string> reportPaths(const std::vector<std::string>& files,
                                     const std::filesystem::path& folder);

}  // namespace otdr::cli
