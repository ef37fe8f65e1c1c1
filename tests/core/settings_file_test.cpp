// The settings file as plain INI text: values verbatim, writing only what changed, the file's
// code page kept, the report sections in their order.

#include <gtest/gtest.h>

#include "util/gbk.h"
#include "workspace/settings_file.h"

namespace otdr {
namespace {

TEST(SettingsFile, ValuesAreReadVerbatimToTheEndOfTheLine) {
    const std::string file =
        "; provisioned by the administrator\r\n"
        "[form1]\r\n"
        "Memopy=good, fine\r\n"
        "Editdm=x;y\r\n"
        " editczz =  two blanks\r\n"
        "Editet=0.5\r\n"
        "Editet=0.9\r\n"
        "Editbz=\r\n"
        "[ CB_Fiber ]\r\n"
        "Checked=0\r\n"
        "[CB_Mark]\r\n"
        "checked=false";
    const Settings s = readSettingsText(file);
    EXPECT_EQ(s.comment, "good, fine");
    EXPECT_EQ(s.cableCode, "x;y");
    EXPECT_EQ(s.operatorName, "  two blanks");
    EXPECT_EQ(s.threshold, "0.5");  // the first of two
    EXPECT_EQ(s.dataFlag, "");      // present, so not the default
    EXPECT_EQ(s.refractiveIndex, "1.47200");
    EXPECT_FALSE(s.report.fiber);
    EXPECT_FALSE(s.report.mark);
    EXPECT_TRUE(s.report.para);
}

TEST(SettingsFile, WritingChangesOnlyWhatDiffersAndKeepsEverythingElse) {
    const std::string file =
        "# comment\r\n[Form1]\r\nMemopy=good, fine\r\nEditdm=x;y\r\nOther=kept\r\n\r\n"
        "[Tools]\r\nPath=C:\\a=b";
    Settings s = readSettingsText(file);
    s.cableCode = "new";
    // The changed value in its line, the missing keys after the section's last line with the
    // file's line ends; everything else as it was, down to the missing last line end.
    const std::string out = writeForm1Text(file, s);
    EXPECT_EQ(out,
              "# comment\r\n[Form1]\r\nMemopy=good, fine\r\nEditdm=new\r\nOther=kept\r\n"
              "Editbs=\r\nEditxbs=\r\nEditstart= \r\nEditend= \r\nEditbz=  \r\nEditczz= \r\n"
              "Editet=0.05\r\nEdit_IOR=1.47200\r\n\r\n[Tools]\r\nPath=C:\\a=b");
    // Written again with what it now holds, nothing changes.
    EXPECT_EQ(writeForm1Text(out, readSettingsText(out)), out);
    EXPECT_EQ(writeReportFlagsText(out, ReportFlags{}).rfind(out, 0), 0u);
}

TEST(SettingsFile, AFileThatIsNotUtf8IsGbkAndStaysGbk) {
    const std::string fibre = utf8ToGbk("光纤一号");
    const std::string file = "[Form1]\nEditbs=" + fibre + "\nMemopy=" + utf8ToGbk("测试") + "\n";
    EXPECT_EQ(IniText(file).encoding(), TextEncoding::Gbk);
    Settings s = readSettingsText(file);
    EXPECT_EQ(s.fiberId, fibre);
    s.comment = utf8ToGbk("合格");
    const std::string out = writeForm1Text(file, s);
    EXPECT_NE(out.find("Editbs=" + fibre + "\n"), std::string::npos);
    EXPECT_NE(out.find("Memopy=" + utf8ToGbk("合格") + "\n"), std::string::npos);
    EXPECT_EQ(out.find('?'), std::string::npos);

    // A UTF-8 file keeps a character the program's code page lacks while it is not changed.
    const std::string utf8 = "[Form1]\nEditczz=Zoë 😀\n";
    EXPECT_EQ(IniText(utf8).encoding(), TextEncoding::Utf8);
    const Settings u = readSettingsText(utf8);
    EXPECT_EQ(writeForm1Text(utf8, u).substr(0, utf8.size()), utf8);
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(isValidUtf8("\xE5\x85"));      // cut short
}

TEST(SettingsFile, ReportSectionsAreWrittenInTheirOrder) {
    ReportFlags flags;
    flags.fiber = false;
    EXPECT_EQ(writeReportFlagsText("", flags),
              "[CB_Event]\nChecked=1\n\n[CB_Fiber]\nChecked=0\n\n[CB_Mark]\nChecked=1\n\n"
              "[CB_Para]\nChecked=1\n\n[CB_Trace]\nChecked=1\n\n[CB_EventP]\nChecked=1\n");
    // A value that already says the same stays as written.
    const std::string file = "[CB_Trace]\nChecked=true\n";
    EXPECT_EQ(writeReportFlagsText(file, flags).rfind(file, 0), 0u);
}

}  // namespace
}  // namespace otdr
