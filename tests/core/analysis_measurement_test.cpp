// Event measurement: the event width, the pruning rules and the five text cells, on synthetic
// traces with hand-placed event tables.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "analysis/conditioning.h"
#include "analysis/detection.h"
#include "analysis/event_texts.h"
#include "analysis/measurement.h"
#include "synthetic_trace.h"
#include "util/numeric.h"

namespace otdr {
namespace {

constexpr std::uint16_t kRefl = kReflectiveFlag;

TEST(EventWidth, BaseTimesTheFactorOfPulseAndRange) {
    EXPECT_EQ(computeEventWidth(640, 7, 2.042f), 124);   // trunc(640 / 20.42) = 31, x 4
    EXPECT_EQ(computeEventWidth(640, 0, 0.1274f), 903);  // 502 x 1.8 = 903.6
    EXPECT_EQ(computeEventWidth(5120, 9, 8.15f), 30);    // the longest range uses 1280 ns: 15 x 2
    EXPECT_EQ(computeEventWidth(10, 9, 8.15f), 2);       // base 0 counts as 1
    EXPECT_EQ(computeEventWidth(100, 3, 0.1274f), 89);   // unknown pulse: 78 x 1.15
    EXPECT_EQ(computeEventWidth(30, 12, 8.0f), 1);       // ranges above 9 have their own column
    EXPECT_EQ(computeEventWidth(10, 4, 0.25f), 800);     // 4 x 200
    EXPECT_EQ(computeEventWidth(0, 5, 0.5f), 1);
}

TEST(EventWidth, PulseWidthTermIsZeroForNoPulse) {
    EXPECT_DOUBLE_EQ(pulseWidthDb(0), 0.0);
    EXPECT_DOUBLE_EQ(pulseWidthDb(-10), 0.0);
    EXPECT_DOUBLE_EQ(pulseWidthDb(100), 20.0);
}

TEST(EventTexts, AverageLossIsCappedAndFlooredByWavelengthClass) {
    EXPECT_EQ(averageLossCell(0.3, 1), ">0.260");
    EXPECT_EQ(averageLossCell(0.1, 1), "<0.150");
    EXPECT_EQ(averageLossCell(0.2, 1), " 0.200");
    // The bounds are 32-bit floats: 0.26 lies above 0.26f, 0.26f itself does not.
    EXPECT_EQ(averageLossCell(0.26, 1), ">0.260");
    EXPECT_EQ(averageLossCell(static_cast<double>(0.26f), 1), " 0.260");
    EXPECT_EQ(averageLossCell(0.2, 0), "<0.300");
    EXPECT_EQ(averageLossCell(0.41, 0), ">0.400");
    EXPECT_EQ(averageLossCell(0.36, 2), ">0.350");
    EXPECT_EQ(averageLossCell(0.17, 2), "<0.180");
    EXPECT_EQ(averageLossCell(0.2, 7), "<0.300");  // unknown classes use the class 0 bounds
}

TEST(EventTexts, CellsNeverExceedElevenCharacters) {
    EXPECT_EQ(cellNumber("%8.3f", 1.5), "   1.500");
    EXPECT_EQ(cellNumber("%8.3f", -0.0001), "   0.000");
    EXPECT_EQ(cellNumber("%8.3f", 1e12).size(), kCellChars);
}

// A 64 km trace at 1550 nm with its work signals, and a table placed by hand.
struct Measurement : ::testing::Test {
    test::SyntheticTrace spec;
    std::unique_ptr<SampleArray> x = std::make_unique<SampleArray>();
    std::unique_ptr<AnalysisWork> w = std::make_unique<AnalysisWork>();
    std::unique_ptr<EventText> text = std::make_unique<EventText>();
    TestParameters p;
    std::uint16_t peak = 0;
    std::int16_t eventWidth = 0;
    float threshold = 0.05f;

