#include "trace/samples.h"

#include <algorithm>

namespace otdr {

// The loops below run over every sample of every file opened; they work on plain pointers
// with fixed bounds.

void expandHalfRate(ByteView points, std::size_t pointCount, SampleArray& out) {
    // Points beyond the count (or beyond the bytes given) are 0.
    constexpr auto half = static_cast<std::size_t>(kHalfSampleCount);
    const std::size_t n = std::min({pointCount, points.size() / 2, half});
    const std::uint8_t* in = points.data();
    std::uint16_t* o = out.data();
    unsigned previous = n > 0 ? (in[0] | (in[1] << 8)) : 0u;
    o[0] = static_cast<std::uint16_t>(previous);
    for (std::size_t k = 1; k < half; ++k) {
        const unsigned p = k < n ? (in[2 * k] | (in[2 * k + 1] << 8)) : 0u;
        o[2 * k - 1] = static_cast<std::uint16_t>((previous + p) / 2);
        o[2 * k] = static_cast<std::uint16_t>(p);
        previous = p;
    }
}

void readFullRate(ByteView points, SampleArray& out) {
    const std::size_t n = std::min(out.size(), points.size() / 2);
    const std::uint8_t* in = points.data();
    std::uint16_t* o = out.data();
    for (std::size_t i = 0; i < n; ++i)
        o[i] = static_cast<std::uint16_t>(in[2 * i] | (in[2 * i + 1] << 8));
}

void invertSamples(SampleArray& samples) {
    std::uint16_t* s = samples.data();
    for (std::size_t i = 0; i < samples.size(); ++i)
        s[i] = static_cast<std::uint16_t>(65535 - s[i]);
}

}  // namespace otdr
