#include "app/ui/main_form.h"

#include "app/ui/drag_scroll.h"
#include "app/ui/set_form.h"
#include "controls/accent.h"
#include "controls/dialog_messages.h"
#include "controls/no_msg_dlg.h"
#include "controls/progress_bar.h"
#include "core/busy.h"
#include "items/char_mode.h"
#include "maintenance/ui/cop_form.h"
#include "maintenance/ui/maintenance_commands.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "album/ui/album_commands.h"
#include "delivery/ui/delivery_commands.h"
#include "imaging/ui/edit_commands.h"
#include "imaging/ui/import_commands.h"
#include "imaging/ui/scan_commands.h"
#include "imaging/ui/view_commands.h"
#include "workspace/ui/drawing_commands.h"
#include "workspace/ui/search_commands.h"
#include "items/choice_lists.h"
#include "workspace/ui/item_panel.h"
#include "workspace/ui/job_workbench.h"
#include "workspace/ui/photo_list_panel.h"
#include "workspace/ui/tree_view.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace zb {
namespace {

constexpr int kDockWidth = 360;
constexpr int kLayoutVersion = 1;
const QString kFormName = QStringLiteral("ZbMainForm");
const QString kDockHint = QStringLiteral("ドラッグ時[CtrlKey]でドッキング禁止");

// Tool buttons with the texts of their two states.
const QString kSwapOn = QStringLiteral("写真のドロップ時に単項目は挿入");
const QString kSwapOff = QStringLiteral("写真のドロップ時に単項目は入替");

QKeySequence keyOf(const QString& text) { return QKeySequence(text, QKeySequence::PortableText); }

}  // namespace

TZbMainForm::TZbMainForm(const Folders& folders, DialogMessages& messages, TDataModule_Main& data, QWidget* parent)
    : QMainWindow(parent), folders_(folders), messages_(messages)
{
    setObjectName(kFormName);
    QGuiApplication::setApplicationDisplayName(mainCaption({}));
    setWindowTitle(mainCaption({}));
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks | QMainWindow::AllowTabbedDocks);
    store_ = std::make_unique<SettingsStore>(folders_.iniDir + kIniName, folders_.userFile + kCommonName);

    const QString help = folders_.programDir + kHelpFolderName + QStringLiteral("/index.html");
    if (QFileInfo::exists(help))
        helpFile_ = help;

    buildActions();
    // The job workbench comes before the panels: the panel 工事階層 shows its tree.
    bench_ = new TJobWorkbench(folders_, data, messages_, this);
    buildToolBars();
    buildDocks();
    buildStatusBar();
    buildTimers();
    wireCommands();
    wireJob();
    // The 保守 menu: backup, restore, pack, reclaim and the repairs.
    auto* maintenance = new TMaintenanceCommands(bench_->job(), data, messages_, *progress_, this, this);
    maintenance->hooks.refresh = [this] {
        bench_->photoList()->refillPhotoList();
        restartButtonTimer();
    };
    maintenance->hooks.expandTree = [this] { bench_->tree().expandAll(); };
    maintenance->hooks.requestMaintenanceOnExit = [this] { requestMaintenanceOnExit(); };
    maintenance->hooks.closeWindow = [this] { close(); };
    maintenance->hooks.backupFolder = [] { return appSettings().backupPath; };
    maintenance->hooks.setBackupFolder = [](const QString& folder) { appSettings().backupPath = folder; };
    maintenance->installHandlers([this](const QString& name, std::function<void()> fn) { setHandler(name, std::move(fn)); });
    bench_->copyBetweenFolders = [this] {
        TCopForm::execute(folders_.localRoot, appSettings().netDrive, messages_, QApplication::activeWindow());
    };
    bench_->copyOffered = [this] {
        return !appSettings().netDrive.isEmpty()
               && copyFoldersProblem(folders_.localRoot, appSettings().netDrive) != kCopySameFolders;
    };
    bench_->restoreFromList = [this, maintenance] { return maintenance->restoreFromList(); };
    // Drags near the top or bottom edge of the tree and the lists scroll
    // them. Installed last, so it sees the drags before the import, which
    // takes the file drags for itself.
    auto* dragScroll = new TDragScroll(timerScroll_, [this](bool on) {
        if (on)
            panels_[0]->setText(kDragScrollHint);
        else
            showHint({});
    }, this);
    for (QAbstractScrollArea* view : {static_cast<QAbstractScrollArea*>(tree_), static_cast<QAbstractScrollArea*>(listView_),
                                      static_cast<QAbstractScrollArea*>(listView2_)})
        if (view)
            dragScroll->watch(view);

    new TNoMsgDlg(QStringLiteral("NoMsgDlg_Level"), kNoMsgLevel, {}, this);
    new TNoMsgDlg(QStringLiteral("NoMsgDlg_Doubble"), kNoMsgDoubble, {}, this);
    new TNoMsgDlg(QStringLiteral("NoMsgDlg_Diskmax"), kNoMsgDiskmax, kNoMsgDiskmaxDetail, this);

    messages_.setOwner(this);
    messages_.setStatusSink([this](const QString& s) { setStatusText(s); });
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this] { restartButtonTimer(); });
    resize(1024, 720);
    updateButtons();
}

TZbMainForm::~TZbMainForm()
{
    closing_ = true;
    disconnect(qApp, nullptr, this, nullptr);
    qApp->removeEventFilter(this);
    messages_.setStatusSink({});
    // The item panel goes before the job, the photo list and the status bar
    // it works with; its grids stay with the window.
    delete items_;
    items_ = nullptr;
    // The tree view goes before the workbench that holds its model.
    delete bench_->treePanel();
    tree_ = nullptr;
    delete bench_;
}

// ---------------------------------------------------------------- commands

