#include "app/qt_text.h"

#include "util/gbk.h"

namespace otdr::gui {

QString fromGbk(std::string_view gbk) {
    return fromUtf8(gbkToUtf8(gbk));
}
std::string toGbk(const QString& s) {
    return utf8ToGbk(s.toStdString());
}
int gbkLength(const QString& s) {
    return static_cast<int>(toGbk(s).size());
}

}  // namespace otdr::gui
