#include "measure/marker_measure.h"

#include <cmath>

#include "util/checked.h"
#include "util/numeric.h"

namespace otdr {

namespace {
bool degenerate(int p, int q) {
    return p == q || p < 0 || q < 0;
}
}  // namespace

float attenuationScale(int wavelengthClass, const std::array<float, 3>& lossScale) {
    if (wavelengthClass == 0) return lossScale[0];
    if (wavelengthClass == 1) return lossScale[1];
    return lossScale[2];
}

float spliceScale(int wavelengthClass, const std::array<float, 3>& lossScale) {
    if (wavelengthClass == 1) return lossScale[1];
    if (wavelengthClass == 2) return lossScale[2];
    return lossScale[0];
}

float markerLoss(SampleSpan samples, int p, int q) {
    if (degenerate(p, q)) return 0.0f;
    const int lo = p < q ? p : q;
    const int hi = p < q ? q : p;
    const double near = toF32(at(samples, lo));
    const double far = toF32(at(samples, hi));
    return toF32((near - far) * 0.001);
}

SectionResult sectionAttenuation(SampleSpan samples, int p, int q, float sampleSpacing,
                                 int wavelengthClass, const std::array<float, 3>& lossScale) {
    SectionResult r;
    r.fit = fitLine(samples, p, q, sampleSpacing);
    r.dbPerKm = toF32(-static_cast<double>(r.fit.slope) *
                      static_cast<double>(attenuationScale(wavelengthClass, lossScale)));
    return r;
}

float reflectance(SampleSpan samples, int p, int q, int wavelengthClass, int pulseWidthNs) {
    if (degenerate(p, q)) return 0.0f;
    const int lo = p < q ? p : q;
    const int hi = p < q ? q : p;
    const double height = static_cast<double>(at(samples, hi)) - at(samples, lo);
    if (height < 0) return 0.0f;
    const double k = wavelengthClass == 0 ? 81.7 : 80.3;
    // The logarithm of a pulse width of 0 or less is undefined: leave the term out.
    const double pulse =
        pulseWidthNs > 0 ? 10.0 * std::log10(static_cast<double>(pulseWidthNs)) : 0.0;
    const double g = std::pow(10.0, height * 0.0002) - 1.0;
    if (g > 0) return toF32(k - (10.0 * std::log10(g) + pulse));
    return toF32(k - pulse);
}

SpliceResult spliceLoss(SampleSpan samples, int a, int A, int B, int b, float sampleSpacing,
                        int wavelengthClass, const std::array<float, 3>& lossScale) {
    SpliceResult r;
    const FitResult before = fitLine(samples, a, A, sampleSpacing);
    r.lastFit = fitLine(samples, B, b, sampleSpacing);
    const double s1 = before.slope;
    const double c1 = before.intercept;
    const double s2 = r.lastFit.slope;
    const double c2 = r.lastFit.intercept;
    if (s1 == 0.0 || s2 == 0.0) return r;
    const double scale = spliceScale(wavelengthClass, lossScale);
    r.db = toF32(((s1 - s2) * A * static_cast<double>(sampleSpacing) + (c1 - c2)) * 0.001 * scale);
    return r;
}

}  // namespace otdr
