#pragma once
// The trace chart "Chart_OTDR": paints a ChartScene (the named series, both axis titles) on
// fixed axes x 0..512 and y 0..600 with QPainter, and reports mouse input in chart units.
// It holds no state of its own besides the scene pointer and the plot margins; the
// workspace decides everything it shows.

#include <QFont>
#include <QImage>
#include <QMargins>
#include <QPointF>
#include <QWidget>
#include <vector>

#include "view/chart_scene.h"

class QPainter;

namespace otdr::gui {

class ChartWidget : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kWidth = 897;
    static constexpr int kHeight = 379;

    explicit ChartWidget(QWidget* parent = nullptr);

    // The scene to paint (not owned; may be null, then only the axes are drawn).
    void setScene(const otdr::ChartScene* scene);
    const otdr::ChartScene* scene() const { return scene_; }

    // Space around the plot area in pixels when the axes are shown. The top margin leaves
    // room for the measurement labels the main window places over the chart.
    void setPlotMargins(const QMargins& margins);
    QMargins plotMargins() const { return margins_; }

    // The plot area inside the widget, in widget pixels.
    QRectF plotRect() const;
    // Widget pixel -> chart units (x along the bottom axis, y up the left axis).
    QPointF toChart(QPointF pixel) const;
    // Chart units -> widget pixel.
    QPointF toPixel(QPointF chart) const;

    // Renders the chart into a new image of any size on a white background. Without axes the
    // plot fills the image except for a 10-pixel strip on the right.
    QImage renderImage(QSize size, bool showAxes = true) const;
    // Paints the chart into `target` of an existing paint device (same layout rules).
    void paintChart(QPainter& painter, const QRect& target, bool showAxes = true) const;

  Q_SIGNALS:
    void chartMouseDown(double x, double y, Qt::MouseButton button);
    void chartMouseMove(double x, double y);
    void chartMouseUp();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void paintAxes(QPainter& p, const QRectF& plot) const;
    void paintSeries(QPainter& p, const QRectF& plot, const otdr::ChartSeries& s) const;
    void paintLine(QPainter& p, const QRectF& plot, const otdr::ChartSeries& s) const;
    void paintPoints(QPainter& p, const QRectF& plot, const otdr::ChartSeries& s) const;
    void paintBox(QPainter& p, const QRectF& plot, const otdr::ChartSeries& s) const;

    const otdr::ChartScene* scene_ = nullptr;
    QMargins margins_;
    QFont labelFont_;
    QFont axisFont_;
    // Polyline storage reused from frame to frame.
    mutable std::vector<QPointF> polyline_;
};

}  // namespace otdr::gui
