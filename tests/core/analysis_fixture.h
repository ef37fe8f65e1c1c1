#pragma once
// A workspace holding a synthetic 64 km trace at 1550 nm in slot 0, for the tests of the
// analyse command, the event grid and event editing.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "synthetic_trace.h"
#include "test_support.h"
#include "workspace/workspace.h"

namespace otdr::test {

struct AnalysedWorkspace : ::testing::Test {
    RecordingPrompter prompter;
    FixedClock clock;
    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>(Settings{}, &prompter, &clock);
    SyntheticTrace spec;

    AnalysedWorkspace() {
        TestParameters& p = ws->state().params;
        p.rangeIndex = 7;
        p.pulseWidthNs = 640;
        p.wavelengthClass = 1;
        p.lossScale = {1.0f, 1.0f, 1.0f};
        p.helixFactor = 1.0f;
        p.refractiveIndex = 1.4682f;
        p.sampleSpacing = computeSampleSpacing(7, 1.0f, 1.4682f);
        spec.spacing = p.sampleSpacing;
        spec.events = {{3000, 0.3, 0, 0},
                       {6000, 0.5, 12000, 40},
                       {9000, 0.2, 0, 0},
                       {14000, 0.4, 10000, 40},
                       {19000, 0.25, 0, 0}};
    }
    WorkspaceState& st() { return ws->state(); }
    TraceSlot& slot() { return st().slots[0]; }
    EventTable& events() { return slot().events; }
    void load() {
        slot().samples = makeTrace(spec);
        slot().loaded = 1;
    }
    void loadAndAnalyse() {
        load();
        ws->analyse();
    }
    std::vector<int> positions() {
        std::vector<int> out;
        for (int i = 1; i <= events().count(); ++i) out.push_back(events().position(i));
        return out;
    }
    const std::string& gridCell(int col, int row) { return st().grid.cell(col, row); }
    std::vector<std::string> copyLines() {
        std::vector<std::string> out;
        std::string line;
        for (char c : st().copy.event) {
            if (c == '\n') {
                out.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        out.push_back(line);
        return out;
    }
};

}  // namespace otdr::test
