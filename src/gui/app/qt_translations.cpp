#include "app/qt_translations.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace otdr::gui {

bool loadQtChineseTranslations(QTranslator& translator) {
    // The interface is Chinese whatever the system's language, so the catalogue is named
    // rather than chosen by the locale.
    return translator.load(QStringLiteral("qtbase_zh_CN"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace otdr::gui
