#include "sr4731/document.h"

#include <string_view>

namespace otdr::sr4731 {

double FixedParams::wavelengthNm() const {
    return actualWavelength < 2000 ? actualWavelength : actualWavelength * 0.1;
}

double FixedParams::effectiveGroupIndex() const {
    const double n = groupIndex * 0.00001;
    return (n > 1.0 && n <= 2.0) ? n : kFallbackGroupIndex;
}

double FixedParams::metresOfTime(double time100ps) const {
    return time100ps * 1e-10 * kSpeedOfLight / effectiveGroupIndex();
}

double FixedParams::spacingMetres(std::size_t pulse) const {
    if (pulse >= pulses.size()) return 0.0;
    // The data spacing is the time of 10000 points.
    return metresOfTime(pulses[pulse].dataSpacing / 10000.0);
}

double frontPanelTime(const Document& doc) {
    if (!doc.fixed) return 0.0;
    const FixedParams& f = *doc.fixed;
    return f.acquisitionOffset != 0 ? -static_cast<double>(f.acquisitionOffset)
                                    : static_cast<double>(f.frontPanelOffset);
}

double eventOriginTime(const Document& doc) {
    const double user = doc.general ? doc.general->userOffset : 0.0;
    return frontPanelTime(doc) + user;
}

std::size_t DataPoints::pointCount() const {
    std::size_t n = 0;
    for (const ScaleGroup& g : groups) n += g.presentPoints();
    return n;
}

const char* checksumStatusName(ChecksumStatus s) {
    switch (s) {
        case ChecksumStatus::Valid:
            return "valid";
        case ChecksumStatus::Mismatch:
            return "mismatch";
        case ChecksumStatus::Absent:
            break;
    }
    return "absent";
}

const char* conventionName(ChecksumConvention c) {
    switch (c) {
        case ChecksumConvention::CcittFalseBeforeField:
            return "ccitt_false_before_field";
        case ChecksumConvention::CcittFalseBeforeBlock:
            return "ccitt_false_before_block";
        case ChecksumConvention::CcittFalseWholeFieldZeroed:
            return "ccitt_false_whole_file_field_zeroed";
        case ChecksumConvention::XmodemBeforeField:
            return "xmodem_before_field";
        case ChecksumConvention::GenibusBeforeField:
            return "genibus_before_field";
    }
    return "";
}

const char* conventionDescription(ChecksumConvention c) {
    switch (c) {
        case ChecksumConvention::CcittFalseBeforeField:
            return "CRC-16/CCITT-FALSE over every byte before the checksum field";
        case ChecksumConvention::CcittFalseBeforeBlock:
            return "CRC-16/CCITT-FALSE over the bytes before the Cksum block";
        case ChecksumConvention::CcittFalseWholeFieldZeroed:
            return "CRC-16/CCITT-FALSE over the whole file with the checksum field zeroed";
        case ChecksumConvention::XmodemBeforeField:
            return "CRC-16/XMODEM over every byte before the checksum field";
        case ChecksumConvention::GenibusBeforeField:
            return "CRC-16/GENIBUS over every byte before the checksum field";
    }
    return "";
}

namespace {
std::string_view withoutTrailingBlanks(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}
char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

bool sameBlockName(std::string_view a, std::string_view b) {
    a = withoutTrailingBlanks(a);
    b = withoutTrailingBlanks(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

}  // namespace otdr::sr4731
