// otdr import: a trace of another instrument converted into the instrument's own layout.

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli_common.h"
#include "commands.h"
#include "sr4731/import.h"
#include "sr4731_cli.h"
#include "util/file_io.h"

namespace otdr::cli {

namespace {

struct ImportArgs {
    std::string input;
    std::string output;
    std::optional<int> range;
    int trace = 1;
};

int runImport(const ImportArgs& a) {
    const std::string format = formatOf(a.output);
    if (format.empty()) {
        std::cerr << "otdr import: the output name must end in .sor or .zt\n";
        return kExitUsage;
    }
    if (a.range && (*a.range < 0 || *a.range > 9)) {
        std::cerr << "otdr import: --range must be a range index 0..9\n";
        return kExitUsage;
    }
    if (a.trace < 1) {
        std::cerr << "otdr import: --trace counts from 1\n";
        return kExitUsage;
    }
    auto doc = decodeSorFile(a.input);
    if (!doc) {
        printError("import", a.input + ": " + doc.error().message);
        return kExitRefused;
    }
    sr4731::ImportOptions o;
    o.format = format == "zt" ? sr4731::ImportFormat::Zt : sr4731::ImportFormat::Sor;
    o.rangeIndex = a.range;
    o.trace = static_cast<std::size_t>(a.trace - 1);
    auto r = sr4731::importTrace(doc.value(), o);
    if (!r) {
        printError("import", a.input + ": " + r.error().message);
        return kExitRefused;
    }
    if (auto w = writeFileAtomically(a.output, r.value().file); !w) {
        printError("import", w.error().message);
        return kExitRefused;
    }
    const sr4731::ImportResult& res = r.value();
    std::cout << "wrote " << escapeName(a.output) << " from trace " << a.trace << " of "
              << escapeName(a.input) << " (" << res.pulseWidthNs << " ns, " << res.foreignPoints
              << " points)\n";
    for (const std::string& c : res.changes) std::cout << "  " << escapeControls(c) << '\n';
    return kExitOk;
}

}  // namespace

Runner addImportCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "import",
        "Convert a trace of another instrument's SOR file into the instrument's own SOR or ZT\n"
        "layout, which the window and every command open. The range is the smallest whose\n"
        "nominal length (500 m .. 256 km) covers the trace's last point unless --range gives\n"
        "one; the levels are resampled onto its grid (the range's own sample spacing) by linear\n"
        "interpolation in distance; pulse width, wavelength (the nearest the instrument has),\n"
        "group index, date, averages and texts are carried over. The file's own events go into\n"
        "the event table of a ZT file (an event outside the range is named and left out); a SOR\n"
        "file holds none. The output says what was changed.");
    auto a = std::make_shared<ImportArgs>();
    cmd->add_option("FOREIGN", a->input, "SOR file of another instrument")->required();
    cmd->add_option("-o,--output", a->output, "file to write; .sor or .zt decides the format")
        ->required();
    cmd->add_option("--range", a->range, "range index 0..9 (500 m .. 256 km)");
    cmd->add_option("--trace", a->trace, "which trace of the file, from 1 (several pulse widths)")
        ->capture_default_str();
    return [cmd, a]() { return cmd->parsed() ? runImport(*a) : -1; };
}

}  // namespace otdr::cli
