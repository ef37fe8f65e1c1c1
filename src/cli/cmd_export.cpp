// otdr export: the trace of a file as CSV, one line per point.

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli_common.h"
#include "commands.h"
#include "sr4731/trace.h"
#include "sr4731_cli.h"
#include "util/file_io.h"
#include "util/numeric.h"
#include "util/text.h"

namespace otdr::cli {

namespace {

// The instrument's own mainframe id in SupParams; such files are exported as the window
// shows them.
constexpr char kInstrumentMainframe[] = "VR3728";

struct Column {
    double spacingKm = 0;
    std::vector<double> levelsDb;
};

// A level with at least three decimals and no trailing zeros beyond them (exact for any
// scale factor, whose steps are multiples of 0.000001 dB).
std::string levelText(double v) {
    std::string s = formatNumber("%.6f", v);
    while (s.size() > 4 && s.back() == '0' && s[s.size() - 4] != '.') s.pop_back();
    return s;
}

std::string csvOf(const std::vector<Column>& cols) {
    std::string out;
    std::size_t rows = 0;
    for (std::size_t c = 0; c < cols.size(); ++c) {
        const std::string suffix = cols.size() > 1 ? "_" + std::to_string(c + 1) : "";
        out += (c ? "," : "") + std::string("distance_km") + suffix + ",level_db" + suffix;
        rows = std::max(rows, cols[c].levelsDb.size());
    }
    out += '\n';
    out.reserve(out.size() + rows * 24 * cols.size());
    for (std::size_t i = 0; i < rows; ++i) {
        for (std::size_t c = 0; c < cols.size(); ++c) {
            if (c) out += ',';
            if (i >= cols[c].levelsDb.size()) {
                out += ',';
                continue;
            }
            out += formatNumber("%.6f", static_cast<double>(i) * cols[c].spacingKm);
            out += ',';
            out += levelText(cols[c].levelsDb[i]);
        }
        out += '\n';
    }
    return out;
}

// The window's distances and levels of one of the instrument's own files.
bool windowColumn(const std::string& path, std::vector<Column>& cols) {
    Session s;
    if (!openFile(s, path)) return false;
    const WorkspaceState& st = s.ws->state();
    const TestParameters& p = st.params;
    Column c;
    c.spacingKm = static_cast<double>(p.sampleSpacing) * 0.001;
    const double scale = 0.001 * static_cast<double>(p.lossScale[p.wavelengthClass % 3]);
    c.levelsDb.reserve(kSampleCount);
    for (std::uint16_t v : st.active().samples) c.levelsDb.push_back(v * scale);
    cols.push_back(std::move(c));
    return true;
}

int runExport(const std::string& path, const std::string& output) {
    std::vector<Column> cols;
    bool own = formatOf(path) == "zt";
    std::optional<sr4731::Document> doc;
    if (!own) {
        auto decoded = decodeSorFile(path);
        if (!decoded) {
            std::cerr << "otdr export: " << path << ": " << decoded.error().message << '\n';
            return kExitRefused;
        }
        doc = std::move(decoded.value());
        own = doc->supplier && trimmed(doc->supplier->mainframeId) == kInstrumentMainframe;
    }
    if (own) {
        if (!windowColumn(path, cols)) return kExitRefused;
    } else {
        auto traces = sr4731::tracesOf(*doc);
        if (!traces) {
            std::cerr << "otdr export: " << path << ": " << traces.error().message << '\n';
            return kExitRefused;
        }
        for (sr4731::Trace& t : traces.value())
            cols.push_back({t.spacingMetres * 0.001, std::move(t.levelsDb)});
    }
    const std::string csv = csvOf(cols);
    if (output.empty()) {
        std::cout << csv;
        return kExitOk;
    }
    const ByteView bytes(reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size());
    if (auto w = writeFileAtomically(output, bytes); !w) {
        std::cerr << "otdr export: " << w.error().message << '\n';
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
        "one column pair per trace (distance_km_1, level_db_1, ...). SOR files of other\n"
        "instruments are read by the general SR-4731 decoder; the instrument's own SOR and ZT\n"
        "files give the window's 32768 samples with its distances and levels.");
    auto path = std::make_shared<std::string>();
    auto output = std::make_shared<std::string>();
    cmd->add_option("FILE", *path, "SOR or ZT trace file")->required();
    cmd->add_option("-o,--output", *output, "CSV file to write (default: standard output)");
    return [cmd, path, output]() { return cmd->parsed() ? runExport(*path, *output) : -1; };
}

}  // namespace otdr::cli
