#include "view/view_math.h"

#include <algorithm>
#include <array>

#include "trace/trace_record.h"
#include "util/numeric.h"

namespace otdr {

std::int32_t sampleAtX(const ViewState& v, double x) {
    return truncToI32(x * samplesPerPointOf(v)) + v.firstSample;
}

std::int16_t markerSampleAtX(const ViewState& v, double x) {
    const std::int32_t s = sampleAtX(v, x);
    return toI16(std::clamp(s, 0, kSampleCount - 1));
}

int levelDivisorOf(int vScaleIndex) {
    const int i = std::clamp(vScaleIndex, 0, static_cast<int>(kVScaleDivisor.size()) - 1);
    return kVScaleDivisor[static_cast<std::size_t>(i)];
}

float chartXOfSample(const ViewState& v, std::int32_t sample) {
    return toF32(static_cast<double>(sample - v.firstSample) / samplesPerPointOf(v));
}

std::int16_t clampFirstSample(std::int32_t first, int samplesPerPoint) {
    const std::int32_t upper = kSampleCount - kChartPoints * samplesPerPoint;
    if (first > upper) first = upper;
    if (first < 0) first = 0;
    return toI16(first);
}

int openingZoomForRange(int rangeIndex) {
    switch (rangeIndex) {
        case 0:
            return 2;
        case 1:
            return 3;
        case 2:
            return 5;
        default:
            return 6;
    }
}

int widestZoomForRange(int rangeIndex) {
    switch (rangeIndex) {
        case 0:
            return 3;
        case 1:
            return 4;
        case 2:
            return 5;
        default:
            return 6;
    }
}

std::optional<std::string_view> levelAxisTitle(int vScaleIndex) {
    static constexpr std::array<std::string_view, 7> kTitles{
        "0.1 dB/", "0.2 dB/", "0.5 dB/", "1 dB/", "2 dB/", "5 dB/", "8 dB/"};
    if (vScaleIndex < 0 || vScaleIndex >= static_cast<int>(kTitles.size())) return std::nullopt;
    return kTitles[static_cast<std::size_t>(vScaleIndex)];
}

std::optional<std::string_view> distanceAxisTitle(int rangeIndex, int hZoomIndex) {
    // Each zoom step doubles the distance per division; each range above 3 doubles it again.
    static constexpr std::array<std::string_view, 13> kLadder{
        "2.5 m/", "5 m/",   "10 m/",   "20 m/",   "41 m/", "82 m/", "165 m/",
        "330 m/", "660 m/", "1.3 km/", "2.6 km/", "5 km/", "10 km/"};
    if (rangeIndex < 0 || rangeIndex >= static_cast<int>(kRangeTable.size())) return std::nullopt;
    if (hZoomIndex < 0 || hZoomIndex > 6) return std::nullopt;
    const int step = hZoomIndex + (rangeIndex > 3 ? rangeIndex - 3 : 0);
    return kLadder[static_cast<std::size_t>(step)];
}

}  // namespace otdr
