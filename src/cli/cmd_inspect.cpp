// otdr inspect: everything an SR-4731 file of any instrument holds, as text or JSON.

#include <cmath>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli_common.h"
#include "commands.h"
#include "sr4731/texts.h"
#include "sr4731_cli.h"
#include "util/numeric.h"
#include "util/text.h"

namespace otdr::cli {

namespace {

using sr4731::Document;
using Json = nlohmann::ordered_json;

constexpr auto kReplace = Json::error_handler_t::replace;

// A value rounded to a number of decimals, so that JSON shows 12.5 rather than 12.500000001.
double rounded(double v, int decimals) {
    const double f = std::pow(10.0, decimals);
    const double r = std::round(v * f) / f;
    return r == 0.0 ? 0.0 : r;
}

std::string utcDate(std::uint32_t stamp, const char* format) {
    const std::time_t t = stamp;
    std::tm tm{};
    if (gmtime_r(&t, &tm) == nullptr) return {};
    char buf[64];
    return std::string(buf, std::strftime(buf, sizeof buf, format, &tm));
}

// Reads the file's texts as UTF-8 in its code page.
struct Texts {
    sr4731::CodePage page;
    std::string operator()(const std::string& bytes) const {
        return sr4731::textToUtf8(bytes, page);
    }
};

double kmOfTime(const Document& d, double time) {
    return d.fixed ? d.fixed->metresOfTime(time) / 1000.0 : 0.0;
}

Json generalJson(const Document& d, const Texts& text) {
    if (!d.general) return nullptr;
    const sr4731::GeneralParams& g = *d.general;
    const bool v2 = d.version >= 2;
    Json j;
    j["language_code"] = text(g.languageCode);
    j["text_code_page"] = sr4731::codePageName(text.page);
    j["cable_id"] = text(g.cableId);
    j["fiber_id"] = text(g.fiberId);
    j["fiber_type"] = v2 ? Json(g.fiberType) : Json(nullptr);
    j["nominal_wavelength_nm"] = g.nominalWavelengthNm;
    j["originating_location"] = text(g.originatingLocation);
    j["terminating_location"] = text(g.terminatingLocation);
    j["cable_code"] = text(g.cableCode);
    j["data_flag"] = text(g.dataFlag);
    j["user_offset"] = g.userOffset;
    j["user_offset_distance"] = v2 ? Json(g.userOffsetDistance) : Json(nullptr);
    j["operator"] = text(g.operatorName);
    j["comment"] = text(g.comment);
    return j;
}

Json supplierJson(const Document& d, const Texts& text) {
    if (!d.supplier) return nullptr;
    const sr4731::SupplierParams& s = *d.supplier;
    return Json{{"name", text(s.supplierName)},
                {"mainframe", text(s.mainframeId)},
                {"mainframe_serial", text(s.mainframeSerial)},
                {"module", text(s.moduleId)},
                {"module_serial", text(s.moduleSerial)},
                {"software", text(s.softwareRevision)},
                {"other", text(s.other)}};
}

Json fixedJson(const Document& d, const Texts& text) {
    if (!d.fixed) return nullptr;
    const sr4731::FixedParams& f = *d.fixed;
    const bool v2 = d.version >= 2;
    auto v2only = [v2](auto v) { return v2 ? Json(v) : Json(nullptr); };
    Json widths = Json::array(), spacings = Json::array(), points = Json::array(),
         resolution = Json::array();
    for (std::size_t k = 0; k < f.pulses.size(); ++k) {
        widths.push_back(f.pulses[k].widthNs);
        spacings.push_back(f.pulses[k].dataSpacing);
        points.push_back(f.pulses[k].points);
        resolution.push_back(rounded(f.spacingMetres(k), 6));
    }
    Json j;
    j["timestamp"] = f.timestamp;
    j["date"] = utcDate(f.timestamp, "%Y-%m-%dT%H:%M:%SZ");
    j["distance_units"] = text(f.distanceUnits);
    j["wavelength_nm"] = rounded(f.wavelengthNm(), 1);
    j["actual_wavelength_field"] = f.actualWavelength;
    j["acquisition_offset"] = f.acquisitionOffset;
    j["acquisition_offset_distance"] = v2only(f.acquisitionOffsetDistance);
    j["pulse_widths_ns"] = widths;
    j["data_spacings"] = spacings;
    j["points_per_pulse_width"] = points;
    j["resolution_m"] = resolution;
    j["group_index"] = rounded(f.groupIndex * 0.00001, 5);
    j["group_index_used"] = rounded(f.effectiveGroupIndex(), 5);
    j["backscatter_coefficient"] = f.backscatterCoefficient;
    j["averages"] = f.averages;
    j["averaging_time"] = v2only(f.averagingTime);
    j["acquisition_range"] = f.acquisitionRange;
    j["acquisition_range_km"] = rounded(kmOfTime(d, f.acquisitionRange), 6);
    j["acquisition_range_distance"] = v2only(f.acquisitionRangeDistance);
    j["front_panel_offset"] = f.frontPanelOffset;
    j["noise_floor_level"] = f.noiseFloorLevel;
    j["noise_floor_scale_factor"] = f.noiseFloorScaleFactor;
    j["power_offset_first_point"] = f.powerOffsetFirstPoint;
    j["loss_threshold_db"] = rounded(f.lossThreshold * 0.001, 3);
    j["reflectance_threshold_db"] = rounded(-f.reflectanceThreshold * 0.001, 3);
    j["end_of_fibre_threshold_db"] = rounded(f.endOfFibreThreshold * 0.001, 3);
    j["trace_type"] = v2 ? Json(text(f.traceType)) : Json(nullptr);
    j["window_coordinates"] = v2 ? Json(f.windowCoordinates) : Json(nullptr);
    return j;
}

Json keyEventsJson(const Document& d, const Texts& text) {
    if (!d.keyEvents) return nullptr;
    const sr4731::KeyEvents& k = *d.keyEvents;
    Json events = Json::array();
    for (const sr4731::KeyEvent& e : k.events) {
        Json j;
        j["number"] = e.number;
        j["propagation_time"] = e.propagationTime;
        j["distance_km"] = rounded(kmOfTime(d, e.propagationTime), 6);
        j["slope_db_per_km"] = rounded(e.slope * 0.001, 3);
        j["loss_db"] = rounded(e.loss * 0.001, 3);
        j["reflectance_db"] = rounded(e.reflectance * 0.001, 3);
        j["code"] = text(e.code);
        j["loss_technique"] = text(e.lossTechnique);
        if (d.version >= 2) {
            Json markers = Json::array();
            for (std::int32_t m : e.markers) markers.push_back(rounded(kmOfTime(d, m), 6));
            j["markers_km"] = markers;
        } else {
            j["markers_km"] = nullptr;
        }
        j["comment"] = text(e.comment);
        events.push_back(std::move(j));
    }
    const sr4731::KeyEventSummary& s = k.summary;
    Json j;
    j["events"] = std::move(events);
    j["total_loss_db"] = rounded(s.totalLoss * 0.001, 3);
    j["loss_span_km"] = {rounded(kmOfTime(d, s.lossStart), 6), rounded(kmOfTime(d, s.lossEnd), 6)};
    j["orl_db"] = rounded(s.orl * 0.001, 3);
    j["orl_span_km"] = {rounded(kmOfTime(d, s.orlStart), 6), rounded(kmOfTime(d, s.orlEnd), 6)};
    return j;
}

Json dataJson(const Document& d) {
    if (!d.data) return nullptr;
    Json groups = Json::array();
    for (const sr4731::ScaleGroup& g : d.data->groups)
        groups.push_back({{"declared_points", g.declaredPoints},
                          {"points", g.points.size()},
                          {"scale_factor", g.scaleFactor}});
    return Json{{"declared_points", d.data->declaredPoints},
                {"points", d.data->pointCount()},
                {"scale_factors", groups}};
}

Json checksumJson(const sr4731::Checksum& c) {
    return Json{
        {"status", sr4731::checksumStatusName(c.status)},
        {"convention", c.convention ? Json(sr4731::conventionName(*c.convention)) : Json(nullptr)},
        {"stored", c.stored ? Json(*c.stored) : Json(nullptr)}};
}

Json toJson(const std::string& path, const Document& d) {
    const Texts text{sr4731::codePageOf(d)};
    Json j;
    j["file"] = path;
    j["version"] = d.version;
    Json blocks = Json::array();
    for (const sr4731::BlockEntry& b : d.blocks)
        blocks.push_back({{"name", text(b.name)},
                          {"revision", b.revision},
                          {"size", b.size},
                          {"offset", b.offset}});
    j["blocks"] = std::move(blocks);
    j["general"] = generalJson(d, text);
    j["supplier"] = supplierJson(d, text);
    j["fixed"] = fixedJson(d, text);
    j["key_events"] = keyEventsJson(d, text);
    j["data"] = dataJson(d);
    j["checksum"] = checksumJson(d.checksum);
    Json others = Json::array();
    for (const sr4731::OtherBlock& o : d.others)
        others.push_back(
            {{"name", text(o.name)}, {"revision", o.revision}, {"bytes", o.bytes.size()}});
    j["other_blocks"] = std::move(others);
    j["trailing_bytes"] = d.trailing.size();
    j["warnings"] = d.warnings;
    return j;
}

// --- text -------------------------------------------------------------------------------

std::string dash(const std::string& s) {
    const std::string t = trimmed(s);
    return t.empty() ? "-" : escapeControls(t);
}

void line(const char* label, const std::string& value) {
    std::cout << padRight(std::string(label) + ':', 16) << value << '\n';
}

void printText(const std::string& path, const Document& d) {
    const Texts text{sr4731::codePageOf(d)};
    auto show = [&](const std::string& bytes) { return dash(text(bytes)); };
    line("file", escapeName(path));
    line("version",
         std::to_string(d.version) + " (Map revision " + std::to_string(d.mapRevision) + ")");
    if (d.supplier) {
        const sr4731::SupplierParams& s = *d.supplier;
        line("maker", show(s.supplierName));
        line("instrument", show(s.mainframeId) + " (serial " + show(s.mainframeSerial) +
                               "), module " + show(s.moduleId) + " (serial " +
                               show(s.moduleSerial) + ")");
        line("software", show(s.softwareRevision));
        line("other", show(s.other));
    }
    if (d.fixed) {
        const sr4731::FixedParams& f = *d.fixed;
        line("date", utcDate(f.timestamp, "%Y-%m-%d %H:%M:%S UTC"));
        line("wavelength", formatNumber("%.1f nm", f.wavelengthNm()));
        std::string widths, resolution;
        for (std::size_t k = 0; k < f.pulses.size(); ++k) {
            widths += (k ? ", " : "") + std::to_string(f.pulses[k].widthNs) + " ns";
            resolution += (k ? ", " : "") + formatNumber("%.4f m", f.spacingMetres(k));
        }
        line("pulse width", widths.empty() ? "-" : widths);
        line("range", formatNumber("%.3f km", kmOfTime(d, f.acquisitionRange)));
        line("resolution", resolution.empty() ? "-" : resolution);
        line("group index",
             formatNumber("%.5f", f.groupIndex * 0.00001) +
                 (f.effectiveGroupIndex() != f.groupIndex * 0.00001
                      ? formatNumber(" (outside (1, 2]; %.5f used)", f.effectiveGroupIndex())
                      : ""));
        line("averages", std::to_string(f.averages));
    }
    line("points", d.data ? std::to_string(d.data->pointCount()) : "-");
    if (d.general) {
        const sr4731::GeneralParams& g = *d.general;
        line("texts", std::string("language ") + show(g.languageCode) + ", code page " +
                          sr4731::codePageName(text.page));
        const std::pair<const char*, const std::string*> texts[] = {
            {"  cable id", &g.cableId},         {"  fiber id", &g.fiberId},
            {"  from", &g.originatingLocation}, {"  to", &g.terminatingLocation},
            {"  cable code", &g.cableCode},     {"  data flag", &g.dataFlag},
            {"  operator", &g.operatorName},    {"  comment", &g.comment}};
        for (const auto& [label, value] : texts) line(label, show(*value));
    }
    if (d.keyEvents) {
        const sr4731::KeyEvents& k = *d.keyEvents;
        std::cout << "events (" << k.events.size() << "):\n"
                  << "     #  distance km  slope dB/km  loss dB  reflectance dB  code    "
                     "technique  comment\n";
        for (const sr4731::KeyEvent& e : k.events)
            std::cout << cformat("  %4u  %11.4f  %11.3f  %7.3f  %14.3f  ", e.number,
                                 kmOfTime(d, e.propagationTime), e.slope * 0.001, e.loss * 0.001,
                                 e.reflectance * 0.001)
                      << padRight(show(e.code), 8) << padRight(show(e.lossTechnique), 11)
                      << show(e.comment) << '\n';
        const sr4731::KeyEventSummary& s = k.summary;
        line("total loss", cformat("%.3f dB from %.4f to %.4f km", s.totalLoss * 0.001,
                                   kmOfTime(d, s.lossStart), kmOfTime(d, s.lossEnd)));
        line("ORL", cformat("%.3f dB from %.4f to %.4f km", s.orl * 0.001, kmOfTime(d, s.orlStart),
                            kmOfTime(d, s.orlEnd)));
    } else {
        std::cout << "events:         none in the file\n";
    }
    std::cout << "blocks:\n  name            revision        size      offset\n";
    for (const sr4731::BlockEntry& b : d.blocks)
        std::cout << "  " << padRight(escapeControls(text(b.name)), 14)
                  << cformat("%10u  %10u  %10llu", b.revision, b.size,
                             static_cast<unsigned long long>(b.offset))
                  << '\n';
    if (!d.trailing.empty()) line("trailing bytes", std::to_string(d.trailing.size()));
    const sr4731::Checksum& c = d.checksum;
    std::string ck = sr4731::checksumStatusName(c.status);
    if (c.convention) ck += std::string(" (") + sr4731::conventionDescription(*c.convention) + ")";
    if (c.stored) ck += cformat(", stored 0x%04X", *c.stored);
    line("checksum", ck);
    for (const std::string& w : d.warnings) line("warning", escapeControls(text(w)));
}

struct InspectOptions {
    std::vector<std::string> files;
    bool json = false;
};

int runInspect(const InspectOptions& o) {
    int exitCode = kExitOk;
    Json all = Json::array();
    bool first = true;
    for (const std::string& path : o.files) {
        auto doc = decodeSorFile(path);
        if (!doc) {
            printError("inspect", path + ": " + doc.error().message);
            exitCode = kExitRefused;
            continue;
        }
        if (o.json) {
            all.push_back(toJson(path, doc.value()));
        } else {
            if (!first) std::cout << '\n';
            printText(path, doc.value());
        }
        first = false;
    }
    if (o.json) {
        if (o.files.size() == 1) {
            if (!all.empty()) std::cout << all.front().dump(2, ' ', false, kReplace) << '\n';
        } else {
            std::cout << all.dump(2, ' ', false, kReplace) << '\n';
        }
    }
    return exitCode;
}

}  // namespace

Runner addInspectCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand(
        "inspect",
        "Show everything an SR-4731 (SOR) file of any instrument holds: maker, instrument,\n"
        "date, wavelength, pulse widths, range, resolution, points, group index, texts, the\n"
        "file's own event table, its blocks and its checksum status. Texts are shown as UTF-8\n"
        "(as they are when valid UTF-8, else in the code page of the file's language code, else\n"
        "Latin-1). --json prints one object per file (an array for several files). A file that\n"
        "cannot be decoded is reported on stderr with the reason and makes the exit status 1.");
    auto o = std::make_shared<InspectOptions>();
    cmd->add_option("FILE", o->files, "SOR files")->required();
    cmd->add_flag("--json", o->json, "print JSON");
    return [cmd, o]() { return cmd->parsed() ? runInspect(*o) : -1; };
}

}  // namespace otdr::cli
