// Opening and saving trace files.

#include <filesystem>
#include <memory>

#include "trace/sor_format.h"
#include "trace/zt_format.h"
#include "util/file_io.h"
#include "util/gbk.h"
#include "util/numeric.h"
#include "util/text.h"
#include "workspace/workspace.h"

namespace otdr {

const char* const kRangeMismatchMessage = "只有测试量程相同的轨迹曲线才能进行比较！";
const char* const kOverwriteSourceMessage = "导入的轨迹不能保存到其原始文件，请另选文件名！";

namespace {

enum class FileKind { Zt, Sor, Other };

// Both names lead to one file (links followed), or would once written.
bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    const auto ca = std::filesystem::weakly_canonical(a, ec);
    if (ec) return a == b;
    const auto cb = std::filesystem::weakly_canonical(b, ec);
    return ec ? a == b : ca == cb;
}

FileKind kindOf(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == ".zt") return FileKind::Zt;
    if (ext == ".sor") return FileKind::Sor;
    return FileKind::Other;
}

// Test parameters as a header describes them (group index and helix factor already replaced
// by their defaults when out of range).
void parametersFromHeader(const ZtHeader& h, TestParameters& p) {
    p.wavelengthClass = static_cast<std::uint8_t>(h.wavelengthCode() & 0xFF);
    p.rangeIndex = static_cast<std::int16_t>(h.effectiveRangeIndex());
    p.attenuationDb = toF32(h.attenuation() * 5.0);
    p.pulseWidthNs = h.pulseWidth();
    const float index = toF32(h.groupIndexForCode(h.wavelengthCode()) * 0.00001);
    p.refractiveIndex = (index > 1.0f && index <= 2.0f) ? index : kDefaultRefractiveIndex;
    const float helix = toF32(h.helixFactor() * 0.00001);
    p.helixFactor = (helix >= 0.8f && helix <= 1.0f) ? helix : 1.0f;
    p.averageCount = h.averageCount();
}

}  // namespace

void Workspace::fillPanelFromParams(bool attenuationBlank) {
    const TestParameters& p = s_.params;
    const std::string wave = s_.controls.text("E_Wave");
    setPanelBoxes(wave, rangeText(p.rangeIndex),
                  attenuationBlank ? " " : shortestFloat(p.attenuationDb) + "dB",
                  std::to_string(p.pulseWidthNs) + " ns", formatNumber("%7.5f", p.refractiveIndex),
                  formatNumber("%7.5f", p.helixFactor), std::to_string(p.averageCount));
}

void Workspace::showSlotParameters(int slot) {
    const ZtHeader& h = s_.slots[static_cast<std::size_t>(slot & 1)].record.header;
    parametersFromHeader(h, s_.params);
    s_.controls.setText("E_Wave", std::string(wavelengthTextForCode(h.wavelengthCode())));
    fillPanelFromParams(false);
    s_.params.sampleSpacing = computeSampleSpacing(s_.params.rangeIndex, s_.params.helixFactor,
                                                   s_.params.refractiveIndex);
}

void Workspace::showOpenFailure(int slot, const std::string& message) {
    showError(message);
    s_.slots[static_cast<std::size_t>(slot)].record.fileName = " ";
    s_.controls.setVisible(slot == 0 ? "Label13" : "Label14", false);
    s_.controls.setText(slot == 0 ? "LB_OtdrTitle" : "LB_OtdrTitle2", " ");
}

void Workspace::resetMeasureDisplayToLoss() {
    Controls& c = s_.controls;
    s_.measureMode = kModeAverageLoss;
    c.setChecked("MOT_TI_Loss", true);
    c.setChecked("MOT_TI_Splice", false);
    c.setChecked("MOT_TI_Ref", false);
    for (const char* name : {"LB_Atten2", "LB_Splice", "Label12", "Label11", "LB_Ref"})
        c.setVisible(name, false);
    c.setVisible("Label9", true);
    s_.scene.series(SeriesId::Mark1).clear();
    s_.scene.series(SeriesId::Mark4).clear();
    if (s_.markers.active != kMarkerA && s_.markers.active != kMarkerB) {
        s_.markers.active = kMarkerA;
        s_.view.cursorX = s_.markers.x[kMarkerA];
    }
}

void Workspace::resetEventTableForOpen() {
    for (const char* name :
         {"B_AddEvent", "B_DelEvent", "B_EditEvent", "TB_AddEvent", "TB_EditEvent", "TB_DelEvent"})
        s_.controls.setEnabled(name, false);
    for (int r = 1; r < kEventRows; ++r) s_.grid.clearRow(r);
    s_.grid.selectedRow = 1;
    s_.active().events.setCount(0);
}

bool Workspace::openTrace(const std::string& path) {
    std::optional<Bytes> bytes;
    return openTraceKeeping(path, bytes);
}

