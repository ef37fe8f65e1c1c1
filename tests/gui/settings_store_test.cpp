#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/qt_text.h"
#include "app/settings_store.h"
#include "app/single_instance.h"

namespace otdr::gui {
namespace {

TEST(SettingsStore, MissingFileGivesTheDefaults) {
    QTemporaryDir dir;
    const Settings s = SettingsStore(dir.filePath("none.INI")).load();
    EXPECT_EQ(s.fiberId, "");
    EXPECT_EQ(s.cableCode, " ");
    EXPECT_EQ(s.dataFlag, "  ");
    EXPECT_EQ(s.threshold, "0.05");
    EXPECT_EQ(s.refractiveIndex, "1.47200");
    EXPECT_TRUE(s.report.event && s.report.fiber && s.report.mark && s.report.para &&
                s.report.trace && s.report.eventP);
}

TEST(SettingsStore, RoundTripWithChineseTextsAndLeadingBlanks) {
    QTemporaryDir dir;
    const SettingsStore store(dir.filePath("a.INI"));
    Settings s;
    s.fiberId = toGbk(QStringLiteral("光纤一号"));
    s.cableId = toGbk(QStringLiteral("光缆"));
    s.comment = "  two leading blanks";
    s.dataFlag = "  ";
    s.threshold = "0.2";
    ASSERT_TRUE(store.saveForm1(s, nullptr));
    const Settings back = store.load();
    EXPECT_EQ(back.fiberId, s.fiberId);
    EXPECT_EQ(back.cableId, s.cableId);
    EXPECT_EQ(back.comment, s.comment);
    EXPECT_EQ(back.dataFlag, "  ");
    EXPECT_EQ(back.threshold, "0.2");
    // The file is UTF-8 with the section and keys as named.
    QFile f(store.path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[Form1]")));
    EXPECT_TRUE(text.contains(QStringLiteral("Editbs=光纤一号")));
    EXPECT_TRUE(text.contains(QStringLiteral("Editxbs=光缆")));
}

TEST(SettingsStore, ReportFlagsAreWrittenAsOneOrZero) {
    QTemporaryDir dir;
    const SettingsStore store(dir.filePath("r.INI"));
    ReportFlags flags;
    flags.fiber = false;
    flags.eventP = false;
    ASSERT_TRUE(store.saveReportFlags(flags, nullptr));
    QFile f(store.path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[CB_Fiber]\nChecked=0")));
    EXPECT_TRUE(text.contains(QStringLiteral("[CB_Event]\nChecked=1")));
    const Settings back = store.load();
    EXPECT_FALSE(back.report.fiber);
    EXPECT_FALSE(back.report.eventP);
    EXPECT_TRUE(back.report.trace);
}

TEST(SettingsStore, UnwritableFileIsReportedWithItsPath) {
    QTemporaryDir dir;
    // A folder that cannot exist: its parent is a plain file.
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.filePath("blocker/x.INI");
    QString error;
    EXPECT_FALSE(SettingsStore(path).saveForm1(Settings{}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("x.INI"))) << error.toStdString();
}

TEST(SingleInstance, ASecondCopyDoesNotGetTheLock) {
    SingleInstance first;
    if (!first.acquired()) GTEST_SKIP() << "another copy of the program is running";
    SingleInstance second;
    EXPECT_FALSE(second.acquired());
}

}  // namespace
}  // namespace otdr::gui
