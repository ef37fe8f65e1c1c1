#pragma once
// TForm1: the main window. It builds its components from the command table, forwards every
// command and mouse action to the workspace and afterwards applies the workspace's controls,
// event grid and chart scene to the widgets.

#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>

#include "workspace/workspace.h"

class QAction;
class QMenu;
class QTableWidget;
class QLabel;
class QToolBar;

namespace otdr::gui {

class ChartWidget;
class HelpWindow;
class SettingsStore;
class TCopyWin;
class TForm3;
class TForm4;
class TForm5;
class TTracePrintView;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    TForm1(const Settings& settings, const SettingsStore* store, QWidget* parent = nullptr);
    ~TForm1() override;

    Workspace& workspace() { return *ws_; }
    // The windows created after the main window, in creation order.
    void setCompanions(TCopyWin* copy, TTracePrintView* preview, TForm3* about, TForm4* report,
                       TForm5* fibre);

    // Runs a command by its handler name, e.g. "TB_OpenOtdrClick".
    void runHandler(const QString& handler);
    // Opens a file without the open dialog (start-up argument, tests).
    bool openFile(const QString& path);
    // Applies whatever the last command changed.
    void refresh();

    // The file dialogs, replaceable by tests. The save chooser returns the name and the
    // 1-based filter entry (1, 2 ZT; 3, 4 SOR); an empty name means cancelled.
    std::function<QString()> chooseOpenFile;
    std::function<std::pair<QString, int>()> chooseSaveFile;
    // The open dialog of the import of another instrument's file.
    std::function<QString()> chooseImportFile;

    QWidget* chart() const { return chart_; }
    HelpWindow* helpWindow() const { return help_; }

  protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class MessagePrompter;
    class LocaleClock;

    void buildMenus();
    void buildToolPanel();
    void buildChartArea();
    void buildEventPanel();
    void buildEditPanel(QWidget* parent);
    void layoutEventPanel();
    void applyFontToGrid();
    void registerHandlers();
    void connectComponents();
    void applyControls(bool all);
    void applyEffectiveMenuStates();
    void applyGrid();
    void syncCopyWindow();
    void onGridCellSelected(int row);

    // Command handlers beyond the plain workspace calls.
    void openCommand();
    void importCommand();
    void saveCommand();
    void fibreDialogCommand();
    void exitCommand();
    void helpCommand();
    void aboutCommand();
    void reportSettingsCommand();
    void printViewCommand();
    void copyTraceCommand();
    void confirmEventPanelCommand();

    std::unique_ptr<MessagePrompter> prompter_;
    std::unique_ptr<LocaleClock> clock_;
    std::unique_ptr<Workspace> ws_;
    const SettingsStore* store_;

    QHash<QString, QObject*> named_;
    QHash<QString, std::function<void()>> handlers_;
    QWidget* chart_ = nullptr;
    QTableWidget* grid_ = nullptr;
    HelpWindow* help_ = nullptr;
    TCopyWin* copyWin_ = nullptr;
    TTracePrintView* preview_ = nullptr;
    TForm3* about_ = nullptr;
    TForm4* reportDialog_ = nullptr;
    TForm5* fibreDialog_ = nullptr;
    bool applying_ = false;
    int rowBeforePress_ = -1;  // the grid's current row when the mouse was last pressed
};

}  // namespace otdr::gui
