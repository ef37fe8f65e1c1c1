// Runs the window tests inside one QApplication on the offscreen platform, whose one screen
// is a common desktop's, large enough for the main window at its designed size.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <clocale>

int main(int argc, char** argv) {
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty()) platform = "offscreen";
    // The offscreen platform's own screen is 800 x 600.
    const QString screenFile = QDir::temp().filePath(
        QStringLiteral("otdr-gui-tests-screen-%1.json").arg(QCoreApplication::applicationPid()));
    if (platform == "offscreen") {
        QFile f(screenFile);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1280,
                        "height": 1024, "logicalDpi": 96, "logicalBaseDpi": 96}]})");
            f.close();
            platform += ":configfile=" + QFile::encodeName(screenFile);
        }
    }
    qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    QFile::remove(screenFile);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
