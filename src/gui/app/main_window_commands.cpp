// TForm1: forwarding commands to the workspace and applying its state to the widgets.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include "app/about_box.h"
#include "app/distance_edit.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/settings_store.h"
#include "app/window_fit.h"
#include "dialogs/fibre_dialog.h"
#include "dialogs/report_settings_dialog.h"
#include "report/copy_window.h"
#include "report/print_preview.h"
#include "report/report_builder.h"
#include "view/chart_widget.h"
#include "workspace/command_table.h"

namespace otdr::gui {

void TForm1::registerHandlers() {
    auto call = [this](void (Workspace::*m)()) {
        return [this, m] {
            (ws_.get()->*m)();
            refresh();
        };
    };
    handlers_ = {
        {"TB_OpenOtdrClick", [this] { openCommand(); }},
        {"MF_ImportOtherClick", [this] { importCommand(); }},
        {"TB_SaveAsClick", [this] { saveCommand(); }},
        {"MF_PrintViewClick", [this] { printViewCommand(); }},
        {"MF_SetPClick", [this] { reportSettingsCommand(); }},
        {"MF_CO_CopyTraceClick", [this] { copyTraceCommand(); }},
        {"MF_CO_CopyTestClick",
         [this] {
             if (copyWin_) copyWin_->copyPara();
         }},
        {"MF_CO_CopyEventClick",
         [this] {
             if (copyWin_) copyWin_->copyEvent();
         }},
        {"MF_ExitClick", [this] { exitCommand(); }},
        {"TB_MoveLeftClick", call(&Workspace::moveCursorLeft)},
        {"TB_MoveRightClick", call(&Workspace::moveCursorRight)},
        {"TB_ChangeMarkClick", call(&Workspace::cycleActiveMarker)},
        {"TB_ZoomOutHClick", call(&Workspace::expandHorizontal)},
        {"TB_ZoomInHClick", call(&Workspace::compressHorizontal)},
        {"TB_ZoomOutVClick", call(&Workspace::expandVertical)},
        {"TB_ZoomInVClick", call(&Workspace::compressVertical)},
        {"TB_UpWaveClick", call(&Workspace::shiftTraceUp)},
        {"TB_DownWaveClick", call(&Workspace::shiftTraceDown)},
        {"TB_InitClick", call(&Workspace::resetView)},
        {"MOT_TI_LossClick", call(&Workspace::setMeasureModeLoss)},
        {"MOT_TI_SpliceClick", call(&Workspace::setMeasureModeSplice)},
        {"MOT_TI_RefClick", call(&Workspace::setMeasureModeRef)},
        {"B_AnalyseClick", call(&Workspace::analyseCommand)},
        {"MOT_GeneralAnalyClick", call(&Workspace::analyseGeneral)},
        {"B_AddEventClick", call(&Workspace::openAddEventPanel)},
        {"B_EditEventClick", call(&Workspace::openEditEventPanel)},
        {"B_DelEventClick", call(&Workspace::deleteEvent)},
        {"TB_SetCableClick", [this] { fibreDialogCommand(); }},
        {"RB_Trace1Click",
         [this] {
             ws_->selectTrace(0);
             refresh();
         }},
        {"RB_Trace2Click",
         [this] {
             ws_->selectTrace(1);
             refresh();
         }},
        {"B_ClearTraceClick", call(&Workspace::clearTrace)},
        {"NH_HelpClick", [this] { helpCommand(); }},
        {"MA_AboutClick", [this] { aboutCommand(); }},
        {"B_OKClick", [this] { confirmEventPanelCommand(); }},
        {"B_CancelClick", call(&Workspace::cancelEventPanel)},
    };
}

void TForm1::runHandler(const QString& handler) {
    const auto it = handlers_.constFind(handler);
    if (it != handlers_.constEnd()) (*it)();
}

void TForm1::connectComponents() {
    for (const ComponentDef& d : commandComponents()) {
        if (d.handler.empty()) continue;
        const QString handler = fromUtf8(d.handler);
        QObject* o = named_.value(fromUtf8(d.name));
        if (auto* a = qobject_cast<QAction*>(o)) {
            connect(a, &QAction::triggered, this, [this, handler] { runHandler(handler); });
        } else if (auto* rb = qobject_cast<QRadioButton*>(o)) {
            connect(rb, &QRadioButton::toggled, this, [this, handler](bool on) {
                if (on && !applying_) runHandler(handler);
            });
        } else if (auto* b = qobject_cast<QPushButton*>(o)) {
            connect(b, &QPushButton::clicked, this, [this, handler] { runHandler(handler); });
        }
    }
    for (const char* name : {"B_OK", "B_Cancel"}) {
        auto* b = qobject_cast<QPushButton*>(named_.value(QString::fromLatin1(name)));
        const QString handler = QString::fromLatin1(name) + QStringLiteral("Click");
        connect(b, &QPushButton::clicked, this, [this, handler] { runHandler(handler); });
    }

    auto* chart = static_cast<ChartWidget*>(chart_);
    connect(chart, &ChartWidget::chartMouseDown, this,
            [this](double x, double y, Qt::MouseButton b) {
                const MouseButton button = b == Qt::LeftButton    ? MouseButton::Left
                                           : b == Qt::RightButton ? MouseButton::Right
                                                                  : MouseButton::Middle;
                ws_->mouseDown(static_cast<float>(x), static_cast<float>(y), button);
                refresh();
            });
    connect(chart, &ChartWidget::chartMouseMove, this, [this](double x, double y) {
        if (ws_->state().markers.dragging != 1) return;
        ws_->mouseMove(static_cast<float>(x), static_cast<float>(y));
        refresh();
    });
    connect(chart, &ChartWidget::chartMouseUp, this, [this] {
        ws_->mouseUp();
        refresh();
    });
    auto* popup = qobject_cast<QMenu*>(named_.value(QStringLiteral("PopupMenu1")));
    connect(chart, &QWidget::customContextMenuRequested, this,
            [chart, popup](const QPoint& pos) { popup->exec(chart->mapToGlobal(pos)); });

    // Every selection the user makes runs Event_ListSelectCell once: a click or key that moves
    // the current row through the current-cell signal, a click on the row that is already
    // current through the click signal (the press moved no row).
    connect(grid_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previous, int) {
                if (row != previous) onGridCellSelected(row);
            });
    grid_->viewport()->installEventFilter(this);
    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row == rowBeforePress_) onGridCellSelected(row);
        rowBeforePress_ = -1;
    });
    // The highlighted row is always the workspace's row, even after a Ctrl+click took the
    // highlight away.
    connect(grid_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!applying_ && grid_->selectionModel()->selectedRows().isEmpty()) applyGrid();
    });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (grid_ && watched == grid_->viewport() && event->type() == QEvent::MouseButtonPress)
        rowBeforePress_ = grid_->currentRow();
    if (grid_ && watched == panel_ && event->type() == QEvent::Resize) layoutEventPanel();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::onGridCellSelected(int row) {
    if (applying_ || row < 1) return;
    ws_->selectEventRow(row);
    refresh();
    grid_->setFocus();
}

