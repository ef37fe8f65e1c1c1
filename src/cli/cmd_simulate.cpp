// otdr simulate: writes a synthetic trace with known events and prints what was put in.

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli_common.h"
#include "commands.h"
#include "sim/simulator.h"
#include "util/numeric.h"

namespace otdr::cli {

namespace {

struct SimulateArgs {
    sim::SimConfig config;
    std::vector<std::string> events;
    std::string output;
    bool json = false;
    double attenuation = 0.0;  // dB/km, used when given
    CLI::Option* attenuationOption = nullptr;
};

nlohmann::ordered_json truthJson(const sim::SimResult& r, const sim::SimConfig& c,
                                 const std::string& output) {
    nlohmann::ordered_json j;
    if (!output.empty()) j["output"] = output;
    j["range_index"] = r.params.rangeIndex;
    j["range"] = rangeText(r.params.rangeIndex);
    j["pulse_width_ns"] = r.params.pulseWidthNs;
    j["wavelength"] = r.waveText;
    j["wavelength_class"] = r.params.wavelengthClass;
    j["refractive_index"] = c.refractiveIndex;
    j["sample_spacing_m"] = jsonFloat(r.params.sampleSpacing);
    j["attenuator_db"] = jsonFloat(r.params.attenuationDb);
    j["average_count"] = r.params.averageCount;
    j["fibre_attenuation_db_per_km"] = r.attenuationDbPerKm;
    j["backscatter_start_db"] = r.startLevelDb;
    j["noise_level"] = c.noiseLevel;
    j["noise_floor_db"] = c.noiseFloorDb;
    j["seed"] = c.seed;
    nlohmann::ordered_json events = nlohmann::ordered_json::array();
    for (std::size_t k = 0; k + 1 < r.truth.size(); ++k) {
        const sim::SimTruthEvent& e = r.truth[k];
        nlohmann::ordered_json ev;
        ev["sample"] = e.sample;
        ev["km"] = e.km;
        ev["loss_db"] = e.lossDb;
        ev["reflective"] = e.reflective;
        ev["reflectance_db"] = e.reflective ? nlohmann::ordered_json(e.reflectanceDb) : nullptr;
        events.push_back(ev);
    }
    j["events"] = events;
    const sim::SimTruthEvent& end = r.truth.back();
    j["fibre_end"] = {{"sample", end.sample},
                      {"km", end.km},
                      {"drop_to_floor_db", end.lossDb},
                      {"reflectance_db", end.reflectanceDb}};
    return j;
}

void printTruth(const sim::SimResult& r, const std::string& output) {
    const TestParameters& p = r.params;
    if (!output.empty()) std::cout << "wrote " << escapeName(output) << '\n';
    std::cout << rangeText(p.rangeIndex) << " range (index " << p.rangeIndex << "), "
              << p.pulseWidthNs << " ns, " << r.waveText << ", "
              << cformat("%.4f", static_cast<double>(p.sampleSpacing)) << " m per sample, "
              << cformat("%.3f", r.attenuationDbPerKm) << " dB/km\n";
    std::cout << "  #  sample        km   loss dB  reflectance dB\n";
    for (std::size_t k = 0; k < r.truth.size(); ++k) {
        const sim::SimTruthEvent& e = r.truth[k];
        const bool last = k + 1 == r.truth.size();
        std::cout << (last ? std::string("end") : cformat("%3zu", k + 1))
                  << cformat(" %7d %9.4f %9.3f", e.sample, e.km, e.lossDb)
                  << (e.reflective ? cformat(" %15.1f", e.reflectanceDb) : "               -")
                  << (last ? "  (fibre end; loss = fall to the floor)" : "") << '\n';
    }
}

int runSimulate(SimulateArgs& a) {
    if (a.output.empty() && !a.json) {
        std::cerr << "otdr simulate: give an output file with -o (or --json for the ground truth "
                     "alone)\n";
        return kExitUsage;
    }
    if (!a.output.empty() && formatOf(a.output).empty()) {
        std::cerr << "otdr simulate: the output name must end in .sor or .zt\n";
        return kExitUsage;
    }
    for (const std::string& text : a.events) {
        auto e = sim::parseEventSpec(text);
        if (!e) {
            printError("simulate", e.error().message);
            return kExitUsage;
        }
        a.config.events.push_back(e.value());
    }
    if (a.attenuationOption->count() > 0) a.config.attenuationDbPerKm = a.attenuation;
    if (auto valid = sim::validateConfig(a.config); !valid) {
        printError("simulate", valid.error().message);
        return kExitUsage;
    }
    const sim::SimResult r = sim::simulate(a.config);
    if (!a.output.empty()) {
        if (auto written = sim::writeTraceFile(r, a.output); !written) {
            printError("simulate", written.error().message);
            return kExitRefused;
        }
    }
    if (a.json)
        std::cout << truthJson(r, a.config, a.output).dump(2) << '\n';
    else
        printTruth(r, a.output);
    return kExitOk;
}

}  // namespace

Runner addSimulateCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("simulate", "Write a synthetic trace with known events");
    auto a = std::make_shared<SimulateArgs>();
    sim::SimConfig& c = a->config;
    cmd->add_option("--range", c.rangeIndex, "range index 0..9 (500 m .. 256 km)")
        ->capture_default_str();
    cmd->add_option("--pulse", c.pulseWidthNs, "pulse width, ns")->capture_default_str();
    cmd->add_option("--wavelength", c.wavelengthNm, "1310, 1550 or 1625 nm")->capture_default_str();
    cmd->add_option("--length", c.fibreLengthKm, "fibre length, km")->capture_default_str();
    cmd->add_option("--ior", c.refractiveIndex, "group index of the fibre")->capture_default_str();
    cmd->add_option("--event", a->events,
                    "event as km:loss, km:loss:reflective or km:loss:reflective:reflectance_db "
                    "(repeatable)");
    cmd->add_option("--noise", c.noiseLevel, "noise level, 0 (none) .. 5")->capture_default_str();
    cmd->add_option("--floor", c.noiseFloorDb, "mean noise floor, dB above count 0")
        ->capture_default_str();
    a->attenuationOption =
        cmd->add_option("--attenuation", a->attenuation,
                        "fibre attenuation, dB/km (default: typical for the wavelength)");
    cmd->add_option("--end-reflectance", c.endReflectanceDb, "reflectance of the fibre end, dB")
        ->capture_default_str();
    cmd->add_option("--averages", c.averageCount, "average count written to the file")
        ->capture_default_str();
    cmd->add_option("--seed", c.seed, "noise seed")->capture_default_str();
    cmd->add_option("-o,--output", a->output, "file to write; .sor or .zt decides the format");
    cmd->add_flag("--json", a->json, "print the ground truth as JSON");
    return [cmd, a]() { return cmd->parsed() ? runSimulate(*a) : -1; };
}

}  // namespace otdr::cli
