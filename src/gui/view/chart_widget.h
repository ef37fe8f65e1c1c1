#pragma once
// Chart_OTDR: paints the workspace's chart scene and reports mouse actions in chart units.

#include <QImage>
#include <QWidget>

#include "view/chart_scene.h"

namespace otdr::gui {

class ChartWidget : public QWidget {
    Q_OBJECT
  public:
    explicit ChartWidget(QWidget* parent = nullptr);
    void setScene(const ChartScene* scene) { scene_ = scene; }
    QPointF toChart(QPointF pixel) const;
    QImage renderImage(QSize size, bool showAxes = true) const;

  Q_SIGNALS:
    void chartMouseDown(double x, double y, Qt::MouseButton button);
    void chartMouseMove(double x, double y);
    void chartMouseUp();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    const ChartScene* scene_ = nullptr;
};

}  // namespace otdr::gui
