#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "test_support.h"
#include "trace/sor_format.h"
#include "trace_files_support.h"
#include "util/numeric.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

using test::makeSor;
using test::makeZt;
using test::rampSamples;
using test::ztHeader;

class WorkspaceFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    std::string write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir.file(name);
        test::writeBytes(path, bytes);
        return path;
    }
    const Controls& controls() const { return ws.state().controls; }
    const TraceSlot& slot(int i) const { return ws.state().slots[static_cast<std::size_t>(i)]; }

    test::TempDir dir;
    test::FixedClock clock;
    RecordingPrompter prompter;
    Workspace ws{Settings{}, &prompter, &clock};
};

TEST_F(WorkspaceFiles, OpeningASorFileFillsSlotPanelAndDialog) {
    const std::string path = write("a.sor", makeSor(rampSamples()));
    ASSERT_TRUE(ws.openTrace(path));
    EXPECT_TRUE(prompter.errors.empty());
    EXPECT_EQ(slot(0).loaded, 1);
    EXPECT_EQ(slot(0).samples, rampSamples());
    EXPECT_EQ(slot(0).record.fileName, path);
    EXPECT_EQ(slot(0).record.dateText, "2006.03.17  14:05:09");
    EXPECT_EQ(controls().text("E_Wave"), "1550 nm");
    EXPECT_EQ(controls().text("E_Range"), "64 km");
    EXPECT_EQ(controls().text("E_Pulse"), "1280 ns");
    EXPECT_EQ(controls().text("E_Att"), " ");
    EXPECT_EQ(controls().text("E_AvgCount"), "1024");
    EXPECT_EQ(controls().text("E_IOR"), "1.46820");
    EXPECT_EQ(controls().text("E_Helix"), "1.00000");
    EXPECT_TRUE(controls().get("Label13").visible);
    EXPECT_EQ(controls().text("LB_OtdrTitle"), path);
    EXPECT_EQ(ws.state().measureMode, 0);
    EXPECT_FLOAT_EQ(ws.state().params.attenuationDb, 0.0f);
    EXPECT_NEAR(ws.state().params.sampleSpacing, 2.04196, 1e-5);
    // Commands that need a trace are enabled, the event commands are not.
    for (const char* name : {"MTrace", "MOtdr", "MCable", "MF_CopyTo", "MF_SaveAs", "MF_Print",
                             "NB_CopyCond", "NB_CopyTrace", "B_Analyse", "TB_SaveAs", "TB_Print",
                             "TB_Analyse", "TB_SetCable", "TB_TestLoss", "TB_MoveLeft"})
        EXPECT_TRUE(controls().get(name).enabled) << name;
    for (const char* name : {"MOT_Event", "B_AddEvent", "TB_DelEvent", "NB_CopyEvent"})
        EXPECT_FALSE(controls().get(name).enabled) << name;
    // The copy window and the fibre dialog follow the file.
    EXPECT_EQ(ws.state().copy.para,
              "波长：1550 nm\n量程：64 km\n脉宽：1280 ns\n衰减： \n平均次数：1024\n"
              "折射率：1.46820\n光缆修正系数：1.00000");
    const FibreDialogFields& d = ws.state().fibreDialog;
    EXPECT_EQ(d.editIor, "1.46820");
    EXPECT_EQ(d.editet, "0.05");
    EXPECT_EQ(d.editbs, "CABLE-7");
    EXPECT_EQ(d.editxbs, "F12");
    EXPECT_EQ(d.memopy, "after repair");
    EXPECT_EQ(d.editrq, "2006.03.17  14:05:09");
    // The slot's header is rebuilt from the parameters.
    EXPECT_EQ(slot(0).record.header.effectiveRangeIndex(), 7);
    EXPECT_EQ(slot(0).record.header.wavelengthCode(), 1);
}

