#pragma once
// The instrument's 80-byte test header, kept as raw little-endian bytes so that reserved
// bytes survive every read and write unchanged. The first 48 bytes alone form the header of
// the older ZT files.

#include <array>
#include <cstddef>
#include <cstdint>

#include "util/bytes.h"

namespace otdr {

class ZtHeader {
  public:
    static constexpr std::size_t kSize = 80;
    static constexpr std::size_t kOldSize = 48;
    static constexpr std::uint32_t kRangeFormatMark = 65280;  // offset 2 holds the range itself

    // Byte offsets of the fields.
    enum Offset : std::size_t {
        kWavelengthCode = 0,
        kRangeIndex = 2,
        kAttenuation = 4,
        kPulseWidth = 6,
        kGroupIndex1310 = 8,
        kGroupIndex1550 = 12,
        kHelixFactor = 16,
        kAverageCount = 20,
        kLossScale0 = 22,
        kLossScale1 = 24,
        kFiberCode = 26,
        kMarkerSmallA = 28,
        kMarkerA = 30,
        kReserved32 = 32,
        kReserved34 = 34,
        kReserved36 = 36,
        kReserved38 = 38,
        kReserved40 = 40,
        kRangeFormat = 48,
        kGroupIndex1625 = 52,
        kLossScale2 = 56,
        kReserved58 = 58,
        kReserved60 = 60,
    };

    std::array<std::uint8_t, kSize> bytes{};

    bool operator==(const ZtHeader&) const = default;

    std::int16_t wavelengthCode() const { return getI16(bytes, kWavelengthCode); }
    std::int16_t rangeIndexField() const { return getI16(bytes, kRangeIndex); }
    std::int16_t attenuation() const { return getI16(bytes, kAttenuation); }
    std::int16_t pulseWidth() const { return getI16(bytes, kPulseWidth); }
    std::int32_t groupIndex1310() const { return getI32(bytes, kGroupIndex1310); }
    std::int32_t groupIndex1550() const { return getI32(bytes, kGroupIndex1550); }
    std::int32_t groupIndex1625() const { return getI32(bytes, kGroupIndex1625); }
    std::int32_t helixFactor() const { return getI32(bytes, kHelixFactor); }
    std::uint16_t averageCount() const { return getU16(bytes, kAverageCount); }
    std::uint16_t lossScale(int cls) const {
        return getU16(bytes, cls == 0 ? kLossScale0 : cls == 1 ? kLossScale1 : kLossScale2);
    }
    std::int16_t fiberCode() const { return getI16(bytes, kFiberCode); }
    std::int16_t markerSmallA() const { return getI16(bytes, kMarkerSmallA); }
    std::int16_t markerA() const { return getI16(bytes, kMarkerA); }
    std::uint32_t rangeFormat() const { return getU32(bytes, kRangeFormat); }

    // The group index stored for a wavelength code: 1550 nm for 1, 1625 nm for 2, else 1310 nm.
    std::int32_t groupIndexForCode(int code) const {
        return code == 1 ? groupIndex1550() : code == 2 ? groupIndex1625() : groupIndex1310();
    }
    // The range index the header describes: offset 2 itself in the current layout, 3 more in
    // the older one.
    int effectiveRangeIndex() const {
        return rangeFormat() == kRangeFormatMark ? rangeIndexField() : rangeIndexField() + 3;
    }

    void setWavelengthCode(std::int16_t v) { putI16(bytes, kWavelengthCode, v); }
    void setRangeIndexField(std::int16_t v) { putI16(bytes, kRangeIndex, v); }
    void setAttenuation(std::int16_t v) { putI16(bytes, kAttenuation, v); }
    void setPulseWidth(std::int16_t v) { putI16(bytes, kPulseWidth, v); }
    void setGroupIndex1310(std::int32_t v) { putI32(bytes, kGroupIndex1310, v); }
    void setGroupIndex1550(std::int32_t v) { putI32(bytes, kGroupIndex1550, v); }
    void setGroupIndex1625(std::int32_t v) { putI32(bytes, kGroupIndex1625, v); }
    void setHelixFactor(std::int32_t v) { putI32(bytes, kHelixFactor, v); }
    void setAverageCount(std::uint16_t v) { putU16(bytes, kAverageCount, v); }
    void setLossScale(int cls, std::uint16_t v) {
        putU16(bytes, cls == 0 ? kLossScale0 : cls == 1 ? kLossScale1 : kLossScale2, v);
    }
    void setFiberCode(std::int16_t v) { putI16(bytes, kFiberCode, v); }
    void setMarkerSmallA(std::int16_t v) { putI16(bytes, kMarkerSmallA, v); }
    void setMarkerA(std::int16_t v) { putI16(bytes, kMarkerA, v); }
    void setRangeFormat(std::uint32_t v) { putU32(bytes, kRangeFormat, v); }
};

}  // namespace otdr
