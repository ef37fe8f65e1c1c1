// The test report as a list of document operations: which lines appear for which report
// settings and screen density, with their labels, tab counts, paddings and rules.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/event_texts.h"
#include "analysis_fixture.h"
#include "report/preview_rules.h"
#include "report/report_content.h"
#include "test_support.h"
#include "util/gbk.h"
#include "util/text.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

// The report as lines of text, one per paragraph: a tab shows as '\t', a rule as "----",
// pictures as "[logo]" and "[chart]", a table as one line per row with its cells between " | ".
std::vector<std::string> transcript(const ReportOps& ops) {
    std::vector<std::string> lines;
    // A paragraph starts a line, reusing the empty line a rule leaves behind.
    auto newLine = [&] {
        if (lines.empty() || !lines.back().empty()) lines.emplace_back();
    };
    auto current = [&]() -> std::string& {
        if (lines.empty()) newLine();
        return lines.back();
    };
    for (const DocOp& op : ops) {
        switch (op.kind) {
            case DocOpKind::Clear:
                lines.clear();
                break;
            case DocOpKind::Format:
                break;
            case DocOpKind::AddText:
                current() += op.text;
                break;
            case DocOpKind::AddTab:
                if (op.paraStyle >= 0) newLine();
                current() += '\t';
                break;
            case DocOpKind::AddTextNL:
            case DocOpKind::AddNL:
                if (op.paraStyle >= 0) newLine();
                current() += op.text;
                break;
            case DocOpKind::AddBreak:
                newLine();
                lines.back() = "----";
                lines.emplace_back();
                break;
            case DocOpKind::AddPictureEx:
                if (op.paraStyle >= 0) newLine();
                current() += op.picture == ReportPicture::Logo ? "[logo]" : "[chart]";
                break;
            case DocOpKind::AddTable:
                for (const std::vector<std::string>& row : op.table.rows) {
                    newLine();
                    for (std::size_t c = 0; c < row.size(); ++c)
                        current() += (c ? " | " : "") + row[c];
                }
                break;
        }
    }
    // A rule ends its line; drop the empty paragraph after the last one.
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

std::string tabs(int n) {
    return std::string(static_cast<std::size_t>(n), '\t');
}

ReportFlags allOff() {
    ReportFlags f;
    f.para = f.trace = f.mark = f.event = f.fiber = f.eventP = false;
    return f;
}

class ReportContent : public ::testing::Test {
  protected:
    ReportContent() : ws(Settings{}, &prompter, &clock) {}

    WorkspaceState& st() { return ws.state(); }

    // A trace shown in the window: parameter boxes, file name, marker labels, fibre fields.
    void showTrace() {
        Controls& c = ws.controls();
        c.setText("E_Wave", "1550 nm");
        c.setText("E_Range", "64 km");
        c.setText("E_Pulse", "1280 ns");
        c.setText("E_Att", "10dB");
        c.setText("E_AvgCount", "16");
        c.setText("E_IOR", "1.46820");
        c.setText("E_Helix", "1.00000");
        c.setText("LB_OtdrTitle", "/data/line 7.sor");
        c.setText("LB_Dis", "  1.2345 km");
        c.setText("LB_Loss", " 0.247 dB");
        c.setText("LB_ATTEN", " 0.200 dB/km");
        c.setText("LB_Ref", "");
        c.setText("LB_Splice", "");
        FibreDialogFields& d = st().fibreDialog;
        d.editrq = "2006/03/17  14:05:09";
        d.editet = "0.05";
        d.editbs = utf8ToGbk("光缆一");
        d.editxbs = "F12";
        d.editdm = "GYTA-24";
        d.editbz = "BC";
        d.editstart = utf8ToGbk("甲站");
        d.editend = "Station B";
        d.memopy = "after repair";
        d.editczz = "Wang";
    }

    // Three events: reflective, non-reflective, and a reflective fibre end.
    void setEvents() {
        EventTable& t = st().slots[0].events;
        t.append(static_cast<std::uint16_t>(1200 | kReflectiveFlag));
        t.append(3000);
        t.append(static_cast<std::uint16_t>(9000 | kReflectiveFlag));
        const char* rows[3][5] = {
            {"  2.4500", " 0.210", "   0.512", "  45.250", "   0.940"},
            {"  6.1250", ">0.500", "  -0.120", "--------", "   1.200"},
            {" 18.3750", "<0.050", "--------", "  14.500", "   4.100"},
        };
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 5; ++c)
                st().eventText[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] =
                    rows[r][c];
    }

    std::vector<std::string> lines(const ReportFlags& flags, int dpi = 96) {
        return transcript(buildReportOperations(st(), flags, dpi));
    }

    RecordingPrompter prompter;
    test::FixedClock clock;
    Workspace ws;
};

