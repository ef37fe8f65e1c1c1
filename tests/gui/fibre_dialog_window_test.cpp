#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/qt_text.h"
#include "dialogs/fibre_dialog.h"

namespace otdr::gui {
namespace {

TEST(FibreDialogWindow, FieldsLimitsAndHints) {
    TForm5 dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("设置参数"));
    auto* ior = dlg.findChild<QLineEdit*>("Edit_IOR");
    ASSERT_NE(ior, nullptr);
    EXPECT_EQ(ior->toolTip(), QStringLiteral("折射率必须在1.0---2.0之间"));
    EXPECT_EQ(dlg.findChild<QLineEdit*>("Editet")->toolTip(),
              QStringLiteral("输入范围为：0.01 至9.0"));
    EXPECT_EQ(dlg.findChild<QLineEdit*>("Editbs")->toolTip(), QStringLiteral("最多可输入30个字符"));
    EXPECT_EQ(dlg.findChild<QLineEdit*>("Editbz")->toolTip(), QStringLiteral("最多输入2个字符"));
    EXPECT_EQ(dlg.findChild<QPlainTextEdit*>("Memopy")->toolTip(),
              QStringLiteral("最多可输入40个字"));
    auto* wllm = dlg.findChild<QLineEdit*>("Edit_wllm");
    ASSERT_NE(wllm, nullptr);
    EXPECT_TRUE(wllm->isHidden());
    EXPECT_FALSE(wllm->isEnabled());
    EXPECT_EQ(wllm->text(), QStringLiteral("1.0"));
    EXPECT_EQ(dlg.findChild<QPushButton*>("BSetPara_OK")->text(), QStringLiteral("确   定"));
    EXPECT_EQ(dlg.findChild<QPushButton*>("BSetPara_Cancel")->text(), QStringLiteral("放   弃"));
}

TEST(FibreDialogWindow, TypingIsLimitedInGbkBytesAndTheFlagIsUpperCase) {
    TForm5 dlg;
    auto* cable = dlg.findChild<QLineEdit*>("Editbs");
    QTest::keyClicks(cable, QString(35, QLatin1Char('a')));
    EXPECT_EQ(cable->text().size(), 30);
    cable->clear();
    // Chinese characters take two bytes each: 15 fit in 30 bytes.
    cable->setText(QString(20, QChar(0x5149)));
    EXPECT_EQ(cable->text().size(), 15);
    auto* ior = dlg.findChild<QLineEdit*>("Edit_IOR");
    ior->setText(QStringLiteral("1.4680000"));
    EXPECT_EQ(ior->text(), QStringLiteral("1.46800"));
    auto* flag = dlg.findChild<QLineEdit*>("Editbz");
    QTest::keyClicks(flag, QStringLiteral("rcx"));
    EXPECT_EQ(flag->text(), QStringLiteral("RC"));
    auto* memo = dlg.findChild<QPlainTextEdit*>("Memopy");
    memo->setPlainText(QString(50, QChar(0x5149)));
    EXPECT_EQ(memo->toPlainText().size(), 40);
    EXPECT_EQ(dlg.fields().editbz, "RC");
    EXPECT_EQ(gbkLength(fromGbk(dlg.fields().editbs)), 30);
}

}  // namespace
}  // namespace otdr::gui
