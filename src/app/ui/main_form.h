#pragma once
// TZbMainForm: the main window. Tool bars, the three dockable panels around
// the photo list, the status bar, the main menu and the pop-up menus, all
// built from the command map. Commands whose work lives elsewhere are wired
// through setHandler(); a command without a handler stays disabled.
#include "app/command_map.h"
#include "settings/settings.h"
#include "app/startup.h"
#include "app/window_positions.h"
#include "store/folders.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class QDockWidget;
class QLabel;
class QListWidget;
class QMenu;
class QStackedWidget;
class QTabBar;
class QTableWidget;
class QToolBar;
class QToolButton;

namespace zb {

class BarProgress;
class DialogMessages;
class SettingsStore;
class TDataModule_Main;
class THierarchyTree;
class TItemPanel;
class TJobWorkbench;

// Hooks into the job life cycle and the album editor, which other parts of
// the program provide. Empty hooks mean: no job, no album editor.
struct JobHooks {
    std::function<bool()> openJobList;        // at start; false when the user chose no job
    std::function<SaveResult()> saveJob;      // saves the open job
    std::function<void()> flushTable;         // the photo table's buffers to disk
    std::function<void()> removeJobMarker;    // <job>.ER of the open job
    std::function<bool()> closeAlbumEditor;   // false when it stayed open
    std::function<bool()> albumEditorShowing;
    std::function<bool()> masterWindowExists;
    std::function<bool()> listMode;
    std::function<bool()> focusedItemEdited;  // the single selected item has an edited picture
    std::function<bool(bool up)> canMove;     // the focused list or tree allows the move
};

class TZbMainForm : public QMainWindow {
    Q_OBJECT
public:
    // The window owns the job workbench (job list, job life cycle, hierarchy
    // tree) built on the data module, which must outlive the window.
    TZbMainForm(const Folders& folders, DialogMessages& messages, TDataModule_Main& data, QWidget* parent = nullptr);
    ~TZbMainForm() override;

    // ---- commands
    QAction* action(const QString& name) const { return actions_.value(name); }
    QMenu* menu(const QString& name) const { return menus_.value(name); }
    QMenu* treePopupMenu() const { return treePopup_; }
    QMenu* listPopupMenu() const { return listPopup_; }
    QMenu* drawingPopupMenu() const { return drawingPopup_; }
    QToolButton* toolButton(const QString& name) const { return buttons_.value(name); }
    // Gives a command its work and enables it (subject to the enabling rules).
    void setHandler(const QString& name, std::function<void()> handler);
    bool hasHandler(const QString& name) const { return handlers_.contains(name); }

    // Gives a shared command (削除, up, down) its work while the hierarchy tree
    // has the focus; elsewhere the command's ordinary handler runs.
    void setTreeHandler(const QString& name, std::function<void()> handler);

    // The hooks are wired to the job workbench in the constructor; a test may
    // replace them, or clear openJobList to start without the job list.
    void setJobHooks(JobHooks hooks) { hooks_ = std::move(hooks); }
    JobHooks& jobHooks() { return hooks_; }
    TJobWorkbench& workbench() { return *bench_; }
    void setSplash(QWidget* splash) { splash_ = splash; }
    void setJobName(const QString& name);
    const QString& jobName() const { return jobName_; }

    // ---- state
    WindowState currentState() const;
    void applyEnabling(const Enabling& e);
    // True while a job opens or saves, while a long loop runs (BusyMark) and
    // during shutdown: the automatic save waits and a close is held.
    bool busy() const;
    void setBusy(bool on) { busy_ = on; }
    // True while a close request waits for a long operation to end.
    bool closeHeld() const { return closeHeld_; }
    bool layoutResetPending() const;
    // The program folder's ZOVAVE is started at shutdown when set.
    void requestMaintenanceOnExit() { maintenanceOnExit_ = true; }
    // Tool windows that minimising hides and restoring shows again.
    void registerToolWindow(QWidget* w);
    // "領域の確保(&G)..." shows only while the job's picture file is too large.
    void setReclaimVisible(bool on);
    // The window's timers by name (Timer_Start, Timer_Button, Timer_Sanko,
    // Timer_NoSel, Timer, Timer_Scroll), for the parts that do their work.
    QTimer* timer(const QString& name);

    // ---- parts
    QDockWidget* floatMenu() const { return floatMenu_; }
    QDockWidget* floatClip() const { return floatClip_; }
    QDockWidget* floatMime() const { return floatMime_; }
    QListWidget* listView() const { return listView_; }
    QListWidget* listView2() const { return listView2_; }
    // TV_Tree, the hierarchy tree of the panel 工事階層.
    THierarchyTree* tree() const { return tree_; }
    bool treeHasFocus() const;
    QTabBar* tabSet() const { return tabSet_; }
    // The panel 工事／写真情報 with the two item grids.
    TItemPanel* itemPanel() const { return items_; }
    QLabel* statusPanel(int i) const { return panels_.value(i); }
    BarProgress& progress() { return *progress_; }
    DialogMessages& messages() { return messages_; }
    const Folders& folders() const { return folders_; }
    SettingsStore& settingsStore() { return *store_; }
    QString helpFile() const { return helpFile_; }

