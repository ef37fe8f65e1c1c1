#include "analysis/event_texts.h"

#include "util/numeric.h"

namespace otdr {

const std::array<std::string_view, 7> kEventGridHeader{
    "序号",         "事件类型",     "距离(km)",    "平均损耗(dB/km)",
    "连接损耗(dB)", "反射损耗(dB)", "链路损耗(dB)"};

const std::string_view kCopyEventHeader =
    "序号 事件类型    距离（km）  平均损耗（dB/km）   连接损耗（dB）   反射损耗（dB） "
    "链路损耗（dB）";

std::string cellNumber(const char* fmt, double v) {
    std::string s = formatNumber(fmt, v);
    if (s.size() > kCellChars) s.resize(kCellChars);
    return s;
}

std::string averageLossCell(double a, int wavelengthClass) {
    float cap = 0.4f, floor = 0.3f;
    if (wavelengthClass == 1) {
        cap = 0.26f;
        floor = 0.15f;
    } else if (wavelengthClass == 2) {
        cap = 0.35f;
        floor = 0.18f;
    }
    if (a > static_cast<double>(cap)) return cellNumber(">%5.3f", cap);
    if (a < static_cast<double>(floor)) return cellNumber("<%5.3f", floor);
    return cellNumber("%6.3f", a);
}

std::string_view eventTypeName(const EventTable& t, int r) {
    if (r == t.count()) return kFibreEndName;
    return t.reflective(r) ? kReflectiveName : kNonReflectiveName;
}

std::string copyEventCells(const EventText& text, int row) {
    auto cell = [&](int col) -> const std::string& {
        return text[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
    };
    std::string s;
    s += cell(kColDistance);
    s += "    ";
    s += cell(kColAverageLoss);
    s += std::string(11, ' ');
    s += cell(kColSpliceLoss);
    s += std::string(13, ' ');
    s += cell(kColReturnLoss);
    s += std::string(6, ' ');
    s += cell(kColLinkLoss);
    return s;
}

std::string copyEventLine(int r, std::string_view typeText, const EventText& text) {
    std::string s = std::to_string(r);
    s += "     ";
    s += typeText;
    s += ' ';
    if (r >= 1 && r <= kEventRows) s += copyEventCells(text, r - 1);
    return s;
}

}  // namespace otdr
