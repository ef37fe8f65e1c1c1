#include "view/chart_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>

#include "app/qt_text.h"

namespace otdr::gui {

namespace {

using otdr::ChartScene;
using otdr::ChartSeries;

constexpr double kXSpan = ChartScene::kXMax - ChartScene::kXMin;
constexpr double kYSpan = ChartScene::kYMax - ChartScene::kYMin;
constexpr double kGridStep = 100.0;
// Half size of the marker symbols in pixels; the event triangle is 3 wide and 14 high.
constexpr double kSymbolHalf = 4.0;
constexpr double kTriangleHalfWidth = 1.0;
constexpr double kTriangleHalfHeight = 7.0;
const QMargins kDefaultMargins(50, 58, 14, 36);
const QMargins kBareMargins(0, 0, 10, 0);

QColor toQColor(otdr::Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QPointF mapToPixel(const QRectF& plot, double x, double y) {
    return {plot.left() + (x - ChartScene::kXMin) / kXSpan * plot.width(),
            plot.bottom() - (y - ChartScene::kYMin) / kYSpan * plot.height()};
}

QRectF plotRectIn(const QRect& area, const QMargins& m) {
    return QRectF(area.marginsRemoved(m));
}

}  // namespace

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent), margins_(kDefaultMargins) {
    setObjectName(QStringLiteral("Chart_OTDR"));
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    labelFont_ = QFont(QStringLiteral("Arial"));
    labelFont_.setPixelSize(13);
    axisFont_ = QFont(QStringLiteral("Arial"));
    axisFont_.setPixelSize(11);
    polyline_.reserve(600);
}

void ChartWidget::setScene(const otdr::ChartScene* scene) {
    scene_ = scene;
    update();
}

void ChartWidget::setPlotMargins(const QMargins& margins) {
    margins_ = margins;
    update();
}

QRectF ChartWidget::plotRect() const {
    return plotRectIn(rect(), margins_);
}

QPointF ChartWidget::toChart(QPointF pixel) const {
    const QRectF plot = plotRect();
    if (plot.width() <= 0 || plot.height() <= 0) return {};
    return {ChartScene::kXMin + (pixel.x() - plot.left()) / plot.width() * kXSpan,
            ChartScene::kYMin + (plot.bottom() - pixel.y()) / plot.height() * kYSpan};
}

QPointF ChartWidget::toPixel(QPointF chart) const {
    return mapToPixel(plotRect(), chart.x(), chart.y());
}

QImage ChartWidget::renderImage(QSize size, bool showAxes) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    paintChart(p, QRect(QPoint(0, 0), size), showAxes);
    return image;
}

void ChartWidget::paintChart(QPainter& p, const QRect& target, bool showAxes) const {
    p.save();
    p.fillRect(target, Qt::white);
    const QRectF plot = plotRectIn(target, showAxes ? margins_ : kBareMargins);
    if (showAxes) paintAxes(p, plot);
    if (scene_ && plot.width() > 0 && plot.height() > 0) {
        p.setClipRect(plot.adjusted(0, 0, 1, 1));
        for (const ChartSeries& s : scene_->all()) paintSeries(p, plot, s);
    }
    p.restore();
}

void ChartWidget::paintAxes(QPainter& p, const QRectF& plot) const {
    // Grid every 100 units up the chart.
    p.setPen(QPen(QColor(192, 192, 192), 1, Qt::DotLine));
    for (double y = kGridStep; y < kYSpan; y += kGridStep) {
        const double py = mapToPixel(plot, 0, y).y();
        p.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
    }
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);

    // Tick labels: every 100 units on both axes.
    p.setFont(axisFont_);
    const QFontMetrics fm(axisFont_);
    for (double y = 0; y <= kYSpan; y += kGridStep) {
        const QPointF at = mapToPixel(plot, 0, y);
        p.drawLine(at, at - QPointF(4, 0));
        const QString t = QString::number(static_cast<int>(y));
        p.drawText(QRectF(at.x() - 40, at.y() - 8, 34, 16), Qt::AlignRight | Qt::AlignVCenter, t);
    }
    for (double x = 0; x <= kXSpan; x += kGridStep) {
        const QPointF at = mapToPixel(plot, x, 0);
        p.drawLine(at, at + QPointF(0, 4));
        const QString t = QString::number(static_cast<int>(x));
        p.drawText(QRectF(at.x() - 20, at.y() + 4, 40, fm.height()), Qt::AlignCenter, t);
    }

    if (!scene_) return;
    // Axis titles: distance per division under the bottom axis, level per division beside
    // the left axis (read upwards).
    p.setFont(labelFont_);
    const QString bottom = fromUtf8(scene_->bottomTitle);
    p.drawText(QRectF(plot.left(), plot.bottom() + 4 + fm.height(), plot.width(), 16),
               Qt::AlignHCenter | Qt::AlignTop, bottom);
    const QString left = fromUtf8(scene_->leftTitle);
    p.save();
    p.translate(plot.left() - 44, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, -8, plot.height(), 16), Qt::AlignCenter, left);
    p.restore();
}