QAction* TZbMainForm::actionFor(const MenuEntry& e)
{
    if (QAction* a = actions_.value(e.name))
        return a;
    auto* a = new QAction(e.caption, this);
    a->setObjectName(e.name);
    if (!e.shortcut.isEmpty())
        a->setShortcut(keyOf(e.shortcut));
    a->setStatusTip(QString(e.caption).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
    a->setEnabled(false);
    const QString name = e.name;
    connect(a, &QAction::triggered, this, [this, name] {
        if (auto h = handlerFor(name))
            h();
    });
    actions_.insert(e.name, a);
    return a;
}

QMenu* TZbMainForm::menuFor(const MenuEntry& e)
{
    if (QMenu* m = menus_.value(e.name))
        return m;
    auto* m = new QMenu(e.caption, this);
    m->setObjectName(e.name);
    m->menuAction()->setObjectName(e.name);
    menus_.insert(e.name, m);
    fillMenu(m, e.children);
    return m;
}

void TZbMainForm::fillMenu(QMenu* m, const std::vector<MenuEntry>& entries)
{
    for (const MenuEntry& e : entries) {
        if (e.isSeparator())
            m->addSeparator();
        else if (!e.children.empty())
            m->addMenu(menuFor(e));
        else
            m->addAction(actionFor(e));
    }
}

void TZbMainForm::buildActions()
{
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("MainMenu"));
    bar->setNativeMenuBar(false);
    for (const MenuEntry& top : mainMenu())
        bar->addMenu(menuFor(top));

    treePopup_ = new QMenu(this);
    treePopup_->setObjectName(QStringLiteral("PopupMenu_Tree"));
    fillMenu(treePopup_, treePopup());
    listPopup_ = new QMenu(this);
    listPopup_->setObjectName(QStringLiteral("PopupMenu_List"));
    fillMenu(listPopup_, listPopup());
    drawingPopup_ = new QMenu(this);
    drawingPopup_->setObjectName(QStringLiteral("PopupMenu_List2"));
    fillMenu(drawingPopup_, drawingListPopup());

    // The "検索" drop-down of list mode.
    seekPopup_ = new QMenu(this);
    seekPopup_->setObjectName(QStringLiteral("PopupMenu_Seek"));
    seekPopup_->addAction(action(QStringLiteral("Mn_Search")));
    seekPopup_->addAction(action(QStringLiteral("Mn_ListClear")));

    // Panel toggles carry a tick while their panel shows.
    for (const char* n : {"Mn_PanelMenu", "Mn_PanelClip", "Mn_PanelMime"})
        action(QString::fromLatin1(n))->setCheckable(true);

    // The up and down arrows.
    QAction* up = action(cmd::kMoveUp);
    up->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    up->setToolTip(QStringLiteral("選択項目を上に移動"));
    up->setStatusTip(up->toolTip());
    QAction* down = action(cmd::kMoveDown);
    down->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    down->setToolTip(QStringLiteral("選択項目を下に移動"));
    down->setStatusTip(down->toolTip());
    action(cmd::kTreeNew)->setShortcutContext(Qt::WidgetWithChildrenShortcut);

    // Toggles and tree buttons without a menu entry.
    auto plain = [this](const QString& name, const QString& caption) {
        MenuEntry e;
        e.name = name;
        e.caption = caption;
        return actionFor(e);
    };
    plain(QStringLiteral("SB_Swap"), QStringLiteral("入替"))->setCheckable(true);
    plain(QStringLiteral("SB_Fit"), QStringLiteral("最小"))->setCheckable(true);
    plain(QStringLiteral("SB_Quality"), QStringLiteral("高品位"))->setCheckable(true);
    plain(QStringLiteral("SB_Size"), QStringLiteral("カスタム"))->setCheckable(true);
    plain(cmd::kTreeExpand, QStringLiteral("展開"));
    plain(cmd::kTreeCollapse, QStringLiteral("閉じる"));
    plain(QStringLiteral("SB_InputLevel"), QStringLiteral("必要度"))->setCheckable(true);
    plain(QStringLiteral("SB_KouEdit"), QStringLiteral("項目登録"));
    action(QStringLiteral("Mn_Reclaim"))->setVisible(false);
    // The panorama button's drop-down offers both sources only with two photos.
    panoramaMenu_ = menu(QStringLiteral("Mn_Panorama"));
}

