// otdr events: open trace files as the window does, analyse them and print the event table
// exactly as the event grid shows it.

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/event_texts.h"
#include "cli_common.h"
#include "commands.h"
#include "util/numeric.h"

namespace otdr::cli {

namespace {

struct EventsOptions {
    std::vector<std::string> files;
    std::optional<double> threshold;
    std::optional<double> ior;
    bool json = false;
    bool csv = false;
};

struct EventRow {
    int number = 0;
    std::string type;  // UTF-8
    int position = 0;
    bool reflective = false;
    std::array<std::string, 5> cells;
};

struct FileEvents {
    std::string file;
    std::vector<EventRow> rows;
};

// The fibre dialog's OK with the given refractive index and threshold; false when the dialog
// refused a value (its message is on stderr).
bool applyFibreParameters(Session& s, const EventsOptions& o) {
    if (!o.threshold && !o.ior) return true;
    Workspace& ws = *s.ws;
    ws.fillFibreDialog();
    FibreDialogFields& d = ws.state().fibreDialog;
    if (o.ior) d.editIor = cformat("%.10g", *o.ior);
    if (o.threshold) d.editet = cformat("%.10g", *o.threshold);
    ws.confirmFibreDialog();
    return !s.prompter.hadError();
}

std::optional<FileEvents> analyseFile(const std::string& path, const EventsOptions& o,
                                      int& exitCode) {
    Session s;
    if (!openFile(s, path)) {
        exitCode = kExitRefused;
        return std::nullopt;
    }
    if (!applyFibreParameters(s, o)) {
        exitCode = kExitUsage;
        return std::nullopt;
    }
    Workspace& ws = *s.ws;
    ws.analyse();
    const WorkspaceState& st = ws.state();
    const EventTable& t = st.active().events;
    FileEvents out;
    out.file = path;
    for (int r = 1; r <= t.count(); ++r) {
        EventRow row;
        row.number = r;
        row.type = st.grid.cell(1, r);
        row.position = t.position(r);
        row.reflective = t.reflective(r);
        for (int c = 0; c < 5; ++c) row.cells[static_cast<std::size_t>(c)] = st.grid.cell(c + 2, r);
        out.rows.push_back(std::move(row));
    }
    return out;
}

constexpr auto kReplace = nlohmann::ordered_json::error_handler_t::replace;

constexpr const char* kCellKeys[5] = {"distance", "avg_loss", "splice_loss", "return_loss",
                                      "link_loss"};

nlohmann::ordered_json toJson(const FileEvents& f) {
    nlohmann::ordered_json j;
    j["file"] = f.file;
    nlohmann::ordered_json events = nlohmann::ordered_json::array();
    for (const EventRow& r : f.rows) {
        nlohmann::ordered_json e;
        e["number"] = r.number;
        e["type"] = r.type;
        e["position"] = r.position;
        e["reflective"] = r.reflective;
        for (int c = 0; c < 5; ++c) e[kCellKeys[c]] = r.cells[static_cast<std::size_t>(c)];
        events.push_back(std::move(e));
    }
    j["events"] = std::move(events);
    return j;
}

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
    std::string q = "\"";
    for (char ch : s) {
        if (ch == '"') q += '"';
        q += ch;
    }
    return q + '"';
}

void printCsv(const std::vector<FileEvents>& all) {
    std::cout << "file,number,type,position,reflective";
    for (const char* k : kCellKeys) std::cout << ',' << k;
    std::cout << '\n';
    for (const FileEvents& f : all)
        for (const EventRow& r : f.rows) {
            std::cout << csvField(f.file) << ',' << r.number << ',' << csvField(r.type) << ','
                      << r.position << ',' << (r.reflective ? "true" : "false");
            for (const std::string& c : r.cells) std::cout << ',' << csvField(c);
            std::cout << '\n';
        }
}

void printText(const std::vector<FileEvents>& all) {
    bool first = true;
    for (const FileEvents& f : all) {
        if (!first) std::cout << '\n';
        first = false;
        std::cout << f.file << ": " << f.rows.size() << " events\n";
        for (const EventRow& r : f.rows) {
            std::cout << r.number << '\t' << r.type << '\t' << r.position << '\t'
                      << (r.reflective ? 'R' : '-');
            for (const std::string& c : r.cells) std::cout << '\t' << c;
            std::cout << '\n';
        }
    }
}

int runEvents(const EventsOptions& o) {
    if (o.json && o.csv) {
        std::cerr << "otdr events: --json and --csv exclude each other\n";
        return kExitUsage;
    }
    int exitCode = kExitOk;
    std::vector<FileEvents> all;
    for (const std::string& path : o.files) {
        int rc = kExitOk;
        auto r = analyseFile(path, o, rc);
        if (rc == kExitUsage) return kExitUsage;
        if (rc != kExitOk) exitCode = rc;
        if (r) all.push_back(std::move(*r));
    }
    if (o.json) {
        if (o.files.size() == 1) {
            if (!all.empty())
                std::cout << toJson(all.front()).dump(2, ' ', false, kReplace) << '\n';
        } else {
            nlohmann::ordered_json arr = nlohmann::ordered_json::array();
            for (const FileEvents& f : all) arr.push_back(toJson(f));
            std::cout << arr.dump(2, ' ', false, kReplace) << '\n';
        }
    } else if (o.csv) {
        printCsv(all);
    } else {
        printText(all);
    }
    return exitCode;
}

}  // namespace

Runner addEventsCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "events",
        "Analyse trace files and print their event tables as the event grid shows them.\n"
        "Each file is opened on its own, as the window opens it; --ior and --threshold are\n"
        "applied as the fibre parameter dialog's OK would apply them, then the trace is\n"
        "analysed. Per event: number, type, position (full-rate sample index), reflective\n"
        "flag and the five grid cells untrimmed (distance km, average loss dB/km, splice loss\n"
        "dB, return loss dB, link loss dB).\n"
        "--json prints one object {\"file\", \"events\": [...]} for a single file and an array\n"
        "of such objects for several files. --csv prints one header line and one line per\n"
        "event with the file name in the first column; fields holding a comma or a quote are\n"
        "quoted. A refused file is reported on stderr, left out, and makes the exit status 1.");
    auto o = std::make_shared<EventsOptions>();
    cmd->add_option("FILE", o->files, "SOR or ZT trace files")->required();
    cmd->add_option("--threshold", o->threshold,
                    "event threshold in dB (0.009 .. 9, default 0.05)");
    cmd->add_option("--ior", o->ior, "refractive index (1.0 .. 2.0, default: from the file)");
    cmd->add_flag("--json", o->json, "print JSON");
    cmd->add_flag("--csv", o->csv, "print CSV with a header line");
    return [cmd, o]() { return cmd->parsed() ? runEvents(*o) : -1; };
}

}  // namespace otdr::cli
