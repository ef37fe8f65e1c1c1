#include "workspace/workspace.h"

#include "util/numeric.h"
#include "workspace/command_table.h"

namespace otdr {

const std::string& EventGrid::cell(int col, int row) const {
    static const std::string kEmpty;
    if (row < 0 || row >= kEventRows || col < 0 || col >= kColumns) return kEmpty;
    return cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

Workspace::Workspace(const Settings& settings, Prompter* prompter, const Clock* clock)
    : prompter_(prompter), clock_(clock ? clock : &systemClock()) {
    // 1. Empty texts, first slot active.
    for (TraceSlot& slot : s_.slots) slot.record.genParams = GenParams{};
    s_.activeTrace = 0;

    // 2. Today's date and the time of day as the date text of both slots.
    const std::time_t now = clock_->now();
    const std::string today = clock_->shortDate(now) + "  " + clock_->longTime(now);
    for (TraceSlot& slot : s_.slots) slot.record.dateText = today;

    // 3. Single-mode fibre in both headers.
    for (TraceSlot& slot : s_.slots) slot.record.header.setFiberCode(35);

    // 4. The settings: the same texts in both slots, threshold and refractive index.
    for (TraceSlot& slot : s_.slots) {
        GenParams& g = slot.record.genParams;
        g.fiberId = settings.fiberId;
        g.cableId = settings.cableId;
        g.cableCode = settings.cableCode;
        g.originatingLocation = settings.start;
        g.terminatingLocation = settings.end;
        g.dataFlag = settings.dataFlag;
        g.operatorName = settings.operatorName;
        g.comment = settings.comment;
    }
    s_.eventThreshold = toF32(parseWholeNumber(settings.threshold).value_or(0.05));
    s_.params.refractiveIndex = toF32(parseWholeNumber(settings.refractiveIndex).value_or(1.472));
    s_.params.lossScale[s_.params.wavelengthClass] = 1.0f;
    s_.report = settings.report;

    // 5. View and markers (their start values are the defaults of ViewState and MarkerState).
    s_.params.sampleSpacing = 8.0f;
    s_.view = ViewState{};
    s_.markers = MarkerState{};
    s_.measureMode = kModeNone;
    for (int k = 0; k < 4; ++k) {
        const auto i = static_cast<std::size_t>(k);
        s_.markers.sample[i] = static_cast<std::int16_t>(
            truncToI32(static_cast<double>(s_.markers.x[i]) * s_.view.samplesPerPoint) +
            s_.view.firstSample);
    }

    // 6. Event type names.
    s_.eventTypeNames = {"反射事件", "非反射事件", "光纤末端"};

    // 7. Analysis state.
    s_.work.scanLimit = 30000;
    s_.work.slopeBaseline = 0;
    for (TraceSlot& slot : s_.slots) slot.analysisDone = 0;
    s_.markers.rowFollowsCursor = 0;
    s_.addingEvent = 0;

    // 8. Empty sample store (the samples start zeroed).
    for (TraceSlot& slot : s_.slots) slot.loaded = 0;
    s_.activeTrace = 0;

    initControls();
    s_.copy.event =
        "序号    距离（km）  平均损耗（dB/km）   连接损耗（dB）   反射损耗（dB） 链路损耗（dB）";
    // The fibre dialog is filled once when it is created.
    fillFibreDialog();
}

namespace {

// The controls' states at start, the same for every workspace.
void fillInitialControls(Controls& c) {
    for (const ComponentDef& d : commandComponents()) {
        ControlState& st = c[d.name];
        st.enabled = d.enabledAtStart;
        st.checked = d.checkedAtStart;
        st.text = std::string(d.text);
    }
    // Trace captions and file names on the chart, hidden until a trace is loaded.
    c.setText("Label13", "波形一：");
    c.setVisible("Label13", false);
    c.setText("Label14", "波形二：");
    c.setVisible("Label14", false);
    c.setText("LB_OtdrTitle", "");
    c.setText("LB_OtdrTitle2", "");
    // Measurement labels, in the average-loss layout ticked at start.
    c.setText("Label10", "两点间(A-B)距离：");
    c.setText("Label8", "两点间(A-B)损耗：");
    c.setText("Label9", "平均损耗：");
    c.setText("Label11", "连接损耗：");
    c.setText("Label12", "反射损耗：");
    for (const char* name : {"LB_Dis", "LB_Loss", "LB_ATTEN", "LB_Atten2", "LB_Splice", "LB_Ref"})
        c.setText(name, "");
    for (const char* name : {"LB_Atten2", "LB_Splice", "Label11", "Label12", "LB_Ref"})
        c.setVisible(name, false);
    // Test parameter boxes.
    c.setText("GB_OtdrMoudle", "OTDR测试参数");
    for (const char* name :
         {"E_Wave", "E_Range", "E_Pulse", "E_Att", "E_AvgCount", "E_IOR", "E_Helix"})
        c[name].text.clear();
    // Event panel and the hidden edit panel.
    c.setEnabled("Event_List", false);
    c.setVisible("PL_EditEvent", false);
    c.setText("GB_Before", "前一事件点");
    c.setText("GB_Next", "后一事件点");
    c.setText("GB_Addevent", "添加事件点");
    for (const char* name :
         {"Ed_BeforeType", "Ed_BeforeDis", "Ed_NextType", "Ed_NextDis", "Ed_Num"}) {
        c.setEnabled(name, false);
        c.setText(name, "");
    }
    c.setText("Label_Num", "事件点编号：");
    c.setText("Label_type", "事件类型：");
    c.setText("Label_Dis", "距离(km)：");
    c.setText("Comb_type", "非反射事件");
    c["Comb_type"].index = 1;
    c.setText("ME_Dis", "");
    c.setText("B_OK", "确  定");
    c.setText("B_Cancel", "取  消");
}

}  // namespace

void Workspace::initControls() {
    // Built once and copied: a copy compares no names.
    static const Controls initial = [] {
        Controls c;
        fillInitialControls(c);
        return c;
    }();
    s_.controls = initial;
}

void Workspace::setPanelBoxes(const std::string& wave, const std::string& range,
                              const std::string& att, const std::string& pulse,
                              const std::string& ior, const std::string& helix,
                              const std::string& avg) {
    Controls& c = s_.controls;
    c.setText("E_Wave", wave);
    c.setText("E_Range", range);
    c.setText("E_Att", att);
    c.setText("E_Pulse", pulse);
    c.setText("E_IOR", ior);
    c.setText("E_Helix", helix);
    c.setText("E_AvgCount", avg);
}

void Workspace::blankPanelBoxes() {
    setPanelBoxes(" ", " ", " ", " ", " ", " ", " ");
}

void Workspace::showError(std::string_view message) {
    if (prompter_) prompter_->showError(message);
}

Settings Workspace::settingsForClose() const {
    const GenParams& g = s_.active().record.genParams;
    Settings out;
    out.fiberId = g.fiberId;
    out.cableId = g.cableId;
    out.cableCode = g.cableCode;
    out.start = g.originatingLocation;
    out.end = g.terminatingLocation;
    out.dataFlag = g.dataFlag;
    out.operatorName = g.operatorName;
    out.comment = g.comment;
    out.threshold = s_.fibreDialog.editet;
    out.refractiveIndex = s_.fibreDialog.editIor;
    out.report = s_.report;
    return out;
}

}  // namespace otdr