QToolButton* TZbMainForm::addButton(QToolBar* bar, const QString& name, const QString& caption, const QString& hint,
                                    QAction* action)
{
    auto* b = new QToolButton(bar);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAutoRaise(true);
    b->setToolButtonStyle(action && !action->icon().isNull() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    if (action) {
        if (!action->icon().isNull())
            b->setIcon(action->icon());
        b->setCheckable(action->isCheckable());
        auto sync = [b, action] {
            b->setEnabled(action->isEnabled());
            if (action->isCheckable())
                b->setChecked(action->isChecked());
        };
        sync();
        connect(action, &QAction::changed, b, sync);
        connect(b, &QToolButton::clicked, action, [action] { action->trigger(); });
    }
    bar->addWidget(b);
    buttons_.insert(name, b);
    return b;
}

void TZbMainForm::buildToolBars()
{
    auto* menuBand = new QToolBar(QStringLiteral("MenuBar"), this);
    menuBand->setObjectName(QStringLiteral("MenuBar"));
    menuBand->addWidget(findChild<QMenuBar*>(QStringLiteral("MainMenu")));
    addToolBar(Qt::TopToolBarArea, menuBand);
    addToolBarBreak(Qt::TopToolBarArea);

    auto* tool = new QToolBar(QStringLiteral("Panel_Tool"), this);
    tool->setObjectName(QStringLiteral("Panel_Tool"));
    addButton(tool, QStringLiteral("SB_Job"), QStringLiteral("工事"), QStringLiteral("工事一覧"),
              action(QStringLiteral("Mn_JobList")));
    addButton(tool, QStringLiteral("SB_Album"), QStringLiteral("工事写真帳"), QStringLiteral("工事写真帳"),
              action(QStringLiteral("Mn_Album")));
    addButton(tool, cmd::kMiru, QStringLiteral("ミルカ"), QStringLiteral("ミルカ"), action(cmd::kMiru));
    QToolButton* seek = addButton(tool, QStringLiteral("SB_Search"), QStringLiteral("検索"), QStringLiteral("検索"),
                                  action(QStringLiteral("Mn_Search")));
    seek->setPopupMode(QToolButton::MenuButtonPopup);
    addToolBar(Qt::TopToolBarArea, tool);

    auto* edit = new QToolBar(QStringLiteral("Panel_Edit"), this);
    edit->setObjectName(QStringLiteral("Panel_Edit"));
    addButton(edit, cmd::kMoveUp, QStringLiteral("上"), QStringLiteral("選択項目を上に移動"), action(cmd::kMoveUp));
    addButton(edit, cmd::kMoveDown, QStringLiteral("下"), QStringLiteral("選択項目を下に移動"), action(cmd::kMoveDown));
    addButton(edit, QStringLiteral("SB_Swap"), QStringLiteral("入替"), kSwapOff, action(QStringLiteral("SB_Swap")));
    addButton(edit, QStringLiteral("SB_Fit"), QStringLiteral("最小"), QString(), action(QStringLiteral("SB_Fit")));
    addButton(edit, QStringLiteral("SB_Quality"), QStringLiteral("高品位"), QString(),
              action(QStringLiteral("SB_Quality")));
    addButton(edit, QStringLiteral("SB_Size"), QStringLiteral("カスタム"), QString(), action(QStringLiteral("SB_Size")));
    edit->addSeparator();
    QToolButton* import = addButton(edit, QStringLiteral("SB_Import"), QStringLiteral("取込"),
                                    QStringLiteral("取込"), nullptr);
    import->setMenu(menu(QStringLiteral("Mn_Import")));
    import->setPopupMode(QToolButton::InstantPopup);
    QToolButton* drawing = addButton(edit, QStringLiteral("SB_Drawing"), QStringLiteral("参考図"),
                                     QStringLiteral("参考図を追加"), nullptr);
    drawing->setMenu(menu(QStringLiteral("Mn_Drawing")));
    drawing->setPopupMode(QToolButton::InstantPopup);
    QToolButton* panorama = addButton(edit, QStringLiteral("SB_Panorama"), QStringLiteral("パノラマ"),
                                      QStringLiteral("パノラマ"), nullptr);
    connect(panorama, &QToolButton::clicked, this, [this] {
        // Without two selected photos a click imports from files.
        if (!buttons_.value(QStringLiteral("SB_Panorama"))->menu())
            action(QStringLiteral("Mn_PanoramaFile"))->trigger();
    });
    addButton(edit, QStringLiteral("SB_Correct"), QStringLiteral("補正"), QStringLiteral("補正"),
              action(QStringLiteral("Mn_Correct")));
    addButton(edit, QStringLiteral("SB_View"), QStringLiteral("表示"), QStringLiteral("表示"),
              action(QStringLiteral("Mn_View")));
    addButton(edit, QStringLiteral("SB_Original"), QStringLiteral("戻す"), QStringLiteral("オリジナルの写真に戻す"),
              action(QStringLiteral("Mn_Original")));
    addButton(edit, QStringLiteral("SB_Delete"), QStringLiteral("削除"), QStringLiteral("削除"),
              action(QStringLiteral("Mn_Delete")));
    addToolBar(Qt::TopToolBarArea, edit);
    updateToggleHints();
}

void TZbMainForm::buildDocks()
{
    auto dock = [this](const QString& name, const QString& title) {
        auto* d = new QDockWidget(title, this);
        d->setObjectName(name);
        d->setToolTip(kDockHint);
        d->setStatusTip(kDockHint);
        return d;
    };

    // Float_Menu: the hierarchy tree with its buttons.
    floatMenu_ = dock(QStringLiteral("Float_Menu"), QStringLiteral("工事階層"));
    auto* menuPanel = new QWidget;
    auto* treeBar = new QToolBar(menuPanel);
    treeBar->setObjectName(QStringLiteral("Panel_Tree"));
    addButton(treeBar, cmd::kTreeNew, QStringLiteral("新規"), QStringLiteral("新規"), action(cmd::kTreeNew));
    addButton(treeBar, cmd::kMaster, QStringLiteral("マスタ"), QStringLiteral("マスタ"), action(cmd::kMaster));
    addButton(treeBar, cmd::kTreeRename, QStringLiteral("変更"), QStringLiteral("変更"), action(cmd::kTreeRename));
    addButton(treeBar, cmd::kTreeExpand, QStringLiteral("＋"), QStringLiteral("ツリーを全て開く"),
              action(cmd::kTreeExpand));
    addButton(treeBar, cmd::kTreeCollapse, QStringLiteral("－"), QStringLiteral("カーソル位置以外のツリーを全て閉じる"),
              action(cmd::kTreeCollapse));
    // The level header and TV_Tree of the job workbench.
    TTreePanel* treePanel = bench_->treePanel();
    tree_ = treePanel->TV_Tree;
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { treePopup_->popup(tree_->viewport()->mapToGlobal(p)); });
    tree_->addAction(action(cmd::kTreeNew));
    auto* menuLayout = new QVBoxLayout(menuPanel);
    menuLayout->setContentsMargins(2, 2, 2, 2);
    menuLayout->addWidget(treeBar);
    menuLayout->addWidget(treePanel, 1);
    floatMenu_->setWidget(menuPanel);
    addDockWidget(Qt::LeftDockWidgetArea, floatMenu_);

    // Float_Clip: the construction and photo information.
    floatClip_ = dock(QStringLiteral("Float_Clip"), QStringLiteral("工事／写真情報"));
    auto* clipPanel = new QWidget;
    auto* clipBar = new QToolBar(clipPanel);
    addButton(clipBar, QStringLiteral("SB_KouEdit"), items::kKouEditCaption, items::kKouEditHint,
              action(QStringLiteral("SB_KouEdit")));
    addButton(clipBar, QStringLiteral("SB_InputLevel"), items::kInputLevelCaption, items::kInputLevelHint,
              action(QStringLiteral("SB_InputLevel")));
    // The tab set and the two item grids belong to the item panel.
    items_ = new TItemPanel(bench_->job(), messages_, this);
    items_->setButtons(action(QStringLiteral("SB_KouEdit")), action(QStringLiteral("SB_InputLevel")));
    ItemPanelHooks itemHooks;
    // Panel 0 shows the grid's hint for a while; an empty text brings back
    // the default status text.
    itemHooks.setStatus = [this](int i, const QString& text) {
        if (i == 0 && text.isEmpty())
            showHint({});
        else if (QLabel* l = panels_.value(i))
            l->setText(text);
    };
    itemHooks.restartButtonTimer = [this] { restartButtonTimer(); };
    itemHooks.readInputLevel = [] { return appSettings().inputLevel; };
    itemHooks.writeInputLevel = [](bool on) { appSettings().inputLevel = on; };
    items_->setHooks(itemHooks);
    clipBar->addWidget(items_->modeLabel());
    tabSet_ = items_->tabSet();
    tabSet_->setAutoFillBackground(true);
    QPalette tabPal = tabSet_->palette();
    tabPal.setColor(QPalette::Window, dialogAccentColor());
    tabSet_->setPalette(tabPal);
    grids_ = items_->stack();
    gridKoji_ = items_->kojiGrid();
    gridPhoto_ = items_->photoGrid();
    auto* clipLayout = new QVBoxLayout(clipPanel);
    clipLayout->setContentsMargins(2, 2, 2, 2);
    clipLayout->addWidget(clipBar);
    clipLayout->addWidget(tabSet_);
    clipLayout->addWidget(grids_, 1);
    floatClip_->setWidget(clipPanel);
    addDockWidget(Qt::RightDockWidgetArea, floatClip_);

    // Float_Mime: the reference drawings of the selected photo.
    floatMime_ = dock(QStringLiteral("Float_Mime"), QStringLiteral("参考図"));
    auto* mimePanel = new QWidget;
    auto* mimeCaption = new QLabel(QStringLiteral(" （参考図）"));
    mimeCaption->setObjectName(QStringLiteral("Label_Mime"));
    listView2_ = bench_->photoList()->listView2();
    connect(listView2_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { drawingPopup_->popup(listView2_->viewport()->mapToGlobal(p)); });
    auto* mimeLayout = new QVBoxLayout(mimePanel);
    mimeLayout->setContentsMargins(2, 2, 2, 2);
    mimeLayout->addWidget(mimeCaption);
    mimeLayout->addWidget(listView2_, 1);
    floatMime_->setWidget(mimePanel);
    splitDockWidget(floatClip_, floatMime_, Qt::Vertical);
    resizeDocks({floatMenu_, floatClip_}, {kDockWidth, kDockWidth}, Qt::Horizontal);

    // PL_Main: the photo list between the top and bottom dock areas.
    auto* main = new QWidget;
    main->setObjectName(QStringLiteral("PL_Main"));
    // ListView and ListView2 come with the job workbench's photo list panel.
    listView_ = bench_->photoList()->listView();
    connect(listView_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { listPopup_->popup(listView_->viewport()->mapToGlobal(p)); });
    auto* mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->addWidget(listView_);
    setCentralWidget(main);

    for (QDockWidget* d : {floatMenu_, floatClip_, floatMime_}) {
        QAction* toggle = action(d == floatMenu_   ? QStringLiteral("Mn_PanelMenu")
                                 : d == floatClip_ ? QStringLiteral("Mn_PanelClip")
                                                   : QStringLiteral("Mn_PanelMime"));
        toggle->setChecked(true);
        connect(d, &QDockWidget::visibilityChanged, toggle, [toggle, d] { toggle->setChecked(d->isVisible()); });
    }
}