TEST_F(ReportContent, EverySectionOffLeavesLogoTitleAndTwoRules) {
    const ReportOps ops = buildReportOperations(st(), allOff(), 96);
    ASSERT_EQ(ops.size(), 6u);
    EXPECT_EQ(ops[0].kind, DocOpKind::Clear);
    EXPECT_EQ(ops[1].kind, DocOpKind::AddPictureEx);
    EXPECT_EQ(ops[1].picture, ReportPicture::Logo);
    EXPECT_EQ(ops[1].paraStyle, kParaLeft);
    EXPECT_EQ(ops[1].vAlign, 1);
    EXPECT_EQ(ops[2].kind, DocOpKind::AddTextNL);
    EXPECT_EQ(ops[2].text, "  VR3728 OTDR 测 试 报 告");
    EXPECT_EQ(ops[2].textStyle, kTextHeading);
    EXPECT_EQ(ops[2].paraStyle, kParaContinue);
    EXPECT_EQ(ops[2].otherParaStyle, kParaLeft);
    EXPECT_EQ(ops[3].kind, DocOpKind::AddBreak);
    EXPECT_EQ(ops[4].kind, DocOpKind::AddBreak);
    EXPECT_EQ(ops[5].kind, DocOpKind::Format);

    // At 120 pixels per inch five tabs put the title beside the logo.
    EXPECT_EQ(
        lines(allOff(), 120),
        (std::vector<std::string>{"[logo]\t\t\t\t\t  VR3728 OTDR 测 试 报 告", "----", "----"}));
    EXPECT_EQ(lines(allOff(), 96),
              (std::vector<std::string>{"[logo]  VR3728 OTDR 测 试 报 告", "----", "----"}));
}

TEST_F(ReportContent, FullReportAtOrdinaryDensity) {
    showTrace();
    setEvents();
    const std::vector<std::string> expected{
        "[logo]  VR3728 OTDR 测 试 报 告",
        "----",
        "\t波长：1550 nm" + tabs(5) + "量程：64 km",
        "\t脉宽：1280 ns   " + tabs(5) + "衰减：10dB",
        "\t平均次数：16   " + tabs(5) + "折射率：1.46820",
        "\t光缆修正：1.00000" + tabs(5) + "测试日期：2006/03/17  14:05:09",
        "\t文件名：/data/line 7.sor",
        "----",
        "[chart]",
        "----",
        "\tA-B间距离：  1.2345 km" + tabs(4) + "A-B间损耗： 0.247 dB",
        "\tA-B间平均损耗： 0.200 dB/km" + tabs(3) + "反射损耗：",
        "\t连接损耗：" + tabs(6) + "事件门限：0.05",
        "----",
        " ",
        "----",
        " ",
        "事  件  表",
        "序号 | 事件类型 | 距离(km) | 平均损耗(dB/km) | 连接损耗(dB) | 反射损耗(dB) | 链路损耗(dB)",
        "1 | 反射事件 | 2.4500 | 0.210 | 0.512 | 45.250 | 0.940",
        "2 | 非反射事件 | 6.1250 | >0.500 | -0.120 | -------- | 1.200",
        "3 | 光纤末端 | 18.3750 | <0.050 | -------- | 14.500 | 4.100",
        "----",
        " ",
        "----",
        "\t光缆标识：光缆一" + tabs(5) + "光纤标识：F12",
        "\t光缆代码：GYTA-24" + tabs(5) + "数据标志：BC",
        "\t起点位置：甲站" + tabs(5) + "终点位置：Station B",
        "\t测试评语：after repair",
        "\t操作者：Wang",
        "----",
    };
    EXPECT_EQ(lines(ReportFlags{}), expected);
}

