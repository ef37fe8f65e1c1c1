#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/settings_store.h"
#include "trace/sor_format.h"
#include "util/file_io.h"
#include "workspace/command_table.h"

namespace otdr::gui {
namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() : store(dir.filePath("otdrview.INI")), window(store.load(), &store) {}
    template <class T>
    T* find(const char* name) {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
    QTemporaryDir dir;
    SettingsStore store;
    TForm1 window;
};

// Whether an action can be used: its own state and every menu above it.
bool usable(QAction* a) {
    if (!a->isEnabled()) return false;
    for (QObject* w : a->associatedObjects()) {
        if (auto* m = qobject_cast<QMenu*>(w); m && !m->menuAction()->isEnabled()) return false;
    }
    return true;
}

TEST_F(MainWindowTest, EveryCommandComponentWithItsCaptionHintShortcutAndStartState) {
    for (const ComponentDef& d : commandComponents()) {
        const QString name = fromUtf8(d.name);
        const QString text = fromUtf8(d.text);
        switch (d.kind) {
            case ComponentKind::ToolButton: {
                auto* a = window.findChild<QAction*>(name);
                ASSERT_NE(a, nullptr) << d.name;
                EXPECT_EQ(a->toolTip(), text) << d.name;
                EXPECT_EQ(a->statusTip(), text) << d.name;
                EXPECT_FALSE(a->icon().isNull()) << d.name;
                EXPECT_EQ(a->isEnabled(), d.enabledAtStart) << d.name;
                auto* bar = window.findChild<QToolBar*>(fromUtf8(d.parent));
                ASSERT_NE(bar, nullptr) << d.name;
                EXPECT_TRUE(bar->actions().contains(a)) << d.name;
                break;
            }
            case ComponentKind::Menu: {
                auto* m = window.findChild<QMenu*>(name);
                ASSERT_NE(m, nullptr) << d.name;
                EXPECT_EQ(m->title(), text) << d.name;
                break;
            }
            case ComponentKind::MenuItem:
            case ComponentKind::PopupItem: {
                auto* a = window.findChild<QAction*>(name);
                ASSERT_NE(a, nullptr) << d.name;
                EXPECT_EQ(a->text(), text) << d.name;
                EXPECT_EQ(a->shortcut(), QKeySequence(fromUtf8(d.shortcut))) << d.name;
                auto* parent = window.findChild<QMenu*>(fromUtf8(d.parent));
                ASSERT_NE(parent, nullptr) << d.name;
                EXPECT_TRUE(parent->actions().contains(a)) << d.name;
                break;
            }
            case ComponentKind::Button:
            case ComponentKind::RadioButton: {
                auto* b = window.findChild<QAbstractButton*>(name);
                ASSERT_NE(b, nullptr) << d.name;
                EXPECT_EQ(b->text(), text) << d.name;
                EXPECT_EQ(b->isEnabled(), d.enabledAtStart) << d.name;
                EXPECT_EQ(b->isChecked(), d.checkedAtStart) << d.name;
                break;
            }
        }
    }
    // Usable at start, menus included.
    for (const char* on :
         {"MF_OpenOtdr", "MF_SetP", "MF_PrintView", "MF_Exit", "NH_Help", "MA_About"})
        EXPECT_TRUE(usable(find<QAction>(on))) << on;
    for (const char* off : {"MF_SaveAs", "MF_Print", "MF_CO_CopyTrace", "MT_MoveLeft",
                            "MT_ZoomOutH", "MOT_Analy", "MOT_E_AddEvent", "MOT_TI_Loss",
                            "MC_SetCable", "NB_CopyTrace", "NB_CopyCond", "NB_CopyEvent"})
        EXPECT_FALSE(usable(find<QAction>(off))) << off;
    EXPECT_TRUE(find<QAction>("MOT_TI_Loss")->isChecked());
    EXPECT_EQ(find<QAction>("MT_Init")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+M")));
}

TEST_F(MainWindowTest, LayoutOfTheMainWindow) {
    EXPECT_EQ(window.objectName(), "TForm1");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("VR3728 OTDR 模拟分析软件"));
    EXPECT_EQ(window.minimumSize(), QSize(905, 720));
    EXPECT_EQ(window.maximumSize(), QSize(905, 720));
    auto* chart = find<QWidget>("Chart_OTDR");
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->size(), QSize(897, 379));
    EXPECT_EQ(find<QWidget>("PL_TButton")->height(), 36);
    EXPECT_EQ(find<QWidget>("PL_Event")->height(), 236);
    auto* grid = find<QTableWidget>("Event_List");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->columnCount(), 7);
    EXPECT_EQ(grid->rowCount(), 200);
    EXPECT_FALSE(grid->isEnabled());
    EXPECT_EQ(grid->columnWidth(3), 150);
    EXPECT_TRUE(find<QWidget>("PL_EditEvent")->isHidden());
    EXPECT_TRUE(find<QLabel>("Label13")->isHidden());
    EXPECT_TRUE(find<QLabel>("Label14")->isHidden());
    EXPECT_EQ(find<QGroupBox>("GB_OtdrMoudle")->title(), QStringLiteral("OTDR测试参数"));
    for (const char* box :
         {"E_Wave", "E_Range", "E_Pulse", "E_Att", "E_AvgCount", "E_IOR", "E_Helix"}) {
        auto* e = find<QLineEdit>(box);
        ASSERT_NE(e, nullptr) << box;
        EXPECT_TRUE(e->isReadOnly()) << box;
    }
    for (const char* n : {"GB_Before", "GB_Next", "GB_Addevent"})
        EXPECT_NE(find<QGroupBox>(n), nullptr) << n;
    auto* combo = find<QComboBox>("Comb_type");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("反射事件"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("非反射事件"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("非反射事件"));
    EXPECT_EQ(find<QLineEdit>("ME_Dis")->maxLength(), 9);
    EXPECT_EQ(find<QPushButton>("B_OK")->text(), QStringLiteral("确  定"));
    EXPECT_EQ(window.property("helpContext").toInt(), 1);
}

