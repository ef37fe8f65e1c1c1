#include "workspace/foreign_files.h"

#include "sr4731/decoder.h"
#include "sr4731/stored_events.h"
#include "sr4731/texts.h"
#include "sr4731/trace.h"
#include "trace/sor_format.h"
#include "util/file_io.h"
#include "util/text.h"

namespace otdr {

namespace {

// A text of the file as one line for a message box: UTF-8, control characters as blanks.
std::string oneLine(const std::string& bytes, sr4731::CodePage page) {
    std::string s = sr4731::textToUtf8(bytes, page);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return trimmed(s);
}

}  // namespace

Result<ForeignFile> readForeignFile(const std::string& path) {
    auto bytes = readWholeFile(path);
    if (!bytes) return bytes.error();
    return foreignFileOf(bytes.value());
}

Result<ForeignFile> foreignFileOf(ByteView bytes) {
    auto doc = sr4731::decode(bytes);
    if (!doc) return doc.error();
    if (auto traces = sr4731::checkTraces(doc.value()); !traces) return traces.error();
    ForeignFile f;
    f.doc = std::move(doc.value());
    if (f.doc.supplier) {
        const sr4731::CodePage page = sr4731::codePageOf(f.doc);
        const sr4731::SupplierParams& s = *f.doc.supplier;
        f.maker = oneLine(s.supplierName, page);
        f.instrument = oneLine(s.mainframeId, page);
        if (f.instrument.empty()) f.instrument = oneLine(s.moduleId, page);
    }
    return f;
}

std::vector<FoundEvent> foundEventsOfZt(const std::vector<ZtEventRecord>& records) {
    std::vector<FoundEvent> out;
    out.reserve(records.size());
    for (const ZtEventRecord& r : records) {
        FoundEvent e;
        e.distanceM = r.distance * 0.1;
        const bool end = r.code.size() > 1 && r.code[1] == 'E';
        e.reflective = end ? r.reflectance != 0 : !r.code.empty() && r.code[0] == '1';
        e.kind = end            ? FoundKind::FibreEnd
                 : e.reflective ? FoundKind::Reflective
                                : FoundKind::NonReflective;
        if (r.averageLoss != 0) e.slopeDbPerKm = r.averageLoss * 0.001;
        e.lossDb = r.spliceLoss * 0.001;
        if (r.reflectance != 0) e.reflectanceDb = -r.reflectance * 0.001;
        e.linkLossDb = r.linkLoss * 0.001;
        out.push_back(e);
    }
    return out;
}

Result<std::vector<FoundEvent>> storedEventsOfFile(const std::string& path) {
    const std::string ext = lowerExtension(path);
    const Error notTrace{ErrorKind::NotTraceFile, kNotTraceFileMessage};
    if (ext != ".zt" && ext != ".sor") return notTrace;
    auto bytes = readWholeFile(path);
    if (!bytes) return bytes.error();
    if (ext == ".zt") {
        auto zt = readZt(bytes.value());
        if (!zt) return zt.error();
        return foundEventsOfZt(zt.value()->events);
    }
    auto doc = sr4731::decode(bytes.value());
    if (!doc) return notTrace;
    return sr4731::storedEventsOf(doc.value());
}

}  // namespace otdr
