// otdrview: the trace viewer's window. One copy runs per machine; a second start ends at once.

#include <QApplication>
#include <QMessageBox>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

#include "app/about_box.h"
#include "app/app_icon.h"
#include "app/main_window.h"
#include "app/qt_translations.h"
#include "app/settings_store.h"
#include "app/single_instance.h"
#include "app/snapshot.h"
#include "build_info.h"
#include "dialogs/fibre_dialog.h"
#include "dialogs/report_settings_dialog.h"
#include "report/copy_window.h"
#include "report/print_preview.h"

namespace {

// --version and --help answer on the terminal, also while another copy runs. Returns the exit
// code, or -1 to go on and start the window.
int answerInformationOption(int argc, char** argv) {
    if (argc < 2) return -1;
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("otdrview %s\n", otdr::kVersion);
        return 0;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::printf(
            "Usage: otdrview [FILE]\n"
            "       otdrview --snapshot PNG [--analyse] FILE\n"
            "The VR3728 OTDR trace viewer's window. FILE, a SOR or ZT trace file, is opened at\n"
            "once, as the open command opens it; another instrument's SOR file is then offered\n"
            "for import. One copy runs at a time; a second start ends at once.\n"
            "  --snapshot PNG  open FILE (and analyse it with --analyse) without anyone at the\n"
            "                  window, save a picture of the window as PNG and exit\n"
            "  --version       print the version and exit\n"
            "  --help          print this text and exit\n");
        return 0;
    }
    return -1;
}

// Whether the arguments ask for a picture of the window (--snapshot PNG [--analyse] FILE); a
// name that is missing stays empty.
struct SnapshotRequest {
    QString png;
    QString trace;
    bool analyse = false;
};
bool snapshotRequest(int argc, char** argv, SnapshotRequest& r) {
    if (argc < 2 || std::strcmp(argv[1], "--snapshot") != 0) return false;
    int i = 2;
    if (i < argc) r.png = QString::fromLocal8Bit(argv[i++]);
    if (i < argc && std::strcmp(argv[i], "--analyse") == 0) {
        r.analyse = true;
        ++i;
    }
    if (i + 1 == argc) r.trace = QString::fromLocal8Bit(argv[i]);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int rc = answerInformationOption(argc, argv); rc >= 0) return rc;
    SnapshotRequest snapshot;
    const bool snapshotting = snapshotRequest(argc, argv, snapshot);
    if (snapshotting && (snapshot.png.isEmpty() || snapshot.trace.isEmpty())) {
        std::fprintf(stderr, "Usage: otdrview --snapshot PNG [--analyse] FILE\n");
        return 2;
    }

    // A picture of the window is no second copy of the program at work: it neither takes nor
    // heeds the single-instance lock.
    std::optional<otdr::gui::SingleInstance> instance;
    if (!snapshotting) {
        instance.emplace();
        if (!instance->acquired()) return 0;
    } else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        // The picture is drawn off screen, so it needs no display and looks the same on any.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("otdrview"));
    QApplication::setOrganizationName(QStringLiteral("Halvern Photonix"));
    QApplication::setApplicationVersion(QString::fromLatin1(otdr::kVersion));
    // Lets the desktop match the window to its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(otdr::kDesktopId));
    QApplication::setWindowIcon(otdr::gui::applicationIcon());
    QTranslator qtTexts;
    if (otdr::gui::loadQtChineseTranslations(qtTexts)) QApplication::installTranslator(&qtTexts);
    // Numbers in files, labels and reports always use the point as decimal separator.
    std::setlocale(LC_NUMERIC, "C");

    try {
        if (snapshotting)
            return otdr::gui::saveWindowSnapshot(snapshot.trace, snapshot.png, snapshot.analyse);
        const otdr::gui::SettingsStore store;
        const otdr::Settings settings = store.load();

        // The windows in their creation order; all live until the program ends.
        otdr::gui::TForm1 main(settings, &store);
        otdr::gui::TCopyWin copy;
        otdr::gui::TTracePrintView preview(&main);
        otdr::gui::TForm3 about(&main);
        otdr::gui::TForm4 report(&main);
        otdr::gui::TForm5 fibre(&main);
        main.setCompanions(&copy, &preview, &about, &report, &fibre);

        main.show();
        // A trace file named on the command line is opened at once (another instrument's file
        // is offered for import, as a double-click on it would bring it).
        const QStringList args = QApplication::arguments();
        if (args.size() > 1) main.openFile(args.at(1));
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
