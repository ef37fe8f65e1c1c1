#pragma once
// The events another instrument stored in its file (the KeyEvents block, the analysis the
// technician accepted on that instrument) as events of the instrument's own event table.
//
// Each event keeps its distance from the first point of the trace (its one-way time from the
// events' origin, see eventOriginTime, at the file's group index), its type from
// the event code (second character 'E' the fibre end; first character '1' or '2' a
// reflection), its slope as the average loss, its loss as the splice loss and its reflectance
// where one is stored (neither 0 nor the smallest 32-bit value, which some instruments write
// for none); the link loss is accumulated when the table is filled.
// Events outside the range, behind the fibre end or beyond the table's 199 rows are left out
// and named, so that the user can be told.

#include <span>
#include <string>
#include <vector>

#include "analysis/found_events.h"
#include "sr4731/document.h"

namespace otdr::sr4731 {

// The KeyEvents of a document in file order; empty without the block.
std::vector<FoundEvent> storedEventsOf(const Document& doc);

enum class LeftOutReason { OutsideRange, AfterFibreEnd, TableFull };

struct LeftOutEvent {
    std::size_t index = 0;  // into the events given, from 0
    double distanceM = 0.0;
    LeftOutReason reason = LeftOutReason::OutsideRange;
};

struct StoredEventsFill {
    int written = 0;
    std::vector<LeftOutEvent> leftOut;  // in the order of the events given
};

// Fills the table and its cells with the events that lie within the range of the parameters
// (0 up to the range's nominal length, and on the slot's samples), as fillFoundEvents does.
StoredEventsFill fillStoredEvents(std::span<const FoundEvent> events, const TestParameters& params,
                                  EventTable& table, EventText& text);

// One line per event left out, for the command line: "event 1 at -0.0153 km lies outside
// the range 4 km; left out".
std::vector<std::string> leftOutNotes(const StoredEventsFill& fill, int rangeIndex);

}  // namespace otdr::sr4731
