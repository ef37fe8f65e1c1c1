#include "sr4731_cli.h"

#include "sr4731/decoder.h"
#include "util/file_io.h"

namespace otdr::cli {

Result<sr4731::Document> decodeSorFile(const std::string& path) {
    Bytes buffer;
    return decodeSorFile(path, buffer);
}

Result<sr4731::Document> decodeSorFile(const std::string& path, Bytes& buffer,
                                       const sr4731::DecodeOptions& options) {
    auto bytes = readWholeFile(path, buffer);
    if (!bytes) return bytes.error();
    return sr4731::decode(bytes.value(), options);
}

}  // namespace otdr::cli
