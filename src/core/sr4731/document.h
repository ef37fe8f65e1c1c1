#pragma once
// What an SR-4731 trace file of any instrument holds, field by field, as the file stores it.
// Texts are the file's bytes (their code page is decided only for output, see texts.h);
// numbers keep their stored units, and the helpers below convert them.
//
// Two revisions of the layout exist. Issue 2 files start with a block named "Map" and every
// block body starts with its own name; issue 1 files have neither name and a few shorter
// field layouts (noted per field below). Blocks follow each other in Map order, the Map
// first; the order of the other blocks is free.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "util/bytes.h"

namespace otdr::sr4731 {

// Block names as the Map spells them.
namespace names {
constexpr char kMap[] = "Map";
constexpr char kGenParams[] = "GenParams";
constexpr char kSupParams[] = "SupParams";
constexpr char kFxdParams[] = "FxdParams";
constexpr char kKeyEvents[] = "KeyEvents";
constexpr char kDataPts[] = "DataPts";
constexpr char kCksum[] = "Cksum";
}  // namespace names

// Speed of light in vacuum, m/s; times in the file are one-way times in the fibre.
constexpr double kSpeedOfLight = 299792458.0;

// The group index used when a file's own lies outside (1, 2] (the instrument's default).
constexpr double kFallbackGroupIndex = 1.472;

// One entry of the Map: a block's name, revision and declared size, and where it lies.
struct BlockEntry {
    std::string name;  // as stored, trailing blanks included
    std::uint16_t revision = 0;
    std::uint32_t size = 0;    // declared size in bytes
    std::uint64_t offset = 0;  // file offset of the block (set by the decoder)
};

struct GeneralParams {
    std::string languageCode;  // 2 bytes
    std::string cableId;
    std::string fiberId;
    std::uint16_t fiberType = 0;  // issue 2 only (652 for G.652 fibre)
    std::uint16_t nominalWavelengthNm = 0;
    std::string originatingLocation;
    std::string terminatingLocation;
    std::string cableCode;
    std::string dataFlag;  // 2 bytes: BC as built, RC as repaired, ...
    std::int32_t userOffset = 0;
    std::int32_t userOffsetDistance = 0;  // issue 2 only
    std::string operatorName;
    std::string comment;
};

struct SupplierParams {
    std::string supplierName;
    std::string mainframeId;
    std::string mainframeSerial;
    std::string moduleId;
    std::string moduleSerial;
    std::string softwareRevision;
    std::string other;
};

struct PulseWidth {
    std::uint16_t widthNs = 0;
    std::uint32_t dataSpacing = 0;  // time taken by 10000 points, 100 ps
    std::uint32_t points = 0;       // points stored for this pulse width
};

struct FixedParams {
    std::uint32_t timestamp = 0;                 // seconds since 1970-01-01 UTC
    std::string distanceUnits;                   // 2 bytes: "mt", "km", "ft", "kf", "mi"
    std::uint16_t actualWavelength = 0;          // 0.1 nm (some instruments store nm)
    std::int32_t acquisitionOffset = 0;          // 100 ps
    std::int32_t acquisitionOffsetDistance = 0;  // issue 2 only
    std::vector<PulseWidth> pulses;
    std::int32_t groupIndex = 0;               // x 100000
    std::uint16_t backscatterCoefficient = 0;  // 0.1 dB
    std::uint32_t averages = 0;
    std::uint16_t averagingTime = 0;            // issue 2 only
    std::uint32_t acquisitionRange = 0;         // 100 ps
    std::int32_t acquisitionRangeDistance = 0;  // issue 2 only
    std::int32_t frontPanelOffset = 0;          // 100 ps
    std::uint16_t noiseFloorLevel = 0;
    std::int16_t noiseFloorScaleFactor = 0;
    std::uint16_t powerOffsetFirstPoint = 0;
    std::uint16_t lossThreshold = 0;         // 0.001 dB
    std::uint16_t reflectanceThreshold = 0;  // 0.001 dB
    std::uint16_t endOfFibreThreshold = 0;   // 0.001 dB
    std::string traceType;                   // issue 2 only, 2 bytes: "ST", "RT", "DT", "RF"
    std::array<std::int32_t, 4> windowCoordinates{};  // issue 2 only

