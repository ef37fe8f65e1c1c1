#include "dialogs/fibre_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/qt_text.h"
#include "dialogs/gbk_limit.h"

namespace otdr::gui {

namespace {
constexpr int kLabelX = 24;
constexpr int kEditX = 120;
constexpr int kEditW = 250;
constexpr int kRow = 30;

const QString kTextHint = QStringLiteral("最多可输入30个字符");
}  // namespace

QLineEdit* TForm5::addEdit(const char* name, const QString& label, int y, int maxBytes,
                           const QString& hint) {
    auto* l = new QLabel(label, this);
    l->setGeometry(kLabelX, y, kEditX - kLabelX, 24);
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setGeometry(kEditX, y, kEditW, 24);
    limitGbkBytes(e, maxBytes);
    if (!hint.isEmpty()) {
        e->setToolTip(hint);
        e->setStatusTip(hint);
    }
    return e;
}

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm5");
    setWindowTitle(QStringLiteral("设置参数"));
    // No border icons: the dialog closes through its two buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(400, 530);

    auto* title = new QLabel(QStringLiteral("设  置  参  数"), this);
    title->setObjectName("Label_Title");
    QFont tf = title->font();
    tf.setBold(true);
    tf.setPixelSize(18);
    title->setFont(tf);
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(0, 10, 400, 30);

    int y = 50;
    editIor_ = addEdit("Edit_IOR", QStringLiteral("折射率："), y, 7,
                       QStringLiteral("折射率必须在1.0---2.0之间"));
    editIor_->setText(QStringLiteral("1.47200"));
    editIor_->setFixedWidth(90);
    y += kRow;
    editet_ = addEdit("Editet", QStringLiteral("事件门限："), y, 6,
                      QStringLiteral("输入范围为：0.01 至9.0"));
    editet_->setFixedWidth(90);
    auto* unit = new QLabel(QStringLiteral("dB"), this);
    unit->setObjectName("Label_dB");
    unit->setGeometry(kEditX + 96, y, 30, 24);
    y += kRow;
    editbs_ = addEdit("Editbs", QStringLiteral("光缆标识："), y, 30, kTextHint);
    y += kRow;
    editxbs_ = addEdit("Editxbs", QStringLiteral("光纤标识："), y, 30, kTextHint);
    y += kRow;
    editdm_ = addEdit("Editdm", QStringLiteral("光缆代码："), y, 30, kTextHint);
    y += kRow;
    editstart_ = addEdit("Editstart", QStringLiteral("起点位置："), y, 30, QString());
    y += kRow;
    editend_ = addEdit("Editend", QStringLiteral("终点位置："), y, 30, kTextHint);
    y += kRow;
    editbz_ =
        addEdit("Editbz", QStringLiteral("数据标志："), y, 2, QStringLiteral("最多输入2个字符"));
    editbz_->setFixedWidth(50);
    connect(editbz_, &QLineEdit::textEdited, this, [this](const QString& t) {
        const int pos = editbz_->cursorPosition();
        editbz_->setText(t.toUpper());
        editbz_->setCursorPosition(pos);
    });
    auto* note = new QLabel(QStringLiteral("BC：制造  RC：维修"), this);
    note->setObjectName("Label_Flag");
    note->setGeometry(kEditX + 60, y, 190, 24);
    y += kRow;
    editczz_ = addEdit("Editczz", QStringLiteral("操作者："), y, 30, kTextHint);
    y += kRow;

    auto* memoLabel = new QLabel(QStringLiteral("测试评语："), this);
    memoLabel->setGeometry(kLabelX, y, kEditX - kLabelX, 24);
    memopy_ = new QPlainTextEdit(this);
    memopy_->setObjectName("Memopy");
    memopy_->setGeometry(kEditX, y, kEditW, 70);
    memopy_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memopy_->setToolTip(QStringLiteral("最多可输入40个字"));
    memopy_->setStatusTip(memopy_->toolTip());
    limitGbkBytes(memopy_, 80);
    y += 76;
    editrq_ = addEdit("Editrq", QStringLiteral("测试日期："), y, 30, QString());
    y += kRow;

    // Present on the form but out of use.
    auto* wllmLabel = new QLabel(QStringLiteral("修正系数："), this);
    wllmLabel->setObjectName("Label_wllm");
    wllmLabel->setGeometry(kLabelX, y, 90, 24);
    wllmLabel->hide();
    auto* wllm = new QLineEdit(QStringLiteral("1.0"), this);
    wllm->setObjectName("Edit_wllm");
    wllm->setToolTip(QStringLiteral("输入范围为：0.5 至2.0"));
    wllm->setGeometry(kEditX, y, 90, 24);
    wllm->setEnabled(false);
    wllm->hide();

    auto* ok = new QPushButton(QStringLiteral("确   定"), this);
    ok->setObjectName("BSetPara_OK");
    ok->setGeometry(70, 480, 100, 30);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("放   弃"), this);
    cancel->setObjectName("BSetPara_Cancel");
    cancel->setGeometry(230, 480, 100, 30);
    connect(ok, &QPushButton::clicked, this, &TForm5::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm5::loadFields(const FibreDialogFields& f) {
    editIor_->setText(fromGbk(f.editIor));
    editet_->setText(fromGbk(f.editet));
    editbs_->setText(fromGbk(f.editbs));
    editxbs_->setText(fromGbk(f.editxbs));
    editdm_->setText(fromGbk(f.editdm));
    editstart_->setText(fromGbk(f.editstart));
    editend_->setText(fromGbk(f.editend));
    editbz_->setText(fromGbk(f.editbz).toUpper());
    editczz_->setText(fromGbk(f.editczz));
    memopy_->setPlainText(fromGbk(f.memopy));
    editrq_->setText(fromGbk(f.editrq));
}

FibreDialogFields TForm5::fields() const {
    FibreDialogFields f;
    f.editIor = toGbk(editIor_->text());
    f.editet = toGbk(editet_->text());
    f.editbs = toGbk(editbs_->text());
    f.editxbs = toGbk(editxbs_->text());
    f.editdm = toGbk(editdm_->text());
    f.editstart = toGbk(editstart_->text());
    f.editend = toGbk(editend_->text());
    f.editbz = toGbk(editbz_->text().toUpper());
    f.editczz = toGbk(editczz_->text());
    f.memopy = toGbk(memopy_->toPlainText());
    f.editrq = toGbk(editrq_->text());
    return f;
}

}  // namespace otdr::gui
