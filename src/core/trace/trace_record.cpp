#include "trace/trace_record.h"

#include <string>

#include "util/numeric.h"
#include "util/text.h"

namespace otdr {

std::string rangeText(int rangeIndex) {
    if (rangeIndex < 0 || rangeIndex >= static_cast<int>(kRangeTable.size())) return {};
    return std::to_string(kRangeTable[static_cast<std::size_t>(rangeIndex)]) +
           (rangeIndex == 0 ? " m" : " km");
}

double rangeKm(int rangeIndex) {
    if (rangeIndex < 0 || rangeIndex >= static_cast<int>(kRangeTable.size())) return 0.0;
    if (rangeIndex == 0) return 0.5;
    return kRangeTable[static_cast<std::size_t>(rangeIndex)];
}

float computeSampleSpacing(int rangeIndex, float helixFactor, float refractiveIndex) {
    const long double index = (refractiveIndex < 1.0f || refractiveIndex > 2.0f)
                                  ? static_cast<long double>(kDefaultRefractiveIndex)
                                  : static_cast<long double>(refractiveIndex);
    const long double helix =
        (helixFactor < 0.8f || helixFactor > 1.0f) ? 1.0L : static_cast<long double>(helixFactor);
    long double base = 10.0L;
    switch (rangeIndex) {
        case 0:
        case 1:
        case 2:
        case 3:
            base = 2.5L;
            break;
        case 4:
            base = 5.0L;
            break;
        case 6:
            base = 20.0L;
            break;
        case 7:
            base = 40.0L;
            break;
        case 8:
            base = 80.0L;
            break;
        case 9:
            base = 160.0L;
            break;
        default:
            base = 10.0L;
            break;
    }
    // Half the speed of light is 14990 / 100000 m per ns; the store holds two samples per
    // acquisition period, hence the halving. Rounded to single precision at both steps.
    const float perPeriod = static_cast<float>(base * 14990.0L * helix / (index * 100000.0L));
    return static_cast<float>(static_cast<long double>(perPeriod) * 0.5L);
}

std::string_view wavelengthTextForCode(int code) {
    switch (code) {
        case 1:
            return "1550 nm";
        case 2:
            return "1625 nm";
        default:
            return "1310 nm";
    }
}

std::int16_t fiberCodeForWaveText(std::string_view waveText) {
    const std::string_view t = trimBlanks(waveText);
    if (t == "850 nm" || t == "1300 nm") return 83;
    if (t == "1625 nm") return 56;
    if (t == "1490 nm") return 34;
    return 35;
}

std::uint16_t nominalWavelengthForWaveText(std::string_view waveText) {
    const std::string_view t = trimBlanks(waveText);
    if (t == "850 nm") return 850;
    if (t == "1300 nm") return 1300;
    if (t == "1310 nm") return 1310;
    if (t == "1550 nm") return 1550;
    if (t == "1625 nm") return 1625;
    if (t == "1490 nm") return 1490;
    return 0;
}

void enforceScaleInvariants(TestParameters& p) {
    for (float& s : p.lossScale)
        if (!(s > 0.0f && s < 2.0f)) s = 1.0f;
    if (!(p.helixFactor >= 0.8f && p.helixFactor <= 1.0f)) p.helixFactor = 1.0f;
}

void rebuildZtHeader(ZtHeader& h, const TestParameters& p, std::string_view waveText,
                     std::int16_t markerSmallASample, std::int16_t markerASample) {
    // The decimal-valued fields are rounded so that reading them back gives the value shown.
    const std::int32_t index = roundToI32(static_cast<double>(p.refractiveIndex) * 100000.0);
    const int cls = p.wavelengthClass;
    h.setWavelengthCode(static_cast<std::int16_t>(p.wavelengthClass));
    h.setRangeIndexField(p.rangeIndex);
    h.setAttenuation(
        static_cast<std::int16_t>(truncLow16(static_cast<double>(p.attenuationDb) * 0.2)));
    h.setPulseWidth(p.pulseWidthNs);
    h.setGroupIndex1310((cls == 0 || cls > 2) ? index : kDefaultGroupIndexField);
    h.setGroupIndex1550(cls == 1 ? index : kDefaultGroupIndexField);
    h.setHelixFactor(roundToI32(static_cast<double>(p.helixFactor) * 100000.0));
    h.setAverageCount(static_cast<std::uint16_t>(p.averageCount));
    for (int c = 0; c < 3; ++c)
        h.setLossScale(
            c, roundLow16(static_cast<double>(p.lossScale[static_cast<std::size_t>(c)]) * 100.0));
    h.setFiberCode(fiberCodeForWaveText(waveText));
    h.setMarkerSmallA(markerSmallASample);
    h.setMarkerA(markerASample);
    putU16(h.bytes, ZtHeader::kReserved32, 0);
    putU16(h.bytes, ZtHeader::kReserved34, 0);
    putU16(h.bytes, ZtHeader::kReserved38, 0);
    h.setRangeFormat(ZtHeader::kRangeFormatMark);
    h.setGroupIndex1625(cls == 2 ? index : kDefaultGroupIndexField);
    putU16(h.bytes, ZtHeader::kReserved58, 0);
    for (std::size_t i = ZtHeader::kReserved60; i < ZtHeader::kSize; ++i) h.bytes[i] = 0;
}

}  // namespace otdr
