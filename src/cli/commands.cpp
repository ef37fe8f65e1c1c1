#include "commands.h"

#include <cstring>

namespace otdr::cli {

std::span<const Command> allCommands() {
    static constexpr Command kCommands[] = {
        {"info", addInfoCommand},         {"samples", addSamplesCommand},
        {"convert", addConvertCommand},   {"events", addEventsCommand},
        {"simulate", addSimulateCommand}, {"report", addReportCommand},
        {"inspect", addInspectCommand},   {"export", addExportCommand},
        {"import", addImportCommand},
    };
    return kCommands;
}

std::vector<Runner> addCommands(CLI::App& app, int argc, const char* const* argv) {
    std::vector<Runner> runners;
    // "otdr --version" alone needs no subcommand at all.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return runners;
    for (const Command& c : allCommands())
        if (argc > 1 && std::strcmp(argv[1], c.name) == 0) {
            runners.push_back(c.add(app));
            return runners;
        }
    for (const Command& c : allCommands()) runners.push_back(c.add(app));
    return runners;
}

}  // namespace otdr::cli
