#pragma once
// Synthetic OTDR traces for the analysis tests and benchmarks: a saturated launch pulse, a
// backscatter level that falls linearly with distance, step losses at splices, rectangular
// reflection peaks at connectors, and the fibre end dropping into a noisy floor. Levels are
// counts of 0.001 dB; the noise is a fixed pseudo-random sequence, so every trace is repeatable.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "trace/trace_record.h"

namespace otdr::test {

struct SyntheticEvent {
    int index = 0;        // full-rate sample where the event starts
    double lossDb = 0.0;  // step down of the backscatter level after the event
    int peakCounts = 0;   // height of the reflection above the backscatter (0: none)
    int peakWidth = 0;    // samples of the reflection
    int peakRise = 0;     // samples of its rising edge (0: a step)
};

struct SyntheticTrace {
    double spacing = 2.042;        // metres per full-rate sample
    double attenuationDbKm = 0.2;  // fibre loss
    int launchEnd = 60;            // samples 0..launchEnd-1 saturated
    std::uint16_t launchLevel = 65000;
    double startLevel = 40000.0;  // backscatter level right after the launch pulse
    std::vector<SyntheticEvent> events;
    int fibreEnd = 25000;  // full-rate index of the far-end reflection
    int endPeakCounts = 15000;
    int endPeakWidth = 60;
    double noiseFloor = 1500.0;
    int noiseAmplitude = 30;  // +- counts on every sample
};

inline SampleArray makeTrace(const SyntheticTrace& t) {
    SampleArray x{};
    std::uint32_t seed = 12345;
    auto noise = [&]() {
        seed = seed * 1103515245u + 12345u;
        const int span = 2 * t.noiseAmplitude + 1;
        return t.noiseAmplitude == 0 ? 0 : static_cast<int>((seed >> 16) % span) - t.noiseAmplitude;
    };
    double loss = 0.0;  // counts lost at events passed so far
    for (int i = 0; i < kSampleCount; ++i) {
        double level = 0.0;
        if (i < t.launchEnd) {
            level = t.launchLevel;
        } else if (i < t.fibreEnd) {
            for (const SyntheticEvent& e : t.events)
                if (e.index == i) loss += e.lossDb * 1000.0;
            level = t.startLevel - t.attenuationDbKm * i * t.spacing - loss;
            for (const SyntheticEvent& e : t.events)
                if (e.peakCounts > 0 && i >= e.index && i < e.index + e.peakWidth)
                    level += i - e.index < e.peakRise
                                 ? e.peakCounts * (i - e.index + 1.0) / (e.peakRise + 1.0)
                                 : e.peakCounts;
        } else if (i < t.fibreEnd + t.endPeakWidth) {
            level = t.startLevel - t.attenuationDbKm * i * t.spacing - loss + t.endPeakCounts;
        } else {
            level = t.noiseFloor;
        }
        level += noise();
        x[static_cast<std::size_t>(i)] =
            static_cast<std::uint16_t>(std::clamp(level, 0.0, 65535.0));
    }
    return x;
}

}  // namespace otdr::test
