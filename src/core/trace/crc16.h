#pragma once
// CRC-16/CCITT-FALSE: polynomial 0x1021, initial value 0xFFFF, most significant bit first,
// no reflection, no final XOR. Check value of "123456789" is 0x29B1.

#include <cstdint>

#include "util/bytes.h"

namespace otdr {

std::uint16_t crc16CcittFalse(ByteView data);

}  // namespace otdr
