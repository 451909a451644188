// The master window, the search window, list mode and the missing-input check
// window, driven as a user would on the offscreen platform.
#include "core/scripted_ports.h"
#include "items/master.h"
#include "items/ui/history_combo.h"
#include "settings/settings.h"
#include "store/data_module.h"
#include "store/table_network.h"
#include "support/temp_dir.h"
#include "workspace/ui/job_workbench.h"
#include "workspace/ui/photo_list_panel.h"
#include "workspace/ui/search_commands.h"
#include "workspace/ui/tree_view.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::items;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_search_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// Job "J": 未分類 {9}, 工事写真 > 工事 > 施工 {1,2,3}, 完成 {4}, ごみ箱 {7}.
// Photos 2, 3 and 7, 9 have no title.
struct Job {
    bool started = (app(), true);
    zbtest::TempDir dir;
    Folders folders;
    ScriptedMessages messages;
    ScriptedProgress progress;
    std::unique_ptr<TDataModule_Main> data;
    QWidget window;
    std::unique_ptr<TJobWorkbench> bench;
    std::unique_ptr<TSearchCommands> cmds;
    QTimer sanko;
    bool photoTabRemoved = false;

    Job()
    {
        folders = resolveFolders(dir.path(), {}, {}, dir.path());
        SilentMessages quiet;
        createFolders(folders, quiet);
        TreeFile tf;
        tf.header.fiscalYear = 2026;
        for (QString JobHeader::*t : {&JobHeader::contractNumber, &JobHeader::constructionName,
                                      &JobHeader::constructionSite, &JobHeader::startDate, &JobHeader::endDate,
                                      &JobHeader::clientMajor, &JobHeader::contractorName})
            tf.header.*t = "x";
        tf.header.clientCode = "12345678";
        tf.folders = {{kUnclassifiedCaption, 0, {9}}, {kPhotoRootCaption, 0, {}}, {"工事", 1, {}},
                      {"施工", 2, {1, 2, 3}},        {"完成", 2, {4}},            {kRecycleCaption, 0, {7}}};
        EXPECT_TRUE(writeTreeFile(folders.dataFile + "J.ZBD", tf));
        {
            TTableNetWork t;
            const PhotoFields f = openOrCreatePhotoTable(folders.dataFile + "J.DB", {&t}, true);
            for (RECORD r : {1, 2, 3, 4, 7, 9}) {
                t.append();
                t.setValue(f[F_RECORD], r);
                t.setValue(f[F_FLAG], r == 4 ? 1 : 0);
                t.setValue(f[F_TITLE], r == 1 ? QStringLiteral("こうじ") : r == 4 ? QStringLiteral("ｺｳｼﾞ") : QString());
                t.post();
            }
        }
        data = std::make_unique<TDataModule_Main>(folders, messages);
        bench = std::make_unique<TJobWorkbench>(folders, *data, messages, &window);
        bench->job().hooks.chooseJob = [](const QString&) { return std::optional<JobChoice>(JobChoice{"J", {}}); };
        EXPECT_TRUE(bench->openJobList());
        cmds = std::make_unique<TSearchCommands>(folders, bench->job(), bench->tree(), bench->treePanel(),
                                                 bench->photoList(), messages, progress, &window);
        cmds->hooks.removePhotoTab = [this] { photoTabRemoved = true; };
        cmds->hooks.sankoTimer = &sanko;
        cmds->installHandlers([](const QString&, std::function<void()>) {});
        bench->photoList()->listView()->resize(400, 300);
        bench->photoList()->listView()->show();
        messages.clear();
    }
    ~Job()
    {
        cmds.reset();
        bench.reset();
    }
    QList<RECORD> shown()
    {
        QList<RECORD> out;
        auto* v = bench->photoList()->listView();
        for (int i = 0; i < v->count(); ++i)
            out << v->item(i)->data(kRecordRole).toInt();
        return out;
    }
    FolderNode* folder(const QString& path) { return bench->tree().findPath(path); }
};

