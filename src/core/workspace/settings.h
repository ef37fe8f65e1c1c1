#pragma once
// The user settings kept in the settings file: section "Form1" with the fibre texts, the event
// threshold and the refractive index, and one section per report content flag. Texts are held
// here as GBK bytes; settings_file.h reads and writes the file in its own code page.

#include <array>
#include <string>
#include <string_view>

namespace otdr {

namespace settings_keys {
inline constexpr char kSection[] = "Form1";
// Note the deliberate swap kept for compatibility: "Editbs" holds the fibre identifier and
// "Editxbs" the cable identifier.
inline constexpr char kFiberId[] = "Editbs";
inline constexpr char kCableId[] = "Editxbs";
inline constexpr char kCableCode[] = "Editdm";
inline constexpr char kStart[] = "Editstart";
inline constexpr char kEnd[] = "Editend";
inline constexpr char kDataFlag[] = "Editbz";
inline constexpr char kOperator[] = "Editczz";
inline constexpr char kComment[] = "Memopy";
inline constexpr char kThreshold[] = "Editet";
inline constexpr char kRefractiveIndex[] = "Edit_IOR";
inline constexpr char kChecked[] = "Checked";
// Report sections in the order they are written.
inline constexpr std::array<std::string_view, 6> kReportSections{
    "CB_Event", "CB_Fiber", "CB_Mark", "CB_Para", "CB_Trace", "CB_EventP"};
}  // namespace settings_keys

struct ReportFlags {
    bool event = true;   // CB_Event
    bool fiber = true;   // CB_Fiber
    bool mark = true;    // CB_Mark
    bool para = true;    // CB_Para
    bool trace = true;   // CB_Trace
    bool eventP = true;  // CB_EventP

    bool& bySection(std::string_view section);
    bool bySection(std::string_view section) const;
};

struct Settings {
    std::string fiberId;                      // "Editbs"
    std::string cableId;                      // "Editxbs"
    std::string cableCode = " ";              // "Editdm"
    std::string start = " ";                  // "Editstart"
    std::string end = " ";                    // "Editend"
    std::string dataFlag = "  ";              // "Editbz"
    std::string operatorName = " ";           // "Editczz"
    std::string comment = " ";                // "Memopy"
    std::string threshold = "0.05";           // "Editet", as typed
    std::string refractiveIndex = "1.47200";  // "Edit_IOR", as typed
    ReportFlags report;
};

// A settings value read as a boolean: "1"/"true" are true, "0"/"false" false, else the default.
bool parseSettingsBool(std::string_view text, bool fallback);

}  // namespace otdr
