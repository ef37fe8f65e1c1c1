// otdr inspect: everything an SR-4731 file of any instrument holds, as text or JSON.

#include <algorithm>
#include <cmath>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli_common.h"
#include "commands.h"
#include "json_writer.h"
#include "sr4731/texts.h"
#include "sr4731_cli.h"
#include "util/codepages.h"
#include "util/numeric.h"
#include "util/text.h"

namespace otdr::cli {

namespace {

using sr4731::Document;
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

// The JSON of one file, field by field in a fixed order. Blocks the file lacks are null, as
// are the fields only issue 2 has in an issue 1 file.
class InspectJson {
  public:
    InspectJson(JsonWriter& w, const Document& d) : w_(w), d_(d), text_{sr4731::codePageOf(d)} {}

    void write(const std::string& path) {
        w_.beginObject();
        w_.field("file", path);
        w_.field("version", d_.version);
        w_.key("blocks");
        w_.beginArray();
        for (const sr4731::BlockEntry& b : d_.blocks) {
            w_.beginObject();
            textField("name", b.name);
            w_.field("revision", b.revision);
            w_.field("size", b.size);
            w_.field("offset", b.offset);
            w_.endObject();
        }
        w_.endArray();
        w_.key("general");
        general();
        w_.key("supplier");
        supplier();
        w_.key("fixed");
        fixed();
        w_.key("key_events");
        keyEvents();
        w_.key("data");
        data();
        w_.key("checksum");
        checksum();
        w_.key("other_blocks");
        w_.beginArray();
        for (const sr4731::OtherBlock& o : d_.others) {
            w_.beginObject();
            textField("name", o.name);
            w_.field("revision", o.revision);
            w_.field("bytes", o.size());
            w_.endObject();
        }
        w_.endArray();
        w_.field("trailing_bytes", d_.trailing.size());
        w_.key("warnings");
        w_.beginArray();
        for (const std::string& warning : d_.warnings) w_.value(warning);
        w_.endArray();
        w_.endObject();
    }

  private:
    bool v2() const { return d_.version >= 2; }

    // A text of the file, as UTF-8 in its code page (as it is when it is UTF-8 already).
    void textField(JsonKey name, const std::string& bytes) {
        w_.key(name);
        if (isValidUtf8(bytes))
            w_.value(bytes);
        else
            w_.value(text_(bytes));
    }
    // A value only issue 2 files hold.
    template <class T>
    void v2Field(JsonKey name, const T& v) {
        w_.key(name);
        if (v2())
            w_.value(v);
        else
            w_.value(nullptr);
    }
    void kmArray(std::initializer_list<double> times) {
        w_.beginArray();
        for (double t : times) w_.value(rounded(kmOfTime(d_, t), 6));
        w_.endArray();
    }

    void general() {
        if (!d_.general) return w_.value(nullptr);
        const sr4731::GeneralParams& g = *d_.general;
        w_.beginObject();
        textField("language_code", g.languageCode);
        w_.field("text_code_page", sr4731::codePageName(text_.page));
        textField("cable_id", g.cableId);
        textField("fiber_id", g.fiberId);
        v2Field("fiber_type", g.fiberType);
        w_.field("nominal_wavelength_nm", g.nominalWavelengthNm);
        textField("originating_location", g.originatingLocation);
        textField("terminating_location", g.terminatingLocation);
        textField("cable_code", g.cableCode);
        textField("data_flag", g.dataFlag);
        w_.field("user_offset", g.userOffset);
        v2Field("user_offset_distance", g.userOffsetDistance);
        textField("operator", g.operatorName);
        textField("comment", g.comment);
        w_.endObject();
    }

    void supplier() {
        if (!d_.supplier) return w_.value(nullptr);
        const sr4731::SupplierParams& s = *d_.supplier;
        w_.beginObject();
        textField("name", s.supplierName);
        textField("mainframe", s.mainframeId);
        textField("mainframe_serial", s.mainframeSerial);
        textField("module", s.moduleId);
        textField("module_serial", s.moduleSerial);
        textField("software", s.softwareRevision);
        textField("other", s.other);
        w_.endObject();
    }

