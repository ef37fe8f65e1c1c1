#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolBar>

#include "analysis/event_texts.h"
#include "app/distance_edit.h"
#include "app/help_window.h"
#include "app/icons.h"
#include "app/qt_text.h"
#include "app/settings_store.h"
#include "app/window_font.h"
#include "dialogs/fibre_dialog.h"
#include "dialogs/report_settings_dialog.h"
#include "report/print_preview.h"
#include "view/chart_widget.h"
#include "workspace/command_table.h"

namespace otdr::gui {

// Error boxes with the caption "Error" and the overwrite question as message boxes.
class TForm1::MessagePrompter : public Prompter {
  public:
    explicit MessagePrompter(QWidget* owner) : owner_(owner) {}
    void showError(std::string_view message) override {
        QMessageBox::critical(owner_, QStringLiteral("Error"), fromUtf8(message), QMessageBox::Ok);
    }
    Answer askYesNoCancel(std::string_view question) override {
        const auto r = QMessageBox::warning(
            owner_, QStringLiteral("Warning"), fromUtf8(question),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        return r == QMessageBox::Yes  ? Answer::Yes
               : r == QMessageBox::No ? Answer::No
                                      : Answer::Cancel;
    }
    bool offerImport(std::string_view question) override {
        QMessageBox box(QMessageBox::Question, QStringLiteral("导入其他仪器文件"),
                        fromUtf8(question), QMessageBox::NoButton, owner_);
        box.setObjectName(QStringLiteral("ImportOffer"));
        QPushButton* import = box.addButton(QStringLiteral("导入"), QMessageBox::AcceptRole);
        import->setObjectName(QStringLiteral("B_Import"));
        QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        cancel->setObjectName(QStringLiteral("B_ImportCancel"));
        box.setDefaultButton(import);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == import;
    }
    // A note comes at the end of a command: the window shows its outcome behind the box.
    void showNote(std::string_view message) override {
        if (auto* window = qobject_cast<TForm1*>(owner_)) window->refresh();
        QMessageBox::information(owner_, QStringLiteral("Information"), fromUtf8(message),
                                 QMessageBox::Ok);
    }

  private:
    QWidget* owner_;
};

// The system's short date and long time formats.
class TForm1::LocaleClock : public Clock {
  public:
    std::string shortDate(std::time_t t) const override {
        const QDateTime dt = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(t));
        return toUtf8(QLocale::system().toString(dt.date(), QLocale::ShortFormat));
    }
    std::string longTime(std::time_t t) const override {
        const QDateTime dt = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(t));
        // The long format without the time zone name.
        QString fmt = QLocale::system().timeFormat(QLocale::LongFormat);
        fmt.remove(QLatin1Char('t'));
        return toUtf8(QLocale::system().toString(dt.time(), fmt.trimmed()));
    }
};

namespace {

constexpr int kWidth = 905;
constexpr int kHeight = 720;
constexpr int kToolPanelHeight = 36;
constexpr int kChartWidth = 897;
constexpr int kChartHeight = 379;
constexpr int kEventPanelHeight = 236;  // at least; the panel reaches the window's bottom
constexpr int kEventPanelTop = kToolPanelHeight + kChartHeight + 2;
constexpr int kLabelHeight = 22;
constexpr int kGridTextMargin = 2;

// Grid cells draw their text 2 pixels from the left edge and cut it at the right edge, as a
// string grid does, instead of the view's wider margins and an ellipsis.
class GridCellDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* view = opt.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, view);
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(
            opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setClipRect(opt.rect);
        painter->drawText(opt.rect.adjusted(kGridTextMargin, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter, text);
        painter->restore();
    }
};

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w,
              int h = kLabelHeight) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(x, y, w, h);
    return l;
}

}  // namespace

