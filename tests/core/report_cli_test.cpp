// otdr report: the test report of an analysed trace as a PDF file, checked through the text
// and the pictures the PDF holds.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/event_texts.h"
#include "synthetic_trace.h"
#include "test_support.h"
#include "trace_files_support.h"
#include "util/text.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

// Standard output of a shell command.
std::string output(const std::string& cmd) {
    std::string out;
    FILE* p = ::popen((cmd + " 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

bool haveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string withoutWhiteSpace(const std::string& s) {
    std::string out;
    for (char c : s)
        if (!isBlank(c)) out.push_back(c);
    return out;
}

class ReportCli : public ::testing::Test {
  protected:
    ReportCli() {
        test::SyntheticTrace spec;
        spec.spacing = computeSampleSpacing(7, 1.0f, 1.4682f);
        spec.events = {{3000, 0.3, 0, 0, 0},
                       {6000, 0.5, 12000, 40, 0},
                       {9000, 0.2, 0, 0, 0},
                       {14000, 0.4, 10000, 40, 0}};
        test::writeBytes(trace, test::makeSor(test::makeTrace(spec)));
        writeSettings(settings, "");
    }

    // A settings file of the window with the given report sections turned off.
    static void writeSettings(const std::string& path, const std::string& offSections) {
        std::ofstream f(path);
        for (const char* s :
             {"CB_Event", "CB_Fiber", "CB_Mark", "CB_Para", "CB_Trace", "CB_EventP"})
            f << '[' << s << "]\nChecked=" << (contains(offSections, s) ? 0 : 1) << "\n\n";
    }

    // Why the PDF cannot be checked here; empty when it can.
    static std::string pdfCheckUnavailable() {
        if (!OTDR_CLI_HAS_REPORT) return "built without the window library";
        if (!haveTool("pdftotext") || !haveTool("pdfimages")) return "no PDF tools";
        return {};
    }

    std::string pdfText(const std::string& pdf) {
        return output("pdftotext -layout " + pdf + " -");
    }

    test::TempDir dir;
    std::string trace = dir.file("line 1.sor");
    std::string settings = dir.file("otdrview.INI");
    std::string pdf = dir.file("report.pdf");
    std::string quotedTrace = "'" + trace + "'";
};

TEST_F(ReportCli, AnalysedTraceGivesTheWholeReport) {
    if (const std::string why = pdfCheckUnavailable(); !why.empty()) GTEST_SKIP() << why;
    const test::CliResult r =
        test::runCli("report " + quotedTrace + " -o " + pdf + " --analyse --settings " + settings);
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("report.pdf: "), std::string::npos) << r.out;
    const std::string text = withoutWhiteSpace(pdfText(pdf));
    for (const char* part : {"VR3728OTDR测试报告",
                             "波长：1550nm",
                             "量程：64km",
                             "脉宽：1280ns",
                             "光缆修正：1.00000",
                             "测试日期：",
                             "A-B间距离：",
                             "A-B间损耗：",
                             "A-B间平均损耗：",
                             "反射损耗：",
                             "连接损耗：",
                             "事件门限：0.05",
                             "事件表",
                             "序号事件类型距离(km)平均损耗(dB/km)连接损耗(dB)反射损耗(dB)链路损耗",
                             "光缆标识：CABLE-7",
                             "光纤标识：F12",
                             "起点位置：StationA",
                             "测试评语：afterrepair",
                             "操作者：Wang",
                             "--Page1of"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    EXPECT_NE(text.find(withoutWhiteSpace("文件名：" + trace)), std::string::npos);

    // Every event row, as the window's analysis of the same file gives it.
    RecordingPrompter prompter;
    Workspace ws(Settings{}, &prompter);
    ASSERT_TRUE(ws.openTrace(trace));
    for (const char* box : {"E_AvgCount", "E_IOR"})
        EXPECT_NE(text.find(ws.controls().text(box)), std::string::npos) << box;
    ws.analyse();
    const EventTable& t = ws.state().active().events;
    ASSERT_GE(t.count(), 4);
    for (int r1 = 1; r1 <= t.count(); ++r1) {
        std::string row = std::to_string(r1) + std::string(eventTypeName(t, r1));
        for (int c = 0; c < 5; ++c)
            row +=
                ws.state().eventText[static_cast<std::size_t>(c)][static_cast<std::size_t>(r1 - 1)];
        EXPECT_NE(text.find(withoutWhiteSpace(row)), std::string::npos) << row;
    }
    // The logo and the chart picture, whose blank right part is cut at the print area's edge
    // on a 96-pixel-per-inch report; at 120 pixels per inch the whole picture fits.
    std::string images = output("pdfimages -list " + pdf);
    EXPECT_NE(images.find(" 120    48 "), std::string::npos) << images;
    EXPECT_NE(images.find(" 630   401 "), std::string::npos) << images;
    const std::string wide = dir.file("report 120.pdf");
    ASSERT_EQ(test::runCli("report " + quotedTrace + " -o '" + wide + "' --analyse --dpi 120 " +
                           "--settings " + settings)
                  .status,
              0);
    images = output("pdfimages -list '" + wide + "'");
    EXPECT_NE(images.find(" 798   401 "), std::string::npos) << images;
    EXPECT_NE(images.find("   120   120 "), std::string::npos) << images;
    // Pages render.
    if (haveTool("pdftoppm")) {
        ASSERT_EQ(
            std::system(("pdftoppm -r 30 -png -f 1 -l 1 " + pdf + " " + dir.file("page")).c_str()),
            0);
        EXPECT_TRUE(std::filesystem::exists(dir.file("page-1.png")) ||
                    std::filesystem::exists(dir.file("page-01.png")));
    }
}

TEST_F(ReportCli, SectionsFromTheSettingsFileOrTheCommandLine) {
    if (const std::string why = pdfCheckUnavailable(); !why.empty()) GTEST_SKIP() << why;
    // The settings file leaves out the event table and the fibre texts.
    const std::string partial = dir.file("partial.INI");
    writeSettings(partial, "CB_Event CB_Fiber");
    ASSERT_EQ(
        test::runCli("report " + quotedTrace + " -o " + pdf + " --analyse --settings " + partial)
            .status,
        0);
    std::string text = withoutWhiteSpace(pdfText(pdf));
    EXPECT_EQ(text.find("事件表"), std::string::npos);
    EXPECT_EQ(text.find("事件门限"), std::string::npos);
    EXPECT_EQ(text.find("光缆标识"), std::string::npos);
    EXPECT_NE(text.find("A-B间距离"), std::string::npos);

    // --sections overrides the file: only the test conditions.
    ASSERT_EQ(test::runCli("report " + quotedTrace + " -o " + pdf +
                           " --analyse --sections para --settings " + settings)
                  .status,
              0);
    text = withoutWhiteSpace(pdfText(pdf));
    EXPECT_NE(text.find("波长：1550nm"), std::string::npos);
    EXPECT_EQ(text.find("A-B间距离"), std::string::npos);
    EXPECT_EQ(text.find("事件表"), std::string::npos);
    const std::string images = output("pdfimages -list " + pdf);
    EXPECT_EQ(images.find(" 798 "), std::string::npos) << images;

    // Without --analyse there are no events to list.
    ASSERT_EQ(
        test::runCli("report " + quotedTrace + " -o " + pdf + " --settings " + settings).status, 0);
    EXPECT_EQ(withoutWhiteSpace(pdfText(pdf)).find("事件表"), std::string::npos);
}

TEST_F(ReportCli, RefusalsAndBadUsage) {
    if (!OTDR_CLI_HAS_REPORT) {
        // Without the window library the subcommand exists but says it cannot run.
        EXPECT_EQ(test::runCli("report " + quotedTrace + " -o " + pdf).status, 2);
        EXPECT_FALSE(std::filesystem::exists(pdf));
        return;
    }
    EXPECT_EQ(test::runCli("report " + quotedTrace).status, 2);  // no output named
    EXPECT_EQ(
        test::runCli("report " + quotedTrace + " -o " + pdf + " --sections para,charts").status, 2);
    EXPECT_EQ(test::runCli("report " + quotedTrace + " -o " + pdf + " --dpi 100").status, 2);
    EXPECT_EQ(test::runCli("report " + quotedTrace + " -o " + pdf + " --settings " +
                           dir.file("missing.INI"))
                  .status,
              2);
    test::writeBytes(dir.file("bad.sor"), Bytes(10, 0));
    EXPECT_EQ(test::runCli("report " + dir.file("bad.sor") + " -o " + pdf).status, 1);
    EXPECT_FALSE(std::filesystem::exists(pdf));
    // A folder that does not exist: refused, and nothing is left behind.
    const std::string nowhere = dir.file("no/such/report.pdf");
    EXPECT_EQ(
        test::runCli("report " + quotedTrace + " -o " + nowhere + " --settings " + settings).status,
        1);
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_FALSE(std::filesystem::exists(nowhere + ".part"));
}

}  // namespace
}  // namespace otdr
