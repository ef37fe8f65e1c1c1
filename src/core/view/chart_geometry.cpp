#include "view/chart_geometry.h"

#include <algorithm>

#include "trace/trace_record.h"
#include "view/view_math.h"

namespace otdr {

namespace {
// The last sample index a chart point may sum (index 32767 is never summed).
constexpr std::int32_t kLastPlottedSample = kSampleCount - 2;

// Sum of samples[from..to), where indices outside the array read 0: the range is cut to the
// array once, so the loop itself reads only inside it.
std::uint32_t sumSamples(std::span<const std::uint16_t> samples, std::int32_t from,
                         std::int32_t to) {
    const auto size = static_cast<std::int64_t>(samples.size());
    const std::int64_t lo = std::max<std::int64_t>(from, 0);
    const std::int64_t hi = std::min<std::int64_t>(to, size);
    std::uint32_t sum = 0;
    for (std::int64_t i = lo; i < hi; ++i) sum += samples[static_cast<std::size_t>(i)];
    return sum;
}
}  // namespace

void plotLevels(std::span<const std::uint16_t> samples, const ViewState& view, int slot,
                ChartLevels& out) {
    const int spp = samplesPerPointOf(view);
    const auto divisor = static_cast<std::uint32_t>(levelDivisorOf(view.vScaleIndex));
    const std::int32_t shift = view.levelOffset + (slot == 1 ? 2 : 0);
    for (int p = 0; p < kChartPoints; ++p) {
        const std::int32_t start = view.firstSample + p * spp;
        const std::int32_t end = std::min(start + spp, kLastPlottedSample + 1);
        const std::uint32_t sum = sumSamples(samples, start, end);
        const auto scaled =
            static_cast<std::int32_t>(sum / static_cast<std::uint32_t>(spp) / divisor);
        const std::int32_t level = std::clamp(scaled - shift, 0, kChartHeight);
        out[static_cast<std::size_t>(p)] = static_cast<std::int16_t>(level);
    }
}

LabelSpan labelSpanBeside(float x) {
    const double xd = x;
    if (xd + 88.0 > kChartPoints)
        return {static_cast<float>(xd - 2.0), static_cast<float>(xd - 75.0)};
    return {static_cast<float>(xd + 2.0), static_cast<float>(xd + 75.0)};
}

void orderMarkers(std::array<float, 4>& m, int moved, bool fourMarkers) {
    float& a = m[kMarkerSmallA];
    float& A = m[kMarkerA];
    float& B = m[kMarkerB];
    float& b = m[kMarkerSmallB];
    if (fourMarkers) {
        switch (moved) {
            case kMarkerSmallA:
                if (a > A) A = a;
                if (a > B) A = B = a;
                if (a > b) A = B = b = a;
                break;
            case kMarkerA:
                if (a > A) a = A;
                if (A > B) B = A;
                if (A > b) B = b = A;
                break;
            case kMarkerB:
                if (A > B) A = B;
                if (a > B) a = A = B;
                if (B > b) b = B;
                break;
            case kMarkerSmallB:
                if (B > b) B = b;
                if (A > b) A = B = b;
                if (a > b) a = A = B = b;
                break;
            default:
                break;
        }
        return;
    }
    const auto onChartInclusive = [](float x) { return x >= 0.0f && x <= 511.0f; };
    if (A > B && moved == kMarkerA && onChartInclusive(B)) B = A;
    if (A > B && moved == kMarkerB && onChartInclusive(A)) A = B;
}

}  // namespace otdr