TEST_F(WorkspaceFiles, OpeningAZtFileTakesTheHeader) {
    ws.state().measureMode = 2;
    ws.state().markers.active = 3;
    const std::string path = write("b.zt", makeZt(rampSamples(), ztHeader(5, 1)));
    ASSERT_TRUE(ws.openTrace(path));
    EXPECT_EQ(controls().text("E_Wave"), "1550 nm");
    EXPECT_EQ(controls().text("E_Range"), "16 km");
    EXPECT_EQ(controls().text("E_Att"), "10dB");
    EXPECT_EQ(controls().text("E_Pulse"), "320 ns");
    EXPECT_EQ(controls().text("E_IOR"), "1.46750");  // 1.4675f stored rounded
    EXPECT_EQ(controls().text("E_Helix"), "0.98000");
    EXPECT_EQ(controls().text("E_AvgCount"), "64");
    EXPECT_EQ(slot(0).record.dateText.substr(0, 12), "2006/03/17  ");
    // Opening a ZT file returns to the average-loss display with marker A active.
    EXPECT_EQ(ws.state().measureMode, 0);
    EXPECT_EQ(ws.state().markers.active, 1);
    EXPECT_TRUE(controls().get("MOT_TI_Loss").checked);
    EXPECT_FALSE(controls().get("LB_Ref").visible);
    // A 33000-byte file brings its own texts.
    EXPECT_EQ(slot(0).record.genParams.cableId, "CABLE-7" + std::string(18, ' '));
}

TEST_F(WorkspaceFiles, ZtHeaderValuesOutOfRangeAreReplaced) {
    ZtHeader h = ztHeader(5, 2);
    h.setGroupIndex1625(0);
    h.setAverageCount(0);
    h.setHelixFactor(70000);
    h.setLossScale(0, 0);
    h.setLossScale(1, 200);
    h.setLossScale(2, 95);
    ASSERT_TRUE(ws.openTrace(write("c.zt", makeZt(rampSamples(), h))));
    EXPECT_EQ(controls().text("E_IOR"), "1.47200");
    EXPECT_EQ(controls().text("E_AvgCount"), "10");
    EXPECT_EQ(controls().text("E_Helix"), "1.00000");
    EXPECT_EQ(controls().text("E_Wave"), "1625 nm");
    EXPECT_FLOAT_EQ(ws.state().params.lossScale[0], 1.0f);
    EXPECT_FLOAT_EQ(ws.state().params.lossScale[1], 1.0f);
    EXPECT_FLOAT_EQ(ws.state().params.lossScale[2], 0.95f);
}

TEST_F(WorkspaceFiles, OldHeaderFilesAlwaysOpenTheSameWay) {
    Bytes old(32816, 0);
    putI16(old, 32768 + 2, 2);  // stored 2: range 5 in the old layout
    const std::string path = write("old.zt", old);
    ASSERT_TRUE(ws.openTrace(path));
    EXPECT_EQ(ws.state().params.rangeIndex, 5);
    // Even after a SOR file was opened into the same slot.
    ASSERT_TRUE(ws.openTrace(write("s.sor", makeSor(rampSamples(), test::sorParams(5)))));
    ASSERT_TRUE(ws.openTrace(path));
    EXPECT_EQ(ws.state().params.rangeIndex, 5);
}

TEST_F(WorkspaceFiles, OpeningEmptiesTheEventTableAndDisablesEditing) {
    ws.state().slots[0].events.append(100);
    ws.state().slots[0].analysisDone = 1;
    for (const char* name : {"B_AddEvent", "TB_EditEvent", "TB_DelEvent"})
        ws.state().controls.setEnabled(name, true);
    ws.state().grid.cells[3][2] = "old";
    ASSERT_TRUE(ws.openTrace(write("e.zt", makeZt(rampSamples()))));
    EXPECT_EQ(slot(0).events.count(), 0);
    EXPECT_EQ(slot(0).analysisDone, 0);
    for (const char* name : {"B_AddEvent", "TB_EditEvent", "TB_DelEvent"})
        EXPECT_FALSE(controls().get(name).enabled) << name;
    EXPECT_EQ(ws.grid().cell(2, 3), "");
    EXPECT_EQ(ws.grid().selectedRow, 1);
}

TEST_F(WorkspaceFiles, ExtensionsAreComparedWithoutCase) {
    EXPECT_TRUE(ws.openTrace(write("x.Zt", makeZt(rampSamples()))));
    EXPECT_TRUE(ws.openTrace(write("y.SoR", makeSor(rampSamples()))));
}

