#include "sr4731/generator.h"

#include <algorithm>
#include <cmath>

namespace otdr::sr4731 {

namespace {

std::vector<BlockEntry> standardBlocks(bool withKeyEvents) {
    std::vector<BlockEntry> b{{names::kMap, 200, 0, 0},
                              {names::kGenParams, 200, 0, 0},
                              {names::kSupParams, 200, 0, 0},
                              {names::kFxdParams, 200, 0, 0}};
    if (withKeyEvents) b.push_back({names::kKeyEvents, 200, 0, 0});
    b.push_back({names::kDataPts, 200, 0, 0});
    b.push_back({names::kCksum, 200, 0, 0});
    return b;
}

// One-way time in 100 ps for a distance in metres.
std::int32_t timeOf(double metres, double groupIndex) {
    return static_cast<std::int32_t>(std::lround(metres / (1e-10 * kSpeedOfLight / groupIndex)));
}

}  // namespace

Document typicalDocument(int version, std::size_t points) {
    Document d;
    d.version = version;
    d.mapRevision = version >= 2 ? 200 : 100;
    d.blocks = standardBlocks(true);
    for (BlockEntry& e : d.blocks) e.revision = d.mapRevision;

    GeneralParams& g = d.general.emplace();
    g.languageCode = "EN";
    g.cableId = "K-17";
    g.fiberId = "F03";
    g.fiberType = version >= 2 ? 652 : 0;
    g.nominalWavelengthNm = 1550;
    g.originatingLocation = "NODE-A";
    g.terminatingLocation = "NODE-B";
    g.cableCode = "GYTA-48";
    g.dataFlag = "BC";
    g.userOffset = 0;
    g.operatorName = "Tech";
    g.comment = "acceptance";

    d.supplier =
        SupplierParams{"Acme Optics",          "OT-9000", "SN12345", "M-1550", "MS-77", "4.2.1 rev",
                       "calibrated 2024-03-01"};

    FixedParams& f = d.fixed.emplace();
    f.timestamp = 1718000000;
    f.distanceUnits = "mt";
    f.actualWavelength = 15500;
    f.pulses = {{30, 100000, static_cast<std::uint32_t>(points)}};
    f.groupIndex = 146800;
    f.backscatterCoefficient = 810;
    f.averages = 4000;
    f.acquisitionRange = 300000;
    f.noiseFloorLevel = 31000;
    f.noiseFloorScaleFactor = 1000;
    f.lossThreshold = 50;
    f.reflectanceThreshold = 65000;
    f.endOfFibreThreshold = 3000;
    if (version >= 2) {
        f.averagingTime = 30;
        f.acquisitionRangeDistance = 60000;
        f.traceType = "ST";
    }

    KeyEvents& k = d.keyEvents.emplace();
    const double n = f.effectiveGroupIndex();
    const double length = static_cast<double>(points) * f.spacingMetres(0);
    k.events = {{1, 0, 0, -120, -52340, "1F9999", "LS", {}, " "},
                {2, timeOf(length * 0.4, n), 190, 280, 0, "0F9999", "LS", {}, "splice"},
                {3, timeOf(length * 0.8, n), 185, 610, -18420, "2E9999", "LS", {}, "end"}};
    if (version >= 2) k.events[1].markers = {1, 2, 3, 4, 5};
    k.summary = {4810,  0, static_cast<std::int32_t>(k.events[2].propagationTime),
                 31250, 0, static_cast<std::int32_t>(k.events[2].propagationTime)};

    DataPoints& p = d.data.emplace();
    p.declaredPoints = static_cast<std::uint32_t>(points);
    p.declaredGroups = 1;
    ScaleGroup& sg = p.groups.emplace_back();
    sg.declaredPoints = static_cast<std::uint32_t>(points);
    sg.scaleFactor = 1000;
    sg.points.resize(points);
    // 0.2 dB/km from 0 with a little repeating structure.
    for (std::size_t i = 0; i < points; ++i)
        sg.points[i] = static_cast<std::uint16_t>(
            std::min<std::size_t>(65535, i * 41 / 1000 + (i * 7919) % 13));
    return d;
}

ForeignTrace makeForeignTrace(const ForeignTraceConfig& c) {
    ForeignTrace out;
    out.truth = sim::simulate(c.fibre);
    Document& d = out.doc = typicalDocument(c.version, c.points);
    FixedParams& f = *d.fixed;
    f.groupIndex = static_cast<std::int32_t>(std::lround(c.fibre.refractiveIndex * 100000.0));
    f.pulses = {{static_cast<std::uint16_t>(c.fibre.pulseWidthNs), c.dataSpacing, c.points}};
    const int nm = c.fibre.wavelengthNm;
    f.actualWavelength = static_cast<std::uint16_t>(nm * 10);
    d.general->nominalWavelengthNm = static_cast<std::uint16_t>(nm);
    f.averages = static_cast<std::uint32_t>(c.fibre.averageCount);
    f.timestamp = c.fibre.timestamp;
    const double lengthMetres = c.points * f.spacingMetres(0);
    f.acquisitionRange = static_cast<std::uint32_t>(timeOf(lengthMetres, f.effectiveGroupIndex()));
    if (c.version >= 2)
        f.acquisitionRangeDistance = static_cast<std::int32_t>(std::lround(lengthMetres * 10));

    // Levels: the simulated samples interpolated at each point's distance.
    const SampleArray& s = out.truth.samples;
    const double simSpacing = out.truth.params.sampleSpacing;
    const double dx = f.spacingMetres(0);
    const double top = *std::max_element(s.begin(), s.end());
    const double unit = c.scaleFactor / 1000.0;  // counts per stored step
    ScaleGroup& g = d.data->groups.front();
    g.scaleFactor = c.scaleFactor;
    for (std::uint32_t i = 0; i < c.points; ++i) {
        const double x = std::min(i * dx / simSpacing, double{kSampleCount - 1});
        const auto k = static_cast<std::size_t>(x);
        const double t = x - static_cast<double>(k);
        const double counts = k + 1 < s.size() ? s[k] + (s[k + 1] - s[k]) * t : s[k];
        g.points[i] =
            static_cast<std::uint16_t>(std::clamp(std::round((top - counts) / unit), 0.0, 65535.0));
    }

    // The instrument's own event table, as its analysis left it.
    KeyEvents& ke = *d.keyEvents;
    ke.events.clear();
    const double n = f.effectiveGroupIndex();
    const double slope = out.truth.attenuationDbPerKm * 1000.0;
    double total = 0;
    for (std::size_t e = 0; e < out.truth.truth.size(); ++e) {
        const sim::SimTruthEvent& t = out.truth.truth[e];
        const bool last = e + 1 == out.truth.truth.size();
        KeyEvent k;
        k.number = static_cast<std::uint16_t>(e + 1);
        k.propagationTime = timeOf(t.km * 1000.0, n);
        k.slope = static_cast<std::int16_t>(std::lround(slope));
        k.loss = static_cast<std::int16_t>(last ? 0 : std::lround(t.lossDb * 1000.0));
        k.reflectance =
            t.reflective ? static_cast<std::int32_t>(std::lround(t.reflectanceDb * 1000)) : 0;
        k.code = last ? "2E9999" : t.reflective ? "1F9999" : "0F9999";
        k.lossTechnique = "LS";
        k.comment = " ";
        if (!last) total += t.lossDb;
        ke.events.push_back(k);
    }
    const double lengthKm = out.truth.truth.back().km;
    total += lengthKm * out.truth.attenuationDbPerKm;
    const auto endTime = static_cast<std::int32_t>(ke.events.back().propagationTime);
    ke.summary = {
        static_cast<std::int32_t>(std::lround(total * 1000)), 0, endTime, 32000, 0, endTime};
    return out;
}

}  // namespace otdr::sr4731
