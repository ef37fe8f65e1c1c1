#include "sr4731_cli.h"

#include "sr4731/decoder.h"
#include "util/file_io.h"
#include "util/numeric.h"

namespace otdr::cli {

Result<sr4731::Document> decodeSorFile(const std::string& path) {
    auto bytes = readWholeFile(path);
    if (!bytes) return bytes.error();
    return sr4731::decode(bytes.value());
}

std::string escapeControls(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            out += cformat("\\x%02x", b);
        else
            out.push_back(c);
    }
    return out;
}

}  // namespace otdr::cli
