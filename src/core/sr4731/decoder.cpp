#include "sr4731/decoder.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "sr4731/block_reader.h"
#include "sr4731/trace.h"
#include "trace/crc16.h"
#include "util/numeric.h"

namespace otdr::sr4731 {

namespace {

Error refusal(std::string message) {
    return Error{ErrorKind::BadInput, std::move(message)};
}

std::string at(std::uint64_t offset) {
    return " at offset " + std::to_string(offset);
}

struct MapResult {
    std::vector<BlockEntry> blocks;
    int version = 2;
};

bool printableName(std::string_view s) {
    if (s.empty() || s.size() > 32) return false;
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            return false;
    return true;
}

// Reads the Map at offset 0 and places every block after it in Map order.
Result<MapResult> readMap(ByteView file) {
    MapResult m;
    const std::size_t len = file.size();
    const bool named = len >= 4 && std::memcmp(file.data(), "Map\0", 4) == 0;
    m.version = named ? 2 : 1;
    // A first-revision Map has no name; such a file is recognised by a Map that makes sense.
    const std::string what = named ? "Map at offset 0"
                                   : "not an SR-4731 file: no \"Map\" at offset 0, and a "
                                     "first-revision Map there";
    const std::size_t head = named ? 12 : 8;
    if (len < head)
        return refusal(what + " needs " + std::to_string(head) + " bytes, but the file has " +
                       std::to_string(len));
    const std::size_t p = named ? 4 : 0;
    BlockEntry self;
    self.name = names::kMap;
    self.revision = getU16(file, p);
    self.size = getU32(file, p + 2);
    const std::uint16_t count = getU16(file, p + 6);
    if (self.size < head)
        return refusal(what + " declares " + std::to_string(self.size) +
                       " bytes, fewer than its own " + std::to_string(head) + "-byte header");
    if (self.size > len)
        return refusal(what + " declares " + std::to_string(self.size) +
                       " bytes, but the file has " + std::to_string(len));
    if (count == 0) return refusal(what + " declares 0 blocks (it counts itself)");
    // Each entry takes at least 7 bytes: a one-byte name with its zero, revision and size.
    const std::size_t end = self.size;
    if ((count - 1) * std::size_t{7} > end - head)
        return refusal(what + " declares " + std::to_string(count) + " blocks, but its " +
                       std::to_string(self.size) + " bytes hold at most " +
                       std::to_string((end - head) / 7 + 1));
    m.blocks.reserve(count);
    m.blocks.push_back(self);
    std::size_t pos = head;
    std::uint64_t offset = self.size;
    for (std::uint16_t k = 1; k < count; ++k) {
        const std::size_t entryAt = pos;
        const auto* zero =
            static_cast<const std::uint8_t*>(std::memchr(file.data() + pos, 0, end - pos));
        if (!zero || static_cast<std::size_t>(zero - file.data()) + 7 > end)
            return refusal(what + ": entry " + std::to_string(k) + " of " +
                           std::to_string(count - 1) + at(entryAt) +
                           " runs past the end of the Map (" + std::to_string(end) + " bytes)");
        BlockEntry e;
        const std::size_t nameLen = static_cast<std::size_t>(zero - file.data()) - pos;
        e.name.assign(reinterpret_cast<const char*>(file.data()) + pos, nameLen);
        pos += nameLen + 1;
        e.revision = getU16(file, pos);
        e.size = getU32(file, pos + 2);
        pos += 6;
        if (!named && !printableName(e.name))
            return refusal(what + ": entry " + std::to_string(k) + at(entryAt) +
                           " has no readable block name");
        e.offset = offset;
        offset += e.size;
        m.blocks.push_back(std::move(e));
    }
    return m;
}

enum class Kind { General, Supplier, Fixed, KeyEvents, Data, Checksum, Other };

Kind blockKindOf(std::string_view name) {
    if (sameBlockName(name, names::kGenParams)) return Kind::General;
    if (sameBlockName(name, names::kSupParams)) return Kind::Supplier;
    if (sameBlockName(name, names::kFxdParams)) return Kind::Fixed;
    if (sameBlockName(name, names::kKeyEvents)) return Kind::KeyEvents;
    if (sameBlockName(name, names::kDataPts)) return Kind::Data;
    if (sameBlockName(name, names::kCksum)) return Kind::Checksum;
    return Kind::Other;
}

// Length of the name that starts an issue-2 block body, 0 when the body does not start so.
std::size_t nameHeaderLength(ByteView body, std::string_view mapName) {
    const std::size_t limit = std::min<std::size_t>(body.size(), mapName.size() + 8);
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(body.data(), 0, limit));
    if (!zero) return 0;
    const auto n = static_cast<std::size_t>(zero - body.data());
    const std::string_view name(reinterpret_cast<const char*>(body.data()), n);
    return sameBlockName(name, mapName) ? n + 1 : 0;
}

// Event and summary locations that lie before the start of the trace or beyond its last point
// (by more than a point's spacing), counted from the events' origin, are kept as read and named
// in the warnings with the location as read.
void warnLocationsOutsideTrace(Document& doc) {
    if (!doc.keyEvents) return;
    const std::optional<double> last = lastPointMetres(doc);
    if (!last) return;
    const FixedParams& f = *doc.fixed;
    double slack = 0.0;
    for (std::size_t k = 0; k < f.pulses.size(); ++k) slack = std::max(slack, f.spacingMetres(k));
    const double origin = eventOriginTime(doc);
    auto check = [&](const std::string& what, std::int32_t time) {
        const double m = f.metresOfTime(time + origin);
        if (m >= 0.0 && m <= *last + slack) return;
        doc.warnings.push_back(
            cformat("KeyEvents: %s at %.4f km lies outside the trace (0 to %.4f km)", what.c_str(),
                    f.metresOfTime(time) / 1000.0, *last / 1000.0));
    };
    for (const KeyEvent& e : doc.keyEvents->events)
        check("event " + std::to_string(e.number), e.propagationTime);
    const KeyEventSummary& s = doc.keyEvents->summary;
    check("end-to-end loss start", s.lossStart);
    check("end-to-end loss end", s.lossEnd);
    check("optical return loss start", s.orlStart);
    check("optical return loss end", s.orlEnd);
}

}  // namespace

