#include "sr4731/import.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "analysis/event_table.h"
#include "sr4731/texts.h"
#include "sr4731/trace.h"
#include "trace/sor_format.h"
#include "trace/zt_format.h"
#include "util/gbk.h"
#include "util/numeric.h"
#include "util/text.h"
#include "view/view_math.h"
#include "view/view_state.h"

namespace otdr::sr4731 {

namespace {

struct Wave {
    int nm;
    const char* text;
    int ztCode;  // -1 where ZT files have no code for it
};
constexpr Wave kForeignWaves[] = {{850, "850 nm", -1},  {1300, "1300 nm", -1},
                                  {1310, "1310 nm", 0}, {1490, "1490 nm", -1},
                                  {1550, "1550 nm", 1}, {1625, "1625 nm", 2}};

const Wave& nearestWave(double nm, ImportFormat format) {
    const Wave* best = &kForeignWaves[2];  // 1310 nm when the file gives none
    if (!(nm > 0)) return *best;
    double bestGap = 1e300;
    for (const Wave& w : kForeignWaves) {
        if (format == ImportFormat::Zt && w.ztCode < 0) continue;
        const double gap = std::fabs(w.nm - nm);
        if (gap < bestGap) {
            bestGap = gap;
            best = &w;
        }
    }
    return *best;
}

// The count of the strongest point: 1 dB below the top of the chart at the vertical scale
// the window opens the range with.
int topCountsForRange(int rangeIndex) {
    return kChartHeight * levelDivisorOf(defaultVScaleForRange(rangeIndex)) - 1000;
}

// Text limits of the instrument's files, in GBK bytes.
struct Limits {
    std::size_t text;
    std::size_t comment;
};
constexpr Limits kSorLimits{30, 80};  // the fibre dialog's limits
constexpr Limits kZtLimits{zt::kTextWidth, 0};

// The refractive index the window reads back from a written file.
std::optional<float> indexReadBack(ByteView file, ImportFormat format) {
    if (format == ImportFormat::Sor) {
        auto r = readSor(file, false);
        if (!r) return std::nullopt;
        return r.value()->refractiveIndex;
    }
    auto r = readZt(file);
    if (!r) return std::nullopt;
    const ZtHeader& h = r.value()->header;
    const float index = toF32(h.groupIndexForCode(h.wavelengthCode()) * 0.00001);
    return (index > 1.0f && index <= 2.0f) ? index : kDefaultRefractiveIndex;
}

// The wavelength class the window takes from the written file: the ZT wavelength code, or
// for SOR the class of the wavelength.
int wavelengthClassOf(const Wave& w, ImportFormat format) {
    if (format == ImportFormat::Zt) return w.ztCode;
    switch (w.nm) {
        case 850:
        case 1550:
            return 1;
        case 1490:
            return 2;
        default:
            return 0;
    }
}

std::string kmText(double km) {
    return cformat("%.3f km", km);
}

// std::round without the library call: halves away from zero, the same whole number for
// every finite value (a magnitude of 2^52 or more is whole already).
double roundHalfAway(double x) {
    if (!(std::fabs(x) < 4503599627370496.0)) return x;
    const double whole = static_cast<double>(static_cast<std::int64_t>(x));
    const double part = x - whole;
    // Without branches: which way a level rounds is as good as random.
    return whole + static_cast<double>(part >= 0.5) - static_cast<double>(part <= -0.5);
}

// The first j in [0, n) whose x = j * step meets `past` (which, once met, stays met as j
// grows), n when none does.
template <class Past>
std::size_t firstIndexWhere(std::size_t n, Past past, double step) {
    std::size_t lo = 0, hi = n;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (past(static_cast<double>(mid) * step))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

#if defined(__SSE2__) && defined(__x86_64__)
// The samples [0, count), count even and every x = j * step below the last point and below
// 2^30, two at a time: the steps of the scalar loop and of roundHalfAway in the processor's
// paired instructions, with the same results. A count is held to +-2^30 before it is rounded,
// which changes no sample: one beyond clips alike. Returns how many fell below 0.
std::size_t resamplePairs(const double* y, double step, double anchor, double strongest,
                          std::size_t count, std::uint16_t* samples) {
    const __m128d vStep = _mm_set1_pd(step), vAnchor = _mm_set1_pd(anchor),
                  vStrongest = _mm_set1_pd(strongest), vThousand = _mm_set1_pd(1000.0),
                  vHold = _mm_set1_pd(1073741824.0), vLowHold = _mm_set1_pd(-1073741824.0),
                  vHalf = _mm_set1_pd(0.5), vLowHalf = _mm_set1_pd(-0.5), vOne = _mm_set1_pd(1.0),
                  vZero = _mm_setzero_pd(), vTop = _mm_set1_pd(65535.0);
    std::size_t below = 0;
    for (std::size_t j = 0; j < count; j += 2) {
        const auto j0 = static_cast<int>(j);
        const __m128d x = _mm_mul_pd(_mm_cvtepi32_pd(_mm_set_epi32(0, 0, j0 + 1, j0)), vStep);
        const __m128i at = _mm_cvttpd_epi32(x);
        const __m128d t = _mm_sub_pd(x, _mm_cvtepi32_pd(at));
        const __m128d p0 = _mm_loadu_pd(y + _mm_cvtsi128_si32(at));
        const __m128d p1 = _mm_loadu_pd(y + _mm_cvtsi128_si32(_mm_shuffle_epi32(at, 1)));
        const __m128d a = _mm_unpacklo_pd(p0, p1), b = _mm_unpackhi_pd(p0, p1);
        const __m128d level = _mm_add_pd(a, _mm_mul_pd(_mm_sub_pd(b, a), t));
        __m128d c = _mm_add_pd(vAnchor, _mm_mul_pd(_mm_sub_pd(level, vStrongest), vThousand));
        c = _mm_min_pd(_mm_max_pd(c, vLowHold), vHold);
        const __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(c));
        const __m128d part = _mm_sub_pd(c, whole);
        const __m128d up = _mm_and_pd(_mm_cmpge_pd(part, vHalf), vOne);
        const __m128d down = _mm_and_pd(_mm_cmple_pd(part, vLowHalf), vOne);
        const __m128d rounded = _mm_sub_pd(_mm_add_pd(whole, up), down);
        const int negative = _mm_movemask_pd(_mm_cmplt_pd(rounded, vZero));
        below += static_cast<std::size_t>((negative & 1) + (negative >> 1));
        const __m128i counts = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(rounded, vZero), vTop));
        samples[j] = static_cast<std::uint16_t>(_mm_cvtsi128_si32(counts));
        samples[j + 1] =
            static_cast<std::uint16_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(counts, 1)));
    }
    return below;
}
#endif

}  // namespace

