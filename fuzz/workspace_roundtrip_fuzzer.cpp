// Open -> save as SOR and as ZT -> reopen, through the Workspace as the window does it.
//
// Input: the first byte chooses the case, the rest is the file. Bit 0: a .zt file (the rest
// fitted to the length that bits 2..7 choose, see zt_lengths.h) or a .sor file. Bit 1: the
// file goes to the second slot while the first holds a trace (the range check applies).
//
// A refused file must leave both slots and the test parameters as they were (only the slot's
// file name becomes a blank). A file that opens must save in both formats, and each saved file
// must reopen with the same samples and test parameters, as far as the format holds them.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "trace/sor_format.h"
#include "util/file_io.h"
#include "util/text.h"
#include "workspace/workspace.h"
#include "zt_lengths.h"

namespace {

using namespace otdr;

class StillClock : public Clock {
  public:
    std::time_t now() const override { return 1142604309; }
    std::string shortDate(std::time_t) const override { return "2006/03/17"; }
    std::string longTime(std::time_t) const override { return "14:05:09"; }
};

// A private folder for the files, on a memory file system where there is one.
struct Folder {
    std::string path;
    Folder() {
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string tmpl = std::string(base) + "/otdr-fuzz-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) __builtin_trap();
        path = tmpl;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const char* name) const { return path + "/" + name; }
};

void require(bool ok) {
    if (!ok) __builtin_trap();
}

// Slots compared without the file name, which a refusal sets to a blank.
bool sameSlot(const TraceSlot& a, const TraceSlot& b) {
    TraceRecord ra = a.record, rb = b.record;
    ra.fileName.clear();
    rb.fileName.clear();
    return ra == rb && a.samples == b.samples && a.loaded == b.loaded &&
           a.events.count() == b.events.count() && a.analysisDone == b.analysisDone;
}

// A text as the SOR writer stores it: trimmed, an empty text as one blank.
std::string sorText(const std::string& s) {
    std::string t = trimmed(s);
    return t.empty() ? " " : t;
}

void checkSorReopen(const Workspace& original, const Workspace& reopened) {
    const WorkspaceState& a = original.state();
    const WorkspaceState& b = reopened.state();
    require(b.active().samples == a.active().samples);
    require(b.params.rangeIndex == a.params.rangeIndex);
    require(b.params.pulseWidthNs == a.params.pulseWidthNs);
    require(b.params.refractiveIndex == a.params.refractiveIndex);
    require(b.controls.text("E_Wave") == a.controls.text("E_Wave"));
    require(b.controls.text("E_IOR") == a.controls.text("E_IOR"));
    const GenParams& ga = a.active().record.genParams;
    const GenParams& gb = b.active().record.genParams;
    for (auto field : {&GenParams::cableId, &GenParams::fiberId, &GenParams::originatingLocation,
                       &GenParams::terminatingLocation, &GenParams::cableCode,
                       &GenParams::operatorName, &GenParams::comment})
        require(gb.*field == sorText(ga.*field));
}

void checkZtReopen(const Workspace& original, const Workspace& reopened) {
    const TestParameters& p = original.state().params;
    const TestParameters& q = reopened.state().params;
    // Every second sample is stored; the others are interpolated again.
    const SampleArray& s = original.state().active().samples;
    const SampleArray& t = reopened.state().active().samples;
    for (std::size_t i = 0; i < s.size(); i += 2) require(t[i] == s[i]);
    for (std::size_t i = 1; i + 1 < s.size(); i += 2)
        require(t[i] == static_cast<std::uint16_t>((unsigned{t[i - 1]} + t[i + 1]) / 2));
    require(q.rangeIndex == p.rangeIndex);
    require(q.pulseWidthNs == p.pulseWidthNs);
    if (p.averageCount > 0 && p.averageCount <= 0xFFFF) require(q.averageCount == p.averageCount);
    require(q.attenuationDb == p.attenuationDb);
    require(q.wavelengthClass == p.wavelengthClass);
    require(q.lossScale == p.lossScale);
    require(q.refractiveIndex == p.refractiveIndex);
    require(q.helixFactor == p.helixFactor);
    require(reopened.state().controls.text("E_IOR") == original.state().controls.text("E_IOR"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folder;
    static const StillClock clock;
    static const std::string base = [] {
        // The trace already in the first slot: a written SOR file of range index 7.
        TraceRecord rec;
        SampleArray samples{};
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::uint16_t>(40000 - i);
        SorWriteParams p;
        p.rangeIndex = 7;
        p.pulseWidthNs = 1280;
        p.refractiveIndex = 1.4682f;
        p.averageCount = 16;
        p.waveText = "1550 nm";
        const std::string path = folder.file("base.sor");
        require(writeFileAtomically(path, buildSor(rec, samples, p).value()).ok());
        return path;
    }();
    if (size == 0) return 0;

    const bool zt = (data[0] & 1) != 0;
    const bool secondSlot = (data[0] & 2) != 0;
    const ByteView body(data + 1, size - 1);
    static fuzz::ZtFitter fitter;
    const ByteView file =
        zt ? fitter.fit(body, fuzz::kZtLengths[(data[0] >> 2) % fuzz::kZtLengthCount]) : body;
    const std::string in = folder.file(zt ? "in.zt" : "in.sor");
    require(writeFileAtomically(in, file).ok());

    RecordingPrompter prompter;
    Workspace ws(Settings{}, &prompter, &clock);
    if (secondSlot) {
        require(ws.openTrace(base));
        ws.selectTrace(1);
    }
    const TraceSlot before0 = ws.state().slots[0];
    const TraceSlot before1 = ws.state().slots[1];
    const TestParameters params = ws.state().params;
    if (!ws.openTrace(in)) {
        require(!prompter.errors.empty());
        require(sameSlot(ws.state().slots[0], before0));
        require(sameSlot(ws.state().slots[1], before1));
        require(ws.state().params == params);
        return 0;
    }

    for (SaveFormat format : {SaveFormat::Sor, SaveFormat::Zt}) {
        const bool sor = format == SaveFormat::Sor;
        const std::string out = folder.file(sor ? "out.sor" : "out.zt");
        const TraceSlot kept = ws.state().active();
        if (ws.saveAs(out, format) != SaveOutcome::Saved) {
            // Only texts too long for the SOR block size may stop a save; the slot stays.
            require(sor && !prompter.errors.empty());
            require(sameSlot(ws.state().active(), kept));
            continue;
        }
        RecordingPrompter quiet;
        Workspace again(Settings{}, &quiet, &clock);
        require(again.openTrace(out));
        if (sor)
            checkSorReopen(ws, again);
        else
            checkZtReopen(ws, again);
    }
    return 0;
}