// ---- Applying the workspace's state ---------------------------------------------------------

void TForm1::applyControls(bool all) {
    const QSignalBlocker noRecursion(this);
    applying_ = true;
    Controls& controls = ws_->controls();
    std::set<std::string, std::less<>> names = controls.takeChanged();
    if (all) {
        names.clear();
        for (const auto& [name, st] : controls.all()) names.insert(name);
    }
    bool menusTouched = all;
    for (const std::string& name : names) {
        QObject* o = named_.value(fromUtf8(name));
        if (!o) continue;
        const ControlState& st = controls.get(name);
        const QString text = fromUtf8(st.text);
        if (auto* a = qobject_cast<QAction*>(o)) {
            const QSignalBlocker b(a);
            if (a->property("isToolButton").toBool()) {
                a->setEnabled(st.enabled);
                if (a->toolTip() != text) {
                    a->setToolTip(text);
                    a->setStatusTip(text);
                }
            } else {
                menusTouched = true;
                if (a->text() != text && !text.isEmpty()) a->setText(text);
                if (a->isCheckable()) a->setChecked(st.checked);
            }
            a->setVisible(st.visible);
        } else if (qobject_cast<QMenu*>(o)) {
            menusTouched = true;
        } else if (auto* l = qobject_cast<QLabel*>(o)) {
            if (l->text() != text) l->setText(text);
            l->setVisible(st.visible);
        } else if (auto* e = qobject_cast<QLineEdit*>(o)) {
            if (name == "ME_Dis") {
                // What the user is typing stays; a distance set by a command is shown trimmed.
                const QString shown = distanceEditText(st.text);
                if (e->text() != shown && !e->hasFocus()) e->setText(shown);
            } else if (e->text() != text) {
                e->setText(text);
            }
            e->setEnabled(st.enabled);
            e->setVisible(st.visible);
        } else if (auto* g = qobject_cast<QGroupBox*>(o)) {
            if (g->title() != text && !text.isEmpty()) g->setTitle(text);
            g->setEnabled(st.enabled);
            g->setVisible(st.visible);
        } else if (auto* c = qobject_cast<QComboBox*>(o)) {
            const QSignalBlocker b(c);
            if (st.index >= 0 && st.index < c->count()) c->setCurrentIndex(st.index);
            if (c->currentText() != text) c->setEditText(text);
            c->setEnabled(st.enabled);
            c->setVisible(st.visible);
        } else if (auto* btn = qobject_cast<QAbstractButton*>(o)) {
            const QSignalBlocker b(btn);
            if (btn->text() != text && !text.isEmpty()) btn->setText(text);
            if (btn->isCheckable()) btn->setChecked(st.checked);
            btn->setEnabled(st.enabled);
            btn->setVisible(st.visible);
        } else if (auto* w = qobject_cast<QWidget*>(o)) {
            w->setEnabled(st.enabled);
            w->setVisible(st.visible);
        }
    }
    if (menusTouched) applyEffectiveMenuStates();
    applying_ = false;
}

