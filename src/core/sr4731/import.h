#pragma once
// Brings a trace of another instrument into the instrument's own SOR or ZT layout, so that
// the window and every command work on it.
//
// The range is the smallest whose nominal length (500 m, 1 km .. 256 km) covers the last point
// of the trace and whose 32768 samples at its sample spacing (with the file's group index where
// it lies in (1, 2], else 1.472) reach it, unless one is asked for; the sample spacing is the
// range's own. The levels are interpolated linearly in distance onto that grid and held at the
// last level past the end of the trace. They become counts of 0.001 dB, larger is stronger,
// placed so that the strongest point lies 1 dB below the top of the chart as the window
// opens the trace (raised where the trace's dynamic range needs more room, so that nothing
// falls below count 0 unless the trace spans more than 65.535 dB). Pulse width, the nearest
// of the instrument's wavelengths, group index, date, number of averages and the texts
// (as GBK, cut to the instrument's limits) are carried over. The file's own events (KeyEvents)
// enter the event table as the grid shows such events (see stored_events.h): a ZT file holds
// them in its event records; a SOR file in the instrument's layout holds none, so they are
// only returned. The file is built by the instrument's own writers.

#include <optional>
#include <string>
#include <vector>

#include "sr4731/document.h"
#include "sr4731/stored_events.h"
#include "sr4731/trace.h"
#include "trace/trace_record.h"
#include "util/bytes.h"
#include "util/result.h"

namespace otdr::sr4731 {

enum class ImportFormat { Sor, Zt };

struct ImportOptions {
    ImportFormat format = ImportFormat::Sor;
    std::optional<int> rangeIndex;  // 0..9; chosen from the trace's length when not given
    std::size_t trace = 0;          // which trace of the file (see tracesOf), from 0
};

struct ImportResult {
    Bytes file;  // the complete file in the instrument's layout
    int rangeIndex = 0;
    bool rangeChosen = true;  // false when the range was asked for
    float sampleSpacing = 0;  // metres per sample, as the window computes it for the file
    float refractiveIndex = 0;
    std::size_t foreignPoints = 0;
    double foreignSpacingMetres = 0;
    double traceLengthKm = 0;  // distance of the trace's last point
    std::uint16_t pulseWidthNs = 0;
    double wavelengthNm = 0;               // the file's
    std::string waveText;                  // the instrument's wavelength it was mapped to
    int levelAnchorCounts = 0;             // count of the strongest point
    std::size_t clippedSamples = 0;        // samples that fell below count 0 and were held there
    std::size_t heldSamples = 0;           // samples past the trace end holding its last level
    std::vector<FoundEvent> storedEvents;  // the file's KeyEvents as read, in file order
    StoredEventsFill events;               // how they fill the event table of the result
    bool eventsWritten = false;            // the file holds them (ZT with at least one)
    // What was changed on the way, one line each, for the user.
    std::vector<std::string> changes;
};

Result<ImportResult> importTrace(const Document& doc, const ImportOptions& options);
// The same with the file's traces as tracesOf has read them, for a caller that needs them too.
Result<ImportResult> importTrace(const Document& doc, const std::vector<Trace>& traces,
                                 const ImportOptions& options);

// The samples of a trace on the instrument's grid (exposed for tests): sample j takes the
// level at j x sampleSpacing metres; levels become counts as described above.
struct Resampled {
    SampleArray samples{};
    int anchorCounts = 0;
    std::size_t clipped = 0;
    std::size_t held = 0;
};
Resampled resampleLevels(const std::vector<double>& levelsDb, double foreignSpacingMetres,
                         double sampleSpacing, int topCounts);

}  // namespace otdr::sr4731
