#pragma once
// SOR trace files (Telcordia SR-4731 issue 2 layout) in the fixed subset the instrument uses:
// exactly six blocks, Map, GenParams, SupParams, FxdParams, DataPts and Cksum.

#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "trace/trace_record.h"
#include "util/bytes.h"
#include "util/result.h"

namespace otdr {

namespace sor {
constexpr std::size_t kMapSize = 86;
constexpr std::size_t kSupParamsSize = 68;
constexpr std::size_t kFxdParamsSize = 92;
constexpr std::size_t kDataPtsHeadSize = 20;
constexpr std::size_t kDataPtsSize = 65756;
constexpr std::size_t kCksumSize = 8;
constexpr std::uint32_t kWrittenPointCount = 32868;  // 32768 samples + 100 padding points
constexpr std::uint16_t kPaddingValue = 0xFFF0;
constexpr std::uint16_t kRevision = 200;
constexpr char kMapName[] = "Map";
constexpr char kGenParamsName[] = "GenParams";
constexpr char kSupParamsName[] = "SupParams";
constexpr char kFxdParamsName[] = "FxdParams";
constexpr char kDataPtsName[] = "DataPts";
constexpr char kCksumMapName[] = "Cksum";
constexpr char kCksumBlockName[] = "CKsum";
}  // namespace sor

// The message for a file that is not one the instrument writes.
extern const char* const kNotTraceFileMessage;

enum class ChecksumStatus { Missing, Valid, Mismatch };

// What a SOR file holds, read completely before anything in a slot changes.
struct SorFile {
    std::array<std::uint8_t, 86> map{};
    std::array<std::uint8_t, 92> fxdParams{};
    std::int16_t rangeIndex = 0;
    std::uint32_t timestamp = 0;
    std::string dateText;
    std::string waveText;
    std::uint8_t wavelengthClass = 0;
    std::int16_t fiberCode = 35;
    std::int16_t pulseWidthNs = 0;
    float refractiveIndex = 1.472f;
    std::int32_t averageCount = 0;
    GenParams texts;                                    // only the eight texts are filled
    ChecksumStatus checksum = ChecksumStatus::Missing;  // Missing when not verified
    SampleArray samples{};  // already in the program's sense (larger = stronger)
};

// Parses a SOR file. Anything that is not a complete six-block file is refused with
// kNotTraceFileMessage. The checksum is only checked (and reported) when asked for; opening a
// file does not depend on it.
Result<std::unique_ptr<SorFile>> readSor(ByteView data, bool verifyChecksum = true);

// The range index a FxdParams acquisition range distance stands for.
std::int16_t sorRangeIndexForDistance(std::uint32_t distance);

// "YYYY.MM.DD  HH:MM:SS" in local time.
std::string sorDateText(std::time_t stamp);

struct SorWriteParams {
    std::int16_t rangeIndex = 0;
    std::int16_t pulseWidthNs = 0;
    float refractiveIndex = 1.472f;
    std::int32_t averageCount = 0;
    float eventThreshold = 0.05f;
    std::string waveText;
    std::uint32_t timestamp = 0;
};

// Builds a whole SOR file in memory, checksum included. Normalises the record's texts, fills
// its block images as written and leaves the samples untouched. Refused only when the texts
// are too long for the 16-bit block size.
Result<Bytes> buildSor(TraceRecord& record, const SampleArray& samples, const SorWriteParams& p);

}  // namespace otdr