TForm1::TForm1(const Settings& settings, const SettingsStore* store, QWidget* parent)
    : QMainWindow(parent),
      prompter_(std::make_unique<MessagePrompter>(this)),
      clock_(std::make_unique<LocaleClock>()),
      ws_(std::make_unique<Workspace>(settings, prompter_.get(), clock_.get())),
      store_(store) {
    setObjectName("TForm1");
    setWindowTitle(QStringLiteral("VR3728 OTDR 模拟分析软件"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kWidth, kHeight);
    setProperty("helpContext", 1);

    auto* central = new QWidget(this);
    central->setObjectName("CentralPanel");
    setCentralWidget(central);
    central->installEventFilter(this);

    buildMenus();
    buildToolPanel();
    buildChartArea();
    buildEventPanel();
    registerHandlers();
    connectComponents();
    // SimSun at 18 pixels, or the size at which a face standing in for it fits the layout.
    setFont(windowFont(fittingPixelSize(this)));
    // Widgets with a style sheet of their own keep the font they were polished with.
    for (const char* name : {"RB_Trace1", "RB_Trace2", "B_ClearTrace"})
        qobject_cast<QWidget*>(named_.value(QString::fromLatin1(name)))->setFont(font());
    applyFontToGrid();

    help_ = new HelpWindow(this);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { help_->showContext(1); });

    chooseOpenFile = [this] {
        return QFileDialog::getOpenFileName(
            this, QString(), QString(),
            QStringLiteral("ZT  File(*.zt);;ZT  File(*.ZT);;OTDR  File(*.sor);;OTDR  File(*.SOR)"));
    };
    chooseImportFile = [this] {
        return QFileDialog::getOpenFileName(
            this, QStringLiteral("导入其他仪器文件"), QString(),
            QStringLiteral("OTDR  File(*.sor *.SOR);;All  Files(*)"));
    };
    chooseSaveFile = [this]() -> std::pair<QString, int> {
        const QStringList filters{
            QStringLiteral("ZT  Files(*.zt)"), QStringLiteral("ZT  Files(*.ZT)"),
            QStringLiteral("OTDR  Files(*.sor)"), QStringLiteral("OTDR Fiels(*.SOR)")};
        QString selected = filters.front();
        // An imported trace starts at its source's name with the instrument's extension.
        const QString start = QFile::decodeName(ws_->saveSuggestion().c_str());
        const QString name =
            QFileDialog::getSaveFileName(this, QString(), start, filters.join(QStringLiteral(";;")),
                                         &selected, QFileDialog::DontConfirmOverwrite);
        return {name, static_cast<int>(filters.indexOf(selected)) + 1};
    };

    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.center() - QPoint(kWidth / 2, kHeight / 2));
    }
    applyControls(true);
    applyGrid();
}

TForm1::~TForm1() = default;

void TForm1::setCompanions(TCopyWin* copy, TTracePrintView* preview, TForm3* about, TForm4* report,
                           TForm5* fibre) {
    copyWin_ = copy;
    preview_ = preview;
    if (preview_) preview_->bindZoom(&ws_->state().previewZoom);
    about_ = about;
    reportDialog_ = report;
    fibreDialog_ = fibre;
    if (fibreDialog_) {
        connect(fibreDialog_, &TForm5::okClicked, this, [this] {
            ws_->state().fibreDialog = fibreDialog_->fields();
            ws_->confirmFibreDialog();
            fibreDialog_->accept();
            refresh();
        });
    }
    if (reportDialog_) {
        reportDialog_->setFlags(ws_->state().report);
        reportDialog_->onClosed = [this](const ReportFlags& flags) {
            ws_->state().report = flags;
            QString error, note;
            if (!store_) return;
            if (!store_->saveReportFlags(flags, &error, &note))
                QMessageBox::critical(this, QStringLiteral("Error"), error, QMessageBox::Ok);
            else if (!note.isEmpty())
                QMessageBox::information(this, QStringLiteral("Information"), note,
                                         QMessageBox::Ok);
        };
    }
    syncCopyWindow();
}

void TForm1::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    QHash<QString, QMenu*> menus;
    for (const ComponentDef& d : commandComponents()) {
        const QString name = fromUtf8(d.name);
        const QString text = fromUtf8(d.text);
        const QString parent = fromUtf8(d.parent);
        if (d.kind == ComponentKind::Menu) {
            QMenu* m = parent.isEmpty() ? bar->addMenu(text) : menus.value(parent)->addMenu(text);
            m->setObjectName(name);
            m->menuAction()->setObjectName(name + QStringLiteral("_Action"));
            menus.insert(name, m);
            named_.insert(name, m);
        } else if (d.kind == ComponentKind::MenuItem) {
            QMenu* m = menus.value(parent);
            if (name == QLatin1String("MF_Exit")) m->addSeparator();
            QAction* a = m->addAction(text);
            a->setObjectName(name);
            if (!d.shortcut.empty()) {
                a->setShortcut(QKeySequence(fromUtf8(d.shortcut), QKeySequence::PortableText));
                a->setShortcutContext(Qt::WindowShortcut);
            }
            if (parent == QLatin1String("MOT_TestItem")) a->setCheckable(true);
            named_.insert(name, a);
        }
    }
    auto* popup = new QMenu(this);
    popup->setObjectName("PopupMenu1");
    for (const ComponentDef& d : commandComponents()) {
        if (d.kind != ComponentKind::PopupItem) continue;
        QAction* a = popup->addAction(fromUtf8(d.text));
        a->setObjectName(fromUtf8(d.name));
        named_.insert(a->objectName(), a);
    }
    named_.insert(QStringLiteral("PopupMenu1"), popup);
}

