#pragma once
// Conversions between the sample store and the layouts files use for it.

#include <cstdint>

#include "trace/trace_record.h"
#include "util/bytes.h"

namespace otdr {

// Expands 16384 half-rate points into the store: sample 2k is point k and sample 2k - 1 the
// integer mean of its neighbours. Sample 32767 is not written.
void expandHalfRate(ByteView points, std::size_t pointCount, SampleArray& out);

// Reads 32768 little-endian samples straight into the store; samples beyond the bytes given
// are left as they are.
void readFullRate(ByteView points, SampleArray& out);

// Turns every sample into 65535 minus the sample: SOR files store the opposite sense.
void invertSamples(SampleArray& samples);

}  // namespace otdr
