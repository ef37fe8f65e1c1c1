// Traces of other instruments' files: the import offer after a refused open, the import
// into the active slot with the file's own events, and those events in the table and grid.

#include <memory>

#include "sr4731/import.h"
#include "sr4731/trace.h"
#include "util/numeric.h"
#include "workspace/foreign_files.h"
#include "workspace/workspace.h"

namespace otdr {

const char* const kImportedMark = "（导入）";

namespace {

constexpr const char* kNotImportableMessage = "此文件不是可以导入的SOR文件！";

std::string orUnknown(const std::string& s) {
    return s.empty() ? std::string("未知") : s;
}

std::string importOffer(const ForeignFile& f) {
    return "此文件由其他仪器写成：\n厂家：" + orUnknown(f.maker) + "\n仪器：" +
           orUnknown(f.instrument) + "\n\n要导入此文件吗？";
}

// The events left out of the table, one line each, for the note after the import.
std::string leftOutNote(const sr4731::StoredEventsFill& fill) {
    std::string note = "文件中的下列事件未列入事件表：";
    for (const sr4731::LeftOutEvent& e : fill.leftOut) {
        const char* why = "";
        switch (e.reason) {
            case sr4731::LeftOutReason::OutsideRange:
                why = "不在测试量程内";
                break;
            case sr4731::LeftOutReason::AfterFibreEnd:
                why = "在光纤末端之后";
                break;
            case sr4731::LeftOutReason::TableFull:
                why = "事件表已满";
                break;
        }
        note += cformat("\n事件%zu（%.4f km）：", e.index + 1, e.distanceM / 1000.0) + why;
    }
    return note;
}

// Keeps the error boxes of a command that may be followed by another try.
class HeldPrompter : public Prompter {
  public:
    void showError(std::string_view message) override { errors.emplace_back(message); }
    Answer askYesNoCancel(std::string_view) override { return Answer::Cancel; }
    std::vector<std::string> errors;
};

// The other instrument's file the instrument's readers refused: from the bytes they read, or
// read now when they refused it by its name alone.
Result<ForeignFile> foreignFileRead(const std::string& path, const std::optional<Bytes>& bytes) {
    return bytes ? foreignFileOf(*bytes) : readForeignFile(path);
}

}  // namespace

bool Workspace::openOrImport(const std::string& path, ForeignFiles how) {
    // The file is read once: the instrument's readers and then, when they refuse it, the
    // general decoder see the same bytes.
    std::optional<Bytes> bytes;
    if (how == ForeignFiles::Offer) {
        if (openTraceKeeping(path, bytes)) return true;
        if (lastRefusal_ != OpenRefusal::NotTraceFile || !prompter_) return false;
        auto foreign = foreignFileRead(path, bytes);
        if (!foreign || !prompter_->offerImport(importOffer(foreign.value()))) return false;
        return importForeignFile(path, foreign.value());
    }
    Prompter* user = prompter_;
    HeldPrompter held;
    prompter_ = &held;
    const bool opened = openTraceKeeping(path, bytes);
    prompter_ = user;
    if (opened) return true;
    if (lastRefusal_ == OpenRefusal::NotTraceFile)
        if (auto foreign = foreignFileRead(path, bytes))
            return importForeignFile(path, foreign.value());
    for (const std::string& e : held.errors) showError(e);
    return false;
}

bool Workspace::importForeignTrace(const std::string& path) {
    auto foreign = readForeignFile(path);
    if (!foreign) {
        showError(std::string(kNotImportableMessage) + "\n" + foreign.error().message);
        return false;
    }
    return importForeignFile(path, foreign.value());
}

bool Workspace::importForeignFile(const std::string& path, ForeignFile& foreign) {
    sr4731::ImportOptions options;
    options.format = sr4731::ImportFormat::Sor;
    // The file's levels are read once, for the import and for the general analysis.
    auto traces = sr4731::tracesOf(foreign.doc);
    if (!traces) {
        showError(std::string(kNotImportableMessage) + "\n" + traces.error().message);
        return false;
    }
    auto imported = sr4731::importTrace(foreign.doc, traces.value(), options);
    if (!imported) {
        showError(std::string(kNotImportableMessage) + "\n" + imported.error().message);
        return false;
    }
    const sr4731::ImportResult& r = imported.value();
    const int a = s_.activeTrace & 1;
    const TraceSlot& other = s_.slots[static_cast<std::size_t>(1 - a)];
    if (other.loaded == 1 && r.rangeIndex != other.record.header.effectiveRangeIndex()) {
        showError(kRangeMismatchMessage);
        return false;
    }
    if (!openTraceData(path + kImportedMark, /*zt=*/false, r.file)) return false;
    TraceSlot& slot = s_.active();
    slot.record.fileName = path;
    slot.importedFrom = path;
    slot.importedTrace =
        sr4731::analysisTraceOf(foreign.doc, std::move(traces.value()[options.trace]));
    const sr4731::StoredEventsFill fill = showStoredEvents(r.storedEvents);
    if (!fill.leftOut.empty() && prompter_) prompter_->showNote(leftOutNote(fill));
    return true;
}

}  // namespace otdr
