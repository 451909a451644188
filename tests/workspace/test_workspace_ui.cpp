// The job list, the new-job dialog and the hierarchy tree, driven as a user
// would on the offscreen platform.
#include "core/scripted_ports.h"
#include "store/job_life.h"
#include "store/ui/file_form.h"
#include "store/ui/new_form.h"
#include "support/temp_dir.h"
#include "store/data_module.h"
#include "workspace/ui/job_workbench.h"
#include "workspace/ui/photo_list_view.h"
#include "workspace/ui/tree_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_workspace_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

struct Data {
    zbtest::TempDir dir;
    Folders folders;
    Data()
    {
        app();
        folders = resolveFolders(dir.path(), {}, {}, dir.path());
        SilentMessages quiet;
        createFolders(folders, quiet);
    }
    void job(const QString& name, const QString& type = {})
    {
        JobHeader h;
        h.projectType = type;
        ASSERT_TRUE(writeTreeFile(folders.dataFile + name + QStringLiteral(".ZBD"), TreeFile{h, defaultHierarchy()}));
    }
};

QStringList columnTexts(QTableWidget* t, int column)
{
    QStringList out;
    for (int r = 0; r < t->rowCount(); ++r)
        out << t->item(r, column)->text();
    return out;
}

}  // namespace

TEST(NewFormUi, NameRulesWhileTypingAndPasting)
{
    Data d;
    ScriptedMessages messages;
    TNewForm form(d.folders.dataFile, d.folders.templateDir, messages);
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("工事データの新規作成"));
    EXPECT_EQ(form.nameEdit()->text(), QStringLiteral("新規工事"));
    form.nameEdit()->clear();
    EXPECT_FALSE(form.executeButton()->isEnabled());
    QTest::keyClicks(form.nameEdit(), QStringLiteral("a.b/c*d"));
    EXPECT_EQ(form.nameEdit()->text(), QStringLiteral("abcd"));
    EXPECT_TRUE(form.executeButton()->isEnabled());
    QApplication::clipboard()->setText(QStringLiteral("<x>;y"));
    QTest::keyClick(form.nameEdit(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form.nameEdit()->text(), QStringLiteral("abcdxy"));
    // Without templates the box is cleared and disabled.
    EXPECT_FALSE(form.useTemplate()->isEnabled());
    EXPECT_FALSE(form.useTemplate()->isChecked());
    EXPECT_FALSE(form.templates()->isEnabled());
}

TEST(NewFormUi, DuplicateNameKeepsTheDialogAndTemplatesArePreselected)
{
    Data d;
    d.job(QStringLiteral("新規工事"));
    ASSERT_TRUE(writeTemplate(d.folders.templateDir + QStringLiteral("b.ZBT"), defaultHierarchy()));
    ASSERT_TRUE(writeTemplate(d.folders.templateDir + QStringLiteral("a.ZBT"), defaultHierarchy()));
    ScriptedMessages messages;
    TNewForm form(d.folders.dataFile, d.folders.templateDir, messages);
    form.show();
    QTest::mouseClick(form.executeButton(), Qt::LeftButton);
    EXPECT_EQ(messages.boxes(), QStringList{QStringLiteral("warning: ") + kJobNameExists});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.nameEdit()->text(), QStringLiteral("新規工事"));

    QTest::mouseClick(form.useTemplate(), Qt::LeftButton);
    EXPECT_TRUE(form.templates()->isEnabled());
    EXPECT_EQ(form.templateName(), QStringLiteral("a"));
    form.nameEdit()->setText(QStringLiteral("橋"));
    QTest::keyClick(form.nameEdit(), Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.jobName(), QStringLiteral("橋"));
}

