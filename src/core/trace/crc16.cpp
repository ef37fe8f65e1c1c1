#include "trace/crc16.h"

#include <array>

namespace otdr {

namespace {
constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int b = 0; b < 8; ++b) crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
        t[i] = static_cast<std::uint16_t>(crc & 0xFFFF);
    }
    return t;
}
constexpr auto kTable = makeTable();
}  // namespace

std::uint16_t crc16CcittFalse(ByteView data) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : data)
        crc = static_cast<std::uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ byte) & 0xFF]);
    return crc;
}

}  // namespace otdr
