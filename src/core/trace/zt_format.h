#pragma once
// ZT trace files, the instrument's own flat format, recognised by file length: half-rate or
// full-rate samples, an 80- or 48-byte header, fixed-width texts and an optional event list.

#include <cstdint>
#include <memory>
#include <optional>

#include "analysis/event_table.h"
#include "trace/trace_record.h"
#include "util/bytes.h"
#include "util/result.h"

namespace otdr {

namespace zt {
constexpr std::size_t kMinLength = 32816;
constexpr std::size_t kWrittenLength = 33000;  // without events
constexpr std::size_t kEventRecordSize = 26;
constexpr std::size_t kTextWidth = 25;
constexpr std::size_t kFullRateLength = 2 * kSampleCount + ZtHeader::kOldSize;  // 65584
}  // namespace zt

// How a file of a given length is laid out.
struct ZtLayout {
    bool halfRate = true;         // 16384 points expanded, else 32768 samples
    std::size_t headerSize = 80;  // 80 or 48
    std::size_t textsAt = 0;      // offset of the texts, 0 when the file holds none to read
};

// The layout for a file of this length, or nothing when the length is not one the instrument
// writes. The event count at offset 33000 decides whether a longer file is one written with
// events.
std::optional<ZtLayout> ztLayoutFor(ByteView data);

struct ZtFile {
    ZtLayout layout;
    ZtHeader header;  // bytes a 48-byte header does not cover are 0
    SampleArray samples{};
    bool hasTexts = false;
    GenParams texts;  // the seven texts when hasTexts (the comment is not stored in ZT)
};

// Parses a ZT file; refuses lengths that are not accepted and range indices outside 0..9.
Result<std::unique_ptr<ZtFile>> readZt(ByteView data);

// Builds a ZT file: every second sample, the header as given, the padded texts (normalised in
// place in the record's GenParams) and one 26-byte record per event of the table.
Bytes buildZt(GenParams& texts, const ZtHeader& header, const SampleArray& samples,
              const EventTable& events, const EventText& eventText);

}  // namespace otdr