void TForm1::buildToolPanel() {
    auto* panel = new QWidget(centralWidget());
    panel->setObjectName("PL_TButton");
    panel->setGeometry(0, 0, kWidth, kToolPanelHeight);
    QHash<QString, QToolBar*> bars;
    int x = 2;
    for (const char* barName : {"ToolBar1", "ToolBar2", "ToolBar3"}) {
        auto* tb = new QToolBar(panel);
        tb->setObjectName(barName);
        tb->setIconSize(QSize(22, 22));
        tb->setMovable(false);
        tb->setFloatable(false);
        bars.insert(QString::fromLatin1(barName), tb);
    }
    for (const ComponentDef& d : commandComponents()) {
        if (d.kind != ComponentKind::ToolButton) continue;
        const QString name = fromUtf8(d.name);
        QToolBar* tb = bars.value(fromUtf8(d.parent));
        QAction* a = tb->addAction(toolIcon(name), QString());
        a->setObjectName(name);
        a->setToolTip(fromUtf8(d.text));
        a->setStatusTip(fromUtf8(d.text));
        a->setProperty("isToolButton", true);
        named_.insert(name, a);
    }
    // Buttons just larger than their icons, so that the three bars leave room for the trace
    // buttons on the right.
    for (QToolBar* tb : {bars["ToolBar1"], bars["ToolBar2"], bars["ToolBar3"]}) {
        tb->setContentsMargins(0, 0, 0, 0);
        tb->layout()->setContentsMargins(0, 0, 0, 0);
        tb->layout()->setSpacing(0);
        for (QAction* a : tb->actions())
            if (QWidget* button = tb->widgetForAction(a)) button->setFixedSize(27, 28);
        tb->adjustSize();
        tb->setGeometry(x, 4, tb->sizeHint().width(), 28);
        x += tb->sizeHint().width() + 8;
    }

    auto* rb1 = new QRadioButton(QStringLiteral("波形一"), panel);
    rb1->setObjectName("RB_Trace1");
    rb1->setStyleSheet(QStringLiteral("QRadioButton { background-color: #87CEEB; padding: 2px; }"));
    auto* rb2 = new QRadioButton(QStringLiteral("波形二"), panel);
    rb2->setObjectName("RB_Trace2");
    rb2->setStyleSheet(QStringLiteral("QRadioButton { background-color: #00FF00; padding: 2px; }"));
    auto* clear = new QPushButton(QStringLiteral("清除轨迹"), panel);
    clear->setObjectName("B_ClearTrace");
    clear->setStyleSheet(QStringLiteral("QPushButton { color: #FF00FF; }"));
    const int right = kWidth - 4;
    clear->setGeometry(right - 88, 4, 88, 28);
    rb2->setGeometry(right - 88 - 8 - 86, 6, 86, 24);
    rb1->setGeometry(right - 88 - 8 - 86 - 6 - 86, 6, 86, 24);
    for (QWidget* w : std::initializer_list<QWidget*>{rb1, rb2, clear})
        named_.insert(w->objectName(), w);
}

