#pragma once
// A workspace with hand-made traces loaded straight into its slots, for the chart, cursor,
// view and measurement tests.

#include <gtest/gtest.h>

#include <functional>

#include "test_support.h"
#include "workspace/workspace.h"

namespace otdr::test {

class ViewTest : public ::testing::Test {
  protected:
    RecordingPrompter prompter;
    FixedClock clock;
    Workspace ws{Settings{}, &prompter, &clock};

    WorkspaceState& st() { return ws.state(); }
    ViewState& view() { return ws.state().view; }
    MarkerState& markers() { return ws.state().markers; }
    const ChartSeries& series(SeriesId id) { return ws.scene().series(id); }
    const std::string& text(const char* name) { return ws.state().controls.text(name); }

    // Puts a trace into a slot as the open command would leave it (header with the range,
    // group index 1.47200 and helix factor 1), makes it active and sets the new-trace view.
    void load(int slot, int rangeIndex, const std::function<std::uint16_t(int)>& level) {
        WorkspaceState& s = ws.state();
        TraceSlot& t = s.slots[static_cast<std::size_t>(slot)];
        for (int i = 0; i < kSampleCount; ++i) t.samples[static_cast<std::size_t>(i)] = level(i);
        t.record.header.setRangeFormat(ZtHeader::kRangeFormatMark);
        t.record.header.setRangeIndexField(static_cast<std::int16_t>(rangeIndex));
        t.record.header.setGroupIndex1310(147200);
        t.record.header.setHelixFactor(100000);
        t.record.header.setPulseWidth(100);
        t.loaded = 1;
        s.activeTrace = static_cast<std::int16_t>(slot);
        s.params.rangeIndex = static_cast<std::int16_t>(rangeIndex);
        s.params.helixFactor = 1.0f;
        s.params.pulseWidthNs = 100;
        s.params.lossScale = {1.0f, 1.0f, 1.0f};
        if (s.measureMode == kModeNone) s.measureMode = kModeAverageLoss;
        ws.applyNewTraceView();
    }

    // A falling trace: 30000 counts at the start, `perSample` counts less per sample.
    static std::function<std::uint16_t(int)> falling(int perSample = 1) {
        return [perSample](int i) {
            const int v = 30000 - perSample * i;
            return static_cast<std::uint16_t>(v < 0 ? 0 : v);
        };
    }
    static std::function<std::uint16_t(int)> flat(std::uint16_t v) {
        return [v](int) { return v; };
    }
};

}  // namespace otdr::test
