// otdrview: the trace viewer's window. One copy runs per machine; a second start ends at once.

#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <exception>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "app/single_instance.h"
#include "dialogs/fibre_dialog.h"
#include "dialogs/report_settings_dialog.h"
#include "report/copy_window.h"
#include "report/print_preview.h"

int main(int argc, char** argv) {
    otdr::gui::SingleInstance instance;
    if (!instance.acquired()) return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("otdrview"));
    QApplication::setOrganizationName(QStringLiteral("Halvern Photonix"));
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
        // A trace file named on the command line is opened at once.
        const QStringList args = QApplication::arguments();
        if (args.size() > 1) main.openFile(args.at(1));
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
