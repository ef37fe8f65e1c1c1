#include "app/about_box.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace otdr::gui {

namespace {

// A small picture of our own: a backscatter trace with a reflection on a dark screen.
QPixmap aboutPicture() {
    QPixmap pm(96, 72);
    pm.fill(QColor(20, 40, 70));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 90, 130), 1));
    for (int x = 8; x < 96; x += 16) p.drawLine(x, 4, x, 68);
    for (int y = 8; y < 72; y += 16) p.drawLine(4, y, 92, y);
    p.setPen(QPen(QColor(120, 230, 120), 2));
    const QPointF pts[] = {{4, 8},   {10, 10}, {12, 20}, {40, 32}, {42, 18},
                           {44, 34}, {70, 44}, {72, 30}, {74, 62}, {92, 64}};
    p.drawPolyline(pts, 10);
    return pm;
}

}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm3");
    setWindowTitle(QStringLiteral("关于VR3728  OTDR分析软件"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(420, 200);

    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setPixmap(aboutPicture());
    picture->setGeometry(20, 24, 96, 72);

    struct Line {
        const char* name;
        QString text;
        int y;
    };
    const Line lines[] = {
        {"ProductName", QStringLiteral("VR3728 OTDR模拟分析软件"), 24},
        {"Version", QStringLiteral("版本号： ver 5.52"), 56},
        {"ReleaseDate", QStringLiteral("发布日期： 2010.03"), 84},
        {"Maker", QStringLiteral("Halvern Photonix"), 120},
        {"WebAddress", QString::fromLatin1(kWebAddress), 148},
    };
    for (const Line& l : lines) {
        auto* label = new QLabel(l.text, this);
        label->setObjectName(l.name);
        label->setGeometry(136, l.y, 270, 24);
        if (QString(l.name) == "ProductName") {
            QFont f = label->font();
            f.setBold(true);
            label->setFont(f);
        }
        if (QString(l.name) == "WebAddress") {
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        }
    }
}

}  // namespace otdr::gui
