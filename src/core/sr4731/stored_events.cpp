#include "sr4731/stored_events.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "util/numeric.h"

namespace otdr::sr4731 {

std::vector<FoundEvent> storedEventsOf(const Document& doc) {
    std::vector<FoundEvent> out;
    if (!doc.keyEvents || !doc.fixed) return out;
    const FixedParams& f = *doc.fixed;
    const double origin = eventOriginTime(doc);
    for (const KeyEvent& k : doc.keyEvents->events) {
        FoundEvent e;
        e.distanceM = f.metresOfTime(k.propagationTime + origin);
        const char first = k.code.empty() ? '0' : k.code[0];
        e.reflective = first == '1' || first == '2';
        if (k.code.size() > 1 && k.code[1] == 'E')
            e.kind = FoundKind::FibreEnd;
        else
            e.kind = e.reflective ? FoundKind::Reflective : FoundKind::NonReflective;
        // A slope of 0 is one the instrument did not measure (the first event, most often).
        if (k.slope != 0) e.slopeDbPerKm = k.slope * 0.001;
        e.lossDb = k.loss * 0.001;
        // 0 and the smallest value are reflectances the instrument did not store.
        if (k.reflectance != 0 && k.reflectance != std::numeric_limits<std::int32_t>::min())
            e.reflectanceDb = k.reflectance * 0.001;
        out.push_back(e);
    }
    return out;
}

StoredEventsFill fillStoredEvents(std::span<const FoundEvent> events, const TestParameters& params,
                                  EventTable& table, EventText& text) {
    StoredEventsFill out;
    const double rangeMetres = rangeKm(params.rangeIndex) * 1000.0;
    std::vector<FoundEvent> inside;
    std::vector<std::size_t> from;  // index of each inside event among those given
    for (std::size_t i = 0; i < events.size(); ++i) {
        const double d = events[i].distanceM;
        if (d >= 0.0 && d <= rangeMetres) {
            inside.push_back(events[i]);
            from.push_back(i);
        } else {
            out.leftOut.push_back({i, d, LeftOutReason::OutsideRange});
        }
    }
    const FoundEventsFill fill = fillFoundEvents(inside, params, table, text);
    out.written = fill.written;
    auto add = [&](const std::vector<std::size_t>& which, LeftOutReason reason) {
        for (std::size_t k : which) out.leftOut.push_back({from[k], inside[k].distanceM, reason});
    };
    add(fill.outsideTrace, LeftOutReason::OutsideRange);
    add(fill.afterEnd, LeftOutReason::AfterFibreEnd);
    add(fill.tableFull, LeftOutReason::TableFull);
    std::stable_sort(
        out.leftOut.begin(), out.leftOut.end(),
        [](const LeftOutEvent& a, const LeftOutEvent& b) { return a.index < b.index; });
    return out;
}

std::vector<std::string> leftOutNotes(const StoredEventsFill& fill, int rangeIndex) {
    std::vector<std::string> notes;
    for (const LeftOutEvent& e : fill.leftOut) {
        std::string why;
        switch (e.reason) {
            case LeftOutReason::OutsideRange:
                why = "lies outside the range " + rangeText(rangeIndex);
                break;
            case LeftOutReason::AfterFibreEnd:
                why = "lies behind the fibre end";
                break;
            case LeftOutReason::TableFull:
                why = "does not fit the table's 199 rows";
                break;
        }
        notes.push_back(cformat("event %zu at %.4f km ", e.index + 1, e.distanceM / 1000.0) + why +
                        "; left out");
    }
    return notes;
}

}  // namespace otdr::sr4731
