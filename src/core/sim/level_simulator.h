#pragma once
// Synthetic traces as other instruments store them: levels in dB on a uniform grid of any
// length (1 000 to 250 000 points) and spacing, at any level scale, with what real traces
// hold beside the events: the launch dead zone, the receiver's slow recovery after strong
// reflections, ghosts (echoes at twice a strong reflection's distance), gainers, splitters, a
// noise floor that is not flat and traces cut before the fibre ends. The ground truth comes
// with each trace. The instrument's own simulator (simulator.h) is a separate model and stays
// as it is.
//
// The model, in display dB (5 log10 of the detected power, so the backscatter slope is the
// one-way attenuation):
//  - backscatter falling with the attenuation, steps for the event losses spread over a pulse;
//  - reflections: a peak one pulse long whose height gives the reflectance for the pulse width
//    and backscatter coefficient, a short receiver tail, and for strong ones a slow recovery;
//  - the launch: a reflection at distance 0 clipped at the receiver's saturation;
//  - additive normal noise in linear power whose deviation may grow or fall along the trace,
//    over a pedestal that makes the floor;
//  - as some instruments store their traces: a filter that spreads every transition over
//    several pulses, a floor clipped at the bottom of the scale (the noise above it stays as
//    spikes), a stretch recorded before the front panel, and a long recovery of the receiver
//    after the end's reflection, below the backscatter and sinking to the floor.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace otdr::sim {

struct LevelEvent {
    double distanceM = 0.0;
    double lossDb = 0.0;  // negative for a gainer
    bool reflective = false;
    double reflectanceDb = -45.0;
};

struct LevelSimConfig {
    std::size_t points = 30000;
    double spacingM = 0.5;
    double pulseWidthNs = 100.0;
    double groupIndex = 1.468;
    double attenuationDbPerKm = 0.33;
    double backscatterDb = -79.4;  // for a 1 ns pulse
    // The fibre may be longer than the trace: the trace is then cut before the end.
    double fibreLengthM = 10000.0;
    std::vector<LevelEvent> events;
    std::optional<double> endReflectanceDb = -14.0;  // unset: a non-reflective end
    // Level scale: backscatter level at distance 0 and the step levels are stored in.
    double startLevelDb = -20.0;
    double quantumDb = 0.001;
    // Backscatter at distance 0 over the noise's deviation (display dB), and how that noise
    // deviation changes along the trace (dB per km; 0 gives a flat floor).
    double startSnrDb = 30.0;
    double floorSlopeDbPerKm = 0.0;
    // The receiver saturates this far above the backscatter at distance 0.
    double saturationAboveDb = 12.0;
    // Slow recovery after reflections stronger than recoveryFromDb: a share of the peak's
    // power decaying over recoveryM metres.
    double recoveryFromDb = -35.0;
    double recoveryShare = 1e-5;
    double recoveryM = 200.0;
    // Ghost of the strongest reflection (the launch aside) at twice its distance, this much
    // weaker; unset: none.
    std::optional<double> ghostBelowDb = 25.0;
    // The receiver's filter: a moving average over the twice this many points before each,
    // applied to the stored levels.
    std::size_t filterHalfPoints = 0;
    // Levels below this are stored at it (the bottom of the instrument's scale).
    std::optional<double> clipDb;
    // A stretch recorded before the front panel, this long, at the level the front panel's
    // reflection falls back to: the fibre and its distances start after it.
    double leadInM = 0.0;
    // After a reflective end the receiver recovers along a decay this long (metres), starting
    // this far (display dB) below the backscatter before the end; 0: none.
    double endTailM = 0.0;
    double endTailBelowDb = 3.0;
    std::uint64_t seed = 1;
};

struct LevelTruth {
    std::size_t index = 0;   // first point of the event (the lead-in included)
    double distanceM = 0.0;  // from the trace's first point
    double lossDb = 0.0;
    bool reflective = false;
    double reflectanceDb = 0.0;
    bool launch = false;
    bool end = false;
    bool ghost = false;  // an echo, which an analysis should not report
    double snrDb = 0.0;  // backscatter before the event over the noise's deviation there
};

struct LevelSimResult {
    std::vector<double> levelsDb;
    std::vector<LevelTruth> truth;  // ascending by distance
    bool cut = false;               // the fibre ends beyond the trace
};

LevelSimResult simulateLevels(const LevelSimConfig& config);

// A varied scenario drawn from a seed: point count, spacing, pulse, level scale, noise,
// events of every kind. The same seed always gives the same scenario.
LevelSimConfig randomLevelScenario(std::uint64_t seed);

}  // namespace otdr::sim
