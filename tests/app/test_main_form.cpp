// The main window driven as a user would, on the offscreen platform.
#include "app/command_map.h"
#include "settings/settings.h"
#include "app/startup.h"
#include "app/ui/drag_scroll.h"
#include "app/ui/main_form.h"
#include "app/ui/set_form.h"
#include "album/ui/grph_main_form.h"
#include "controls/input_box.h"
#include "controls/dialog_messages.h"
#include "controls/message_dialog.h"
#include "controls/progress_bar.h"
#include "core/busy.h"
#include "core/inifile.h"
#include "core/scripted_ports.h"
#include "imaging/ui/frm_bithenkan.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "imaging/ui/view_form.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/ui/file_form.h"
#include "store/tree_file.h"
#include "support/temp_dir.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "workspace/ui/drawing_commands.h"
#include "workspace/ui/job_workbench.h"
#include "workspace/ui/sanko_form.h"
#include "workspace/ui/photo_list_panel.h"
#include "workspace/ui/tree_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_app_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

void clickButton(QWidget* w, const QString& text)
{
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == text) {
            QTest::mouseClick(b, Qt::LeftButton);
            return;
        }
    ADD_FAILURE() << "no button " << text.toStdString();
}

class MainForm : public ::testing::Test {
protected:
    zbtest::TempDir dir;
    Folders folders;
    DialogMessages messages;
    std::unique_ptr<TDataModule_Main> data;

    void SetUp() override
    {
        app();
        appSettings() = Settings{};
        appCommonSettings() = CommonSettings{};
        folders = resolveFolders(dir.path(), NetworkSettings{}, SharedDecision{}, dir.path());
        ScriptedMessages quiet;
        createFolders(folders, quiet);
        data = std::make_unique<TDataModule_Main>(folders, messages);
    }

    // A main window that starts without the job list (and so without a job).
    std::unique_ptr<TZbMainForm> open()
    {
        auto form = std::make_unique<TZbMainForm>(folders, messages, *data);
        form->jobHooks().openJobList = {};
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }
};

void checkMenu(TZbMainForm& form, const std::vector<MenuEntry>& entries, QMenu* menu)
{
    QList<QAction*> shown;
    for (QAction* a : menu->actions())
        shown << a;
    ASSERT_EQ(shown.size(), qsizetype(entries.size())) << menu->title().toStdString();
    for (size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& e = entries[i];
        QAction* a = shown[qsizetype(i)];
        if (e.isSeparator()) {
            EXPECT_TRUE(a->isSeparator());
            continue;
        }
        EXPECT_EQ(a->text(), e.caption) << e.name.toStdString();
        EXPECT_EQ(a->shortcut(), QKeySequence(e.shortcut, QKeySequence::PortableText)) << e.name.toStdString();
        if (!e.children.empty()) {
            ASSERT_NE(a->menu(), nullptr) << e.name.toStdString();
            checkMenu(form, e.children, a->menu());
        }
    }
}

}  // namespace