TEST_F(WorkspaceFiles, RefusedFilesLeaveTheSlotAsItWas) {
    ASSERT_TRUE(ws.openTrace(write("good.sor", makeSor(rampSamples()))));
    const TraceSlot before = slot(0);
    const std::string refusedName = write("bad.sor", Bytes(100, 7));
    EXPECT_FALSE(ws.openTrace(refusedName));
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_EQ(prompter.errors[0], "此文件不是VR3728 OTDR的数据文件！");
    EXPECT_EQ(slot(0).samples, before.samples);
    EXPECT_EQ(slot(0).record.header.bytes, before.record.header.bytes);
    EXPECT_EQ(slot(0).record.dateText, before.record.dateText);
    EXPECT_EQ(slot(0).record.fxdParams, before.record.fxdParams);
    // What the user sees of the failure: a blank name and the caption hidden.
    EXPECT_EQ(slot(0).record.fileName, " ");
    EXPECT_FALSE(controls().get("Label13").visible);
    EXPECT_EQ(controls().text("LB_OtdrTitle"), " ");

    // A ZT file of a length the instrument never writes.
    EXPECT_FALSE(ws.openTrace(write("bad.zt", Bytes(40000, 1))));
    EXPECT_EQ(slot(0).samples, before.samples);
    EXPECT_EQ(prompter.errors.back(), "此文件不是VR3728 OTDR的数据文件！");
}

TEST_F(WorkspaceFiles, UnreadableFilesAndOtherExtensionsChangeNothing) {
    EXPECT_FALSE(ws.openTrace(dir.file("missing.sor")));
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_NE(prompter.errors[0].find("missing.sor"), std::string::npos);
    EXPECT_EQ(slot(0).loaded, 0);
    EXPECT_FALSE(controls().get("TB_SaveAs").enabled);

    EXPECT_FALSE(ws.openTrace(write("trace.txt", makeSor(rampSamples()))));
    EXPECT_EQ(prompter.errors.back(), "此文件不是VR3728 OTDR的数据文件！");
    EXPECT_EQ(slot(0).loaded, 0);
    EXPECT_FALSE(controls().get("MTrace").enabled);
}

TEST_F(WorkspaceFiles, SecondTraceMustHaveTheSameRange) {
    ASSERT_TRUE(ws.openTrace(write("r5.zt", makeZt(rampSamples(), ztHeader(5)))));
    ws.state().activeTrace = 1;
    const SampleArray otherSamples = rampSamples(40000);
    EXPECT_FALSE(ws.openTrace(write("r6.zt", makeZt(otherSamples, ztHeader(6)))));
    EXPECT_EQ(prompter.errors.back(), "只有测试量程相同的轨迹曲线才能进行比较！");
    EXPECT_EQ(slot(1).loaded, 0);
    EXPECT_EQ(slot(1).samples, SampleArray{});
    EXPECT_FALSE(controls().get("Label14").visible);
    EXPECT_FALSE(ws.openTrace(write("r6.sor", makeSor(otherSamples, test::sorParams(6)))));
    EXPECT_EQ(slot(1).samples, SampleArray{});

    // Same range through the old header layout (stored 2 means 5).
    Bytes old = makeZt(otherSamples, ztHeader(5));
    putI16(old, 32768 + 2, 2);
    putU32(old, 32768 + 48, 0);
    EXPECT_TRUE(ws.openTrace(write("old5.zt", old)));
    EXPECT_EQ(slot(1).loaded, 1);
    EXPECT_TRUE(ws.openTrace(write("s5.sor", makeSor(otherSamples, test::sorParams(5)))));
}

TEST_F(WorkspaceFiles, SaveNamesGetTheirExtension) {
    EXPECT_EQ(Workspace::saveFileName("trace", SaveFormat::Zt), "trace.zt");
    EXPECT_EQ(Workspace::saveFileName("my.ztx", SaveFormat::Zt), "my.ztx");
    EXPECT_EQ(Workspace::saveFileName("A.ZT", SaveFormat::Zt), "A.ZT");
    EXPECT_EQ(Workspace::saveFileName("a.Zt", SaveFormat::Zt), "a.Zt.zt");
    EXPECT_EQ(Workspace::saveFileName("trace", SaveFormat::Sor), "trace.sor");
    EXPECT_EQ(Workspace::saveFileName("x.SOR", SaveFormat::Sor), "x.SOR");
    EXPECT_EQ(Workspace::saveFileName("x.zt", SaveFormat::Sor), "x.zt.sor");
}

