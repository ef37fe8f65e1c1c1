#pragma once
// Synthetic OTDR traces: a physically plausible backscatter trace of a fibre with splices,
// connectors and a far end, as the instrument would store it (32768 samples in the program's
// own sense, one count = 0.001 dB), together with the exact positions and sizes of what was
// put in (the ground truth). Used by the tests, the bundled sample files, the benchmarks and
// `otdr simulate`.
//
// The model, in the display convention of the trace (level in dB = 5 log10 of the detected
// power, so the backscatter slope equals the one-way fibre attenuation):
//  - backscatter starting at a level set by the pulse width (longer pulses carry more power;
//    an attenuator in 5 dB steps keeps it at most 55 dB above count 0), falling linearly in dB
//    with distance at the fibre's attenuation;
//  - splices and bends: a step down by their loss, spread over one pulse length;
//  - connectors and other reflective events: the same step plus a peak one pulse long whose
//    height gives the requested reflectance through the program's own reflectance relation,
//    trailing off with the receiver's time constant;
//  - the launch: a front reflection that saturates the receiver for about a pulse length;
//  - the far end: a large reflection after which the backscatter vanishes;
//  - additive near-normal receiver noise in linear power around a noise pedestal, so that its
//    share grows as the signal falls and the far end shows a noise floor at the asked level.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trace/trace_record.h"
#include "util/result.h"

namespace otdr::sim {

// Pulse widths the instrument offers, ns.
constexpr std::array<int, 9> kPulseWidthsNs{10, 30, 80, 160, 320, 640, 1280, 5120, 10240};

// Level the receiver saturates at (counts): the launch plateau and clipped reflections. It
// lies just below the top of the chart at the coarsest scale (600 units x 80 counts), so a
// newly opened long-range trace is seen whole.
constexpr int kSaturationCounts = 47000;

// The largest level the backscatter starts at (dB above count 0); the attenuator keeps it
// there or below.
constexpr double kMaxStartLevelDb = 40.0;

// The fibre end must lie within this share of the trace so that the far end shows the floor.
constexpr double kMaxEndShare = 0.85;

struct SimEvent {
    double distanceKm = 0.0;
    double lossDb = 0.0;
    bool reflective = false;
    double reflectanceDb = -45.0;  // reflective events only; negative, as a reflectance is
};

struct SimConfig {
    int rangeIndex = 7;
    int pulseWidthNs = 1280;
    int wavelengthNm = 1550;
    double refractiveIndex = 1.4682;
    double fibreLengthKm = 40;
    std::vector<SimEvent> events;
    // Receiver noise amplitude relative to the noise floor, 0..5: 0 gives a noiseless trace
    // and a flat floor, 1 a typical averaged trace, larger values a trace with fewer averages.
    // The floor's mean stays at noiseFloorDb (unless the noise alone lifts it higher).
    double noiseLevel = 1.0;
    std::uint64_t seed = 1;

    // Fibre attenuation in dB/km; unset takes the typical value for the wavelength.
    std::optional<double> attenuationDbPerKm;
    // Reflectance of the far end (a cleaved or open connector is about -14 dB).
    double endReflectanceDb = -14.0;
    // Mean level of the far-end noise floor, dB above count 0.
    double noiseFloorDb = 2.5;
    int averageCount = 100;
    // Test time written into the file (seconds since 1970); fixed so files are reproducible.
    std::uint32_t timestamp = 1735732800;  // 2025-01-01 12:00 UTC
};

// One event as it was put into the trace. sample is the first sample of the event (the foot
// of the step, the first sample of a reflection's peak).
struct SimTruthEvent {
    int sample = 0;
    double km = 0.0;
    double lossDb = 0.0;  // for the fibre end: the fall from the backscatter to the floor
    bool reflective = false;
    double reflectanceDb = 0.0;  // 0 for non-reflective events
};

struct SimResult {
    SampleArray samples{};
    TestParameters params;
    std::string waveText;              // "1310 nm", "1550 nm", "1625 nm"
    std::vector<SimTruthEvent> truth;  // ascending; the fibre end included, last
    double attenuationDbPerKm = 0.0;   // the fibre attenuation used
    double startLevelDb = 0.0;         // backscatter level at distance 0
    std::uint32_t timestamp = 0;
    std::string comment;  // written into the file's comment text
};

// Typical fibre attenuation at a wavelength, dB/km (1310: 0.33, 1550: 0.19, 1625: 0.21).
double typicalAttenuationDbPerKm(int wavelengthNm);

// The instrument's wavelength class: 1310 nm -> 0, 1550 nm -> 1, 1625 nm -> 2.
int wavelengthClassFor(int wavelengthNm);

// Length of fibre the range can show with the far end within kMaxEndShare of the trace, km.
double maxFibreLengthKm(int rangeIndex, double refractiveIndex);

// Height in counts of a reflection peak above the backscatter that the program's reflectance
// relation reads as the given reflectance (dB, negative) for this pulse width and class.
double reflectionHeightCounts(double reflectanceDb, int pulseWidthNs, int wavelengthClass);

// Checks a configuration; the message says what is wrong and what is accepted.
Result<void> validateConfig(const SimConfig& config);

// Builds the trace. The configuration must have passed validateConfig; an invalid one still
// produces a trace without touching memory outside it, but its content is unspecified.
SimResult simulate(const SimConfig& config);

// Parses an event written as "km:loss", "km:loss:reflective" or "km:loss:reflective:dB"
// ("r" may stand for "reflective"; the reflectance defaults to -45 dB).
Result<SimEvent> parseEventSpec(std::string_view text);

// Writes the trace as SOR or ZT, chosen by the extension of path (either case).
Result<void> writeTraceFile(const SimResult& result, const std::string& path);

}  // namespace otdr::sim