// Types a text into a box as a keyboard would (any characters).
void typeText(QWidget* w, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
}

}  // namespace

TEST(SearchUi, ListSearchEntersListModeAndReleaseRestores)
{
    Job job;
    const QColor listColour = job.bench->photoList()->listView()->palette().color(QPalette::Base);
    job.cmds->openSearch();
    TSeekForm* form = job.cmds->seekForm();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("移動"));
    form->modeBox()->setCurrentIndex(0);     // 一覧
    form->itemBox()->setCurrentIndex(1);     // タイトル
    form->directionBox()->setCurrentIndex(0); // 先頭から
    form->textBox()->setEditText(QString());
    QTest::mouseClick(form->searchButton(), Qt::LeftButton);
    EXPECT_TRUE(job.cmds->listMode());
    EXPECT_EQ(job.shown(), (QList<RECORD>{1, 2, 3, 4}));  // every filed photo
    EXPECT_TRUE(job.photoTabRemoved);
    EXPECT_FALSE(job.bench->treePanel()->isEnabled());
    EXPECT_EQ(job.bench->photoList()->listView()->palette().color(QPalette::Base), kListModeListColor);
    EXPECT_EQ(job.bench->treePanel()->TV_Tree->palette().color(QPalette::Base), kListModeTreeColor);
    EXPECT_TRUE(job.bench->tree().listMode());
    // Choosing a folder does not leave the list.
    job.bench->tree().select(job.folder("工事写真/工事/完成"));
    EXPECT_EQ(job.shown(), (QList<RECORD>{1, 2, 3, 4}));

    // ｺｳｼﾞ with 完全一致 finds こうじ too.
    form->methodBox()->setCurrentIndex(0);
    typeText(form->textBox()->lineEdit(), QStringLiteral("ｺｳｼﾞ"));
    QTest::keyClick(form->textBox()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(job.shown(), (QList<RECORD>{1, 4}));
    EXPECT_EQ(form->textBox()->history(), QStringList{QStringLiteral("ｺｳｼﾞ")});
    EXPECT_EQ(appSettings().mainSeekKoumoku, 1);

    // Nothing found keeps the list and says so.
    form->textBox()->setEditText(QStringLiteral("ない"));
    form->runSearch();
    EXPECT_EQ(job.messages.boxes(), QStringList{"information: 検索されませんでした。"});
    EXPECT_EQ(job.shown(), (QList<RECORD>{1, 4}));

    // Switching to 移動 releases list mode with its message.
    job.messages.clear();
    form->modeBox()->setCurrentIndex(1);
    EXPECT_FALSE(job.cmds->listMode());
    EXPECT_EQ(job.messages.boxes(), QStringList{"information: 「一覧モード」を解除しました。"});
    EXPECT_TRUE(job.bench->treePanel()->isEnabled());
    // The list has its own colour again, green only in list mode.
    EXPECT_EQ(job.bench->photoList()->listView()->palette().color(QPalette::Base), listColour);
    EXPECT_NE(listColour, kListModeListColor);
    EXPECT_EQ(job.shown(), (QList<RECORD>{4}));  // the selected folder's photos again
    EXPECT_EQ(form->itemBox()->count(), 9);
    EXPECT_EQ(form->directionBox()->count(), 3);
    EXPECT_FALSE(form->sortBox()->isEnabled());
    EXPECT_FALSE(job.cmds->releaseListMode());
}

