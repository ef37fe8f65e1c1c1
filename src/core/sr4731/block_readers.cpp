// The field layouts of the interpreted blocks, both revisions.

#include <cstring>

#include "sr4731/block_reader.h"

namespace otdr::sr4731::detail {

void BlockReader::fail(std::string problem) {
    if (!error_) error_ = std::string(block_) + ": " + std::move(problem);
}

void BlockReader::warn(const std::string& problem) {
    warnings_.push_back(std::string(block_) + ": " + problem);
}

bool BlockReader::take(std::size_t n, const char* field) {
    if (error_) return false;
    if (n > remaining()) {
        fail(std::string(field) + " at offset " + std::to_string(fileOffset()) + " needs " +
             std::to_string(n) + (n == 1 ? " byte" : " bytes") + ", but the block ends at offset " +
             std::to_string(base_ + body_.size()));
        return false;
    }
    return true;
}

void BlockReader::u16(std::uint16_t& v, const char* field) {
    if (!take(2, field)) return;
    v = getU16(body_, pos_);
    pos_ += 2;
}
void BlockReader::i16(std::int16_t& v, const char* field) {
    if (!take(2, field)) return;
    v = getI16(body_, pos_);
    pos_ += 2;
}
void BlockReader::u32(std::uint32_t& v, const char* field) {
    if (!take(4, field)) return;
    v = getU32(body_, pos_);
    pos_ += 4;
}
void BlockReader::i32(std::int32_t& v, const char* field) {
    if (!take(4, field)) return;
    v = getI32(body_, pos_);
    pos_ += 4;
}

void BlockReader::fixedText(std::string& v, std::size_t n, const char* field) {
    if (!take(n, field)) return;
    v.assign(reinterpret_cast<const char*>(body_.data()) + pos_, n);
    pos_ += n;
}

void BlockReader::text(std::string& v, const char* field) {
    if (error_) return;
    if (remaining() == 0) {
        v.clear();
        warn(std::string(field) + " at offset " + std::to_string(fileOffset()) +
             " is missing; the block ends there");
        return;
    }
    const std::uint8_t* begin = body_.data() + pos_;
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(begin, 0, remaining()));
    const std::size_t len = zero ? static_cast<std::size_t>(zero - begin) : remaining();
    v.assign(reinterpret_cast<const char*>(begin), len);
    if (!zero)
        warn(std::string(field) + " at offset " + std::to_string(fileOffset()) +
             " has no terminating zero byte; read to the block end");
    pos_ += zero ? len + 1 : len;
}

bool readGeneralParams(BlockReader& r, int version, GeneralParams& g) {
    r.fixedText(g.languageCode, 2, "language code");
    r.text(g.cableId, "cable id");
    r.text(g.fiberId, "fiber id");
    if (version >= 2) r.u16(g.fiberType, "fiber type");
    r.u16(g.nominalWavelengthNm, "nominal wavelength");
    r.text(g.originatingLocation, "originating location");
    r.text(g.terminatingLocation, "terminating location");
    r.text(g.cableCode, "cable code");
    r.fixedText(g.dataFlag, 2, "current data flag");
    r.i32(g.userOffset, "user offset");
    if (version >= 2) r.i32(g.userOffsetDistance, "user offset distance");
    r.text(g.operatorName, "operator");
    r.text(g.comment, "comment");
    return !r.failed();
}

bool readSupplierParams(BlockReader& r, SupplierParams& s) {
    r.text(s.supplierName, "supplier name");
    r.text(s.mainframeId, "mainframe id");
    r.text(s.mainframeSerial, "mainframe serial number");
    r.text(s.moduleId, "optical module id");
    r.text(s.moduleSerial, "optical module serial number");
    r.text(s.softwareRevision, "software revision");
    r.text(s.other, "other");
    return !r.failed();
}

