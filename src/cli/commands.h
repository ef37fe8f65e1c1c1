#pragma once
// The subcommands of the command-line tool. Each registers its options on the application and
// returns the function that runs it once the arguments are parsed.

#include <functional>

#include <CLI/CLI.hpp>

namespace otdr::cli {

using Runner = std::function<int()>;

Runner addInfoCommand(CLI::App& app);
Runner addSamplesCommand(CLI::App& app);
Runner addConvertCommand(CLI::App& app);
Runner addEventsCommand(CLI::App& app);
Runner addSimulateCommand(CLI::App& app);
Runner addReportCommand(CLI::App& app);
Runner addInspectCommand(CLI::App& app);
Runner addExportCommand(CLI::App& app);
Runner addImportCommand(CLI::App& app);

}  // namespace otdr::cli