TEST_F(MainForm, MenusPanelsAndStatusBarFollowTheCommandMap)
{
    auto form = open();
    auto* bar = form->findChild<QMenuBar*>("MainMenu");
    ASSERT_NE(bar, nullptr);
    const QList<QAction*> tops = bar->actions();
    ASSERT_EQ(tops.size(), qsizetype(mainMenu().size()));
    for (size_t i = 0; i < mainMenu().size(); ++i) {
        EXPECT_EQ(tops[qsizetype(i)]->text(), mainMenu()[i].caption);
        checkMenu(*form, mainMenu()[i].children, tops[qsizetype(i)]->menu());
    }
    checkMenu(*form, treePopup(), form->treePopupMenu());
    checkMenu(*form, listPopup(), form->listPopupMenu());
    checkMenu(*form, drawingListPopup(), form->drawingPopupMenu());

    EXPECT_EQ(form->windowTitle(), QStringLiteral("ゾルベル for Windows"));
    EXPECT_EQ(form->floatMenu()->windowTitle(), QStringLiteral("工事階層"));
    EXPECT_EQ(form->floatClip()->windowTitle(), QStringLiteral("工事／写真情報"));
    EXPECT_EQ(form->floatMime()->windowTitle(), QStringLiteral("参考図"));
    EXPECT_EQ(form->dockWidgetArea(form->floatMenu()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(form->dockWidgetArea(form->floatClip()), Qt::RightDockWidgetArea);
    EXPECT_EQ(form->dockWidgetArea(form->floatMime()), Qt::RightDockWidgetArea);
    EXPECT_EQ(form->floatMenu()->width(), 360);
    EXPECT_EQ(form->floatClip()->width(), 360);
    EXPECT_LT(form->floatClip()->y(), form->floatMime()->y());
    EXPECT_EQ(form->tabSet()->tabText(0), QStringLiteral("工事情報 "));

    EXPECT_EQ(form->statusPanel(0)->width(), 300);
    EXPECT_EQ(form->statusPanel(1)->width(), 130);
    EXPECT_EQ(form->statusPanel(2)->width(), 120);

    // Hints go to panel 0 after a blank; an empty hint brings the status text back.
    form->setStatusText(QStringLiteral("準備完了"));
    QStatusTipEvent tip(QStringLiteral("削除"));
    QApplication::sendEvent(form.get(), &tip);
    EXPECT_EQ(form->statusPanel(0)->text(), QStringLiteral(" 削除"));
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(form.get(), &none);
    EXPECT_EQ(form->statusPanel(0)->text(), QStringLiteral("準備完了"));

    // Commands whose work comes later are there but disabled; the ones of
    // this window work.
    for (const char* name : {"Mn_XML_Write", "Mn_XML_Read", "Mn_Html"})
        EXPECT_TRUE(form->hasHandler(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(form->action("Mn_Backup")->isEnabled());
    EXPECT_FALSE(form->toolButton("SB_KouEdit")->isEnabled());
    EXPECT_FALSE(form->action("Mn_HelpSearch")->isEnabled());  // no help folder
    EXPECT_TRUE(form->action("Mn_Environment")->isEnabled());
    EXPECT_TRUE(form->action("Mn_Exit")->isEnabled());
    EXPECT_TRUE(form->action("Mn_PanelMime")->isChecked());
    EXPECT_FALSE(form->action("Mn_Reclaim")->isVisible());
}

TEST_F(MainForm, CtrlCInAnEditBoxDoesNotReachTheMenu)
{
    auto form = open();
    int copies = 0;
    form->setHandler("Mn_Copy", [&] { ++copies; });
    ASSERT_TRUE(form->action("Mn_Copy")->isEnabled());

    auto* edit = new QLineEdit(form->floatClip()->widget());
    edit->setText(QStringLiteral("工事名"));
    edit->show();
    form->activateWindow();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(copies, 0);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("工事名"));

    form->listView()->addItem(QStringLiteral("写真1"));
    form->listView()->setFocus();
    form->listView()->setCurrentRow(0);
    QTest::keyClick(form->listView(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copies, 1);
}

TEST_F(MainForm, EnablingFollowsTheFocusedTreeFolder)
{
    auto form = open();
    form->setHandler("Mn_ImportFile", [] {});
    HierarchyModel& model = form->workbench().tree();
    model.load(defaultHierarchy(), true);

    form->activateWindow();
    form->tree()->setFocus();
    struct Case {
        const char* path;
        bool import, newFolder, rename;
    } cases[] = {{"ごみ箱", true, false, false},
                 {"工事写真", false, true, false},
                 {"工事写真/工事", false, true, true},
                 {"工事写真/工事/着手前及び完成写真", true, true, true}};
    for (const Case& c : cases) {
        FolderNode* node = model.findPath(QString::fromUtf8(c.path));
        ASSERT_NE(node, nullptr) << c.path;
        model.select(node);
        form->updateButtons();
        EXPECT_EQ(form->toolButton("SB_Import")->isEnabled(), c.import) << c.path;
        EXPECT_EQ(form->toolButton("SB_TreeNew")->isEnabled(), c.newFolder) << c.path;
        EXPECT_EQ(form->toolButton("SB_TreeRename")->isEnabled(), c.rename) << c.path;
        EXPECT_EQ(form->toolButton("SB_Delete")->isEnabled(), c.rename) << c.path;
    }
    // Focus leaves the tree: the folder commands go off, import stays.
    form->listView()->setFocus();
    form->updateButtons();
    EXPECT_FALSE(form->toolButton("SB_TreeNew")->isEnabled());
    EXPECT_TRUE(form->toolButton("SB_Import")->isEnabled());
}

TEST_F(MainForm, MinimisingHidesFloatingPanelsAndRestoringShowsThemAgain)
{
    auto form = open();
    QDockWidget* mime = form->floatMime();
    mime->setFloating(true);
    mime->show();
    ASSERT_TRUE(mime->isVisible());
    form->setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(mime->isVisible());
    EXPECT_TRUE(form->floatMenu()->isVisibleTo(form.get()));
    form->setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(mime->isVisible());
    EXPECT_TRUE(mime->isFloating());
    EXPECT_FALSE(form->floatMenu()->isFloating());
    EXPECT_TRUE(form->floatMenu()->isVisible());

    // Closing while minimised remembers the panel as shown: the next start shows it.
    form->setWindowState(Qt::WindowMinimized);
    ASSERT_FALSE(mime->isVisible());
    EXPECT_TRUE(form->close());
    form.reset();
    form = open();
    EXPECT_TRUE(form->floatMime()->isVisible());
}

TEST_F(MainForm, SettingsAndPositionsSurviveARestart)
{
    QRect saved;
    {
        auto form = open();
        form->setGeometry(40, 50, 700, 500);
        saved = form->normalGeometry();
        form->floatMime()->hide();
        // The environment dialog, as a user fills it in.
        whenModal([](QWidget* w) {
            auto* set = qobject_cast<TSetForm*>(w);
            ASSERT_NE(set, nullptr);
            EXPECT_EQ(set->windowTitle(), QStringLiteral("環境設定"));
            EXPECT_EQ(set->tabs()->tabText(0), QStringLiteral("共通設定"));
            EXPECT_EQ(set->tabs()->tabText(1), QStringLiteral("自社名"));
            EXPECT_FALSE(set->tabs()->isTabVisible(2));
            auto* spin = set->findChild<QSpinBox*>("Spin_AutoSave");
            spin->setValue(5);
            QLineEdit* name = set->commonEdit("JUkeoi");
            name->setText(QStringLiteral("髙橋建設株式会社"));
            clickButton(w, QStringLiteral("登録(&R)"));
        });
        form->action("Mn_Environment")->trigger();
        EXPECT_EQ(appSettings().autoSaveTime, 5);
        // ZBCOMN.LST is written at once.
        IniFile common(folders.userFile + "ZBCOMN.LST");
        EXPECT_EQ(common.readString("ComnPrg_Env", "JUkeoi"), QStringLiteral("髙橋建設株式会社"));
        EXPECT_TRUE(form->close());
    }
    EXPECT_EQ(IniFile(folders.iniDir + "ZB.INI").readString("MainPrg_Env", "AutoSaveTime"), "5");
    EXPECT_TRUE(QFile::exists(folders.localTemp + "ZBM.DAT"));

    appSettings() = Settings{};
    appCommonSettings() = CommonSettings{};
    auto form = open();
    EXPECT_EQ(appSettings().autoSaveTime, 5);
    EXPECT_EQ(appCommonSettings().jUkeoi, QStringLiteral("髙橋建設株式会社"));
    EXPECT_EQ(form->normalGeometry(), saved);
    EXPECT_FALSE(form->floatMime()->isVisible());
    EXPECT_FALSE(form->action("Mn_PanelMime")->isChecked());
}

TEST_F(MainForm, PanelSizesComeBackExactlyAsTheyWereLeft)
{
    // The panels as the user left them; three restarts in a row change nothing.
    QSize clip, menu;
    for (int run = 0; run < 4; ++run) {
        auto form = open();
        if (run == 0) {
            form->setGeometry(20, 30, 780, 560);
            QApplication::processEvents();
            form->resizeDocks({form->floatMenu(), form->floatClip()}, {250, 330}, Qt::Horizontal);
            form->resizeDocks({form->floatClip()}, {280}, Qt::Vertical);
            QApplication::processEvents();
            clip = form->floatClip()->size();
            menu = form->floatMenu()->size();
            EXPECT_EQ(clip.width(), 330);
        }
        QApplication::processEvents();
        EXPECT_EQ(form->floatClip()->size(), clip) << run;
        EXPECT_EQ(form->floatMenu()->size(), menu) << run;
        EXPECT_EQ(form->normalGeometry(), QRect(20, 30, 780, 560)) << run;
        EXPECT_TRUE(form->close());
    }
}

TEST_F(MainForm, EnvironmentDialogCancelChangesNothing)
{
    auto form = open();
    whenModal([](QWidget* w) {
        w->findChild<QSpinBox*>("Spin_AutoSave")->setValue(30);
        clickButton(w, QStringLiteral("中止(&C)"));
    });
    form->action("Mn_Environment")->trigger();
    EXPECT_EQ(appSettings().autoSaveTime, 0);
}

TEST_F(MainForm, LayoutResetMakesTheNextStartUseTheBuiltInLayout)
{
    {
        auto form = open();
        form->setGeometry(40, 50, 800, 600);
        form->floatMime()->hide();
        EXPECT_TRUE(form->close());
    }
    ASSERT_TRUE(QFile::exists(folders.localTemp + "ZBM.DAT"));
    {
        auto form = open();
        EXPECT_FALSE(form->floatMime()->isVisible());
        QString asked;
        whenModal([&](QWidget* w) {
            asked = w->findChild<QLabel*>("Label_Text")->text();
            clickButton(w, kYesCaption);
        });
        form->action("Mn_LayoutReset")->trigger();
        EXPECT_EQ(asked, QStringLiteral("次回起動時に画面表示・ドッキング状態を初期化します。\nよろしいですか？"));
        EXPECT_TRUE(form->layoutResetPending());
        EXPECT_TRUE(form->close());
    }
    EXPECT_FALSE(QFile::exists(folders.localTemp + "ZBM.DAT"));
    EXPECT_FALSE(IniFile(folders.localTemp + "ZB_M.INI").sectionExists("Sz_ZbMainForm"));
    auto form = open();
    EXPECT_TRUE(form->floatMime()->isVisible());
    EXPECT_EQ(form->dockWidgetArea(form->floatMime()), Qt::RightDockWidgetArea);
}

TEST_F(MainForm, CloseRunsTheJobSaveAndTheAlbumEditorMayRefuse)
{
    auto form = open();
    QStringList log;
    bool editorCloses = false;
    JobHooks hooks;
    hooks.closeAlbumEditor = [&] { log << "album"; return editorCloses; };
    hooks.saveJob = [&] { log << "save"; return SaveResult::Saved; };
    hooks.removeJobMarker = [&] { log << "marker"; };
    form->setJobHooks(hooks);
    EXPECT_FALSE(form->close());
    EXPECT_EQ(log, QStringList{"album"});
    EXPECT_TRUE(form->isVisible());
    editorCloses = true;
    EXPECT_TRUE(form->close());
    EXPECT_EQ(log, (QStringList{"album", "album", "save", "marker"}));
    EXPECT_TRUE(QFile::exists(folders.iniDir + "ZB.INI"));
}

TEST_F(MainForm, AutomaticSaveRunsOnIdleAfterItsInterval)
{
    auto form = open();
    int saves = 0, flushes = 0;
    JobHooks hooks;
    hooks.saveJob = [&] {
        EXPECT_TRUE(form->busy());
        ++saves;
        return SaveResult::Saved;
    };
    hooks.flushTable = [&] { ++flushes; };
    form->setJobHooks(hooks);
    const QDateTime t0(QDate(2024, 4, 1), QTime(9, 0));
    form->autoSaveClock().restart(t0);
    appSettings().autoSaveTime = 0;
    form->idleCheck(t0.addSecs(3600));
    EXPECT_EQ(saves, 0);
    appSettings().autoSaveTime = 1;
    form->idleCheck(t0.addSecs(3600));
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(flushes, 1);
    EXPECT_FALSE(form->busy());
    form->idleCheck(t0.addSecs(3630));
    EXPECT_EQ(saves, 1);
}

TEST_F(MainForm, CompanionBrowserThatCannotStartIsReported)
{
    auto form = open();
    QString text;
    QPoint where;
    whenModal([&](QWidget* w) {
        text = static_cast<QMessageBox*>(w)->text();
        where = w->pos();
        clickButton(w, kOkCaption);
    });
    QTest::mouseClick(form->toolButton("SB_Miru"), Qt::LeftButton);
    EXPECT_EQ(text, QStringLiteral("指定のプロセスは実行出来ませんでした。Er=2"));
    EXPECT_EQ(where, QPoint(50, 50));
}

TEST_F(MainForm, ThumbnailTogglesSwitchTheirSettingsAndHints)
{
    auto form = open();
    QToolButton* swap = form->toolButton("SB_Swap");
    EXPECT_EQ(swap->toolTip(), QStringLiteral("写真のドロップ時に単項目は入替"));
    QTest::mouseClick(swap, Qt::LeftButton);
    EXPECT_TRUE(appSettings().graphicSwap);
    EXPECT_EQ(swap->toolTip(), QStringLiteral("写真のドロップ時に単項目は挿入"));

    QToolButton* fit = form->toolButton("SB_Fit");
    EXPECT_EQ(fit->toolTip(), QStringLiteral("サムネイルの写真は最小幅にあわせる"));
    QTest::mouseClick(fit, Qt::LeftButton);
    EXPECT_TRUE(appSettings().thumbnailMinFit);
    EXPECT_EQ(fit->toolTip(), QStringLiteral("サムネイルの写真は最大値にあわせる"));

    QToolButton* size = form->toolButton("SB_Size");
    EXPECT_EQ(size->toolTip(), QStringLiteral("カスタムサイズ"));
    QTest::mouseClick(size, Qt::LeftButton);
    EXPECT_EQ(appSettings().iconStyle, 1);
    EXPECT_EQ(size->toolTip(), QStringLiteral("標準サイズ"));
}

TEST_F(MainForm, NoJobChosenAtTheFirstStartEndsTheProgram)
{
    TZbMainForm form(folders, messages, *data);
    int asked = 0;
    JobHooks hooks;
    hooks.openJobList = [&] {
        ++asked;
        return false;
    };
    form.setJobHooks(hooks);
    form.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked > 0 && !form.isVisible(); }));
    EXPECT_EQ(asked, 1);
    // The settings read at the first show are written back at the end.
    EXPECT_TRUE(QFile::exists(folders.iniDir + "ZB.INI"));
}

namespace {

const QString kStatusPath = QStringLiteral("工事写真/工事/施工状況写真");

// A job on disk with the default tree and two photos in 施工状況写真.
void writeJob(const Folders& folders, const QString& name)
{
    Hierarchy h = defaultHierarchy();
    h[4].photos = {1, 2};
    ASSERT_TRUE(writeTreeFile(JobPaths{folders.dataFile, name}.treeFile(), TreeFile{JobHeader{}, h}));
}

// Drags files from the file manager onto a control and drops them there;
// false when the control refused the drag.
bool dropFiles(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint pos(20, 20);
    QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return true;
}

// Chooses a job in the job list when it shows; the list's close button text is kept.
void chooseInJobList(const QString& name, QString* closeText = nullptr)
{
    whenModal([=](QWidget* w) {
        auto* list = qobject_cast<TFileForm*>(w);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->windowTitle(), QStringLiteral("工事一覧"));
        if (closeText)
            *closeText = list->button(QStringLiteral("Button_Close"))->text();
        if (name.isEmpty()) {
            QTest::mouseClick(list->button(QStringLiteral("Button_Close")), Qt::LeftButton);
            return;
        }
        for (int r = 0; r < list->list()->rowCount(); ++r)
            if (list->list()->item(r, 0)->text() == name)
                list->list()->selectRow(r);
        QTest::mouseClick(list->button(QStringLiteral("Button_Run")), Qt::LeftButton);
    });
}

// Types a folder name into the input box when it shows.
void answerInputBox(const QString& text, QString* caption)
{
    whenModal([=](QWidget* w) {
        auto* box = qobject_cast<TInputBox*>(w);
        ASSERT_NE(box, nullptr);
        *caption = box->windowTitle();
        box->edit()->setText(text);
        clickButton(box, kOkCaption);
    });
}

}  // namespace

