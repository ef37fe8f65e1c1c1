#pragma once
// Qt's own Chinese texts (file and print dialogs, message box buttons, context menus of edit
// boxes), from the translations that come with Qt, so that no English appears in the window.

class QTranslator;

namespace otdr::gui {

// Loads Qt's Simplified Chinese translations into `translator`. False when they are not
// installed; the dialogs then keep Qt's English texts.
bool loadQtChineseTranslations(QTranslator& translator);

}  // namespace otdr::gui
