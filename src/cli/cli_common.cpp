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

bool openTraceOrForeign(Session& s, const std::string& path) {
    return s.ws->openOrImport(path, Workspace::ForeignFiles::Import);
}

double jsonFloat(float v) {
    return std::stod(shortestFloat(v));
}

std::string escapeControls(std::string_view utf8) {
    static const char* const hex = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            const auto c1 = static_cast<unsigned char>(utf8[++i]);
            out += "\\u00";
            out += hex[c1 >> 4];
            out += hex[c1 & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string formatOf(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == ".sor") return "sor";
    if (ext == ".zt") return "zt";
    return {};
}

}  // namespace otdr::cli