TEST_F(WorkspaceFiles, SavingAsZtWritesTheSlotAndItsHeader) {
    ASSERT_TRUE(ws.openTrace(write("in.sor", makeSor(rampSamples()))));
    const Controls before = controls();
    ASSERT_EQ(ws.saveAs(dir.file("out"), SaveFormat::Zt), SaveOutcome::Saved);
    auto bytes = readWholeFile(dir.file("out.zt"));
    ASSERT_TRUE(bytes.ok());
    ASSERT_EQ(bytes.value().size(), 33000u);
    auto read = readZt(bytes.value());
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value()->header.effectiveRangeIndex(), 7);
    EXPECT_EQ(read.value()->header.pulseWidth(), 1280);
    EXPECT_EQ(read.value()->header.markerA(), ws.state().markers.sample[1]);
    EXPECT_EQ(slot(0).record.fileName, dir.file("in.sor"));
    EXPECT_EQ(controls().all(), before.all());
}

TEST_F(WorkspaceFiles, SavingAsSorTakesTheDialogTexts) {
    ASSERT_TRUE(ws.openTrace(write("in.zt", makeZt(rampSamples()))));
    ws.state().fibreDialog.editbs = "  NEW CABLE ";
    ASSERT_EQ(ws.saveAs(dir.file("out.sor"), SaveFormat::Sor), SaveOutcome::Saved);
    auto read = readSor(readWholeFile(dir.file("out.sor")).value());
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value()->texts.cableId, "NEW CABLE");
    EXPECT_EQ(read.value()->checksum, ChecksumStatus::Valid);
    EXPECT_EQ(read.value()->samples, slot(0).samples);
}

TEST_F(WorkspaceFiles, OverwriteQuestion) {
    ASSERT_TRUE(ws.openTrace(write("in.sor", makeSor(rampSamples()))));
    const std::string target = write("old.zt", Bytes{1, 2, 3});
    for (Answer a : {Answer::No, Answer::Cancel}) {
        prompter.answer = a;
        EXPECT_EQ(ws.saveAs(target, SaveFormat::Zt), SaveOutcome::Cancelled);
        EXPECT_EQ(readWholeFile(target).value(), (Bytes{1, 2, 3}));
    }
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(prompter.questions[0], "此文件已存在，覆盖吗？");
    prompter.answer = Answer::Yes;
    EXPECT_EQ(ws.saveAs(target, SaveFormat::Zt), SaveOutcome::Saved);
    EXPECT_EQ(readWholeFile(target).value().size(), 33000u);
    // A new name is written without asking.
    EXPECT_EQ(ws.saveAs(dir.file("fresh.zt"), SaveFormat::Zt), SaveOutcome::Saved);
    EXPECT_EQ(prompter.questions.size(), 3u);
}

TEST_F(WorkspaceFiles, SaveFailureIsReportedAndKeepsTheOldFile) {
    if (::geteuid() == 0) {
        // root writes anywhere: make the folder disappear instead.
        ASSERT_TRUE(ws.openTrace(write("in.sor", makeSor(rampSamples()))));
        EXPECT_EQ(ws.saveAs(dir.file("no/such/folder/x.zt"), SaveFormat::Zt), SaveOutcome::Failed);
    } else {
        ASSERT_TRUE(ws.openTrace(write("in.sor", makeSor(rampSamples()))));
        const std::string target = write("keep.zt", Bytes{9, 9});
        ::chmod(dir.path().c_str(), 0555);
        EXPECT_EQ(ws.saveAs(target, SaveFormat::Zt), SaveOutcome::Failed);
        ::chmod(dir.path().c_str(), 0755);
        EXPECT_EQ(readWholeFile(target).value(), (Bytes{9, 9}));
    }
    ASSERT_FALSE(prompter.errors.empty());
    EXPECT_NE(prompter.errors.back().find("x.zt"), std::string::npos);
}

