// The hierarchy tree's model: fixed folders, level rules, folder commands,
// dragging folders and dropping photos.
#include "core/scripted_ports.h"
#include "store/data_module.h"
#include "store/table_network.h"
#include "workspace/hierarchy_model.h"
#include "workspace/job_workspace.h"
#include "support/temp_dir.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace zb;

namespace {

const QString kWork = QStringLiteral("工事写真/工事");
const QString kStatus = QStringLiteral("工事写真/工事/施工状況写真");
const QString kSafety = QStringLiteral("工事写真/工事/安全管理写真");
const QString kOther = QStringLiteral("工事写真/工事/その他");

// The default tree with a chain of folders below 施工状況写真:
// A (level 3) > B (4) > C (5), and D (4) below A.
Hierarchy sampleTree()
{
    Hierarchy h = defaultHierarchy();
    h[4].photos = {10, 11};  // 施工状況写真
    h.insert(5, TreeFolder{QStringLiteral("A"), 3, {20}});
    h.insert(6, TreeFolder{QStringLiteral("B"), 4, {30, 31}});
    h.insert(7, TreeFolder{QStringLiteral("C"), 5, {40}});
    h.insert(8, TreeFolder{QStringLiteral("D"), 4, {}});
    return h;
}

struct Fixture : ::testing::Test {
    HierarchyModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Warning};
    ScriptedMessages messages;

    void SetUp() override { model.load(sampleTree()); }
    FolderNode* at(const QString& path)
    {
        FolderNode* n = model.findPath(path);
        EXPECT_TRUE(n) << path.toStdString();
        return n;
    }
    QStringList childNames(const QString& path)
    {
        QStringList out;
        for (const auto& c : at(path)->children)
            out << c->caption;
        return out;
    }
};

}  // namespace

TEST_F(Fixture, FixedFoldersAreKnownByIdentityNotCaption)
{
    Hierarchy h = defaultHierarchy();
    h.insert(4, TreeFolder{kRecycleCaption, 3, {}});  // a folder that only looks like the recycle bin
    model.load(h);
    EXPECT_EQ(model.toHierarchy(), h);
    FolderNode* lookalike = model.findPath(QStringLiteral("工事写真/工事/着手前及び完成写真/ごみ箱"));
    ASSERT_TRUE(lookalike);
    EXPECT_FALSE(model.isFixed(lookalike));
    EXPECT_TRUE(model.canDelete(lookalike));
    EXPECT_EQ(model.fixedKind(model.top(model.topCount() - 1)), HierarchyModel::Fixed::Recycle);
    EXPECT_EQ(model.selected(), model.unclassified());
    for (FolderNode* fixed : {model.unclassified(), model.photoRoot(), model.recycle()}) {
        EXPECT_FALSE(model.canRename(fixed));
        EXPECT_FALSE(model.canDelete(fixed));
        EXPECT_FALSE(model.canDrag(fixed));
        EXPECT_FALSE(model.canMoveUp(fixed));
        EXPECT_FALSE(model.canMoveDown(fixed));
    }
}

