#include "workspace/settings_file.h"

#include <cstdint>
#include <utility>

#include "util/gbk.h"
#include "util/text.h"

namespace otdr {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool sameName(std::string_view a, std::string_view b) {
    a = trimBlanks(a);
    b = trimBlanks(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The name of a "[name]" line; nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    const std::string_view t = trimBlanks(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    const std::size_t close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return t.substr(1, close - 1);
}

// The key of a "key=value" line; nothing for comments and lines without '='.
std::optional<std::string_view> keyName(std::string_view line) {
    const std::string_view t = trimBlanks(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return std::nullopt;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return line.substr(0, eq);
}

// Texts of the program (GBK) in the file's code page and back.
std::string toFile(std::string_view gbk, TextEncoding e) {
    return e == TextEncoding::Gbk ? std::string(gbk) : gbkToUtf8(gbk);
}
std::string fromFile(std::string_view bytes, TextEncoding e) {
    return e == TextEncoding::Gbk ? std::string(bytes) : utf8ToGbk(bytes);
}

}  // namespace

IniText::IniText(std::string_view bytes) {
    if (bytes.substr(0, kBom.size()) == kBom) {
        bom_ = true;
        bytes.remove_prefix(kBom.size());
    }
    encoding_ = isValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Gbk;
    finalNewline_ = bytes.empty() || bytes.back() == '\n';
    std::size_t from = 0;
    while (from < bytes.size()) {
        std::size_t end = bytes.find('\n', from);
        const bool last = end == std::string_view::npos;
        if (last) end = bytes.size();
        Line line{std::string(bytes.substr(from, end - from)), false};
        if (!last && !line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.crlf = true;
        }
        lines_.push_back(std::move(line));
        from = end + 1;
    }
    crlf_ = !lines_.empty() && lines_.front().crlf;
}

int IniText::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (const auto name = sectionName(lines_[i].text); name && sameName(*name, section))
            return static_cast<int>(i);
    return -1;
}

int IniText::findKey(int header, std::string_view key) const {
    for (auto i = static_cast<std::size_t>(header) + 1; i < lines_.size(); ++i) {
        if (sectionName(lines_[i].text)) break;
        if (const auto name = keyName(lines_[i].text); name && sameName(*name, key))
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::string> IniText::value(std::string_view section, std::string_view key) const {
    const int header = findSection(section);
    if (header < 0) return std::nullopt;
    const int at = findKey(header, key);
    if (at < 0) return std::nullopt;
    const std::string& text = lines_[static_cast<std::size_t>(at)].text;
    return text.substr(text.find('=') + 1);
}

void IniText::set(std::string_view section, std::string_view key, std::string_view value) {
    int header = findSection(section);
    if (header < 0) {
        // A new section at the end, a blank line after what the file held.
        if (!lines_.empty() && !trimBlanks(lines_.back().text).empty())
            lines_.push_back({std::string(), crlf_});
        lines_.push_back({"[" + std::string(section) + "]", crlf_});
        lines_.push_back({std::string(key) + "=" + std::string(value), crlf_});
        finalNewline_ = true;
        return;
    }
    if (const int at = findKey(header, key); at >= 0) {
        std::string& text = lines_[static_cast<std::size_t>(at)].text;
        text = text.substr(0, text.find('=') + 1) + std::string(value);
        return;
    }
    // After the section's last line that is not blank.
    auto after = static_cast<std::size_t>(header);
    for (auto i = after + 1; i < lines_.size() && !sectionName(lines_[i].text); ++i)
        if (!trimBlanks(lines_[i].text).empty()) after = i;
    if (after + 1 == lines_.size()) finalNewline_ = true;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after) + 1,
                  Line{std::string(key) + "=" + std::string(value), crlf_});
}

std::string IniText::bytes() const {
    std::string out = bom_ ? std::string(kBom) : std::string();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].text;
        if (i + 1 < lines_.size() || finalNewline_) out += lines_[i].crlf ? "\r\n" : "\n";
    }
    return out;
}

namespace {

struct TextKey {
    const char* key;
    std::string Settings::*member;
};

constexpr TextKey kForm1Texts[] = {
    {settings_keys::kFiberId, &Settings::fiberId},
    {settings_keys::kCableId, &Settings::cableId},
    {settings_keys::kCableCode, &Settings::cableCode},
    {settings_keys::kStart, &Settings::start},
    {settings_keys::kEnd, &Settings::end},
    {settings_keys::kDataFlag, &Settings::dataFlag},
    {settings_keys::kOperator, &Settings::operatorName},
    {settings_keys::kComment, &Settings::comment},
    {settings_keys::kThreshold, &Settings::threshold},
    {settings_keys::kRefractiveIndex, &Settings::refractiveIndex},
};

}  // namespace

Settings readSettingsText(std::string_view fileBytes) {
    const IniText ini(fileBytes);
    Settings s;
    for (const TextKey& k : kForm1Texts)
        if (const auto v = ini.value(settings_keys::kSection, k.key))
            s.*k.member = fromFile(*v, ini.encoding());
    for (std::string_view section : settings_keys::kReportSections) {
        const auto v = ini.value(section, settings_keys::kChecked);
        s.report.bySection(section) = parseSettingsBool(v ? *v : std::string(), true);
    }
    return s;
}

std::string writeForm1Text(std::string_view fileBytes, const Settings& s) {
    IniText ini(fileBytes);
    for (const TextKey& k : kForm1Texts) {
        const std::string& text = s.*k.member;
        const auto held = ini.value(settings_keys::kSection, k.key);
        if (held && fromFile(*held, ini.encoding()) == text) continue;
        ini.set(settings_keys::kSection, k.key, toFile(text, ini.encoding()));
    }
    return ini.bytes();
}

std::string writeReportFlagsText(std::string_view fileBytes, const ReportFlags& flags) {
    IniText ini(fileBytes);
    for (std::string_view section : settings_keys::kReportSections) {
        const bool on = flags.bySection(section);
        const auto held = ini.value(section, settings_keys::kChecked);
        if (held && parseSettingsBool(*held, !on) == on) continue;
        ini.set(section, settings_keys::kChecked, on ? "1" : "0");
    }
    return ini.bytes();
}

}  // namespace otdr
