// The analysis on traces no instrument would produce: whatever the samples, the tables stay
// within 199 events, nothing is read or written outside the arrays (run under the sanitizers)
// and a second analysis gives the same result.

#include <gtest/gtest.h>

#include <cstdint>

#include "analysis_fixture.h"

namespace otdr {
namespace {

struct Robustness : test::AnalysedWorkspace {
    void analyseTwice() {
        ws->analyse();
        const EventTable first = events();
        EXPECT_LE(events().count(), kMaxEvents);
        EXPECT_LE(slot().reflectiveCandidates.count(), kMaxEvents);
        ws->analyse();
        EXPECT_EQ(events().words, first.words);
        // Editing and re-measuring stay inside the arrays as well.
        st().grid.selectedRow = events().count();
        ws->openAddEventPanel();
        st().controls.setText("ME_Dis", " 63.9999");
        ws->confirmEventPanel();
        st().grid.selectedRow = 1;
        ws->deleteEvent();
        ws->measureEvents();
        ws->fillEventGrid();
        EXPECT_LE(events().count(), kMaxEvents);
    }
};

TEST_F(Robustness, AComb250ReflectionsKeepsTheTablesAt199) {
    spec.noiseAmplitude = 5;
    spec.attenuationDbKm = 0.0;
    spec.fibreEnd = 32000;
    spec.events.clear();
    for (int i = 400; i < 31000; i += 130) spec.events.push_back({i, 0.0, 9000, 40});
    load();
    ws->analyse();
    EXPECT_EQ(slot().reflectiveCandidates.count(), kMaxEvents);
    analyseTwice();
}

TEST_F(Robustness, AStaircaseOfSmallStepsFillsTheTable) {
    spec.startLevel = 60000;
    spec.launchEnd = 10;
    spec.noiseAmplitude = 0;
    spec.attenuationDbKm = 0.0;
    spec.fibreEnd = 32700;
    spec.events.clear();
    for (int i = 200; i < 32000; i += 130) spec.events.push_back({i, 0.15, 0, 0});
    load();
    analyseTwice();
}

TEST_F(Robustness, SaturatedAlternatingAndRandomTraces) {
    slot().samples.fill(65535);
    analyseTwice();
    for (int i = 0; i < kSampleCount; ++i)
        slot().samples[static_cast<std::size_t>(i)] = (i / 7) % 2 ? 65535 : 0;
    analyseTwice();
    std::uint32_t seed = 7;
    for (auto& v : slot().samples) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<std::uint16_t>(seed >> 16);
    }
    analyseTwice();
}

TEST_F(Robustness, ExtremeParametersStayInsideTheArrays) {
    load();
    TestParameters& p = st().params;
    for (int range : {-3, 0, 9, 12})
        for (int pulse : {-10, 0, 10, 10240, 32767}) {
            p.rangeIndex = static_cast<std::int16_t>(range);
            p.pulseWidthNs = static_cast<std::int16_t>(pulse);
            p.sampleSpacing = range == 12 ? 1e-6f : 8.0f;
            p.wavelengthClass = 9;
            ws->analyse();
            EXPECT_LE(events().count(), kMaxEvents);
        }
}

}  // namespace
}  // namespace otdr
