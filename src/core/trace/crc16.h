#pragma once
// CRC-16 with the polynomial 0x1021, most significant bit first, no reflection, in the
// variants SOR files use:
//  - CRC-16/CCITT-FALSE: initial value 0xFFFF, no final XOR; check value of "123456789" 0x29B1;
//  - CRC-16/XMODEM: initial value 0, no final XOR; check value 0x31C3;
//  - CRC-16/GENIBUS: initial value 0xFFFF, final XOR 0xFFFF; check value 0xD64E.

#include <cstdint>

#include "util/bytes.h"

namespace otdr {

// Continues a CRC register over more bytes (no final XOR applied), so one pass over a file
// can give the CRC of several of its prefixes.
std::uint16_t crc16Update(std::uint16_t crc, ByteView data);

// The register after n zero bytes from the given start value, in O(log n) steps. Since the
// CRC is linear, crc16Update(a, data) ^ crc16Update(b, data) == crc16AfterZeros(a ^ b, n) for
// n data bytes: the CRC of a block from another start value follows without a second pass.
std::uint16_t crc16AfterZeros(std::uint16_t crc, std::uint64_t n);

std::uint16_t crc16CcittFalse(ByteView data);
std::uint16_t crc16Xmodem(ByteView data);
std::uint16_t crc16Genibus(ByteView data);

}  // namespace otdr
