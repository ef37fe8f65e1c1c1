#pragma once
// Measurements between markers on the active trace: level difference, section attenuation
// (from a least-squares line), reflectance of a reflective event and the four-marker splice
// loss. A sample is a level count of 0.001 dB; larger counts are stronger signal.
//
// Sample indices are those of the markers (16-bit signed, negative = not placed). Equal or
// negative indices give 0, as does a zero slope on either side of a splice.

#include <array>
#include <cstdint>
#include <span>

#include "measure/line_fit.h"

namespace otdr {

using SampleSpan = std::span<const std::uint16_t>;

// Loss-scale entry used for attenuation: class 0 -> entry 0, 1 -> 1, 2 and any other -> 2.
float attenuationScale(int wavelengthClass, const std::array<float, 3>& lossScale);
// Loss-scale entry used for splice loss: class 1 -> entry 1, 2 -> 2, 0 and any other -> 0.
float spliceScale(int wavelengthClass, const std::array<float, 3>& lossScale);

// (sample[lo] - sample[hi]) x 0.001 dB; a falling trace gives a positive loss.
float markerLoss(SampleSpan samples, int p, int q);

// Attenuation in dB/km of the section p..q: the negated slope of the fitted line times the
// attenuation loss scale. The fit is returned too (the program keeps it as the last fit).
struct SectionResult {
    float dbPerKm = 0.0f;
    FitResult fit;
};
SectionResult sectionAttenuation(SampleSpan samples, int p, int q, float sampleSpacing,
                                 int wavelengthClass, const std::array<float, 3>& lossScale);

// Reflectance (return loss, dB) of an event whose foot is at p and peak at q. A pulse width
// of 0 or less leaves the pulse term out.
float reflectance(SampleSpan samples, int p, int q, int wavelengthClass, int pulseWidthNs);

// Splice loss in dB from the lines fitted over a..A and B..b, compared at marker A.
struct SpliceResult {
    float db = 0.0f;
    FitResult lastFit;  // the fit over B..b, the last one made
};
SpliceResult spliceLoss(SampleSpan samples, int a, int A, int B, int b, float sampleSpacing,
                        int wavelengthClass, const std::array<float, 3>& lossScale);

}  // namespace otdr
