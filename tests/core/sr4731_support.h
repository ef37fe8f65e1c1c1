#pragma once
// Building, writing and decoding SR-4731 files of other instruments in the tests.

#include <gtest/gtest.h>

#include <string>

#include "sr4731/decoder.h"
#include "sr4731/encoder.h"
#include "sr4731/generator.h"

namespace otdr::test {

inline sr4731::Document decodeOk(const Bytes& file) {
    auto r = sr4731::decode(file);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().message);
    return r.ok() ? std::move(r.value()) : sr4731::Document{};
}

// The refusal message, or "" when the file was decoded.
inline std::string refusalOf(const Bytes& file) {
    auto r = sr4731::decode(file);
    return r.ok() ? std::string() : r.error().message;
}

inline sr4731::EncodeOptions convention(sr4731::ChecksumConvention c) {
    sr4731::EncodeOptions o;
    o.convention = c;
    return o;
}
inline sr4731::EncodeOptions storedChecksum(std::uint16_t v) {
    sr4731::EncodeOptions o;
    o.storedChecksum = v;
    return o;
}

inline std::size_t blockIndex(const sr4731::Document& d, const std::string& name) {
    for (std::size_t i = 0; i < d.blocks.size(); ++i)
        if (d.blocks[i].name == name) return i;
    return d.blocks.size();
}

// The 60 km fibre of the import tests: four events, 1280 ns at 1550 nm, sampled every
// 2.55 m over 71.5 km by the other instrument.
inline sr4731::ForeignTraceConfig sixtyKmFibre() {
    sr4731::ForeignTraceConfig c;
    c.fibre.rangeIndex = 8;
    c.fibre.pulseWidthNs = 1280;
    c.fibre.wavelengthNm = 1550;
    c.fibre.fibreLengthKm = 60;
    c.fibre.events = {{12.0, 0.2}, {25.0, 0.4}, {38.5, 0.5, true, -45}, {50.0, 0.3}};
    c.fibre.seed = 7;
    return c;
}

// A 2.2 km fibre measured by another instrument over 2.5 km (15670 points of 0.16 m, 30 ns
// at 1550 nm), with its own events: a connector at 1.0099 km, a splice at 1.6 km and the end.
// Its samples run past 500 m, the smallest range whose 32768 samples would reach its end.
inline sr4731::ForeignTraceConfig twoAndAHalfKmTrace() {
    sr4731::ForeignTraceConfig c;
    c.fibre.rangeIndex = 3;
    c.fibre.pulseWidthNs = 30;
    c.fibre.wavelengthNm = 1550;
    c.fibre.fibreLengthKm = 2.2;
    c.fibre.events = {{1.0099, 0.35, true, -44}, {1.6, 0.2}};
    c.fibre.seed = 3;
    c.dataSpacing = 78160;
    c.points = 15670;
    return c;
}

}  // namespace otdr::test
