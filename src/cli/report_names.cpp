#include "report_names.h"

#include <set>

namespace otdr::cli {

std::vector<std::string> reportPaths(const std::vector<std::string>& files,
                                     const std::filesystem::path& folder) {
    std::vector<std::string> out;
    std::set<std::string> taken;
    for (const std::string& f : files) {
        const std::string stem = std::filesystem::path(f).stem().string();
        std::string name = stem + ".pdf";
        for (int k = 2; taken.count(name) != 0; ++k) name = stem + "-" + std::to_string(k) + ".pdf";
        taken.insert(name);
        out.push_back((folder / name).string());
    }
    return out;
}

}  // namespace otdr::cli
