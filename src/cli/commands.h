#pragma once
// The subcommands of the command-line tool. Each registers its options on the application and
// returns the function that runs it once the arguments are parsed.

#include <functional>
#include <span>
#include <vector>

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

struct Command {
    const char* name;  // the name the subcommand registers
    Runner (*add)(CLI::App& app);
};

// Every subcommand, in the order of the help.
std::span<const Command> allCommands();

// Registers the subcommand the arguments name first (a run takes one), or every one when
// they name none: for the help and the messages that list them. Setting up all of them takes
// longer than reading a file, and "--version" alone needs none.
std::vector<Runner> addCommands(CLI::App& app, int argc, const char* const* argv);

}  // namespace otdr::cli