TEST_F(MainForm, ClosingClosesTheWindowsOpenedFromIt)
{
    auto form = open();
    auto* tool = new QDialog(form.get());  // a modeless window such as the master window
    tool->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tool));
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(tool->isVisible());
}

TEST_F(MainForm, StartOpensTheChosenJobAndQuittingSavesItAndRemovesItsMarker)
{
    writeJob(folders, QStringLiteral("J"));
    const JobPaths paths{folders.dataFile, QStringLiteral("J")};
    {
        TZbMainForm form(folders, messages, *data);
        QString closeText;
        chooseInJobList(QStringLiteral("J"), &closeText);
        form.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.jobName() == QStringLiteral("J"); }));
        EXPECT_EQ(closeText, QStringLiteral("終了(&X)"));
        EXPECT_EQ(form.windowTitle(), mainCaption(QStringLiteral("J")));
        EXPECT_TRUE(QFile::exists(paths.openMarker()));

        // The panel 工事階層 shows the job's tree with its level header.
        EXPECT_TRUE(form.floatMenu()->isAncestorOf(form.tree()));
        EXPECT_NE(form.floatMenu()->findChild<TLevelHeader*>(), nullptr);
        HierarchyModel& tree = form.workbench().tree();
        EXPECT_EQ(form.tree()->model(), &tree);
        ASSERT_NE(tree.findPath(kStatusPath), nullptr);

        // 新規 with the tree focused: a folder below 施工状況写真.
        auto focusTree = [&] {
            form.activateWindow();
            form.tree()->setFocus();
            return QTest::qWaitFor([&] { return form.treeHasFocus(); });
        };
        ASSERT_TRUE(focusTree());
        tree.select(tree.findPath(kStatusPath));
        form.updateButtons();
        ASSERT_TRUE(form.toolButton("SB_TreeNew")->isEnabled());
        QString caption;
        answerInputBox(QStringLiteral("床掘"), &caption);
        QTest::mouseClick(form.toolButton("SB_TreeNew"), Qt::LeftButton);
        EXPECT_EQ(caption, QStringLiteral("新規工事フォルダ"));
        EXPECT_NE(tree.findPath(kStatusPath + QStringLiteral("/床掘")), nullptr);

        // 削除 with the tree focused deletes 施工状況写真; its photos go to ごみ箱.
        ASSERT_TRUE(focusTree());
        tree.select(tree.findPath(kStatusPath));
        form.updateButtons();
        ASSERT_TRUE(form.toolButton("SB_Delete")->isEnabled());
        QString asked;
        whenModal([&](QWidget* w) {
            asked = w->findChild<QLabel*>("Label_Text")->text();
            clickButton(w, kYesCaption);
        });
        QTest::mouseClick(form.toolButton("SB_Delete"), Qt::LeftButton);
        EXPECT_EQ(asked, QString(kDeleteFolderConfirm).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        EXPECT_EQ(tree.findPath(kStatusPath), nullptr);
        EXPECT_EQ(tree.recycle()->photos, (QList<RECORD>{1, 2}));

        // With DeleteOneKey on, Delete alone asks as well; cancelling keeps the folder.
        appSettings().deleteOneKey = true;
        const QString safety = QStringLiteral("工事写真/工事/安全管理写真");
        ASSERT_TRUE(focusTree());
        tree.select(tree.findPath(safety));
        asked.clear();
        whenModal([&](QWidget* w) {
            asked = w->findChild<QLabel*>("Label_Text")->text();
            clickButton(w, kCancelCaption);
        });
        QTest::keyClick(form.tree(), Qt::Key_Delete);
        EXPECT_FALSE(asked.isEmpty());
        EXPECT_NE(tree.findPath(safety), nullptr);

        EXPECT_TRUE(form.close());
        EXPECT_FALSE(QFile::exists(paths.openMarker()));
    }
    // Everything is as it was left.
    const std::optional<TreeFile> saved = readTreeFile(paths.treeFile());
    ASSERT_TRUE(saved);
    HierarchyModel reread;
    reread.load(saved->folders);
    EXPECT_EQ(reread.findPath(kStatusPath), nullptr);
    EXPECT_EQ(reread.recycle()->photos, (QList<RECORD>{1, 2}));
}

