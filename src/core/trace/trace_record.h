#pragma once
// The trace record: what the program knows about a loaded trace (per slot), and the current
// test parameters, which always describe the active slot.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "trace/zt_header.h"

namespace otdr {

constexpr int kSampleCount = 32768;
constexpr int kHalfSampleCount = 16384;
using SampleArray = std::array<std::uint16_t, kSampleCount>;

// SOR general parameters. Texts are GBK byte strings as stored in trace files.
struct GenParams {
    std::string languageCode = "CH";
    std::string cableId;
    std::string fiberId;
    std::uint16_t fiberType = 0;
    std::uint16_t nominalWavelength = 0;
    std::string originatingLocation;
    std::string terminatingLocation;
    std::string cableCode;
    std::string dataFlag;
    std::uint32_t userOffset = 0;
    std::uint32_t userOffsetDistance = 0;
    std::string operatorName;
    std::string comment;

    bool operator==(const GenParams&) const = default;
};

struct TraceRecord {
    std::string fileName;  // full path of the file opened into the slot
    std::string dateText;  // test date and time as shown
    ZtHeader header;
    std::array<std::uint8_t, 86> sorMap{};
    GenParams genParams;
    std::array<std::uint8_t, 68> supParams{};
    std::array<std::uint8_t, 92> fxdParams{};
    std::array<std::uint8_t, 20> dataPtsHeader{};
    std::array<std::uint8_t, 8> cksumBlock{};

    bool operator==(const TraceRecord&) const = default;
};

// The current test parameters of the active slot.
struct TestParameters {
    std::int16_t rangeIndex = 0;
    std::int16_t pulseWidthNs = 0;
    std::int32_t averageCount = 0;
    float attenuationDb = 5.0f;
    std::uint8_t wavelengthClass = 0;
    std::array<float, 3> lossScale{0.0f, 0.0f, 0.0f};
    float refractiveIndex = 1.472f;
    float helixFactor = 0.0f;
    float sampleSpacing = 8.0f;

    bool operator==(const TestParameters&) const = default;
};

// Distance range by range index: index 0 is in metres, the others in kilometres.
constexpr std::array<std::int16_t, 10> kRangeTable{500, 1, 2, 4, 8, 16, 32, 64, 128, 256};

constexpr float kDefaultRefractiveIndex = 1.472f;
constexpr std::int32_t kDefaultGroupIndexField = 147200;

// "500 m", "1 km" .. "256 km"; an index outside the table gives an empty text.
std::string rangeText(int rangeIndex);

// The current range in km (0.5 for index 0), 0 outside the table.
double rangeKm(int rangeIndex);

// Metres of fibre per sample for a range index, helix factor and group index.
float computeSampleSpacing(int rangeIndex, float helixFactor, float refractiveIndex);

// Text of the wavelength box for a ZT wavelength code.
std::string_view wavelengthTextForCode(int code);

// Fibre code from the wavelength box text: 83 multimode, 56 for 1625 nm, 34 for 1490 nm, else 35.
std::int16_t fiberCodeForWaveText(std::string_view waveText);

// Nominal wavelength in nm for the wavelength box text, 0 when the text names none.
std::uint16_t nominalWavelengthForWaveText(std::string_view waveText);

// Keeps the loss-scale entries in (0, 2) and the helix factor in [0.8, 1] (1.0 otherwise).
void enforceScaleInvariants(TestParameters& p);

// Rebuilds a header from the current parameters; reserved bytes 36..37 and 40..47 are kept.
void rebuildZtHeader(ZtHeader& h, const TestParameters& p, std::string_view waveText,
                     std::int16_t markerSmallASample, std::int16_t markerASample);

}  // namespace otdr
