#pragma once
// Conversions between the core's texts and Qt strings: UTF-8 for interface texts, GBK for
// the texts stored in trace files.

#include <QString>
#include <string>
#include <string_view>

namespace otdr::gui {

inline QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string toUtf8(const QString& s) {
    return s.toStdString();
}

QString fromGbk(std::string_view gbk);
std::string toGbk(const QString& s);
// Number of bytes the text takes in GBK.
int gbkLength(const QString& s);

}  // namespace otdr::gui