void TForm1::applyEffectiveMenuStates() {
    const Controls& controls = ws_->controls();
    // A menu item works only when it and every menu above it are enabled.
    std::function<bool(std::string_view)> effective = [&](std::string_view name) -> bool {
        const ComponentDef* d = findComponent(name);
        if (!d) return true;
        if (!controls.get(name).enabled) return false;
        if (d->kind != ComponentKind::Menu && d->kind != ComponentKind::MenuItem) return true;
        return d->parent.empty() || effective(d->parent);
    };
    for (const ComponentDef& d : commandComponents()) {
        if (d.kind == ComponentKind::Menu) {
            if (auto* m = qobject_cast<QMenu*>(named_.value(fromUtf8(d.name))))
                m->menuAction()->setEnabled(effective(d.name));
        } else if (d.kind == ComponentKind::MenuItem || d.kind == ComponentKind::PopupItem) {
            if (auto* a = qobject_cast<QAction*>(named_.value(fromUtf8(d.name))))
                a->setEnabled(effective(d.name));
        }
    }
}

void TForm1::applyGrid() {
    applying_ = true;
    const QSignalBlocker block(grid_);
    const EventGrid& g = ws_->grid();
    if (grid_->rowCount() != g.rowCount) grid_->setRowCount(std::max(1, g.rowCount));
    grid_->setRowHidden(0, true);
    for (int c = 0; c < EventGrid::kColumns; ++c) {
        const QString title = fromUtf8(g.cell(c, 0));
        QTableWidgetItem* item = grid_->horizontalHeaderItem(c);
        if (!item) {
            item = new QTableWidgetItem;
            grid_->setHorizontalHeaderItem(c, item);
        }
        if (item->text() != title) item->setText(title);
    }
    for (int r = 1; r < g.rowCount && r < kEventRows; ++r) {
        for (int c = 0; c < EventGrid::kColumns; ++c) {
            const QString text = fromUtf8(g.cell(c, r));
            QTableWidgetItem* item = grid_->item(r, c);
            if (!item) {
                if (text.isEmpty()) continue;
                item = new QTableWidgetItem;
                grid_->setItem(r, c, item);
            }
            if (item->text() != text) item->setText(text);
        }
    }
    grid_->setEnabled(g.enabled);
    // The highlighted row is the workspace's row; the header row is never highlighted.
    const int row = g.selectedRow;
    if (row >= 1 && row < grid_->rowCount()) {
        if (grid_->currentRow() != row)
            grid_->setCurrentCell(row, std::max(0, grid_->currentColumn()));
        if (!grid_->selectionModel()->isRowSelected(row, QModelIndex())) grid_->selectRow(row);
    }
    applying_ = false;
}