// Files dragged from the file manager onto the photo list are imported into
// the selected folder and shown; the import commands have their handlers.
TEST_F(MainForm, FilesDroppedOnThePhotoListAreImportedAndShown)
{
    ASSERT_TRUE(writeTreeFile(JobPaths{folders.dataFile, QStringLiteral("J")}.treeFile(),
                              TreeFile{JobHeader{}, defaultHierarchy()}));
    QImage picture(64, 48, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    const QString a = dir.file("DSCF0001.JPG"), b = dir.file("DSCF0002.JPG");
    ASSERT_TRUE(picture.save(a, "JPG"));
    ASSERT_TRUE(picture.save(b, "JPG"));
    TZbMainForm form(folders, messages, *data);
    chooseInJobList(QStringLiteral("J"));
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.jobName() == QStringLiteral("J"); }));
    for (const char* name : {"Mn_ImportFile", "Mn_ImportFolder", "Mn_Paste"})
        EXPECT_TRUE(form.hasHandler(QString::fromLatin1(name))) << name;
    HierarchyModel& tree = form.workbench().tree();
    ASSERT_EQ(tree.selected(), tree.unclassified());

    ASSERT_TRUE(dropFiles(form.listView()->viewport(), {QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree.unclassified()->photos.size() == 2; }));
    EXPECT_EQ(tree.unclassified()->photos, (QList<RECORD>{1, 2}));
    // The list shows both, the last one selected; the tree file has them.
    EXPECT_EQ(form.listView()->count(), 2);
    EXPECT_TRUE(form.listView()->item(1)->isSelected());
    EXPECT_EQ(readTreeFile(JobPaths{folders.dataFile, QStringLiteral("J")}.treeFile())->folders[0].photos,
              (QList<RECORD>{1, 2}));
    EXPECT_TRUE(form.close());
}

