// Event detection steps on small crafted work signals.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "analysis/detection.h"

namespace otdr {
namespace {

struct Detection : ::testing::Test {
    std::unique_ptr<AnalysisWork> w = std::make_unique<AnalysisWork>();
    std::unique_ptr<SampleArray> x = std::make_unique<SampleArray>();

    void setClass(int from, int to, std::int16_t v) {
        for (int h = from; h <= to; ++h) w->stepClass[static_cast<std::size_t>(h)] = v;
    }
    void setStep(int from, int to, std::int32_t v) {
        for (int h = from; h <= to; ++h) w->stepSignal[static_cast<std::size_t>(h)] = v;
    }
    static EventTable table(const std::vector<std::uint16_t>& words) {
        EventTable t;
        for (std::uint16_t v : words) t.append(v);
        return t;
    }
    static std::vector<std::uint16_t> words(const EventTable& t) {
        std::vector<std::uint16_t> out;
        for (int i = 1; i <= t.count(); ++i) out.push_back(t.word(i));
        return out;
    }
};

constexpr std::uint16_t kR = kReflectiveFlag;

TEST_F(Detection, ReflectiveOnsetNeeds21DeepStepValuesAndAGapOfMoreThan50) {
    w->scanLimit = 3000;
    setStep(500, 520, -10000);  // onset at 500: p = 589
    setStep(530, 550, -10000);  // onset at 530: p = 619, too close to 589
    setStep(600, 620, -10000);  // onset at 600: p = 689
    setStep(800, 819, -12000);  // only 20 deep values: no onset
    EventTable refl;
    findReflectiveCandidates(*w, 1000, refl);
    EXPECT_EQ(words(refl), (std::vector<std::uint16_t>{589, 689}));
}

TEST_F(Detection, ReflectiveOnsetWalksBackOutOfSaturation) {
    w->scanLimit = 3000;
    setStep(700, 720, -10000);
    for (int h = 750; h <= 789; ++h) w->workTrace[static_cast<std::size_t>(h)] = 1000;
    EventTable refl;
    findReflectiveCandidates(*w, 1000, refl);  // saturated above 1000 - 80
    EXPECT_EQ(words(refl), (std::vector<std::uint16_t>{749}));
    // An onset that walks back to index 20 or below is not the first candidate.
    AnalysisWork& v = *w;
    v.stepSignal.fill(0);
    setStep(30, 50, -10000);
    for (int h = 0; h <= 200; ++h) v.workTrace[static_cast<std::size_t>(h)] = 1000;
    EventTable early;
    findReflectiveCandidates(v, 1000, early);
    EXPECT_EQ(early.count(), 0);
}

TEST_F(Detection, NonReflectiveCandidatesNeedAPersistentRiseOutsideTheLaunchPulse) {
    w->scanLimit = 12000;
    setClass(1000, 1100, 400);  // candidate 1089
    setClass(1200, 1300, 400);  // candidate 1289
    setClass(2000, 2030, 400);  // falls within 51 entries: no candidate
    setClass(3000, 3100, 400);  // inside the launch pulse
    for (int h = 3089; h <= 3089; ++h) w->workTrace[static_cast<std::size_t>(h)] = 950;
    EventTable ev;
    findNonReflectiveCandidates(*w, 1000, ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{1089, 1289}));
}

TEST_F(Detection, NonReflectiveCandidateInTheSameRegionIsNotAppended) {
    w->scanLimit = 12000;
    // First rise at 1000; the skip ends at 1061, a second rise at 1070 keeps the class at 400
    // from the first candidate (1089) up to its own (1159).
    setClass(1000, 1060, 400);
    setClass(1070, 1200, 400);
    EventTable ev;
    findNonReflectiveCandidates(*w, 1000, ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{1089}));
    // With a fall between the two candidates the second one is a new event.
    setClass(1131, 1135, 0);
    setClass(1136, 1200, 400);
    EventTable ev2;
    findNonReflectiveCandidates(*w, 1000, ev2);
    EXPECT_EQ(words(ev2), (std::vector<std::uint16_t>{1089, 1159, 1225}));
}

TEST_F(Detection, SkipAfterARisingClassJumpsTenFurther) {
    w->scanLimit = 12000;
    setClass(6000, 6100, 50);
    setClass(6106, 6200, 400);  // within 10 after the end of the 50 run: skipped
    EventTable ev;
    findNonReflectiveCandidates(*w, 1000, ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{6089}));
    setClass(6000, 6100, 400);  // a 400 run does not jump: the rise at 6106 is found
    EventTable ev2;
    findNonReflectiveCandidates(*w, 1000, ev2);
    EXPECT_EQ(words(ev2), (std::vector<std::uint16_t>{6089, 6195}));
}

