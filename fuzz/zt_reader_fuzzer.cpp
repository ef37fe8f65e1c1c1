// The ZT reader on any bytes, and on the input fitted to each length the reader tells apart
// (the first byte chooses the length). It must refuse or read, never crash, and a file it
// reads has a range index in 0..9 and texts no longer than their fields.

#include <cstddef>
#include <cstdint>
#include <string>

#include "zt_lengths.h"

namespace {

void check(otdr::ByteView file) {
    auto read = otdr::readZt(file);
    if (!read) return;
    const otdr::ZtFile& f = *read.value();
    const int range = f.header.effectiveRangeIndex();
    if (range < 0 || range > 9) __builtin_trap();
    if (!f.hasTexts) return;
    const otdr::GenParams& t = f.texts;
    for (const std::string* s : {&t.cableId, &t.fiberId, &t.originatingLocation,
                                 &t.terminatingLocation, &t.cableCode, &t.operatorName})
        if (s->empty() || s->size() > otdr::zt::kTextWidth) __builtin_trap();
    if (t.dataFlag.empty() || t.dataFlag.size() > 2) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const otdr::ByteView input(data, size);
    check(input);
    if (size == 0) return 0;
    static otdr::fuzz::ZtFitter fitter;
    check(
        fitter.fit(input.subspan(1), otdr::fuzz::kZtLengths[data[0] % otdr::fuzz::kZtLengthCount]));
    return 0;
}