bool readFixedParams(BlockReader& r, int version, FixedParams& f) {
    const bool v2 = version >= 2;
    r.u32(f.timestamp, "date/time stamp");
    r.fixedText(f.distanceUnits, 2, "distance units");
    r.u16(f.actualWavelength, "actual wavelength");
    r.i32(f.acquisitionOffset, "acquisition offset");
    if (v2) r.i32(f.acquisitionOffsetDistance, "acquisition offset distance");
    std::uint16_t pulses = 0;
    r.u16(pulses, "number of pulse widths");
    if (r.failed()) return false;
    // Each pulse width takes 10 bytes (width, spacing, point count).
    if (pulses * std::size_t{10} > r.remaining()) {
        r.fail("declares " + std::to_string(pulses) + " pulse widths at offset " +
               std::to_string(r.fileOffset() - 2) + ", but only " + std::to_string(r.remaining()) +
               " bytes of the block follow");
        return false;
    }
    f.pulses.assign(pulses, PulseWidth{});
    for (PulseWidth& p : f.pulses) r.u16(p.widthNs, "pulse width");
    for (PulseWidth& p : f.pulses) r.u32(p.dataSpacing, "data spacing");
    for (PulseWidth& p : f.pulses) r.u32(p.points, "number of data points");
    r.i32(f.groupIndex, "group index");
    r.u16(f.backscatterCoefficient, "backscatter coefficient");
    r.u32(f.averages, "number of averages");
    if (v2) r.u16(f.averagingTime, "averaging time");
    r.u32(f.acquisitionRange, "acquisition range");
    if (v2) r.i32(f.acquisitionRangeDistance, "acquisition range distance");
    r.i32(f.frontPanelOffset, "front panel offset");
    r.u16(f.noiseFloorLevel, "noise floor level");
    r.i16(f.noiseFloorScaleFactor, "noise floor scale factor");
    r.u16(f.powerOffsetFirstPoint, "power offset first point");
    r.u16(f.lossThreshold, "loss threshold");
    r.u16(f.reflectanceThreshold, "reflectance threshold");
    r.u16(f.endOfFibreThreshold, "end-of-fibre threshold");
    if (v2) {
        r.fixedText(f.traceType, 2, "trace type");
        for (std::int32_t& w : f.windowCoordinates) r.i32(w, "window coordinates");
    }
    return !r.failed();
}

bool readKeyEvents(BlockReader& r, int version, KeyEvents& k) {
    const bool v2 = version >= 2;
    std::uint16_t count = 0;
    r.u16(count, "number of events");
    if (r.failed()) return false;
    // The smallest event: 22 fixed bytes (42 with the markers) and an empty comment.
    const std::size_t smallest = v2 ? 43 : 23;
    if (count * smallest > r.remaining()) {
        r.fail("declares " + std::to_string(count) + " events at offset " +
               std::to_string(r.fileOffset() - 2) + ", but only " + std::to_string(r.remaining()) +
               " bytes of the block follow");
        return false;
    }
    k.events.assign(count, KeyEvent{});
    for (KeyEvent& e : k.events) {
        r.u16(e.number, "event number");
        r.i32(e.propagationTime, "event propagation time");
        r.i16(e.slope, "attenuation coefficient");
        r.i16(e.loss, "event loss");
        r.i32(e.reflectance, "event reflectance");
        r.fixedText(e.code, 6, "event code");
        r.fixedText(e.lossTechnique, 2, "loss measurement technique");
        if (v2)
            for (std::int32_t& m : e.markers) r.i32(m, "marker location");
        r.text(e.comment, "event comment");
    }
    KeyEventSummary& s = k.summary;
    r.i32(s.totalLoss, "end-to-end loss");
    r.i32(s.lossStart, "end-to-end loss start");
    r.i32(s.lossEnd, "end-to-end loss end");
    r.u16(s.orl, "optical return loss");
    r.i32(s.orlStart, "optical return loss start");
    r.i32(s.orlEnd, "optical return loss end");
    return !r.failed();
}

bool readDataPoints(BlockReader& r, DataPoints& d, bool keepPoints) {
    r.u32(d.declaredPoints, "number of data points");
    r.u16(d.declaredGroups, "number of scale factors");
    if (r.failed()) return false;
    for (std::uint16_t gi = 0; gi < d.declaredGroups; ++gi) {
        if (r.remaining() < 6) {
            r.warn("scale factor " + std::to_string(gi + 1) + " of " +
                   std::to_string(d.declaredGroups) + " is missing at offset " +
                   std::to_string(r.fileOffset()) + "; the block ends there");
            break;
        }
        ScaleGroup& g = d.groups.emplace_back();
        r.u32(g.declaredPoints, "points of the scale factor");
        r.u16(g.scaleFactor, "scale factor");
        const std::size_t present = std::min<std::size_t>(g.declaredPoints, r.remaining() / 2);
        if (present < g.declaredPoints)
            r.warn("scale factor " + std::to_string(gi + 1) + " declares " +
                   std::to_string(g.declaredPoints) + " points at offset " +
                   std::to_string(r.fileOffset()) + ", the block holds " + std::to_string(present));
        const ByteView src = r.rest().first(2 * present);
        if (keepPoints)
            g.points.assign(U16Reader(src.data()), U16Reader(src.data() + src.size()));
        else
            g.pointsNotKept = present;
        r.skip(2 * present);
        if (present < g.declaredPoints) break;
    }
    if (d.groups.size() == d.declaredGroups) {
        std::uint64_t sum = 0;
        for (const ScaleGroup& g : d.groups) sum += g.declaredPoints;
        if (sum != d.declaredPoints)
            r.warn("declares " + std::to_string(d.declaredPoints) +
                   " data points, its scale factors " + std::to_string(sum));
    }
    return !r.failed();
}

}  // namespace otdr::sr4731::detail