TEST_F(ReportContent, EventTableIsOneTableWithNumbersRightAndTextsLeft) {
    showTrace();
    setEvents();
    for (int dpi : {96, 120}) {
        const ReportOps ops = buildReportOperations(st(), ReportFlags{}, dpi);
        const auto tables = std::count_if(
            ops.begin(), ops.end(), [](const DocOp& o) { return o.kind == DocOpKind::AddTable; });
        ASSERT_EQ(tables, 1) << dpi;
        const auto table = std::find_if(
            ops.begin(), ops.end(), [](const DocOp& o) { return o.kind == DocOpKind::AddTable; });
        const std::vector<ColumnAlign> columns{
            ColumnAlign::Number, ColumnAlign::Text,   ColumnAlign::Number, ColumnAlign::Number,
            ColumnAlign::Number, ColumnAlign::Number, ColumnAlign::Number};
        EXPECT_EQ(table->table.columns, columns);
        EXPECT_EQ(table->table.headerRows, 1);  // repeated on every page it continues on
        ASSERT_EQ(table->table.rows.size(), 4u);
        for (const auto& row : table->table.rows) EXPECT_EQ(row.size(), 7u);
        // The title above it, a rule below it.
        EXPECT_EQ((table - 1)->text, "事  件  表");
        EXPECT_EQ((table + 1)->kind, DocOpKind::AddBreak);
    }
}

TEST_F(ReportContent, WideScreenTabCounts) {
    showTrace();
    setEvents();
    const std::vector<std::string> l = lines(ReportFlags{}, 120);
    auto has = [&](const std::string& line) {
        return std::find(l.begin(), l.end(), line) != l.end();
    };
    EXPECT_TRUE(has("\t波长：1550 nm" + tabs(8) + "量程：64 km"));
    EXPECT_TRUE(has("\t脉宽：1280 ns   " + tabs(8) + "衰减：10dB"));
    EXPECT_TRUE(has("\t平均次数：16   " + tabs(8) + "折射率：1.46820"));
    EXPECT_TRUE(has("\t光缆修正：1.00000" + tabs(7) + "测试日期：2006/03/17  14:05:09"));
    EXPECT_TRUE(has("\tA-B间距离：  1.2345 km" + tabs(7) + "A-B间损耗： 0.247 dB"));
    EXPECT_TRUE(has("\tA-B间平均损耗： 0.200 dB/km" + tabs(6) + "反射损耗："));
    EXPECT_TRUE(has("\t连接损耗：" + tabs(10) + "事件门限：0.05"));
    // The event table has fixed columns at any density.
    EXPECT_TRUE(has("1 | 反射事件 | 2.4500 | 0.210 | 0.512 | 45.250 | 0.940"));
    EXPECT_TRUE(has("\t光缆标识：光缆一" + tabs(8) + "光纤标识：F12"));
    EXPECT_TRUE(has("\t起点位置：甲站" + tabs(8) + "终点位置：Station B"));
    // Any density other than exactly 120 takes the second count.
    EXPECT_EQ(lines(ReportFlags{}, 119), lines(ReportFlags{}, 96));
}

TEST_F(ReportContent, WithoutEventsTheTableAndThresholdAreLeftOut) {
    showTrace();
    const std::vector<std::string> l = lines(ReportFlags{});
    for (const std::string& line : l) {
        EXPECT_EQ(line.find("事件门限"), std::string::npos) << line;
        EXPECT_EQ(line.find("事  件  表"), std::string::npos) << line;
    }
    EXPECT_NE(std::find(l.begin(), l.end(), "\t连接损耗："), l.end());

    // Events exist, but the event section is not chosen: no table and no threshold either.
    setEvents();
    ReportFlags noEvent;
    noEvent.event = false;
    const std::vector<std::string> without = lines(noEvent);
    EXPECT_EQ(without, l);
}

