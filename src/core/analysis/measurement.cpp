#include "analysis/measurement.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "analysis/event_texts.h"
#include "util/checked.h"
#include "util/numeric.h"

namespace otdr {

namespace {

// Rows: pulse 10, 30, 80, 160, 320, 640, 1280, 5120, 10240 ns, other. Columns: range index
// 0..9, then any range above 9.
constexpr double kWidthFactor[10][11] = {
    {50, 50, 50, 50, 200, 35, 25, 7, 4, 2, 2},
    {25, 25, 25, 25, 25, 100, 28, 12, 4, 2, 1},
    {14, 14, 14, 14, 13, 13, 9, 7, 4, 1, 1},
    {7, 7, 7, 7, 7, 7, 10, 8, 4, 2, 1},
    {4, 4, 4, 4, 4, 5, 5, 7, 7, 4, 1},
    {1.8, 1.8, 1.8, 1.8, 1.8, 4, 3, 4, 7, 4, 1.1},
    {1.3, 1.3, 1.3, 1.3, 1.3, 1.3, 1.3, 2, 2, 2, 1},
    {2.6, 2.6, 2.6, 2.6, 2.6, 2.6, 2.6, 2.6, 2.6, 3, 1},
    {1.15, 1.15, 1.15, 1.15, 1.15, 1.15, 1.15, 1.15, 1.15, 1.15, 1.15},
    {1.15, 1.15, 1.15, 1.15, 1.15, 1.15, 1.15, 1.15, 1.15, 1.15, 1.15},
};

// The measurement loop's view of one table: positions, flags, levels and fits.
class TableMeasurer {
  public:
    TableMeasurer(const MeasureInput& in, EventTable& t, EventText& text, int eventWidth)
        : in_(in), p_(in.params), t_(t), text_(text), ew_(eventWidth) {}

    std::optional<FitResult> run();

  private:
    std::int32_t x(std::int64_t i) const { return at(in_.x, i); }
    std::int32_t step(std::int64_t i) const { return at(in_.work.stepSignal, i); }
    std::int32_t cls(std::int64_t i) const { return at(in_.work.stepClass, i); }
    double metres(int index) const {
        return static_cast<double>(index) * static_cast<double>(p_.sampleSpacing) *
               static_cast<double>(p_.helixFactor);
    }
    FitResult fit(std::int64_t a, std::int64_t b) {
        last_ = fitLine(in_.x, a, b, p_.sampleSpacing);
        return *last_;
    }
    void setCell(int col, int i, std::string s) {
        text_[static_cast<std::size_t>(col)][static_cast<std::size_t>(i)] = std::move(s);
    }
    FitResult leadingFit(int i, int cur, int prev);
    FitResult trailingFit(int cur, int next, bool curReflective);
    std::string returnLossCell(int cur) const;
    std::string linkLossCell(int cur, double dist) const;

