// otdr: the trace viewer's work without a window.

#include <cerrno>
#include <clocale>
#include <csignal>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "build_info.h"
#include "cli_common.h"
#include "commands.h"
#include "interrupt.h"
#include "standard_output.h"

namespace {

// The parsed subcommand's name, for the messages; empty before parsing.
std::string commandName(const CLI::App& app) {
    const auto parsed = app.get_subcommands();
    return parsed.empty() ? std::string() : parsed.front()->get_name();
}

// Standard output must have taken every byte: otherwise the run failed, whatever the command
// returned. A reader that went away (a closed pipe) needs no message.
int finish(const CLI::App& app, int rc) {
    const int err = otdr::cli::finishStandardOutput();
    if (err == 0) return rc;
    if (err != EPIPE) std::cerr << otdr::cli::standardOutputMessage(commandName(app), err) << '\n';
    return rc == otdr::cli::kExitOk ? otdr::cli::kExitRefused : rc;
}

int run(CLI::App& app, int argc, char** argv) {
    // The messages about the arguments quote them: escaped, as every printed name is. Set
    // before the subcommands, which take it over.
    app.failure_message([](const CLI::App* a, const CLI::Error& e) {
        std::string text = CLI::FailureMessage::simple(a, e);
        const std::string what = e.what();
        if (text.rfind(what, 0) == 0) text = otdr::cli::escapeName(what) + text.substr(what.size());
        return text;
    });
    app.set_version_flag("--version", std::string("otdr ") + otdr::kVersion);
    app.require_subcommand(1);
    const std::vector<otdr::cli::Runner> runners = otdr::cli::addCommands(app, argc, argv);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        app.exit(e);
        return otdr::cli::kExitUsage;
    }
    for (const auto& runner : runners) {
        const int rc = runner();
        if (rc >= 0) return rc;
    }
    return otdr::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    // A run reads file after file: what one file's buffers freed is kept for the next, instead
    // of going back to the system (blocks above 128 KB are mapped and unmapped one by one, and
    // the heap's top is trimmed) to be faulted in again, page by page.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    otdr::cli::checkStandardOutput();
    otdr::cli::handleInterrupts();
    // Every write is checked: beyond the file-size limit a write fails with its cause instead
    // of ending the program by SIGXFSZ.
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{"otdr - open, convert, analyse and report OTDR trace files (SOR and ZT)"};
    // Whatever a file declares or the system refuses, the run ends with a message and status 1,
    // never with an abort.
    int rc = otdr::cli::kExitRefused;
    try {
        rc = run(app, argc, argv);
    } catch (const std::bad_alloc&) {
        const std::string name = commandName(app);
        std::cerr << "otdr" << (name.empty() ? "" : " " + name) << ": 内存不足\n";
    } catch (const std::exception& e) {
        const std::string name = commandName(app);
        std::cerr << "otdr" << (name.empty() ? "" : " " + name) << ": 内部错误："
                  << otdr::cli::escapeName(e.what()) << '\n';
    } catch (...) {
        std::cerr << "otdr: 内部错误\n";
    }
    return finish(app, rc);
}