TEST(SearchUi, JumpSelectsTheFolderAndThePhoto)
{
    Job job;
    job.cmds->openSearch();
    TSeekForm* form = job.cmds->seekForm();
    form->modeBox()->setCurrentIndex(1);      // 移動
    form->itemBox()->setCurrentIndex(2);      // タイトル
    form->directionBox()->setCurrentIndex(0); // 先頭から
    form->methodBox()->setCurrentIndex(2);
    form->textBox()->setEditText(QStringLiteral("こうじ"));
    form->runSearch();
    EXPECT_EQ(job.bench->tree().selected(), job.folder("工事写真/工事/施工"));
    EXPECT_EQ(job.bench->photoList()->selectedRecords(), QList<RECORD>{1});
    form->directionBox()->setCurrentIndex(1);  // 現在位置から下に
    form->runSearch();
    EXPECT_EQ(job.bench->tree().selected(), job.folder("工事写真/工事/完成"));
    EXPECT_EQ(job.bench->photoList()->selectedRecords(), QList<RECORD>{4});
    form->runSearch();
    EXPECT_EQ(job.messages.boxes(), QStringList{"information: 検索されませんでした。"});
    // Folders by caption.
    form->itemBox()->setCurrentIndex(0);
    form->directionBox()->setCurrentIndex(0);
    form->textBox()->setEditText(QStringLiteral("完成"));
    form->runSearch();
    EXPECT_EQ(job.bench->tree().selected(), job.folder("工事写真/工事/完成"));
}

