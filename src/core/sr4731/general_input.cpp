#include "sr4731/general_input.h"

#include <algorithm>
#include <string>
#include <utility>

#include "sr4731/trace.h"

namespace otdr::sr4731 {

Result<AnalysisTrace> analysisTraceOf(const Document& doc, std::size_t trace) {
    auto traces = tracesOf(doc);
    if (!traces) return traces.error();
    if (trace >= traces.value().size())
        return Error{ErrorKind::BadInput,
                     "the file holds " + std::to_string(traces.value().size()) +
                         " traces; there is no trace " + std::to_string(trace + 1)};
    return analysisTraceOf(doc, std::move(traces.value()[trace]));
}

AnalysisTrace analysisTraceOf(const Document& doc, Trace&& t) {
    const FixedParams& f = *doc.fixed;
    AnalysisTrace a;
    a.levelsDb = std::move(t.levelsDb);
    a.spacingM = t.spacingMetres;
    a.groupIndex = f.effectiveGroupIndex();
    a.pulseWidthNs = t.pulseWidthNs;
    a.wavelengthNm = f.wavelengthNm();
    // Thresholds and the coefficient are stored as magnitudes; 0 is one the file left out.
    if (f.backscatterCoefficient != 0) a.backscatterDb = -f.backscatterCoefficient / 10.0;
    if (f.lossThreshold != 0) a.thresholds.lossDb = f.lossThreshold / 1000.0;
    if (f.reflectanceThreshold != 0) a.thresholds.reflectanceDb = -f.reflectanceThreshold / 1000.0;
    if (f.endOfFibreThreshold != 0) a.thresholds.endOfFibreDb = f.endOfFibreThreshold / 1000.0;
    a.frontPanelM = std::max(0.0, f.metresOfTime(frontPanelTime(doc)));
    return a;
}

general::TraceInput generalInputOf(const AnalysisTrace& t, double groupIndex,
                                   const general::Thresholds& over) {
    const double scale = groupIndex > 0.0 ? t.groupIndex / groupIndex : 1.0;
    general::TraceInput in;
    in.levelsDb = t.levelsDb;
    in.spacingM = t.spacingM * scale;
    in.pulseWidthNs = t.pulseWidthNs;
    in.groupIndex = groupIndex > 0.0 ? groupIndex : t.groupIndex;
    in.wavelengthNm = t.wavelengthNm;
    in.backscatterDb = t.backscatterDb;
    in.thresholds = general::mergeThresholds(t.thresholds, over);
    in.frontPanelM = t.frontPanelM * scale;
    return in;
}

}  // namespace otdr::sr4731
