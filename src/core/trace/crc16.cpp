#include "trace/crc16.h"

#include <array>

namespace otdr {

namespace {

// Slicing by eight: table k gives the contribution of a byte followed by k zero bytes.
using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int b = 0; b < 8; ++b) crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
        t[0][i] = static_cast<std::uint16_t>(crc & 0xFFFF);
    }
    for (std::size_t k = 1; k < t.size(); ++k)
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint16_t prev = t[k - 1][i];
            t[k][i] = static_cast<std::uint16_t>((prev << 8) ^ t[0][prev >> 8]);
        }
    return t;
}

constexpr Tables kTables = makeTables();

}  // namespace

std::uint16_t crc16Update(std::uint16_t crc, ByteView data) {
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    while (n >= 8) {
        crc = static_cast<std::uint16_t>(kTables[7][p[0] ^ (crc >> 8)] ^
                                         kTables[6][p[1] ^ (crc & 0xFF)] ^ kTables[5][p[2]] ^
                                         kTables[4][p[3]] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^
                                         kTables[1][p[6]] ^ kTables[0][p[7]]);
        p += 8;
        n -= 8;
    }
    while (n-- > 0)
        crc = static_cast<std::uint16_t>((crc << 8) ^ kTables[0][((crc >> 8) ^ *p++) & 0xFF]);
    return crc;
}

std::uint16_t crc16CcittFalse(ByteView data) {
    return crc16Update(0xFFFF, data);
}

std::uint16_t crc16Xmodem(ByteView data) {
    return crc16Update(0x0000, data);
}

std::uint16_t crc16Genibus(ByteView data) {
    return static_cast<std::uint16_t>(crc16Update(0xFFFF, data) ^ 0xFFFF);
}

}  // namespace otdr
