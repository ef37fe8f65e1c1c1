// The event grid of the main window with an analysed trace: one run of the row selection per
// selection, the fixed header, the highlighted row always the workspace's row, and the
// distance box of the edit panel.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/settings_store.h"
#include "sim/simulator.h"
#include "util/text.h"

namespace otdr::gui {
namespace {

class EventGridWindow : public ::testing::Test {
  protected:
    EventGridWindow() : store(dir.filePath("otdrview.INI")), window(store.load(), &store) {
        // 15 events on a 64 km range: 14 splices every 3 km and the fibre end.
        sim::SimConfig c;
        c.rangeIndex = 7;
        c.pulseWidthNs = 80;
        c.fibreLengthKm = 46;
        for (int i = 1; i <= 14; ++i) c.events.push_back({3.0 * i, 0.2, false, -45});
        const QString path = dir.filePath("fifteen.sor");
        EXPECT_TRUE(sim::writeTraceFile(sim::simulate(c), toUtf8(path)));
        EXPECT_TRUE(window.openFile(path));
        window.runHandler(QStringLiteral("B_AnalyseClick"));
        grid = window.findChild<QTableWidget*>(QStringLiteral("Event_List"));
        window.show();
        QApplication::processEvents();
    }

    WorkspaceState& st() { return window.workspace().state(); }
    int events() { return window.workspace().state().active().events.count(); }
    int position(int row) { return st().active().events.position(row); }
    int highlightedRow() const {
        const QModelIndexList rows = grid->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.front().row() : -1;
    }
    // Zoomed in four samples a point, with the event of `row` 700 points right of the view: one
    // run of the selection moves the view 512 samples (128 points) on, each further run as much.
    int placeRightOfView(int row) {
        ViewState& v = st().view;
        v.hZoomIndex = 2;
        v.samplesPerPoint = 4;
        v.firstSample = static_cast<std::int16_t>(position(row) - 4 * 700);
        window.refresh();
        return v.firstSample;
    }
    void click(int row, Qt::KeyboardModifiers mods = {}) {
        grid->scrollToItem(grid->item(row, 1));
        const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, mods, at);
    }

    QTemporaryDir dir;
    SettingsStore store;
    TForm1 window;
    QTableWidget* grid = nullptr;
};

TEST_F(EventGridWindow, EverySelectionRunsTheRowSelectionOnce) {
    ASSERT_EQ(events(), 15);
    // A click on another row.
    int first = placeRightOfView(5);
    click(5);
    EXPECT_EQ(st().view.firstSample, first + 512);
    EXPECT_EQ(st().grid.selectedRow, 5);
    // A click on the row that is already selected.
    first = placeRightOfView(5);
    click(5);
    EXPECT_EQ(st().view.firstSample, first + 512);
    // The Down key.
    first = placeRightOfView(6);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(st().grid.selectedRow, 6);
    EXPECT_EQ(st().view.firstSample, first + 512);
}

TEST_F(EventGridWindow, HeaderRowIsFixedAndNeverSelected) {
    QHeaderView* header = grid->horizontalHeader();
    ASSERT_TRUE(header->isVisible());
    const QStringList titles{QStringLiteral("序号"),         QStringLiteral("事件类型"),
                             QStringLiteral("距离(km)"),     QStringLiteral("平均损耗(dB/km)"),
                             QStringLiteral("连接损耗(dB)"), QStringLiteral("反射损耗(dB)"),
                             QStringLiteral("链路损耗(dB)")};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(grid->horizontalHeaderItem(c)->text(), titles[c]);
    EXPECT_TRUE(grid->isRowHidden(0));
    EXPECT_EQ(grid->rowCount(), 16);

    // The Up key on the first event stays there.
    click(1);
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(st().grid.selectedRow, 1);
    EXPECT_EQ(highlightedRow(), 1);

    // Scrolled to the last event, the header is still above the rows.
    click(15);
    grid->scrollToBottom();
    QApplication::processEvents();
    EXPECT_GT(grid->verticalScrollBar()->value(), 0);
    EXPECT_EQ(header->geometry().bottom() + 1, grid->viewport()->geometry().top());
    EXPECT_TRUE(
        grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(15, 0)).center()));
    EXPECT_EQ(highlightedRow(), 15);

    // Clicking the header or Ctrl+clicking the selected row keeps the selection; deleting then
    // removes the event that is shown selected.
    click(3);
    const int fourth = position(4);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(20, header->height() / 2));
    click(3, Qt::ControlModifier);
    EXPECT_EQ(highlightedRow(), 3);
    EXPECT_EQ(st().grid.selectedRow, 3);
    window.runHandler(QStringLiteral("B_DelEventClick"));
    EXPECT_EQ(events(), 14);
    EXPECT_EQ(position(3), fourth);
    EXPECT_EQ(highlightedRow(), st().grid.selectedRow);
}

TEST_F(EventGridWindow, DistanceBoxShowsTheGridsDistanceAndTakesTheDistanceForm) {
    auto* dis = window.findChild<QLineEdit*>(QStringLiteral("ME_Dis"));
    click(2);
    window.runHandler(QStringLiteral("B_EditEventClick"));
    const QString grid2 = fromUtf8(trimmed(st().grid.cell(2, 2)));
    EXPECT_EQ(dis->text(), grid2);
    EXPECT_EQ(dis->displayText(), grid2);
    EXPECT_TRUE(dis->alignment() & Qt::AlignRight);

    // Up to four digits, a point and four digits.
    dis->clear();
    dis->setFocus();
    QTest::keyClicks(dis, QStringLiteral("12345.67891"));
    EXPECT_EQ(dis->text(), QStringLiteral("1234.6789"));
    // Digits without a point are whole kilometres.
    dis->clear();
    QTest::keyClicks(dis, QStringLiteral("12"));
    window.runHandler(QStringLiteral("B_OKClick"));
    EXPECT_EQ(st().grid.cell(2, 2), " 12.0000");
}

}  // namespace
}  // namespace otdr::gui