void TZbMainForm::buildStatusBar()
{
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    const int widths[] = {300, 130, 120, 0};
    for (int i = 0; i < 4; ++i) {
        auto* l = new QLabel(bar);
        l->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        if (widths[i] > 0)
            l->setFixedWidth(widths[i]);
        if (i == 1 || i == 2)
            l->setAlignment(Qt::AlignCenter);
        bar->addWidget(l, i == 3 ? 1 : 0);
        panels_ << l;
    }
    setStatusBar(bar);
    progress_ = std::make_unique<BarProgress>(panels_[0], messages_, [this] { showHint({}); });
}

void TZbMainForm::buildTimers()
{
    timerStart_.setObjectName(QStringLiteral("Timer_Start"));
    timerStart_.setInterval(50);
    timerStart_.setSingleShot(true);
    connect(&timerStart_, &QTimer::timeout, this, &TZbMainForm::onStartTimer);

    timerButton_.setObjectName(QStringLiteral("Timer_Button"));
    timerButton_.setInterval(100);
    timerButton_.setSingleShot(true);
    connect(&timerButton_, &QTimer::timeout, this, &TZbMainForm::updateButtons);

    // Refreshing the drawing list for the focused photo belongs to the drawing
    // list; the timer is here so that it restarts with the selection.
    timerSanko_.setObjectName(QStringLiteral("Timer_Sanko"));
    timerSanko_.setInterval(200);
    timerSanko_.setSingleShot(true);

    timerNoSel_.setObjectName(QStringLiteral("Timer_NoSel"));
    timerNoSel_.setInterval(200);
    timerNoSel_.setSingleShot(true);
    connect(&timerNoSel_, &QTimer::timeout, this, [this] {
        if (!listView_->selectedItems().isEmpty())
            return;
        listView2_->clear();
        listView2_->setEnabled(false);
        items_->removePhotoTab();
    });

    timerView_.setObjectName(QStringLiteral("Timer"));
    timerView_.setInterval(10);
    timerView_.setSingleShot(true);
    connect(&timerView_, &QTimer::timeout, this, [this] {
        timerView_.setInterval(300);
        // "表示" only starts this timer; the viewer opens here, through the
        // handler the viewer gives under the name ViewSelected.
        if (auto h = handlers_.value(QStringLiteral("ViewSelected")))
            h();
    });

    timerScroll_.setObjectName(QStringLiteral("Timer_Scroll"));
    timerScroll_.setInterval(TDragScroll::kSlowMs);

    // A close asked for during a long operation waits for its end.
    heldClose_.setInterval(100);
    connect(&heldClose_, &QTimer::timeout, this, [this] {
        if (busy())
            return;
        heldClose_.stop();
        closeHeld_ = false;
        close();
    });

    // The idle check of the automatic save.
    timerIdle_.setInterval(1000);
    connect(&timerIdle_, &QTimer::timeout, this, [this] { idleCheck(QDateTime::currentDateTime()); });
}

void TZbMainForm::wireCommands()
{
    setHandler(QStringLiteral("Mn_Exit"), [this] { close(); });
    setHandler(QStringLiteral("Mn_Environment"), [this] { openEnvironment(); });
    setHandler(QStringLiteral("Mn_LayoutReset"), [this] { askLayoutReset(); });
    setHandler(QStringLiteral("Mn_HomePage"), [this] { openUrl(kHomePageUrl); });
    setHandler(QStringLiteral("Mn_ProductPage"), [this] { openUrl(kProductPageUrl); });
    setHandler(QStringLiteral("Mn_About"), [this] {
        messages_.information(kProductTitle + QStringLiteral("\r\nVersion ") + QCoreApplication::applicationVersion());
    });
    if (!helpFile_.isEmpty()) {
        setHandler(QStringLiteral("Mn_HelpSearch"), [this] { openHelp(); });
        auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
        connect(f1, &QShortcut::activated, this, [this] { openHelp(); });
    }
    setHandler(cmd::kMiru, [this] { startCompanion(); });

    const struct {
        const char* action;
        QDockWidget* dock;
    } panels[] = {{"Mn_PanelMenu", floatMenu_}, {"Mn_PanelClip", floatClip_}, {"Mn_PanelMime", floatMime_}};
    for (const auto& p : panels) {
        QDockWidget* d = p.dock;
        setHandler(QString::fromLatin1(p.action), [d] { d->setVisible(!d->isVisible()); });
    }

    // The thumbnail toggles switch their settings; the lists repaint from them.
    setHandler(QStringLiteral("SB_Swap"), [this] {
        appSettings().graphicSwap = action(QStringLiteral("SB_Swap"))->isChecked();
        updateToggleHints();
    });
    setHandler(QStringLiteral("SB_Fit"), [this] {
        appSettings().thumbnailMinFit = action(QStringLiteral("SB_Fit"))->isChecked();
        fitClicked_ = true;
        updateToggleHints();
    });
    setHandler(QStringLiteral("SB_Quality"), [this] {
        appSettings().kouhini = action(QStringLiteral("SB_Quality"))->isChecked();
        updateToggleHints();
    });
    setHandler(QStringLiteral("SB_Size"), [this] {
        appSettings().iconStyle = action(QStringLiteral("SB_Size"))->isChecked() ? 1 : 0;
        updateToggleHints();
    });
    setHandler(QStringLiteral("SB_InputLevel"),
               [this] { items_->toggleLevelFilter(action(QStringLiteral("SB_InputLevel"))->isChecked()); });
    // "項目登録" acts on the current row of the shown grid; the item panel
    // enables it while that row's list can be registered.
    setHandler(QStringLiteral("SB_KouEdit"), [this] { items_->registerChoices(); });
    action(QStringLiteral("SB_KouEdit"))->setEnabled(false);
}

