// The chart widget: geometry, mouse input driving a workspace, and rendering.

// The workspace comes before any Qt header: its member `slots` would otherwise meet Qt's
// `slots` keyword macro.
#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "view/chart_widget.h"

namespace otdr::gui {
namespace {

otdr::MouseButton toCoreButton(Qt::MouseButton b) {
    if (b == Qt::RightButton) return otdr::MouseButton::Right;
    if (b == Qt::MiddleButton) return otdr::MouseButton::Middle;
    return otdr::MouseButton::Left;
}

// A chart wired to a workspace the way the main window wires it.
struct WiredChart {
    otdr::Workspace ws{otdr::Settings{}};
    ChartWidget chart;

    WiredChart() {
        chart.setScene(&ws.scene());
        QObject::connect(
            &chart, &ChartWidget::chartMouseDown, [this](double x, double y, Qt::MouseButton b) {
                ws.mouseDown(static_cast<float>(x), static_cast<float>(y), toCoreButton(b));
                chart.update();
            });
        QObject::connect(&chart, &ChartWidget::chartMouseMove, [this](double x, double y) {
            ws.mouseMove(static_cast<float>(x), static_cast<float>(y));
            chart.update();
        });
        QObject::connect(&chart, &ChartWidget::chartMouseUp, [this] {
            ws.mouseUp();
            chart.update();
        });
        // A loaded trace falling along the fibre, 64 samples per point.
        otdr::WorkspaceState& s = ws.state();
        for (int i = 0; i < otdr::kSampleCount; ++i)
            s.active().samples[static_cast<std::size_t>(i)] =
                static_cast<std::uint16_t>(30000 - i / 2);
        s.active().loaded = 1;
        s.params.rangeIndex = 5;
        s.params.helixFactor = 1.0f;
        s.measureMode = otdr::kModeAverageLoss;
        ws.applyNewTraceView();
    }

    QPoint pixelAt(double x, double y) const { return chart.toPixel(QPointF(x, y)).toPoint(); }
};

TEST(ChartWidget, HasItsNameFixedSizeAndConsistentMapping) {
    ChartWidget chart;
    EXPECT_EQ(chart.objectName(), "Chart_OTDR");
    EXPECT_EQ(chart.size(), QSize(897, 379));
    EXPECT_EQ(chart.minimumSize(), chart.maximumSize());

    const QRectF plot = chart.plotRect();
    EXPECT_NEAR(chart.toChart(plot.bottomLeft()).x(), 0.0, 1e-9);
    EXPECT_NEAR(chart.toChart(plot.bottomLeft()).y(), 0.0, 1e-9);
    EXPECT_NEAR(chart.toChart(plot.topRight()).x(), 512.0, 1e-9);
    EXPECT_NEAR(chart.toChart(plot.topRight()).y(), 600.0, 1e-9);
    for (const QPointF c : {QPointF(40, 300), QPointF(511, 1), QPointF(-20, 650)}) {
        const QPointF back = chart.toChart(chart.toPixel(c));
        EXPECT_NEAR(back.x(), c.x(), 1e-9);
        EXPECT_NEAR(back.y(), c.y(), 1e-9);
    }
    // Other margins move the plot, and the mapping with it.
    chart.setPlotMargins(QMargins(10, 10, 10, 10));
    EXPECT_NEAR(chart.toChart(QPointF(10, 369)).x(), 0.0, 1e-9);
    EXPECT_NEAR(chart.toChart(QPointF(10, 369)).y(), 0.0, 1e-9);
}

TEST(ChartWidget, PressNearTheCursorDragAndReleaseMoveTheCursor) {
    WiredChart w;
    w.chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.chart));
    const otdr::WorkspaceState& s = w.ws.state();
    ASSERT_FLOAT_EQ(s.view.cursorX, 20);

    QSignalSpy downs(&w.chart, &ChartWidget::chartMouseDown);
    QTest::mousePress(&w.chart, Qt::LeftButton, Qt::NoModifier, w.pixelAt(20.5, 300));
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(s.markers.dragging, 1);
    EXPECT_FLOAT_EQ(s.view.cursorX, 20);  // a grab does not move the cursor

    QTest::mouseMove(&w.chart, w.pixelAt(120, 300));
    QTest::mouseMove(&w.chart, w.pixelAt(200, 450));
    EXPECT_NEAR(s.view.cursorX, 200, 1.0);
    QTest::mouseRelease(&w.chart, Qt::LeftButton, Qt::NoModifier, w.pixelAt(200, 450));
    EXPECT_EQ(s.markers.dragging, 0);