Resampled resampleLevels(const std::vector<double>& levels, double foreignSpacing,
                         double sampleSpacing, int topCounts) {
    Resampled out;
    if (levels.empty() || !(foreignSpacing > 0)) return out;
    // The weakest and strongest level, in four interleaved runs that the processor overlaps.
    std::array<double, 4> lows{levels[0], levels[0], levels[0], levels[0]}, highs = lows;
    std::size_t k = 0;
    for (; k + 4 <= levels.size(); k += 4)
        for (std::size_t r = 0; r < 4; ++r) {
            lows[r] = std::min(lows[r], levels[k + r]);
            highs[r] = std::max(highs[r], levels[k + r]);
        }
    for (; k < levels.size(); ++k) {
        lows[0] = std::min(lows[0], levels[k]);
        highs[0] = std::max(highs[0], levels[k]);
    }
    const double* lo = &*std::min_element(lows.begin(), lows.end());
    const double* hi = &*std::max_element(highs.begin(), highs.end());
    const double span = (*hi - *lo) * 1000.0;
    const double anchor = std::clamp(std::max<double>(topCounts, std::ceil(span)), 0.0, 65535.0);
    out.anchorCounts = static_cast<int>(anchor);
    const double strongest = *hi;
    const std::size_t last = levels.size() - 1;
    const double step = sampleSpacing / foreignSpacing;  // foreign points per sample
    const std::size_t n = out.samples.size();
    auto put = [&](std::size_t j, double level) {
        const double counts = roundHalfAway(anchor + (level - strongest) * 1000.0);
        out.clipped += counts < 0 ? 1 : 0;
        out.samples[j] = static_cast<std::uint16_t>(std::min(std::max(counts, 0.0), 65535.0));
    };
    // x = j * step grows with j: the samples before the last point are [0, inside), found by
    // bisection, and those at or past it all take its level.
    const auto end = static_cast<double>(last);
    const std::size_t inside = firstIndexWhere(
        n, [&](double x) { return !(x < end); }, step);
    std::size_t j = 0;
    const double* y = levels.data();
#if defined(__SSE2__) && defined(__x86_64__)
    if (last < (std::size_t{1} << 30)) {
        const std::size_t pairs = inside & ~std::size_t{1};
        out.clipped += resamplePairs(y, step, anchor, strongest, pairs, out.samples.data());
        j = pairs;
    }
#endif
    for (; j < inside; ++j) {
        const double x = static_cast<double>(j) * step;
        // 0 <= x < last: the signed conversion, which needs no range test, gives the same.
        const auto i = static_cast<std::size_t>(static_cast<std::int64_t>(x));
        const double t = x - static_cast<double>(i);
        put(j, y[i] + (y[i + 1] - y[i]) * t);
    }
    if (inside < n) {
        const std::size_t clippedBefore = out.clipped;
        put(inside, levels[last]);
        std::fill(out.samples.begin() + static_cast<std::ptrdiff_t>(inside) + 1, out.samples.end(),
                  out.samples[inside]);
        out.clipped += (out.clipped - clippedBefore) * (n - inside - 1);
        // Held are those past the last point, not one that falls on it.
        out.held = n - firstIndexWhere(
                           n, [&](double x) { return x > end; }, step);
    }
    return out;
}

