#include "view/chart_widget.h"

#include <QMouseEvent>
#include <QPainter>

namespace otdr::gui {

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("Chart_OTDR");
    setFixedSize(897, 379);
}

QPointF ChartWidget::toChart(QPointF pixel) const {
    return {pixel.x() / width() * 512.0, (height() - pixel.y()) / height() * 600.0};
}

QImage ChartWidget::renderImage(QSize size, bool) const {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

void ChartWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
}

void ChartWidget::mousePressEvent(QMouseEvent* e) {
    const QPointF c = toChart(e->position());
    Q_EMIT chartMouseDown(c.x(), c.y(), e->button());
}
void ChartWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPointF c = toChart(e->position());
    Q_EMIT chartMouseMove(c.x(), c.y());
}
void ChartWidget::mouseReleaseEvent(QMouseEvent*) {
    Q_EMIT chartMouseUp();
}

}  // namespace otdr::gui