bool Workspace::openTraceKeeping(const std::string& path, std::optional<Bytes>& kept) {
    lastRefusal_ = OpenRefusal::Other;
    const FileKind kind = kindOf(path);
    if (kind == FileKind::Other) {
        lastRefusal_ = OpenRefusal::NotTraceFile;
        showError(kNotTraceFileMessage);
        return false;
    }
    auto bytes = readWholeFile(path);
    if (!bytes) {
        showError(bytes.error().message);
        return false;
    }
    kept = std::move(bytes.value());
    const bool opened = openTraceData(path, kind == FileKind::Zt, *kept);
    if (opened) lastRefusal_ = OpenRefusal::None;
    return opened;
}

bool Workspace::openTraceData(const std::string& path, bool isZt, ByteView data) {
    const int a = s_.activeTrace & 1;
    TraceSlot& slot = s_.slots[static_cast<std::size_t>(a)];
    const TraceSlot& other = s_.slots[static_cast<std::size_t>(1 - a)];
    auto refuse = [&](const Error& e) {
        if (e.kind == ErrorKind::NotTraceFile) lastRefusal_ = OpenRefusal::NotTraceFile;
        showOpenFailure(a, e.message);
    };

    if (isZt) {
        auto parsed = readZt(data);
        if (!parsed) {
            refuse(parsed.error());
            return false;
        }
        ZtFile& f = *parsed.value();
        if (other.loaded == 1 &&
            f.header.effectiveRangeIndex() != other.record.header.effectiveRangeIndex()) {
            showOpenFailure(a, kRangeMismatchMessage);
            return false;
        }
        // Everything checked: the file replaces the slot's trace.
        const auto mtime = fileModificationTime(path).value_or(clock_->now());
        slot.record.fileName = path;
        slot.record.dateText = clock_->shortDate(mtime) + "  " + clock_->longTime(clock_->now());
        computeDueEditingWork();  // from the samples being replaced
        slot.samples = f.samples;
        slot.record.header = f.header;
        if (f.hasTexts) {
            GenParams& g = slot.record.genParams;
            g.cableId = f.texts.cableId;
            g.fiberId = f.texts.fiberId;
            g.originatingLocation = f.texts.originatingLocation;
            g.terminatingLocation = f.texts.terminatingLocation;
            g.cableCode = f.texts.cableCode;
            g.dataFlag = f.texts.dataFlag;
            g.operatorName = f.texts.operatorName;
        }
        resetMeasureDisplayToLoss();
        parametersFromHeader(f.header, s_.params);
        if (s_.params.averageCount == 0) s_.params.averageCount = 10;
        for (int c = 0; c < 3; ++c)
            s_.params.lossScale[static_cast<std::size_t>(c)] = toF32(f.header.lossScale(c) / 100.0);
        s_.controls.setText("E_Wave",
                            std::string(wavelengthTextForCode(f.header.wavelengthCode())));
        fillPanelFromParams(false);
        slot.analysisDone = 0;
        s_.scene.series(SeriesId::Event).clear();
        resetEventTableForOpen();
    } else {
        auto parsed = readSor(data, /*verifyChecksum=*/false);
        if (!parsed) {
            refuse(parsed.error());
            return false;
        }
        SorFile& f = *parsed.value();
        if (other.loaded == 1 && f.rangeIndex != other.record.header.effectiveRangeIndex()) {
            showOpenFailure(a, kRangeMismatchMessage);
            return false;
        }
        if (s_.measureMode == kModeNone) s_.measureMode = kModeAverageLoss;
        slot.record.fileName = path;
        slot.record.dateText = f.dateText;
        slot.record.sorMap = f.map;
        slot.record.fxdParams = f.fxdParams;
        computeDueEditingWork();  // from the samples being replaced
        slot.samples = f.samples;
        GenParams& g = slot.record.genParams;
        g.cableId = f.texts.cableId;
        g.fiberId = f.texts.fiberId;
        g.originatingLocation = f.texts.originatingLocation;
        g.terminatingLocation = f.texts.terminatingLocation;
        g.cableCode = f.texts.cableCode;
        g.dataFlag = f.texts.dataFlag;
        g.operatorName = f.texts.operatorName;
        g.comment = f.texts.comment;

        TestParameters& p = s_.params;
        p.wavelengthClass = f.wavelengthClass;
        p.rangeIndex = f.rangeIndex;
        p.pulseWidthNs = f.pulseWidthNs;
        p.refractiveIndex = f.refractiveIndex;
        p.helixFactor = 1.0f;
        p.averageCount = f.averageCount;
        p.attenuationDb = 0.0f;
        s_.controls.setText("E_Wave", f.waveText);
        fillPanelFromParams(true);
        slot.analysisDone = 0;
        s_.scene.series(SeriesId::Event).clear();
        resetEventTableForOpen();
        // A fresh header for the slot, as if read from the instrument.
        slot.record.header = ZtHeader{};
        rebuildZtHeader(slot.record.header, p, f.waveText, s_.markers.sample[kMarkerSmallA],
                        s_.markers.sample[kMarkerA]);
    }

    s_.controls.setVisible(a == 0 ? "Label13" : "Label14", true);
    s_.controls.setText(a == 0 ? "LB_OtdrTitle" : "LB_OtdrTitle2", path);
    afterRead();
    return true;
}