void ChartWidget::paintSeries(QPainter& p, const QRectF& plot, const ChartSeries& s) const {
    switch (s.kind) {
        case otdr::SeriesKind::Line:
            paintLine(p, plot, s);
            break;
        case otdr::SeriesKind::Points:
            paintPoints(p, plot, s);
            break;
        case otdr::SeriesKind::Rectangle:
            paintBox(p, plot, s);
            break;
    }
}

void ChartWidget::paintLine(QPainter& p, const QRectF& plot, const ChartSeries& s) const {
    if (s.points.empty()) return;
    polyline_.clear();
    bool oneColour = true;
    const otdr::Rgb first = s.points.front().colour;
    for (const otdr::ChartPoint& pt : s.points) {
        polyline_.push_back(mapToPixel(plot, pt.x, pt.y));
        oneColour = oneColour && pt.colour == first;
    }
    if (polyline_.size() == 1) {
        p.setPen(QPen(toQColor(first), 1));
        p.drawPoint(polyline_.front());
        return;
    }
    if (oneColour) {
        p.setPen(QPen(toQColor(first), 1));
        p.drawPolyline(polyline_.data(), static_cast<int>(polyline_.size()));
        return;
    }
    // Each segment in the colour of the point it leads to.
    for (std::size_t i = 1; i < polyline_.size(); ++i) {
        p.setPen(QPen(toQColor(s.points[i].colour), 1));
        p.drawLine(polyline_[i - 1], polyline_[i]);
    }
}

void ChartWidget::paintPoints(QPainter& p, const QRectF& plot, const ChartSeries& s) const {
    const double r = kSymbolHalf;
    for (const otdr::ChartPoint& pt : s.points) {
        const QPointF c = mapToPixel(plot, pt.x, pt.y);
        const QColor colour = toQColor(pt.colour);
        switch (s.symbol) {
            case otdr::PointSymbol::DiagonalCross:
            case otdr::PointSymbol::Star:
                p.setPen(QPen(colour, 1));
                p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
                p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
                if (s.symbol == otdr::PointSymbol::Star) {
                    p.drawLine(c + QPointF(-r, 0), c + QPointF(r, 0));
                    p.drawLine(c + QPointF(0, -r), c + QPointF(0, r));
                }
                break;
            case otdr::PointSymbol::DownTriangle: {
                const QPointF tri[3] = {c + QPointF(-kTriangleHalfWidth, -kTriangleHalfHeight),
                                        c + QPointF(kTriangleHalfWidth, -kTriangleHalfHeight),
                                        c + QPointF(0, kTriangleHalfHeight)};
                p.setPen(QPen(colour, 1));
                p.setBrush(colour);
                p.drawPolygon(tri, 3);
                p.setBrush(Qt::NoBrush);
                break;
            }
            case otdr::PointSymbol::None:
                p.setPen(QPen(colour, 1));
                p.drawPoint(c);
                break;
        }
    }
}

void ChartWidget::paintBox(QPainter& p, const QRectF& plot, const ChartSeries& s) const {
    // A box collapsed to a point shows nothing.
    if (s.x0 == s.x1 && s.y0 == s.y1) return;
    const QRectF box =
        QRectF(mapToPixel(plot, s.x0, s.y0), mapToPixel(plot, s.x1, s.y1)).normalized();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(toQColor(s.colour));
    p.drawRect(box);
    p.setBrush(Qt::NoBrush);
    p.setFont(labelFont_);
    p.drawText(box, Qt::AlignCenter, fromUtf8(s.text));
}

void ChartWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintChart(p, rect(), true);
}

void ChartWidget::mousePressEvent(QMouseEvent* event) {
    const QPointF c = toChart(event->position());
    Q_EMIT chartMouseDown(c.x(), c.y(), event->button());
}

void ChartWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPointF c = toChart(event->position());
    Q_EMIT chartMouseMove(c.x(), c.y());
}

void ChartWidget::mouseReleaseEvent(QMouseEvent*) {
    Q_EMIT chartMouseUp();
}

}  // namespace otdr::gui
