#pragma once
// The test report as data: the list of document operations the rich-text engine runs to build
// the report of the active trace (title, test conditions, chart picture, marker measurements,
// event table, cable and fibre texts), in the order the engine receives them. Which lines
// appear for which report flags and which screen density is decided here, without Qt.

#include <string>
#include <string_view>
#include <vector>

#include "view/chart_scene.h"
#include "workspace/settings.h"

namespace otdr {

struct WorkspaceState;

// Text styles of the report's style sheet.
constexpr int kTextNormal = 0;   // "Normal": Arial 11 pt
constexpr int kTextHeading = 1;  // "Heading": Arial 14 pt bold, black
// Paragraph styles; kParaContinue appends to the current paragraph.
constexpr int kParaContinue = -1;
constexpr int kParaLeft = 0;      // "Left": first-line indent 30
constexpr int kParaCentered = 2;  // "Centered": left and right indent 50, centred
// Vertical alignment of a picture in its line.
constexpr int kPictureMiddle = 1;

// The screen density at which the report's tab counts take their first value.
constexpr int kReportWideDpi = 120;

enum class DocOpKind {
    Clear,         // empty the document
    AddText,       // text, textStyle: append to the current paragraph
    AddTab,        // textStyle, paraStyle: a tab; paraStyle >= 0 starts a new paragraph
    AddTextNL,     // text, textStyle, paraStyle (first line), otherParaStyle (further lines)
    AddNL,         // text, textStyle, paraStyle: the text as a new paragraph
    AddBreak,      // a horizontal rule
    AddPictureEx,  // text (name), picture, paraStyle, vAlign
    AddTable,      // table: a table of fixed columns, standing on its own below the paragraph
    Format,        // lay out the document
};

// Which picture an AddPictureEx operation places; the window supplies the bitmaps.
enum class ReportPicture { None, Logo, Chart };

// How a table column sets its cells: texts start at the column's left edge, numbers end at its
// right edge (all numbers of a column carry the same decimals, so their points line up).
enum class ColumnAlign { Text, Number };

// A table of fixed columns in text style 0. Its first `headerRows` rows are the header, which
// is repeated at the top of every page the table continues on.
struct ReportTable {
    std::vector<ColumnAlign> columns;
    std::vector<std::vector<std::string>> rows;  // UTF-8, one text per column
    int headerRows = 0;

    friend bool operator==(const ReportTable&, const ReportTable&) = default;
};

struct DocOp {
    DocOpKind kind = DocOpKind::Clear;
    std::string text;  // UTF-8
    int textStyle = kTextNormal;
    int paraStyle = kParaContinue;
    int otherParaStyle = kParaContinue;
    ReportPicture picture = ReportPicture::None;
    int vAlign = 0;
    ReportTable table;

    friend bool operator==(const DocOp&, const DocOp&) = default;
};

using ReportOps = std::vector<DocOp>;

// The title line of the report.
inline constexpr std::string_view kReportTitle = "  VR3728 OTDR 测 试 报 告";

// Builds the report of the active trace. The values are the current texts of the parameter
// boxes, the chart labels and the fibre dialog; `flags` are the report settings dialog's check
// boxes at this moment; `dpi` is the screen's pixels per inch.
ReportOps buildReportOperations(const WorkspaceState& s, const ReportFlags& flags, int dpi);

// Pads a UTF-8 text with blanks on the right to n characters; longer texts stay as they are.
std::string padCharacters(std::string_view utf8, std::size_t n);

// While it lives, the chart's event marks are taken out of the scene when the report leaves
// them out of its chart picture; the marks come back when it ends.
class EventMarksLeftOut {
  public:
    EventMarksLeftOut(ChartScene& scene, bool leaveOut);
    ~EventMarksLeftOut();
    EventMarksLeftOut(const EventMarksLeftOut&) = delete;
    EventMarksLeftOut& operator=(const EventMarksLeftOut&) = delete;

  private:
    ChartScene& scene_;
    bool active_;
    std::vector<ChartPoint> saved_;
};

}  // namespace otdr