// The photo edit commands work on the photo list's selection: a quarter turn
// and 補正 through the image-processing dialog write the edited picture.
TEST_F(MainForm, RotationAndCorrectionEditTheSelectedPhoto)
{
    ASSERT_TRUE(writeTreeFile(JobPaths{folders.dataFile, QStringLiteral("J")}.treeFile(),
                              TreeFile{JobHeader{}, defaultHierarchy()}));
    QImage picture(64, 48, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    const QString a = dir.file("DSCF0001.JPG");
    ASSERT_TRUE(picture.save(a, "JPG"));
    TZbMainForm form(folders, messages, *data);
    chooseInJobList(QStringLiteral("J"));
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.jobName() == QStringLiteral("J"); }));
    for (const char* name : {"Mn_Correct", "Mn_Rotate90", "Mn_Rotate180", "Mn_Rotate270", "Mn_Original", "Mn_Copy",
                             "Mn_SaveFile", "Mn_ThumbRebuild"})
        EXPECT_TRUE(form.hasHandler(QString::fromLatin1(name))) << name;
    HierarchyModel& tree = form.workbench().tree();
    ASSERT_TRUE(dropFiles(form.listView()->viewport(), {QUrl::fromLocalFile(a)}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.listView()->count() == 1; }));
    ASSERT_EQ(tree.unclassified()->photos, QList<RECORD>{1});
    form.listView()->setFocus();
    form.listView()->item(0)->setSelected(true);

    TTableNetWork& table = form.workbench().job().photoTable();
    PhotoFields f;
    f.lookUp(table);
    auto now = [&] {
        EXPECT_TRUE(table.locate(1));
        QImage image;
        image.loadFromData(table.readBlob(f[F_IMAGE_NOW]), "JPG");
        return image;
    };
    form.action(QStringLiteral("Mn_Rotate90"))->trigger();
    EXPECT_EQ(now().size(), QSize(48, 64));

    // 補正 (enabled once the window has seen the selection): brighten in the
    // dialog and apply.
    form.listView()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.action(QStringLiteral("Mn_Correct"))->isEnabled(); }));
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TFrm_BitHenkan*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->tabs->count(), 4);  // no effects page for a photo
        dialog->showTab(EditTab::Brightness);
        dialog->TrackBarEx_Akarusa.slider->setFocus();
        QTest::keyClick(dialog->TrackBarEx_Akarusa.slider, Qt::Key_PageUp);
        QTest::mouseClick(dialog->reflectButtons[0], Qt::LeftButton);

        dialog->applyAction->trigger();
    });
    const QRgb before = now().pixel(10, 10);
    form.action(QStringLiteral("Mn_Correct"))->trigger();
    const QRgb after = now().pixel(10, 10);
    EXPECT_EQ(now().size(), QSize(48, 64));
    EXPECT_NEAR(qRed(after), qRed(before) + 10, 3);
    EXPECT_NEAR(qBlue(after), qBlue(before) + 10, 3);
    EXPECT_TRUE(form.close());
}