    void fixed() {
        if (!d_.fixed) return w_.value(nullptr);
        const sr4731::FixedParams& f = *d_.fixed;
        w_.beginObject();
        w_.field("timestamp", f.timestamp);
        w_.field("date", utcDate(f.timestamp, "%Y-%m-%dT%H:%M:%SZ"));
        textField("distance_units", f.distanceUnits);
        w_.field("wavelength_nm", rounded(f.wavelengthNm(), 1));
        w_.field("actual_wavelength_field", f.actualWavelength);
        w_.field("acquisition_offset", f.acquisitionOffset);
        v2Field("acquisition_offset_distance", f.acquisitionOffsetDistance);
        w_.key("pulse_widths_ns");
        w_.beginArray();
        for (const sr4731::PulseWidth& p : f.pulses) w_.value(p.widthNs);
        w_.endArray();
        w_.key("data_spacings");
        w_.beginArray();
        for (const sr4731::PulseWidth& p : f.pulses) w_.value(p.dataSpacing);
        w_.endArray();
        w_.key("points_per_pulse_width");
        w_.beginArray();
        for (const sr4731::PulseWidth& p : f.pulses) w_.value(p.points);
        w_.endArray();
        w_.key("resolution_m");
        w_.beginArray();
        for (std::size_t k = 0; k < f.pulses.size(); ++k) w_.value(rounded(f.spacingMetres(k), 6));
        w_.endArray();
        w_.field("group_index", rounded(f.groupIndex * 0.00001, 5));
        w_.field("group_index_used", rounded(f.effectiveGroupIndex(), 5));
        w_.field("backscatter_coefficient", f.backscatterCoefficient);
        w_.field("averages", f.averages);
        v2Field("averaging_time", f.averagingTime);
        w_.field("acquisition_range", f.acquisitionRange);
        w_.field("acquisition_range_km", rounded(kmOfTime(d_, f.acquisitionRange), 6));
        v2Field("acquisition_range_distance", f.acquisitionRangeDistance);
        w_.field("front_panel_offset", f.frontPanelOffset);
        w_.field("noise_floor_level", f.noiseFloorLevel);
        w_.field("noise_floor_scale_factor", f.noiseFloorScaleFactor);
        w_.field("power_offset_first_point", f.powerOffsetFirstPoint);
        w_.field("loss_threshold_db", rounded(f.lossThreshold * 0.001, 3));
        w_.field("reflectance_threshold_db", rounded(-f.reflectanceThreshold * 0.001, 3));
        w_.field("end_of_fibre_threshold_db", rounded(f.endOfFibreThreshold * 0.001, 3));
        w_.key("trace_type");
        if (v2())
            w_.value(text_(f.traceType));
        else
            w_.value(nullptr);
        w_.key("window_coordinates");
        if (v2()) {
            w_.beginArray();
            for (std::int32_t c : f.windowCoordinates) w_.value(c);
            w_.endArray();
        } else {
            w_.value(nullptr);
        }
        w_.endObject();
    }

    void keyEvents() {
        if (!d_.keyEvents) return w_.value(nullptr);
        const sr4731::KeyEvents& k = *d_.keyEvents;
        w_.beginObject();
        w_.key("events");
        w_.beginArray();
        for (const sr4731::KeyEvent& e : k.events) {
            w_.beginObject();
            w_.field("number", e.number);
            w_.field("propagation_time", e.propagationTime);
            w_.field("distance_km", rounded(kmOfTime(d_, e.propagationTime), 6));
            w_.field("slope_db_per_km", rounded(e.slope * 0.001, 3));
            w_.field("loss_db", rounded(e.loss * 0.001, 3));
            w_.field("reflectance_db", rounded(e.reflectance * 0.001, 3));
            textField("code", e.code);
            textField("loss_technique", e.lossTechnique);
            w_.key("markers_km");
            if (v2()) {
                w_.beginArray();
                for (std::int32_t m : e.markers) w_.value(rounded(kmOfTime(d_, m), 6));
                w_.endArray();
            } else {
                w_.value(nullptr);
            }
            textField("comment", e.comment);
            w_.endObject();
        }
        w_.endArray();
        const sr4731::KeyEventSummary& s = k.summary;
        w_.field("total_loss_db", rounded(s.totalLoss * 0.001, 3));
        w_.key("loss_span_km");
        kmArray({static_cast<double>(s.lossStart), static_cast<double>(s.lossEnd)});
        w_.field("orl_db", rounded(s.orl * 0.001, 3));
        w_.key("orl_span_km");
        kmArray({static_cast<double>(s.orlStart), static_cast<double>(s.orlEnd)});
        w_.endObject();
    }

    void data() {
        if (!d_.data) return w_.value(nullptr);
        w_.beginObject();
        w_.field("declared_points", d_.data->declaredPoints);
        w_.field("points", d_.data->pointCount());
        w_.key("scale_factors");
        w_.beginArray();
        for (const sr4731::ScaleGroup& g : d_.data->groups) {
            w_.beginObject();
            w_.field("declared_points", g.declaredPoints);
            w_.field("points", g.presentPoints());
            w_.field("scale_factor", g.scaleFactor);
            w_.endObject();
        }
        w_.endArray();
        w_.endObject();
    }

    void checksum() {
        const sr4731::Checksum& c = d_.checksum;
        w_.beginObject();
        w_.field("status", sr4731::checksumStatusName(c.status));
        w_.key("convention");
        if (c.convention)
            w_.value(sr4731::conventionName(*c.convention));
        else
            w_.value(nullptr);
        w_.key("stored");
        if (c.stored)
            w_.value(*c.stored);
        else
            w_.value(nullptr);
        w_.endObject();
    }

    JsonWriter& w_;
    const Document& d_;
    const Texts text_;
};

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
    // The JSON is written once every file has been read, after the refusals on stderr.
    // About 6 KB a file: grown once rather than copied at every doubling.
    JsonWriter w(o.json ? std::min<std::size_t>(o.files.size() * 8192, 16u << 20) : 0);
    const bool several = o.files.size() != 1;
    if (o.json && several) w.beginArray();
    bool first = true;
    Bytes buffer;
    for (const std::string& path : o.files) {
        // What a file holds is listed, its points and unread blocks only counted.
        auto doc = decodeSorFile(path, buffer, {.contents = false});
        if (!doc) {
            printError("inspect", path + ": " + doc.error().message);
            exitCode = kExitRefused;
            continue;
        }
        if (o.json) {
            InspectJson(w, doc.value()).write(path);
        } else {
            if (!first) std::cout << '\n';
            printText(path, doc.value());
        }
        first = false;
    }
    if (o.json) {
        if (several) w.endArray();
        if (!w.text().empty()) std::cout << w.text() << '\n';
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
