// One language and one font: Qt's own dialog texts in Chinese, the open dialog offering both
// kinds of trace file first, and the window's font in its menus, message boxes and preview.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>

#include "app/main_window.h"
#include "app/qt_translations.h"
#include "app/settings_store.h"
#include "recording_device.h"
#include "report/copy_window.h"
#include "report/print_preview.h"

namespace otdr::gui {
namespace {

bool hasChinese(const QString& s) {
    return s.contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]")));
}

TEST(QtTexts, FileDialogAndButtonTextsAreChinese) {
    QTranslator translator;
    ASSERT_TRUE(loadQtChineseTranslations(translator))
        << "qtbase_zh_CN.qm is missing (Debian package qt6-translations-l10n)";
    for (const auto& [context, text] :
         {std::pair{"QFileDialog", "Look in:"}, std::pair{"QFileDialog", "File &name:"},
          std::pair{"QFileDialog", "Files of type:"}, std::pair{"QPlatformTheme", "Open"},
          std::pair{"QPlatformTheme", "Cancel"}})
        EXPECT_TRUE(hasChinese(translator.translate(context, text)))
            << context << " " << text << ": " << translator.translate(context, text).toStdString();
}

TEST(QtTexts, OpenDialogShowsSorAndZtFilesTogetherFirst) {
    const QStringList filters = TForm1::openFileFilters().split(QStringLiteral(";;"));
    ASSERT_EQ(filters.size(), 5);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(filters);
    EXPECT_EQ(dialog.selectedNameFilter(), filters.front());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("\\(([^)]*)\\)")).match(filters.front());
    ASSERT_TRUE(m.hasMatch());
    const QStringList patterns = m.captured(1).split(QLatin1Char(' '));
    for (const char* p : {"*.sor", "*.SOR", "*.zt", "*.ZT"})
        EXPECT_TRUE(patterns.contains(QString::fromLatin1(p))) << p;
    // The filters of one kind stay as they were.
    EXPECT_EQ(
        filters.mid(1),
        (QStringList{QStringLiteral("ZT  File(*.zt)"), QStringLiteral("ZT  File(*.ZT)"),
                     QStringLiteral("OTDR  File(*.sor)"), QStringLiteral("OTDR  File(*.SOR)")}));
}

TEST(WindowFont, MenusMessageBoxesFileDialogsAndPreviewButtonsTakeTheWindowsFont) {
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("otdrview.INI"));
    TForm1 window(store.load(), &store);
    TCopyWin copy;
    TTracePrintView preview(&window);
    window.setCompanions(&copy, &preview, nullptr, nullptr, nullptr);
    const QFont font = window.font();
    for (QMenu* m : window.findChildren<QMenu*>())
        EXPECT_EQ(m->font(), font) << m->objectName().toStdString();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("x"),
                    QMessageBox::Ok, &window);
    box.ensurePolished();  // as when it is shown
    EXPECT_EQ(box.font(), font);
    EXPECT_EQ(box.button(QMessageBox::Ok)->font(), font);
    QFileDialog files(&window);
    EXPECT_EQ(files.font(), font);
    for (const char* b : {"Button1", "Button2", "But_ZoomIn", "But_ZoomOut"})
        EXPECT_EQ(preview.findChild<QPushButton*>(QString::fromLatin1(b))->font(), font) << b;
}

TEST(WindowFont, EveryMenuItemIsShownInFull) {
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("otdrview.INI"));
    TForm1 window(store.load(), &store);
    for (QMenu* m : window.findChildren<QMenu*>()) {
        m->ensurePolished();
        m->adjustSize();
        test::RecordingDevice device(m->size());
        m->render(&device);
        QStringList drawn;
        for (const auto& t : device.texts) drawn << t.text;
        for (const QAction* a : m->actions()) {
            if (a->isSeparator()) continue;
            QString text = a->text();
            text.remove(QLatin1Char('&'));
            EXPECT_TRUE(drawn.join(QString()).contains(text))
                << m->objectName().toStdString() << ": " << text.toStdString() << " drawn as "
                << drawn.join(QLatin1Char('|')).toStdString();
        }
    }
}

}  // namespace
}  // namespace otdr::gui
