#include "sr4731/trace.h"

#include <algorithm>
#include <string>

namespace otdr::sr4731 {

namespace {

Error refused(const std::string& why) {
    return Error{ErrorKind::BadInput, why};
}

// Reads the concatenated groups' points in order: each call appends the levels of points
// [from, from + n), from never smaller than in the call before, so a file of many groups is
// read once, not once per trace.
class LevelReader {
  public:
    explicit LevelReader(const DataPoints& d) : d_(d) {}
    void append(std::size_t from, std::size_t n, std::vector<double>& out) {
        out.reserve(out.size() + n);
        for (; group_ < d_.groups.size() && n > 0; base_ += d_.groups[group_++].points.size()) {
            const ScaleGroup& g = d_.groups[group_];
            const std::size_t size = g.points.size();
            if (from >= base_ + size) continue;
            const double scale = -g.scaleFactor * 1e-6;
            std::size_t i = from - base_;
            for (; i < size && n > 0; ++i, --n, ++from) out.push_back(g.points[i] * scale);
            if (n == 0) break;  // the next trace may start in this group
        }
    }

  private:
    const DataPoints& d_;
    std::size_t group_ = 0;
    std::size_t base_ = 0;  // the index of the group's first point
};

}  // namespace

namespace {

// Where each trace's points lie among the concatenated groups.
struct Span {
    std::size_t pulse, from, count;
};

Result<std::vector<Span>> spansOf(const Document& doc) {
    if (!doc.fixed) return refused("the file has no FxdParams block, so its distances are unknown");
    if (!doc.data || doc.data->pointCount() == 0) return refused("the file holds no data points");
    const FixedParams& f = *doc.fixed;
    const DataPoints& d = *doc.data;
    if (f.pulses.empty()) return refused("FxdParams gives no pulse width and no data spacing");

    std::vector<Span> spans;
    const std::size_t pulses = f.pulses.size();
    std::size_t perPulse = 0;
    for (const PulseWidth& p : f.pulses) perPulse += p.points;
    if (pulses > 1 && d.groups.size() == pulses) {
        std::size_t from = 0;
        for (std::size_t k = 0; k < pulses; ++k) {
            spans.push_back({k, from, d.groups[k].presentPoints()});
            from += d.groups[k].presentPoints();
        }
    } else if (pulses > 1 && perPulse == d.pointCount()) {
        std::size_t from = 0;
        for (std::size_t k = 0; k < pulses; ++k) {
            spans.push_back({k, from, f.pulses[k].points});
            from += f.pulses[k].points;
        }
    } else {
        spans.push_back({0, 0, d.pointCount()});
    }
    for (const Span& s : spans)
        if (!(f.spacingMetres(s.pulse) > 0.0))
            return refused("FxdParams gives no data spacing for the " +
                           std::to_string(f.pulses[s.pulse].widthNs) + " ns pulse width");
    return spans;
}

}  // namespace

Result<void> checkTraces(const Document& doc) {
    auto spans = spansOf(doc);
    if (!spans) return spans.error();
    for (const ScaleGroup& g : doc.data->groups)
        if (g.pointsNotKept > 0) return refused("the points were not kept when the file was read");
    return {};
}

Result<std::vector<Trace>> tracesOf(const Document& doc) {
    if (auto checked = checkTraces(doc); !checked) return checked.error();
    auto spans = spansOf(doc);
    const FixedParams& f = *doc.fixed;
    std::vector<Trace> traces;
    LevelReader levels(*doc.data);
    for (const Span& s : spans.value()) {
        Trace t;
        t.pulse = s.pulse;
        t.pulseWidthNs = f.pulses[s.pulse].widthNs;
        t.spacingMetres = f.spacingMetres(s.pulse);
        levels.append(s.from, s.count, t.levelsDb);
        traces.push_back(std::move(t));
    }
    return traces;
}

std::optional<double> lastPointMetres(const Document& doc) {
    auto spans = spansOf(doc);
    if (!spans) return std::nullopt;
    double longest = 0.0;
    for (const Span& s : spans.value())
        if (s.count > 0)
            longest = std::max(
                longest, static_cast<double>(s.count - 1) * doc.fixed->spacingMetres(s.pulse));
    return longest;
}

}  // namespace otdr::sr4731
