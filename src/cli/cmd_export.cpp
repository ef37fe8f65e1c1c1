// otdr export: the trace of a file as CSV, one line per point.

#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "cli_common.h"
#include "commands.h"
#include "export_csv.h"
#include "util/file_io.h"

namespace otdr::cli {

namespace {

int runExport(const std::string& path, const std::string& output) {
    CsvTable table;
    std::string errors;
    if (!exportTable(path, table, errors)) {
        std::cerr << errors;
        return kExitRefused;
    }
    if (output.empty()) {
        writeCsv(table, [](std::string_view piece) {
            std::cout.write(piece.data(), static_cast<std::streamsize>(piece.size()));
            return static_cast<bool>(std::cout);
        });
        // A failed standard output is reported when the run ends.
        return std::cout ? kExitOk : kExitRefused;
    }
    OutputFile file;
    Result<void> written = file.open(output);
    if (written)
        writeCsv(table, [&](std::string_view piece) {
            written = file.write(piece);
            return written.ok();
        });
    if (written) written = file.commit();
    if (!written) {
        printError("export", written.error().message);
        return kExitRefused;
    }
    return kExitOk;
}

}  // namespace

Runner addExportCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "export",
        "Write the trace of a file as CSV: a header line, then one line per point with\n"
        "distance_km and level_db (larger is stronger). A file holding several traces gives\n"
        "one column pair per trace that holds points, numbered by the trace (distance_km_1,\n"
        "level_db_1, ...). SOR files of other instruments are read by the general SR-4731\n"
        "decoder; the instrument's own SOR and ZT files give the window's 32768 samples with\n"
        "its distances and levels (an own SOR file the window refuses is read by the decoder).");
    auto path = std::make_shared<std::string>();
    auto output = std::make_shared<std::string>();
    cmd->add_option("FILE", *path, "SOR or ZT trace file")->required();
    cmd->add_option("-o,--output", *output, "CSV file to write (default: standard output)");
    return [cmd, path, output]() { return cmd->parsed() ? runExport(*path, *output) : -1; };
}

}  // namespace otdr::cli
