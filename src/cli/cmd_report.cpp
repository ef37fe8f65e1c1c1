// otdr report: the window's test report of trace files, written as PDF files: one file to a
// named PDF, or many files to one PDF each in a folder, on all cores.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "batch.h"
#include "cli_common.h"
#include "commands.h"
#include "interrupt.h"
#include "progress.h"
#include "util/text.h"
#include "workspace/settings.h"

#ifdef OTDR_WITH_GUI
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardPaths>
#include <clocale>

#include "app/qt_text.h"
#include "app/settings_store.h"
#include "dialogs/report_settings_dialog.h"
#include "report/print_preview.h"
#include "report/report_builder.h"
#include "view/chart_widget.h"
#endif

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

// How each report is made, the same for every file of a run.
struct RenderOptions {
    bool analyse = false;
    std::optional<ReportFlags> sections;  // else the sections of the settings file
    std::string settingsPath;             // --settings, else the window's settings file
    int dpi = 96;                         // the screen density the report is laid out for
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

// FOLDER/<name>.pdf for each file, <name> being the file's name without its extension. A name
// that an earlier file of the run already took gets "-2", "-3", ... so no report overwrites
// another.
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

// Every byte of a finished PDF is on disk: it ends with its end-of-file marker and is synced.
bool completePdf(const std::string& path, std::string& why) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    std::string tail(
        static_cast<std::size_t>(std::min<std::streamoff>(std::max<std::streamoff>(size, 0), 32)),
        '\0');
    if (size > 0) {
        in.seekg(size - static_cast<std::streamoff>(tail.size()));
        in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    }
    if (size <= 0 || !in || tail.find("%%EOF") == std::string::npos) {
        why = "the PDF was not written completely";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) {
        why = std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

// A temporary file beside the target, hidden and with a name of its own, with the permissions
// a new file gets; empty with the reason when the folder refuses it.
std::string temporaryBeside(const std::string& target, std::string& why) {
    const std::filesystem::path t(target);
    const std::filesystem::path dir = t.has_parent_path() ? t.parent_path() : ".";
    std::string name = (dir / ("." + t.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        why = std::strerror(errno);
        return {};
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    return name;
}

// The settings file the window would use: beside the window's executable (which is installed
// next to this tool, or lies in the build tree's gui folder), else in the per-user folder.
QString findWindowSettings() {
    const QString name = QStringLiteral("otdrview.INI");
    const QDir here(QCoreApplication::applicationDirPath());
    const QString perUser =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/Halvern Photonix/otdrview/") + name;
    for (const QString& candidate :
         {here.filePath(name), here.filePath(QStringLiteral("../gui/") + name), perUser})
        if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).absoluteFilePath();
    return {};
}

// Qt's messages while a report is made belong to that file's text on standard error, so they
// keep their place among the files; those of setting Qt up (notes on the environment, once per
// worker process) are left out. A fatal one is printed at once.
std::string* qtMessages = nullptr;

void collectQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", gui::toUtf8(message).c_str());
        return;
    }
    if (qtMessages) *qtMessages += gui::toUtf8(message) + '\n';
}

// What a process sets up once for all the reports it makes: the Qt application (offscreen)
// and the settings.
struct ReportContext {
    std::unique_ptr<QApplication> app;
    Settings settings;

