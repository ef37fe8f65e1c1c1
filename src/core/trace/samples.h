#pragma once
// Conversions between the sample store and the layouts files use for it.

#include <cstdint>

#include "trace/trace_record.h"
#include "util/bytes.h"

namespace otdr {

// Expands 16384 half-rate points into the store: sample 2k is point k and sample 2k - 1 the
// integer mean of its neighbours. Sample 32767 is not written.
void expandHalfRate(ByteView points, std::size_t pointCount, SampleArray& out);

}  // namespace otdr
