#pragma once
// Rules of the report preview that need no window: the zoom steps, the page scroll bar's
// range, and the texts of the status bar and the page header.

#include <string>

namespace otdr {

constexpr int kPreviewZoomMin = 50;
constexpr int kPreviewZoomMax = 100;
constexpr int kPreviewZoomStep = 10;
constexpr int kPreviewZoomStart = 50;

// The zoom buttons: one step of 10 percent, staying within 50..100.
int previewZoomIn(int zoom);
int previewZoomOut(int zoom);

// The page scroll bar spans 1 .. page count and is usable only with two or more pages.
struct PageScrollRange {
    int minimum = 1;
    int maximum = 1;
    bool enabled = false;
};
PageScrollRange pageScrollRange(int pageCount);

// Steps of the engine's progress events.
enum class ProgressStep { Starting, PageCompleted, Finished };

// Status bar texts while the pages are formatted ("Repaginating...") and sent to the printer
// ("Starting...", "Printing (3)"); empty when finished.
std::string formattingStatusText(ProgressStep step, int page);
std::string printingStatusText(ProgressStep step, int page);
// "Page 2 of 5": the status text after the page scroll bar moved.
std::string pageStatusText(int page, int pageCount);
// "-- Page 2 of 5 --": the header drawn in the top margin of every page.
std::string pageHeaderText(int page, int pageCount);

}  // namespace otdr