void TForm1::buildChartArea() {
    auto* chart = new ChartWidget(centralWidget());
    chart->setScene(&ws_->scene());
    // The plot leaves the top to the measurement labels and the right to the parameter group.
    chart->setPlotMargins(QMargins(50, 92, 222, 36));
    chart->setGeometry(4, kToolPanelHeight, kChartWidth, kChartHeight);
    chart->setContextMenuPolicy(Qt::CustomContextMenu);
    chart_ = chart;
    named_.insert(QStringLiteral("Chart_OTDR"), chart);

    // Trace captions and file names, then two rows of measurement captions and values, laid
    // out for the window font; each value box holds the widest text it shows.
    label(chart, "Label13", QStringLiteral("波形一："), 8, 2, 76);
    label(chart, "LB_OtdrTitle", QString(), 84, 2, 600);
    label(chart, "Label14", QStringLiteral("波形二："), 8, 22, 76);
    label(chart, "LB_OtdrTitle2", QString(), 84, 22, 600);
    label(chart, "Label10", QStringLiteral("两点间(A-B)距离："), 8, 44, 156);
    label(chart, "LB_Dis", QString(), 164, 44, 104)->setProperty("widestText", "256.0000 km");
    label(chart, "Label8", QStringLiteral("两点间(A-B)损耗："), 276, 44, 156);
    label(chart, "LB_Loss", QString(), 432, 44, 100)->setProperty("widestText", "-88.888 dB");
    label(chart, "Label12", QStringLiteral("反射损耗："), 540, 44, 92);
    label(chart, "LB_Ref", QString(), 632, 44, 100)->setProperty("widestText", "-88.888 dB");
    label(chart, "Label9", QStringLiteral("平均损耗："), 8, 66, 92);
    label(chart, "LB_ATTEN", QString(), 100, 66, 168)
        ->setProperty("widestText", ">99.999 dB/km(a-A)");
    label(chart, "LB_Atten2", QString(), 276, 66, 168)
        ->setProperty("widestText", ">99.999 dB/km(B-b)");
    label(chart, "Label11", QStringLiteral("连接损耗："), 540, 66, 92);
    label(chart, "LB_Splice", QString(), 632, 66, 100)->setProperty("widestText", ">99.999dB");
    for (const char* n : {"Label13", "LB_OtdrTitle", "Label14", "LB_OtdrTitle2", "Label10",
                          "LB_Dis", "Label8", "LB_Loss", "Label9", "LB_ATTEN", "LB_Atten2",
                          "Label11", "LB_Splice", "Label12", "LB_Ref"}) {
        auto* l = chart->findChild<QLabel*>(QString::fromLatin1(n));
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        named_.insert(l->objectName(), l);
    }

    // The test parameter group over the right part of the chart.
    auto* group = new QGroupBox(QStringLiteral("OTDR测试参数"), centralWidget());
    group->setObjectName("GB_OtdrMoudle");
    group->setGeometry(4 + kChartWidth - 212, kToolPanelHeight + 96, 206, 226);
    named_.insert(group->objectName(), group);
    struct Box {
        const char* label;
        const char* name;
        QString caption;
    };
    const Box boxes[] = {
        {"Label1", "E_Wave", QStringLiteral("波长：")},
        {"Label2", "E_Range", QStringLiteral("量程：")},
        {"Label3", "E_Pulse", QStringLiteral("脉宽：")},
        {"Label4", "E_Att", QStringLiteral("衰减：")},
        {"Label5", "E_AvgCount", QStringLiteral("平均次数：")},
        {"Label6", "E_IOR", QStringLiteral("折射率：")},
        {"Label7", "E_Helix", QStringLiteral("光缆修正：")},
    };
    int y = 24;
    for (const Box& b : boxes) {
        label(group, b.label, b.caption, 8, y + 2, 92);
        auto* e = new QLineEdit(group);
        e->setObjectName(b.name);
        e->setReadOnly(true);
        e->setGeometry(100, y, 98, 26);
        e->setProperty("widestText", "10240 ns");
        named_.insert(e->objectName(), e);
        y += 28;
    }
}

void TForm1::buildEventPanel() {
    auto* panel = new QWidget(centralWidget());
    panel->setObjectName("PL_Event");
    panel->setGeometry(0, kEventPanelTop, kWidth, kEventPanelHeight);
    named_.insert(panel->objectName(), panel);

    grid_ = new QTableWidget(kEventRows, EventGrid::kColumns, panel);
    grid_->setObjectName("Event_List");
    grid_->setGeometry(4, 2, 772, kEventPanelHeight - 6);
    // Row 0 holds the column titles. It is shown as the grid's fixed header, which stays in
    // view while the rows scroll and cannot be selected; the row itself stays hidden, so the
    // grid's row numbers remain those of the event table.
    QHeaderView* header = grid_->horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid_->setRowHidden(0, true);
    grid_->setItemDelegate(new GridCellDelegate(grid_));
    grid_->verticalHeader()->hide();
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < EventGrid::kColumns; ++c) {
        grid_->setColumnWidth(c, EventGrid::kColumnWidths[static_cast<std::size_t>(c)]);
        grid_->setHorizontalHeaderItem(
            c, new QTableWidgetItem(fromUtf8(kEventGridHeader[static_cast<std::size_t>(c)])));
    }
    // The widest texts of the type and value columns.
    grid_->setProperty("widestText0", QStringLiteral("199"));
    grid_->setProperty("widestText1", QStringLiteral("非反射事件"));
    for (int c = 2; c < EventGrid::kColumns; ++c)
        grid_->setProperty(QByteArray("widestText") + QByteArray::number(c),
                           QStringLiteral("-88.8888"));
    named_.insert(grid_->objectName(), grid_);

    const std::pair<const char*, QString> buttons[] = {
        {"B_AddEvent", QStringLiteral("添加事件")},
        {"B_EditEvent", QStringLiteral("修改事件")},
        {"B_DelEvent", QStringLiteral("删除事件")},
        {"B_Analyse", QStringLiteral("分析轨迹")},
    };
    int y = 20;
    for (const auto& [name, text] : buttons) {
        auto* b = new QPushButton(text, panel);
        b->setObjectName(name);
        b->setGeometry(790, y, 100, 32);
        named_.insert(b->objectName(), b);
        y += 48;
    }
    buildEditPanel(panel);
}