void TZbMainForm::wireJob()
{
    TJobWorkbench& bench = *bench_;
    hooks_.openJobList = [&bench] { return bench.openJobList(); };
    hooks_.saveJob = [&bench] { return bench.save(); };
    hooks_.flushTable = [&bench] {
        if (bench.job().isOpen())
            bench.flushTable();
    };
    // Saves once more, closes the photo table and removes the <job>.ER marker.
    hooks_.removeJobMarker = [&bench] { bench.closeJob(); };
    // A job just opened: the automatic-save clock starts again, and 領域の確保
    // shows while the job's disk has no room for a new copy of its table.
    bench.job().hooks.opened = [this](const JobPaths& paths) {
        autoSaveClock_.restart(QDateTime::currentDateTime());
        setReclaimVisible(jobSpaceShort(paths));
    };
    TPhotoListPanel* list = bench.photoList();
    hooks_.canMove = [this, list](bool up) {
        const QWidget* f = QApplication::focusWidget();
        return treeHasFocus() ? bench_->canMove(up) : (f == listView_ || f == listView2_) && list->canMove(up);
    };
    list->setWindowHooks({panels_.value(1), &timerSanko_, &timerNoSel_, &timerView_, [this] { restartButtonTimer(); },
                          [this] { return hooks_.listMode && hooks_.listMode(); }});
    setHandler(cmd::kMoveUp, [list] { list->moveSelected(true); });
    setHandler(cmd::kMoveDown, [list] { list->moveSelected(false); });
    setHandler(QStringLiteral("Mn_Delete"), [list] { list->deleteSelected(); });
    setHandler(QStringLiteral("Mn_SelectAll"), [list] { list->selectAll(); });
    setHandler(QStringLiteral("Mn_View"), [list] { list->requestView(); });
    hooks_.focusedItemEdited = [list] { return list->focusedItemEdited(); };

    // 取込 › ファイルを選択 / フォルダを選択, クリップボードから貼り付け and files
    // dropped from the file manager on the lists and the tree.
    auto* imports = new TImportCommands(bench.job(), bench.tree(), messages_, *progress_, this, this);
    imports->hooks.refillPhotoList = [list](int index) { list->refillPhotoList(index); };
    imports->hooks.selectedPhotos = [list] { return list->selectedRecords(); };
    imports->hooks.drawingListFocused = [list] { return list->drawingListFocused(); };
    imports->hooks.refreshDrawings = [list] {
        const QList<RECORD> photos = list->selectedRecords();
        if (photos.size() == 1)
            list->repaintRecord(photos.first());
        list->refillDrawingList();
    };
    imports->hooks.setReclaimVisible = [this](bool on) { setReclaimVisible(on); };
    imports->hooks.listMode = [this] { return hooks_.listMode && hooks_.listMode(); };
    imports->installHandlers([this](const QString& name, std::function<void()> fn) { setHandler(name, std::move(fn)); });
    imports->watchDrops(listView_, listView2_, tree_);

    // 参考図を追加 › 登録済み写真から選択.
    auto* drawings = new TDrawingCommands(bench.job(), bench.tree(), *list, messages_, this, this);
    drawings->installHandlers([this](const QString& name, std::function<void()> fn) { setHandler(name, std::move(fn)); });

    // The viewer timer's tick: the focused list's one selected item (and the
    // file chooser's 表示) in the actual-size viewer.
    auto* views = new TViewCommands(bench.job(), messages_, this, this);
    views->hooks.focusedListSelection = [list] { return list->focusedListSelection(); };
    views->placeHooks = {[this](const QString& n, QRect& b, bool& m) { return restoreWindowPlace(n, b, m); },
                         [this](const QString& n, const QRect& b, bool m) { saveWindowPlace(n, b, m); }};
    views->installHandlers([this](const QString& name, std::function<void()> fn) { setHandler(name, std::move(fn)); });
    imports->hooks.showPicture = [views](const QString& path) { views->showFile(path); };
    connect(this, &TZbMainForm::savingPositions, views, &TViewCommands::savePlacement);

    // 補正, 回転, オリジナルの写真に戻す, クリップボードへコピー, ファイルに保存 and
    // サムネイル再構築 on the focused list's selection.
    auto* edits = new TEditCommands(bench.job(), messages_, *progress_, this, this);
    edits->hooks.listFocused = [list] { return list->listFocused(); };
    edits->hooks.focusedSelection = [list] { return list->focusedListSelection(); };
    edits->hooks.rowChanged = [list](RECORD r) { list->repaintRecord(r); };
    edits->hooks.refreshPanels = [this, list] {
        list->refillDrawingList();
        restartButtonTimer();
    };
    edits->hooks.settingsFolder = [this] { return folders_.iniDir; };
    edits->hooks.saveFolder = [] { return appSettings().saveFilePath; };
    edits->hooks.setSaveFolder = [](const QString& folder) { appSettings().saveFilePath = folder; };
    edits->installHandlers([this](const QString& name, std::function<void()> fn) { setHandler(name, std::move(fn)); });

    // TWAIN機器から (photos and drawings) and パノラマ: each page or panorama
    // is imported like a chosen file.
    auto* scans = new TScanCommands(bench.job(), messages_, this, this);
    scans->hooks.importFile = [imports](const QString& file, bool drawing) {
        return imports->importPaths(QStringList{file}, drawing);
    };
    scans->hooks.drawingListFocused = [list] { return list->drawingListFocused(); };
    scans->hooks.focusedSelection = [list] { return list->focusedListSelection(); };
    scans->hooks.settingsFolder = [this] { return folders_.iniDir; };
    scans->installHandlers([this](const QString& name, std::function<void()> fn) { setHandler(name, std::move(fn)); });

    // ＸＭＬ保存, ＸＭＬ読込 and HTML工事写真帳作成.
    auto* delivery = new TDeliveryCommands(bench.job(), bench.tree(), messages_, *progress_, this, this);
    delivery->installHandlers([this](const QString& name, std::function<void()> fn) { setHandler(name, std::move(fn)); });

    connect(&bench, &TJobWorkbench::jobNameChanged, this, &TZbMainForm::setJobName);
    connect(&bench.tree(), &HierarchyModel::selectedChanged, this, [this] { restartButtonTimer(); });
    connect(&bench.tree(), &HierarchyModel::modified, this, [this] { restartButtonTimer(); });
    bench.readDataSort = [] { return appSettings().dataSort; };
    bench.writeDataSort = [](int sort) { appSettings().dataSort = sort; };

    bench.installHandlers([this](const QString& name, std::function<void()> fn) { setHandler(name, std::move(fn)); });
    // 削除 and the arrows are shared with the photo lists: with the tree
    // focused they work on the selected folder.
    setTreeHandler(QStringLiteral("Mn_Delete"), [&bench] { bench.deleteFolder(); });
    setTreeHandler(cmd::kMoveUp, [&bench] { bench.moveFolder(true); });
    setTreeHandler(cmd::kMoveDown, [&bench] { bench.moveFolder(false); });
    // Delete alone deletes the folder when the DeleteOneKey setting is on.
    for (QWidget* w : {static_cast<QWidget*>(tree_), static_cast<QWidget*>(listView_), static_cast<QWidget*>(listView2_)}) {
        auto* del = new QShortcut(QKeySequence(Qt::Key_Delete), w, nullptr, nullptr, Qt::WidgetShortcut);
        connect(del, &QShortcut::activated, this, [this] {
            if (!appSettings().deleteOneKey)
                return;
            updateButtons();
            if (QAction* a = action(QStringLiteral("Mn_Delete")); a && a->isEnabled())
                a->trigger();
        });
    }

    // The photo information follows the photo list's selection.
    TPhotoListPanel* photos = bench.photoList();
    PhotoSelection selection;
    selection.selectedRecords = [photos] { return photos->selectedRecords(); };
    selection.currentRecord = [photos] { return photos->currentRecord(); };
    selection.currentIndex = [photos] { return photos->currentIndex(); };
    selection.count = [photos] { return photos->listView() ? photos->listView()->count() : 0; };
    selection.selectRow = [photos](int index) { photos->selectRow(index); };
    selection.setCaption = [photos](RECORD record, const QString& text) { photos->setCaption(record, text); };
    selection.repaintRecord = [photos](RECORD record) { photos->repaintRecord(record); };
    selection.hasFocus = [this] {
        const QWidget* f = QApplication::focusWidget();
        return f && listView_ && (f == listView_ || listView_->isAncestorOf(f));
    };
    items_->setSelection(selection);
    connect(photos, &TPhotoListPanel::selectionChanged, items_, &TItemPanel::selectionChanged);

    // 工事写真帳, 書式設定 and 工事写真帳に追加: the album and format editor.
    auto* albums = new TAlbumCommands(bench.job(), messages_, *progress_, this, this);
    albums->hooks.focusedSelection = [list] { return list->focusedListSelection(); };
    albums->hooks.refreshLists = [this] { restartButtonTimer(); };
    albums->hooks.restorePlace = [this](const QString& n, QRect& b, bool& m) { return restoreWindowPlace(n, b, m); };
    albums->hooks.savePlace = [this](const QString& n, const QRect& b, bool m) { saveWindowPlace(n, b, m); };
    albums->hooks.restoreBands = [this](const QString& n) { return positions_ ? positions_->restoreBands(n) : QByteArray(); };
    albums->hooks.saveBands = [this](const QString& n, const QByteArray& s) {
        if (positions_)
            positions_->saveBands(n, s);
    };
    albums->installHandlers([this](const QString& name, std::function<void()> fn) { setHandler(name, std::move(fn)); });
    // Closing the job (another job opened) and ending the program both close
    // the editor first, which may refuse.
    bench.job().hooks.closeAlbumEditor = [albums] { return albums->closeEditor(); };
    hooks_.closeAlbumEditor = [albums] { return albums->closeEditor(); };
    hooks_.albumEditorShowing = [albums] { return albums->editorShowing(); };

    // マスタ, 検索, 一覧解除 and 入力漏れの検証, with list mode.
    auto* search = new TSearchCommands(folders_, bench.job(), bench.tree(), bench.treePanel(), photos, messages_,
                                       *progress_, this, this);
    search->hooks.removePhotoTab = [this] { items_->removePhotoTab(); };
    search->hooks.setListClearVisible = [this](bool on) { action(QStringLiteral("Mn_ListClear"))->setVisible(on); };
    search->hooks.restartButtonTimer = [this] { restartButtonTimer(); };
    search->hooks.sankoTimer = &timerSanko_;
    search->installHandlers([this](const QString& name, std::function<void()> fn) { setHandler(name, std::move(fn)); });
    hooks_.listMode = [search] { return search->listMode(); };
    hooks_.masterWindowExists = [search] { return search->mastForm() && search->mastForm()->isVisible(); };
    bench.job().hooks.leaveListMode = [search] { return search->releaseListMode(false); };
}

