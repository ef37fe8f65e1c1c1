// otdr report: the window's test report of trace files, written as PDF files: one file to a
// named PDF, or many files to one PDF each in a folder, on all cores.

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "batch.h"
#include "build_info.h"
#include "cli_common.h"
#include "commands.h"
#include "progress.h"
#include "report_module.h"
#include "report_names.h"
#include "util/file_io.h"
#include "util/temp_files.h"
#include "util/text.h"
#include "workspace/settings.h"
#include "workspace/settings_file.h"

namespace otdr::cli {

namespace {

struct ReportOptions {
    std::vector<std::string> files;
    std::string output;
    bool analyse = false;
    std::optional<std::string> sections;
    std::string settings;
    int dpi = 96;  // the screen density the report is laid out for
    int jobs = defaultJobs();
    bool quiet = false;
};

// "para,trace,mark,event,fiber,eventp": the named sections on, all others off. False for a
// name that is not a section.
bool parseSections(const std::string& list, ReportFlags& flags, std::string& bad) {
    flags.para = flags.trace = flags.mark = flags.event = flags.fiber = flags.eventP = false;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = list.find(',', start);
        std::string name =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        for (char& c : name)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        while (!name.empty() && name.back() == ' ') name.pop_back();
        while (!name.empty() && name.front() == ' ') name.erase(name.begin());
        if (name == "para") {
            flags.para = true;
        } else if (name == "trace") {
            flags.trace = true;
        } else if (name == "mark") {
            flags.mark = true;
        } else if (name == "event") {
            flags.event = true;
        } else if (name == "fiber" || name == "fibre") {
            flags.fiber = true;
        } else if (name == "eventp") {
            flags.eventP = true;
        } else if (!name.empty()) {
            bad = name;
            return false;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

#ifdef OTDR_WITH_GUI

// Whether -o names a folder: it ends with a slash, is a folder already, or several files are
// given (each gets its own report).
bool outputIsFolder(const ReportOptions& o) {
    if (!o.output.empty() && o.output.back() == '/') return true;
    std::error_code ec;
    return std::filesystem::is_directory(o.output, ec) || o.files.size() > 1;
}

// The folder part of a path: "." for a bare name.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The folder of this program's executable; empty when the system does not say.
std::string programFolder() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return {};
    return folderOf(std::string(buf, static_cast<std::size_t>(n)));
}

bool isRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The settings file the window would use: beside the window's executable (which is installed
// next to this tool, or lies in the build tree's gui folder), else in the per-user folder.
std::string findWindowSettings() {
    const std::string name = "otdrview.INI";
    const std::string here = programFolder();
    std::string config;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0]) {
        config = std::string(home) + "/.config";
    }
    std::vector<std::string> candidates;
    if (!here.empty()) candidates = {here + "/" + name, here + "/../gui/" + name};
    if (!config.empty()) candidates.push_back(config + "/Halvern Photonix/otdrview/" + name);
    for (const std::string& c : candidates)
        if (isRegularFile(c)) return c;
    return {};
}

// The settings the reports start from; false when the file named by --settings cannot be read
// (the reason is on stderr). Without --settings a window's settings file that cannot be read
// gives the defaults, as the window itself does.
bool loadSettings(const ReportOptions& o, Settings& out) {
    const std::string path = o.settings.empty() ? findWindowSettings() : o.settings;
    out = Settings{};
    if (path.empty()) return true;
    auto bytes = readWholeFile(path);
    if (!bytes) {
        if (o.settings.empty()) return true;
        printError("report", bytes.error().message);
        return false;
    }
    const Bytes& b = bytes.value();
    out = readSettingsText(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
    return true;
}

// ---- the report module ----

// Where the module lies: installed, in the library folder relative to the program's own; in
// the build tree, beside the program.
std::string findReportModule() {
    const std::string here = programFolder();
    if (here.empty()) return {};
    for (const std::string& candidate :
         {here + "/" + OTDR_REPORT_MODULE_FROM_PROGRAM, here + "/" + OTDR_REPORT_MODULE_NAME})
        if (::access(candidate.c_str(), R_OK) == 0) return candidate;
    return {};
}

// The renderer of this process, loaded at the first report it makes: in a worker process,
// after the fork, so the parent never loads Qt. Null with the reason when it cannot be loaded.
struct LoadedRenderer {
    std::unique_ptr<ReportRenderer> renderer;
    std::string failure;
};

LoadedRenderer loadRenderer(const std::string& module, const ReportJob& job) {
    LoadedRenderer out;
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        out.failure = "cannot load the report module " + module + " (" +
                      (why ? std::string(why) : std::string("unknown cause")) + ")";
        return out;
    }
    // The module stays loaded: Qt does not expect to be unloaded.
    const auto create =
        reinterpret_cast<CreateReportRenderer>(::dlsym(handle, kCreateReportRendererSymbol));
    ReportRenderer* r = create ? create(reportModuleAbi(kVersion).c_str(), &job) : nullptr;
    if (!r) {
        out.failure = "the report module " + module + " belongs to another build of otdr";
        return out;
    }
    out.renderer.reset(r);
    return out;
}

// The report of one file written to pdf through the one writer, never leaving a partial file
// under that name. single: the only file of the run, whose refusals get its name.
ItemResult reportItem(LoadedRenderer& loaded, const std::string& file, const std::string& pdf,
                      bool single) {
    ItemResult item;
    item.status = kExitRefused;
    if (!loaded.renderer) {
        item.err = "otdr report: " + escapeName(loaded.failure) + '\n';
        return item;
    }
    const RenderedReport r = loaded.renderer->render(file);
    std::ostringstream errors;
    StderrPrompter refusals(&errors);
    refusals.file = single ? file : std::string();
    for (const std::string& m : r.refusals) refusals.showError(m);
    item.err = escapeLines(r.notes) + errors.str();
    if (!r.refusals.empty() && !r.made) return item;
    std::string reason = r.failure;
    if (r.made) {
        OutputFile out;
        Result<void> written = out.open(pdf);
        if (written) written = out.write(r.pdf);
        if (written) written = out.commit();
        if (written) {
            item.status = kExitOk;
            item.out = escapeName(pdf) + ": " + std::to_string(r.pages) +
                       (r.pages == 1 ? " page" : " pages") + '\n';
            return item;
        }
        reason = out.failureReason();
    }
    item.err += "otdr report: cannot write " + escapeName(pdf) +
                (reason.empty() ? std::string() : " (" + escapeName(reason) + ")") + '\n';
    return item;
}

// Makes the folder for the reports; false with the reason on stderr.
bool makeReportFolder(const std::string& folder) {
    std::error_code ec;
    std::string reason;
    // "plainfile/" names the file plainfile, which is not a folder.
    std::string name = folder;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    const auto st = std::filesystem::status(name, ec);
    if (std::filesystem::exists(st) && !std::filesystem::is_directory(st)) {
        reason = "这不是一个文件夹";
    } else {
        std::filesystem::create_directories(folder, ec);
        if (ec) reason = fileErrorReason(ec.value());
    }
    if (reason.empty()) return true;
    std::cerr << "otdr report: cannot create the folder " << escapeName(folder) << " (" << reason
              << ")\n";
    return false;
}

int runReport(const ReportOptions& o) {
    ReportJob job;
    job.analyse = o.analyse;
    job.dpi = o.dpi;
    if (o.sections) {
        std::string bad;
        if (!parseSections(*o.sections, job.sections, bad)) {
            std::cerr << "otdr report: unknown section \"" << escapeName(bad)
                      << "\" (para, trace, mark, event, fiber, eventp)\n";
            return kExitUsage;
        }
    }
    const bool folder = outputIsFolder(o);
    std::vector<std::string> pdfs{o.output};
    if (folder) {
        if (lowerExtension(o.output) == ".pdf") {
            std::cerr << "otdr report: " << o.files.size()
                      << " files give one report each: -o names a folder (-o FOLDER/)\n";
            return kExitUsage;
        }
        if (!makeReportFolder(o.output)) return kExitRefused;
        pdfs = reportPaths(o.files, o.output);
    }
    if (!loadSettings(o, job.settings)) return kExitRefused;
    if (!o.sections) job.sections = job.settings.report;
    const std::string module = findReportModule();
    if (module.empty()) {
        std::cerr << "otdr report: not available: the report module " << OTDR_REPORT_MODULE_NAME
                  << " is not installed beside the program\n";
        return kExitRefused;
    }

    // Temporary files of runs that died before this one: those of the one writer, and the
    // hidden ".NAME.pdf.XXXXXX" of the reports of earlier versions. Done here, before any
    // worker starts, so the workers need not look again.
    for (const std::string& pdf : pdfs) {
        const std::string where = folderOf(pdf);
        removeStaleTempFiles(where, kTempFilePrefix);
        removeStaleTempFiles(where, "." + std::filesystem::path(pdf).filename().string() + ".");
    }

    // Loaded in the process that makes the reports: here, or in each worker process.
    std::optional<LoadedRenderer> renderer;
    std::size_t written = 0, refused = 0;
    Batch batch;
    batch.count = o.files.size();
    batch.jobs = o.jobs;
    batch.workers = Workers::Processes;
    batch.work = [&](std::size_t i) {
        if (!renderer) renderer = loadRenderer(module, job);
        const bool single = o.files.size() == 1;
        ItemResult r = reportItem(*renderer, o.files[i], pdfs[i], single);
        if (!single) r.err = labelLines(escapeName(o.files[i]), r.err);
        return r;
    };
    batch.name = [&](std::size_t i) { return escapeName(o.files[i]); };
    batch.accept = [&](std::size_t, ItemResult& r) {
        ++(r.status == kExitOk ? written : refused);
        return true;
    };
    ProgressBar progress(batch.count, !o.quiet);
    const bool outputOk = runBatch(batch, progress);
    if (folder && outputOk)
        std::cout << written << " 个报告已写入，" << refused << " 个文件被拒绝\n";
    return refused > 0 || !outputOk ? kExitRefused : kExitOk;
}

#else

int runReport(const ReportOptions& o) {
    ReportFlags unused;
    std::string bad;
    if (o.sections && !parseSections(*o.sections, unused, bad)) {
        std::cerr << "otdr report: unknown section \"" << escapeName(bad) << "\"\n";
        return kExitUsage;
    }
    std::cerr << "otdr report: not available in this build (it needs the Qt window library)\n";
    return kExitUsage;
}

#endif

}  // namespace

