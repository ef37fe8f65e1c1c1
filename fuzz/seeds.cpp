// Writes the seed inputs of the harnesses into OUTDIR/<harness>/: small files made by the
// program's own writers, and the bundled sample traces in the form each harness takes.
//
//   otdr_fuzz_seeds OUTDIR SAMPLESDIR

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sr4731/encoder.h"
#include "sr4731/generator.h"
#include "trace/crc16.h"
#include "trace/sor_format.h"
#include "trace/zt_format.h"
#include "util/file_io.h"
#include "util/gbk.h"
#include "zt_lengths.h"

namespace {

using namespace otdr;
namespace fs = std::filesystem;

SampleArray ramp() {
    SampleArray s{};
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::uint16_t>(50000 - i + (i % 7) * 3);
    return s;
}

GenParams texts(int variant) {
    GenParams g;
    g.cableId = "CABLE-7";
    g.fiberId = "F12";
    g.originatingLocation = "Station A";
    g.terminatingLocation = "Station B";
    g.cableCode = "GYTA-24";
    g.dataFlag = "BC";
    g.operatorName = "Wang";
    g.comment = "seed";
    if (variant == 1) g = GenParams{};  // every text empty
    if (variant == 2) {
        g.cableId = utf8ToGbk("光缆一号");
        g.operatorName = utf8ToGbk("王工");
    }
    if (variant == 3) g.comment = std::string(40, 'c');  // longer than a ZT field
    return g;
}

// A SOR file as the program writes it, cut down to n data points: the point counts, the
// DataPts size and the checksum follow, so the file is a complete small one.
Bytes smallSor(std::uint32_t n, int range, const char* wave, int textVariant) {
    SorWriteParams p;
    p.rangeIndex = static_cast<std::int16_t>(range);
    p.pulseWidthNs = 320;
    p.refractiveIndex = 1.4682f;
    p.averageCount = 16;
    p.waveText = wave;
    p.timestamp = 1142604309;
    TraceRecord rec;
    rec.genParams = texts(textVariant);
    Bytes full = buildSor(rec, ramp(), p).value();
    const std::size_t fxd = sor::kMapSize + getU32(full, 24) + sor::kSupParamsSize;
    const std::size_t dataAt = fxd + sor::kFxdParamsSize + sor::kDataPtsHeadSize;
    Bytes out(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(dataAt + 2 * n));
    putU32(out, 70, static_cast<std::uint32_t>(sor::kDataPtsHeadSize + 2 * n));
    putU32(out, fxd + 34, n);
    putU32(out, fxd + sor::kFxdParamsSize + 8, n);
    putU32(out, fxd + sor::kFxdParamsSize + 14, n);
    const std::uint16_t crc = crc16CcittFalse(out);
    ByteWriter w(out);
    w.zeroTerminated(sor::kCksumBlockName);
    w.u16(crc);
    return out;
}

// The part of a ZT file after its samples: header, texts and, with events, their records.
Bytes ztTail(int events, bool oldHeader) {
    TestParameters p;
    p.rangeIndex = 5;
    p.pulseWidthNs = 320;
    p.averageCount = 64;
    p.attenuationDb = 10.0f;
    p.wavelengthClass = 1;
    p.lossScale = {1.0f, 0.95f, 1.0f};
    p.refractiveIndex = 1.4682f;
    p.helixFactor = 0.98f;
    ZtHeader h;
    rebuildZtHeader(h, p, "1550 nm", 0, 1280);
    EventTable table;
    EventText text;
    for (int i = 0; i < events; ++i) {
        table.append(static_cast<std::uint16_t>(1000 * (i + 1)));
        const auto row = static_cast<std::size_t>(i);
        text[kColDistance][row] = " 1.2345";
        text[kColAverageLoss][row] = " 0.190";
        text[kColSpliceLoss][row] = " 0.050";
        text[kColReturnLoss][row] = i % 2 ? "--------" : " 45.000";
        text[kColLinkLoss][row] = " 1.000";
    }
    GenParams g = texts(0);
    Bytes file = buildZt(g, h, ramp(), table, text);
    Bytes tail(file.begin() + 2 * kHalfSampleCount, file.end());
    if (oldHeader) tail.erase(tail.begin() + 48, tail.begin() + 80);  // texts follow 48 bytes
    return tail;
}

int written = 0;

void put(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    fs::create_directories(folder);
    if (!writeFileAtomically((folder / name).string(), bytes)) {
        std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
        std::exit(1);
    }
    ++written;
}

Bytes withFirst(std::uint8_t first, const Bytes& rest) {
    Bytes out{first};
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

// An input of the cli_output harness: the length of the zero-separated names, the names, the
// file.
Bytes withNames(const std::string& names, const Bytes& file) {
    Bytes out{static_cast<std::uint8_t>(names.size())};
    out.insert(out.end(), names.begin(), names.end());
    out.insert(out.end(), file.begin(), file.end());
    return out;
}

// A file of many pulse widths, each with a scale factor of its own, of which only the first
// holds points.
Bytes manyEmptyTraces(std::uint16_t pulses) {
    sr4731::Document doc = sr4731::typicalDocument(2, 50);
    doc.fixed->pulses.assign(pulses, doc.fixed->pulses.front());
    sr4731::ScaleGroup empty = doc.data->groups.front();
    empty.points.clear();
    empty.declaredPoints = 0;
    doc.data->groups.resize(pulses, empty);
    doc.data->declaredGroups = pulses;
    return sr4731::encode(doc);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR SAMPLESDIR\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path samples = argv[2];
    const fs::path sorDir = out / "sor_reader";
    const fs::path ztDir = out / "zt_reader";
    const fs::path wsDir = out / "workspace_roundtrip";
    const fs::path foreignDir = out / "sr4731_decode";
    const fs::path cliDir = out / "cli_output";

    // SOR: small complete files over the ranges, the wavelengths and the text variants.
    const char* waves[] = {"850 nm", "1300 nm", "1310 nm", "1490 nm", "1550 nm", "1625 nm"};
    int k = 0;
    for (std::uint32_t n : {0u, 1u, 100u, 116u, 700u}) {
        for (int v = 0; v < 4; ++v) {
            const Bytes sor = smallSor(n, k % 10, waves[k % 6], v);
            const std::string name = "small_" + std::to_string(k++) + ".sor";
            put(sorDir, name, sor);
            put(wsDir, name, withFirst(static_cast<std::uint8_t>(k % 2 ? 0 : 2), sor));
        }
    }

    // ZT: the first byte chooses the length; the rest is what follows the samples.
    const Bytes tails[] = {ztTail(0, false), ztTail(3, false), ztTail(0, true)};
    for (std::size_t i = 0; i < fuzz::kZtLengthCount; ++i) {
        for (std::size_t t = 0; t < 3; ++t) {
            const std::string name =
                "len" + std::to_string(fuzz::kZtLengths[i]) + "_" + std::to_string(t) + ".bin";
            put(ztDir, name, withFirst(static_cast<std::uint8_t>(i), tails[t]));
            put(wsDir, name, withFirst(static_cast<std::uint8_t>(1 | (i << 2)), tails[t]));
        }
    }

    // Other instruments' layouts: both revisions, small enough for the length limit, under
    // each checksum convention.
    for (int version : {1, 2}) {
        const sr4731::Document doc = sr4731::typicalDocument(version, 200);
        int c = 0;
        for (sr4731::ChecksumConvention conv : sr4731::kAllConventions)
            put(foreignDir,
                "typical_v" + std::to_string(version) + "_" + std::to_string(c++) + ".sor",
                sr4731::encode(doc, {conv, std::nullopt}));
    }

    // export and the report names: names with links, controls, bytes that are not UTF-8 and
    // repeats, with files of both kinds.
    using namespace std::string_literals;
    const std::string names[] = {"a.sor\0b/a.sor\0a.zt"s, "x\x1b[31m.sor\0bad\xff\xfe.sor\0"s,
                                 "..\0/\0\xe4\xb8\x80.sor\0line\n2.sor"s, ""s};
    int c = 0;
    for (const std::string& n : names) {
        put(cliDir, "own_" + std::to_string(c),
            withNames(n, smallSor(116, c % 10, "1550 nm", c % 4)));
        put(cliDir, "typical_" + std::to_string(c),
            withNames(n, sr4731::encode(sr4731::typicalDocument(c % 2 + 1, 300))));
        put(cliDir, "empty_traces_" + std::to_string(c), withNames(n, manyEmptyTraces(400)));
        ++c;
    }

    // The bundled samples as they are (the harnesses cut them to their length limit), and the
    // part after the samples of the ZT ones.
    for (const auto& e : fs::directory_iterator(samples)) {
        const std::string ext = e.path().extension().string();
        if (ext != ".sor" && ext != ".zt") continue;
        auto bytes = readWholeFile(e.path().string());
        if (!bytes) continue;
        const std::string name = "sample_" + e.path().filename().string();
        if (ext == ".sor") {
            put(sorDir, name, bytes.value());
            put(wsDir, name, withFirst(0, bytes.value()));
            put(foreignDir, name, bytes.value());
            continue;
        }
        const Bytes& z = bytes.value();
        const std::size_t samplesEnd = z.size() > 34000 ? 2 * kSampleCount : 2 * kHalfSampleCount;
        if (z.size() <= samplesEnd) continue;
        const Bytes tail(z.begin() + static_cast<std::ptrdiff_t>(samplesEnd), z.end());
        for (std::size_t i = 0; i < fuzz::kZtLengthCount; ++i) {
            if (fuzz::kZtLengths[i] != z.size()) continue;
            put(ztDir, name, withFirst(static_cast<std::uint8_t>(i), tail));
            put(wsDir, name, withFirst(static_cast<std::uint8_t>(1 | (i << 2)), tail));
        }
    }
    std::printf("%d seed files in %s\n", written, out.c_str());
    return 0;
}