bool TZbMainForm::treeHasFocus() const
{
    const QWidget* f = QApplication::focusWidget();
    return tree_ && f && (f == tree_ || tree_->isAncestorOf(f));
}

std::function<void()> TZbMainForm::handlerFor(const QString& name) const
{
    if (treeHandlers_.contains(name) && treeHasFocus())
        return treeHandlers_.value(name);
    return handlers_.value(name);
}

void TZbMainForm::setTreeHandler(const QString& name, std::function<void()> handler)
{
    treeHandlers_.insert(name, std::move(handler));
    if (shown_)
        updateButtons();
}

void TZbMainForm::setHandler(const QString& name, std::function<void()> handler)
{
    handlers_.insert(name, std::move(handler));
    if (QAction* a = action(name))
        a->setEnabled(true);
    if (shown_)
        updateButtons();
}

void TZbMainForm::updateToggleHints()
{
    const Settings& s = appSettings();
    auto hint = [this](const char* name, const QString& text) {
        QAction* a = action(QString::fromLatin1(name));
        a->setToolTip(text);
        a->setStatusTip(text);
        if (QToolButton* b = buttons_.value(QString::fromLatin1(name))) {
            b->setToolTip(text);
            b->setStatusTip(text);
        }
    };
    hint("SB_Swap", s.graphicSwap ? kSwapOn : kSwapOff);
    if (fitClicked_)
        hint("SB_Fit", s.thumbnailMinFit ? QStringLiteral("サムネイルの写真は最大値にあわせる")
                                         : QStringLiteral("サムネイルの写真は最小値にあわせる"));
    else
        hint("SB_Fit", s.thumbnailMinFit ? QStringLiteral("サムネイルの写真は最大幅にあわせる")
                                         : QStringLiteral("サムネイルの写真は最小幅にあわせる"));
    hint("SB_Quality", s.kouhini ? QStringLiteral("サムネイルを高速に表示") : QStringLiteral("サムネイルを高品位で表示"));
    hint("SB_Size", s.iconStyle == 0 ? QStringLiteral("カスタムサイズ") : QStringLiteral("標準サイズ"));
    // The lists follow the toggles: a new size refills, the modes repaint.
    if (bench_)
        bench_->photoList()->applySettings();
}

// ---------------------------------------------------------------- enabling

WindowState TZbMainForm::currentState() const
{
    WindowState s;
    QWidget* f = QApplication::focusWidget();
    if (treeHasFocus())
        s.focus = FocusArea::Tree;
    else if (f && (f == listView_ || listView_->isAncestorOf(f)))
        s.focus = FocusArea::PhotoList;
    else if (f && (f == listView2_ || listView2_->isAncestorOf(f)))
        s.focus = FocusArea::DrawingList;

    s.listMode = hooks_.listMode && hooks_.listMode();
    s.albumEditorShowing = hooks_.albumEditorShowing && hooks_.albumEditorShowing();
    s.masterWindowExists = hooks_.masterWindowExists && hooks_.masterWindowExists();
    const HierarchyModel& tree = bench_->tree();
    if (const FolderNode* node = tree.selected()) {
        switch (tree.fixedKind(node)) {
        case HierarchyModel::Fixed::Unclassified: s.folder = FolderKind::Unclassified; break;
        case HierarchyModel::Fixed::PhotoRoot: s.folder = FolderKind::Root; break;
        case HierarchyModel::Fixed::Recycle: s.folder = FolderKind::Trash; break;
        case HierarchyModel::Fixed::None: s.folder = FolderKind::Normal; break;
        }
        s.folderLevel = node->level();
    }
    s.photosSelected = int(listView_->selectedItems().size());
    if (s.focus == FocusArea::PhotoList)
        s.focusedListSelected = s.photosSelected;
    else if (s.focus == FocusArea::DrawingList)
        s.focusedListSelected = int(listView2_->selectedItems().size());
    s.focusedItemEdited = s.focusedListSelected == 1 && hooks_.focusedItemEdited && hooks_.focusedItemEdited();
    if (hooks_.canMove) {
        s.canMoveUp = hooks_.canMove(true);
        s.canMoveDown = hooks_.canMove(false);
    }
    return s;
}

void TZbMainForm::applyEnabling(const Enabling& e)
{
    auto set = [this](const QString& name, bool rule) {
        if (QAction* a = action(name))
            a->setEnabled(rule && static_cast<bool>(handlerFor(name)));
    };
    auto setMenu = [this](const QString& name, bool rule) {
        QMenu* m = menu(name);
        bool any = false;
        for (QAction* a : m->actions())
            any = any || (!a->isSeparator() && handlers_.contains(a->objectName()));
        m->menuAction()->setEnabled(rule && any);
        return rule && any;
    };
    set(QStringLiteral("Mn_JobList"), e.jobList);
    set(QStringLiteral("Mn_Search"), e.search);
    set(cmd::kMoveUp, e.moveUp);
    set(cmd::kMoveDown, e.moveDown);
    set(QStringLiteral("Mn_Original"), e.restoreOriginal);
    set(QStringLiteral("Mn_Delete"), e.remove);
    set(cmd::kTreeRename, e.renameFolder);
    set(cmd::kTreeNew, e.newFolder);
    set(cmd::kMaster, e.master);
    set(QStringLiteral("Mn_Correct"), e.correct);
    set(QStringLiteral("Mn_View"), e.view);
    set(QStringLiteral("Mn_AlbumAdd"), e.albumAdd);

    buttons_.value(QStringLiteral("SB_Import"))->setEnabled(setMenu(QStringLiteral("Mn_Import"), e.import));
    buttons_.value(QStringLiteral("SB_Drawing"))->setEnabled(setMenu(QStringLiteral("Mn_Drawing"), e.drawing));
    const bool panorama = setMenu(QStringLiteral("Mn_Panorama"), e.panorama);
    QToolButton* pano = buttons_.value(QStringLiteral("SB_Panorama"));
    pano->setEnabled(panorama);
    pano->setMenu(e.panoramaBothSources ? panoramaMenu_ : nullptr);
    pano->setPopupMode(e.panoramaBothSources ? QToolButton::InstantPopup : QToolButton::DelayedPopup);

    QToolButton* seek = buttons_.value(QStringLiteral("SB_Search"));
    seek->setMenu(e.searchDropDown ? seekPopup_ : nullptr);

    listView_->setAcceptDrops(e.drops);
    listView2_->setAcceptDrops(e.drops);
}

