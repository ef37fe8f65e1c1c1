#pragma once
// The workspace holds the whole state of the main window for the run and implements every
// command of it. The window forwards user input to these methods and afterwards re-reads the
// controls, the event grid and the chart scene. Commands are split over several source files
// by subsystem (workspace_*.cpp).

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/event_table.h"
#include "analysis/found_events.h"
#include "analysis/work_buffers.h"
#include "sr4731/general_input.h"
#include "sr4731/stored_events.h"
#include "trace/trace_record.h"
#include "util/bytes.h"
#include "util/result.h"
#include "view/chart_scene.h"
#include "view/view_state.h"
#include "workspace/clock.h"
#include "workspace/controls.h"
#include "workspace/prompter.h"
#include "workspace/settings.h"

namespace otdr {

struct ForeignFile;

// Where the events of a slot's table came from.
enum class EventSource : std::uint8_t {
    Instrument,  // the instrument's analysis (or none yet)
    Stored,      // the events the file holds itself, shown until the trace is analysed
    General,     // the general analysis
};

// One trace slot: its record, samples and event table.
struct TraceSlot {
    TraceRecord record;
    SampleArray samples{};
    std::int16_t loaded = 0;
    EventTable events;
    EventTable reflectiveCandidates;
    std::uint16_t analysisDone = 0;
    std::uint16_t peakLevel = 0;
    std::array<std::int16_t, kChartPoints> chartPoints{};
    // A trace imported from another instrument's file: that file's path (empty otherwise),
    // and the trace as the file holds it, for the general analysis at its own resolution.
    std::string importedFrom;
    std::optional<sr4731::AnalysisTrace> importedTrace;
    // Where the events of the table came from. Events the instrument's analysis did not find
    // keep the cells they came with or were edited to (the instrument's event measurement
    // would measure them anew and prune them): the event texts hold them while the slot is
    // active, keptText while the other slot is.
    EventSource eventSource = EventSource::Instrument;
    EventText keptText;

    bool keepsCells() const { return eventSource != EventSource::Instrument; }
    // The table is shown in the grid and marked on the chart: after an analysis, and while
    // it holds the file's own events.
    bool eventsShown() const { return analysisDone == 1 || eventSource == EventSource::Stored; }
};

// The fields of the fibre parameter dialog. Texts bound to trace files are GBK bytes.
struct FibreDialogFields {
    std::string editIor = "1.47200";  // Edit_IOR
    std::string editet;               // Editet (event threshold)
    std::string editbs;               // cable id
    std::string editxbs;              // fiber id
    std::string editdm;               // cable code
    std::string editstart;            // originating location
    std::string editend;              // terminating location
    std::string editbz;               // data flag
    std::string editczz;              // operator
    std::string memopy;               // comment
    std::string editrq;               // test date
};

// The event grid under the chart (UTF-8 cell texts).
struct EventGrid {
    static constexpr int kColumns = 7;
    static constexpr std::array<int, kColumns> kColumnWidths{48, 96, 115, 150, 115, 115, 115};
    bool enabled = false;
    int rowCount = kEventRows;
    int selectedRow = 1;
    std::array<std::array<std::string, kColumns>, kEventRows> cells{};

    void clearRow(int r) {
        if (r >= 0 && r < kEventRows) cells[static_cast<std::size_t>(r)].fill(std::string());
    }
    const std::string& cell(int col, int row) const;
};

// The texts the copy window holds for the clipboard (UTF-8).
struct CopyWindowTexts {
    std::string para;   // RichEdit_Para
    std::string event;  // RichEdit_Event
};

struct WorkspaceState {
    std::array<TraceSlot, 2> slots;
    std::int16_t activeTrace = 0;
    TestParameters params;
    float eventThreshold = 0.05f;
    // The user has changed the event threshold (the fibre dialog): the general analysis then
    // takes it for an imported trace instead of the loss threshold the file gives.
    bool eventThresholdChosen = false;
    std::array<std::string, 3> eventTypeNames;  // UTF-8

