#include "sr4731/encoder.h"

#include <string_view>

#include "trace/crc16.h"

namespace otdr::sr4731 {

namespace {

class Writer {
  public:
    explicit Writer(Bytes& out) : w_(out) {}
    void u16(std::uint16_t v) { w_.u16(v); }
    void i16(std::int16_t v) { w_.u16(static_cast<std::uint16_t>(v)); }
    void u32(std::uint32_t v) { w_.u32(v); }
    void i32(std::int32_t v) { w_.u32(static_cast<std::uint32_t>(v)); }
    void text(std::string_view s) { w_.zeroTerminated(s); }
    // Exactly n bytes: the text cut or filled with zero bytes.
    void fixed(std::string_view s, std::size_t n) {
        w_.text(s.substr(0, n));
        if (s.size() < n) w_.fill(0, n - s.size());
    }

  private:
    ByteWriter w_;
};

void writeGeneral(Writer& w, int version, const GeneralParams& g) {
    w.fixed(g.languageCode, 2);
    w.text(g.cableId);
    w.text(g.fiberId);
    if (version >= 2) w.u16(g.fiberType);
    w.u16(g.nominalWavelengthNm);
    w.text(g.originatingLocation);
    w.text(g.terminatingLocation);
    w.text(g.cableCode);
    w.fixed(g.dataFlag, 2);
    w.i32(g.userOffset);
    if (version >= 2) w.i32(g.userOffsetDistance);
    w.text(g.operatorName);
    w.text(g.comment);
}

void writeSupplier(Writer& w, const SupplierParams& s) {
    for (const std::string* t : {&s.supplierName, &s.mainframeId, &s.mainframeSerial, &s.moduleId,
                                 &s.moduleSerial, &s.softwareRevision, &s.other})
        w.text(*t);
}

void writeFixed(Writer& w, int version, const FixedParams& f) {
    const bool v2 = version >= 2;
    w.u32(f.timestamp);
    w.fixed(f.distanceUnits, 2);
    w.u16(f.actualWavelength);
    w.i32(f.acquisitionOffset);
    if (v2) w.i32(f.acquisitionOffsetDistance);
    w.u16(static_cast<std::uint16_t>(f.pulses.size()));
    for (const PulseWidth& p : f.pulses) w.u16(p.widthNs);
    for (const PulseWidth& p : f.pulses) w.u32(p.dataSpacing);
    for (const PulseWidth& p : f.pulses) w.u32(p.points);
    w.i32(f.groupIndex);
    w.u16(f.backscatterCoefficient);
    w.u32(f.averages);
    if (v2) w.u16(f.averagingTime);
    w.u32(f.acquisitionRange);
    if (v2) w.i32(f.acquisitionRangeDistance);
    w.i32(f.frontPanelOffset);
    w.u16(f.noiseFloorLevel);
    w.i16(f.noiseFloorScaleFactor);
    w.u16(f.powerOffsetFirstPoint);
    w.u16(f.lossThreshold);
    w.u16(f.reflectanceThreshold);
    w.u16(f.endOfFibreThreshold);
    if (v2) {
        w.fixed(f.traceType, 2);
        for (std::int32_t c : f.windowCoordinates) w.i32(c);
    }
}

void writeKeyEvents(Writer& w, int version, const KeyEvents& k) {
    w.u16(static_cast<std::uint16_t>(k.events.size()));
    for (const KeyEvent& e : k.events) {
        w.u16(e.number);
        w.i32(e.propagationTime);
        w.i16(e.slope);
        w.i16(e.loss);
        w.i32(e.reflectance);
        w.fixed(e.code, 6);
        w.fixed(e.lossTechnique, 2);
        if (version >= 2)
            for (std::int32_t m : e.markers) w.i32(m);
        w.text(e.comment);
    }
    const KeyEventSummary& s = k.summary;
    w.i32(s.totalLoss);
    w.i32(s.lossStart);
    w.i32(s.lossEnd);
    w.u16(s.orl);
    w.i32(s.orlStart);
    w.i32(s.orlEnd);
}

void writeData(Writer& w, const DataPoints& d) {
    w.u32(d.declaredPoints);
    w.u16(d.declaredGroups);
    for (const ScaleGroup& g : d.groups) {
        w.u32(g.declaredPoints);
        w.u16(g.scaleFactor);
        for (std::uint16_t p : g.points) w.u16(p);
    }
}

std::string_view trimmedName(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

Bytes encode(const Document& doc, const EncodeOptions& options) {
    // Block bodies first, so that the Map can give their sizes.
    std::vector<Bytes> bodies;
    std::size_t nextOther = 0;
    std::optional<std::size_t> cksumBlock;
    bool written[6] = {};
    for (std::size_t b = 1; b < doc.blocks.size(); ++b) {
        const std::string& name = doc.blocks[b].name;
        Bytes body;
        Writer w(body);
        auto header = [&] {
            if (doc.version >= 2) w.text(trimmedName(name));
        };
        // The first block of a kind takes the document's value; a later one is an other block.
        auto firstOf = [&](const char* kindName, int kind) {
            if (!sameBlockName(name, kindName) || written[kind]) return false;
            written[kind] = true;
            return true;
        };
        auto block = [&](bool present, auto&& writeBody) {
            if (!present) return;
            header();
            writeBody();
        };
        if (firstOf(names::kGenParams, 0)) {
            block(doc.general.has_value(), [&] { writeGeneral(w, doc.version, *doc.general); });
        } else if (firstOf(names::kSupParams, 1)) {
            block(doc.supplier.has_value(), [&] { writeSupplier(w, *doc.supplier); });
        } else if (firstOf(names::kFxdParams, 2)) {
            block(doc.fixed.has_value(), [&] { writeFixed(w, doc.version, *doc.fixed); });
        } else if (firstOf(names::kKeyEvents, 3)) {
            block(doc.keyEvents.has_value(),
                  [&] { writeKeyEvents(w, doc.version, *doc.keyEvents); });
        } else if (firstOf(names::kDataPts, 4)) {
            block(doc.data.has_value(), [&] { writeData(w, *doc.data); });
        } else if (firstOf(names::kCksum, 5)) {
            block(true, [&] { w.u16(0); });
            cksumBlock = b;
        } else if (nextOther < doc.others.size()) {
            const Bytes& raw = doc.others[nextOther++].bytes;
            block(!raw.empty(), [&] { body.insert(body.end(), raw.begin(), raw.end()); });
        }
        bodies.push_back(std::move(body));
    }

    Bytes map;
    Writer m(map);
    if (doc.version >= 2) m.text(names::kMap);
    m.u16(doc.blocks.empty() ? doc.mapRevision : doc.blocks.front().revision);
    std::uint32_t mapSize = doc.version >= 2 ? 12 : 8;
    for (std::size_t b = 1; b < doc.blocks.size(); ++b)
        mapSize += static_cast<std::uint32_t>(doc.blocks[b].name.size() + 7);
    m.u32(mapSize);
    m.u16(static_cast<std::uint16_t>(std::max<std::size_t>(doc.blocks.size(), 1)));
    for (std::size_t b = 1; b < doc.blocks.size(); ++b) {
        m.text(doc.blocks[b].name);
        m.u16(doc.blocks[b].revision);
        m.u32(static_cast<std::uint32_t>(bodies[b - 1].size()));
    }

    Bytes out = std::move(map);
    std::size_t cksumAt = 0;
    for (std::size_t b = 0; b < bodies.size(); ++b) {
        if (cksumBlock && *cksumBlock == b + 1) cksumAt = out.size();
        out.insert(out.end(), bodies[b].begin(), bodies[b].end());
    }
    out.insert(out.end(), doc.trailing.begin(), doc.trailing.end());

    if (cksumBlock) {
        const std::size_t field =
            cksumAt + (doc.version >= 2 ? trimmedName(doc.blocks[*cksumBlock].name).size() + 1 : 0);
        const ByteView all(out);
        std::uint16_t crc = 0;
        switch (options.convention) {
            case ChecksumConvention::CcittFalseBeforeField:
                crc = crc16CcittFalse(all.first(field));
                break;
            case ChecksumConvention::CcittFalseBeforeBlock:
                crc = crc16CcittFalse(all.first(cksumAt));
                break;
            case ChecksumConvention::CcittFalseWholeFieldZeroed:
                crc = crc16CcittFalse(all);  // the field is still zero here
                break;
            case ChecksumConvention::XmodemBeforeField:
                crc = crc16Xmodem(all.first(field));
                break;
            case ChecksumConvention::GenibusBeforeField:
                crc = crc16Genibus(all.first(field));
                break;
        }
        putU16(out, field, options.storedChecksum.value_or(crc));
    }
    return out;
}

}  // namespace otdr::sr4731
