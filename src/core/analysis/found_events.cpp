#include "analysis/found_events.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "analysis/event_texts.h"

namespace otdr {

namespace {

// The analysis leaves the link loss blank this close to the start and when it is zero.
constexpr double kNoLinkLossBelowM = 50.0;

std::string valueCell(const std::optional<double>& v, const char* fmt) {
    return v ? cellNumber(fmt, *v) : std::string(kNoValueCell);
}

}  // namespace

std::array<std::string, 5> foundEventCells(const FoundEvent& e, int wavelengthClass, bool last) {
    std::array<std::string, 5> c;
    c[kColDistance] = cellNumber("%8.4f", e.distanceM * 0.001);
    c[kColAverageLoss] = e.slopeDbPerKm
                             ? averageLossCell(std::fabs(*e.slopeDbPerKm), wavelengthClass)
                             : std::string(kNoValueCell);
    c[kColSpliceLoss] = last ? std::string(kNoValueCell) : valueCell(e.lossDb, "%8.3f");
    const bool showsReflection = e.kind == FoundKind::Reflective || e.reflective;
    c[kColReturnLoss] = showsReflection && e.reflectanceDb ? cellNumber(" %7.3f", -*e.reflectanceDb)
                                                           : std::string(kNoValueCell);
    const bool link = e.linkLossDb && e.distanceM >= kNoLinkLossBelowM && *e.linkLossDb != 0.0;
    c[kColLinkLoss] =
        link ? cellNumber("%8.3f", std::fabs(*e.linkLossDb)) : std::string(kNoValueCell);
    return c;
}

FoundEventsFill fillFoundEvents(std::span<const FoundEvent> events, const TestParameters& params,
                                EventTable& table, EventText& text) {
    FoundEventsFill fill;
    std::vector<std::size_t> order(events.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return events[a].distanceM < events[b].distanceM;
    });

    const double metresPerSample =
        static_cast<double>(params.sampleSpacing) * static_cast<double>(params.helixFactor);
    struct Row {
        std::size_t index;
        int position;
        FoundEvent event;
    };
    std::vector<Row> rows;
    bool ended = false;
    double link = 0.0, lastDistance = 0.0, lastLoss = 0.0;
    for (std::size_t i : order) {
        const FoundEvent& e = events[i];
        if (ended) {
            fill.afterEnd.push_back(i);
            continue;
        }
        const double pos = metresPerSample > 0 ? std::round(e.distanceM / metresPerSample) : -1;
        if (!(pos >= 0 && pos < kSampleCount)) {
            fill.outsideTrace.push_back(i);
            continue;
        }
        if (static_cast<int>(rows.size()) >= kMaxEvents) {
            fill.tableFull.push_back(i);
            continue;
        }
        FoundEvent shown = e;
        link += lastLoss + e.slopeDbPerKm.value_or(0.0) * (e.distanceM - lastDistance) * 0.001;
        if (!shown.linkLossDb) shown.linkLossDb = link;
        lastDistance = e.distanceM;
        lastLoss = e.lossDb.value_or(0.0);
        rows.push_back({i, static_cast<int>(pos), shown});
        ended = e.kind == FoundKind::FibreEnd;
    }

    table.clearAll();
    for (auto& column : text) column.fill(std::string());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const FoundEvent& e = rows[r].event;
        const bool flag = e.kind == FoundKind::Reflective || e.reflective;
        table.append(static_cast<std::uint16_t>(rows[r].position | (flag ? kReflectiveFlag : 0)));
        const auto cells = foundEventCells(e, params.wavelengthClass, r + 1 == rows.size());
        for (std::size_t c = 0; c < cells.size(); ++c) text[c][r] = cells[c];
    }
    fill.written = static_cast<int>(rows.size());
    return fill;
}

}  // namespace otdr
