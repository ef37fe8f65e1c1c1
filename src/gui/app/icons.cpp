#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace otdr::gui {

namespace {

constexpr int kSize = 22;

void arrow(QPainter& p, QPointF from, QPointF to) {
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    if (len <= 0) return;
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    QPolygonF head;
    head << to << to - u * 4 + n * 3 << to - u * 4 - n * 3;
    p.setBrush(p.pen().color());
    p.drawPolygon(head);
    p.setBrush(Qt::NoBrush);
}

void trace(QPainter& p, double yShift = 0) {
    QPainterPath path;
    path.moveTo(2, 6 + yShift);
    path.lineTo(6, 8 + yShift);
    path.lineTo(11, 10 + yShift);
    path.lineTo(12, 6 + yShift);
    path.lineTo(13, 12 + yShift);
    path.lineTo(19, 15 + yShift);
    p.drawPath(path);
}

void eventMark(QPainter& p) {
    QPolygonF tri;
    tri << QPointF(4, 4) << QPointF(14, 4) << QPointF(9, 13);
    p.setBrush(QColor(230, 200, 0));
    p.drawPolygon(tri);
    p.setBrush(Qt::NoBrush);
}

void draw(QPainter& p, const QString& n) {
    const QColor ink(30, 60, 140);
    p.setPen(QPen(ink, 1.6));
    if (n == "TB_OpenOtdr") {
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(2, 7, 16, 11));
        p.drawRect(QRectF(2, 5, 7, 3));
        p.setBrush(Qt::NoBrush);
    } else if (n == "TB_SaveAs") {
        p.setBrush(QColor(90, 120, 200));
        p.drawRect(QRectF(3, 3, 16, 16));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 3, 10, 6));
        p.drawRect(QRectF(6, 12, 10, 7));
        p.setBrush(Qt::NoBrush);
    } else if (n == "TB_Print") {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 2, 10, 7));
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(QRectF(2, 9, 18, 8));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 14, 10, 6));
        p.setBrush(Qt::NoBrush);
    } else if (n == "TB_MoveLeft") {
        arrow(p, QPointF(18, 11), QPointF(4, 11));
        p.drawLine(QPointF(19, 4), QPointF(19, 18));
    } else if (n == "TB_MoveRight") {
        arrow(p, QPointF(4, 11), QPointF(18, 11));
        p.drawLine(QPointF(3, 4), QPointF(3, 18));
    } else if (n == "TB_ChangeMark") {
        p.setPen(QPen(Qt::red, 1.6));
        p.drawLine(QPointF(6, 3), QPointF(6, 19));
        p.setPen(QPen(QColor(128, 0, 128), 1.6));
        p.drawLine(QPointF(16, 3), QPointF(16, 19));
        p.setPen(QPen(ink, 1.4));
        arrow(p, QPointF(7, 11), QPointF(15, 11));
    } else if (n == "TB_ZoomOutH") {
        arrow(p, QPointF(11, 11), QPointF(2, 11));
        arrow(p, QPointF(11, 11), QPointF(20, 11));
    } else if (n == "TB_ZoomInH") {
        arrow(p, QPointF(1, 11), QPointF(9, 11));
        arrow(p, QPointF(21, 11), QPointF(13, 11));
    } else if (n == "TB_ZoomOutV") {
        arrow(p, QPointF(11, 11), QPointF(11, 2));
        arrow(p, QPointF(11, 11), QPointF(11, 20));
    } else if (n == "TB_ZoomInV") {
        arrow(p, QPointF(11, 1), QPointF(11, 9));
        arrow(p, QPointF(11, 21), QPointF(11, 13));
    } else if (n == "TB_UpWave") {
        trace(p, 3);
        arrow(p, QPointF(18, 10), QPointF(18, 2));
    } else if (n == "TB_DownWave") {
        trace(p, -3);
        arrow(p, QPointF(18, 10), QPointF(18, 19));
    } else if (n == "TB_Init") {
        p.drawArc(QRectF(4, 4, 14, 14), 60 * 16, 280 * 16);
        arrow(p, QPointF(15, 3), QPointF(18, 7));
    } else if (n == "TB_TestLoss") {
        trace(p);
        p.setPen(QPen(Qt::black, 1.2));
        p.drawLine(QPointF(5, 3), QPointF(5, 19));
        p.drawLine(QPointF(17, 3), QPointF(17, 19));
    } else if (n == "TB_TestSplice") {
        p.drawLine(QPointF(2, 6), QPointF(10, 9));
        p.drawLine(QPointF(10, 9), QPointF(10, 13));
        p.drawLine(QPointF(10, 13), QPointF(20, 17));
        p.setPen(QPen(Qt::black, 1.2, Qt::DashLine));
        p.drawLine(QPointF(10, 9), QPointF(20, 13));
    } else if (n == "TB_TestRef") {
        p.drawLine(QPointF(2, 14), QPointF(9, 15));
        p.drawLine(QPointF(9, 15), QPointF(11, 3));
        p.drawLine(QPointF(11, 3), QPointF(13, 16));
        p.drawLine(QPointF(13, 16), QPointF(20, 17));
    } else if (n == "TB_Analyse") {
        trace(p);
        p.setPen(QPen(QColor(200, 30, 30), 1.8));
        p.drawEllipse(QRectF(8, 6, 8, 8));
        p.drawLine(QPointF(15, 13), QPointF(20, 19));
    } else if (n == "TB_AddEvent") {
        eventMark(p);
        p.setPen(QPen(QColor(0, 128, 0), 2));
        p.drawLine(QPointF(16, 12), QPointF(16, 20));
        p.drawLine(QPointF(12, 16), QPointF(20, 16));
    } else if (n == "TB_EditEvent") {
        eventMark(p);
        p.setPen(QPen(QColor(120, 70, 20), 2));
        p.drawLine(QPointF(12, 20), QPointF(20, 12));
    } else if (n == "TB_DelEvent") {
        eventMark(p);
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(QPointF(12, 12), QPointF(20, 20));
        p.drawLine(QPointF(20, 12), QPointF(12, 20));
    } else if (n == "TB_SetCable") {
        p.setPen(QPen(QColor(0, 110, 160), 1.6));
        p.drawEllipse(QRectF(3, 3, 16, 16));
        p.drawEllipse(QRectF(7, 7, 8, 8));
        p.drawLine(QPointF(19, 11), QPointF(21, 11));
    } else {
        p.drawRect(QRectF(4, 4, 14, 14));
    }
}

}  // namespace

QIcon toolIcon(const QString& name) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, name);
    p.end();
    return QIcon(pm);
}

}  // namespace otdr::gui