    // The wavelength in nm. Values below 2000 are taken as nm already: some instruments write
    // 1550 for a 1550 nm trace instead of 15500.
    double wavelengthNm() const;
    // The group index as a number; the fallback when the file's lies outside (1, 2].
    double effectiveGroupIndex() const;
    // Metres of fibre per point of a pulse width's trace.
    double spacingMetres(std::size_t pulse) const;
    // Metres of fibre a time in 100 ps stands for.
    double metresOfTime(double time100ps) const;
};

struct KeyEvent {
    std::uint16_t number = 0;
    std::int32_t propagationTime = 0;  // 100 ps of one-way time to the event (signed)
    std::int16_t slope = 0;            // attenuation of the fibre before the event, 0.001 dB/km
    std::int16_t loss = 0;             // 0.001 dB
    std::int32_t reflectance = 0;      // 0.001 dB (negative)
    std::string code;                  // 6 bytes, e.g. "1F9999"
    std::string lossTechnique;         // 2 bytes: "LS", "2P", "OT"
    std::array<std::int32_t, 5> markers{};  // issue 2 only, 100 ps
    std::string comment;
};

struct KeyEventSummary {
    std::int32_t totalLoss = 0;  // 0.001 dB
    std::int32_t lossStart = 0;  // 100 ps
    std::int32_t lossEnd = 0;
    std::uint16_t orl = 0;  // optical return loss, 0.001 dB
    std::int32_t orlStart = 0;
    std::int32_t orlEnd = 0;
};

struct KeyEvents {
    std::vector<KeyEvent> events;
    KeyEventSummary summary;
};

// Points stored with one scale factor: level in dB = -point x scaleFactor / 1000 x 0.001.
struct ScaleGroup {
    std::uint32_t declaredPoints = 0;
    std::uint16_t scaleFactor = 1000;
    std::vector<std::uint16_t> points;  // those actually present
    // Points present but not kept, in a document decoded without its contents.
    std::size_t pointsNotKept = 0;
    std::size_t presentPoints() const { return points.size() + pointsNotKept; }
};

struct DataPoints {
    std::uint32_t declaredPoints = 0;
    std::uint16_t declaredGroups = 0;
    std::vector<ScaleGroup> groups;  // those actually present
    std::size_t pointCount() const;  // the points present in all groups
};

enum class ChecksumStatus { Valid, Mismatch, Absent };

// The ways instruments compute the Cksum value, in the order they are tried.
enum class ChecksumConvention {
    CcittFalseBeforeField,       // CRC-16/CCITT-FALSE over every byte before the field
    CcittFalseBeforeBlock,       // the same over the bytes before the Cksum block
    CcittFalseWholeFieldZeroed,  // the same over the whole file with the field zeroed
    XmodemBeforeField,           // CRC-16/XMODEM over the bytes before the field
    GenibusBeforeField,          // CRC-16/GENIBUS over the bytes before the field
};
constexpr ChecksumConvention kAllConventions[] = {
    ChecksumConvention::CcittFalseBeforeField, ChecksumConvention::CcittFalseBeforeBlock,
    ChecksumConvention::CcittFalseWholeFieldZeroed, ChecksumConvention::XmodemBeforeField,
    ChecksumConvention::GenibusBeforeField};

struct Checksum {
    ChecksumStatus status = ChecksumStatus::Absent;
    std::optional<ChecksumConvention> convention;  // the one that matched, when valid
    std::optional<std::uint16_t> stored;           // the value in the file, when present
};

// A block the decoder does not interpret, kept as it is.
struct OtherBlock {
    std::string name;
    std::uint16_t revision = 0;
    Bytes bytes;  // the block body after its name (issue 2) or the whole body (issue 1)
    // The body's bytes not kept, in a document decoded without its contents.
    std::size_t bytesNotKept = 0;
    std::size_t size() const { return bytes.size() + bytesNotKept; }
};

struct Document {
    int version = 2;  // 1 or 2
    std::uint16_t mapRevision = 200;
    // The Map's own entry first, then every block in Map order.
    std::vector<BlockEntry> blocks;
    std::optional<GeneralParams> general;  // absent when the block is missing or empty
    std::optional<SupplierParams> supplier;
    std::optional<FixedParams> fixed;
    std::optional<KeyEvents> keyEvents;
    std::optional<DataPoints> data;
    Checksum checksum;
    std::vector<OtherBlock> others;
    Bytes trailing;  // bytes after the last mapped block
    // Departures from the format that were read past (each names the block and offset).
    std::vector<std::string> warnings;
};

// Where the front panel lies, in 100 ps after the first point of the trace. The acquisition
// offset is the time from the front panel to the first point (negative where the instrument
// records a stretch before the front panel), so the front panel lies at minus that offset.
// Instruments that leave it at 0 while giving a front panel offset (the time from their
// receiver to the front panel) start the trace at the receiver, that offset before the front
// panel. Files that give both place the front panel alike by either.
double frontPanelTime(const Document& doc);

// Where the locations of KeyEvents (events and summary) are counted from, in 100 ps after the
// first point of the trace: the user offset (the end of a launch cable, which instruments put
// at 0 when there is none), itself counted from the front panel.
double eventOriginTime(const Document& doc);

const char* checksumStatusName(ChecksumStatus s);
// A short stable name ("ccitt_false_before_field") and a description for people.
const char* conventionName(ChecksumConvention c);
const char* conventionDescription(ChecksumConvention c);

// Names compare without case and without trailing blanks ("CKsum" is "Cksum", "Foo " is "Foo").
bool sameBlockName(std::string_view a, std::string_view b);

}  // namespace otdr::sr4731
