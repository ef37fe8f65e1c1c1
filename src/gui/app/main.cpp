// otdrview: the trace viewer's window. One copy runs per machine; a second start ends at once.

#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>

#include "app/about_box.h"
#include "app/app_icon.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "app/single_instance.h"
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
            "The VR3728 OTDR trace viewer's window. FILE, a SOR or ZT trace file, is opened at\n"
            "once, as the open command opens it; another instrument's SOR file is then offered\n"
            "for import. One copy runs at a time; a second start ends at once.\n"
            "  --version  print the version and exit\n"
            "  --help     print this text and exit\n");
        return 0;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int rc = answerInformationOption(argc, argv); rc >= 0) return rc;

    otdr::gui::SingleInstance instance;
    if (!instance.acquired()) return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("otdrview"));
    QApplication::setOrganizationName(QStringLiteral("Halvern Photonix"));
    QApplication::setApplicationVersion(QString::fromLatin1(otdr::kVersion));
    // Lets the desktop match the window to its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(otdr::kDesktopId));
    QApplication::setWindowIcon(otdr::gui::applicationIcon());
    // Numbers in files, labels and reports always use the point as decimal separator.
    std::setlocale(LC_NUMERIC, "C");

    try {
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