TEST(SearchUi, CheckWindowShowsTheLinesAndListsThePhotosWithGaps)
{
    Job job;
    job.cmds->openCheck();
    TMissForm* form = job.cmds->missForm();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("入力漏れの検証"));
    EXPECT_EQ(form->rangeBox()->count(), 3);
    QTest::mouseClick(form->startButton(), Qt::LeftButton);
    EXPECT_EQ(form->memo()->toPlainText(),
              QStringLiteral("【写真情報】の未入力件数が 2 件ありました。\n\n対象となる工事写真を一覧を表示します"));
    EXPECT_TRUE(job.cmds->listMode());
    EXPECT_EQ(job.shown(), (QList<RECORD>{2, 3}));
    EXPECT_EQ(job.progress.started, 6);
    // A range-1 check counts every filed photo (no 撮影箇所 anywhere).
    form->rangeBox()->setCurrentIndex(1);
    QTest::keyClick(form, Qt::Key_Return);
    EXPECT_EQ(appSettings().missHanni, 1);
    EXPECT_EQ(job.shown(), (QList<RECORD>{1, 2, 3, 4}));
    QTest::keyClick(form, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

TEST(SearchUi, MasterWindowEditsSearchesAndPours)
{
    Job job;
    appSettings().mastFileName = QStringLiteral("基本マスタ");
    job.cmds->openMaster();
    TMastForm* form = job.cmds->mastForm();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("マスタ (基本マスタ)"));
    EXPECT_EQ(form->tree()->topLevelItemCount(), 7);
    EXPECT_EQ(form->header()->highlighted(), 0);
    // 測量 poured into 工事写真/工事 becomes its last child; pouring it again,
    // or 「　測量 」, is refused.
    job.bench->tree().select(job.folder("工事写真/工事"));
    form->selectIndex(9);  // 測量
    EXPECT_TRUE(form->button("OpenBtn")->isEnabled());
    QTest::mouseClick(form->button("OpenBtn"), Qt::LeftButton);
    ASSERT_TRUE(job.folder("工事写真/工事/測量"));
    job.messages.clear();
    QTest::mouseClick(form->button("OpenBtn"), Qt::LeftButton);
    EXPECT_EQ(job.messages.log, QStringList{"notice: 同じ階層に同一の工事フォルダ名があります。"});
    EXPECT_TRUE(job.cmds->pour(QStringLiteral(" 調査　")));
    EXPECT_FALSE(job.cmds->pour(QStringLiteral("\u3000測量 ")));
    EXPECT_TRUE(job.folder("工事写真/工事/調査"));
    // 未分類 takes nothing.
    job.bench->tree().select(job.bench->tree().unclassified());
    EXPECT_FALSE(form->button("OpenBtn")->isEnabled());

    // Synchronising with 完成 finds nothing in the default master.
    job.bench->tree().select(job.folder("工事写真/工事/完成"));
    job.messages.clear();
    QTest::mouseClick(form->button("SB_Douki"), Qt::LeftButton);
    EXPECT_EQ(job.messages.boxes(), QStringList{"information: 検索されませんでした。"});
    // A level-1 folder finds the depth-0 entry of its caption.
    job.bench->tree().select(job.folder("工事写真/工事"));
    QTest::mouseClick(form->button("SB_Douki"), Qt::LeftButton);
    EXPECT_EQ(form->selectedIndex(), 0);

    // Search: 部分一致 from the first entry.
    form->modeBox()->setCurrentIndex(2);
    form->posBox()->setCurrentIndex(0);
    typeText(form->searchText()->lineEdit(), QStringLiteral("管理"));
    QTest::keyClick(form->searchText()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(form->selectedIndex(), 3);  // 安全管理写真
    EXPECT_EQ(form->header()->highlighted(), 1);
    form->posBox()->setCurrentIndex(1);
    QTest::mouseClick(form->button("SB_Kensaku"), Qt::LeftButton);
    EXPECT_EQ(form->selectedIndex(), 5);  // 品質管理写真

    // New entry under the selection, with the name asked.
    job.messages.replyText(QStringLiteral("試験"));
    QTest::mouseClick(form->button("SB_TreeNew"), Qt::LeftButton);
    EXPECT_EQ(form->selectedIndex(), 6);
    EXPECT_EQ(job.cmds->master()->outline().value(6), (MasterEntry{2, "試験"}));
    EXPECT_EQ(form->header()->highlighted(), 2);
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(job.cmds->master()->isOpen());
    EXPECT_EQ(appSettings().mastSeekStyle, 2);
}

TEST(SearchUi, MasterWindowClosesAtTheFirstRequest)
{
    Job job;
    appSettings().mastFileName = QStringLiteral("基本マスタ");
    // 閉じる, Esc and the window's own close, each once, each after opening it again.
    const std::function<void(TMastForm*)> ways[] = {
        [](TMastForm* f) { QTest::mouseClick(f->button("CloseBtn"), Qt::LeftButton); },
        [](TMastForm* f) { QTest::keyClick(f, Qt::Key_Escape); },
        [](TMastForm* f) { f->close(); },
    };
    for (const auto& close : ways) {
        job.cmds->openMaster();
        TMastForm* form = job.cmds->mastForm();
        ASSERT_TRUE(form && form->isVisible());
        EXPECT_TRUE(job.cmds->master()->isOpen());
        close(form);
        EXPECT_FALSE(form->isVisible());
        EXPECT_FALSE(job.cmds->master()->isOpen());
    }
}

TEST(SearchUi, EmptyMasterAllowsOnlyNew)
{
    Job job;
    QDir().mkpath(job.folders.mastFile);
    engine::Table::create(job.folders.mastFile + "空.DB", masterTableFields(), QString());
    appSettings().mastFileName = QStringLiteral("空");
    job.cmds->openMaster();
    TMastForm* form = job.cmds->mastForm();
    EXPECT_EQ(form->tree()->topLevelItemCount(), 0);
    EXPECT_TRUE(form->button("SB_TreeNew")->isEnabled());
    for (const char* name : {"SB_TreeName", "SB_TreeDel", "OpenBtn", "SB_Kensaku", "SB_Douki"})
        EXPECT_FALSE(form->button(name)->isEnabled()) << name;
    job.messages.replyText(QStringLiteral("最初"));
    QTest::mouseClick(form->button("SB_TreeNew"), Qt::LeftButton);
    EXPECT_EQ(form->tree()->topLevelItemCount(), 1);
    EXPECT_EQ(form->selectedIndex(), 0);
    EXPECT_TRUE(form->button("SB_TreeDel")->isEnabled());
}