TEST_F(WorkspaceFiles, AFailedSaveChangesNothingInTheSlot) {
    ASSERT_TRUE(ws.openTrace(write("in.sor", makeSor(rampSamples()))));
    // What a save would change: the texts are trimmed, the dialog texts copied in, the
    // header rebuilt from the parameters.
    ws.state().slots[0].record.genParams.cableId = "  padded  ";
    ws.state().fibreDialog.editbs = "FROM DIALOG";
    ws.state().params.pulseWidthNs = 640;
    const TraceRecord before = slot(0).record;
    for (SaveFormat format : {SaveFormat::Zt, SaveFormat::Sor}) {
        EXPECT_EQ(ws.saveAs(dir.file("no/such/folder/x"), format), SaveOutcome::Failed);
        EXPECT_TRUE(slot(0).record == before) << static_cast<int>(format);
    }
    EXPECT_EQ(prompter.errors.size(), 2u);
    // A save that succeeds takes the new images into the slot.
    ASSERT_EQ(ws.saveAs(dir.file("ok.zt"), SaveFormat::Zt), SaveOutcome::Saved);
    EXPECT_EQ(slot(0).record.genParams.cableId, "padded");
    EXPECT_EQ(slot(0).record.header.pulseWidth(), 640);
    ASSERT_EQ(ws.saveAs(dir.file("ok.sor"), SaveFormat::Sor), SaveOutcome::Saved);
    EXPECT_EQ(slot(0).record.genParams.cableId, "FROM DIALOG");
}

TEST_F(WorkspaceFiles, DecimalParametersSurviveAnyNumberOfSaves) {
    for (std::int32_t index : {146810, 146820, 146830, 146880, 146890}) {
        const std::string shown = formatNumber("%7.5f", index / 100000.0);
        ZtHeader h = ztHeader(5, 1);
        h.setGroupIndex1550(index);
        h.setHelixFactor(98000);
        h.setLossScale(1, 95);
        std::string path = write("start.zt", makeZt(rampSamples(), h));
        // ZT to ZT carries the index, the helix factor and the loss scales.
        for (int round = 0; round < 3; ++round) {
            ASSERT_TRUE(ws.openTrace(path));
            EXPECT_EQ(controls().text("E_IOR"), shown) << round;
            EXPECT_EQ(controls().text("E_Helix"), "0.98000") << round;
            path = dir.file("zt" + std::to_string(round) + ".zt");
            ASSERT_EQ(ws.saveAs(path, SaveFormat::Zt), SaveOutcome::Saved);
            EXPECT_EQ(readZt(readWholeFile(path).value()).value()->header.lossScale(1), 95);
        }
        // Alternating formats carry the index.
        for (int round = 0; round < 4; ++round) {
            const bool sor = round % 2 == 0;
            path = dir.file("mix" + std::to_string(round) + (sor ? ".sor" : ".zt"));
            ASSERT_EQ(ws.saveAs(path, sor ? SaveFormat::Sor : SaveFormat::Zt), SaveOutcome::Saved);
            ASSERT_TRUE(ws.openTrace(path));
            EXPECT_EQ(controls().text("E_IOR"), shown) << round;
        }
    }
}

TEST_F(WorkspaceFiles, SorZtSorKeepsEverySecondSampleAndTheTexts) {
    ASSERT_TRUE(ws.openTrace(write("a.sor", makeSor(rampSamples()))));
    ASSERT_EQ(ws.saveAs(dir.file("b.zt"), SaveFormat::Zt), SaveOutcome::Saved);
    Workspace second(Settings{}, &prompter, &clock);
    ASSERT_TRUE(second.openTrace(dir.file("b.zt")));
    ASSERT_EQ(second.saveAs(dir.file("c.sor"), SaveFormat::Sor), SaveOutcome::Saved);
    auto c = readSor(readWholeFile(dir.file("c.sor")).value());
    ASSERT_TRUE(c.ok());
    const SampleArray ramp = rampSamples();
    for (std::size_t i = 0; i < 32768; i += 2) ASSERT_EQ(c.value()->samples[i], ramp[i]) << i;
    const GenParams& t = c.value()->texts;
    EXPECT_EQ(t.cableId, "CABLE-7");
    EXPECT_EQ(t.fiberId, "F12");
    EXPECT_EQ(t.originatingLocation, "Station A");
    EXPECT_EQ(t.terminatingLocation, "Station B");
    EXPECT_EQ(t.cableCode, "GYTA-24");
    EXPECT_EQ(t.dataFlag, "BC");
    EXPECT_EQ(t.operatorName, "Wang");
    // ZT files hold no comment: the second workspace keeps its own.
    EXPECT_EQ(t.comment, " ");
    EXPECT_EQ(c.value()->rangeIndex, 7);
    EXPECT_EQ(c.value()->pulseWidthNs, 1280);
}

}  // namespace
}  // namespace otdr
