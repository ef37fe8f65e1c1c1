#include "report/report_content.h"

#include <utility>

#include "analysis/event_texts.h"
#include "util/gbk.h"
#include "util/text.h"
#include "workspace/workspace.h"

namespace otdr {

std::string padCharacters(std::string_view utf8, std::size_t n) {
    std::size_t chars = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
    std::string out(utf8);
    if (chars < n) out.append(n - chars, ' ');
    return out;
}

namespace {

// Appends the operations of one report in order.
class ReportWriter {
  public:
    ReportWriter(ReportOps& ops, int dpi) : ops_(ops), wide_(dpi == kReportWideDpi) {}

    DocOp& op(DocOpKind kind) {
        DocOp& o = ops_.emplace_back();
        o.kind = kind;
        return o;
    }
    void text(std::string_view t, int style = kTextNormal) {
        DocOp& o = op(DocOpKind::AddText);
        o.text = std::string(t);
        o.textStyle = style;
    }
    void tab(int paraStyle = kParaContinue) {
        DocOp& o = op(DocOpKind::AddTab);
        o.textStyle = kTextNormal;
        o.paraStyle = paraStyle;
    }
    // A new line: a tab that starts a paragraph in the "Left" style.
    void newLine() { tab(kParaLeft); }
    // `wideCount` tabs at 120 pixels per inch, `otherCount` at any other density.
    void tabs(int wideCount, int otherCount) {
        for (int i = 0, n = wide_ ? wideCount : otherCount; i < n; ++i) tab();
    }
    void pair(std::string_view label, std::string_view value) {
        text(label);
        text(value);
    }
    void nl(std::string_view t, int textStyle, int paraStyle) {
        DocOp& o = op(DocOpKind::AddNL);
        o.text = std::string(t);
        o.textStyle = textStyle;
        o.paraStyle = paraStyle;
    }
    void textNl(std::string_view t, int textStyle, int firstPara, int otherPara) {
        DocOp& o = op(DocOpKind::AddTextNL);
        o.text = std::string(t);
        o.textStyle = textStyle;
        o.paraStyle = firstPara;
        o.otherParaStyle = otherPara;
    }
    void picture(ReportPicture which, int paraStyle) {
        DocOp& o = op(DocOpKind::AddPictureEx);
        o.paraStyle = paraStyle;
        o.picture = which;
        o.vAlign = kPictureMiddle;
    }
    void rule() { op(DocOpKind::AddBreak); }
    void table(ReportTable t) { op(DocOpKind::AddTable).table = std::move(t); }