    explicit ReportContext(const RenderOptions& opts) {
        qInstallMessageHandler(collectQtMessage);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char programName[] = "otdr";
        static char* argv[] = {programName, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        // Numbers in labels and reports always use the point as decimal separator.
        std::setlocale(LC_NUMERIC, "C");
        const QString path =
            opts.settingsPath.empty() ? findWindowSettings() : gui::fromUtf8(opts.settingsPath);
        if (!path.isEmpty()) settings = gui::SettingsStore(path).load();
    }
};

// The report of one file written to pdf, never leaving a partial file under that name.
ItemResult renderReport(ReportContext& ctx, const std::string& file, const std::string& pdf,
                        const RenderOptions& opts) {
    ItemResult item;
    std::string messages;
    qtMessages = &messages;
    struct Detach {
        ~Detach() { qtMessages = nullptr; }
    } detach;
    std::ostringstream errors;
    StderrPrompter prompter(&errors);
    Workspace ws(ctx.settings, &prompter);
    if (!ws.openTrace(file)) {
        item.status = kExitRefused;
        item.err = messages + errors.str();
        return item;
    }
    if (opts.analyse) ws.analyse();
    const ReportFlags flags = opts.sections ? *opts.sections : ctx.settings.report;

    // The same windows the report command of the main window reads.
    gui::TForm4 reportDialog;
    reportDialog.setFlags(flags);
    gui::ChartWidget chart;
    chart.setScene(&ws.scene());
    gui::TTracePrintView preview;
    gui::buildTestReport(preview, ws.state(), reportDialog.flags(), opts.dpi, chart,
                         reportDialog.logo().toImage());

    std::string error;
    const std::string partial = temporaryBeside(pdf, error);
    bool written = false;
    if (!partial.empty()) {
        setInterruptRemoves(partial);
        QPrinter& printer = preview.printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromLocal8Bit(partial.c_str()));
        preview.execPrintDialog = [](QPrinter& p, int) {
            p.setPrintRange(QPrinter::AllPages);
            return true;
        };
        preview.showError = [&error](const QString& message) { error = gui::toUtf8(message); };
        written = preview.Button1Click() && completePdf(partial, error);
        std::error_code ec;
        if (written) {
            std::filesystem::rename(partial, pdf, ec);
            if (ec) error = ec.message();
            written = !ec;
        }
        if (!written) std::filesystem::remove(partial, ec);
        setInterruptRemoves({});
    }
    if (!written) {
        item.status = kExitRefused;
        item.err = messages + errors.str() + "otdr report: cannot write " + pdf +
                   (error.empty() ? std::string() : " (" + error + ")") + '\n';
        return item;
    }
    item.err = messages + errors.str();
    const int pages = preview.pageCount();
    item.out = pdf + ": " + std::to_string(pages) + (pages == 1 ? " page" : " pages") + '\n';
    return item;
}

int runReport(const ReportOptions& o) {
    RenderOptions opts;
    opts.analyse = o.analyse;
    opts.settingsPath = o.settings;
    opts.dpi = o.dpi;
    if (o.sections) {
        ReportFlags flags;
        std::string bad;
        if (!parseSections(*o.sections, flags, bad)) {
            std::cerr << "otdr report: unknown section \"" << bad
                      << "\" (para, trace, mark, event, fiber, eventp)\n";
            return kExitUsage;
        }
        opts.sections = flags;
    }

    const bool folder = outputIsFolder(o);
    std::vector<std::string> pdfs{o.output};
    if (folder) {
        if (lowerExtension(o.output) == ".pdf") {
            std::cerr << "otdr report: " << o.files.size()
                      << " files give one report each: -o names a folder (-o FOLDER/)\n";
            return kExitUsage;
        }
        std::error_code ec;
        std::filesystem::create_directories(o.output, ec);
        if (ec) {
            std::cerr << "otdr report: cannot create the folder " << o.output << " ("
                      << ec.message() << ")\n";
            return kExitRefused;
        }
        pdfs = reportPaths(o.files, o.output);
    }

    // Set up in the process that makes the reports: here, or in each worker process.
    std::optional<ReportContext> ctx;
    std::size_t written = 0, refused = 0;
    Batch batch;
    batch.count = o.files.size();
    batch.jobs = o.jobs;
    batch.workers = Workers::Processes;
    batch.work = [&](std::size_t i) {
        if (!ctx) ctx.emplace(opts);
        ItemResult r = renderReport(*ctx, o.files[i], pdfs[i], opts);
        if (o.files.size() > 1) r.err = labelLines(o.files[i], r.err);
        return r;
    };
    batch.name = [&](std::size_t i) { return o.files[i]; };
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
        std::cerr << "otdr report: unknown section \"" << bad << "\"\n";
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
