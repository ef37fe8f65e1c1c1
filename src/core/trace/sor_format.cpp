#include "trace/sor_format.h"

#include <cstring>
#include <ctime>

#include "trace/crc16.h"
#include "trace/samples.h"
#include "util/numeric.h"
#include "util/text.h"

namespace otdr {

const char* const kNotTraceFileMessage = "此文件不是VR3728 OTDR的数据文件！";

namespace {

Error notTraceFile() {
    return Error{ErrorKind::NotTraceFile, kNotTraceFileMessage};
}

// Reads zero-terminated texts inside one block; a text that runs to the block end is refused.
class TextCursor {
  public:
    TextCursor(ByteView data, std::size_t pos, std::size_t end) : d_(data), pos_(pos), end_(end) {}

    bool text(std::string& out) {
        std::size_t i = pos_;
        while (i < end_ && d_[i] != 0) ++i;
        if (i >= end_) return false;
        out.assign(reinterpret_cast<const char*>(d_.data()) + pos_, i - pos_);
        if (out.empty()) out = " ";
        pos_ = i + 1;
        return true;
    }
    // The two-byte data flag: the text ends at a zero byte, the position always moves by 2.
    bool flag(std::string& out) {
        if (pos_ + 2 > end_) return false;
        out.clear();
        for (std::size_t i = pos_; i < pos_ + 2 && d_[i] != 0; ++i)
            out.push_back(static_cast<char>(d_[i]));
        if (out.empty()) out = "BC";
        pos_ += 2;
        return true;
    }
    bool skip(std::size_t n) {
        if (pos_ + n > end_) return false;
        pos_ += n;
        return true;
    }