    ViewState view;
    MarkerState markers;
    std::int16_t measureMode = kModeNone;
    float fitSlope = 0.0f;
    float fitIntercept = 0.0f;

    EventText eventText;  // describes the slot measured last
    AnalysisWork work;
    std::uint16_t addingEvent = 0;
    float enteredDistanceKm = 0.0f;

    FibreDialogFields fibreDialog;
    CopyWindowTexts copy;
    ReportFlags report;
    int previewZoom = 50;

    ChartScene scene;
    Controls controls;
    EventGrid grid;

    TraceSlot& active() { return slots[static_cast<std::size_t>(activeTrace & 1)]; }
    const TraceSlot& active() const { return slots[static_cast<std::size_t>(activeTrace & 1)]; }
};

enum class SaveFormat { Zt, Sor };
enum class SaveOutcome { Saved, Cancelled, Failed };
enum class MouseButton { Left, Right, Middle };

class Workspace {
  public:
    // Sets the initial state from the settings, as the main window does at start-up.
    explicit Workspace(const Settings& settings, Prompter* prompter = nullptr,
                       const Clock* clock = nullptr);
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    WorkspaceState& state() { return s_; }
    const WorkspaceState& state() const { return s_; }
    Controls& controls() { return s_.controls; }
    const ChartScene& scene() const { return s_.scene; }
    const EventGrid& grid() const { return s_.grid; }

    void setPrompter(Prompter* p) { prompter_ = p; }

    // The settings to write when the main window closes: the active slot's texts and the
    // dialog's threshold and refractive index texts. The report flags are passed through.
    Settings settingsForClose() const;

    // ---- Trace files -------------------------------------------------------------------
    // Opens a file into the active slot (the open dialog returned path). True when a trace
    // was read and shown.
    bool openTrace(const std::string& path);
    // Saves the active slot under the name chosen in the save dialog.
    SaveOutcome saveAs(const std::string& chosenPath, SaveFormat format);
    // The name the save command uses for a chosen name and format.
    static std::string saveFileName(const std::string& chosenPath, SaveFormat format);
    // The name the save dialog starts with: for a trace imported from another instrument's
    // file, that file's folder and name with the instrument's extension ".zt"; else empty.
    std::string saveSuggestion() const;

    // ---- Other instruments' files ------------------------------------------------------
    // Opens a file as openTrace does. When the instrument's readers refuse it as not theirs
    // and the general SR-4731 decoder reads a trace from it, the import is then offered
    // (Offer: the refusal box first, then the offer naming maker and instrument) or made at
    // once (Import: the command line, which shows the refusal only when the import fails too).
    enum class ForeignFiles { Offer, Import };
    bool openOrImport(const std::string& path, ForeignFiles how);
    // Imports another instrument's SR-4731 file into the active slot: its trace on the range
    // its length calls for, shown under its own name marked as imported, with its own events
    // in the table and the grid until the trace is analysed. Events left out are named in a
    // note. False (with an error box, the slot unchanged) when the file cannot be imported.
    bool importForeignTrace(const std::string& path);
    // Puts events a file holds into the active slot's table and the grid, as the file's own.
    sr4731::StoredEventsFill showStoredEvents(std::span<const FoundEvent> events);

    // ---- Fibre parameter dialog --------------------------------------------------------
    void fillFibreDialog();     // FormShow
    void confirmFibreDialog();  // BSetPara_OKClick (the window writes the fields first)
    void cancelFibreDialog();   // BSetPara_CancelClick

    // ---- Chart, cursor, markers and view commands ----------------------------------------
    void plotTrace(int slot);
    void rescaleView();
    void applyNewTraceView();
    void drawCursor();
    void drawMarkers();
    void moveCursor(float x);
    void cycleActiveMarker();
    void moveCursorLeft();
    void moveCursorRight();
    void mouseDown(float x, float y, MouseButton button);
    void mouseMove(float x, float y);
    void mouseUp();
    void expandHorizontal();
    void compressHorizontal();
    void expandVertical();
    void compressVertical();
    void shiftTraceUp();
    void shiftTraceDown();
    void resetView();

