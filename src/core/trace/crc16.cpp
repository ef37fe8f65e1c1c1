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

namespace {

// A linear map of the 16-bit register: the image of each of its bits.
using RegisterMap = std::array<std::uint16_t, 16>;

std::uint16_t apply(const RegisterMap& m, std::uint16_t v) {
    std::uint16_t out = 0;
    for (int b = 0; b < 16; ++b)
        if (v & (1u << b)) out ^= m[static_cast<std::size_t>(b)];
    return out;
}

// first, then second.
RegisterMap compose(const RegisterMap& first, const RegisterMap& second) {
    RegisterMap out{};
    for (std::size_t b = 0; b < 16; ++b) out[b] = apply(second, first[b]);
    return out;
}

}  // namespace

std::uint16_t crc16AfterZeros(std::uint16_t crc, std::uint64_t n) {
    // One zero byte: the register shifted by eight bits through the table.
    RegisterMap step{};
    for (std::size_t b = 0; b < 16; ++b) {
        const auto v = static_cast<std::uint16_t>(1u << b);
        step[b] = static_cast<std::uint16_t>((v << 8) ^ kTables[0][v >> 8]);
    }
    for (; n > 0; n >>= 1) {
        if (n & 1) crc = apply(step, crc);
        step = compose(step, step);
    }
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
