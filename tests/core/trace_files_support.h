#pragma once
// Builders for trace files used by the format and workspace tests.

#include <string>

#include "trace/sor_format.h"
#include "trace/trace_record.h"
#include "trace/zt_format.h"

namespace otdr::test {

// A falling ramp with a little structure, different at every index.
inline SampleArray rampSamples(std::uint16_t start = 50000) {
    SampleArray s{};
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] =
            static_cast<std::uint16_t>(start - static_cast<int>(i) + static_cast<int>(i % 7) * 3);
    return s;
}

inline GenParams sampleTexts() {
    GenParams g;
    g.cableId = "CABLE-7";
    g.fiberId = "F12";
    g.originatingLocation = "Station A";
    g.terminatingLocation = "Station B";
    g.cableCode = "GYTA-24";
    g.dataFlag = "BC";
    g.operatorName = "Wang";
    g.comment = "after repair";
    return g;
}

inline SorWriteParams sorParams(std::int16_t range = 7) {
    SorWriteParams p;
    p.rangeIndex = range;
    p.pulseWidthNs = 1280;
    p.refractiveIndex = 1.4682f;
    p.averageCount = 16;
    p.eventThreshold = 0.05f;
    p.waveText = "1550 nm";
    p.timestamp = 1142604309;  // 2006-03-17 14:05:09 UTC
    return p;
}

inline Bytes makeSor(const SampleArray& samples, const SorWriteParams& p = sorParams(),
                     const GenParams& texts = sampleTexts()) {
    TraceRecord rec;
    rec.genParams = texts;
    return buildSor(rec, samples, p).value();
}

// A header as the instrument writes it for a range index (current layout).
inline ZtHeader ztHeader(std::int16_t range = 5, int waveCode = 1) {
    TestParameters p;
    p.rangeIndex = range;
    p.pulseWidthNs = 320;
    p.averageCount = 64;
    p.attenuationDb = 10.0f;
    p.wavelengthClass = static_cast<std::uint8_t>(waveCode);
    p.lossScale = {1.0f, 1.0f, 1.0f};
    p.refractiveIndex = 1.4675f;
    p.helixFactor = 0.98f;
    ZtHeader h;
    rebuildZtHeader(h, p, std::string(wavelengthTextForCode(waveCode)), 0, 1280);
    return h;
}

inline Bytes makeZt(const SampleArray& samples, const ZtHeader& h = ztHeader(),
                    GenParams texts = sampleTexts()) {
    return buildZt(texts, h, samples, EventTable{}, EventText{});
}

}  // namespace otdr::test