Runner addReportCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "report",
        "Write the test report of trace files as PDF files, as the window's print preview\n"
        "shows and prints it. With one file, -o names the PDF file; with a folder (-o FOLDER/,\n"
        "an existing folder, or several files) each file gets FOLDER/<name>.pdf, <name> being\n"
        "its name without the extension (\"-2\", \"-3\", ... when two files share a name), and\n"
        "a summary line ends the run. A refused file is reported on stderr and skipped; the\n"
        "others are still written; the exit status is then 1. A report is written under a\n"
        "temporary name and renamed when complete, so no partial PDF is left.\n"
        "The sections come from the window's settings file (otdrview.INI beside the window's\n"
        "program or in the per-user folder, else all sections); --sections names the sections\n"
        "to include instead, separated by commas: para (test conditions), trace (chart\n"
        "picture), mark (marker measurements), event (event table), fiber (cable and fibre\n"
        "texts), eventp (event marks in the chart picture). --analyse analyses the trace\n"
        "first, as the analyse command does. Over five or more files a progress line is\n"
        "shown on stderr when it is a terminal.");
    auto o = std::make_shared<ReportOptions>();
    cmd->add_option("FILE", o->files, "SOR or ZT trace files")->required();
    cmd->add_option("-o,--output", o->output, "PDF file to write, or folder for the reports")
        ->required();
    cmd->add_flag("--analyse,--analyze", o->analyse, "analyse the trace before the report");
    cmd->add_option("--sections", o->sections, "sections to include, e.g. para,trace,mark");
    cmd->add_option("--settings", o->settings, "settings file to read the sections from")
        ->check(CLI::ExistingFile);
    cmd->add_option("-j,--jobs", o->jobs,
                    "reports made at once, each in a worker process (default: the number of\n"
                    "cores); the output is the same, in the order of the arguments, for any number")
        ->check(CLI::Range(1, 256));
    cmd->add_flag("-q,--quiet", o->quiet, "no progress line on a terminal");
    cmd->add_option("--dpi", o->dpi,
                    "screen density the report is laid out for, as on a screen of 96 or 120 "
                    "pixels per inch")
        ->check(CLI::IsMember({96, 120}))
        ->capture_default_str();
    return [cmd, o]() { return cmd->parsed() ? runReport(*o) : -1; };
}

}  // namespace otdr::cli
