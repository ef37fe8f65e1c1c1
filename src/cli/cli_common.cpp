#include "cli_common.h"

#include <iostream>

#include "util/numeric.h"
#include "util/text.h"

namespace otdr::cli {

void StderrPrompter::showError(std::string_view message) {
    hadError_ = true;
    (out_ ? *out_ : std::cerr) << message << '\n';
}

Session::Session(std::ostream* errors)
    : prompter(errors), ws(std::make_unique<Workspace>(Settings{}, &prompter)) {}

bool openFile(Session& s, const std::string& path) {
    return s.ws->openTrace(path);
}

double jsonFloat(float v) {
    return std::stod(shortestFloat(v));
}

std::string formatOf(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == ".sor") return "sor";
    if (ext == ".zt") return "zt";
    return {};
}

}  // namespace otdr::cli
