// The fibre parameter dialog: filling it, confirming and discarding.

#include "analysis/event_texts.h"
#include "util/gbk.h"
#include "util/numeric.h"
#include "util/text.h"
#include "workspace/workspace.h"

namespace otdr {

namespace {

// Byte limits of the dialog's text fields (GBK bytes).
constexpr std::size_t kTextLimit = 30;
constexpr std::size_t kFlagLimit = 2;
constexpr std::size_t kCommentLimit = 80;

}  // namespace

void Workspace::fillFibreDialog() {
    FibreDialogFields& d = s_.fibreDialog;
    const std::string& ior = s_.controls.text("E_IOR");
    // Before a trace is shown the box is blank; the dialog then shows the index in use, so
    // that the value from the settings file survives a run without a trace.
    d.editIor = trimBlanks(ior).empty() ? formatNumber("%7.5f", s_.params.refractiveIndex) : ior;
    cancelFibreDialog();
}

void Workspace::cancelFibreDialog() {
    FibreDialogFields& d = s_.fibreDialog;
    const TraceRecord& rec = s_.active().record;
    const GenParams& g = rec.genParams;
    d.editet = formatGeneral3(s_.eventThreshold);
    d.editbs = g.cableId;
    d.editxbs = g.fiberId;
    d.editdm = g.cableCode;
    d.editstart = g.originatingLocation;
    d.editend = g.terminatingLocation;
    d.editbz = upperAscii(g.dataFlag);
    d.editczz = g.operatorName;
    d.memopy = g.comment;
    d.editrq = rec.dateText;
}

void Workspace::confirmFibreDialog() {
    FibreDialogFields& d = s_.fibreDialog;

    // 1. Refractive index.
    const double n = parseWholeNumber(d.editIor).value_or(1.472);
    if (n < 1.0 || n > 2.0) {
        showError("折射率必须在1.00000和2.00000之间!");
    } else {
        const float before = s_.params.sampleSpacing;
        s_.params.refractiveIndex = toF32(n);
        s_.controls.setText("E_IOR", d.editIor);
        s_.params.sampleSpacing = computeSampleSpacing(s_.params.rangeIndex, s_.params.helixFactor,
                                                       s_.params.refractiveIndex);
        drawMarkers();
        drawCursor();
        // Events the instrument's analysis did not find keep their cells and stay on their
        // samples; their distances follow the new index.
        const TraceSlot& slot = s_.active();
        if (slot.keepsCells() && slot.eventsShown() && before > 0.0f &&
            s_.params.sampleSpacing != before) {
            const double ratio = static_cast<double>(s_.params.sampleSpacing) / before;
            auto& cells = s_.eventText[kColDistance];
            for (int r = 0; r < slot.events.count(); ++r) {
                std::string& cell = cells[static_cast<std::size_t>(r)];
                cell = cellNumber("%8.4f", parseCNumber(cell) * ratio);
            }
            fillEventGrid();
        }
    }

    // 2. Event threshold; a refused value keeps the texts and the events as they are.
    const double v = parseWholeNumber(d.editet).value_or(0.05);
    if (v < 0.009 || v > 9.0) {
        showError("事件门限值必须在0.01和9.0之间!");
        return;
    }
    if (toF32(v) != s_.eventThreshold) s_.eventThresholdChosen = true;
    s_.eventThreshold = toF32(v);

    // 3. Texts of the active slot.
    TraceRecord& rec = s_.active().record;
    GenParams& g = rec.genParams;
    g.cableId = gbkPrefix(d.editbs, kTextLimit);
    g.fiberId = gbkPrefix(d.editxbs, kTextLimit);
    g.cableCode = gbkPrefix(d.editdm, kTextLimit);
    g.originatingLocation = gbkPrefix(d.editstart, kTextLimit);
    g.terminatingLocation = gbkPrefix(d.editend, kTextLimit);
    g.dataFlag = upperAscii(gbkPrefix(d.editbz, kFlagLimit));
    g.operatorName = gbkPrefix(d.editczz, kTextLimit);
    g.comment = gbkPrefix(d.memopy, kCommentLimit);
    rec.dateText = gbkPrefix(d.editrq, kTextLimit);

    // 4. Re-measure an analysed trace with the new threshold.
    if (s_.active().analysisDone == 1) {
        measureEvents();
        s_.scene.series(SeriesId::Event).clear();
        drawEventMarks();
        fillEventGrid();
    }
}

}  // namespace otdr