void TZbMainForm::updateButtons() { applyEnabling(computeEnabling(currentState())); }

void TZbMainForm::restartButtonTimer()
{
    if (!closing_)
        timerButton_.start();
}

bool TZbMainForm::isEditingControl(const QWidget* w)
{
    if (!w)
        return false;
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w)
        || qobject_cast<const QAbstractSpinBox*>(w))
        return true;
    if (auto* c = qobject_cast<const QComboBox*>(w))
        return c->isEditable();
    for (const QWidget* p = w; p; p = p->parentWidget())
        if (qobject_cast<const QTableView*>(p) || p->property("zbGrid").toBool())
            return true;
    return false;
}

// ---------------------------------------------------------------- events

bool TZbMainForm::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        // Keys typed into an edit box or a grid keep their editing meaning.
        // Floating panels are windows of their own but still belong here.
        QWidget* focus = QApplication::focusWidget();
        bool mine = false;
        for (QWidget* p = focus; p && !mine; p = p->parentWidget())
            mine = p == this;
        if (mine && isEditingControl(focus)) {
            auto* k = static_cast<QKeyEvent*>(e);
            if (k->key() != Qt::Key_F1 && (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != Qt::AltModifier) {
                e->accept();
                return true;
            }
        }
    }
    // Dragging a panel with Ctrl held keeps it from docking.
    if (auto* d = qobject_cast<QDockWidget*>(watched)) {
        if (e->type() == QEvent::MouseButtonPress) {
            const bool ctrl = static_cast<QMouseEvent*>(e)->modifiers() & Qt::ControlModifier;
            d->setAllowedAreas(ctrl ? Qt::NoDockWidgetArea : Qt::AllDockWidgetAreas);
        } else if (e->type() == QEvent::MouseButtonRelease) {
            d->setAllowedAreas(Qt::AllDockWidgetAreas);
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

bool TZbMainForm::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip) {
        showHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

void TZbMainForm::showHint(const QString& hint)
{
    panels_[0]->setText(hint.isEmpty() ? defaultStatus_ : QLatin1Char(' ') + hint);
}

void TZbMainForm::setStatusText(const QString& text)
{
    defaultStatus_ = text;
    panels_[0]->setText(text);
}

void TZbMainForm::setJobName(const QString& name)
{
    jobName_ = name;
    // The application's title follows the caption; it is set first, so that
    // the caption is not followed by the title once more on the title bar.
    QGuiApplication::setApplicationDisplayName(mainCaption(name));
    setWindowTitle(mainCaption(name));
    panels_[3]->setText(name.isEmpty() ? QString() : QLatin1Char(' ') + name);
}

void TZbMainForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!shown_) {
        shown_ = true;
        onFirstShow();
    }
}

void TZbMainForm::onFirstShow()
{
    readSettings();
    // The item grids are set up once the filter setting is known.
    items_->firstSetUp(folders_.userFile + items::kMenuFileName);
    restorePositions();
    updateButtons();
    timerIdle_.start();
    timerStart_.start();
    emit firstShown();
}

void TZbMainForm::onStartTimer()
{
    timerStart_.stop();
    if (splash_) {
        splash_->hide();
        splash_->deleteLater();
        splash_.clear();
        QApplication::restoreOverrideCursor();
    }
    // The job list; choosing no job ends the program.
    if (hooks_.openJobList && !hooks_.openJobList())
        close();
}

void TZbMainForm::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::WindowStateChange) {
        const bool nowMinimised = windowState() & Qt::WindowMinimized;
        if (nowMinimised && !minimised_) {
            hiddenByMinimise_.clear();
            for (QDockWidget* d : {floatMenu_, floatClip_, floatMime_})
                if (d->isFloating() && d->isVisible())
                    hiddenByMinimise_ << d;
            for (const QPointer<QWidget>& w : toolWindows_)
                if (w && w->isVisible())
                    hiddenByMinimise_ << w;
            for (const QPointer<QWidget>& w : hiddenByMinimise_)
                w->hide();
        } else if (!nowMinimised && minimised_) {
            for (const QPointer<QWidget>& w : hiddenByMinimise_)
                if (w)
                    w->show();
            hiddenByMinimise_.clear();
        }
        minimised_ = nowMinimised;
    } else if (e->type() == QEvent::PaletteChange) {
        QPalette tabPal = tabSet_->palette();
        tabPal.setColor(QPalette::Window, dialogAccentColor());
        tabSet_->setPalette(tabPal);
    }
    QMainWindow::changeEvent(e);
}

void TZbMainForm::registerToolWindow(QWidget* w) { toolWindows_ << w; }

void TZbMainForm::setReclaimVisible(bool on) { action(QStringLiteral("Mn_Reclaim"))->setVisible(on); }

QTimer* TZbMainForm::timer(const QString& name)
{
    for (QTimer* t : {&timerStart_, &timerButton_, &timerSanko_, &timerNoSel_, &timerView_, &timerScroll_})
        if (t->objectName() == name)
            return t;
    return nullptr;
}

bool TZbMainForm::busy() const { return busy_ || BusyMark::isSet(); }

void TZbMainForm::closeEvent(QCloseEvent* e)
{
    // Closing in the middle of an import or a save would close the job under
    // it: the request waits until the operation has ended (or was stopped
    // with ESC), and is carried out then.
    if (busy()) {
        e->ignore();
        if (!closing_) {
            closeHeld_ = true;
            heldClose_.start();
        }
        return;
    }
    ShutdownSteps s;
    s.closeAlbumEditor = hooks_.closeAlbumEditor;
    s.setBusy = [this](bool on) { busy_ = on; };
    s.saveJob = hooks_.saveJob;
    s.removeJobMarker = hooks_.removeJobMarker;
    s.maintenanceRequested = [this] { return maintenanceOnExit_; };
    s.startMaintenance = [this] { startProgram(folders_.programDir + QStringLiteral("ZOVAVE")); };
    s.writeSettings = [this] { writeSettings(); };
    s.writeDockLayout = [this] { writeDockLayout(); };
    if (!runShutdown(s)) {
        e->ignore();
        return;
    }
    closing_ = true;
    busy_ = false;  // the shutdown's saves are done
    timerIdle_.stop();
    timerButton_.stop();
    heldClose_.stop();
    // The windows opened from here (the master window, the search results)
    // close with the main window, so that the program ends.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible())
            w->close();
    e->accept();
}

