// What the desktop learns from the installed files: which files are trace files, and the
// program's icon.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>

#include "app/app_icon.h"
#include "build_info.h"

namespace otdr::gui {
namespace {

// The MIME description as installed, alone in a data folder of its own. Each test runs in a
// process of its own, so the MIME database reads only this folder when first used.
class TraceFileTypes : public ::testing::Test {
  protected:
    TraceFileTypes() {
        const QString packages = dir.filePath(QStringLiteral("mime/packages"));
        QDir().mkpath(packages);
        QFile::copy(QStringLiteral(OTDR_PACKAGING_DIR "/%1.mime.xml").arg(kDesktopId),
                    packages + QStringLiteral("/%1.xml").arg(kDesktopId));
        qputenv("XDG_DATA_DIRS", dir.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("home")).toLocal8Bit());
    }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

    QTemporaryDir dir;
    QMimeDatabase db;
};

TEST_F(TraceFileTypes, SorAndZtFilesAreKnownByNameAndSorFilesByTheirFirstBytes) {
    const QByteArray sorStart("Map\0\xc8\0", 6);
    const QByteArray other(64, 'x');
    for (const char* name : {"line.sor", "LINE.SOR"})
        EXPECT_EQ(db.mimeTypeForFile(write(QString::fromLatin1(name), other)).name(),
                  QStringLiteral("application/x-otdr-sor"))
            << name;
    for (const char* name : {"line.zt", "LINE.ZT"})
        EXPECT_EQ(db.mimeTypeForFile(write(QString::fromLatin1(name), other)).name(),
                  QStringLiteral("application/x-otdr-zt"))
            << name;
    // A SOR file under another name is still known by its Map block.
    EXPECT_EQ(db.mimeTypeForFile(write(QStringLiteral("trace.dat"), sorStart + other)).name(),
              QStringLiteral("application/x-otdr-sor"));
    EXPECT_NE(db.mimeTypeForFile(write(QStringLiteral("maps.dat"), "Maps" + other)).name(),
              QStringLiteral("application/x-otdr-sor"));
}

TEST(ApplicationIcon, HoldsEverySizeFrom16To256Pixels) {
    const QList<QSize> sizes = applicationIcon().availableSizes();
    for (int s : {16, 22, 24, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(s, s))) << s;
}

}  // namespace
}  // namespace otdr::gui
