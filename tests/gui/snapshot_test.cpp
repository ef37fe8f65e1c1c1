// A picture of the window without anyone at it: the analysed trace at the window's designed
// size, and a refused file reported instead of a message box that nobody could close.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "app/snapshot.h"

namespace otdr::gui {
namespace {

TEST(WindowSnapshot, PictureOfTheWholeWindowWithTheAnalysedTrace) {
    QTemporaryDir dir;
    const QString png = dir.filePath("window.png");
    ASSERT_EQ(saveWindowSnapshot(QStringLiteral(OTDR_SAMPLES_DIR "/long_64km_1550.sor"), png,
                                 /*analyse=*/true),
              0);
    const QImage picture(png);
    EXPECT_EQ(picture.size(), QSize(905, 720));
}

TEST(WindowSnapshot, RefusedFileOrUnwritablePictureFailsWithoutAPicture) {
    QTemporaryDir dir;
    const QString notATrace = dir.filePath("notes.sor");
    {
        QFile f(notATrace);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a trace");
    }
    const QString png = dir.filePath("window.png");
    EXPECT_EQ(saveWindowSnapshot(notATrace, png, true), 1);
    EXPECT_FALSE(QFile::exists(png));
    EXPECT_EQ(saveWindowSnapshot(QStringLiteral(OTDR_SAMPLES_DIR "/long_64km_1550.sor"),
                                 dir.filePath("missing/window.png"), false),
              1);
}

}  // namespace
}  // namespace otdr::gui