// A close asked for while an import runs (here from a timer, as the window
// manager's close arrives between two files) waits for the import to end and
// is carried out then: every file is filed and saved, the job closed properly.
TEST_F(MainForm, CloseDuringAnImportWaitsForItsEnd)
{
    const JobPaths job{folders.dataFile, QStringLiteral("J")};
    ASSERT_TRUE(writeTreeFile(job.treeFile(), TreeFile{JobHeader{}, defaultHierarchy()}));
    QImage picture(64, 48, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    QList<QUrl> urls;
    for (int i = 1; i <= 6; ++i) {
        const QString f = dir.file(QStringLiteral("IMG_%1.JPG").arg(i));
        ASSERT_TRUE(picture.save(f, "JPG"));
        urls << QUrl::fromLocalFile(f);
    }
    TZbMainForm form(folders, messages, *data);
    chooseInJobList(QStringLiteral("J"));
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.jobName() == QStringLiteral("J"); }));
    HierarchyModel& tree = form.workbench().tree();

    // The window manager's close arrives once the import's progress bar is up.
    bool closedAtOnce = true, busyThen = false, asked = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &form, [&] {
        if (asked || !form.progress().running())
            return;
        asked = true;
        busyThen = form.busy();
        closedAtOnce = form.close();
    });
    closer.start(0);
    // The automatic save is due all the time but must not run inside the import.
    appSettings().autoSaveTime = 1;
    form.autoSaveClock().restart(QDateTime::currentDateTime().addSecs(-3600));
    int savesDuringImport = 0;
    const auto saveBefore = form.jobHooks().saveJob;
    form.jobHooks().saveJob = [&] {
        if (form.workbench().job().isOpen() && BusyMark::isSet() && !form.closeHeld())
            ++savesDuringImport;
        return saveBefore();
    };
    QTimer idle;
    QObject::connect(&idle, &QTimer::timeout, &form, [&] { form.idleCheck(QDateTime::currentDateTime()); });
    idle.start(0);

    ASSERT_TRUE(dropFiles(form.listView()->viewport(), urls));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }));
    idle.stop();
    closer.stop();

    ASSERT_TRUE(asked);
    EXPECT_TRUE(busyThen);
    EXPECT_FALSE(closedAtOnce);
    EXPECT_EQ(savesDuringImport, 0);
    EXPECT_EQ(tree.unclassified()->photos.size(), 6);
    EXPECT_FALSE(form.workbench().job().isOpen());
    EXPECT_FALSE(QFile::exists(job.openMarker()));
    EXPECT_EQ(readTreeFile(job.treeFile())->folders[0].photos, (QList<RECORD>{1, 2, 3, 4, 5, 6}));
}

// A job whose tree file cannot be written keeps the window open at close, with
// one message, the job and its marker.
TEST_F(MainForm, CloseWithAFailedSaveKeepsTheWindowAndTheJob)
{
    const JobPaths job{folders.dataFile, QStringLiteral("J")};
    writeJob(folders, QStringLiteral("J"));
    TZbMainForm form(folders, messages, *data);
    chooseInJobList(QStringLiteral("J"));
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.jobName() == QStringLiteral("J"); }));
    ASSERT_TRUE(QFile::remove(job.treeFile()));
    ASSERT_TRUE(QDir().mkpath(job.treeFile()));
    form.workbench().job().setChanged();
    QStringList shown;
    whenModal([&](QWidget* w) {
        shown << static_cast<QMessageBox*>(w)->text();
        clickButton(w, kOkCaption);
    });
    EXPECT_FALSE(form.close());
    EXPECT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.value(0).startsWith(QStringLiteral("工事階層ファイルを保存できませんでした。")));
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.busy());
    EXPECT_TRUE(form.workbench().job().isOpen());
    EXPECT_TRUE(QFile::exists(job.openMarker()));

    ASSERT_TRUE(QDir(job.treeFile()).removeRecursively());
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(QFile::exists(job.openMarker()));
    EXPECT_TRUE(readTreeFile(job.treeFile()));
}

TEST_F(MainForm, LeavingTheJobListAtStartEndsTheProgram)
{
    writeJob(folders, QStringLiteral("J"));
    TZbMainForm form(folders, messages, *data);
    chooseInJobList({});
    form.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }));
    EXPECT_TRUE(form.jobName().isEmpty());
    EXPECT_FALSE(QFile::exists(JobPaths{folders.dataFile, QStringLiteral("J")}.openMarker()));
}

TEST_F(MainForm, JobListCommandSwitchesJobsAndClosingItKeepsTheOpenJob)
{
    writeJob(folders, QStringLiteral("J"));
    writeJob(folders, QStringLiteral("K"));
    TZbMainForm form(folders, messages, *data);
    chooseInJobList(QStringLiteral("J"));
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.jobName() == QStringLiteral("J"); }));

    // Closing the list keeps J; its close button reads 閉じる now.
    QString closeText;
    chooseInJobList({}, &closeText);
    form.action("Mn_JobList")->trigger();
    EXPECT_EQ(closeText, QStringLiteral("閉じる(&C)"));
    EXPECT_EQ(form.jobName(), QStringLiteral("J"));

    // Choosing K opens it; J is no longer marked open. K's disk stands for a
    // nearly full one: 領域の確保 is offered; the automatic-save clock starts again.
    EXPECT_FALSE(form.action("Mn_Reclaim")->isVisible());
    setFreeSpaceProbe([](const QString&) { return qint64(10); });
    form.autoSaveClock().restart(QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    chooseInJobList(QStringLiteral("K"));
    QTest::mouseClick(form.toolButton("SB_Job"), Qt::LeftButton);
    setFreeSpaceProbe({});
    EXPECT_EQ(form.jobName(), QStringLiteral("K"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ゾルベル for Windows (K)"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), form.windowTitle());
    EXPECT_TRUE(form.action("Mn_Reclaim")->isVisible());
    EXPECT_LT(form.autoSaveClock().last().secsTo(QDateTime::currentDateTime()), 60);
    EXPECT_FALSE(QFile::exists(JobPaths{folders.dataFile, QStringLiteral("J")}.openMarker()));
    EXPECT_TRUE(QFile::exists(JobPaths{folders.dataFile, QStringLiteral("K")}.openMarker()));
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(QFile::exists(JobPaths{folders.dataFile, QStringLiteral("K")}.openMarker()));
}

// 書式設定 hides the main window while the formats are edited; closing the
// editor brings it back with the job still open, and the program goes on.
TEST_F(MainForm, ClosingTheFormatEditorBringsTheMainWindowBack)
{
    writeJob(folders, QStringLiteral("J"));
    TZbMainForm form(folders, messages, *data);
    chooseInJobList(QStringLiteral("J"));
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.jobName() == QStringLiteral("J"); }));
    bool lastWindowClosed = false;
    QObject::connect(qApp, &QGuiApplication::lastWindowClosed, &form, [&] { lastWindowClosed = true; });
    bool editorShown = false, mainHidden = false;
    whenModal([&](QWidget* w) {
        auto* editor = qobject_cast<album::TGrphMainForm*>(w);
        ASSERT_NE(editor, nullptr);
        editorShown = !editor->isAlbum();
        mainHidden = !form.isVisible();
        editor->close();
    });
    form.action("Mn_FormSetting")->trigger();
    QTest::qWait(50);
    EXPECT_TRUE(editorShown);
    EXPECT_TRUE(mainHidden);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(lastWindowClosed);
    EXPECT_EQ(form.jobName(), QStringLiteral("J"));
    EXPECT_TRUE(QFile::exists(JobPaths{folders.dataFile, QStringLiteral("J")}.openMarker()));
    EXPECT_TRUE(form.close());
}