void Workspace::afterRead() {
    const int a = s_.activeTrace & 1;
    TraceSlot& slot = s_.slots[static_cast<std::size_t>(a)];
    enforceScaleInvariants(s_.params);
    slot.loaded = 1;
    slot.importedFrom.clear();
    slot.importedTrace.reset();
    slot.eventSource = EventSource::Instrument;
    s_.params.sampleSpacing = computeSampleSpacing(s_.params.rangeIndex, s_.params.helixFactor,
                                                   s_.params.refractiveIndex);
    applyNewTraceView();

    Controls& c = s_.controls;
    for (const char* name :
         {"MTrace",        "MOtdr",         "MCable",       "MF_CopyTo",   "MF_SaveAs",
          "MF_Print",      "NB_CopyCond",   "NB_CopyTrace", "B_Analyse",   "TB_SaveAs",
          "TB_Print",      "TB_Analyse",    "TB_SetCable",  "TB_TestLoss", "TB_TestRef",
          "TB_TestSplice", "TB_ChangeMark", "TB_DownWave",  "TB_UpWave",   "TB_MoveRight",
          "TB_MoveLeft"})
        c.setEnabled(name, true);
    c.setEnabled("MOT_Event", false);

    fillCopyParaText();
    fillFibreDialog();
}

void Workspace::fillCopyParaText() {
    const Controls& c = s_.controls;
    std::string& t = s_.copy.para;
    t.clear();
    const std::pair<const char*, const char*> lines[] = {
        {"波长：", "E_Wave"},         {"量程：", "E_Range"},        {"脉宽：", "E_Pulse"},
        {"衰减：", "E_Att"},          {"平均次数：", "E_AvgCount"}, {"折射率：", "E_IOR"},
        {"光缆修正系数：", "E_Helix"}};
    bool first = true;
    for (const auto& [label, box] : lines) {
        if (!first) t += '\n';
        first = false;
        t += label;
        t += c.text(box);
    }
}

std::string Workspace::saveSuggestion() const {
    const std::string& source = s_.active().importedFrom;
    if (source.empty()) return {};
    return std::filesystem::path(source).replace_extension(".zt").string();
}

std::string Workspace::saveFileName(const std::string& chosen, SaveFormat format) {
    const char* lower = format == SaveFormat::Zt ? ".zt" : ".sor";
    const char* upper = format == SaveFormat::Zt ? ".ZT" : ".SOR";
    if (contains(chosen, lower) || contains(chosen, upper)) return chosen;
    return chosen + lower;
}

SaveOutcome Workspace::saveAs(const std::string& chosenPath, SaveFormat format) {
    const std::string name = saveFileName(chosenPath, format);
    // An imported trace is never written over the other instrument's file it came from.
    if (const std::string& source = s_.active().importedFrom;
        !source.empty() && sameFile(name, source)) {
        showError(kOverwriteSourceMessage);
        return SaveOutcome::Failed;
    }
    if (fileExists(name)) {
        const Answer answer =
            prompter_ ? prompter_->askYesNoCancel("此文件已存在，覆盖吗？") : Answer::Yes;
        if (answer != Answer::Yes) return SaveOutcome::Cancelled;
    }
    TraceSlot& slot = s_.active();
    const std::string waveText(trimBlanks(s_.controls.text("E_Wave")));
    // The file is built from a copy of the slot's record: the rebuilt header, the trimmed texts
    // and the new block images become the slot's only once the file has been written.
    TraceRecord record = slot.record;
    Bytes bytes;
    if (format == SaveFormat::Zt) {
        rebuildZtHeader(record.header, s_.params, waveText, s_.markers.sample[kMarkerSmallA],
                        s_.markers.sample[kMarkerA]);
        bytes = buildZt(record.genParams, record.header, slot.samples, slot.events, s_.eventText);
    } else {
        const FibreDialogFields& d = s_.fibreDialog;
        GenParams& g = record.genParams;
        g.cableId = d.editbs;
        g.fiberId = d.editxbs;
        g.cableCode = d.editdm;
        g.originatingLocation = d.editstart;
        g.terminatingLocation = d.editend;
        g.dataFlag = d.editbz;
        g.operatorName = d.editczz;
        g.comment = d.memopy;
        SorWriteParams p;
        p.rangeIndex = s_.params.rangeIndex;
        p.pulseWidthNs = s_.params.pulseWidthNs;
        p.refractiveIndex = s_.params.refractiveIndex;
        p.averageCount = s_.params.averageCount;
        p.eventThreshold = s_.eventThreshold;
        p.waveText = waveText;
        p.timestamp = static_cast<std::uint32_t>(clock_->now());
        auto built = buildSor(record, slot.samples, p);
        if (!built) {
            showError(built.error().message);
            return SaveOutcome::Failed;
        }
        bytes = std::move(built.value());
    }
    auto written = writeFileAtomically(name, bytes);
    if (!written) {
        showError(written.error().message);
        return SaveOutcome::Failed;
    }
    slot.record = std::move(record);
    return SaveOutcome::Saved;
}

}  // namespace otdr