void TForm1::layoutEventPanel() {
    // The event panel fills the window below the chart, whatever height the menu bar takes.
    auto* panel = qobject_cast<QWidget*>(named_.value(QStringLiteral("PL_Event")));
    auto* edit = qobject_cast<QWidget*>(named_.value(QStringLiteral("PL_EditEvent")));
    if (!panel || !edit || !grid_) return;
    const int h = std::max(kEventPanelHeight, centralWidget()->height() - kEventPanelTop);
    panel->setGeometry(0, kEventPanelTop, kWidth, h);
    grid_->setGeometry(4, 2, 772, h - 6);
    edit->setGeometry(330, 0, kWidth - 330, h);
}

void TForm1::applyFontToGrid() {
    grid_->horizontalHeader()->setFont(font());
    const int line = QFontMetrics(font()).height();
    grid_->verticalHeader()->setDefaultSectionSize(line + 4);
    grid_->horizontalHeader()->setFixedHeight(line + 6);
}

void TForm1::buildEditPanel(QWidget* parent) {
    auto* pl = new QWidget(parent);
    pl->setObjectName("PL_EditEvent");
    pl->setAutoFillBackground(true);
    pl->setGeometry(330, 0, kWidth - 330, kEventPanelHeight);
    named_.insert(pl->objectName(), pl);

    auto* before = new QGroupBox(QStringLiteral("前一事件点"), pl);
    before->setObjectName("GB_Before");
    before->setGeometry(8, 2, 270, 62);
    auto* next = new QGroupBox(QStringLiteral("后一事件点"), pl);
    next->setObjectName("GB_Next");
    next->setGeometry(290, 2, 270, 62);
    for (auto [group, typeName, disName] : {std::tuple{before, "Ed_BeforeType", "Ed_BeforeDis"},
                                            std::tuple{next, "Ed_NextType", "Ed_NextDis"}}) {
        auto* t = new QLineEdit(group);
        t->setObjectName(typeName);
        t->setGeometry(10, 26, 120, 26);
        auto* d = new QLineEdit(group);
        d->setObjectName(disName);
        d->setGeometry(140, 26, 120, 26);
        named_.insert(t->objectName(), t);
        named_.insert(d->objectName(), d);
    }
    named_.insert(before->objectName(), before);
    named_.insert(next->objectName(), next);

    auto* add = new QGroupBox(QStringLiteral("添加事件点"), pl);
    add->setObjectName("GB_Addevent");
    add->setGeometry(8, 70, 552, 110);
    named_.insert(add->objectName(), add);
    label(add, "Label_Num", QStringLiteral("事件点编号："), 12, 30, 110);
    auto* num = new QLineEdit(add);
    num->setObjectName("Ed_Num");
    num->setGeometry(124, 28, 80, 26);
    label(add, "Label_type", QStringLiteral("事件类型："), 224, 30, 92);
    auto* type = new QComboBox(add);
    type->setObjectName("Comb_type");
    type->setEditable(true);
    type->addItems({QStringLiteral("反射事件"), QStringLiteral("非反射事件")});
    type->setGeometry(316, 28, 150, 26);
    label(add, "Label_Dis", QStringLiteral("距离(km)："), 12, 70, 110);
    auto* dis = new QLineEdit(add);
    dis->setObjectName("ME_Dis");
    setUpDistanceEdit(dis);
    dis->setGeometry(124, 68, 110, 26);
    for (QWidget* w : std::initializer_list<QWidget*>{num, type, dis})
        named_.insert(w->objectName(), w);
    for (const char* n : {"Label_Num", "Label_type", "Label_Dis"})
        named_.insert(QString::fromLatin1(n), add->findChild<QLabel*>(QString::fromLatin1(n)));

    auto* ok = new QPushButton(QStringLiteral("确  定"), pl);
    ok->setObjectName("B_OK");
    ok->setGeometry(150, 190, 100, 30);
    auto* cancel = new QPushButton(QStringLiteral("取  消"), pl);
    cancel->setObjectName("B_Cancel");
    cancel->setGeometry(320, 190, 100, 30);
    named_.insert(ok->objectName(), ok);
    named_.insert(cancel->objectName(), cancel);
}

}  // namespace otdr::gui
