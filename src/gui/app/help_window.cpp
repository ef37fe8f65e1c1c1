#include "app/help_window.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace otdr::gui {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this)) {
    setObjectName("HelpWindow");
    setWindowTitle(QStringLiteral("帮助"));
    resize(640, 520);
    browser_->setObjectName("HelpBrowser");
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
}

void HelpWindow::showTopic(const QString& topic) {
    topic_ = topic;
    browser_->setSource(QUrl(QStringLiteral("qrc:/help/index.html#") + topic));
    show();
    raise();
    activateWindow();
}

void HelpWindow::showContext(int context) {
    // Every context of the program leads to the main window's topic.
    Q_UNUSED(context);
    showTopic(QStringLiteral("IDH_MAIN"));
}

}  // namespace otdr::gui