Checksum verifyChecksum(ByteView file, std::size_t blockOffset, std::size_t fieldOffset) {
    Checksum c;
    if (fieldOffset + 2 > file.size() || blockOffset > fieldOffset) return c;
    const std::uint16_t stored = getU16(file, fieldOffset);
    c.stored = stored;
    const std::uint16_t beforeBlock = crc16Update(0xFFFF, file.first(blockOffset));
    const std::uint16_t beforeField =
        crc16Update(beforeBlock, file.subspan(blockOffset, fieldOffset - blockOffset));
    for (ChecksumConvention conv : kAllConventions) {
        std::uint16_t crc = 0;
        switch (conv) {
            case ChecksumConvention::CcittFalseBeforeField:
                crc = beforeField;
                break;
            case ChecksumConvention::CcittFalseBeforeBlock:
                crc = beforeBlock;
                break;
            case ChecksumConvention::CcittFalseWholeFieldZeroed: {
                constexpr std::uint8_t kZeros[2] = {0, 0};
                crc = crc16Update(crc16Update(beforeField, kZeros), file.subspan(fieldOffset + 2));
                break;
            }
            case ChecksumConvention::XmodemBeforeField:
                // From the same pass: the start values 0xFFFF and 0 differ by 0xFFFF.
                crc = beforeField ^ crc16AfterZeros(0xFFFF, fieldOffset);
                break;
            case ChecksumConvention::GenibusBeforeField:
                crc = static_cast<std::uint16_t>(beforeField ^ 0xFFFF);
                break;
        }
        if (crc == stored) {
            c.status = ChecksumStatus::Valid;
            c.convention = conv;
            return c;
        }
    }
    c.status = stored == 0 ? ChecksumStatus::Absent : ChecksumStatus::Mismatch;
    return c;
}