TEST_F(Detection, RefineMovesToTheFootOfTheRisingEdgeAtMost40Samples) {
    for (int i = 190; i <= 200; ++i)
        (*x)[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(1000 + 100 * (i - 190));
    for (int i = 0; i < 190; ++i) (*x)[static_cast<std::size_t>(i)] = 1000;
    for (int i = 400; i <= 500; ++i)
        (*x)[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i * 10);
    EventTable refl = table({100, 250, 0});
    refineReflectiveCandidates(*x, refl);
    EXPECT_EQ(words(refl), (std::vector<std::uint16_t>{95, 230, 0}));
}

TEST_F(Detection, MergeReplacesNearOrSameRegionCandidatesAndInsertsOthers) {
    w->stepClass[75] = 400;  // class changes between 50 and 100
    EventTable ev = table({100, 300, 500});
    mergeCandidates(*w, table({50}), ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{50 | kR, 100, 300, 500}));

    w->stepClass.fill(0);
    w->stepClass[470] = 400;  // changes between 450 and 500
    w->stepClass[600] = 400;  // changes between 500 and 700
    ev = table({100, 300, 500});
    mergeCandidates(*w, table({50, 305, 450, 700}), ev);
    // 50: same region as 100 -> replaces it; 305: same region as 300; 450: a change before
    // 500 -> inserted; 700: not the same region as 500 -> appended after it.
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{50 | kR, 305 | kR, 450 | kR, 500, 700 | kR}));

    // Within 15 after a 50-class entry, or within 10 before one, a candidate replaces it
    // even across a class change.
    w->stepClass.fill(0);
    setClass(300, 300, 50);
    setClass(996, 996, 400);
    ev = table({300, 1000});
    mergeCandidates(*w, table({315, 990}), ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{315 | kR, 990 | kR}));
    ev = table({300});
    mergeCandidates(*w, table({316}), ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{300, 316 | kR}));

    // Equal positions, and no reflective candidates at all.
    ev = table({300});
    mergeCandidates(*w, table({300}), ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{300 | kR}));
    ev = table({300, 400});
    mergeCandidates(*w, EventTable{}, ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{300, 400}));
}

TEST_F(Detection, MergeIntoAFullTableDropsCandidatesAndStaysInside) {
    std::vector<std::uint16_t> full;
    for (int i = 0; i < kMaxEvents; ++i) full.push_back(static_cast<std::uint16_t>(100 + 50 * i));
    EventTable ev = table(full);
    for (int h = 0; h < kHalfSampleCount; h += 2) w->stepClass[static_cast<std::size_t>(h)] = 400;
    // 120 would be inserted, 126 likewise; 20000 would be appended: all dropped.
    mergeCandidates(*w, table({120, 126, 20000}), ev);
    EXPECT_EQ(ev.count(), kMaxEvents);
    EXPECT_EQ(words(ev), full);
    EXPECT_EQ(ev.words[0], kMaxEvents);
}

TEST_F(Detection, DoubtfulLastEventIsDropped) {
    setClass(1000, 1000, 50);
    setClass(1500, 1500, 400);
    EventTable ev = table({1000, 1500});
    dropDoubtfulLastEvent(*w, ev);
    EXPECT_EQ(ev.count(), 1);
    w->stepSignal[1500] = -10000;  // a reflection stays
    ev = table({1000, 1500});
    dropDoubtfulLastEvent(*w, ev);
    EXPECT_EQ(ev.count(), 2);
    ev = table({1500});
    dropDoubtfulLastEvent(*w, ev);
    EXPECT_EQ(ev.count(), 1);
}

TEST_F(Detection, TailPruningDropsFlatOrSteepEventsButKeepsThree) {
    x->fill(20000);  // flat: slope 0 everywhere
    setClass(1, 15750, 400);
    EventTable ev = table({1000, 2000, 3000, 4000, 5000});
    const auto fit = pruneTailBySlope(*x, *w, 1.0f, ev);
    EXPECT_EQ(ev.count(), 3);
    ASSERT_TRUE(fit.has_value());
    EXPECT_EQ(fit->slope, 0.0f);
    // Fibre with 1 count per metre before the events: nothing dropped.
    for (int i = 0; i < kSampleCount; ++i)
        (*x)[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(40000 - i);
    ev = table({1000, 2000, 3000, 4000, 5000});
    pruneTailBySlope(*x, *w, 1.0f, ev);
    EXPECT_EQ(ev.count(), 5);
    // A class of 50 or less 80 entries before the event stops the pruning.
    x->fill(20000);
    setClass(4920, 4920, 50);
    ev = table({1000, 2000, 3000, 4000, 5000});
    EXPECT_FALSE(pruneTailBySlope(*x, *w, 1.0f, ev).has_value());
    EXPECT_EQ(ev.count(), 5);
    ev = table({1000, 2000, 3000});
    EXPECT_FALSE(pruneTailBySlope(*x, *w, 1.0f, ev).has_value());
}

TEST_F(Detection, CutAtNoiseKeepsTheFirstEventInTheNoiseAsTheLast) {
    x->fill(20000);
    for (int i = 3990; i < kSampleCount; ++i) (*x)[static_cast<std::size_t>(i)] = 4000;
    (*x)[20] = 0;  // half-rate 10 is too near the start to count
    EventTable ev = table({10, 1000, 2000, 3000});
    cutAtNoise(*x, ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{10, 1000, 2000}));
    (*x)[4010] = 8500;  // ten samples later not below 8500: not noise, the next event is
    ev = table({10, 1000, 2000, 3000, 4000});
    cutAtNoise(*x, ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{10, 1000, 2000, 3000}));
}

TEST_F(Detection, ConversionDoublesPositionsAndKeepsFlags) {
    EventTable ev = table({100 | kR, 200, 16383});
    convertToFullRate(ev);
    EXPECT_EQ(words(ev), (std::vector<std::uint16_t>{200 | kR, 400, 32766}));
}

}  // namespace
}  // namespace otdr