    const MeasureInput& in_;
    const TestParameters& p_;
    EventTable& t_;
    EventText& text_;
    int ew_;
    int fiberStart_ = 0;
    std::optional<FitResult> last_;
};

FitResult TableMeasurer::leadingFit(int i, int cur, int prev) {
    const int fs = fiberStart_;
    if (i == 0) {
        if (cur <= 10) return fit(fs + 20, cur);
        if (cur > fs && cur - fs > 7000) return fit(cur - 7000, cur - 10);
        if (fs + 250 < cur - 10) return fit(fs + 250, cur - 10);
        return fit(fs + 100, cur - 10);
    }
    int c = 0;
    if (t_.reflective(i)) {
        c = prev + 2 * ew_;
        const int lim = cur > 200 ? cur - 200 : cur;
        int j = c;
        while (j < lim && step(j) >= 500) ++j;
        c = (lim < c && cur > 100) ? cur - 100 : j;
    } else {
        c = prev;
        const int lim = cur > 20 ? cur - 20 : cur;
        int j = c;
        while (j < lim && cls(j) != 0) ++j;
        c = j + 10;
        // 500 m in samples; a degenerate spacing cannot push the window past the trace.
        const int s500 = static_cast<int>(std::clamp<std::int64_t>(
            truncToI64(500.0 / static_cast<double>(p_.sampleSpacing)), 0, kSampleCount));
        if (x(c) - x(static_cast<std::int64_t>(c) + s500) > 850) c += s500;
    }
    if (c == cur - 10 && cur > 30) c = cur - 30;
    if (c > cur) c = prev + 50;
    const int t = cur > 10 ? cur - 10 : cur;
    return fit(c, t);
}

FitResult TableMeasurer::trailingFit(int cur, int next, bool curReflective) {
    int c = 0;
    if (curReflective) {
        c = cur + 2 * ew_;
        if (next - 200 < c && next > 100) c = next - 100;
    } else {
        c = cur + ew_;
        const int lim = next > 20 ? next - 20 : next;
        int j = c;
        while (j < lim && cls(j) != 0) ++j;
        c = j + 10;
    }
    if (c == next - 10 && next > 30) c = next - 30;
    if (c >= next && next > 80) c = next - 80;
    const int t = next > 10 ? next - 10 : next;
    FitResult r = fit(c, t);
    if (std::fabs(r.slope) > 2.5f) {
        if (next > 50) r = fit(next - 50, next - 5);
        if (std::fabs(r.slope) > 2.5f && next > 10) r = fit(c, next - 10);
    }
    return r;
}

std::string TableMeasurer::returnLossCell(int cur) const {
    const std::int32_t base = x(cur);
    std::int32_t peak = base;
    for (int j = cur - 2; j <= cur + ew_ / 2 - 1; ++j) peak = std::max(peak, x(j));
    const double f = (peak - base) * 0.0002;
    const double y = std::pow(10.0, f) - 1.0;
    double l = pulseWidthDb(p_.pulseWidthNs);
    if (y > 0) l += 10.0 * std::log10(y);
    const double k = p_.wavelengthClass == 0 ? 81.7 : 80.3;
    return cellNumber(" %7.3f", k - l);
}

std::string TableMeasurer::linkLossCell(int cur, double dist) const {
    const int fs = fiberStart_;
    std::int32_t ref = (x(fs + 80) + x(fs + 81) + x(fs + 82) + x(fs + 83) + x(fs + 84)) / 5;
    const std::int32_t lvl = (x(cur - 1) + x(cur)) / 2;
    double ll = std::abs(ref - lvl) * 0.001;
    if ((p_.rangeIndex < 4 && p_.pulseWidthNs <= 80 && p_.attenuationDb >= 10.0f && cur < fs) ||
        dist < 50.0 || ll == 0.0)
        return std::string(kNoValueCell);
    if (dist <= 300.0 && (ll > 1.0 || ll < 0.01)) {
        const int s70 = truncToI32(70.0 / nominalSpacing(p_.rangeIndex));
        ref = (x(s70 - 1) + x(s70) + x(s70 + 1)) / 3;
        ll = std::abs(ref - lvl) * 0.001;
    }
    return cellNumber("%8.3f", ll);
}

std::optional<FitResult> TableMeasurer::run() {
    fiberStart_ = findFiberStart(in_.x, ew_, in_.peakLevel, p_.attenuationDb);

    const double signalEnd = metres(in_.signalEndIndex);
    const double endMargin =
        (p_.rangeIndex == 0 || (p_.rangeIndex < 4 && p_.pulseWidthNs == 10)) ? 10.0 : 200.0;
    const double minGap = p_.pulseWidthNs * static_cast<double>(1.8f) * 0.1;
    const float ls = lossScaleFor(p_);

    int i = 0;
    auto goBack = [&i] { i = i > 0 ? i - 1 : 0; };
    while (i < t_.count()) {
        const int n = t_.count();
        const int cur = t_.position(i + 1);
        const int prev = t_.position(i);
        const int next = t_.position(i + 2);
        const bool curRefl = t_.reflective(i + 1);
        const bool prevRefl = i > 0 && t_.reflective(i);
        const double dist = metres(cur);
        const double prevdist = metres(prev);

        // 1. Outside the fibre.
        if (dist < 2.0 || dist > signalEnd + endMargin) {
            t_.remove(i + 1);
            continue;
        }
        // 2. Too close to the previous event.
        if (i > 0) {
            if (dist - prevdist < 3.0 || (prevRefl && !curRefl && dist - prevdist < minGap)) {
                t_.remove(i + 1);
                goBack();
                continue;
            }
        }
        // 3. Distance.
        setCell(kColDistance, i, cellNumber("%8.4f", dist * 0.001));
        // 4. The section leading up to the event.
        FitResult lead = leadingFit(i, cur, prev);
        // 5. A trace that falls steeply into the noise before the first event is no trace.
        if (i == 0 && std::fabs(lead.slope) > 5.0f && dist > 800.0 && x(cur) < 8000) {
            t_.setCount(0);
            break;
        }
        // 6. The fibre ended right after the previous event.
        if (i > 0 && p_.pulseWidthNs != 10) {
            if (x(cur) < 5000 && x(prev) - x(cur) > 9000) {
                t_.setCount(i);
                goBack();
                continue;
            }
            if (prevRefl) {
                const std::int32_t d = x(prev) - x(cur);
                const double s1 = std::fabs(static_cast<double>(lead.slope));
                if (std::abs(d) > 5000 && (s1 > 2.0 || (d > 6000 && s1 > 0.7))) {
                    t_.setCount(i);
                    goBack();
                    continue;
                }
            }
        }
        // 7. Average loss of the leading section.
        const double a = std::fabs(static_cast<double>(lead.slope) * static_cast<double>(ls));
        setCell(kColAverageLoss, i, averageLossCell(a, p_.wavelengthClass));

        if (i >= n - 1) {
            // 8. The last event has no splice loss.
            setCell(kColSpliceLoss, i, std::string(kNoValueCell));
        } else {
            // 9. Splice loss: the drop between the lines fitted before and after the event.
            if (std::fabs(lead.slope) > 2.5f && cur > 50) {
                const FitResult near = fit(cur - 50, cur);
                if (std::fabs(near.slope) < 2.5f) lead = near;
            }
            const FitResult trail = trailingFit(cur, next, curRefl);
            const double dv =
                ((static_cast<double>(lead.slope) - static_cast<double>(trail.slope)) * cur *
                     static_cast<double>(p_.sampleSpacing) +
                 (static_cast<double>(lead.intercept) - static_cast<double>(trail.intercept))) *
                0.001;
            const double v = static_cast<double>(toF32(dv));
            const double av = std::fabs(v);
            if ((curRefl && next - cur >= 200 && av > 2.0 && av < 10.0 &&
                 std::fabs(trail.slope) > 2.5f) ||
                av >= 10.0) {
                t_.setCount(i + 1);
                goBack();
                continue;
            }
            const bool keep = (av > static_cast<double>(in_.eventThreshold) || curRefl) &&
                              (av <= 4.0 || dist >= 70.0 || p_.pulseWidthNs <= 10);
            if (!keep) {
                t_.remove(i + 1);
                goBack();
                continue;
            }
            setCell(kColSpliceLoss, i, cellNumber("%8.3f", v));
        }
        // 10. Return loss.
        setCell(kColReturnLoss, i, curRefl ? returnLossCell(cur) : std::string(kNoValueCell));
        // 11. Link loss.
        setCell(kColLinkLoss, i, linkLossCell(cur, dist));
        ++i;
    }
    return last_;
}

}  // namespace

double eventWidthFactor(int pulseRow, int rangeIndex) {
    const int row = pulseRow < 0 || pulseRow > 9 ? 9 : pulseRow;
    const int col = rangeIndex >= 0 && rangeIndex <= 9 ? rangeIndex : 10;
    return kWidthFactor[row][col];
}

std::int16_t computeEventWidth(int pulseWidthNs, int rangeIndex, float sampleSpacing) {
    int pw = pulseWidthNs;
    if (rangeIndex >= 9 && pw >= 1280) pw = 1280;
    std::int64_t base = truncToI64(pw / (10.0 * static_cast<double>(sampleSpacing)));
    if (base == 0) base = 1;
    int row = 9;
    for (std::size_t k = 0; k < kPulseWidthTable.size(); ++k)
        if (kPulseWidthTable[k] == pw) row = static_cast<int>(k);
    return static_cast<std::int16_t>(
        truncLow16(static_cast<double>(base) * eventWidthFactor(row, rangeIndex)));
}

int findFiberStart(SampleView x, int eventWidth, std::uint16_t peakLevel, float attenuationDb) {
    const std::int32_t peak = peakLevel;
    int f = eventWidth;
    if (attenuationDb > 0.0f) {
        while (static_cast<std::int32_t>(at(x, f)) >= peak - peak / 10 && f < 24000) ++f;
    } else {
        while (static_cast<std::int32_t>(at(x, f)) >= peak && f < 24000) ++f;
    }
    return f + 100;
}

double pulseWidthDb(int pulseWidthNs) {
    return pulseWidthNs > 0 ? 10.0 * std::log10(static_cast<double>(pulseWidthNs)) : 0.0;
}

float lossScaleFor(const TestParameters& p) {
    const int c = p.wavelengthClass;
    return p.lossScale[static_cast<std::size_t>(c >= 0 && c <= 2 ? c : 0)];
}

std::optional<FitResult> measureEventTable(const MeasureInput& in, EventTable& table,
                                           EventText& text, std::int16_t& eventWidth) {
    eventWidth =
        computeEventWidth(in.params.pulseWidthNs, in.params.rangeIndex, in.params.sampleSpacing);
    TableMeasurer m(in, table, text, eventWidth);
    return m.run();
}

}  // namespace otdr
