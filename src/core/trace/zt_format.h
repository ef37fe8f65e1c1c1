#pragma once
// ZT trace files, the instrument's own flat format, recognised by file length: half-rate or
// full-rate samples, an 80- or 48-byte header, fixed-width texts and an optional event list.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// One 26-byte event record as a file written with events holds it.
struct ZtEventRecord {
    std::uint16_t number = 0;
    std::int32_t distance = 0;     // 0.1 m
    std::int16_t averageLoss = 0;  // 0.001 dB/km
    std::int16_t spliceLoss = 0;   // 0.001 dB
    std::int32_t reflectance = 0;  // return loss, 0.001 dB
    std::string code;              // 6 bytes: "1F9999" reflective, "0F9999", "2E9999" fibre end
    std::string technique;         // 2 bytes, "LS"
    std::int32_t linkLoss = 0;     // 0.001 dB
};

struct ZtFile {
    ZtLayout layout;
    ZtHeader header;  // bytes a 48-byte header does not cover are 0
    SampleArray samples{};
    bool hasTexts = false;
    GenParams texts;  // the seven texts when hasTexts (the comment is not stored in ZT)
    // The event records of a file written with events. The opener never takes them into the
    // slot (a trace opens without events); they are read for listing the file's own events.
    std::vector<ZtEventRecord> events;
};

// Parses a ZT file; refuses lengths that are not accepted and range indices outside 0..9.
Result<std::unique_ptr<ZtFile>> readZt(ByteView data);

// Builds a ZT file: every second sample, the header as given, the padded texts (normalised in
// place in the record's GenParams) and one 26-byte record per event of the table.
Bytes buildZt(GenParams& texts, const ZtHeader& header, const SampleArray& samples,
              const EventTable& events, const EventText& eventText);

}  // namespace otdr
