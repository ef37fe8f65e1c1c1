#include <gtest/gtest.h>

#include "trace/trace_record.h"
#include "trace/zt_header.h"

namespace otdr {
namespace {

TEST(SampleSpacing, ByRangeIndexAndDefaults) {
    EXPECT_NEAR(computeSampleSpacing(9, 1.0f, 1.472f), 8.14674, 1e-5);
    EXPECT_NEAR(computeSampleSpacing(0, 1.0f, 1.472f), 0.127292, 1e-6);
    EXPECT_FLOAT_EQ(computeSampleSpacing(3, 1.0f, 1.472f), computeSampleSpacing(0, 1.0f, 1.472f));
    EXPECT_NEAR(computeSampleSpacing(4, 1.0f, 1.472f), 0.254585, 1e-6);
    EXPECT_NEAR(computeSampleSpacing(5, 1.0f, 1.472f), 0.509171, 1e-6);
    EXPECT_NEAR(computeSampleSpacing(7, 1.0f, 1.472f), 2.03668, 1e-5);
    // An index outside [1, 2] is replaced by 1.472, a helix outside [0.8, 1] by 1.0.
    EXPECT_FLOAT_EQ(computeSampleSpacing(9, 1.0f, 0.0f), computeSampleSpacing(9, 1.0f, 1.472f));
    EXPECT_FLOAT_EQ(computeSampleSpacing(9, 0.0f, 1.472f), computeSampleSpacing(9, 1.0f, 1.472f));
    EXPECT_FLOAT_EQ(computeSampleSpacing(9, 1.2f, 2.5f), computeSampleSpacing(9, 1.0f, 1.472f));
    // Unknown range indices use the 10 ns period.
    EXPECT_FLOAT_EQ(computeSampleSpacing(12, 1.0f, 1.472f), computeSampleSpacing(5, 1.0f, 1.472f));
    EXPECT_LT(computeSampleSpacing(9, 0.9f, 1.472f), computeSampleSpacing(9, 1.0f, 1.472f));
}

TEST(RangeTexts, MetresForTheFirstEntry) {
    EXPECT_EQ(rangeText(0), "500 m");
    EXPECT_EQ(rangeText(7), "64 km");
    EXPECT_EQ(rangeText(9), "256 km");
    EXPECT_EQ(rangeText(10), "");
    EXPECT_DOUBLE_EQ(rangeKm(0), 0.5);
    EXPECT_DOUBLE_EQ(rangeKm(1), 1.0);
}

TEST(ZtHeaderRebuild, FieldsFromTheCurrentParameters) {
    TestParameters p;
    p.rangeIndex = 6;
    p.pulseWidthNs = 640;
    p.averageCount = 128;
    p.attenuationDb = 15.0f;
    p.wavelengthClass = 1;
    p.lossScale = {0.95f, 1.0f, 1.99f};
    p.refractiveIndex = 1.4685f;
    p.helixFactor = 0.985f;
    ZtHeader h;
    h.bytes[36] = 0xAB;  // reserved bytes kept
    h.bytes[40] = 0xCD;
    h.bytes[32] = 0xEE;  // reserved bytes cleared
    h.bytes[70] = 0xEE;
    rebuildZtHeader(h, p, " 1625 nm ", 10, 1280);
    EXPECT_EQ(h.wavelengthCode(), 1);
    EXPECT_EQ(h.rangeIndexField(), 6);
    EXPECT_EQ(h.attenuation(), 3);
    EXPECT_EQ(h.pulseWidth(), 640);
    EXPECT_EQ(h.groupIndex1310(), 147200);
    EXPECT_EQ(h.groupIndex1550(), 146850);
    EXPECT_EQ(h.groupIndex1625(), 147200);
    EXPECT_EQ(h.helixFactor(), 98500);
    EXPECT_EQ(h.averageCount(), 128);
    EXPECT_EQ(h.lossScale(0), 95);  // 0.95f x 100 = 94.99999 rounded
    EXPECT_EQ(h.lossScale(1), 100);
    EXPECT_EQ(h.lossScale(2), 199);
    EXPECT_EQ(h.fiberCode(), 56);
    EXPECT_EQ(h.markerSmallA(), 10);
    EXPECT_EQ(h.markerA(), 1280);
    EXPECT_EQ(h.rangeFormat(), 65280u);
    EXPECT_EQ(h.effectiveRangeIndex(), 6);
    EXPECT_EQ(h.bytes[36], 0xAB);
    EXPECT_EQ(h.bytes[40], 0xCD);
    EXPECT_EQ(h.bytes[32], 0);
    EXPECT_EQ(h.bytes[70], 0);
}

TEST(ZtHeaderRebuild, GroupIndexSlotByWavelengthClass) {
    TestParameters p;
    p.refractiveIndex = 1.5f;
    for (int cls : {0, 1, 2, 7}) {
        p.wavelengthClass = static_cast<std::uint8_t>(cls);
        ZtHeader h;
        rebuildZtHeader(h, p, "1310 nm", 0, 0);
        EXPECT_EQ(h.groupIndex1310(), (cls == 0 || cls > 2) ? 150000 : 147200) << cls;
        EXPECT_EQ(h.groupIndex1550(), cls == 1 ? 150000 : 147200) << cls;
        EXPECT_EQ(h.groupIndex1625(), cls == 2 ? 150000 : 147200) << cls;
    }
}

TEST(FiberCodes, FromTheWavelengthText) {
    EXPECT_EQ(fiberCodeForWaveText("850 nm"), 83);
    EXPECT_EQ(fiberCodeForWaveText("1300 nm"), 83);
    EXPECT_EQ(fiberCodeForWaveText("1625 nm"), 56);
    EXPECT_EQ(fiberCodeForWaveText("1490 nm"), 34);
    EXPECT_EQ(fiberCodeForWaveText("1550 nm"), 35);
    EXPECT_EQ(fiberCodeForWaveText(" "), 35);
}

TEST(ScaleInvariants, OutOfRangeValuesBecomeOne) {
    TestParameters p;
    p.lossScale = {0.0f, 2.0f, 1.99f};
    p.helixFactor = 0.79f;
    enforceScaleInvariants(p);
    EXPECT_FLOAT_EQ(p.lossScale[0], 1.0f);
    EXPECT_FLOAT_EQ(p.lossScale[1], 1.0f);
    EXPECT_FLOAT_EQ(p.lossScale[2], 1.99f);
    EXPECT_FLOAT_EQ(p.helixFactor, 1.0f);
    p.helixFactor = 0.8f;
    enforceScaleInvariants(p);
    EXPECT_FLOAT_EQ(p.helixFactor, 0.8f);
}

}  // namespace
}  // namespace otdr
