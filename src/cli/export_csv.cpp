#include "export_csv.h"

#include <algorithm>
#include <optional>
#include <sstream>

#include "cli_common.h"
#include "sr4731/trace.h"
#include "sr4731_cli.h"
#include "util/numeric.h"
#include "util/text.h"

namespace otdr::cli {

namespace {

// The instrument's own mainframe id in SupParams; such files are exported as the window
// shows them.
constexpr char kInstrumentMainframe[] = "VR3728";

// A level with at least three decimals and no trailing zeros beyond them (exact for any
// scale factor, whose steps are multiples of 0.000001 dB).
std::string levelText(double v) {
    std::string s = formatNumber("%.6f", v);
    while (s.size() > 4 && s.back() == '0' && s[s.size() - 4] != '.') s.pop_back();
    return s;
}

// The window's distances and levels of one of the instrument's own files; false when the
// window refuses the file (its messages are in `errors`).
bool windowColumn(const std::string& path, std::ostream& errors, CsvTable& table) {
    Session s(&errors);
    if (!openFile(s, path)) return false;
    const WorkspaceState& st = s.ws->state();
    const TestParameters& p = st.params;
    CsvColumn c;
    c.spacingKm = static_cast<double>(p.sampleSpacing) * 0.001;
    const double scale = 0.001 * static_cast<double>(p.lossScale[p.wavelengthClass % 3]);
    c.levelsDb.reserve(kSampleCount);
    for (std::uint16_t v : st.active().samples) c.levelsDb.push_back(v * scale);
    table.columns.push_back(std::move(c));
    table.traces = 1;
    return true;
}

std::string exportError(const std::string& message) {
    return "otdr export: " + escapeName(message) + '\n';
}

}  // namespace

bool exportTable(const std::string& path, CsvTable& table, std::string& errors) {
    table = CsvTable{};
    bool own = formatOf(path) == "zt";
    std::optional<sr4731::Document> doc;
    if (!own) {
        auto decoded = decodeSorFile(path);
        if (!decoded) {
            errors = exportError(path + ": " + decoded.error().message);
            return false;
        }
        doc = std::move(decoded.value());
        own = doc->supplier && trimmed(doc->supplier->mainframeId) == kInstrumentMainframe;
    }
    // An instrument's SOR file the window refuses (one block more than it reads, say) is
    // still read by the general decoder.
    std::ostringstream refusal;
    if (own && windowColumn(path, refusal, table)) return true;
    if (!doc) {
        errors = refusal.str();
        return false;
    }
    auto found = sr4731::tracesOf(*doc);
    if (!found) {
        errors = exportError(path + ": " + found.error().message);
        return false;
    }
    table.traces = found.value().size();
    // Only traces that hold points get columns: a file may declare thousands of empty ones.
    for (sr4731::Trace& t : found.value())
        if (!t.levelsDb.empty())
            table.columns.push_back({t.pulse, t.spacingMetres * 0.001, std::move(t.levelsDb)});
    return true;
}

bool writeCsv(const CsvTable& table, const CsvSink& sink) {
    constexpr std::size_t kPiece = 64 * 1024;
    const std::vector<CsvColumn>& cols = table.columns;
    std::string out;
    std::size_t rows = 0;
    for (std::size_t c = 0; c < cols.size(); ++c) {
        const std::string suffix = table.traces > 1 ? "_" + std::to_string(cols[c].trace + 1) : "";
        out += (c ? "," : "") + std::string("distance_km") + suffix + ",level_db" + suffix;
        rows = std::max(rows, cols[c].levelsDb.size());
    }
    out += '\n';
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
        if (out.size() >= kPiece) {
            if (!sink(out)) return false;
            out.clear();
        }
    }
    return sink(out);
}

}  // namespace otdr::cli