TEST_F(ReportContent, EventsOfTheActiveTraceOnly) {
    showTrace();
    setEvents();
    // The second slot, without events, is the active one.
    st().activeTrace = 1;
    for (const std::string& line : lines(ReportFlags{}))
        EXPECT_EQ(line.find("事  件  表"), std::string::npos) << line;
}

TEST_F(ReportContent, EventTypeOfTheLastEventIsAlwaysTheFibreEnd) {
    showTrace();
    EventTable& t = st().slots[0].events;
    t.append(500);  // the only event, non-reflective: still the fibre end
    st().eventText[0][0] = " 1.0000";
    ReportFlags onlyEvents = allOff();
    onlyEvents.event = true;
    const std::vector<std::string> l = lines(onlyEvents);
    ASSERT_GE(l.size(), 3u);
    EXPECT_TRUE(l[l.size() - 2].starts_with("1 | 光纤末端 | ")) << l[l.size() - 2];
    for (int i = 2; i <= 12; ++i) t.append(static_cast<std::uint16_t>(500 + i));
    const std::vector<std::string> twelve = lines(onlyEvents);
    EXPECT_TRUE(twelve[twelve.size() - 2].starts_with("12 | 光纤末端 | "));
    EXPECT_TRUE(twelve[twelve.size() - 3].starts_with("11 | 非反射事件 | "));
}

TEST_F(ReportContent, SectionsCanBeChosenOneByOne) {
    showTrace();
    setEvents();
    ReportFlags onlyTrace = allOff();
    onlyTrace.trace = true;
    EXPECT_EQ(lines(onlyTrace), (std::vector<std::string>{"[logo]  VR3728 OTDR 测 试 报 告", "----",
                                                          "[chart]", "----"}));
    const ReportOps ops = buildReportOperations(st(), onlyTrace, 96);
    const auto chart = std::find_if(
        ops.begin(), ops.end(), [](const DocOp& o) { return o.picture == ReportPicture::Chart; });
    ASSERT_NE(chart, ops.end());
    EXPECT_EQ(chart->paraStyle, kParaCentered);
    EXPECT_EQ(chart->vAlign, kPictureMiddle);

    ReportFlags onlyFibre = allOff();
    onlyFibre.fiber = true;
    const std::vector<std::string> fibre = lines(onlyFibre);
    ASSERT_EQ(fibre.size(), 11u);
    EXPECT_EQ(fibre[3], " ");
    EXPECT_EQ(fibre[5], "\t光缆标识：光缆一" + tabs(5) + "光纤标识：F12");

    // The event marks flag changes nothing in the operations.
    ReportFlags marks = ReportFlags{};
    marks.eventP = false;
    EXPECT_EQ(buildReportOperations(st(), marks, 96), buildReportOperations(st(), {}, 96));
}

TEST_F(ReportContent, BeforeAnyTraceTheLabelsHaveEmptyValues) {
    // The parameter boxes and labels as the window starts.
    const std::vector<std::string> l = lines(ReportFlags{});
    EXPECT_EQ(l[2], "\t波长：" + tabs(5) + "量程：");
    EXPECT_EQ(l[3], "\t脉宽：          " + tabs(5) + "衰减：");
    EXPECT_EQ(l[4], "\t平均次数：     " + tabs(5) + "折射率：");
    EXPECT_EQ(l[6], "\t文件名：");
    EXPECT_EQ(l[8], "[chart]");
    EXPECT_EQ(l[10], "\tA-B间距离：" + tabs(4) + "A-B间损耗：");
}

TEST_F(ReportContent, PaddingCountsCharactersAndKeepsLongTexts) {
    EXPECT_EQ(padCharacters("ab", 4), "ab  ");
    EXPECT_EQ(padCharacters("光纤", 4), "光纤  ");
    EXPECT_EQ(padCharacters("12345678901", 10), "12345678901");
    EXPECT_EQ(padCharacters("", 3), "   ");
}

