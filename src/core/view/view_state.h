#pragma once
// The view state shared by both slots and the state of the cursor and the four markers.
// Chart coordinates: x 0..512 (512 plotted points), y 0..600.

#include <array>
#include <cstdint>

namespace otdr {

constexpr int kChartPoints = 512;
constexpr int kChartHeight = 600;

// Sample counts per chart unit for each vertical scale step.
constexpr std::array<std::int16_t, 7> kVScaleDivisor{1, 2, 5, 10, 20, 50, 80};

struct ViewState {
    std::int16_t firstSample = 0;  // sample shown at chart x = 0
    std::int16_t hZoomIndex = 6;   // samples per point = 2^hZoomIndex
    std::int16_t samplesPerPoint = 64;
    std::int16_t vScaleIndex = 5;
    std::int32_t levelOffset = 0;  // chart units subtracted from every level
    float cursorX = 20.0f;
    float secondCursorX = 30.0f;
};

enum MarkerIndex : int { kMarkerSmallA = 0, kMarkerA = 1, kMarkerB = 2, kMarkerSmallB = 3 };

struct MarkerState {
    std::array<float, 4> x{0.0f, 20.0f, 30.0f, 35.0f};        // chart x of a, A, B, b
    std::array<std::int16_t, 4> sample{0, 1280, 1920, 2240};  // their sample indices
    std::int16_t active = kMarkerA;
    std::int16_t dragging = 0;
    std::uint16_t rowFollowsCursor = 0;
};

// Measurement modes of the marker labels.
enum MeasureMode : std::int16_t {
    kModeNone = -1,
    kModeAverageLoss = 0,
    kModeSpliceLoss = 1,
    kModeReflectance = 2,
};

}  // namespace otdr
