#pragma once
// The general event analysis: finds the events of any OTDR trace, whatever instrument took it,
// from the levels alone. It works in physical units on a uniform distance grid and never
// touches the instrument's own analysis beside it.
//
// The method, step by step (general_analysis.cpp holds the details):
//  1. Noise from the trace itself: the spread (median absolute deviation) of each detection
//     statistic over blocks along the trace, so the threshold follows the noise as the signal
//     sinks towards the floor, and correlated (oversampled, filtered) noise is measured as the
//     statistic sees it. Blocks leave out the reflections' peaks and never reach across the
//     end of the signal, where the noise floor begins.
//  2. The launch: the first reflection, from the front panel where the file places it; it is
//     the origin of the distances, not an event of the fibre.
//  3. Reflective peaks: the lightly smoothed level rising above the backscatter just before it
//     by more than the noise explains. A reflection lies at the start of its rising edge. Its
//     dead zone runs until the receiver has recovered (the fall has slowed to the slope of the
//     fibre before it), as each step scale sees it: a slow recovery stays visible longer to
//     longer windows. A reflection inside another's dead zone is one event with it.
//  4. Steps (splices, bends, gainers, splitters): the difference between the mean levels of
//     two windows on either side of a gap one pulse length wide, less the fibre's attenuation
//     over that distance, beyond the noise; at three window lengths, so weak steps in noisy
//     stretches are found too. A step lies where the level departs from the local line of the
//     fibre before it (the change point of a cumulative sum), which filtered traces spread
//     well past the pulse.
//  5. The fibre end: the first event that takes the trace well below the fibre before it,
//     after which the fibre's slope does not show again before the floor does (the receiver's
//     recovery from an end's reflection falls far faster than fibre), or that sinks the trace
//     by the file's end-of-fibre threshold; a trace that never falls to its floor has been cut
//     before the end and gets none.
//  6. Each event is measured by two least-squares lines, one over the fibre before it and one
//     over the fibre after its dead zone, both taken to the event; a reflection's reflectance
//     follows from its peak height over the backscatter, the backscatter coefficient and the
//     pulse width.
//  7. Beyond the end only reflections standing clear of all the trace around them are kept,
//     and no ghosts: echoes between two reflections (the trace's start among them), at
//     L + (L - f) or L + 2 (L - f) for reflections at L and f, lower than the one at L.

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "analysis/found_events.h"

namespace otdr::general {

// Thresholds of the analysis; unset ones take the defaults below.
struct Thresholds {
    std::optional<double> lossDb;         // smallest loss of a non-reflective event reported
    std::optional<double> reflectanceDb;  // weakest reflectance reported (negative dB)
    std::optional<double> endOfFibreDb;   // an event losing this much or more ends the fibre
};

constexpr double kDefaultLossThresholdDb = 0.05;
constexpr double kDefaultReflectanceThresholdDb = -65.0;

// Each threshold of `over` that is set replaces the one of `base` (a file's thresholds with a
// user's override on top).
Thresholds mergeThresholds(const Thresholds& base, const Thresholds& over);

struct TraceInput {
    std::span<const double> levelsDb;  // larger is stronger; point i lies i x spacingM away
    double spacingM = 1.0;
    double pulseWidthNs = 100.0;
    double groupIndex = 1.468;
    double wavelengthNm = 1550.0;
    // Backscatter coefficient for a 1 ns pulse (negative dB); unset or implausible takes the
    // typical value of single-mode fibre at the wavelength.
    std::optional<double> backscatterDb;
    Thresholds thresholds;
    // Distance of the instrument's front panel from the first point, where the file stores it
    // (some instruments record a stretch before it): the launch is looked for from there.
    double frontPanelM = 0.0;
};

// Traces shorter than this are not analysed.
constexpr std::size_t kMinPoints = 64;

enum class EventKind { Reflective, NonReflective, FibreEnd };

struct Event {
    std::size_t index = 0;  // the event's first point (the foot of a step or a peak)
    double distanceM = 0.0;
    EventKind kind = EventKind::NonReflective;
    bool reflective = false;  // a reflection was seen (a fibre end may have one)
    double lossDb = 0.0;      // two-line loss at the event; negative for a gainer
    double levelDb = 0.0;     // backscatter level at the event, before it
    double peakDb = 0.0;      // top of a reflection
    std::optional<double> reflectanceDb;
    std::optional<double> slopeDbPerKm;  // attenuation of the fibre before the event
    std::size_t deadZoneEnd = 0;         // first point after the event where the fibre shows
    bool afterEnd = false;               // a reflection seen beyond the fibre end
};

struct Result {
    std::vector<Event> events;  // ascending by distance, the launch not among them
    // The launch: the reflection of the instrument's own connector where the trace starts.
    // Distances are counted from the trace's first point; the launch is no event of the fibre,
    // as in the instrument's own table, whose first row is the first event along the fibre.
    std::optional<Event> launch;
    double noiseFloorDb = 0.0;  // median level of the trace's tail
    bool reachesEnd = false;    // the trace falls to its noise floor at a fibre end
    double pulsePoints = 0.0;   // pulse length in points
};

Result analyse(const TraceInput& in);

// The events as the event table takes them (link loss left to fillFoundEvents).
std::vector<FoundEvent> toFoundEvents(const Result& r);

// One call from a trace to its events.
inline std::vector<FoundEvent> findEvents(const TraceInput& in) {
    return toFoundEvents(analyse(in));
}

// Pulse length in metres of fibre: half the distance light travels in the fibre during it.
double pulseLengthM(double pulseWidthNs, double groupIndex);

// Reflectance of a peak of heightDb (display dB above the backscatter) for a pulse width, with
// the backscatter coefficient of a 1 ns pulse.
double reflectanceFromHeight(double heightDb, double pulseWidthNs, double backscatterDb);
// The height such a reflectance gives.
double heightFromReflectance(double reflectanceDb, double pulseWidthNs, double backscatterDb);

// The typical backscatter coefficient of single-mode fibre for a 1 ns pulse at a wavelength.
double typicalBackscatterDb(double wavelengthNm);

}  // namespace otdr::general
