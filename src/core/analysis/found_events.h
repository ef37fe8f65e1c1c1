#pragma once
// Events that did not come from the instrument's own analysis (the events another
// instrument stored in its file, the events of the general analysis), in physical units, and
// how they enter a slot's event table and the five grid cells, shown as the instrument's
// analysis would show such an event.

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/event_table.h"
#include "trace/trace_record.h"

namespace otdr {

enum class FoundKind { Reflective, NonReflective, FibreEnd };

struct FoundEvent {
    double distanceM = 0.0;  // metres of fibre from the start of the trace
    FoundKind kind = FoundKind::NonReflective;
    bool reflective = false;              // a reflection was seen (a fibre end may have one)
    std::optional<double> slopeDbPerKm;   // attenuation of the fibre leading up to the event
    std::optional<double> lossDb;         // event (splice) loss, positive for a loss
    std::optional<double> reflectanceDb;  // reflectance, negative dB
    std::optional<double> linkLossDb;     // loss from the start of the fibre to the event
};

// The five cells of one event as the grid shows them: distance (km), average loss, splice
// loss, return loss and link loss. `last` marks the table's last row, which has no splice
// loss. A value the event does not have shows as "--------".
std::array<std::string, 5> foundEventCells(const FoundEvent& e, int wavelengthClass, bool last);

// What fillFoundEvents did with each event it was given (indices into its input).
struct FoundEventsFill {
    int written = 0;
    std::vector<std::size_t> outsideTrace;  // before the start or past the slot's last sample
    std::vector<std::size_t> afterEnd;      // behind the fibre end, where the grid ends
    std::vector<std::size_t> tableFull;     // beyond the table's 199 rows
};

// Replaces the table and its cells with the events, in order of distance. Each event takes
// the sample nearest its distance (metres per sample: sampleSpacing x helixFactor, as the
// event measurement counts them) and the reflective flag of its kind. The table ends at the
// first fibre end, since the grid names its last row the fibre end. A link loss the events do
// not give is accumulated from the slopes and losses before the event.
FoundEventsFill fillFoundEvents(std::span<const FoundEvent> events, const TestParameters& params,
                                EventTable& table, EventText& text);

}  // namespace otdr
