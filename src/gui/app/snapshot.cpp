#include "app/snapshot.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QSaveFile>
#include <cstdio>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/settings_store.h"
#include "report/copy_window.h"

namespace otdr::gui {

namespace {

constexpr int kRoomyScreen = 8192;

// What would be a message box goes to standard error; a question is answered "Cancel".
class StandardErrorPrompter : public Prompter {
  public:
    void showError(std::string_view message) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
        failed = true;
    }
    Answer askYesNoCancel(std::string_view question) override {
        showError(question);
        return Answer::Cancel;
    }
    bool failed = false;
};

}  // namespace

int saveWindowSnapshot(const QString& tracePath, const QString& pngPath, bool analyse) {
    const SettingsStore store;
    TForm1 window(store.load(), &store);
    StandardErrorPrompter prompter;
    window.workspace().setPrompter(&prompter);
    TCopyWin copy;
    window.setCompanions(&copy, nullptr, nullptr, nullptr, nullptr);
    // The whole window at its designed size, whatever the screen (there may be none).
    window.fitToScreen(QRect(0, 0, kRoomyScreen, kRoomyScreen));
    window.show();
    QApplication::processEvents();
    if (!window.openFile(tracePath) || prompter.failed) return 1;
    if (analyse) window.runHandler(QStringLiteral("B_AnalyseClick"));
    QApplication::processEvents();
    const QImage picture = window.grab().toImage();
    // Written whole under a temporary name, then renamed: never a half-written picture.
    QSaveFile file(pngPath);
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "otdrview: cannot write %s\n", toUtf8(pngPath).c_str());
        return 1;
    }
    std::printf("wrote %s\n", toUtf8(pngPath).c_str());
    return 0;
}

}  // namespace otdr::gui
