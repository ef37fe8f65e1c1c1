// Another instrument's file in the main window: the import offer after the open command's
// refusal (as a double-click brings the file), the File menu's import command, and the grid
// showing the maker's events.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/settings_store.h"
#include "core/sr4731_support.h"
#include "util/file_io.h"

namespace otdr::gui {
namespace {

class ImportWindow : public ::testing::Test {
  protected:
    ImportWindow() : store(dir.filePath("otdrview.INI")), window(store.load(), &store) {
        foreign = dir.filePath("maker.sor");
        const sr4731::ForeignTrace t = sr4731::makeForeignTrace(test::twoAndAHalfKmTrace());
        EXPECT_TRUE(writeFileAtomically(toUtf8(foreign), sr4731::encode(t.doc)));
    }
    // Answers the message boxes as they come by clicking the button of the given text (the
    // first button once the list is used up), and records each box's text and buttons.
    void answerBoxes(QStringList clicks) {
        auto* timer = new QTimer(&window);
        QObject::connect(timer, &QTimer::timeout, timer, [this, clicks]() mutable {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            QStringList buttons;
            for (QAbstractButton* b : box->buttons()) buttons << b->text();
            seen << box->text() + QStringLiteral(" | ") + buttons.join(QLatin1Char('/'));
            const QString want = clicks.isEmpty() ? buttons.value(0) : clicks.takeFirst();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == want) return b->click();
        });
        timer->start(10);
    }
    QTemporaryDir dir;
    SettingsStore store;
    TForm1 window;
    QString foreign;
    QStringList seen;
};

TEST_F(ImportWindow, AFileGivenToTheWindowIsRefusedThenOfferedAndImported) {
    answerBoxes({QStringLiteral("OK"), QStringLiteral("导入")});
    EXPECT_TRUE(window.openFile(foreign));
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(seen[0].startsWith(QStringLiteral("此文件不是VR3728 OTDR的数据文件！ | ")));
    EXPECT_EQ(seen[1], QStringLiteral("此文件由其他仪器写成：\n厂家：Acme Optics\n仪器：OT-9000\n\n"
                                      "要导入此文件吗？ | 导入/取消"));
    auto* title = window.findChild<QLabel*>(QStringLiteral("LB_OtdrTitle"));
    EXPECT_EQ(title->text(), foreign + QStringLiteral("（导入）"));
    auto* grid = window.findChild<QTableWidget*>(QStringLiteral("Event_List"));
    EXPECT_TRUE(grid->isEnabled());
    EXPECT_EQ(grid->item(1, 1)->text(), QStringLiteral("反射事件"));
    EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("  1.0099"));
    EXPECT_EQ(grid->item(3, 1)->text(), QStringLiteral("光纤末端"));
    EXPECT_TRUE(window.findChild<QAction*>(QStringLiteral("MOT_E_AddEvent"))->isEnabled());
}

TEST_F(ImportWindow, DeclinedOfferLeavesTheWindowAsItWas) {
    answerBoxes({QStringLiteral("OK"), QStringLiteral("取消")});
    EXPECT_FALSE(window.openFile(foreign));
    EXPECT_EQ(seen.size(), 2);
    EXPECT_FALSE(window.findChild<QTableWidget*>(QStringLiteral("Event_List"))->isEnabled());
    EXPECT_EQ(window.workspace().state().active().loaded, 0);
}

TEST_F(ImportWindow, TheFileMenusImportCommand) {
    auto* item = window.findChild<QAction*>(QStringLiteral("MF_ImportOther"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("导入其他仪器文件…"));
    EXPECT_TRUE(item->isEnabled());
    const QList<QAction*> file = window.findChild<QMenu*>(QStringLiteral("MFile"))->actions();
    EXPECT_EQ(file.indexOf(item), file.indexOf(window.findChild<QAction*>("MF_OpenOtdr")) + 1);
    window.chooseImportFile = [this] { return foreign; };
    item->trigger();
    EXPECT_TRUE(seen.isEmpty());  // no refusal, no offer
    EXPECT_EQ(window.workspace().state().active().events.count(), 3);
    EXPECT_EQ(window.findChild<QTableWidget*>(QStringLiteral("Event_List"))->item(2, 2)->text(),
              QStringLiteral("  1.6000"));
}

TEST_F(ImportWindow, TheAnalyseButtonGivesAnImportedTraceTheGeneralAnalysis) {
    window.chooseImportFile = [this] { return foreign; };
    window.findChild<QAction*>(QStringLiteral("MF_ImportOther"))->trigger();
    auto* analyse = window.findChild<QAbstractButton*>(QStringLiteral("B_Analyse"));
    ASSERT_NE(analyse, nullptr);
    analyse->click();
    const TraceSlot& slot = window.workspace().state().active();
    EXPECT_EQ(slot.eventSource, EventSource::General);
    ASSERT_EQ(slot.events.count(), 3);
    auto* grid = window.findChild<QTableWidget*>(QStringLiteral("Event_List"));
    EXPECT_EQ(grid->item(3, 1)->text(), QStringLiteral("光纤末端"));
    EXPECT_TRUE(grid->item(1, 2)->text().startsWith(QStringLiteral("  1.0")));
}

}  // namespace
}  // namespace otdr::gui