Result<Document> decode(ByteView file, const DecodeOptions& options) {
    auto map = readMap(file);
    if (!map) return map.error();
    Document doc;
    doc.version = map.value().version;
    doc.blocks = std::move(map.value().blocks);
    doc.mapRevision = doc.blocks.front().revision;
    const std::size_t len = file.size();

    bool seenChecksum = false;
    bool seen[static_cast<int>(Kind::Other)] = {};
    std::uint64_t end = doc.blocks.front().size;
    for (std::size_t b = 1; b < doc.blocks.size(); ++b) {
        const BlockEntry& e = doc.blocks[b];
        end = e.offset + e.size;
        if (e.name.empty())
            doc.warnings.push_back("block " + std::to_string(b) + at(e.offset) + " has no name");
        // The bytes of the block that the file holds.
        const std::size_t start = e.offset < len ? static_cast<std::size_t>(e.offset) : len;
        const std::size_t stop = end < len ? static_cast<std::size_t>(end) : len;
        if (end > len)
            doc.warnings.push_back(e.name + at(e.offset) + " declares " + std::to_string(e.size) +
                                   " bytes, but the file ends after " +
                                   std::to_string(stop - start) + " of them");
        ByteView body = file.subspan(start, stop - start);
        std::size_t header = 0;
        if (doc.version >= 2 && !body.empty()) {
            header = nameHeaderLength(body, e.name);
            if (header == 0)
                doc.warnings.push_back(e.name + at(e.offset) +
                                       " does not start with its name; read from its first byte");
        }
        body = body.subspan(header);
        Kind kind = blockKindOf(e.name);
        if (kind != Kind::Other && kind != Kind::Checksum && seen[static_cast<int>(kind)]) {
            doc.warnings.push_back(e.name + at(e.offset) +
                                   " appears a second time; kept as an unread block");
            kind = Kind::Other;
        }
        if (kind == Kind::Checksum) {
            if (seenChecksum) {
                doc.warnings.push_back(e.name + at(e.offset) +
                                       " appears a second time; kept as an unread block");
                kind = Kind::Other;
            } else {
                seenChecksum = true;
                if (body.size() >= 2) doc.checksum = verifyChecksum(file, start, start + header);
                if (!doc.checksum.stored && e.size > 0)
                    doc.warnings.push_back(e.name + at(e.offset) + " holds no checksum value");
                continue;
            }
        }
        if (kind == Kind::Other) {
            if (options.contents)
                doc.others.push_back(
                    OtherBlock{e.name, e.revision, Bytes(body.begin(), body.end())});
            else
                doc.others.push_back(OtherBlock{e.name, e.revision, {}, body.size()});
            continue;
        }
        seen[static_cast<int>(kind)] = true;
        if (body.empty()) continue;  // a zero-size block (or one holding only its name)
        detail::BlockReader r(e.name, body, start + header, doc.warnings);
        bool ok = true;
        switch (kind) {
            case Kind::General:
                ok = detail::readGeneralParams(r, doc.version, doc.general.emplace());
                break;
            case Kind::Supplier:
                ok = detail::readSupplierParams(r, doc.supplier.emplace());
                break;
            case Kind::Fixed:
                ok = detail::readFixedParams(r, doc.version, doc.fixed.emplace());
                break;
            case Kind::KeyEvents:
                ok = detail::readKeyEvents(r, doc.version, doc.keyEvents.emplace());
                break;
            case Kind::Data:
                ok = detail::readDataPoints(r, doc.data.emplace(), options.contents);
                break;
            default:
                break;
        }
        if (!ok) return refusal(r.error() + " (block" + at(e.offset) + ")");
    }

    if (end < len) doc.trailing.assign(file.begin() + static_cast<std::ptrdiff_t>(end), file.end());
    if (doc.fixed && doc.data) {
        std::uint64_t fixedPoints = 0;
        for (const PulseWidth& p : doc.fixed->pulses) fixedPoints += p.points;
        if (fixedPoints != doc.data->pointCount())
            doc.warnings.push_back(
                "FxdParams gives " + std::to_string(fixedPoints) + " data points, DataPts holds " +
                std::to_string(doc.data->pointCount()) + "; the points present are used");
    }
    warnLocationsOutsideTrace(doc);
    return doc;
}

}  // namespace otdr::sr4731
