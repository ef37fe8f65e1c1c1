#pragma once
// Editing the event table by hand: placing an added event, measuring an added or changed
// event anew (its neighbours keep their texts) and deleting an event.

#include <cstdint>

#include "analysis/event_table.h"
#include "analysis/measurement.h"

namespace otdr {

// Row an event added at `targetMetres` takes: the first event farther away (distances as
// 32-bit floats), or the row after the last. Inserts the word there, moving the later words
// and their text rows down by one. Returns the row, or 0 when the table is full (nothing
// changes then).
int insertEventRow(EventTable& t, EventText& text, float targetMetres, std::uint16_t word,
                   float sampleSpacing, float helixFactor);

// Removes event r, moving the later words and text rows up by one.
void removeEventRow(EventTable& t, EventText& text, int r);

// Measures event t (1-based) of the table anew: average loss, splice loss, link loss and
// return loss. The distance cell is written by the caller. `comboIndex` is the type chosen in
// the panel (0 reflective, 1 non-reflective, -1 typed by hand); `enteredKm` the distance typed.
// Returns the last line fit made.
FitResult measureEditedEvent(const MeasureInput& in, std::int16_t eventWidth,
                             const EventTable& table, int t, int comboIndex, float enteredKm,
                             EventText& text);

}  // namespace otdr