void TForm1::syncCopyWindow() {
    if (!copyWin_) return;
    const CopyWindowTexts& t = ws_->state().copy;
    copyWin_->setTexts(fromUtf8(t.para), fromUtf8(t.event));
}

void TForm1::refresh() {
    applyControls(false);
    applyGrid();
    syncCopyWindow();
    if (chart_) chart_->update();
}

// ---- Commands with dialogs -----------------------------------------------------------------

bool TForm1::openFile(const QString& path) {
    // Another instrument's file is offered for import after the open command's refusal.
    const bool ok =
        ws_->openOrImport(QFile::encodeName(path).toStdString(), Workspace::ForeignFiles::Offer);
    refresh();
    return ok;
}

void TForm1::importCommand() {
    const QString path = chooseImportFile ? chooseImportFile() : QString();
    if (path.isEmpty()) return;
    ws_->importForeignTrace(QFile::encodeName(path).toStdString());
    refresh();
}

void TForm1::openCommand() {
    const QString path = chooseOpenFile ? chooseOpenFile() : QString();
    if (path.isEmpty()) return;
    openFile(path);
}

void TForm1::saveCommand() {
    const auto [name, filter] = chooseSaveFile ? chooseSaveFile() : std::pair<QString, int>{};
    if (name.isEmpty()) return;
    ws_->saveAs(QFile::encodeName(name).toStdString(),
                filter >= 3 ? SaveFormat::Sor : SaveFormat::Zt);
    refresh();
}

void TForm1::fibreDialogCommand() {
    if (!fibreDialog_) return;
    ws_->fillFibreDialog();
    fibreDialog_->loadFields(ws_->state().fibreDialog);
    if (fibreDialog_->exec() != QDialog::Accepted) ws_->cancelFibreDialog();
    refresh();
}

void TForm1::confirmEventPanelCommand() {
    Controls& c = ws_->controls();
    if (auto* combo = qobject_cast<QComboBox*>(named_.value(QStringLiteral("Comb_type")))) {
        const QString typed = combo->currentText();
        const int index = combo->findText(typed);
        c["Comb_type"].index = index;
        c["Comb_type"].text = toUtf8(typed);
    }
    if (auto* dis = qobject_cast<QLineEdit*>(named_.value(QStringLiteral("ME_Dis"))))
        c["ME_Dis"].text = toUtf8(distanceFromEdit(dis->text()));
    ws_->confirmEventPanel();
    refresh();
}

void TForm1::exitCommand() {
    close();
}

void TForm1::helpCommand() {
    help_->showTopic(QStringLiteral("IDH_MAIN"));
}

void TForm1::aboutCommand() {
    if (about_) about_->exec();
}

void TForm1::reportSettingsCommand() {
    if (reportDialog_) reportDialog_->exec();
}

void TForm1::printViewCommand() {
    if (!preview_) return;
    // The report reads the report settings dialog's boxes as they are now.
    const ReportFlags flags = reportDialog_ ? reportDialog_->flags() : ws_->state().report;
    const QImage logo = reportDialog_ ? reportDialog_->logo().toImage() : QImage();
    buildTestReport(*preview_, ws_->state(), flags, reportScreenDpi(),
                    *static_cast<ChartWidget*>(chart_), logo);
    refresh();
    preview_->fitToScreen(availableArea(this));
    preview_->exec();
}

void TForm1::copyTraceCommand() {
    // The chart at its size with everything it shows, on white where the chart is transparent.
    auto* chart = static_cast<ChartWidget*>(chart_);
    QImage bitmap(chart->size(), QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    {
        QPainter p(&bitmap);
        p.drawImage(QPoint(0, 0), chart->renderImage(chart->size(), /*showAxes=*/true));
    }
    QApplication::clipboard()->setImage(bitmap);
}

void TForm1::closeEvent(QCloseEvent* e) {
    if (store_) {
        QString error, note;
        if (!store_->saveForm1(ws_->settingsForClose(), &error, &note))
            QMessageBox::critical(this, QStringLiteral("Error"), error, QMessageBox::Ok);
        else if (!note.isEmpty())
            QMessageBox::information(this, QStringLiteral("Information"), note, QMessageBox::Ok);
    }
    if (help_) help_->close();
    e->accept();
}

}  // namespace otdr::gui
