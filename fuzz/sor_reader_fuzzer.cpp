// The SOR reader on any bytes: it must refuse or read, never crash, and what it reads must
// keep the record's invariants.

#include <cstddef>
#include <cstdint>

#include "trace/sor_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto read = otdr::readSor(otdr::ByteView(data, size), /*verifyChecksum=*/true);
    if (!read) return 0;
    const otdr::SorFile& f = *read.value();
    if (f.rangeIndex < 0 || f.rangeIndex > 9) __builtin_trap();
    if (!(f.refractiveIndex > 1.0f && f.refractiveIndex <= 2.0f)) __builtin_trap();
    if (f.wavelengthClass > 2) __builtin_trap();
    return 0;
}
