#pragma once
// The part of `otdr report` that draws, in a shared module of its own that only the report
// command loads (dlopen), so that every other command starts without Qt. The module lays out
// the window's test report of one trace file and hands back the PDF's bytes; the command
// writes them through the program's one writer, so no file name ever passes through Qt.
// The module and the tool come from one build; the entry point checks the version.

#include <string>
#include <vector>

#include "workspace/settings.h"

namespace otdr::cli {

// How every report of a run is made.
struct ReportJob {
    bool analyse = false;  // analyse the trace first, as the analyse command does
    ReportFlags sections;  // the sections to include
    Settings settings;     // the window's settings the workspace starts with
    int dpi = 96;          // the screen density the report is laid out for
};

struct RenderedReport {
    bool made = false;                  // the PDF is in `pdf`
    std::string pdf;                    // the PDF file's bytes
    int pages = 0;                      // its page count
    std::vector<std::string> refusals;  // the window's error messages for the file
    std::string notes;                  // Qt's messages while the report was made
    std::string failure;                // why no PDF came out of a file that was read
};

class ReportRenderer {
  public:
    virtual ~ReportRenderer() = default;
    virtual RenderedReport render(const std::string& file) = 0;
};

// What the tool and the module must agree on: the version and the layout of what they hand
// each other.
inline std::string reportModuleAbi(const char* version) {
    return std::string(version) + "/" + std::to_string(sizeof(ReportJob)) + "/" +
           std::to_string(sizeof(RenderedReport)) + "/" + std::to_string(sizeof(Settings));
}

// The module's one exported function: the renderer for a run, set up once per process, or
// nullptr when the module's reportModuleAbi differs from `abi`.
using CreateReportRenderer = ReportRenderer* (*)(const char* abi, const ReportJob* job);
inline constexpr const char* kCreateReportRendererSymbol = "otdr_create_report_renderer";

}  // namespace otdr::cli