    // The scene shows the cursor where it now stands, with marker A under it.
    const otdr::ChartSeries& cursor = w.ws.scene().series(otdr::SeriesId::CurOtdr);
    ASSERT_EQ(cursor.points.size(), 560u);
    EXPECT_FLOAT_EQ(cursor.points.front().x, s.view.cursorX);
    const otdr::ChartSeries& a = w.ws.scene().series(otdr::SeriesId::Mark2);
    ASSERT_EQ(a.points.size(), 1u);
    EXPECT_FLOAT_EQ(a.points[0].x, s.view.cursorX);
    EXPECT_EQ(w.ws.scene().series(otdr::SeriesId::DisOtdr).text.substr(0, 2), "A:");

    // After the release, moves no longer drag.
    const float after = s.view.cursorX;
    QTest::mouseMove(&w.chart, w.pixelAt(300, 300));
    EXPECT_FLOAT_EQ(s.view.cursorX, after);
}

TEST(ChartWidget, ClickAwayMovesTheCursorOtherButtonsDoNot) {
    WiredChart w;
    w.chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.chart));
    const otdr::WorkspaceState& s = w.ws.state();
    QSignalSpy downs(&w.chart, &ChartWidget::chartMouseDown);
    QTest::mouseClick(&w.chart, Qt::RightButton, Qt::NoModifier, w.pixelAt(300, 300));
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0).at(2).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_FLOAT_EQ(s.view.cursorX, 20);

    QTest::mouseClick(&w.chart, Qt::LeftButton, Qt::NoModifier, w.pixelAt(300, 300));
    EXPECT_NEAR(s.view.cursorX, 300, 1.0);
    EXPECT_EQ(s.markers.dragging, 0);
    // A click above the plot (y beyond 600) leaves the cursor alone.
    const float x = s.view.cursorX;
    QTest::mouseClick(&w.chart, Qt::LeftButton, Qt::NoModifier, w.pixelAt(100, 640));
    EXPECT_FLOAT_EQ(s.view.cursorX, x);
}

int countPixels(const QImage& img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
    return n;
}

TEST(ChartWidget, RendersTheSceneIntoImagesOfAnySize) {
    WiredChart w;
    const QImage shown = w.chart.renderImage(QSize(897, 379));
    if (qEnvironmentVariableIsSet("OTDR_DUMP_CHART")) shown.save("/tmp/view_chart.png");
    ASSERT_EQ(shown.size(), QSize(897, 379));
    EXPECT_EQ(shown.pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);    // white background
    EXPECT_GT(countPixels(shown, qRgb(0, 0, 255)), 400);   // the blue trace
    EXPECT_GT(countPixels(shown, qRgb(255, 0, 0)), 100);   // the red cursor
    EXPECT_GT(countPixels(shown, qRgb(128, 0, 128)), 50);  // the purple second cursor

    // Without axes the plot reaches the image's left edge and leaves 10 pixels on the right.
    const QImage bare = w.chart.renderImage(QSize(600, 300), false);
    ASSERT_EQ(bare.size(), QSize(600, 300));
    int blueInFirstColumn = 0;
    int blueInRightStrip = 0;
    for (int y = 0; y < bare.height(); ++y) {
        if ((bare.pixel(0, y) & 0xFFFFFF) == 0x0000FF) ++blueInFirstColumn;
        for (int x = 591; x < 600; ++x)
            if ((bare.pixel(x, y) & 0xFFFFFF) == 0x0000FF) ++blueInRightStrip;
    }
    EXPECT_GT(blueInFirstColumn, 0);
    EXPECT_EQ(blueInRightStrip, 0);

    // Without a scene only the axes are painted.
    ChartWidget empty;
    const QImage axesOnly = empty.renderImage(QSize(897, 379));
    EXPECT_EQ(countPixels(axesOnly, qRgb(0, 0, 255)), 0);
}

TEST(ChartWidget, CollapsedLabelBoxAndOffChartCursorPaintNothing) {
    otdr::ChartScene scene;
    scene.series(otdr::SeriesId::DisO2).setRect(0, 0, 0, 0);
    scene.series(otdr::SeriesId::DisO2).text = "B: 15.3600km";
    // A cursor beyond the chart's right end (after a zoom) is clipped away.
    for (int y = 20; y < 580; ++y)
        scene.series(otdr::SeriesId::CurOtdr).add(560, static_cast<float>(y), otdr::colours::kRed);
    ChartWidget chart;
    chart.setScene(&scene);
    const QImage img = chart.renderImage(QSize(897, 379));
    EXPECT_EQ(countPixels(img, qRgb(255, 0, 0)), 0);
    // The collapsed box adds nothing to what an empty scene shows (axes and titles).
    const otdr::ChartScene emptyScene;
    ChartWidget reference;
    reference.setScene(&emptyScene);
    EXPECT_EQ(img, reference.renderImage(QSize(897, 379)));
}

}  // namespace
}  // namespace otdr::gui