// The event table of an analysed trace: one row per event, in table order, the last one the
// fibre end, and the threshold the fibre dialog shows.
using AnalysedReport = test::AnalysedWorkspace;
TEST_F(AnalysedReport, OneRowPerMeasuredEvent) {
    loadAndAnalyse();
    const int n = events().count();
    ASSERT_GE(n, 3);
    const std::vector<std::string> l = transcript(buildReportOperations(st(), ReportFlags{}, 96));
    std::vector<std::string> rows;
    for (const std::string& line : l)
        if (!line.empty() && line[0] >= '1' && line[0] <= '9') rows.push_back(line);
    ASSERT_EQ(static_cast<int>(rows.size()), n);
    for (int r = 1; r <= n; ++r) {
        std::string expected = std::to_string(r) + " | " + std::string(eventTypeName(events(), r));
        for (int c = 0; c < 5; ++c)
            expected +=
                " | " +
                trimmed(
                    st().eventText[static_cast<std::size_t>(c)][static_cast<std::size_t>(r - 1)]);
        EXPECT_EQ(rows[static_cast<std::size_t>(r - 1)], expected);
    }
    const auto threshold =
        std::find(l.begin(), l.end(), "\t连接损耗：" + tabs(6) + "事件门限：0.05");
    EXPECT_NE(threshold, l.end());
}

TEST(ReportEventMarks, LeftOutOfThePictureAndBackAfterwards) {
    ChartScene scene;
    ChartSeries& marks = scene.series(SeriesId::Event);
    marks.add(10, 20, colours::kGreen);
    marks.add(30, 40, colours::kGreen);
    {
        const EventMarksLeftOut guard(scene, true);
        EXPECT_TRUE(scene.series(SeriesId::Event).points.empty());
    }
    ASSERT_EQ(marks.points.size(), 2u);
    EXPECT_EQ(marks.points[1].x, 30);
    {
        const EventMarksLeftOut guard(scene, false);
        EXPECT_EQ(scene.series(SeriesId::Event).points.size(), 2u);
    }
    EXPECT_EQ(marks.points.size(), 2u);
}

TEST(ReportPreviewRules, ZoomStepsBetweenFiftyAndHundred) {
    int z = kPreviewZoomStart;
    EXPECT_EQ(z, 50);
    z = previewZoomIn(z);
    EXPECT_EQ(z, 60);
    for (int i = 0; i < 4; ++i) z = previewZoomIn(z);
    EXPECT_EQ(z, 100);
    EXPECT_EQ(previewZoomIn(z), 100);
    EXPECT_EQ(previewZoomIn(250), 100);
    for (int i = 0; i < 7; ++i) z = previewZoomOut(z);
    EXPECT_EQ(z, 50);
    EXPECT_EQ(previewZoomOut(-20), 50);
}

TEST(ReportPreviewRules, PageScrollBarReachesEveryPage) {
    const PageScrollRange one = pageScrollRange(1);
    EXPECT_EQ(one.minimum, 1);
    EXPECT_EQ(one.maximum, 1);
    EXPECT_FALSE(one.enabled);
    const PageScrollRange five = pageScrollRange(5);
    EXPECT_EQ(five.minimum, 1);
    EXPECT_EQ(five.maximum, 5);
    EXPECT_TRUE(five.enabled);
    EXPECT_EQ(pageScrollRange(0).maximum, 1);
}

TEST(ReportPreviewRules, StatusAndHeaderTexts) {
    EXPECT_EQ(formattingStatusText(ProgressStep::Starting, 0), "Repaginating...");
    EXPECT_EQ(formattingStatusText(ProgressStep::PageCompleted, 3), "Repaginating (3)");
    EXPECT_EQ(formattingStatusText(ProgressStep::Finished, 3), "");
    EXPECT_EQ(printingStatusText(ProgressStep::Starting, 0), "Starting...");
    EXPECT_EQ(printingStatusText(ProgressStep::PageCompleted, 2), "Printing (2)");
    EXPECT_EQ(printingStatusText(ProgressStep::Finished, 2), "");
    EXPECT_EQ(pageStatusText(2, 5), "Page 2 of 5");
    EXPECT_EQ(pageHeaderText(1, 1), "-- Page 1 of 1 --");
}

}  // namespace
}  // namespace otdr