// 終了 with the album editor open: the editor is closed first with its save
// question; Cancel keeps the editor, the main window and the job.
TEST_F(MainForm, ExitClosesTheAlbumEditorFirstAndItMayRefuse)
{
    writeJob(folders, QStringLiteral("J"));
    const QString marker = JobPaths{folders.dataFile, QStringLiteral("J")}.openMarker();
    TZbMainForm form(folders, messages, *data);
    chooseInJobList(QStringLiteral("J"));
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.jobName() == QStringLiteral("J"); }));
    // The test's program folder holds no formats: the editor says so first.
    whenModal([](QWidget* w) { w->close(); });
    form.action("Mn_Album")->trigger();
    QPointer<album::TGrphMainForm> editor;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* e = qobject_cast<album::TGrphMainForm*>(w); e && e->isVisible())
            editor = e;
    ASSERT_TRUE(editor);
    ASSERT_TRUE(editor->isAlbum());
    editor->document().modified = true;

    for (const QString& answer : {kCancelCaption, kNoCaption}) {
        SCOPED_TRACE(answer.toStdString());
        QString asked;
        whenModal([&](QWidget* w) {
            asked = w->findChild<QLabel*>("Label_Text")->text();
            clickButton(w, answer);
        });
        form.action("Mn_Exit")->trigger();
        EXPECT_EQ(asked, QStringLiteral("現在編集中の工事写真帳を保存しますか？"));
        if (answer == kCancelCaption) {
            EXPECT_TRUE(form.isVisible());
            EXPECT_TRUE(editor && editor->isVisible());
            EXPECT_EQ(form.jobName(), QStringLiteral("J"));
            EXPECT_TRUE(QFile::exists(marker));
        }
    }
    // No: the editor closed without saving, then the job and the main window.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !editor; }));
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(QFile::exists(marker));
}

TEST(SetForm, ContractorFieldsAreConvertedWhenLeftAfterAChange)
{
    app();
    TSetForm form;
    QStringList calls;
    form.setConversion([&](const QString& text, ContractorMode mode) {
        calls << text + (mode == ContractorMode::HanSuji ? "/数字" : "/英数");
        return text.toUpper();
    });
    SetFormValues v;
    v.common.jUkeoiCode = "a1";
    form.setValues(v);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QLineEdit* name = form.commonEdit("JUkeoi");
    QLineEdit* code = form.commonEdit("JUkeoiCode");
    QLineEdit* other = form.commonEdit("JBikou1");
    form.tabs()->setCurrentIndex(1);
    form.activateWindow();

    // Left without a change: nothing is converted.
    code->setFocus();
    other->setFocus();
    EXPECT_TRUE(calls.isEmpty());

    name->setFocus();
    QTest::keyClicks(name, "abc");
    other->setFocus();
    code->setFocus();
    QTest::keyClicks(code, "x");
    other->setFocus();
    EXPECT_EQ(calls, (QStringList{"abc/英数", "a1x/数字"}));
    EXPECT_EQ(form.values().common.jUkeoi, "ABC");
    EXPECT_EQ(form.values().common.jUkeoiCode, "A1X");
}

// A drag held near the top or bottom edge of a list scrolls it one line per
// tick of the scroll timer, faster with Shift, with the hint in the status
// bar; leaving the edge or dropping stops it.
TEST(DragScroll, EdgesScrollTheControlUntilTheDragLeavesThem)
{
    app();
    QListWidget list;
    for (int i = 0; i < 200; ++i)
        list.addItem(QStringLiteral("項目 %1").arg(i));
    list.resize(200, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QTimer timer;
    QStringList hints;
    TDragScroll scroll(timer, [&](bool on) { hints << (on ? QStringLiteral("on") : QStringLiteral("off")); });
    scroll.watch(&list);
    list.setDragDropMode(QAbstractItemView::DragDrop);

    // The list's own items, which it takes when dropped.
    std::unique_ptr<QMimeData> own(list.model()->mimeData({list.model()->index(0, 0)}));
    QMimeData& mime = *own;
    QWidget* viewport = list.viewport();
    QDragEnterEvent enter(QPoint(50, 100), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_FALSE(list.hasAutoScroll());  // the timer scrolls while the drag is on
    auto moveTo = [&](int y) {
        QDragMoveEvent move(QPoint(50, y), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    };
    QScrollBar* bar = list.verticalScrollBar();
    // Near the bottom edge: scrolls down, one line per tick.
    moveTo(viewport->height() - 5);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), TDragScroll::kSlowMs);
    EXPECT_EQ(hints, QStringList{QStringLiteral("on")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() >= 2 * bar->singleStep(); }, 3000));
    // In the middle: stops.
    moveTo(viewport->height() / 2);
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(hints, (QStringList{QStringLiteral("on"), QStringLiteral("off")}));
    // Near the top edge: scrolls back up; a drop ends it.
    const int before = bar->value();
    moveTo(3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() < before; }, 3000));
    QDropEvent drop(QPointF(50, 3), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_FALSE(timer.isActive());
    EXPECT_FALSE(scroll.scrolling());

    // Once the drag is over, the view scrolls to its current item again.
    EXPECT_TRUE(list.hasAutoScroll());
    list.setCurrentRow(list.count() - 1);
    const QRect last = list.visualItemRect(list.item(list.count() - 1));
    EXPECT_TRUE(viewport->rect().contains(last)) << last.y();
}

