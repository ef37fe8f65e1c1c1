#include "analysis/event_edit.h"

#include <cmath>

#include "analysis/event_texts.h"
#include "util/checked.h"
#include "util/numeric.h"

namespace otdr {

namespace {

void moveTextRow(EventText& text, int to, int from) {
    for (auto& column : text)
        column[static_cast<std::size_t>(to)] = column[static_cast<std::size_t>(from)];
}

}  // namespace

int insertEventRow(EventTable& t, EventText& text, float targetMetres, std::uint16_t word,
                   float sampleSpacing, float helixFactor) {
    const int n = t.count();
    if (n >= kMaxEvents) return 0;
    int row = n + 1;
    for (int k = 1; k <= n; ++k) {
        const float dk =
            toF32(static_cast<double>(t.position(k)) * static_cast<double>(sampleSpacing) *
                  static_cast<double>(helixFactor));
        if (targetMetres < dk) {
            row = k;
            break;
        }
    }
    t.insert(row, word);
    for (int i = n + 1; i >= row + 1; --i) moveTextRow(text, i - 1, i - 2);
    return row;
}

void removeEventRow(EventTable& t, EventText& text, int r) {
    const int n = t.count();
    if (r < 1 || r > n) return;
    t.remove(r);
    for (int i = r; i <= n - 1; ++i) moveTextRow(text, i - 1, i);
}

FitResult measureEditedEvent(const MeasureInput& in, std::int16_t eventWidth,
                             const EventTable& table, int t, int comboIndex, float enteredKm,
                             EventText& text) {
    const TestParameters& p = in.params;
    auto y = [&](std::int64_t i) -> std::int32_t { return at(in.x, i); };
    auto step = [&](std::int64_t i) -> std::int32_t { return at(in.work.stepSignal, i); };
    auto cls = [&](std::int64_t i) -> std::int32_t { return at(in.work.stepClass, i); };
    auto cell = [&](int col) -> std::string& {
        return text[static_cast<std::size_t>(col)][static_cast<std::size_t>(t - 1)];
    };
    FitResult last;
    auto fit = [&](std::int64_t a, std::int64_t b) {
        last = fitLine(in.x, a, b, p.sampleSpacing);
        return last;
    };
    if (t < 1 || t > kMaxEvents) return last;

    const int ew = eventWidth;
    const int e = table.position(t);
    const int n = table.count();

    // M1. Fibre start; a launch region still falling steeply is skipped once more.
    int s = findFiberStart(in.x, ew, in.peakLevel, p.attenuationDb);
    if (std::abs(y(s) - y(2 * static_cast<std::int64_t>(s))) > 1500 &&
        s < 1000.0 / nominalSpacing(p.rangeIndex))
        s = 2 * s;

    // M2. Average loss of the section that ends at the event.
    int w0 = 0, w1 = 0;
    if (t == 1) {
        if (e <= 10) {
            w0 = s + 20;
            w1 = e;
        } else if (e > s && e - s > 7000) {
            w0 = e - 7000;
            w1 = e - 10;
        } else if (s + 250 < e - 10) {
            w0 = s + 300;
            w1 = e - 10;
        } else {
            w0 = s + 200;
            w1 = e - 10;
        }
    } else {
        const int prev = table.position(t - 1);
        if (table.reflective(t - 1)) {
            const int k = prev + 2 * ew;
            const int j = e > 200 ? e - 200 : e;
            int i = k;
            while (i < j && step(i) >= 500) ++i;
            w0 = (j < k && e > 100) ? e - 100 : i;
        } else {
            const int end = e > 20 ? e - 20 : e;
            int i = prev;
            while (i < end && cls(i) != 0) ++i;
            w0 = i + 10;
        }
        if (w0 == e - 10 && e > 30) w0 = e - 30;
        w1 = e > 10 ? e - 10 : e;
    }
    const FitResult lead = fit(w0, w1);
    const double a =
        std::fabs(-static_cast<double>(lead.slope) * static_cast<double>(lossScaleFor(p)));
    cell(kColAverageLoss) = averageLossCell(a, p.wavelengthClass);

    // M3. Splice loss.
    if (t == n) {
        cell(kColSpliceLoss) = std::string(kNoValueCell);
    } else {
        const int q = table.position(t + 1);
        int from = 0;
        if (table.reflective(t)) {
            const int k = e + 2 * ew;
            from = (k > q - 200 && q > 100) ? q - 100 : k;
        } else {
            int i = e + ew;
            const int end = q > 20 ? q - 20 : q;
            while (i < end && cls(i) != 0) ++i;
            from = i + 10;
        }
        if (from == q - 10 && q > 30) from = q - 30;
        if (from >= q && q > 80) from = q - 80;
        const int to = q > 10 ? q - 10 : q;
        const FitResult trail = fit(from, to);
        const float splice =
            toF32(((static_cast<double>(lead.slope) - static_cast<double>(trail.slope)) * e *
                       static_cast<double>(p.sampleSpacing) +
                   (static_cast<double>(lead.intercept) - static_cast<double>(trail.intercept))) *
                  0.001);
        cell(kColSpliceLoss) = cellNumber("%8.3f", splice);
    }

    // M4. Link loss from the fibre start.
    const std::int32_t m = (y(e - 1) + y(e)) / 2;
    const double l = std::abs(y(s) - m) * 0.001;
    if ((p.rangeIndex < 1 && p.pulseWidthNs <= 80 && p.attenuationDb >= 10.0f && e < s) ||
        static_cast<double>(enteredKm) * 1000.0 < 20.0)
        cell(kColLinkLoss) = std::string(kNoValueCell);
    else
        cell(kColLinkLoss) = cellNumber("%8.3f", l);

    // M5. Return loss.
    if (comboIndex == 1) {
        cell(kColReturnLoss) = std::string(kNoValueCell);
    } else {
        const double k = p.wavelengthClass == 0 ? 82.3 : 80.3;
        std::int32_t hi = y(e - 3), lo = y(e - 3);
        for (int i = e - 2; i < e + ew; ++i) {
            if (y(i) > hi)
                hi = y(i);
            else if (y(i) < lo && i < e + ew / 2)
                lo = y(i);
        }
        const double g = std::pow(10.0, (hi - lo) * 0.00015053) - 1.0;
        double pdb = pulseWidthDb(p.pulseWidthNs);
        if (g > 0) pdb += 10.0 * std::log10(g);
        const double r = k - pdb;
        const char* fmt = hi > 0.95 * in.peakLevel ? "<%7.3f"
                          : hi - lo > 17000        ? ">%7.3f"
                                                   : " %7.3f";
        cell(kColReturnLoss) = cellNumber(fmt, r);
    }
    return last;
}

}  // namespace otdr