  private:
    ReportOps& ops_;
    bool wide_;
};

void testConditions(ReportWriter& w, const WorkspaceState& s) {
    const Controls& c = s.controls;
    w.newLine();
    w.pair("波长：", c.text("E_Wave"));
    w.tabs(8, 5);
    w.pair("量程：", c.text("E_Range"));

    w.newLine();
    w.pair("脉宽：", padCharacters(c.text("E_Pulse"), 10));
    w.tabs(8, 5);
    w.pair("衰减：", c.text("E_Att"));

    w.newLine();
    w.pair("平均次数：", padCharacters(c.text("E_AvgCount"), 5));
    w.tabs(8, 5);
    w.pair("折射率：", c.text("E_IOR"));

    w.newLine();
    w.pair("光缆修正：", c.text("E_Helix"));
    w.tabs(7, 5);
    w.pair("测试日期：", gbkToUtf8(s.fibreDialog.editrq));

    w.newLine();
    w.pair("文件名：", c.text("LB_OtdrTitle"));
    w.rule();
}

void markerSection(ReportWriter& w, const WorkspaceState& s, bool withThreshold) {
    const Controls& c = s.controls;
    w.newLine();
    w.pair("A-B间距离：", c.text("LB_Dis"));
    w.tabs(7, 4);
    w.pair("A-B间损耗：", c.text("LB_Loss"));

    w.newLine();
    w.pair("A-B间平均损耗：", c.text("LB_ATTEN"));
    w.tabs(6, 3);
    w.pair("反射损耗：", c.text("LB_Ref"));

    w.newLine();
    w.pair("连接损耗：", c.text("LB_Splice"));
    if (withThreshold) {
        w.tabs(10, 6);
        w.pair("事件门限：", gbkToUtf8(s.fibreDialog.editet));
    }
    w.rule();
}

// The event table: the header and one row per event, in table order, each cell in its own
// column. The cells hold the grid's texts without the blanks of their fixed-width forms.
ReportTable eventTableCells(const WorkspaceState& s) {
    const EventTable& t = s.active().events;
    ReportTable table;
    table.columns.assign(kEventGridHeader.size(), ColumnAlign::Number);
    table.columns[1] = ColumnAlign::Text;
    table.headerRows = 1;
    table.rows.emplace_back(kEventGridHeader.begin(), kEventGridHeader.end());
    for (int r = 1; r <= t.count(); ++r) {
        std::vector<std::string>& row = table.rows.emplace_back();
        row.push_back(std::to_string(r));
        row.emplace_back(eventTypeName(t, r));
        for (int c = kColDistance; c <= kColLinkLoss; ++c)
            row.push_back(
                trimmed(s.eventText[static_cast<std::size_t>(c)][static_cast<std::size_t>(r - 1)]));
    }
    return table;
}

void eventTable(ReportWriter& w, const WorkspaceState& s) {
    w.nl(" ", kTextHeading, kParaCentered);
    w.rule();
    w.text(" ");
    w.nl("事  件  表", kTextNormal, kParaCentered);
    w.table(eventTableCells(s));
    w.rule();
}

void fibreTexts(ReportWriter& w, const WorkspaceState& s) {
    const FibreDialogFields& d = s.fibreDialog;
    w.nl(" ", kTextHeading, kParaCentered);
    w.rule();

    w.newLine();
    w.pair("光缆标识：", gbkToUtf8(d.editbs));
    w.tabs(8, 5);
    w.pair("光纤标识：", gbkToUtf8(d.editxbs));

    w.newLine();
    w.pair("光缆代码：", gbkToUtf8(d.editdm));
    w.tabs(8, 5);
    w.pair("数据标志：", gbkToUtf8(d.editbz));

    w.newLine();
    w.pair("起点位置：", gbkToUtf8(d.editstart));
    w.tabs(8, 5);
    w.pair("终点位置：", gbkToUtf8(d.editend));

    w.newLine();
    w.pair("测试评语：", gbkToUtf8(d.memopy));

    w.newLine();
    w.pair("操作者：", gbkToUtf8(d.editczz));
    w.rule();
}

}  // namespace

ReportOps buildReportOperations(const WorkspaceState& s, const ReportFlags& flags, int dpi) {
    ReportOps ops;
    ops.reserve(256);
    ReportWriter w(ops, dpi);
    const bool hasEvents = s.active().events.count() >= 1;

    w.op(DocOpKind::Clear);
    // The logo, with the title beside it on the same line.
    w.picture(ReportPicture::Logo, kParaLeft);
    w.tabs(5, 0);
    w.textNl(kReportTitle, kTextHeading, kParaContinue, kParaLeft);
    w.rule();

    if (flags.para) testConditions(w, s);
    if (flags.trace) w.picture(ReportPicture::Chart, kParaCentered);
    w.rule();
    if (flags.mark) markerSection(w, s, flags.event && hasEvents);
    if (flags.event && hasEvents) eventTable(w, s);
    if (flags.fiber) fibreTexts(w, s);
    w.op(DocOpKind::Format);
    return ops;
}

EventMarksLeftOut::EventMarksLeftOut(ChartScene& scene, bool leaveOut)
    : scene_(scene), active_(leaveOut) {
    if (!active_) return;
    ChartSeries& marks = scene_.series(SeriesId::Event);
    saved_ = std::move(marks.points);
    marks.clear();
}

EventMarksLeftOut::~EventMarksLeftOut() {
    if (active_) scene_.series(SeriesId::Event).points = std::move(saved_);
}

}  // namespace otdr
