#include <gtest/gtest.h>

#include "test_support.h"
#include "trace_files_support.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

class FibreDialog : public ::testing::Test {
  protected:
    FibreDialogFields& fields() { return ws.state().fibreDialog; }
    void confirmWith(const char* ior, const char* threshold) {
        ws.fillFibreDialog();
        fields().editIor = ior;
        fields().editet = threshold;
        ws.confirmFibreDialog();
    }
    test::FixedClock clock;
    RecordingPrompter prompter;
    Workspace ws{Settings{}, &prompter, &clock};
};

TEST_F(FibreDialog, ShowingFillsTheFieldsFromTheActiveSlot) {
    ws.state().eventThreshold = 0.1234f;
    ws.state().slots[0].record.genParams.dataFlag = "rc";
    ws.state().controls.setText("E_IOR", "1.46500");
    ws.fillFibreDialog();
    EXPECT_EQ(fields().editIor, "1.46500");
    EXPECT_EQ(fields().editet, "0.123");
    EXPECT_EQ(fields().editbz, "RC");
    EXPECT_EQ(fields().editrq, "2006/03/17  14:05:09");
    ws.state().eventThreshold = 1.25f;
    ws.fillFibreDialog();
    EXPECT_EQ(fields().editet, "1.25");
}

TEST_F(FibreDialog, RefractiveIndexLimits) {
    confirmWith("1.0", "0.05");
    EXPECT_FLOAT_EQ(ws.state().params.refractiveIndex, 1.0f);
    EXPECT_EQ(ws.state().controls.text("E_IOR"), "1.0");
    confirmWith("2.0", "0.05");
    EXPECT_FLOAT_EQ(ws.state().params.refractiveIndex, 2.0f);
    EXPECT_TRUE(prompter.errors.empty());
    confirmWith("2.00001", "0.05");
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_EQ(prompter.errors[0], "折射率必须在1.00000和2.00000之间!");
    EXPECT_FLOAT_EQ(ws.state().params.refractiveIndex, 2.0f);
    // Letters count as 1.472.
    confirmWith("abc", "0.05");
    EXPECT_FLOAT_EQ(ws.state().params.refractiveIndex, 1.472f);
    EXPECT_EQ(prompter.errors.size(), 1u);
}

TEST_F(FibreDialog, NewIndexChangesTheSpacing) {
    ws.state().params.rangeIndex = 9;
    ws.state().params.helixFactor = 1.0f;
    confirmWith("1.5", "0.05");
    EXPECT_FLOAT_EQ(ws.state().params.sampleSpacing, computeSampleSpacing(9, 1.0f, 1.5f));
}

TEST_F(FibreDialog, ThresholdLimits) {
    confirmWith("1.472", "0.009");
    EXPECT_FLOAT_EQ(ws.state().eventThreshold, 0.009f);
    confirmWith("1.472", "9");
    EXPECT_FLOAT_EQ(ws.state().eventThreshold, 9.0f);
    EXPECT_TRUE(prompter.errors.empty());
    for (const char* bad : {"0.0089", "9.01", "-1"}) {
        confirmWith("1.472", bad);
        EXPECT_EQ(prompter.errors.back(), "事件门限值必须在0.01和9.0之间!") << bad;
        EXPECT_FLOAT_EQ(ws.state().eventThreshold, 9.0f) << bad;
    }
    confirmWith("1.472", "x");
    EXPECT_FLOAT_EQ(ws.state().eventThreshold, 0.05f);
}

TEST_F(FibreDialog, TextsAreStoredOnlyWithAValidThreshold) {
    ws.fillFibreDialog();
    fields().editbs = "NEW CABLE";
    fields().editbz = "rc";
    fields().editrq = "2026.12.08  10:00:00";
    fields().editet = "20";
    ws.confirmFibreDialog();
    EXPECT_EQ(ws.state().slots[0].record.genParams.cableId, "");
    fields().editet = "0.5";
    ws.confirmFibreDialog();
    const TraceRecord& rec = ws.state().slots[0].record;
    EXPECT_EQ(rec.genParams.cableId, "NEW CABLE");
    EXPECT_EQ(rec.genParams.dataFlag, "RC");
    EXPECT_EQ(rec.dateText, "2026.12.08  10:00:00");
    // The other slot keeps its texts.
    EXPECT_EQ(ws.state().slots[1].record.genParams.cableId, "");
}

TEST_F(FibreDialog, TextsLongerThanTheirLimitsAreCut) {
    ws.fillFibreDialog();
    fields().editxbs = std::string(40, 'x');
    // 16 two-byte characters: 32 bytes; only 15 fit in 30 bytes.
    std::string chinese;
    for (int i = 0; i < 16; ++i) chinese += "\xB9\xE2";
    fields().editczz = chinese;
    fields().editbz = "ABC";
    ws.confirmFibreDialog();
    const GenParams& g = ws.state().slots[0].record.genParams;
    EXPECT_EQ(g.fiberId, std::string(30, 'x'));
    EXPECT_EQ(g.operatorName.size(), 30u);
    EXPECT_EQ(g.dataFlag, "AB");
}

TEST_F(FibreDialog, DiscardRestoresEverythingButTheIndex) {
    ws.fillFibreDialog();
    fields().editIor = "1.6";
    fields().editet = "3";
    fields().editbs = "typed";
    ws.cancelFibreDialog();
    EXPECT_EQ(fields().editIor, "1.6");
    EXPECT_EQ(fields().editet, "0.05");
    EXPECT_EQ(fields().editbs, "");
    EXPECT_FLOAT_EQ(ws.state().params.refractiveIndex, 1.472f);
}

}  // namespace
}  // namespace otdr