// ---------------------------------------------------------------- settings

void TZbMainForm::readSettings()
{
    Settings& s = appSettings();
    s.setPathDefaults(folders_);
    store_->readMain(s);
    store_->readCommon(appCommonSettings());

    action(QStringLiteral("SB_Swap"))->setChecked(s.graphicSwap);
    action(QStringLiteral("SB_Fit"))->setChecked(s.thumbnailMinFit);
    action(QStringLiteral("SB_Quality"))->setChecked(s.kouhini);
    action(QStringLiteral("SB_Size"))->setChecked(s.iconStyle == 1);
    action(QStringLiteral("SB_InputLevel"))->setChecked(s.inputLevel);
    updateToggleHints();
}

QString TZbMainForm::dockLayoutPath() const { return folders_.localTemp + kDockLayoutName; }

void TZbMainForm::restorePositions()
{
    positions_ = std::make_unique<WindowPositions>(folders_.localTemp + kPositionsName);
    positions_->setResetPending(resetPending_);

    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const WindowPlacement w = positions_->restoreWindow(WindowPositions::sectionFor(kFormName), normalGeometry(),
                                                        true, desktop);
    setGeometry(w.bounds);
    if (w.maximised)
        setWindowState(windowState() | Qt::WindowMaximized);

    // The docking layout is laid into the window at the size it was saved at
    // (restored into another size, the panels lose the difference, and more
    // at every start).
    QFile layout(dockLayoutPath());
    if (layout.open(QIODevice::ReadOnly)) {
        // A damaged layout file is ignored and the built-in layout stays.
        if (!restoreState(layout.read(1 << 20), kLayoutVersion))
            qWarning("docking layout %s not used", qPrintable(dockLayoutPath()));
    }
    for (QDockWidget* d : {floatMenu_, floatClip_, floatMime_}) {
        const PanelPlacement p = positions_->restorePanel(WindowPositions::sectionFor(d->objectName()), d->geometry(),
                                                          d->isVisible(), size());
        d->setVisible(p.visible);
        if (d->isFloating())
            d->setGeometry(p.bounds);
    }
}

bool TZbMainForm::restoreWindowPlace(const QString& name, QRect& bounds, bool& maximised) const
{
    // A window never placed before keeps the place its owner gives it.
    if (!positions_ || !positions_->kept(WindowPositions::sectionFor(name)))
        return false;
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const WindowPlacement p = positions_->restoreWindow(WindowPositions::sectionFor(name), bounds, true, desktop);
    bounds = p.bounds;
    maximised = p.maximised;
    return true;
}

void TZbMainForm::saveWindowPlace(const QString& name, const QRect& normalBounds, bool maximised)
{
    if (positions_)
        positions_->saveWindow(WindowPositions::sectionFor(name), normalBounds, maximised);
}

void TZbMainForm::savePositions()
{
    if (!positions_)
        return;  // the window was never shown: nothing was read
    positions_->setResetPending(resetPending_);
    emit savingPositions();
    positions_->saveWindow(WindowPositions::sectionFor(kFormName), normalGeometry(), isMaximized());
    // A panel that minimising hid is still one the user keeps open.
    for (QDockWidget* d : {floatMenu_, floatClip_, floatMime_})
        positions_->savePanel(WindowPositions::sectionFor(d->objectName()), d->geometry(),
                              d->isVisible() || hiddenByMinimise_.contains(QPointer<QWidget>(d)));
    QString error;
    if (!positions_->save(&error))
        qWarning("%s: %s", qPrintable(folders_.localTemp + kPositionsName), qPrintable(error));
}

void TZbMainForm::writeSettings()
{
    QString error, leftOut;
    if (!store_->writeMain(appSettings(), &error, &leftOut))
        messages_.warning(store_->iniPath() + QStringLiteral("\r\n") + error);
    else if (!leftOut.isEmpty())
        messages_.warning(settingsLeftOutText(store_->iniPath(), leftOut));
    if (!store_->writeCommon(appCommonSettings(), &error, &leftOut))
        messages_.warning(store_->commonPath() + QStringLiteral("\r\n") + error);
    else if (!leftOut.isEmpty())
        messages_.warning(settingsLeftOutText(store_->commonPath(), leftOut));
    savePositions();
}

void TZbMainForm::writeDockLayout()
{
    if (!shown_)
        return;
    if (resetPending_) {
        QFile::remove(dockLayoutPath());
        return;
    }
    QSaveFile f(dockLayoutPath());
    if (f.open(QIODevice::WriteOnly)) {
        f.write(saveState(kLayoutVersion));
        f.commit();
    }
}

bool TZbMainForm::layoutResetPending() const { return resetPending_; }

void TZbMainForm::askLayoutReset()
{
    if (messages_.ask(kAskLayoutReset)) {
        resetPending_ = true;
        // Windows closed from now on keep nothing either.
        if (positions_)
            positions_->setResetPending(true);
    }
}

// ---------------------------------------------------------------- commands

void TZbMainForm::openEnvironment()
{
    if (hooks_.saveJob)
        hooks_.saveJob();
    CommonSettings& common = appCommonSettings();
    store_->readCommon(common);
    // Secondary windows are made through the resource guard.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool resources = resourcesOk(freeResources(), messages_);
    QApplication::restoreOverrideCursor();
    if (!resources)
        return;
    TSetForm form(this);
    // The contractor fields get the character modes of the item rows.
    form.setConversion([](const QString& text, ContractorMode mode) {
        return items::convertText(text, mode == ContractorMode::HanSuji ? 1 : 3);
    });
    form.setValues(SetFormValues::from(appSettings(), common));
    if (form.exec() != QDialog::Accepted)
        return;
    form.values().applyTo(appSettings(), common);
    QString error, leftOut;
    if (!store_->writeCommon(common, &error, &leftOut))
        messages_.warning(store_->commonPath() + QStringLiteral("\r\n") + error);
    else if (!leftOut.isEmpty())
        messages_.warning(settingsLeftOutText(store_->commonPath(), leftOut));
    updateToggleHints();
}

void TZbMainForm::openUrl(const QString& url)
{
    if (!QDesktopServices::openUrl(QUrl(url)))
        messages_.information(kNoInternet);
}

void TZbMainForm::openHelp()
{
    if (!helpFile_.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile_));
}

void TZbMainForm::startCompanion()
{
    const int error = startProgram(folders_.programDir + QStringLiteral("ZBMIRU"));
    if (error != 0)
        messages_.errorAt(kProcessFailed + QString::number(error), QPoint(50, 50));
}

void TZbMainForm::idleCheck(const QDateTime& now)
{
    if (QApplication::activeModalWidget())
        return;  // not while a dialog waits for the user
    if (autoSaveClock_.due(now, appSettings().autoSaveTime, isVisible(), busy()))
        runAutoSave();
}

void TZbMainForm::runAutoSave()
{
    messages_.beep();
    const BusyMark::Scope mark;
    try {
        if (hooks_.saveJob)
            hooks_.saveJob();
        if (hooks_.flushTable)
            hooks_.flushTable();
    } catch (const std::exception& ex) {
        messages_.error(kAutoSaveFailed + QString::fromUtf8(ex.what()));
    }
}

}  // namespace zb
