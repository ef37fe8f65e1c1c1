// libFuzzer harness of what otdr writes from any bytes: export's CSV of any file, and the
// names report gives its PDFs and prints. The first input byte is the length of a list of
// file names (separated by zero bytes) that follows; the rest is the trace file.
//
// The CSV must be complete whatever the file declares: a header and one line per point of
// the longest trace, columns only for traces that hold points, written in bounded pieces.
// The report names stay in their folder, end in ".pdf" and never repeat; every printed name
// is free of control characters and valid UTF-8.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "cli_common.h"
#include "export_csv.h"
#include "report_names.h"

using namespace otdr;

namespace {

// A folder of this process for the input file.
const std::string& scratch() {
    static const std::string dir = [] {
        std::string t = (std::filesystem::temp_directory_path() / "otdr-fuzz-XXXXXX").string();
        if (!::mkdtemp(t.data())) std::abort();
        return t;
    }();
    return dir;
}

bool printable(const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F) return false;
        if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) <= 0x9F)
            return false;
    }
    return true;
}

void checkCsv(const std::string& path) {
    cli::CsvTable table;
    std::string errors;
    if (!cli::exportTable(path, table, errors)) {
        if (errors.empty() || errors.back() != '\n') std::abort();
        return;
    }
    std::size_t rows = 0;
    for (const cli::CsvColumn& c : table.columns) {
        if (c.levelsDb.empty()) std::abort();
        rows = std::max(rows, c.levelsDb.size());
    }
    std::size_t lines = 0;
    cli::writeCsv(table, [&](std::string_view piece) {
        // One piece holds at most one row beyond the piece size.
        if (piece.size() > 64 * 1024 + 64 * table.columns.size() + 64) std::abort();
        for (char c : piece) lines += c == '\n';
        return true;
    });
    if (lines != rows + 1) std::abort();
}

void checkNames(const std::string& list) {
    std::vector<std::string> files;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find('\0', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) files.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    const std::vector<std::string> pdfs = cli::reportPaths(files, "out");
    if (pdfs.size() != files.size()) std::abort();
    std::set<std::string> seen;
    for (const std::string& pdf : pdfs) {
        const std::filesystem::path p(pdf);
        const std::string name = p.filename().string();
        if (p.parent_path() != "out" || name.size() < 4 || name.substr(name.size() - 4) != ".pdf")
            std::abort();
        if (!seen.insert(pdf).second) std::abort();
        if (!printable(cli::escapeName(pdf))) std::abort();
    }
    for (const std::string& f : files)
        if (!printable(cli::escapeName(f))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t n = std::min<std::size_t>(data[0], size - 1);
    checkNames(std::string(reinterpret_cast<const char*>(data) + 1, n));
    // Written plainly: the writer's fsync would make each run wait for the disk.
    const std::string path = scratch() + "/trace.sor";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data) + 1 + n,
               static_cast<std::streamsize>(size - 1 - n));
    checkCsv(path);
    return 0;
}