TEST_F(MainForm, DragNearTheListEdgeRunsTheScrollTimerWithItsHint)
{
    ASSERT_TRUE(writeTreeFile(JobPaths{folders.dataFile, QStringLiteral("J")}.treeFile(),
                              TreeFile{JobHeader{}, defaultHierarchy()}));
    auto form = std::make_unique<TZbMainForm>(folders, messages, *data);
    chooseInJobList(QStringLiteral("J"));
    form->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->jobName() == QStringLiteral("J"); }));
    QTimer* timer = form->timer(QStringLiteral("Timer_Scroll"));
    ASSERT_NE(timer, nullptr);
    // Files from the file manager, which the photo list takes.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dir.file(QStringLiteral("a.jpg")))});
    QWidget* viewport = form->listView()->viewport();
    QDragEnterEvent enter(QPoint(20, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(QPoint(20, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(form->statusPanel(0)->text(), kDragScrollHint);
    QDragLeaveEvent leave;
    QApplication::sendEvent(viewport, &leave);
    EXPECT_FALSE(timer->isActive());
    EXPECT_NE(form->statusPanel(0)->text(), kDragScrollHint);
    EXPECT_TRUE(form->close());
}

// Every 表示 starts the viewer's one-shot timer at 10 ms; its tick leaves the
// interval at 300.
TEST_F(MainForm, ViewerTimerStartsAtTenMillisecondsEveryTime)
{
    auto form = open();
    QTimer* t = form->timer(QStringLiteral("Timer"));
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(form->hasHandler(QStringLiteral("ViewSelected")));
    for (int i = 0; i < 2; ++i) {
        form->workbench().photoList()->requestView();
        EXPECT_TRUE(t->isActive());
        EXPECT_EQ(t->interval(), 10);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !t->isActive(); }));
        EXPECT_EQ(t->interval(), 300);
    }
}

// 表示 with one photo selected in the focused photo list opens the viewer on
// its picture; with two selected it does nothing. The viewer's position is
// kept in ZB_M.INI as Sz_ViewForm.
TEST_F(MainForm, ViewCommandShowsTheSelectedPhoto)
{
    ASSERT_TRUE(writeTreeFile(JobPaths{folders.dataFile, QStringLiteral("J")}.treeFile(),
                              TreeFile{JobHeader{}, defaultHierarchy()}));
    QImage picture(320, 200, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    const QString a = dir.file("DSCF0001.JPG"), b = dir.file("DSCF0002.JPG");
    ASSERT_TRUE(picture.save(a, "JPG"));
    ASSERT_TRUE(picture.scaled(200, 320).save(b, "JPG"));
    {
        TZbMainForm form(folders, messages, *data);
        chooseInJobList(QStringLiteral("J"));
        form.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.jobName() == QStringLiteral("J"); }));
        HierarchyModel& tree = form.workbench().tree();
        ASSERT_TRUE(dropFiles(form.listView()->viewport(), {QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return tree.unclassified()->photos.size() == 2; }));
        QListWidget* list = form.listView();
        ASSERT_EQ(list->count(), 2);

        list->setFocus();
        list->selectAll();
        form.updateButtons();
        form.action(QStringLiteral("Mn_View"))->trigger();
        QTest::qWait(50);
        EXPECT_EQ(form.findChild<TViewForm*>(), nullptr);

        list->clearSelection();
        list->item(1)->setSelected(true);
        form.updateButtons();
        ASSERT_TRUE(form.action(QStringLiteral("Mn_View"))->isEnabled());
        form.action(QStringLiteral("Mn_View"))->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] {
            auto* v = form.findChild<TViewForm*>();
            return v && v->isVisible();
        }));
        auto* viewer = form.findChild<TViewForm*>();
        EXPECT_EQ(viewer->layout().natural(), QSize(200, 320));
        EXPECT_TRUE(viewer->windowTitle().startsWith(QStringLiteral("表示 W 200 / H 320  100%")));
        viewer->move(30, 40);
        viewer->close();
        EXPECT_TRUE(form.close());
    }
    const IniFile positions(folders.localTemp + kPositionsName);
    ASSERT_TRUE(positions.wasRead());
    EXPECT_TRUE(positions.sectionExists(QStringLiteral("Sz_ViewForm")));
    EXPECT_EQ(positions.readInteger(QStringLiteral("Sz_ViewForm"), QStringLiteral("szWidth"), 0), 614);
}

// 参考図を追加 › 登録済み写真から選択: photos chosen in the chooser become
// drawings of the selected photo and leave their folder.
TEST_F(MainForm, RegisteredPhotosBecomeDrawingsOfTheSelectedPhoto)
{
    ASSERT_TRUE(writeTreeFile(JobPaths{folders.dataFile, QStringLiteral("J")}.treeFile(),
                              TreeFile{JobHeader{}, defaultHierarchy()}));
    QImage picture(64, 48, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    QList<QUrl> files;
    for (const char* name : {"P1.JPG", "P2.JPG", "P3.JPG"}) {
        ASSERT_TRUE(picture.save(dir.file(name), "JPG"));
        files << QUrl::fromLocalFile(dir.file(name));
    }
    TZbMainForm form(folders, messages, *data);
    chooseInJobList(QStringLiteral("J"));
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.jobName() == QStringLiteral("J"); }));
    EXPECT_TRUE(form.hasHandler(QStringLiteral("Mn_DrawingPhoto")));
    EXPECT_TRUE(form.hasHandler(QStringLiteral("Mn_DrawingFile")));
    HierarchyModel& tree = form.workbench().tree();
    ASSERT_TRUE(dropFiles(form.listView()->viewport(), files));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree.unclassified()->photos.size() == 3; }));
    form.workbench().photoList()->selectRow(0);

    auto* commands = form.findChild<TDrawingCommands*>();
    ASSERT_NE(commands, nullptr);
    commands->runChooser = [](TSankoForm& chooser) {
        EXPECT_EQ(chooser.windowTitle(), QStringLiteral("参考図の指定"));
        // The first node (the unclassified folder) is shown; the target is
        // among the chosen and is skipped.
        EXPECT_EQ(chooser.photoView->count(), 3);
        chooser.selectAllButton->click();
        return true;
    };
    form.action(QStringLiteral("Mn_DrawingPhoto"))->trigger();
    EXPECT_EQ(tree.unclassified()->photos, QList<RECORD>{1});
    TTableNetWork& table = form.workbench().job().photoTable();
    PhotoFields f;
    f.lookUp(table);
    ASSERT_TRUE(table.locate(1));
    EXPECT_EQ(table.value(f[F_REC_DRA1]).toInt(), 2);
    EXPECT_EQ(table.value(f[F_REC_DRA2]).toInt(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.listView2()->count() == 2; }));
    EXPECT_TRUE(form.close());
}