TEST_F(MainWindowTest, PanelsFillTheWindowAndEveryCaptionIsReadable) {
    window.show();
    QApplication::processEvents();
    // The event panel reaches the bottom of the window, right under the chart.
    auto* panel = find<QWidget>("PL_Event");
    const QRect onWindow(panel->mapTo(&window, QPoint(0, 0)), panel->size());
    EXPECT_EQ(onWindow.bottom() + 1, window.height());
    EXPECT_EQ(onWindow.top(),
              find<QWidget>("Chart_OTDR")->mapTo(&window, QPoint(0, 0)).y() + 379 + 2);
    EXPECT_GE(panel->height(), 236);
    // SimSun at 18 pixels where it is installed; a face standing in for it at most as large.
    const QFontInfo font(window.font());
    EXPECT_LE(window.font().pixelSize(), 18);
    if (font.family() == QStringLiteral("SimSun")) {
        EXPECT_EQ(window.font().pixelSize(), 18);
    }

    ASSERT_TRUE(window.openFile(QStringLiteral(OTDR_SAMPLES_DIR "/long_64km_1550.sor")));
    for (const char* mode : {"MOT_TI_LossClick", "MOT_TI_SpliceClick", "MOT_TI_RefClick"}) {
        window.runHandler(QString::fromLatin1(mode));
        QList<QLabel*> shown;
        for (QLabel* l : find<QWidget>("Chart_OTDR")->findChildren<QLabel*>())
            if (l->isVisible() && !l->text().isEmpty()) shown << l;
        ASSERT_GE(shown.size(), 6) << mode;
        for (QLabel* l : shown) {
            const QFontMetrics m(l->font());
            EXPECT_LE(m.horizontalAdvance(l->text()), l->width())
                << mode << " " << l->objectName().toStdString() << " " << l->text().toStdString();
            EXPECT_LE(m.height(), l->height()) << l->objectName().toStdString();
            for (QLabel* other : shown)
                EXPECT_TRUE(l == other || !l->geometry().intersects(other->geometry()))
                    << mode << " " << l->objectName().toStdString() << " and "
                    << other->objectName().toStdString();
        }
    }
}

TEST_F(MainWindowTest, OpeningATraceShowsItsNameParametersAndEnablesCommands) {
    TraceRecord rec;
    rec.genParams.cableId = "C";
    SorWriteParams p;
    p.rangeIndex = 5;
    p.pulseWidthNs = 320;
    p.waveText = "1310 nm";
    SampleArray samples{};
    samples.fill(30000);
    const QString path = dir.filePath("trace.sor");
    ASSERT_TRUE(writeFileAtomically(toUtf8(path), buildSor(rec, samples, p).value()).ok());

    ASSERT_TRUE(window.openFile(path));
    EXPECT_FALSE(find<QLabel>("Label13")->isHidden());
    EXPECT_EQ(find<QLabel>("LB_OtdrTitle")->text(), path);
    EXPECT_EQ(find<QLineEdit>("E_Range")->text(), QStringLiteral("16 km"));
    EXPECT_EQ(find<QLineEdit>("E_Pulse")->text(), QStringLiteral("320 ns"));
    EXPECT_EQ(find<QLineEdit>("E_Wave")->text(), QStringLiteral("1310 nm"));
    for (const char* on : {"MF_SaveAs", "MF_Print", "MF_CO_CopyTrace", "MT_MoveLeft", "MOT_Analy",
                           "MC_SetCable", "NB_CopyTrace", "NB_CopyCond", "TB_SaveAs", "TB_Analyse"})
        EXPECT_TRUE(usable(find<QAction>(on))) << on;
    for (const char* off : {"MOT_E_AddEvent", "NB_CopyEvent", "TB_AddEvent"})
        EXPECT_FALSE(usable(find<QAction>(off))) << off;
    EXPECT_TRUE(find<QPushButton>("B_Analyse")->isEnabled());
}

TEST_F(MainWindowTest, ClosingWritesTheSettingsFile) {
    window.workspace().state().slots[0].record.genParams.fiberId = "FIBRE-9";
    window.close();
    const Settings s = store.load();
    EXPECT_EQ(s.fiberId, "FIBRE-9");
    EXPECT_EQ(s.threshold, "0.05");
    EXPECT_EQ(s.refractiveIndex, "1.47200");
}

}  // namespace
}  // namespace otdr::gui
