// Marker measurements: the label texts of the three measurement modes, the mode commands and
// the shared least-squares line fit.

#include "measure/line_fit.h"
#include "measure/marker_measure.h"
#include "util/numeric.h"
#include "workspace/workspace.h"
#include "workspace/workspace_view_internal.h"

namespace otdr {

using namespace detail;

namespace {

constexpr double kLabelLimit = 99.999;

// Attenuation and splice values outside +-99.999 (or not a number) show as ">99.999".
std::string limitedText(float value, const char* format, const char* overFormat) {
    const double v = value;
    if (v > kLabelLimit || !(v >= -kLabelLimit)) return formatNumber(overFormat, kLabelLimit);
    return formatNumber(format, v);
}

void showModeControls(Controls& c, int mode) {
    c.setChecked("MOT_TI_Loss", mode == kModeAverageLoss);
    c.setChecked("MOT_TI_Splice", mode == kModeSpliceLoss);
    c.setChecked("MOT_TI_Ref", mode == kModeReflectance);
    const bool splice = mode == kModeSpliceLoss;
    const bool ref = mode == kModeReflectance;
    c.setVisible("Label9", !ref);
    c.setVisible("LB_Atten2", splice);
    c.setVisible("LB_Splice", splice);
    c.setVisible("Label11", splice);
    c.setVisible("Label12", ref);
    c.setVisible("LB_Ref", ref);
}

}  // namespace

void Workspace::fitLine(int start, int end) {
    const FitResult r = otdr::fitLine(s_.active().samples, start, end, s_.params.sampleSpacing);
    s_.fitSlope = r.slope;
    s_.fitIntercept = r.intercept;
}

void Workspace::measureMarkers() {
    const MarkerState& m = s_.markers;
    TestParameters& p = s_.params;
    Controls& c = s_.controls;
    const SampleSpan samples(s_.active().samples);
    const int sa = m.sample[kMarkerSmallA];
    const int sA = m.sample[kMarkerA];
    const int sB = m.sample[kMarkerB];
    const int sb = m.sample[kMarkerSmallB];

    // Distance A-B along the chart, never negative.
    float d = toF32((static_cast<double>(m.x[kMarkerB]) - m.x[kMarkerA]) *
                    samplesPerPointOf(s_.view) * static_cast<double>(p.sampleSpacing));
    if (d < 0.0f) d = 0.0f;
    c.setText("LB_Dis", formatNumber("%8.4f km", static_cast<double>(d) * 0.001));

    if (s_.measureMode == kModeReflectance) {
        c.setText("LB_ATTEN", " ");
        c.setText("LB_Ref", formatNumber("%6.3f dB", reflectance(samples, sA, sB, p.wavelengthClass,
                                                                 p.pulseWidthNs)));
        return;
    }

    c.setText("LB_Loss", formatNumber("%6.3f dB", markerLoss(samples, sA, sB)));
    const auto section = [&](int from, int to) {
        const SectionResult r =
            sectionAttenuation(samples, from, to, p.sampleSpacing, p.wavelengthClass, p.lossScale);
        s_.fitSlope = r.fit.slope;
        s_.fitIntercept = r.fit.intercept;
        return r.dbPerKm;
    };
    c.setText("LB_ATTEN", limitedText(section(sA, sB), "%6.3f dB/km", ">%6.3f dB/km"));
    if (s_.measureMode != kModeSpliceLoss) return;

    c.setText("LB_ATTEN", limitedText(section(sa, sA), "%6.3f dB/km(a-A)", ">%6.3f dB/km(a-A)"));
    c.setText("LB_Atten2", limitedText(section(sB, sb), "%6.3f dB/km(B-b)", ">%6.3f dB/km(B-b)"));
    // The splice loss works on a freshly computed spacing, which it keeps.
    p.sampleSpacing = computeSampleSpacing(p.rangeIndex, p.helixFactor, p.refractiveIndex);
    const SpliceResult splice =
        spliceLoss(samples, sa, sA, sB, sb, p.sampleSpacing, p.wavelengthClass, p.lossScale);
    s_.fitSlope = splice.lastFit.slope;
    s_.fitIntercept = splice.lastFit.intercept;
    c.setText("LB_Splice", limitedText(splice.db, "%6.3f dB", ">%6.3fdB"));
}

namespace {
// The two-marker modes leave a and b undrawn and put the cursor on A unless it is on A or B.
void enterTwoMarkerMode(WorkspaceState& s) {
    s.scene.series(SeriesId::Mark1).clear();
    s.scene.series(SeriesId::Mark4).clear();
    if (s.markers.active != kMarkerA && s.markers.active != kMarkerB) {
        s.markers.active = kMarkerA;
        s.view.cursorX = s.markers.x[kMarkerA];
    }
}
}  // namespace

void Workspace::setMeasureModeLoss() {
    showModeControls(s_.controls, kModeAverageLoss);
    s_.measureMode = kModeAverageLoss;
    enterTwoMarkerMode(s_);
    drawCursor();
    drawMarkers();
    measureMarkers();
}

void Workspace::setMeasureModeRef() {
    showModeControls(s_.controls, kModeReflectance);
    s_.measureMode = kModeReflectance;
    enterTwoMarkerMode(s_);
    drawCursor();
    drawMarkers();
    measureMarkers();
}

void Workspace::setMeasureModeSplice() {
    showModeControls(s_.controls, kModeSpliceLoss);
    s_.measureMode = kModeSpliceLoss;
    // The outer markers start 5 chart points outside the inner ones.
    MarkerState& m = s_.markers;
    float a = toF32(static_cast<double>(m.x[kMarkerA]) - 5.0);
    if (!(a > 0.0f)) a = 0.0f;
    float b = toF32(static_cast<double>(m.x[kMarkerB]) + 5.0);
    if (b > 511.0f) b = 511.0f;
    m.x[kMarkerSmallA] = a;
    m.x[kMarkerSmallB] = b;
    drawMarkers();
}

}  // namespace otdr
