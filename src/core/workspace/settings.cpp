#include "workspace/settings.h"

#include "util/text.h"

namespace otdr {

bool& ReportFlags::bySection(std::string_view s) {
    if (s == "CB_Event") return event;
    if (s == "CB_Fiber") return fiber;
    if (s == "CB_Mark") return mark;
    if (s == "CB_Para") return para;
    if (s == "CB_Trace") return trace;
    return eventP;
}

bool ReportFlags::bySection(std::string_view s) const {
    return const_cast<ReportFlags*>(this)->bySection(s);
}

bool parseSettingsBool(std::string_view text, bool fallback) {
    const std::string_view t = trimBlanks(text);
    if (t == "1" || t == "true" || t == "True" || t == "TRUE") return true;
    if (t == "0" || t == "false" || t == "False" || t == "FALSE") return false;
    if (!t.empty() && (t.front() == '-' || (t.front() >= '0' && t.front() <= '9'))) {
        // Any other integer: non-zero is true.
        bool allDigits = true;
        for (std::size_t i = (t.front() == '-') ? 1 : 0; i < t.size(); ++i)
            allDigits = allDigits && t[i] >= '0' && t[i] <= '9';
        if (allDigits && t != "-") return t.find_first_not_of("-0") != std::string_view::npos;
    }
    return fallback;
}

}  // namespace otdr
