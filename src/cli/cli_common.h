#pragma once
// Shared pieces of the command-line tool: opening a file exactly as the window does, reporting
// refusals, and turning the core's values into JSON.

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "workspace/prompter.h"
#include "workspace/workspace.h"

namespace otdr::cli {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

// Prints every error box to standard error, or to the given stream (the text of one file in
// a run over many), escaped for the terminal; answers questions with Yes (the command line has
// already said what to overwrite). A message that does not name the file being opened (the
// refusals of the instrument's formats) gets the file's name before it, "NAME: message".
class StderrPrompter : public Prompter {
  public:
    explicit StderrPrompter(std::ostream* out = nullptr) : out_(out) {}
    void showError(std::string_view message) override;
    Answer askYesNoCancel(std::string_view) override { return Answer::Yes; }
    bool hadError() const { return hadError_; }

    // The file whose name messages get; empty for none (a run over many files labels every
    // line itself).
    std::string file;

  private:
    std::ostream* out_;
    bool hadError_ = false;
};

// A workspace with default settings and the error printer.
struct Session {
    StderrPrompter prompter;
    std::unique_ptr<Workspace> ws;
    explicit Session(std::ostream* errors = nullptr);
};

// Opens the file into the active slot; false when it was refused (the reason is on stderr).
// named: a refusal that does not name the file gets its name.
bool openFile(Session& s, const std::string& path, bool named = true);
// The same for a file to analyse: one the instrument's readers refuse as not theirs is
// imported in memory when the SR-4731 decoder reads it (the refusal shows only when the import
// fails too).
bool openTraceOrForeign(Session& s, const std::string& path, bool named = true);

// A float quantity as the double of its shortest decimal form (1.472f prints as 1.472).
double jsonFloat(float v);

// A text from a file made safe for a terminal: control characters (C0, DEL and the C1 range)
// are written as escapes, \x1b for ESC and \u009b for U+009B, so a file cannot move the
// cursor, ring the bell or change the terminal's settings. Everything else is kept.
std::string escapeControls(std::string_view utf8);

// A file name, or a message holding one, made safe for a terminal as escapeControls does it;
// names are bytes, so a byte that is not part of a valid UTF-8 character is written as \xff
// too. A newline in a name cannot split a labelled line, nor ESC reach the terminal.
std::string escapeName(std::string_view bytes);

// A text of several lines escaped line by line, its line ends kept.
std::string escapeLines(std::string_view text);

// Prints "otdr CMD: message" to standard error, the message escaped by escapeName.
void printError(const std::string& command, std::string_view message);

// "sor", "zt" or "" by the file's extension, regardless of case.
std::string formatOf(const std::string& path);

}  // namespace otdr::cli
