#include "trace/samples.h"

#include <array>

namespace otdr {

void expandHalfRate(ByteView points, std::size_t pointCount, SampleArray& out) {
    std::array<std::uint16_t, kHalfSampleCount> in{};
    for (std::size_t k = 0; k < pointCount && k < in.size(); ++k) in[k] = getU16(points, 2 * k);
    out[0] = in[0];
    for (std::size_t k = 1; k < in.size(); ++k) {
        out[2 * k] = in[k];
        out[2 * k - 1] =
            static_cast<std::uint16_t>((static_cast<unsigned>(out[2 * k - 2]) + in[k]) / 2);
    }
}

}  // namespace otdr
