// The main window and the print preview on screens too small for them: as large as the free
// area allows, inside it, with the content scrolling; at their designed size where they fit.

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "app/settings_store.h"
#include "app/window_fit.h"
#include "report/print_preview.h"

namespace otdr::gui {
namespace {

const QMargins kFrame(4, 32, 4, 4);

TEST(WindowPlacement, DesignedSizeCentredWhereItFits) {
    const WindowPlacement p = placeWindow(QSize(905, 720), QRect(0, 0, 1280, 1024), kFrame, 16);
    EXPECT_TRUE(p.designedSize);
    EXPECT_EQ(p.client, QSize(905, 720));
    EXPECT_EQ(p.frame, QRect(183, 134, 913, 756));
}

TEST(WindowPlacement, TooTallScrollsDownAndTakesTheScrollBarInWidth) {
    // 1366 x 768 at a scale of 125 %, a panel at the top.
    const QRect area(0, 24, 1093, 590);
    const WindowPlacement p = placeWindow(QSize(905, 720), area, kFrame, 16);
    EXPECT_FALSE(p.designedSize);
    EXPECT_EQ(p.client, QSize(921, 554));
    EXPECT_EQ(p.largest, QSize(921, 720));
    EXPECT_TRUE(area.contains(p.frame)) << p.frame.y() << " " << p.frame.height();
    EXPECT_EQ(p.frame.top(), area.top());
}

TEST(WindowPlacement, ScrollBarThatNoLongerFitsCallsForTheOther) {
    // Too tall, and just too narrow once the vertical scroll bar is added.
    WindowPlacement p = placeWindow(QSize(905, 720), QRect(0, 0, 920, 600), kFrame, 16);
    EXPECT_EQ(p.largest, QSize(921, 736));
    EXPECT_EQ(p.client, QSize(912, 564));
    // A tiny screen: both ways, never a frame outside the area's top left.
    p = placeWindow(QSize(905, 720), QRect(10, 20, 300, 200), kFrame, 16);
    EXPECT_EQ(p.frame.topLeft(), QPoint(10, 20));
    EXPECT_EQ(p.frame.size(), QSize(300, 200));
}

class WindowOnSmallScreen : public ::testing::Test {
  protected:
    WindowOnSmallScreen() : store(dir.filePath("otdrview.INI")), window(store.load(), &store) {}
    QTemporaryDir dir;
    SettingsStore store;
    TForm1 window;
};

TEST_F(WindowOnSmallScreen, MainWindowScrollsOnASmallScreenAndIsFixedAgainOnALargeOne) {
    const QRect area(0, 0, 1093, 614);
    window.fitToScreen(area);
    window.show();
    QApplication::processEvents();
    EXPECT_TRUE(area.contains(QRect(window.pos(), window.size() + QSize(8, 36))));
    EXPECT_LT(window.minimumHeight(), window.height());
    auto* scroll = window.findChild<QScrollArea*>("CentralScroll");
    ASSERT_NE(scroll, nullptr);
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    // Scrolled to the end, the bottom of the event panel is in view.
    QScrollBar* bar = scroll->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    bar->setValue(bar->maximum());
    QApplication::processEvents();
    auto* panel = window.findChild<QWidget*>("PL_Event");
    const QPoint bottom = panel->mapTo(scroll->viewport(), QPoint(0, panel->height()));
    EXPECT_EQ(bottom.y(), scroll->viewport()->height());
    EXPECT_GE(panel->height(), 236);
    EXPECT_EQ(window.findChild<QWidget*>("Chart_OTDR")->size(), QSize(897, 379));

    window.fitToScreen(QRect(0, 0, 1280, 1024));
    QApplication::processEvents();
    EXPECT_EQ(window.minimumSize(), QSize(905, 720));
    EXPECT_EQ(window.maximumSize(), QSize(905, 720));
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
}

TEST(PreviewOnSmallScreen, ShrinksIntoTheFreeAreaAndKeepsItsSizeWhereItFits) {
    TTracePrintView preview;
    const QSize designed = preview.size();
    preview.fitToScreen(QRect(0, 0, 1280, 1024));
    EXPECT_EQ(preview.size(), designed);
    const QRect area(0, 0, 1093, 614);
    preview.fitToScreen(area);
    EXPECT_TRUE(area.contains(QRect(preview.pos(), preview.size() + QSize(8, 36))));
    EXPECT_EQ(preview.width(), designed.width());
    EXPECT_LT(preview.height(), designed.height());
}

}  // namespace
}  // namespace otdr::gui
