#include "dialogs/report_settings_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>

#include "app/qt_text.h"

namespace otdr::gui {

namespace {

// The report logo: a small drawing of our own.
QPixmap makeLogo() {
    QPixmap pm(120, 48);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 70, 150), 3));
    p.drawEllipse(QRectF(4, 6, 36, 36));
    p.setPen(QPen(QColor(200, 40, 40), 2));
    p.drawLine(QPointF(10, 30), QPointF(22, 14));
    p.drawLine(QPointF(22, 14), QPointF(34, 30));
    QFont f;
    f.setPixelSize(16);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(20, 70, 150));
    p.drawText(QRectF(46, 6, 74, 36), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("VR3728"));
    return pm;
}

struct BoxDef {
    const char* name;
    const char* caption;
};
// On-screen order of the boxes.
constexpr BoxDef kBoxes[] = {
    {"CB_Para", " 测试条件"},    {"CB_Trace", " 测试曲线"}, {"CB_Mark", " 标记点信息"},
    {"CB_Event", " 事件表信息"}, {"CB_Fiber", " 光纤信息"}, {"CB_EventP", " 事件点标记"},
};

}  // namespace

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm4");
    setWindowTitle(QStringLiteral("设置测试报告内容"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(260, 250);
    auto* group = new QGroupBox(this);
    group->setObjectName("GB_SetReport");
    group->setGeometry(10, 10, 240, 230);
    int y = 20;
    for (const BoxDef& b : kBoxes) {
        auto* cb = new QCheckBox(QString::fromUtf8(b.caption), group);
        cb->setObjectName(b.name);
        cb->setGeometry(30, y, 180, 26);
        // Design state: the first four checked.
        cb->setChecked(std::string_view(b.name) != "CB_Fiber" &&
                       std::string_view(b.name) != "CB_EventP");
        y += 32;
    }
    image2_ = new QLabel(group);
    image2_->setObjectName("Image2");
    image2_->setPixmap(makeLogo());
    image2_->setGeometry(60, 20, 120, 48);
    image2_->hide();
}

QCheckBox* TForm4::box(std::string_view section) const {
    return findChild<QCheckBox*>(fromUtf8(section));
}

void TForm4::setFlags(const ReportFlags& flags) {
    for (std::string_view s : settings_keys::kReportSections)
        box(s)->setChecked(flags.bySection(s));
}

ReportFlags TForm4::flags() const {
    ReportFlags f;
    for (std::string_view s : settings_keys::kReportSections) f.bySection(s) = box(s)->isChecked();
    return f;
}

QPixmap TForm4::logo() const {
    return image2_->pixmap();
}

void TForm4::notifyClosed() {
    if (notified_) return;
    notified_ = true;
    if (onClosed) onClosed(flags());
}

void TForm4::done(int r) {
    notifyClosed();
    QDialog::done(r);
    notified_ = false;
}

void TForm4::closeEvent(QCloseEvent* e) {
    notifyClosed();
    QDialog::closeEvent(e);
    notified_ = false;
}

}  // namespace otdr::gui
