// Editing the event table by hand: the edit panel (add and edit modes), confirming it, and
// deleting the selected event.

#include <algorithm>

#include "analysis/event_edit.h"
#include "analysis/event_texts.h"
#include "util/numeric.h"
#include "util/text.h"
#include "workspace/workspace.h"

namespace otdr {

namespace {

constexpr std::string_view kAddCaption = "添加事件点";
constexpr std::string_view kEditCaption = "修改事件点";
constexpr std::string_view kRangeMessage = "输入事件点的距离应在当前测试量程范围内！";
constexpr std::string_view kTableFullMessage = "事件表已满（最多199个事件），不能再添加事件！";

// Event type texts of the copy-window list rebuilt by a delete, 14 bytes each in the file
// code page.
constexpr std::string_view kCopyFibreEnd = "    光纤末端  ";
constexpr std::string_view kCopyReflective = "    反射事件  ";
constexpr std::string_view kCopyNonReflective = "    非反射事件";

}  // namespace

void Workspace::openAddEventPanel() {
    Controls& c = s_.controls;
    const EventGrid& g = s_.grid;
    s_.addingEvent = 1;
    c.setText("GB_Addevent", std::string(kAddCaption));
    c["Comb_type"].index = 1;
    c.setText("Comb_type", std::string(kNonReflectiveName));

    const int r = g.selectedRow;
    const int n = s_.active().events.count();
    if (r == n) {
        c.setText("Ed_BeforeType", g.cell(1, n));
        c.setText("Ed_BeforeDis", g.cell(2, n));
        c.setText("Ed_NextType", " ");
        c.setText("Ed_NextDis", " ");
        c.setText("Ed_Num", std::to_string(n + 1));
    } else if (r == 1) {
        c.setText("Ed_BeforeType", " ");
        c.setText("Ed_BeforeDis", "0");
        c.setText("Ed_NextType", g.cell(1, 1));
        c.setText("Ed_NextDis", g.cell(2, 1));
        c.setText("Ed_Num", "1");
    } else {
        c.setText("Ed_BeforeType", g.cell(1, r));
        c.setText("Ed_BeforeDis", g.cell(2, r));
        c.setText("Ed_NextType", g.cell(1, r + 1));
        c.setText("Ed_NextDis", g.cell(2, r + 1));
        c.setText("Ed_Num", std::to_string(r + 1));
    }
    c.setText("ME_Dis", " ");
    c.setVisible("PL_EditEvent", true);
}

void Workspace::openEditEventPanel() {
    Controls& c = s_.controls;
    const EventGrid& g = s_.grid;
    const int r = g.selectedRow;
    const int n = s_.active().events.count();
    // A row below the table holds no event to change.
    if (r < 1 || r > n) return;

    c.setText("GB_Addevent", std::string(kEditCaption));
    if (r == n) {
        const int before = r < 2 ? r : r - 1;
        c.setText("Ed_BeforeType", g.cell(1, before));
        c.setText("Ed_BeforeDis", g.cell(2, before));
        c.setText("Ed_NextType", " ");
        c.setText("Ed_NextDis", " ");
    } else {
        if (r == 1) {
            c.setText("Ed_BeforeType", " ");
            c.setText("Ed_BeforeDis", " ");
        } else {
            c.setText("Ed_BeforeType", g.cell(1, r - 1));
            c.setText("Ed_BeforeDis", g.cell(2, r - 1));
        }
        c.setText("Ed_NextType", g.cell(1, r + 1));
        c.setText("Ed_NextDis", g.cell(2, r + 1));
    }
    c.setText("Ed_Num", std::to_string(r));
    const std::string type = trimmed(g.cell(1, r));
    if (type == kNonReflectiveName) {
        c["Comb_type"].index = 1;
        c.setText("Comb_type", std::string(kNonReflectiveName));
    } else if (type == kReflectiveName) {
        c["Comb_type"].index = 0;
        c.setText("Comb_type", std::string(kReflectiveName));
    }
    c.setText("ME_Dis", trimmed(g.cell(2, r)));
    c.setVisible("PL_EditEvent", true);
}

void Workspace::cancelEventPanel() {
    s_.addingEvent = 0;
    s_.controls.setVisible("PL_EditEvent", false);
}

void Workspace::confirmEventPanel() {
    Controls& c = s_.controls;
    TraceSlot& slot = s_.active();
    EventTable& table = slot.events;
    const TestParameters& p = s_.params;

    // 1. The typed distance, blanks removed.
    const std::string typed = withoutSpaces(trimmed(c.text("ME_Dis")));
    const std::optional<double> km = parseWholeNumber(typed);
    if (!km) {
        showError("'" + typed + "' is not a valid floating point value");
        return;
    }
    s_.enteredDistanceKm = toF32(*km);
    const float entered = s_.enteredDistanceKm;

    // 2. Within the current range.
    if (entered < 0.0f || static_cast<double>(entered) > rangeKm(p.rangeIndex)) {
        showError(kRangeMessage);
        return;
    }

    const int comboIndex = c.get("Comb_type").index;
    const double index =
        static_cast<double>(entered) * 1000.0 / static_cast<double>(p.sampleSpacing);
    const auto position =
        static_cast<std::uint16_t>(std::clamp<std::int64_t>(truncToI64(index), 0, kPositionMask));
    const auto word =
        static_cast<std::uint16_t>(position | (comboIndex == 0 ? kReflectiveFlag : 0));

    int t = 0;
    if (c.text("GB_Addevent") == kAddCaption) {
        // 4. Add: the new event goes before the first event farther away.
        if (table.count() >= kMaxEvents) {
            showError(kTableFullMessage);
            return;
        }
        t = insertEventRow(table, s_.eventText, toF32(static_cast<double>(entered) * 1000.0), word,
                           p.sampleSpacing, p.helixFactor);
    } else {
        // 3. Edit: the event keeps its row, even beyond a neighbour.
        t = truncToI32(parseCNumber(c.text("Ed_Num")));
        if (t < 1 || t > table.count()) {
            cancelEventPanel();
            return;
        }
        table.setWord(t, word);
    }

    // 6. Distance, 7. the other cells measured anew.
    s_.eventText[kColDistance][static_cast<std::size_t>(t - 1)] = cellNumber("%8.4f", entered);
    computeDueEditingWork();
    const MeasureInput in{slot.samples,           p,       slot.peakLevel,
                          s_.work.signalEndIndex, s_.work, s_.eventThreshold};
    const FitResult fit =
        measureEditedEvent(in, s_.work.eventWidth, table, t, comboIndex, entered, s_.eventText);
    s_.fitSlope = fit.slope;
    s_.fitIntercept = fit.intercept;

    // 8. Refresh.
    s_.scene.series(SeriesId::Event).clear();
    s_.grid.rowCount = kEventRows;
    for (int r = 1; r < kEventRows; ++r) s_.grid.clearRow(r);
    // Selecting the row runs the row selection as a click on it would: the event comes into
    // view and the cursor moves to it.
    selectEventRow(t);
    for (int w = 0; w < 100; ++w)
        slot.reflectiveCandidates.words[static_cast<std::size_t>(w)] =
            table.words[static_cast<std::size_t>(w)];
    rescaleView();
    s_.scene.series(SeriesId::Event).clear();
    drawEventMarks();
    fillEventGrid();
    s_.addingEvent = 0;
    c.setVisible("PL_EditEvent", false);
}

void Workspace::deleteEvent() {
    TraceSlot& slot = s_.active();
    EventTable& table = slot.events;
    EventGrid& g = s_.grid;
    const int n = table.count();
    if (n == 0) return;

    // 1. A selection below the table falls back to its last row.
    int r = g.selectedRow;
    while (g.cell(0, r).empty() && r > 1) --r;
    r = std::clamp(r, 1, n);

    // 2.-4. Later rows move up with their texts; only their grid rows are rewritten.
    removeEventRow(table, s_.eventText, r);
    const int m = n - 1;
    g.clearRow(r);
    for (int i = r; i <= m; ++i) {
        auto& row = g.cells[static_cast<std::size_t>(i)];
        row[0] = std::to_string(i);
        for (int col = 0; col < 5; ++col)
            row[static_cast<std::size_t>(col + 2)] =
                s_.eventText[static_cast<std::size_t>(col)][static_cast<std::size_t>(i - 1)];
        const std::string& ret = s_.eventText[kColReturnLoss][static_cast<std::size_t>(i - 1)];
        row[1] = std::string(i == m               ? kFibreEndName
                             : contains(ret, "-") ? kNonReflectiveName
                                                  : kReflectiveName);
    }
    g.clearRow(m + 1);

    // 5. Marks, 6. cursor on the row that now holds the selection.
    s_.scene.series(SeriesId::Event).clear();
    drawEventMarks();
    const ViewState& v = s_.view;
    const int spp = v.samplesPerPoint > 0 ? v.samplesPerPoint : 1;
    moveCursor(toF32(static_cast<double>(table.position(r) - v.firstSample) / spp));

    // 7. The copy-window list, typed by the reflective flags.
    std::string copy(kCopyEventHeader);
    for (int j = 1; j <= m; ++j) {
        copy += '\n';
        copy += std::to_string(j);
        copy += j == m ? kCopyFibreEnd : table.reflective(j) ? kCopyReflective : kCopyNonReflective;
        copy += ' ';
        copy += copyEventCells(s_.eventText, j - 1);
    }
    s_.copy.event = std::move(copy);
}

}  // namespace otdr
