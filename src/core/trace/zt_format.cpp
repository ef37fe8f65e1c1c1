#include "trace/zt_format.h"

#include <cstring>

#include "trace/samples.h"
#include "trace/sor_format.h"
#include "util/numeric.h"
#include "util/text.h"

namespace otdr {

namespace {

Error notZtFile() {
    return Error{ErrorKind::NotTraceFile, kNotTraceFileMessage};
}

// A file as the program writes it with n events: 33002 + 26 n bytes and the count n at 33000.
bool isEventLayout(ByteView data) {
    const std::size_t len = data.size();
    if (len <= zt::kWrittenLength + 2) return false;
    const std::size_t body = len - zt::kWrittenLength - 2;
    if (body % zt::kEventRecordSize != 0) return false;
    const std::size_t n = body / zt::kEventRecordSize;
    return n >= 1 && n <= static_cast<std::size_t>(kMaxEvents) &&
           getU16(data, zt::kWrittenLength) == n;
}

std::string fieldText(ByteView data, std::size_t at, std::size_t width, const char* ifEmpty) {
    std::string out;
    for (std::size_t i = at; i < at + width && data[i] != 0; ++i)
        out.push_back(static_cast<char>(data[i]));
    if (out.empty()) out = ifEmpty;
    return out;
}

}  // namespace

std::optional<ZtLayout> ztLayoutFor(ByteView data) {
    const std::size_t len = data.size();
    const std::size_t headerEnd80 = 2 * kHalfSampleCount + ZtHeader::kSize;  // 32848
    if (len == 32816) return ZtLayout{true, 48, 0};
    if (len == 32848) return ZtLayout{true, 80, 0};
    if (len == 32968) return ZtLayout{true, 48, 32816};
    if (len == zt::kWrittenLength || isEventLayout(data)) return ZtLayout{true, 80, headerEnd80};
    if (len >= 32969 && len <= 33099) return ZtLayout{true, 48, 0};
    if (len >= zt::kFullRateLength) return ZtLayout{false, 48, 0};
    return std::nullopt;
}

Result<std::unique_ptr<ZtFile>> readZt(ByteView data) {
    const auto layout = ztLayoutFor(data);
    if (!layout) return notZtFile();
    auto f = std::make_unique<ZtFile>();
    f->layout = *layout;
    std::size_t at = 0;
    if (layout->halfRate) {
        expandHalfRate(data.first(2 * kHalfSampleCount), kHalfSampleCount, f->samples);
        at = 2 * kHalfSampleCount;
    } else {
        readFullRate(data, f->samples);
        at = 2 * kSampleCount;
    }
    std::memcpy(f->header.bytes.data(), data.data() + at, layout->headerSize);

    const int range = f->header.effectiveRangeIndex();
    if (range < 0 || range > 9) return notZtFile();

    if (layout->textsAt != 0) {
        std::size_t p = layout->textsAt;
        GenParams& t = f->texts;
        for (std::string* s : {&t.cableId, &t.fiberId, &t.originatingLocation,
                               &t.terminatingLocation, &t.cableCode}) {
            *s = fieldText(data, p, zt::kTextWidth, " ");
            p += zt::kTextWidth;
        }
        t.dataFlag = fieldText(data, p, 2, "BC");
        p += 2;
        t.operatorName = fieldText(data, p, zt::kTextWidth, " ");
        f->hasTexts = true;
    }
    if (isEventLayout(data)) {
        const std::size_t n = getU16(data, zt::kWrittenLength);
        f->events.reserve(n);
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t at = zt::kWrittenLength + 2 + k * zt::kEventRecordSize;
            ZtEventRecord e;
            e.number = getU16(data, at);
            e.distance = getI32(data, at + 2);
            e.averageLoss = getI16(data, at + 6);
            e.spliceLoss = getI16(data, at + 8);
            e.reflectance = getI32(data, at + 10);
            e.code.assign(reinterpret_cast<const char*>(data.data() + at + 14), 6);
            e.technique.assign(reinterpret_cast<const char*>(data.data() + at + 20), 2);
            e.linkLoss = getI32(data, at + 22);
            f->events.push_back(std::move(e));
        }
    }
    return f;
}

namespace {

void writePadded(ByteWriter& w, std::string& text) {
    text = trimmed(text);
    const std::string_view v(text);
    const std::string_view cut = v.substr(0, std::min(v.size(), zt::kTextWidth));
    w.text(cut);
    w.fill(' ', zt::kTextWidth - cut.size());
    if (text.empty()) text = " ";
}

double cellValue(const std::string& cell, double scale) {
    return parseCNumber(cell) * scale;
}

}  // namespace

Bytes buildZt(GenParams& g, const ZtHeader& header, const SampleArray& samples,
              const EventTable& events, const EventText& text) {
    Bytes out;
    const int n = events.count();
    out.reserve(zt::kWrittenLength +
                (n > 0 ? 2 + zt::kEventRecordSize * static_cast<std::size_t>(n) : 0));
    ByteWriter w(out);
    for (std::size_t i = 0; i < static_cast<std::size_t>(kSampleCount); i += 2) w.u16(samples[i]);
    w.bytes(header.bytes);
    for (std::string* s :
         {&g.cableId, &g.fiberId, &g.originatingLocation, &g.terminatingLocation, &g.cableCode})
        writePadded(w, *s);
    g.dataFlag = trimmed(g.dataFlag);
    if (g.dataFlag.empty()) g.dataFlag = "  ";
    w.text(std::string_view(g.dataFlag).substr(0, 2));
    if (g.dataFlag.size() < 2) w.fill(0, 2 - g.dataFlag.size());
    writePadded(w, g.operatorName);

    if (n > 0) {
        w.u16(static_cast<std::uint16_t>(n));
        for (int r = 1; r <= n; ++r) {
            const auto row = static_cast<std::size_t>(r - 1);
            std::string ret = text[kColReturnLoss][row];
            const bool hasDash = contains(ret, "-");
            if (contains(ret, "<") || contains(ret, ">")) ret.erase(0, 1);
            w.u16(static_cast<std::uint16_t>(r));
            w.u32(
                static_cast<std::uint32_t>(truncToI32(cellValue(text[kColDistance][row], 10000))));
            w.u16(truncLow16(cellValue(text[kColAverageLoss][row], 1000)));
            w.u16(truncLow16(cellValue(text[kColSpliceLoss][row], 1000)));
            w.u32(static_cast<std::uint32_t>(truncToI32(cellValue(ret, 1000))));
            w.text(r == n ? "2E9999" : hasDash ? "0F9999" : "1F9999");
            w.text("LS");
            w.u32(static_cast<std::uint32_t>(truncToI32(cellValue(text[kColLinkLoss][row], 1000))));
        }
    }
    return out;
}

}  // namespace otdr
