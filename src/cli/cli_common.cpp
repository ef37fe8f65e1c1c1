#include "cli_common.h"

#include <iostream>

#include "util/numeric.h"
#include "util/text.h"

namespace otdr::cli {

void StderrPrompter::showError(std::string_view message) {
    hadError_ = true;
    std::ostream& out = out_ ? *out_ : std::cerr;
    if (!file.empty() && message.find("“" + file + "”") == std::string_view::npos)
        out << escapeName(file) << ": ";
    out << escapeName(message) << '\n';
}

Session::Session(std::ostream* errors)
    : prompter(errors), ws(std::make_unique<Workspace>(Settings{}, &prompter)) {}

bool openFile(Session& s, const std::string& path, bool named) {
    s.prompter.file = named ? path : std::string();
    const bool opened = s.ws->openTrace(path);
    s.prompter.file.clear();
    return opened;
}

bool openTraceOrForeign(Session& s, const std::string& path, bool named) {
    s.prompter.file = named ? path : std::string();
    const bool opened = s.ws->openOrImport(path, Workspace::ForeignFiles::Import);
    s.prompter.file.clear();
    return opened;
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

namespace {

// The length of the valid UTF-8 character at s[i], 0 when the byte there does not start one.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const auto cont = [&](std::size_t k) { return i + k < s.size() && (b(k) & 0xC0) == 0x80; };
    const unsigned char c = b(0);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(1) || !cont(2)) return 0;
        if (c == 0xE0 && b(1) < 0xA0) return 0;   // overlong
        if (c == 0xED && b(1) >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3)) return 0;
        if (c == 0xF0 && b(1) < 0x90) return 0;   // overlong
        if (c == 0xF4 && b(1) >= 0x90) return 0;  // beyond U+10FFFF
        return 4;
    }
    return 0;
}

}  // namespace

std::string escapeName(std::string_view bytes) {
    static const char* const hex = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = utf8Length(bytes, i);
        if (n == 0) {
            const auto c = static_cast<unsigned char>(bytes[i++]);
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
            continue;
        }
        out += escapeControls(bytes.substr(i, n));
        i += n;
    }
    return out;
}

std::string escapeLines(std::string_view text) {
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool newline = end != std::string_view::npos;
        if (!newline) end = text.size();
        out += escapeName(text.substr(start, end - start));
        if (newline) out += '\n';
        start = end + 1;
    }
    return out;
}

void printError(const std::string& command, std::string_view message) {
    std::cerr << "otdr " << command << ": " << escapeName(message) << '\n';
}

std::string formatOf(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == ".sor") return "sor";
    if (ext == ".zt") return "zt";
    return {};
}

}  // namespace otdr::cli