    Measurement() {
        p.rangeIndex = 7;
        p.pulseWidthNs = 640;
        p.wavelengthClass = 1;
        p.lossScale = {1.0f, 1.0f, 1.0f};
        p.helixFactor = 1.0f;
        p.refractiveIndex = 1.4682f;
        p.sampleSpacing = computeSampleSpacing(7, 1.0f, 1.4682f);
        spec.spacing = p.sampleSpacing;
        spec.events = {{3000, 0.3, 0, 0}, {6000, 0.5, 12000, 40}, {9000, 0.2, 0, 0}};
    }
    void build() {
        *x = test::makeTrace(spec);
        EventTable e, r;
        conditionTrace(*x, p, *w, e, r, peak);
        buildStepSignals(*w);
    }
    EventTable measure(const std::vector<std::uint16_t>& words) {
        EventTable t;
        for (std::uint16_t v : words) t.append(v);
        const MeasureInput in{*x, p, peak, w->signalEndIndex, *w, threshold};
        measureEventTable(in, t, *text, eventWidth);
        return t;
    }
    const std::string& cell(int col, int row) const {
        return (*text)[static_cast<std::size_t>(col)][static_cast<std::size_t>(row - 1)];
    }
    std::string km(int index) const {
        return formatNumber("%8.4f", index * static_cast<double>(p.sampleSpacing) * 0.001);
    }
    static std::vector<int> positions(const EventTable& t) {
        std::vector<int> out;
        for (int i = 1; i <= t.count(); ++i) out.push_back(t.position(i));
        return out;
    }
};

TEST_F(Measurement, WritesTheFiveCellsOfEveryEvent) {
    build();
    const EventTable t = measure({3000, 5996 | kRefl, 8998, 24996 | kRefl});
    ASSERT_EQ(positions(t), (std::vector<int>{3000, 5996, 8998, 24996}));
    EXPECT_EQ(eventWidth, 124);
    EXPECT_EQ(cell(kColDistance, 1), km(3000));
    EXPECT_EQ(cell(kColDistance, 4), km(24996));
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(cell(kColAverageLoss, r), " 0.200") << r;
    EXPECT_EQ(cell(kColSpliceLoss, 1), "   0.300");
    EXPECT_EQ(cell(kColSpliceLoss, 2), "   0.500");
    EXPECT_EQ(cell(kColSpliceLoss, 3), "   0.200");
    EXPECT_EQ(cell(kColSpliceLoss, 4), "--------");  // the last event
    EXPECT_EQ(cell(kColReturnLoss, 1), "--------");  // non-reflective
    EXPECT_EQ(cell(kColReturnLoss, 3), "--------");
    EXPECT_EQ(cell(kColReturnLoss, 2).front(), ' ');
    EXPECT_EQ(cell(kColReturnLoss, 2).size(), 8u);
    // Link loss from the level just after the launch (fibre start 224, reference 304..308):
    // the fibre attenuation plus the splices passed, in dB. At 3000 the level is the mean of
    // the samples before and at the splice, so half of its loss counts.
    const double perSample = 0.2 * p.sampleSpacing * 0.001;
    EXPECT_NEAR(std::stod(cell(kColLinkLoss, 1)), (3000 - 306) * perSample + 0.15, 0.05);
    EXPECT_NEAR(std::stod(cell(kColLinkLoss, 3)), (8998 - 306) * perSample + 0.8, 0.05);
}

TEST_F(Measurement, RemovesEventsOutsideTheFibreOrTooCloseToTheirPredecessor) {
    build();
    // 0 m; 5997 is 2 m after the reflection at 5996; 6030 lies within 640 x 0.18 m after it;
    // 26000 is beyond the signal end plus 200 m.
    EventTable t = measure({0, 3000, 5996 | kRefl, 5997, 6030, 8998, 24996 | kRefl, 26000});
    EXPECT_EQ(positions(t), (std::vector<int>{3000, 5996, 8998, 24996}));
    EXPECT_EQ(cell(kColSpliceLoss, 1), "   0.300");
    EXPECT_EQ(cell(kColSpliceLoss, 2), "   0.500");
    // Of two events 2 m apart the first is measured against the second, shows no loss and
    // goes; the second then stays.
    t = measure({3000, 3001, 5996 | kRefl, 24996 | kRefl});
    EXPECT_EQ(positions(t), (std::vector<int>{3001, 5996, 24996}));
}

TEST_F(Measurement, SmallNonReflectiveLossesFallBelowTheThreshold) {
    spec.events.push_back({12000, 0.02, 0, 0});
    spec.events.push_back({15000, 0.02, 12000, 40});
    build();
    EventTable t = measure({3000, 5996 | kRefl, 8998, 12000, 14996 | kRefl, 24996 | kRefl});
    EXPECT_EQ(positions(t), (std::vector<int>{3000, 5996, 8998, 14996, 24996}));
    threshold = 0.25f;  // now the 0.2 dB splice goes too, the reflective events stay
    t = measure({3000, 5996 | kRefl, 8998, 12000, 14996 | kRefl, 24996 | kRefl});
    EXPECT_EQ(positions(t), (std::vector<int>{3000, 5996, 14996, 24996}));
}

TEST_F(Measurement, ASpliceOf10dBOrMoreIsTheFibreEnd) {
    spec.events = {{3000, 0.3, 0, 0}, {9000, 10.5, 0, 0}};
    spec.fibreEnd = 12000;
    build();
    const EventTable t = measure({3000, 9000, 11996 | kRefl});
    EXPECT_EQ(positions(t), (std::vector<int>{3000, 9000}));
    EXPECT_EQ(cell(kColSpliceLoss, 2), "--------");
}

TEST_F(Measurement, AFirstEventInTheNoiseOfASteepTraceEmptiesTheTable) {
    spec.events = {};
    spec.attenuationDbKm = 10.0;
    build();
    const EventTable t = measure({1600, 2000});
    EXPECT_EQ(t.count(), 0);
}

TEST_F(Measurement, AverageLossBoundsFollowTheWavelengthClass) {
    spec.attenuationDbKm = 0.3;
    spec.fibreEnd = 20000;
    build();
    measure({3000, 8998});
    EXPECT_EQ(cell(kColAverageLoss, 1), ">0.260");
    p.wavelengthClass = 0;
    measure({3000, 8998});
    EXPECT_EQ(cell(kColAverageLoss, 1), " 0.300");
    p.lossScale[0] = 1.5f;  // 0.45 dB/km after the correction
    measure({3000, 8998});
    EXPECT_EQ(cell(kColAverageLoss, 1), ">0.400");
}

TEST_F(Measurement, AReflectiveEventWithoutPeakGetsKMinusThePulseTerm) {
    spec.attenuationDbKm = 0.0;
    spec.noiseAmplitude = 0;
    spec.events = {{3000, 0.3, 0, 0}, {9000, 0.5, 0, 0}};
    build();
    measure({3002 | kRefl, 9002, 24996 | kRefl});
    EXPECT_EQ(cell(kColReturnLoss, 1), formatNumber(" %7.3f", 80.3 - 10.0 * std::log10(640.0)));
    EXPECT_EQ(cell(kColReturnLoss, 1), "  52.238");
    p.wavelengthClass = 0;
    measure({3002 | kRefl, 9002, 24996 | kRefl});
    EXPECT_EQ(cell(kColReturnLoss, 1), "  53.638");
    p.pulseWidthNs = 0;  // no pulse: no pulse term
    measure({3002 | kRefl, 9002, 24996 | kRefl});
    EXPECT_EQ(cell(kColReturnLoss, 1), "  81.700");
}

}  // namespace
}  // namespace otdr