    // Positions of secondary windows, kept with the main window's in ZB_M.INI
    // (section "Sz_" + name). restoreWindowPlace gives the remembered bounds
    // (defaults: `bounds`), false when none is kept for the window (or
    // before the positions were read).
    bool restoreWindowPlace(const QString& name, QRect& bounds, bool& maximised) const;
    void saveWindowPlace(const QString& name, const QRect& normalBounds, bool maximised);

    // Status panel 0; an empty text restores the default text.
    void showHint(const QString& hint);
    void setStatusText(const QString& text);

    // The automatic save's check, as the idle timer runs it.
    void idleCheck(const QDateTime& now);
    AutoSaveClock& autoSaveClock() { return autoSaveClock_; }

    // Restarts the enabling-rule timer (after selection and focus changes).
    void restartButtonTimer();
    // Runs the enabling rules now.
    void updateButtons();

    // Keyboard routing: shortcuts reach the menu only when the focus is not in
    // an edit box or a grid.
    static bool isEditingControl(const QWidget* w);

signals:
    void firstShown();
    // The window positions are about to be written: open secondary windows
    // save theirs through saveWindowPlace.
    void savingPositions();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void buildActions();
    QAction* actionFor(const MenuEntry& e);
    QMenu* menuFor(const MenuEntry& e);
    void fillMenu(QMenu* m, const std::vector<MenuEntry>& entries);
    QToolButton* addButton(QToolBar* bar, const QString& name, const QString& caption, const QString& hint,
                           QAction* action);
    void buildToolBars();
    void buildDocks();
    void buildStatusBar();
    void buildTimers();
    void wireCommands();
    void wireJob();
    std::function<void()> handlerFor(const QString& name) const;
    void updateToggleHints();

    void onFirstShow();
    void onStartTimer();
    void readSettings();
    void restorePositions();
    void savePositions();
    void writeSettings();
    void writeDockLayout();
    QString dockLayoutPath() const;

    void openEnvironment();
    void openUrl(const QString& url);
    void startCompanion();
    void openHelp();
    void askLayoutReset();
    void runAutoSave();

    Folders folders_;
    DialogMessages& messages_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<WindowPositions> positions_;
    std::unique_ptr<BarProgress> progress_;
    JobHooks hooks_;
    QString helpFile_;
    QString jobName_;
    QString defaultStatus_;
    bool busy_ = false;
    bool shown_ = false;
    bool maintenanceOnExit_ = false;
    bool resetPending_ = false;
    bool closing_ = false;
    bool closeHeld_ = false;
    QTimer heldClose_;  // carries out a held close once the operation has ended
    bool fitClicked_ = false;  // the fit toggle's hint changes wording once clicked

    QHash<QString, QAction*> actions_;
    QHash<QString, QMenu*> menus_;
    QHash<QString, std::function<void()>> handlers_;
    QHash<QString, std::function<void()>> treeHandlers_;
    TJobWorkbench* bench_ = nullptr;
    QHash<QString, QToolButton*> buttons_;
    QMenu* treePopup_ = nullptr;
    QMenu* listPopup_ = nullptr;
    QMenu* drawingPopup_ = nullptr;
    QMenu* seekPopup_ = nullptr;
    QMenu* panoramaMenu_ = nullptr;

    QDockWidget* floatMenu_ = nullptr;
    QDockWidget* floatClip_ = nullptr;
    QDockWidget* floatMime_ = nullptr;
    THierarchyTree* tree_ = nullptr;
    QListWidget* listView_ = nullptr;
    QListWidget* listView2_ = nullptr;
    QTabBar* tabSet_ = nullptr;
    TItemPanel* items_ = nullptr;
    QStackedWidget* grids_ = nullptr;
    QTableWidget* gridKoji_ = nullptr;
    QTableWidget* gridPhoto_ = nullptr;
    QList<QLabel*> panels_;

    QTimer timerStart_, timerButton_, timerSanko_, timerNoSel_, timerView_, timerScroll_, timerIdle_;
    AutoSaveClock autoSaveClock_;

    QList<QPointer<QWidget>> toolWindows_;
    QList<QPointer<QWidget>> hiddenByMinimise_;
    bool minimised_ = false;
    QPointer<QWidget> splash_;
};

// Web pages of the help menu.
inline const QString kHomePageUrl = QStringLiteral("https://www.example.jp/");
inline const QString kProductPageUrl = QStringLiteral("https://www.example.jp/zolbel/");

// The automatic save met an error of the table engine; its text follows.
inline const QString kAutoSaveFailed = QStringLiteral("工事データを自動保存できませんでした。\r\n");

// Quiet notices of the main window.
inline const QString kNoMsgLevel = QStringLiteral("工事フォルダは不正な階層レベルに写真が登録されています。");
inline const QString kNoMsgDoubble = QStringLiteral("同じ階層に同一の工事フォルダ名があります。");
inline const QString kNoMsgDiskmax = QStringLiteral("工事データの空き容量が不足しています。");
inline const QString kNoMsgDiskmaxDetail = QStringLiteral(
    "工事データの空き容量が不足していますので領域の確保を実行することができます。\r\n"
    "[ファイル]-[保守]-[領域の確保]を使用してください。\r\n\r\n"
    "(注意！ [ファイル]-[保守]-[領域の確保]は空き容量が不足している時以外は表示されません。)");

}  // namespace zb
