#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeContents(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(SettingsStore, AReadOnlyFileBesideTheProgramIsReadAndWritesGoToThePerUserFile) {
    QTemporaryDir dir;
    const QString beside = dir.filePath("bin/otdrview.INI");
    const QString perUser = dir.filePath("home/.config/otdrview.INI");
    QDir(dir.path()).mkpath("bin");
    const QByteArray provisioned = "[Form1]\r\nEditet=0.5\r\n[CB_Fiber]\r\nChecked=0\r\n";
    writeContents(beside, provisioned);
    QFile::setPermissions(beside, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const SettingsStore store(beside, perUser);

    Settings s = store.load();
    EXPECT_EQ(s.threshold, "0.5");
    EXPECT_FALSE(s.report.fiber);
    s.operatorName = "Wang";
    QString error, note;
    ASSERT_TRUE(store.saveForm1(s, &error, &note)) << error.toStdString();
    EXPECT_EQ(contents(beside), provisioned);
    EXPECT_TRUE(note.contains(QDir::toNativeSeparators(perUser))) << note.toStdString();
    // The per-user file starts from what was read.
    const Settings written = SettingsStore(perUser).load();
    EXPECT_EQ(written.operatorName, "Wang");
    EXPECT_EQ(written.threshold, "0.5");
    EXPECT_FALSE(written.report.fiber);
    // The file beside the program still decides what the next start reads.
    EXPECT_EQ(store.path(), beside);
    EXPECT_EQ(store.load().operatorName, " ");
}

TEST(SettingsStore, WithoutAFileBesideTheProgramThePerUserFileIsReadAndWritten) {
    QTemporaryDir dir;
    // A program folder that cannot hold a file: its parent is a plain file.
    writeContents(dir.filePath("usr"), "");
    const QString beside = dir.filePath("usr/bin/otdrview.INI");
    const QString perUser = dir.filePath("home/otdrview.INI");
    const SettingsStore store(beside, perUser);
    Settings s = store.load();
    s.comment = "per user";
    QString note;
    ASSERT_TRUE(store.saveForm1(s, nullptr, &note));
    ASSERT_TRUE(store.saveReportFlags(ReportFlags{}, nullptr, &note));
    EXPECT_TRUE(note.isEmpty()) << note.toStdString();
    EXPECT_EQ(store.path(), perUser);
    EXPECT_EQ(store.load().comment, "per user");
}

TEST(SettingsStore, AnInstalledProgramCreatesNoFileInTheSystemFolder) {
    // Run as root, /usr/bin could take the file; it belongs to the package manager.
    const QString beside = QStringLiteral("/usr/bin/otdrview-settings-test.INI");
    ASSERT_FALSE(QFileInfo::exists(beside));
    QTemporaryDir dir;
    const QString perUser = dir.filePath("home/otdrview.INI");
    const SettingsStore store(beside, perUser);
    Settings s = store.load();
    s.comment = "installed";
    QString note;
    const bool saved = store.saveForm1(s, nullptr, &note);
    const bool strayFile = QFile::remove(beside);
    ASSERT_TRUE(saved);
    EXPECT_FALSE(strayFile);
    EXPECT_TRUE(note.isEmpty()) << note.toStdString();
    EXPECT_EQ(SettingsStore(perUser).load().comment, "installed");
}

TEST(SingleInstance, ASecondCopyDoesNotGetTheLock) {
    SingleInstance first;
    if (!first.acquired()) GTEST_SKIP() << "another copy of the program is running";
    SingleInstance second;
    EXPECT_FALSE(second.acquired());
}

}  // namespace
}  // namespace otdr::gui