TEST(FileFormUi, ListSortingEnablingAndCommands)
{
    Data d;
    d.job(QStringLiteral("A"), QStringLiteral("道路"));
    d.job(QStringLiteral("b"), QStringLiteral("河川"));
    d.job(QStringLiteral("C"), QStringLiteral("河川"));
    ScriptedMessages messages;
    TFileForm form(d.folders, messages);
    form.setOpenJob(QStringLiteral("b"));
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("工事一覧"));
    EXPECT_EQ(form.button(QStringLiteral("Button_Close"))->text(), QStringLiteral("閉じる(&C)"));
    EXPECT_EQ(columnTexts(form.list(), 0), (QStringList{"A", "b", "C"}));
    EXPECT_EQ(form.selectedName(), QStringLiteral("b"));
    EXPECT_FALSE(form.button(QStringLiteral("Button_Delete"))->isEnabled());
    EXPECT_FALSE(form.button(QStringLiteral("Button_Rename"))->isEnabled());
    EXPECT_TRUE(form.button(QStringLiteral("Button_Run"))->isEnabled());
    EXPECT_FALSE(form.button(QStringLiteral("Button_Restore"))->isEnabled());

    QHeaderView* header = form.list()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    EXPECT_EQ(form.list()->horizontalHeaderItem(0)->text(), QStringLiteral("名称↑"));
    EXPECT_EQ(columnTexts(form.list(), 0), (QStringList{"C", "b", "A"}));
    EXPECT_EQ(form.dataSort(), -1);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    EXPECT_EQ(form.list()->horizontalHeaderItem(1)->text(), QStringLiteral("事業種別↓"));
    EXPECT_EQ(form.list()->horizontalHeaderItem(0)->text(), QStringLiteral("名称"));
    EXPECT_EQ(columnTexts(form.list(), 0), (QStringList{"b", "C", "A"}));

    // Another job can be deleted; the next row is selected.
    form.list()->selectRow(1);
    form.updateButtons();
    ASSERT_TRUE(form.button(QStringLiteral("Button_Delete"))->isEnabled());
    QTest::mouseClick(form.button(QStringLiteral("Button_Delete")), Qt::LeftButton);
    EXPECT_EQ(messages.boxes(), QStringList{QStringLiteral("confirm: ") + kDeleteJobConfirm});
    EXPECT_EQ(columnTexts(form.list(), 0), (QStringList{"b", "A"}));
    EXPECT_EQ(form.selectedName(), QStringLiteral("A"));

    // Double-click chooses.
    const QRect cell = form.list()->visualItemRect(form.list()->item(1, 0));
    QTest::mouseClick(form.list()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(form.list()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    ASSERT_TRUE(form.choice());
    EXPECT_EQ(form.choice()->name, QStringLiteral("A"));
}

TEST(FileFormUi, WithoutAJobTheCloseButtonEndsAndCanBeLocked)
{
    Data d;
    d.job(QStringLiteral("A"));
    ScriptedMessages messages;
    TFileForm form(d.folders, messages);
    form.show();
    EXPECT_EQ(form.button(QStringLiteral("Button_Close"))->text(), QStringLiteral("終了(&X)"));
    form.setCloseEnabled(false);
    form.close();
    EXPECT_TRUE(form.isVisible());
    form.setCloseEnabled(true);
    QTest::mouseClick(form.button(QStringLiteral("Button_Close")), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

namespace {

struct TreeUi : ::testing::Test {
    HierarchyModel model;
    ScriptedMessages messages;
    std::unique_ptr<TTreePanel> panel;

    void SetUp() override
    {
        app();
        Hierarchy h = defaultHierarchy();
        h[4].photos = {1, 2, 3};
        h.insert(5, TreeFolder{QStringLiteral("A"), 3, {}});
        model.load(h, true);
        panel = std::make_unique<TTreePanel>(model, messages);
        panel->resize(400, 500);
        panel->show();
        QApplication::processEvents();
    }
    THierarchyTree* tree() { return panel->TV_Tree; }
    FolderNode* at(const QString& path) { return model.findPath(path); }
    QRect rectOf(FolderNode* n) { return tree()->visualRect(model.indexOf(n)); }
    void drop(QMimeData* mime, const QPoint& pos)
    {
        QDragEnterEvent enter(pos, Qt::MoveAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(tree()->viewport(), &enter);
        QDragMoveEvent move(pos, Qt::MoveAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(tree()->viewport(), &move);
        QDropEvent ev(pos, Qt::MoveAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(tree()->viewport(), &ev);
        delete mime;
    }
};

const QString kStatus = QStringLiteral("工事写真/工事/施工状況写真");
const QString kSafety = QStringLiteral("工事写真/工事/安全管理写真");

}  // namespace

TEST_F(TreeUi, ClickingAFolderSelectsItAndLightsItsLevel)
{
    EXPECT_EQ(tree()->indentation(), 32);
    EXPECT_EQ(tree()->palette().color(QPalette::Base), QColor(160, 219, 190));
    EXPECT_EQ(panel->header->highlighted(), -1);  // 未分類
    QSignalSpy chosen(tree(), &THierarchyTree::folderChosen);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, rectOf(at(kStatus + QStringLiteral("/A"))).center());
    EXPECT_EQ(model.selected(), at(kStatus + QStringLiteral("/A")));
    EXPECT_EQ(panel->header->highlighted(), 3);
    EXPECT_EQ(panel->header->sectionRect(3).left(), 89 + 2 * 32);
    // The photo list follows after the change delay.
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_TRUE(chosen.wait(2000));
    // The program's own selection is followed at once.
    chosen.clear();
    model.select(model.recycle());
    EXPECT_EQ(chosen.size(), 1);
    EXPECT_EQ(tree()->currentIndex(), model.indexOf(model.recycle()));
}

TEST_F(TreeUi, DroppingAFolderOnACaptionOrAnIndent)
{
    FolderNode* a = at(kStatus + QStringLiteral("/A"));
    FolderNode* safety = at(kSafety);
    drop(tree()->folderMime(a), rectOf(safety).center());
    EXPECT_EQ(a->parent, safety);
    EXPECT_TRUE(model.changed());
    // On the indent area: before the target.
    FolderNode* status = at(kStatus);
    drop(tree()->folderMime(a), QPoint(rectOf(status).left() - 10, rectOf(status).center().y()));
    EXPECT_EQ(a->parent, status->parent);
    EXPECT_EQ(a->row() + 1, status->row());
    // A fixed folder is no target.
    drop(tree()->folderMime(a), rectOf(model.recycle()).center());
    EXPECT_EQ(a->parent, status->parent);
}

TEST_F(TreeUi, DroppingPhotosOnAFolder)
{
    model.select(at(kStatus));
    QSignalSpy moved(tree(), &THierarchyTree::photosMoved);
    drop(THierarchyTree::photoMime({2, 0}), rectOf(model.recycle()).center());
    EXPECT_EQ(model.recycle()->photos, (QList<RECORD>{1, 3}));
    EXPECT_EQ(at(kStatus)->photos, QList<RECORD>{2});
    EXPECT_EQ(moved.size(), 1);
    // Not at a photo level: nothing moves.
    drop(THierarchyTree::photoMime({0}), rectOf(model.photoRoot()).center());
    EXPECT_EQ(at(kStatus)->photos, QList<RECORD>{2});
}

// A drag from the drawing list carries the drawings of its items; the tree
// takes them on the folders photos may be registered in.
TEST_F(TreeUi, DrawingsFromTheDrawingList)
{
    QListWidget drawings;
    auto* item = new QListWidgetItem(QStringLiteral("参考図1"), &drawings);
    item->setData(kRecordRole, 5);
    item->setData(kSlotRole, 2);
    item->setData(kPhotoRole, 1);
    QMimeData mime;
    mime.setData(kDrawingMime, "0");
    EXPECT_EQ(THierarchyTree::draggedDrawings(&mime, &drawings), (QList<DrawingEntry>{{5, 2, 1}}));
    EXPECT_TRUE(THierarchyTree::draggedDrawings(&mime, nullptr).isEmpty());

    auto accepted = [&](FolderNode* n) {
        const QPoint pos = rectOf(n).center();
        QDragEnterEvent enter(pos, Qt::MoveAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(tree()->viewport(), &enter);
        QDragMoveEvent move(pos, Qt::MoveAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(tree()->viewport(), &move);
        return move.isAccepted();
    };
    EXPECT_TRUE(accepted(at(kStatus)));
    EXPECT_TRUE(accepted(model.recycle()));
    EXPECT_FALSE(accepted(model.photoRoot()));
    EXPECT_FALSE(accepted(at(QStringLiteral("工事写真/工事"))));
}

TEST(WorkbenchUi, StartQuitAndFindEverythingAsItWas)
{
    Data d;
    ScriptedMessages messages;
    QStringList names;
    {
        TDataModule_Main data(d.folders, messages);
        QWidget window;
        TJobWorkbench bench(d.folders, data, messages, &window);
        QObject::connect(&bench, &TJobWorkbench::jobNameChanged, [&](const QString& n) { names << n; });
        QHash<QString, std::function<void()>> handlers;
        bench.installHandlers([&](const QString& name, std::function<void()> fn) { handlers[name] = fn; });
        bench.job().hooks.chooseJob = [](const QString&) { return std::optional<JobChoice>(JobChoice{"J", {}}); };
        ASSERT_TRUE(bench.openJobList());
        EXPECT_EQ(names, QStringList{"J"});
        EXPECT_EQ(bench.treePanel()->TV_Tree->model(), &bench.tree());

        bench.tree().select(bench.tree().findPath(kStatus));
        messages.replyText(QStringLiteral("床掘"));
        handlers[QStringLiteral("SB_TreeNew")]();
        bench.tree().collapseOthers();
        handlers[QStringLiteral("SB_TreeExpand")]();
        EXPECT_TRUE(bench.tree().findPath(kStatus)->expanded);
        bench.closeJob();
    }
    TDataModule_Main data(d.folders, messages);
    QWidget window;
    TJobWorkbench bench(d.folders, data, messages, &window);
    bench.job().hooks.chooseJob = [](const QString&) { return std::optional<JobChoice>(JobChoice{"J", {}}); };
    ASSERT_TRUE(bench.openJobList());
    EXPECT_TRUE(bench.tree().findPath(kStatus + QStringLiteral("/床掘")));
    EXPECT_FALSE(messages.boxes().contains(QStringLiteral("warning: ") + kNotClosedProperly));
}
