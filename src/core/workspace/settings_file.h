#pragma once
// The settings file as the user wrote it: plain INI text of "[section]" lines and "key=value"
// lines, each value taken verbatim from after the first '=' to the end of its line. Sections
// and keys match without regard to ASCII case or surrounding blanks; the first of two equal
// sections or keys counts. Writing changes only the values that differ and adds what is
// missing, so comments, unknown keys, blank lines, the line ends and the file's code page
// survive unchanged. A file that is valid UTF-8 is UTF-8; any other is GBK, the code page of
// the program's texts.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/codepages.h"
#include "workspace/settings.h"

namespace otdr {

enum class TextEncoding { Utf8, Gbk };

class IniText {
  public:
    explicit IniText(std::string_view bytes = {});

    // UTF-8 for an empty file, so new files are UTF-8.
    TextEncoding encoding() const { return encoding_; }
    // The value's bytes, in the file's code page.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // Sets a value (bytes in the file's code page): in its line when the key exists, else as
    // a new line after the section's last line, else in a new section at the end.
    void set(std::string_view section, std::string_view key, std::string_view value);
    std::string bytes() const;

  private:
    struct Line {
        std::string text;  // without its line end
        bool crlf = false;
    };
    // Index of the section's header line, or -1.
    int findSection(std::string_view section) const;
    // Index of the key's line inside the section starting at `header`, or -1.
    int findKey(int header, std::string_view key) const;

    std::vector<Line> lines_;
    bool bom_ = false;
    bool finalNewline_ = true;
    bool crlf_ = false;  // the line end of new lines
    TextEncoding encoding_ = TextEncoding::Utf8;
};

// The settings a file holds, texts converted to GBK; missing keys keep the defaults.
Settings readSettingsText(std::string_view fileBytes);
// The file with section "Form1" holding the settings' eight texts, the threshold and the
// refractive index. A value whose text equals what the file holds is left as written.
std::string writeForm1Text(std::string_view fileBytes, const Settings& s);
// The file with the six report sections written in their order, "Checked" as 1 or 0; a value
// that already reads as the flag is left as written.
std::string writeReportFlagsText(std::string_view fileBytes, const ReportFlags& flags);

}  // namespace otdr
