// otdr report: the window's test report of a trace file, written as a PDF file.

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli_common.h"
#include "commands.h"
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
    std::string file;
    std::string output;
    bool analyse = false;
    std::optional<std::string> sections;
    std::string settings;
    int dpi = 96;  // the screen density the report is laid out for
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

int runReport(const ReportOptions& o) {
    ReportFlags sectionFlags;
    std::string bad;
    if (o.sections && !parseSections(*o.sections, sectionFlags, bad)) {
        std::cerr << "otdr report: unknown section \"" << bad
                  << "\" (para, trace, mark, event, fiber, eventp)\n";
        return kExitUsage;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char programName[] = "otdr";
    static char* argv[] = {programName, nullptr};
    QApplication qapp(argc, argv);
    // Numbers in labels and reports always use the point as decimal separator.
    std::setlocale(LC_NUMERIC, "C");

    const QString settingsPath =
        o.settings.empty() ? findWindowSettings() : gui::fromUtf8(o.settings);
    const Settings settings =
        settingsPath.isEmpty() ? Settings{} : gui::SettingsStore(settingsPath).load();

    StderrPrompter prompter;
    Workspace ws(settings, &prompter);
    if (!ws.openTrace(o.file)) return kExitRefused;
    if (o.analyse) ws.analyse();
    const ReportFlags flags = o.sections ? sectionFlags : settings.report;

    // The same windows the report command of the main window reads.
    gui::TForm4 reportDialog;
    reportDialog.setFlags(flags);
    gui::ChartWidget chart;
    chart.setScene(&ws.scene());
    gui::TTracePrintView preview;
    gui::buildTestReport(preview, ws.state(), reportDialog.flags(), o.dpi, chart,
                         reportDialog.logo().toImage());

    // Written next to the target and renamed over it once complete.
    const std::string partial = o.output + ".part";
    QPrinter& printer = preview.printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromLocal8Bit(partial.c_str()));
    preview.execPrintDialog = [](QPrinter& p, int) {
        p.setPrintRange(QPrinter::AllPages);
        return true;
    };
    std::string error;
    preview.showError = [&error](const QString& message) { error = gui::toUtf8(message); };
    const bool printed = preview.Button1Click();
    std::error_code ec;
    if (printed) std::filesystem::rename(partial, o.output, ec);
    if (!printed || ec) {
        std::filesystem::remove(partial, ec);
        std::cerr << "otdr report: cannot write " << o.output
                  << (error.empty() ? std::string() : " (" + error + ")") << '\n';
        return kExitRefused;
    }
    const int pages = preview.pageCount();
    std::cout << o.output << ": " << pages << (pages == 1 ? " page" : " pages") << '\n';
    return kExitOk;
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
        "Write the test report of a trace file as a PDF file, as the window's print preview\n"
        "shows and prints it. The sections come from the window's settings file (otdrview.INI\n"
        "beside the window's program or in the per-user folder, else all sections); --sections\n"
        "names the sections to include instead, separated by commas: para (test conditions),\n"
        "trace (chart picture), mark (marker measurements), event (event table), fiber (cable\n"
        "and fibre texts), eventp (event marks in the chart picture). --analyse analyses the\n"
        "trace first, as the analyse command does.");
    auto o = std::make_shared<ReportOptions>();
    cmd->add_option("FILE", o->file, "SOR or ZT trace file")->required();
    cmd->add_option("-o,--output", o->output, "PDF file to write")->required();
    cmd->add_flag("--analyse,--analyze", o->analyse, "analyse the trace before the report");
    cmd->add_option("--sections", o->sections, "sections to include, e.g. para,trace,mark");
    cmd->add_option("--settings", o->settings, "settings file to read the sections from")
        ->check(CLI::ExistingFile);
    cmd->add_option("--dpi", o->dpi,
                    "screen density the report is laid out for, as on a screen of 96 or 120 "
                    "pixels per inch")
        ->check(CLI::IsMember({96, 120}))
        ->capture_default_str();
    return [cmd, o]() { return cmd->parsed() ? runReport(*o) : -1; };
}

}  // namespace otdr::cli