TEST_F(Fixture, WhereNewFoldersAndMasterEntriesMayBeAdded)
{
    struct Case {
        FolderNode* node;
        bool create, master;
    };
    const Case cases[] = {
        {model.photoRoot(), true, true},     {model.unclassified(), false, false},
        {model.recycle(), false, false},     {at(kWork), true, true},
        {at(QStringLiteral("工事写真/工事/施工状況写真/A/B")), true, true},
        {at(QStringLiteral("工事写真/工事/施工状況写真/A/B/C")), false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(model.canCreate(c.node), c.create) << c.node->caption.toStdString();
        EXPECT_EQ(model.canAddFromMaster(c.node), c.master) << c.node->caption.toStdString();
    }
}

TEST_F(Fixture, NewFolderRefusesSiblingNamesDifferingOnlyInBlanksOrCase)
{
    model.select(at(kStatus));
    model.setExpanded(at(kStatus), false);
    QSignalSpy expanded(&model, &HierarchyModel::expandedChanged);
    messages.replyText(QStringLiteral("  a "));
    messages.replyText(QStringLiteral("ａ"));  // a different character: accepted
    FolderNode* added = model.newFolder(messages);
    ASSERT_TRUE(added);
    EXPECT_EQ(messages.boxes(), (QStringList{QStringLiteral("input: 新規工事フォルダ/工事フォルダ名:"),
                                             QStringLiteral("notice: ") + kDuplicateFolder,
                                             QStringLiteral("input: 新規工事フォルダ/工事フォルダ名:")}));
    EXPECT_EQ(childNames(kStatus), (QStringList{QStringLiteral("A"), QStringLiteral("ａ")}));
    EXPECT_TRUE(at(kStatus)->expanded);
    EXPECT_EQ(expanded.count(), 1);
    EXPECT_TRUE(model.changed());

    // Cancel and an empty name change nothing.
    model.clearChanged();
    messages.replyText(std::nullopt);
    EXPECT_FALSE(model.newFolder(messages));
    messages.replyText(QStringLiteral("   "));
    EXPECT_FALSE(model.newFolder(messages));
    EXPECT_FALSE(model.changed());
}

TEST_F(Fixture, RenameChecksTheOtherSiblingsOnly)
{
    model.select(at(kSafety));
    messages.replyText(QStringLiteral("施工状況写真 "));
    messages.replyText(QStringLiteral("安全"));
    EXPECT_TRUE(model.renameFolder(messages));
    EXPECT_EQ(messages.boxes()[1], QStringLiteral("notice: ") + kDuplicateFolder);
    EXPECT_EQ(model.selected()->caption, QStringLiteral("安全"));
    // Its own name in other letters is no duplicate.
    model.select(at(QStringLiteral("工事写真/工事/施工状況写真/A")));
    messages.clear();
    messages.replyText(QStringLiteral("a"));
    EXPECT_TRUE(model.renameFolder(messages));
    EXPECT_EQ(messages.boxes(), QStringList{QStringLiteral("input: 工事フォルダ名の変更/工事フォルダ名:")});
    EXPECT_EQ(model.selected()->caption, QStringLiteral("a"));
}

// A name beyond the tree file's 50 bytes is refused and asked for again, for
// a new folder and a rename alike, instead of being cut when the tree is saved.
TEST_F(Fixture, FolderNamesLongerThanTheTreeFileHoldsAreAskedAgain)
{
    const QString fits = QString(25, QChar(0x3042));      // 50 bytes
    const QString tooLong = fits + QStringLiteral("x");  // 51 bytes
    const QString warning = QStringLiteral("warning: ") + kFolderNameTooLong;
    model.select(at(kStatus));
    messages.replyText(tooLong);
    messages.replyText(fits);
    ASSERT_TRUE(model.newFolder(messages));
    EXPECT_EQ(messages.boxes(), (QStringList{QStringLiteral("input: 新規工事フォルダ/工事フォルダ名:"), warning,
                                             QStringLiteral("input: 新規工事フォルダ/工事フォルダ名:")}));
    EXPECT_EQ(childNames(kStatus).last(), fits);

    model.select(at(kSafety));
    messages.clear();
    messages.replyText(QStringLiteral("安全") + tooLong);
    messages.replyText(std::nullopt);
    EXPECT_FALSE(model.renameFolder(messages));
    EXPECT_EQ(messages.boxes().value(1), warning);
    EXPECT_EQ(model.selected()->caption, QStringLiteral("安全管理写真"));
}

// Two captions that the tree file would store alike are duplicates, though
// they differ beyond its 50 bytes.
TEST_F(Fixture, DuplicatesAreJudgedOnTheStoredCaptions)
{
    const QString head = QString(25, QChar(0x3044));  // 50 bytes
    EXPECT_TRUE(sameFolderCaption(head + QStringLiteral("甲"), head + QStringLiteral("乙")));
    EXPECT_FALSE(sameFolderCaption(head.left(24) + QStringLiteral("甲"), head.left(24) + QStringLiteral("乙")));
    model.select(at(kStatus));
    FolderNode* added = model.addFromMaster(head + QStringLiteral("甲"));
    ASSERT_TRUE(added);
    EXPECT_EQ(added->caption, head);  // the caption as it will be stored
    EXPECT_FALSE(model.addFromMaster(head + QStringLiteral("乙")));
    EXPECT_EQ(at(kStatus)->childCount(), 2);
}

TEST_F(Fixture, DeletingAFolderMovesAllItsPhotosToTheRecycleBinInFolderOrder)
{
    model.recycle()->photos = {1};
    model.select(at(QStringLiteral("工事写真/工事/施工状況写真/A")));
    messages.reply(false);
    EXPECT_FALSE(model.deleteFolder(messages));
    EXPECT_EQ(messages.boxes(), QStringList{QStringLiteral("confirm: ") + kDeleteFolderConfirm});

    model.recycle()->photos.clear();
    EXPECT_EQ(model.iconIndex(model.recycle()), 8);
    EXPECT_TRUE(model.deleteFolder(messages));
    EXPECT_EQ(model.recycle()->photos, (QList<RECORD>{20, 30, 31, 40}));
    EXPECT_EQ(model.iconIndex(model.recycle()), 9);
    EXPECT_EQ(childNames(kStatus), QStringList{});
    EXPECT_EQ(model.selected(), at(kStatus));
    EXPECT_TRUE(model.changed());
}

TEST_F(Fixture, MovingFoldersUpAndDown)
{
    const QStringList names = childNames(kWork);
    model.select(at(kOther));  // the last child
    EXPECT_FALSE(model.canMoveDown());
    EXPECT_TRUE(model.canMoveUp());
    model.select(at(QStringLiteral("工事写真/工事/災害写真")));  // exactly one next sibling
    ASSERT_TRUE(model.moveDown());
    EXPECT_EQ(childNames(kWork).last(), QStringLiteral("災害写真"));
    EXPECT_TRUE(model.moveUp());
    EXPECT_EQ(childNames(kWork), names);
    model.select(at(QStringLiteral("工事写真/工事/着手前及び完成写真")));
    EXPECT_FALSE(model.canMoveUp());
    // A level-1 folder is not at a photo level; list mode refuses every move.
    EXPECT_FALSE(model.canMoveDown(at(kWork)));
    model.setListMode(true);
    EXPECT_FALSE(model.canMoveDown(at(kStatus)));
}

TEST_F(Fixture, DraggingFoldersFollowsTheDepthRule)
{
    Hierarchy h = defaultHierarchy();
    h.insert(5, TreeFolder{QStringLiteral("L3"), 3, {}});
    h.insert(6, TreeFolder{QStringLiteral("L4"), 4, {}});
    h.insert(7, TreeFolder{QStringLiteral("L4b"), 4, {}});
    h.insert(8, TreeFolder{QStringLiteral("L5"), 5, {}});
    model.load(h);
    FolderNode* l3 = at(QStringLiteral("工事写真/工事/施工状況写真/L3"));
    FolderNode* l4 = at(QStringLiteral("工事写真/工事/施工状況写真/L3/L4"));
    FolderNode* l4b = at(QStringLiteral("工事写真/工事/施工状況写真/L3/L4b"));
    FolderNode* l5 = l4b->child(0);
    EXPECT_EQ(model.subtreeDepth(l4b), 2);
    EXPECT_EQ(model.subtreeDepth(l3), 3);
    struct Case {
        FolderNode* dragged;
        FolderNode* target;
        bool allowed;
    };
    const Case cases[] = {
        {l4b, l4, false},                  // 4 + 2 > 5
        {l4b, at(kStatus), true},          // level 2 + 2
        {l4b, l3, true},                   // level 3 + 2
        {l3, l5, false},                   // below itself
        {l4b, l4b, false},                 // on itself
        {l4b, model.unclassified(), false},
        {l4b, model.recycle(), false},
        {model.photoRoot(), l3, false},    // fixed folders are not dragged
        {l5, model.photoRoot(), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model.canDropFolder(c.dragged, c.target), c.allowed)
            << c.dragged->caption.toStdString() << " on " << c.target->caption.toStdString();
}

TEST_F(Fixture, TheThreeDropPlacements)
{
    FolderNode* a = at(QStringLiteral("工事写真/工事/施工状況写真/A"));
    FolderNode* safety = at(kSafety);
    ASSERT_TRUE(model.dropFolder(a, safety, HierarchyModel::DropPlace::Child, messages));
    EXPECT_EQ(a->parent, safety);
    EXPECT_EQ(model.pathOf(a->child(0)->child(0)), kSafety + QStringLiteral("/A/B/C"));

    FolderNode* d = at(kSafety + QStringLiteral("/A/D"));
    ASSERT_TRUE(model.dropFolder(d, at(kStatus), HierarchyModel::DropPlace::Before, messages));
    EXPECT_EQ(childNames(kWork).mid(0, 3),
              (QStringList{QStringLiteral("着手前及び完成写真"), QStringLiteral("D"), QStringLiteral("施工状況写真")}));

    ASSERT_TRUE(model.dropFolder(d, at(kStatus), HierarchyModel::DropPlace::LastSibling, messages));
    EXPECT_EQ(childNames(kWork).last(), QStringLiteral("D"));
    EXPECT_TRUE(messages.boxes().isEmpty());
    EXPECT_TRUE(model.changed());

    // Nothing is placed beside the top-level folders.
    EXPECT_FALSE(model.dropFolder(d, model.photoRoot(), HierarchyModel::DropPlace::Before, messages));
    EXPECT_FALSE(model.dropFolder(d, model.photoRoot(), HierarchyModel::DropPlace::LastSibling, messages));
    EXPECT_EQ(model.topCount(), 3);
}

TEST_F(Fixture, ADuplicateNameAtTheDestinationMovesNothing)
{
    model.select(at(kSafety));
    messages.replyText(QStringLiteral("a"));
    ASSERT_TRUE(model.newFolder(messages));
    messages.clear();
    FolderNode* a = at(QStringLiteral("工事写真/工事/施工状況写真/A"));
    EXPECT_FALSE(model.dropFolder(a, at(kSafety), HierarchyModel::DropPlace::Child, messages));
    EXPECT_EQ(messages.boxes(), QStringList{QStringLiteral("notice: ") + kDuplicateFolder});
    EXPECT_EQ(a->parent, at(kStatus));
    // Onto its own parent: only the other siblings count, it goes to the end.
    EXPECT_TRUE(model.dropFolder(at(QStringLiteral("工事写真/工事/施工状況写真/A/B")),
                                 at(QStringLiteral("工事写真/工事/施工状況写真/A")), HierarchyModel::DropPlace::Child,
                                 messages));
    EXPECT_EQ(childNames(QStringLiteral("工事写真/工事/施工状況写真/A")),
              (QStringList{QStringLiteral("D"), QStringLiteral("B")}));
}

TEST_F(Fixture, DroppingPhotosOnFolders)
{
    FolderNode* status = at(kStatus);
    FolderNode* safety = at(kSafety);
    status->photos = {1, 2, 3, 4, 5};
    EXPECT_EQ(model.iconIndex(safety), 4);
    ASSERT_TRUE(model.dropPhotos(status, {1}, safety));
    EXPECT_EQ(status->photos, (QList<RECORD>{1, 3, 4, 5}));
    EXPECT_EQ(safety->photos, (QList<RECORD>{2}));
    EXPECT_EQ(model.iconIndex(safety), 5);

    ASSERT_TRUE(model.dropPhotos(status, {3, 0, 2}, safety));  // taken in list order
    EXPECT_EQ(status->photos, (QList<RECORD>{3}));
    EXPECT_EQ(safety->photos, (QList<RECORD>{2, 1, 4, 5}));

    // Onto the folder they belong to: moved to the end.
    ASSERT_TRUE(model.dropPhotos(safety, {0, 2}, safety));
    EXPECT_EQ(safety->photos, (QList<RECORD>{1, 5, 2, 4}));

    // Not at a photo level, or in list mode: refused.
    EXPECT_FALSE(model.dropPhotos(safety, {0}, at(kWork)));
    EXPECT_FALSE(model.dropPhotos(safety, {0}, model.photoRoot()));
    EXPECT_TRUE(model.canDropPhotos(model.recycle()));
    model.setListMode(true);
    EXPECT_FALSE(model.dropPhotos(safety, {0}, model.unclassified()));
    EXPECT_EQ(safety->photos, (QList<RECORD>{1, 5, 2, 4}));
}

TEST_F(Fixture, IconsAndTheLevelWarning)
{
    Hierarchy h = sampleTree();
    h[2].photos = {99};  // 工事 is level 1
    model.load(h);
    struct Case {
        FolderNode* node;
        int icon;
    };
    const Case cases[] = {
        {model.unclassified(), 0}, {model.photoRoot(), 2},          {at(kWork), 3},
        {at(kSafety), 4},          {at(kStatus), 5},                {at(kStatus + QStringLiteral("/A/D")), 6},
        {at(kStatus + QStringLiteral("/A")), 7}, {model.recycle(), 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model.iconIndex(c.node), c.icon) << c.node->caption.toStdString();
    EXPECT_TRUE(model.warnLevels(messages));
    EXPECT_EQ(messages.boxes(), QStringList{QStringLiteral("notice: ") + kLevelWarning});
    messages.clear();
    model.load(sampleTree());
    EXPECT_FALSE(model.warnLevels(messages));
    EXPECT_TRUE(messages.boxes().isEmpty());
}

TEST_F(Fixture, AddingFromAMaster)
{
    model.select(at(kStatus));
    ASSERT_TRUE(model.addFromMaster(QStringLiteral(" 床掘 ")));
    EXPECT_EQ(childNames(kStatus).last(), QStringLiteral("床掘"));
    EXPECT_FALSE(model.addFromMaster(QStringLiteral("床掘")));
    EXPECT_FALSE(model.addFromMaster(QStringLiteral("a")));  // A exists
    model.select(model.recycle());
    EXPECT_FALSE(model.addFromMaster(QStringLiteral("x")));
    EXPECT_TRUE(messages.log.isEmpty());
}

TEST_F(Fixture, ExpandAllAndCollapseOthers)
{
    model.expandAll();
    for (FolderNode* n : model.allFolders())
        EXPECT_TRUE(n->expanded);
    model.select(at(kStatus + QStringLiteral("/A/B")));
    model.collapseOthers();
    for (FolderNode* n : model.allFolders()) {
        const bool onPath = n == model.photoRoot() || n == at(kWork) || n == at(kStatus) ||
                            n == at(kStatus + QStringLiteral("/A"));
        EXPECT_EQ(n->expanded, onPath) << n->caption.toStdString();
    }
}

TEST(JobWorkspaceTest, TheTreeFollowsTheJobAndIsSavedWithIt)
{
    zbtest::TempDir dir;
    ScriptedMessages messages;
    Folders folders = resolveFolders(dir.path(), {}, {}, dir.path());
    createFolders(folders, messages);
    TDataModule_Main data(folders, messages);
    HierarchyModel tree;
    {
        JobLife job(folders, data, messages);
        JobWorkspace ws(job, tree, messages);
        ASSERT_EQ(job.createJob(QStringLiteral("J"), {}), JobLife::OpenResult::Opened);
        EXPECT_EQ(tree.toHierarchy(), defaultHierarchy());
        EXPECT_FALSE(job.changed());
        // A new job shows 工事 open, its eight folders in view.
        EXPECT_TRUE(tree.photoRoot()->expanded);
        EXPECT_TRUE(tree.findPath(kWork)->expanded);
        tree.select(tree.findPath(kStatus));
        messages.replyText(QStringLiteral("床掘"));
        ASSERT_TRUE(tree.newFolder(messages));
        EXPECT_TRUE(job.changed());
        tree.appendPhotos(tree.findPath(kStatus + QStringLiteral("/床掘")), {7});
        ASSERT_TRUE(job.saveTemplate(folders.templateDir + QStringLiteral("T.ZBT")));
        job.closeJob();
    }
    JobLife job(folders, data, messages);
    JobWorkspace ws(job, tree, messages);
    ASSERT_TRUE(job.openJob(QStringLiteral("J"), true));
    EXPECT_EQ(tree.findPath(kStatus + QStringLiteral("/床掘"))->photos, QList<RECORD>{7});
    // Opened again, it shows 工事 open as well.
    EXPECT_TRUE(tree.photoRoot()->expanded);
    EXPECT_TRUE(tree.findPath(kWork)->expanded);
    // A job from the template shows its folders fully expanded, without photos.
    ASSERT_EQ(job.createJob(QStringLiteral("K"), QStringLiteral("T")), JobLife::OpenResult::Opened);
    EXPECT_TRUE(tree.findPath(kStatus + QStringLiteral("/床掘"))->photos.isEmpty());
    for (FolderNode* n : tree.allFolders())
        EXPECT_TRUE(n->expanded);
}

// Drawings dropped on a folder leave their photo's slots and become photos of
// the folder; a slot that no longer holds the drawing, and a folder that takes
// no photos, change nothing.
TEST(JobWorkspaceTest, DrawingsDroppedOnAFolderBecomePhotosThere)
{
    zbtest::TempDir dir;
    ScriptedMessages messages;
    Folders folders = resolveFolders(dir.path(), {}, {}, dir.path());
    createFolders(folders, messages);
    TDataModule_Main data(folders, messages);
    HierarchyModel tree;
    JobLife job(folders, data, messages);
    JobWorkspace ws(job, tree, messages);
    ASSERT_EQ(job.createJob(QStringLiteral("J"), {}), JobLife::OpenResult::Opened);
    TTableNetWork& t = job.photoTable();
    PhotoFields f;
    f.lookUp(t);
    for (RECORD r : {1, 5, 6}) {
        t.append();
        t.setValue(f[F_RECORD], r);
        t.setValue(f[F_REC_DRA1], r == 1 ? 5 : 0);
        t.setValue(f[F_REC_DRA2], 0);
        t.setValue(f[F_REC_DRA3], r == 1 ? 6 : 0);
        t.post();
    }
    tree.appendPhotos(tree.findPath(kStatus), {1});
    ASSERT_TRUE(job.saveJob());
    ASSERT_FALSE(job.changed());
    auto slotValues = [&] {
        EXPECT_TRUE(t.locate(1));
        return QList<int>{t.value(f[F_REC_DRA1]).toInt(), t.value(f[F_REC_DRA2]).toInt(),
                          t.value(f[F_REC_DRA3]).toInt()};
    };

    FolderNode* safety = tree.findPath(kSafety);
    EXPECT_TRUE(ws.dropDrawings({{5, 1, 1}, {6, 2, 1}}, safety));  // 6 is in slot 3, not 2
    EXPECT_EQ(safety->photos, QList<RECORD>{5});
    EXPECT_EQ(slotValues(), (QList<int>{0, 0, 6}));
    EXPECT_TRUE(job.changed());

    EXPECT_FALSE(ws.dropDrawings({{6, 3, 1}}, tree.findPath(kWork)));
    EXPECT_EQ(slotValues(), (QList<int>{0, 0, 6}));
    EXPECT_TRUE(ws.dropDrawings({{6, 3, 1}}, tree.recycle()));
    EXPECT_EQ(tree.recycle()->photos, QList<RECORD>{6});
    EXPECT_EQ(slotValues(), (QList<int>{0, 0, 0}));
    EXPECT_TRUE(messages.boxes().isEmpty());
}