    // ---- Two traces ----------------------------------------------------------------------
    void selectTrace(int slot);  // RB_Trace1Click / RB_Trace2Click
    void clearTrace();           // B_ClearTraceClick
    void showSlotParameters(int slot);

    // ---- Marker measurements -----------------------------------------------------------
    void measureMarkers();
    void setMeasureModeLoss();    // MOT_TI_LossClick
    void setMeasureModeSplice();  // MOT_TI_SpliceClick
    void setMeasureModeRef();     // MOT_TI_RefClick
    // FitLine over samples of the active slot; sets fitSlope and fitIntercept.
    void fitLine(int start, int end);

    // ---- Events ------------------------------------------------------------------------
    void analyse();                // the instrument's analysis of the active slot
    void analyseCommand();         // B_AnalyseClick: analyse(), an imported trace's general
    void analyseGeneral();         // MOT_GeneralAnalyClick: the general analysis
    void measureEvents();          // event measurement of the active slot
    void drawEventMarks();         // adds the marks of the active slot to the event series
    void fillEventGrid();          // grid and copy-window text from the table
    void selectEventRow(int row);  // Event_ListSelectCell
    void openAddEventPanel();      // B_AddEventClick
    void openEditEventPanel();     // B_EditEventClick
    void deleteEvent();            // B_DelEventClick
    void confirmEventPanel();      // B_OKClick (the window writes Comb_type and ME_Dis first)
    void cancelEventPanel();       // B_CancelClick

    // Redraws the event marks when the active slot has been analysed.
    void redrawEventMarksIfAnalysed();

  private:
    // The import of a file already read and decoded.
    bool importForeignFile(const std::string& path, ForeignFile& foreign);
    void initControls();
    void setPanelBoxes(const std::string& wave, const std::string& range, const std::string& att,
                       const std::string& pulse, const std::string& ior, const std::string& helix,
                       const std::string& avg);
    void blankPanelBoxes();
    void showOpenFailure(int slot, const std::string& message);
    void resetEventTableForOpen();
    void afterRead();
    void fillCopyParaText();
    void fillPanelFromParams(bool attenuationBlank);
    void resetMeasureDisplayToLoss();
    void showError(std::string_view message);
    bool openTraceData(const std::string& path, bool zt, ByteView data);
    // openTrace, keeping the file's bytes when it read them (a refused file may be imported).
    bool openTraceKeeping(const std::string& path, std::optional<Bytes>& bytes);
    // Marks the work signals an edit of the active slot's events starts from as due; they are
    // computed when first needed, from the samples and parameters of now.
    void prepareEditingWork();
    // Computes work signals that are due, before anything reads the work areas or changes what
    // they are computed from (a slot's samples).
    void computeDueEditingWork();
    void enableEventCommands();
    void startFoundEvents();
    void finishFoundEvents(EventSource source);
    std::vector<FoundEvent> generalEventsOfActive() const;

    WorkspaceState s_;
    // Work signals due for a slot: computed from its samples (which do not change while they
    // are due) with these parameters. Most shown events are never edited, and an analysis
    // run from the command line never edits any.
    struct DueWork {
        int slot = 0;
        TestParameters params;
    };
    std::optional<DueWork> dueWork_;
    // Why the last openTrace refused its file, for the import that may follow.
    enum class OpenRefusal { None, NotTraceFile, Other } lastRefusal_ = OpenRefusal::None;
    Prompter* prompter_ = nullptr;
    const Clock* clock_ = nullptr;
};

// The events the general analysis finds on a slot's samples (counts of 0.001 dB with the
// loss scale of the wavelength class), the event threshold as its loss threshold.
std::vector<FoundEvent> generalEventsOf(const SampleArray& samples, const TestParameters& p,
                                        float eventThreshold);

// The messages of the open command.
extern const char* const kRangeMismatchMessage;
// The suffix of an imported trace's file name, and the refusal to save it over its source.
extern const char* const kImportedMark;
extern const char* const kOverwriteSourceMessage;

}  // namespace otdr
