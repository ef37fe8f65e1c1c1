#include "report/preview_rules.h"

#include <algorithm>

#include "util/numeric.h"

namespace otdr {

int previewZoomIn(int zoom) {
    if (zoom >= kPreviewZoomMax) return kPreviewZoomMax;
    return std::clamp(zoom + kPreviewZoomStep, kPreviewZoomMin, kPreviewZoomMax);
}

int previewZoomOut(int zoom) {
    if (zoom <= kPreviewZoomMin) return kPreviewZoomMin;
    return std::clamp(zoom - kPreviewZoomStep, kPreviewZoomMin, kPreviewZoomMax);
}

PageScrollRange pageScrollRange(int pageCount) {
    PageScrollRange r;
    r.maximum = std::max(1, pageCount);
    r.enabled = pageCount >= 2;
    return r;
}

std::string formattingStatusText(ProgressStep step, int page) {
    switch (step) {
        case ProgressStep::Starting:
            return "Repaginating...";
        case ProgressStep::PageCompleted:
            return cformat("Repaginating (%d)", page);
        case ProgressStep::Finished:
            break;
    }
    return {};
}

std::string printingStatusText(ProgressStep step, int page) {
    switch (step) {
        case ProgressStep::Starting:
            return "Starting...";
        case ProgressStep::PageCompleted:
            return cformat("Printing (%d)", page);
        case ProgressStep::Finished:
            break;
    }
    return {};
}

std::string pageStatusText(int page, int pageCount) {
    return cformat("Page %d of %d", page, pageCount);
}

std::string pageHeaderText(int page, int pageCount) {
    return cformat("-- Page %d of %d --", page, pageCount);
}

}  // namespace otdr
