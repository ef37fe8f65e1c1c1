// otdr info, otdr samples, otdr convert: a trace file as the window opens and saves it.

#include <iostream>
#include <memory>
#include <string>

#include "cli_common.h"
#include "commands.h"
#include "trace/sor_format.h"
#include "util/file_io.h"
#include "util/gbk.h"
#include "util/text.h"

namespace otdr::cli {

namespace {

const char* checksumText(ChecksumStatus s) {
    switch (s) {
        case ChecksumStatus::Valid:
            return "valid";
        case ChecksumStatus::Mismatch:
            return "mismatch";
        case ChecksumStatus::Missing:
            return "missing";
    }
    return "missing";
}

int runInfo(const std::string& path, bool json) {
    Session s;
    if (!openFile(s, path)) return kExitRefused;
    const WorkspaceState& st = s.ws->state();
    const TestParameters& p = st.params;
    const TraceRecord& rec = st.active().record;
    const GenParams& g = rec.genParams;
    const Controls& c = st.controls;
    const std::string format = formatOf(path);

    nlohmann::json checksum = nullptr;
    if (format == "sor") {
        auto bytes = readWholeFile(path);
        auto parsed =
            bytes ? readSor(bytes.value()) : Result<std::unique_ptr<SorFile>>(bytes.error());
        checksum = parsed ? checksumText(parsed.value()->checksum) : "missing";
    }
    const std::pair<const char*, const std::string*> texts[] = {
        {"cable_id", &g.cableId},
        {"fiber_id", &g.fiberId},
        {"originating_location", &g.originatingLocation},
        {"terminating_location", &g.terminatingLocation},
        {"cable_code", &g.cableCode},
        {"data_flag", &g.dataFlag},
        {"operator", &g.operatorName},
        {"comment", &g.comment}};

    if (json) {
        nlohmann::ordered_json j;
        j["format"] = format;
        j["range_index"] = p.rangeIndex;
        j["range"] = c.text("E_Range");
        j["pulse_width_ns"] = p.pulseWidthNs;
        j["average_count"] = p.averageCount;
        j["attenuation_db"] = jsonFloat(p.attenuationDb);
        j["wavelength"] = c.text("E_Wave");
        j["wavelength_class"] = p.wavelengthClass;
        j["refractive_index"] = jsonFloat(p.refractiveIndex);
        j["helix_factor"] = jsonFloat(p.helixFactor);
        j["sample_spacing"] = jsonFloat(p.sampleSpacing);
        j["date"] = gbkToUtf8(rec.dateText);
        nlohmann::ordered_json t = nlohmann::ordered_json::object();
        for (const auto& [key, value] : texts) t[key] = gbkToUtf8(*value);
        j["texts"] = t;
        j["checksum"] = checksum;
        std::cout << j.dump(2) << '\n';
        return kExitOk;
    }
    std::cout << "format:               " << format << '\n'
              << "wavelength:           " << c.text("E_Wave") << " (class "
              << static_cast<int>(p.wavelengthClass) << ")\n"
              << "range:                " << c.text("E_Range") << " (index " << p.rangeIndex
              << ")\n"
              << "pulse width:          " << c.text("E_Pulse") << '\n'
              << "averages:             " << c.text("E_AvgCount") << '\n'
              << "attenuation:          " << c.text("E_Att") << '\n'
              << "refractive index:     " << c.text("E_IOR") << '\n'
              << "helix factor:         " << c.text("E_Helix") << '\n'
              << "sample spacing:       " << jsonFloat(p.sampleSpacing) << " m\n"
              << "date:                 " << escapeControls(gbkToUtf8(rec.dateText)) << '\n';
    // The texts come from the file: escaped, so that they cannot drive the terminal.
    for (const auto& [key, value] : texts)
        std::cout << padRight(std::string(key) + ':', 22) << escapeControls(gbkToUtf8(*value))
                  << '\n';
    std::cout << "checksum:             "
              << (checksum.is_null() ? "-" : checksum.get<std::string>()) << '\n';
    return kExitOk;
}

int runSamples(const std::string& path) {
    Session s;
    if (!openFile(s, path)) return kExitRefused;
    std::string out;
    out.reserve(6 * kSampleCount);
    for (std::uint16_t v : s.ws->state().active().samples) {
        out += std::to_string(v);
        out += '\n';
    }
    std::cout << out;
    return kExitOk;
}

int runConvert(const std::string& in, const std::string& out) {
    const std::string format = formatOf(out);
    if (format.empty()) {
        std::cerr << "otdr convert: the output name must end in .sor or .zt\n";
        return kExitUsage;
    }
    Session s;
    if (!openFile(s, in)) return kExitRefused;
    const SaveOutcome r = s.ws->saveAs(out, format == "zt" ? SaveFormat::Zt : SaveFormat::Sor);
    return r == SaveOutcome::Saved ? kExitOk : kExitRefused;
}

}  // namespace

Runner addInfoCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("info", "Show the test parameters and texts of a trace file");
    auto path = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    cmd->add_option("FILE", *path, "SOR or ZT trace file")->required();
    cmd->add_flag("--json", *json, "Print one JSON object");
    return [cmd, path, json]() { return cmd->parsed() ? runInfo(*path, *json) : -1; };
}

Runner addSamplesCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("samples", "Print the 32768 samples of a trace, one a line");
    auto path = std::make_shared<std::string>();
    cmd->add_option("FILE", *path, "SOR or ZT trace file")->required();
    return [cmd, path]() { return cmd->parsed() ? runSamples(*path) : -1; };
}

Runner addConvertCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("convert", "Open a trace file and save it as SOR or ZT");
    auto in = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    cmd->add_option("IN", *in, "SOR or ZT trace file to open")->required();
    cmd->add_option("OUT", *out, "file to write; .sor or .zt decides the format")->required();
    return [cmd, in, out]() { return cmd->parsed() ? runConvert(*in, *out) : -1; };
}

}  // namespace otdr::cli
