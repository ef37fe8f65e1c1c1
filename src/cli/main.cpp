// otdr: the trace viewer's work without a window.

#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "build_info.h"
#include "cli_common.h"
#include "commands.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    CLI::App app{"otdr - open, convert, analyse and report OTDR trace files (SOR and ZT)"};
    app.set_version_flag("--version", std::string("otdr ") + otdr::kVersion);
    app.require_subcommand(1);
    std::vector<otdr::cli::Runner> runners{
        otdr::cli::addInfoCommand(app),     otdr::cli::addSamplesCommand(app),
        otdr::cli::addConvertCommand(app),  otdr::cli::addEventsCommand(app),
        otdr::cli::addSimulateCommand(app), otdr::cli::addReportCommand(app),
        otdr::cli::addInspectCommand(app),  otdr::cli::addExportCommand(app),
        otdr::cli::addImportCommand(app),
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        app.exit(e);
        return otdr::cli::kExitUsage;
    }
    for (const auto& run : runners) {
        const int rc = run();
        if (rc >= 0) return rc;
    }
    return otdr::cli::kExitUsage;
}
