// otdr events: open trace files as the window does (another instrument's file through the
// import, in memory), analyse them and print the event table exactly as the event grid shows
// it; or list the events a file holds itself.

#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/event_texts.h"
#include "batch.h"
#include "cli_common.h"
#include "commands.h"
#include "progress.h"
#include "util/numeric.h"
#include "util/text.h"
#include "workspace/foreign_files.h"

namespace otdr::cli {

namespace {

struct EventsOptions {
    std::vector<std::string> files;
    std::optional<double> threshold;
    std::optional<double> ior;
    bool json = false;
    bool csv = false;
    bool stored = false;
    std::optional<std::string> method;  // "instrument" or "general"; by the file when not given
    int jobs = defaultJobs();
    bool quiet = false;
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
    // A threshold given is the user's, even where it equals the one in force: the general
    // analysis takes it instead of a file's own.
    if (o.threshold) ws.state().eventThresholdChosen = true;
    return !s.prompter.hadError();
}

// The file's own events in the slot's table and grid, as the window shows an imported file's;
// the ones left out are named on stderr.
bool showStoredEvents(Session& s, const std::string& path, std::ostream& errors) {
    auto events = storedEventsOfFile(path);
    if (!events) {
        errors << events.error().message << '\n';
        return false;
    }
    const sr4731::StoredEventsFill fill = s.ws->showStoredEvents(events.value());
    for (const std::string& note : sr4731::leftOutNotes(fill, s.ws->state().params.rangeIndex))
        errors << escapeControls(note) << '\n';
    return true;
}

std::optional<FileEvents> analyseFile(const std::string& path, const EventsOptions& o,
                                      std::ostream& errors, int& exitCode) {
    Session s(&errors);
    // A run over several files labels every line of a file's messages itself.
    if (!openTraceOrForeign(s, path, o.files.size() == 1)) {
        exitCode = kExitRefused;
        return std::nullopt;
    }
    if (!applyFibreParameters(s, o)) {
        exitCode = kExitUsage;
        return std::nullopt;
    }
    Workspace& ws = *s.ws;
    // The instrument's analysis for its own files, the general one for other instruments'.
    const bool imported = !ws.state().active().importedFrom.empty();
    if (o.stored) {
        if (!showStoredEvents(s, path, errors)) {
            exitCode = kExitRefused;
            return std::nullopt;
        }
    } else if (o.method.value_or(imported ? "general" : "instrument") == "general") {
        ws.analyseGeneral();
    } else {
        ws.analyse();
    }
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

// The number a cell shows, null for an empty cell ("--------"); a capped form counts by its
// number. The return loss is given as a reflectance, negative like the files' own.
nlohmann::ordered_json cellJson(const std::string& cell, double sign = 1.0) {
    std::string_view v = trimBlanks(cell);
    if (!v.empty() && (v.front() == '<' || v.front() == '>')) v.remove_prefix(1);
    const std::optional<double> n = parseWholeNumber(v);
    if (!n) return nullptr;
    const double x = sign * *n;
    return x == 0.0 ? 0.0 : x;
}

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
        e["distance_km"] = cellJson(r.cells[kColDistance]);
        e["loss_db"] = cellJson(r.cells[kColSpliceLoss]);
        e["reflectance_db"] = cellJson(r.cells[kColReturnLoss], -1.0);
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

std::string csvHeader() {
    std::string h = "file,number,type,position,reflective";
    for (const char* k : kCellKeys) h += std::string(",") + k;
    return h + '\n';
}

std::string csvRows(const FileEvents& f) {
    std::ostringstream os;
    for (const EventRow& r : f.rows) {
        os << csvField(f.file) << ',' << r.number << ',' << csvField(r.type) << ',' << r.position
           << ',' << (r.reflective ? "true" : "false");
        for (const std::string& c : r.cells) os << ',' << csvField(c);
        os << '\n';
    }
    return os.str();
}

std::string textBlock(const FileEvents& f) {
    std::ostringstream os;
    os << escapeName(f.file) << ": " << f.rows.size() << " events\n";
    for (const EventRow& r : f.rows) {
        os << r.number << '\t' << r.type << '\t' << r.position << '\t'
           << (r.reflective ? 'R' : '-');
        for (const std::string& c : r.cells) os << '\t' << c;
        os << '\n';
    }
    return os.str();
}

// The file's object as one element of the JSON array of several files: indented one level
// deeper, as the array's own dump would indent it.
std::string jsonElement(const FileEvents& f) {
    const std::string dump = toJson(f).dump(2, ' ', false, kReplace);
    std::string out = "  ";
    for (char c : dump) {
        out += c;
        if (c == '\n') out += "  ";
    }
    return out;
}

enum class Format { Text, Csv, Json, JsonArray };

// One file's output in the given form, or its refusal.
ItemResult eventsItem(const std::string& path, const EventsOptions& o, Format format) {
    ItemResult item;
    std::ostringstream errors;
    auto r = analyseFile(path, o, errors, item.status);
    item.err = errors.str();
    if (!r) return item;
    switch (format) {
        case Format::Text:
            item.out = textBlock(*r);
            break;
        case Format::Csv:
            item.out = csvRows(*r);
            break;
        case Format::Json:
            item.out = toJson(*r).dump(2, ' ', false, kReplace) + '\n';
            break;
        case Format::JsonArray:
            item.out = jsonElement(*r);
            break;
    }
    return item;
}

// A refused --ior or --threshold refuses every file alike: said once, before any work.
bool fibreParametersAccepted(const EventsOptions& o) {
    if (!o.threshold && !o.ior) return true;
    Session s;
    return applyFibreParameters(s, o);
}

int runEvents(const EventsOptions& o) {
    if (o.json && o.csv) {
        std::cerr << "otdr events: --json and --csv exclude each other\n";
        return kExitUsage;
    }
    if (o.stored && o.method) {
        std::cerr << "otdr events: --stored lists the events the files hold without analysing; "
                     "--method does not apply to them\n";
        return kExitUsage;
    }
    if (o.stored && (o.ior || o.threshold)) {
        std::cerr << "otdr events: --stored lists the events the files hold; --ior and "
                     "--threshold do not apply to them\n";
        return kExitUsage;
    }
    if (!fibreParametersAccepted(o)) return kExitUsage;
    const Format format = o.csv                 ? Format::Csv
                          : !o.json             ? Format::Text
                          : o.files.size() == 1 ? Format::Json
                                                : Format::JsonArray;
    if (format == Format::Csv) std::cout << csvHeader();

    int exitCode = kExitOk;
    bool written = false;  // some file's table is written
    Batch batch;
    batch.count = o.files.size();
    batch.jobs = o.jobs;
    batch.workers = Workers::Threads;
    batch.work = [&](std::size_t i) {
        ItemResult r = eventsItem(o.files[i], o, format);
        if (o.files.size() > 1) r.err = labelLines(escapeName(o.files[i]), r.err);
        return r;
    };
    batch.name = [&](std::size_t i) { return escapeName(o.files[i]); };
    batch.accept = [&](std::size_t, ItemResult& r) {
        if (r.status == kExitUsage) {
            exitCode = kExitUsage;
            return false;
        }
        if (r.status != kExitOk) exitCode = r.status;
        if (r.out.empty()) return true;
        if (format == Format::Text && written) r.out.insert(0, "\n");
        if (format == Format::JsonArray) r.out.insert(0, written ? ",\n" : "[\n");
        written = true;
        return true;
    };
    ProgressBar progress(batch.count, !o.quiet);
    if (!runBatch(batch, progress)) return kExitRefused;
    if (exitCode == kExitUsage) return exitCode;
    if (format == Format::JsonArray) std::cout << (written ? "\n]\n" : "[]\n");
    return exitCode;
}

}  // namespace

Runner addEventsCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "events",
        "Analyse trace files and print their event tables as the event grid shows them.\n"
        "Each file is opened on its own, as the window opens it; another instrument's SOR\n"
        "file is imported in memory, as the window imports it, and no file is written. --ior\n"
        "and --threshold are applied as the fibre parameter dialog's OK would apply them, then\n"
        "the trace is analysed: by the instrument's analysis (--method instrument, the default\n"
        "for the instrument's own files) or by the general analysis (--method general, the\n"
        "default for other instruments' files). The general analysis runs on another\n"
        "instrument's trace at the file's own resolution, with the file's group index, pulse\n"
        "width, backscatter coefficient, front panel and thresholds; --threshold replaces the\n"
        "file's loss threshold, --ior its group index. --stored lists instead the events the\n"
        "file holds itself, without analysing: another instrument's KeyEvents, a ZT file's\n"
        "event table (events outside the range or behind the fibre end are left out and named\n"
        "on stderr). Per event: number, type, position (the event table's full-rate sample\n"
        "index; for another instrument's file a sample of the imported trace, for --stored and\n"
        "both methods alike, so their rows compare), reflective flag and the five grid cells\n"
        "untrimmed (distance km, average loss dB/km, splice loss dB, return loss dB, link loss\n"
        "dB).\n"
        "--json prints one object {\"file\", \"events\": [...]} for a single file and an array\n"
        "of such objects for several files; each event also gives distance_km, loss_db (the\n"
        "splice loss) and reflectance_db (the return loss, negative) as numbers, null where\n"
        "the cell is empty. --csv prints one header line and one line per event with the\n"
        "file name in the first column; fields holding a comma or a quote are quoted.\n"
        "A refused file is reported on stderr, left out, and makes the exit status 1.\n"
        "The files are analysed on all cores (--jobs); the output is the same for any number.\n"
        "Over five or more files a progress line is shown on stderr when it is a terminal.");
    auto o = std::make_shared<EventsOptions>();
    cmd->add_option("FILE", o->files, "SOR or ZT trace files")->required();
    cmd->add_option("--threshold", o->threshold,
                    "event threshold in dB (0.009 .. 9, default 0.05; for the general analysis\n"
                    "of another instrument's file: the file's loss threshold)");
    cmd->add_option("--ior", o->ior, "refractive index (1.0 .. 2.0, default: from the file)");
    cmd->add_flag("--json", o->json, "print JSON");
    cmd->add_flag("--csv", o->csv, "print CSV with a header line");
    cmd->add_option("--method", o->method,
                    "instrument: the instrument's analysis; general: the general analysis\n"
                    "(default: instrument for the instrument's files, general for others')")
        ->check(CLI::IsMember({"instrument", "general"}));
    cmd->add_flag("--stored", o->stored,
                  "list the events the file holds (KeyEvents, a ZT event table) without analysing");
    cmd->add_option("-j,--jobs", o->jobs,
                    "files analysed at once (default: the number of cores); the output is the\n"
                    "same, in the order of the arguments, for any number")
        ->check(CLI::Range(1, 256));
    cmd->add_flag("-q,--quiet", o->quiet, "no progress line on a terminal");
    return [cmd, o]() { return cmd->parsed() ? runEvents(*o) : -1; };
}

}  // namespace otdr::cli