Result<ImportResult> importTrace(const Document& doc, const ImportOptions& o) {
    auto traces = tracesOf(doc);
    if (!traces) return traces.error();
    return importTrace(doc, traces.value(), o);
}

Result<ImportResult> importTrace(const Document& doc, const std::vector<Trace>& all,
                                 const ImportOptions& o) {
    if (o.trace >= all.size())
        return Error{ErrorKind::BadInput, "the file holds " + std::to_string(all.size()) +
                                              (all.size() == 1 ? " trace" : " traces") +
                                              "; there is no trace " + std::to_string(o.trace + 1)};
    if (o.rangeIndex && (*o.rangeIndex < 0 || *o.rangeIndex > 9))
        return Error{ErrorKind::BadInput, "the range index must lie in 0..9"};
    const Trace& t = all[o.trace];
    if (t.levelsDb.empty())
        return Error{ErrorKind::BadInput,
                     "trace " + std::to_string(o.trace + 1) + " has no points"};
    const FixedParams& f = *doc.fixed;

    ImportResult r;
    r.foreignPoints = t.levelsDb.size();
    r.foreignSpacingMetres = t.spacingMetres;
    r.pulseWidthNs = t.pulseWidthNs;
    r.wavelengthNm = f.wavelengthNm();
    const double lastMetres = static_cast<double>(t.levelsDb.size() - 1) * t.spacingMetres;
    r.traceLengthKm = lastMetres / 1000.0;
    float index = toF32(f.effectiveGroupIndex());
    if (f.effectiveGroupIndex() != f.groupIndex * 0.00001)
        r.changes.push_back("group index " + cformat("%.5f", f.groupIndex * 0.00001) +
                            " lies outside (1, 2]; " + cformat("%.5f", kFallbackGroupIndex) +
                            " used");

    // The range: the smallest whose nominal length covers the trace and whose samples reach it.
    auto reach = [](int range, float n) {
        return (kSampleCount - 1) * static_cast<double>(computeSampleSpacing(range, 1.0f, n));
    };
    if (o.rangeIndex) {
        r.rangeIndex = *o.rangeIndex;
        r.rangeChosen = false;
    } else {
        r.rangeIndex = 9;
        for (int range = 0; range <= 9; ++range)
            if (rangeKm(range) * 1000.0 >= lastMetres && reach(range, index) >= lastMetres) {
                r.rangeIndex = range;
                break;
            }
    }

    const Wave& wave = nearestWave(r.wavelengthNm, o.format);
    r.waveText = wave.text;

    // Texts: decoded by the file's code page, as GBK within the instrument's limits.
    const Limits limits = o.format == ImportFormat::Sor ? kSorLimits : kZtLimits;
    const CodePage page = codePageOf(doc);
    GenParams texts;
    bool cut = false;
    bool nonAscii = false;
    auto carry = [&](const std::string& from, std::string& to, std::size_t limit) {
        for (char c : from)
            if (static_cast<unsigned char>(c) >= 0x80) nonAscii = true;
        const std::string gbk = utf8ToGbk(trimmed(textToUtf8(from, page)));
        to = gbkPrefix(gbk, limit);
        if (to.size() < gbk.size()) cut = true;
    };
    if (doc.general) {
        const GeneralParams& g = *doc.general;
        carry(g.cableId, texts.cableId, limits.text);
        carry(g.fiberId, texts.fiberId, limits.text);
        carry(g.originatingLocation, texts.originatingLocation, limits.text);
        carry(g.terminatingLocation, texts.terminatingLocation, limits.text);
        carry(g.cableCode, texts.cableCode, limits.text);
        carry(g.dataFlag, texts.dataFlag, 2);
        carry(g.operatorName, texts.operatorName, limits.text);
        if (limits.comment > 0) carry(g.comment, texts.comment, limits.comment);
    }

    // Numbers within the fields of the instrument's files.
    const std::uint32_t maxAverages = o.format == ImportFormat::Sor ? 6553 : 65535;
    const auto averages = static_cast<std::int32_t>(std::min(f.averages, maxAverages));
    const auto pulse = static_cast<std::int16_t>(std::min<std::uint16_t>(t.pulseWidthNs, 32767));

    // n is the index handed to the writer, grid the one the window will read back; a ZT file
    // takes the event table given.
    const auto noEvents = std::make_unique<EventTable>();
    const auto noText = std::make_unique<EventText>();
    auto build = [&](float n, float grid, Resampled& rs, const EventTable& events,
                     const EventText& eventText) -> Result<Bytes> {
        const float spacing = computeSampleSpacing(r.rangeIndex, 1.0f, grid);
        rs = resampleLevels(t.levelsDb, t.spacingMetres, spacing, topCountsForRange(r.rangeIndex));
        if (o.format == ImportFormat::Sor) {
            TraceRecord rec;
            rec.genParams = texts;
            SorWriteParams wp;
            wp.rangeIndex = static_cast<std::int16_t>(r.rangeIndex);
            wp.pulseWidthNs = pulse;
            wp.refractiveIndex = n;
            wp.averageCount = averages;
            wp.waveText = wave.text;
            wp.timestamp = f.timestamp;
            return buildSor(rec, rs.samples, wp);
        }
        TestParameters p;
        p.rangeIndex = static_cast<std::int16_t>(r.rangeIndex);
        p.pulseWidthNs = pulse;
        p.averageCount = averages;
        p.attenuationDb = 0.0f;
        p.wavelengthClass = static_cast<std::uint8_t>(wave.ztCode);
        p.lossScale = {1.0f, 1.0f, 1.0f};
        p.refractiveIndex = n;
        p.helixFactor = 1.0f;
        ZtHeader header;
        rebuildZtHeader(header, p, wave.text, 0, 0);
        GenParams ztTexts = texts;
        return buildZt(ztTexts, header, rs.samples, events, eventText);
    };

    // The writers store the index as an integer rounded to five decimals, the resolution the
    // foreign file holds it in, and the window computes its distances from the value it reads
    // back. Should that differ (an index with more decimals), the grid follows the file.
    Resampled rs;
    const float written = index;
    auto first = build(written, index, rs, *noEvents, *noText);
    if (!first) return first.error();
    std::optional<Bytes> file = std::move(first.value());
    if (const float back = indexReadBack(*file, o.format).value_or(index); back != index) {
        auto built = build(written, back, rs, *noEvents, *noText);
        if (!built) return built.error();
        index = back;
        file = std::move(built.value());
    }
    r.refractiveIndex = index;
    r.sampleSpacing = computeSampleSpacing(r.rangeIndex, 1.0f, index);

    // The file's own events on the grid the window reads back.
    r.storedEvents = storedEventsOf(doc);
    if (!r.storedEvents.empty()) {
        TestParameters grid;
        grid.rangeIndex = static_cast<std::int16_t>(r.rangeIndex);
        grid.sampleSpacing = r.sampleSpacing;
        grid.helixFactor = 1.0f;
        grid.refractiveIndex = index;
        grid.wavelengthClass = static_cast<std::uint8_t>(wavelengthClassOf(wave, o.format));
        const auto table = std::make_unique<EventTable>();
        const auto text = std::make_unique<EventText>();
        r.events = fillStoredEvents(r.storedEvents, grid, *table, *text);
        if (o.format == ImportFormat::Zt && r.events.written > 0) {
            Resampled again;
            auto built = build(written, index, again, *table, *text);
            if (!built) return built.error();
            file = std::move(built.value());
            r.eventsWritten = true;
        }
    }
    r.file = std::move(*file);
    r.levelAnchorCounts = rs.anchorCounts;
    r.clippedSamples = rs.clipped;
    r.heldSamples = rs.held;

    const double reachKm = reach(r.rangeIndex, index) / 1000.0;
    r.changes.push_back(
        "range " + rangeText(r.rangeIndex) + " (index " + std::to_string(r.rangeIndex) + ")" +
        (r.rangeChosen
             ? ", the smallest whose nominal length covers the trace's " + kmText(r.traceLengthKm)
             : " as asked"));
    if (reachKm < r.traceLengthKm)
        r.changes.push_back("the trace is cut at " + kmText(reachKm) + " of its " +
                            kmText(r.traceLengthKm));
    r.changes.push_back(cformat(
        "resampled %zu points at %.4f m onto %d samples at %.4f m "
        "(factor %.4f samples per point)",
        r.foreignPoints, r.foreignSpacingMetres, kSampleCount, static_cast<double>(r.sampleSpacing),
        r.foreignSpacingMetres / static_cast<double>(r.sampleSpacing)));
    if (r.heldSamples > 0)
        r.changes.push_back(std::to_string(r.heldSamples) +
                            " samples past the trace end hold its last level");
    if (r.clippedSamples > 0)
        r.changes.push_back(std::to_string(r.clippedSamples) +
                            " samples more than 65.535 dB below the strongest point held at 0");
    r.changes.push_back("wavelength " + cformat("%.1f nm", r.wavelengthNm) + " mapped to " +
                        r.waveText);
    if (f.actualWavelength > 0 && f.actualWavelength < 2000)
        r.changes.push_back("the file's wavelength " + std::to_string(f.actualWavelength) +
                            " read as nm, not 0.1 nm");
    if (t.pulseWidthNs > 32767)
        r.changes.push_back("pulse width " + std::to_string(t.pulseWidthNs) +
                            " ns held at 32767 ns");
    if (f.averages > maxAverages)
        r.changes.push_back("number of averages " + std::to_string(f.averages) + " held at " +
                            std::to_string(maxAverages));
    if (!r.storedEvents.empty()) {
        const std::size_t all = r.storedEvents.size();
        if (o.format == ImportFormat::Zt) {
            r.changes.push_back(std::to_string(r.events.written) + " of the file's " +
                                std::to_string(all) + (all == 1 ? " event" : " events") +
                                " written to the event table");
            for (const std::string& note : leftOutNotes(r.events, r.rangeIndex))
                r.changes.push_back(note);
        } else {
            r.changes.push_back("the file's " + std::to_string(all) +
                                (all == 1 ? " event is" : " events are") +
                                " not written: SOR files hold no event table (a .zt file keeps "
                                "them)");
        }
    }
    if (cut) r.changes.push_back("texts cut to the instrument's limits");
    if (nonAscii)
        r.changes.push_back(std::string("texts converted to GBK (read as UTF-8 where valid, "
                                        "else as ") +
                            codePageName(page) + ")");
    return r;
}

}  // namespace otdr::sr4731