  private:
    ByteView d_;
    std::size_t pos_;
    std::size_t end_;
};

struct WaveEntry {
    std::uint16_t value;
    const char* text;
    std::uint8_t cls;
    std::int16_t fiberCode;
};
constexpr WaveEntry kWaves[] = {
    {8500, "850 nm", 1, 83},   {13000, "1300 nm", 0, 83}, {13100, "1310 nm", 0, 35},
    {14900, "1490 nm", 2, 34}, {15500, "1550 nm", 1, 35}, {16250, "1625 nm", 0, 56},
};

std::uint32_t dataSpacingForRange(int r) {
    switch (r) {
        case 0:
        case 1:
        case 2:
        case 3:
            return 62500;
        case 4:
            return 125000;
        case 5:
            return 250000;
        case 6:
            return 500000;
        case 8:
            return 2000000;
        case 9:
            return 4000000;
        default:
            return 1000000;
    }
}

}  // namespace

std::int16_t sorRangeIndexForDistance(std::uint32_t distance) {
    switch (distance) {
        case 5000:
            return 0;
        case 10000:
            return 1;
        case 20000:
            return 2;
        case 40000:
            return 3;
        case 80000:
            return 4;
        case 160000:
            return 5;
        case 320000:
            return 6;
        case 1280000:
            return 8;
        case 2560000:
            return 9;
        default:
            return 7;
    }
}

std::string sorDateText(std::time_t stamp) {
    std::tm tm{};
    if (localtime_r(&stamp, &tm) == nullptr) return " ";
    char buf[64];
    const std::size_t n = std::strftime(buf, sizeof buf, "%Y.%m.%d  %H:%M:%S", &tm);
    return std::string(buf, n);
}

Result<std::unique_ptr<SorFile>> readSor(ByteView data, bool verifyChecksum) {
    const std::size_t len = data.size();
    if (len < sor::kMapSize || std::memcmp(data.data(), "Map\0", 4) != 0) return notTraceFile();
    if (getU16(data, 10) != 6) return notTraceFile();

    auto f = std::make_unique<SorFile>();
    std::memcpy(f->map.data(), data.data(), sor::kMapSize);
    const std::uint64_t mapSize = getU32(data, 6);
    const std::uint64_t genSize = getU32(data, 24);
    const std::uint64_t supSize = getU32(data, 40);
    const std::uint64_t fxdSize = getU32(data, 56);
    const std::uint64_t dataPtsSize = getU32(data, 70);
    const std::uint64_t cksumSize = getU32(data, 82);

    const std::uint64_t fxdAt = mapSize + genSize + supSize;
    if (fxdAt + sor::kFxdParamsSize > len) return notTraceFile();
    std::memcpy(f->fxdParams.data(), data.data() + fxdAt, sor::kFxdParamsSize);
    const ByteView fxd(f->fxdParams);

    f->rangeIndex = sorRangeIndexForDistance(getU32(fxd, 54));
    f->timestamp = getU32(fxd, 10);
    f->dateText = sorDateText(static_cast<std::time_t>(f->timestamp));

    const std::uint16_t wave = getU16(fxd, 16);
    f->waveText = "1310 nm";
    for (const WaveEntry& w : kWaves) {
        if (w.value == wave) {
            f->waveText = w.text;
            f->wavelengthClass = w.cls;
            f->fiberCode = w.fiberCode;
        }
    }
    f->pulseWidthNs = getI16(fxd, 28);
    const float index = toF32(getI32(fxd, 38) * 0.00001);
    f->refractiveIndex = (index > 1.0f && index <= 2.0f) ? index : kDefaultRefractiveIndex;
    f->averageCount = (getU16(fxd, 48) / 10) * 64;

    // Samples: a full-rate block when there are more than 16384 points besides the padding,
    // otherwise up to 16384 half-rate points expanded.
    const std::uint64_t points = getU32(fxd, 34);
    const std::uint64_t dataAt = fxdAt + fxdSize + sor::kDataPtsHeadSize;
    if (static_cast<std::int64_t>(points) - 100 > kHalfSampleCount) {
        if (dataAt + 2ull * kSampleCount > len) return notTraceFile();
        readFullRate(data.subspan(dataAt, 2 * kSampleCount), f->samples);
    } else {
        const std::uint64_t n = points < kHalfSampleCount ? points : kHalfSampleCount;
        if (dataAt + 2 * n > len) return notTraceFile();
        expandHalfRate(data.subspan(dataAt, 2 * n), n, f->samples);
    }
    invertSamples(f->samples);

    // General parameters: texts after the block name and the language code.
    const std::uint64_t genEnd = mapSize + genSize;
    if (genEnd > len) return notTraceFile();
    TextCursor c(data, mapSize + 12, genEnd);
    GenParams& t = f->texts;
    if (mapSize + 12 > genEnd || !c.text(t.cableId) || !c.text(t.fiberId) || !c.skip(4) ||
        !c.text(t.originatingLocation) || !c.text(t.terminatingLocation) || !c.text(t.cableCode) ||
        !c.flag(t.dataFlag) || !c.skip(8) || !c.text(t.operatorName) || !c.text(t.comment))
        return notTraceFile();

    const std::uint64_t cksumAt = fxdAt + fxdSize + dataPtsSize;
    if (verifyChecksum && cksumSize >= sor::kCksumSize && cksumAt + sor::kCksumSize <= len) {
        const std::uint16_t stored = getU16(data, cksumAt + 6);
        const std::uint16_t computed = crc16CcittFalse(data.first(cksumAt));
        f->checksum = stored == computed ? ChecksumStatus::Valid : ChecksumStatus::Mismatch;
    }
    return f;
}

Result<Bytes> buildSor(TraceRecord& rec, const SampleArray& samples, const SorWriteParams& p) {
    GenParams& g = rec.genParams;
    g.languageCode = "CH";
    g.fiberType = 652;
    g.userOffset = 0;
    g.userOffsetDistance = 0;
    if (const std::uint16_t nm = nominalWavelengthForWaveText(p.waveText); nm != 0)
        g.nominalWavelength = nm;

    std::string* texts[] = {
        &g.cableId,      &g.fiberId, &g.originatingLocation, &g.terminatingLocation, &g.cableCode,
        &g.operatorName, &g.comment};
    std::uint32_t genSize = 26;
    for (std::string* s : texts) {
        *s = trimmed(*s);
        if (s->empty()) *s = " ";
        genSize += static_cast<std::uint32_t>(s->size()) + 1;
    }
    g.dataFlag = trimmed(g.dataFlag);
    if (g.dataFlag.empty()) g.dataFlag = "  ";
    if (genSize > 0xFFFF)
        return Error{ErrorKind::BadInput, "光纤参数文字过长，无法保存为SOR文件。"};

    // Map
    auto& map = rec.sorMap;
    map.fill(0);
    putText(map, 0, sor::kMapName, 4);
    putU16(map, 4, sor::kRevision);
    putU32(map, 6, sor::kMapSize);
    putU16(map, 10, 6);
    struct Entry {
        std::size_t at;
        const char* name;
        std::size_t width;
        std::uint32_t size;
    };
    const Entry entries[] = {{12, sor::kGenParamsName, 10, genSize},
                             {28, sor::kSupParamsName, 10, sor::kSupParamsSize},
                             {44, sor::kFxdParamsName, 10, sor::kFxdParamsSize},
                             {60, sor::kDataPtsName, 8, sor::kDataPtsSize},
                             {74, sor::kCksumMapName, 6, sor::kCksumSize}};
    for (const Entry& e : entries) {
        putText(map, e.at, e.name, e.width);
        putU16(map, e.at + e.width, sor::kRevision);
        putU32(map, e.at + e.width + 2, e.size);
    }

    // SupParams
    auto& sup = rec.supParams;
    sup.fill(0);
    putText(sup, 0, sor::kSupParamsName, 10);
    putText(sup, 10, "Halvern Photonix", 17);
    putText(sup, 27, "VR3728 ", 8);
    putText(sup, 35, "0x0xxxx ", 9);
    putText(sup, 44, "6293", 5);
    putText(sup, 49, "0x0xxxx ", 9);
    putText(sup, 58, "Ver5.50", 8);
    putText(sup, 66, " ", 2);

    // FxdParams
    auto& fxd = rec.fxdParams;
    fxd.fill(0);
    const int r = p.rangeIndex;
    // Rounded, so that the index read back is the one shown (1.4682f is stored as 146820).
    const std::int32_t groupIndex = roundToI32(static_cast<double>(p.refractiveIndex) * 100000.0);
    const double km = r == 0 ? 0.5 : rangeKm(r);
    putText(fxd, 0, sor::kFxdParamsName, 10);
    putU32(fxd, 10, p.timestamp);
    putText(fxd, 14, "mt", 2);
    putU16(fxd, 16, static_cast<std::uint16_t>(g.nominalWavelength * 10));
    putU16(fxd, 26, 1);
    putI16(fxd, 28, p.pulseWidthNs);
    putU32(fxd, 30, dataSpacingForRange(r));
    putU32(fxd, 34, sor::kWrittenPointCount);
    putI32(fxd, 38, groupIndex);
    putU16(fxd, 42, 800);
    putU16(fxd, 48, static_cast<std::uint16_t>(p.averageCount * 10));
    putU32(fxd, 50,
           static_cast<std::uint32_t>(truncToI64(groupIndex * km * 0.33356349214291191967)));
    putU32(fxd, 54, r == 0 ? 5000u : static_cast<std::uint32_t>(km * 10000));
    putU16(fxd, 62, 55000);
    putU16(fxd, 64, 1000);
    putU16(fxd, 68, truncLow16(static_cast<double>(p.eventThreshold) * 1000.0));
    putU16(fxd, 70, 40000);
    putU16(fxd, 72, 3000);
    putText(fxd, 74, "ST", 2);

    // DataPts head
    auto& dph = rec.dataPtsHeader;
    dph.fill(0);
    putText(dph, 0, sor::kDataPtsName, 8);
    putU32(dph, 8, sor::kWrittenPointCount);
    putU16(dph, 12, 1);
    putU32(dph, 14, sor::kWrittenPointCount);
    putU16(dph, 18, 1000);

    // Cksum with its placeholder, replaced below.
    auto& ck = rec.cksumBlock;
    ck.fill(0);
    putText(ck, 0, sor::kCksumBlockName, 6);
    putU16(ck, 6, 0xFFFF);

    Bytes out;
    out.reserve(66010 + genSize);
    ByteWriter w(out);
    w.bytes(map);
    w.zeroTerminated(sor::kGenParamsName);
    w.text(std::string_view(g.languageCode).substr(0, 2));
    w.fill(' ', 2 - std::min<std::size_t>(2, g.languageCode.size()));
    w.zeroTerminated(g.cableId);
    w.zeroTerminated(g.fiberId);
    w.u16(g.fiberType);
    w.u16(g.nominalWavelength);
    w.zeroTerminated(g.originatingLocation);
    w.zeroTerminated(g.terminatingLocation);
    w.zeroTerminated(g.cableCode);
    w.text(std::string_view(g.dataFlag).substr(0, 2));
    if (g.dataFlag.size() < 2) w.fill(0, 2 - g.dataFlag.size());
    w.u32(g.userOffset);
    w.u32(g.userOffsetDistance);
    w.zeroTerminated(g.operatorName);
    w.zeroTerminated(g.comment);
    w.bytes(sup);
    w.bytes(fxd);
    w.bytes(dph);
    const std::size_t dataAt = out.size();
    out.resize(dataAt + 2 * (samples.size() + 100));
    std::uint8_t* d = out.data() + dataAt;
    for (std::uint16_t s : samples) {
        const auto v = static_cast<std::uint16_t>(65535 - s);
        *d++ = static_cast<std::uint8_t>(v & 0xFF);
        *d++ = static_cast<std::uint8_t>(v >> 8);
    }
    for (int i = 0; i < 100; ++i) {
        *d++ = static_cast<std::uint8_t>(sor::kPaddingValue & 0xFF);
        *d++ = static_cast<std::uint8_t>(sor::kPaddingValue >> 8);
    }

    const std::uint16_t crc = crc16CcittFalse(out);
    putU16(ck, 6, crc);
    w.bytes(ck);
    return out;
}

}  // namespace otdr
