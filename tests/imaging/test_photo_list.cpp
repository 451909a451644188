#include "workspace/photo_list.h"
#include "workspace/drawing_list.h"

#include "core/scripted_ports.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace zb;

namespace {

struct ListFixture {
    zbtest::TempDir dir;
    TTableNetWork table;
    PhotoFields f;

    ListFixture() { f = openOrCreatePhotoTable(dir.file("L.DB"), {&table}, true); }
    void row(RECORD r, const QVariant& title = {}, RECORD dra1 = 0, RECORD dra2 = 0, RECORD dra3 = 0)
    {
        table.append();
        table.setValue(f[F_RECORD], r);
        if (title.isValid())
            table.setValue(f[F_TITLE], title);
        if (dra1)
            table.setValue(f[F_REC_DRA1], dra1);
        if (dra2)
            table.setValue(f[F_REC_DRA2], dra2);
        if (dra3)
            table.setValue(f[F_REC_DRA3], dra3);
        table.post();
    }
    QList<RECORD> slotValues(RECORD photo)
    {
        table.locate(photo);
        QList<RECORD> out;
        for (PhotoField p : {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3})
            out << table.value(f[p]).toInt();
        return out;
    }
};

}  // namespace

TEST(PhotoList, Captions)
{
    ListFixture fx;
    fx.row(1, "護岸工 施工前");
    fx.row(2);
    fx.row(3, "");
    EXPECT_EQ(photoCaption(fx.table, fx.f, 1), "護岸工 施工前");
    EXPECT_EQ(photoCaption(fx.table, fx.f, 2), "(無題)");
    EXPECT_EQ(photoCaption(fx.table, fx.f, 3), "(無題)");
    EXPECT_EQ(photoCaption(fx.table, fx.f, 9), "(不明データ)");
}

TEST(PhotoList, DropsWithinTheList)
{
    const struct {
        QList<int> dragged;
        int target;
        bool swap;
        QList<RECORD> after;
    } cases[] = {
        {{2}, 0, false, {3, 1, 2, 4, 5}},
        {{2}, 0, true, {3, 2, 1, 4, 5}},
        {{0}, 4, false, {2, 3, 4, 5, 1}},
        {{0}, 3, false, {2, 3, 4, 1, 5}},
        {{1, 3}, 0, false, {2, 4, 1, 3, 5}},
        {{3, 1}, 0, true, {2, 4, 1, 3, 5}},  // several: a block whatever the toggle
        {{0, 1}, 4, false, {3, 4, 1, 2, 5}},
        {{0, 4}, 2, false, {2, 1, 5, 3, 4}},
        {{1, 2}, 2, false, {1, 2, 3, 4, 5}},  // the target is dragged: nothing
        {{1}, 7, false, {1, 2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        QList<RECORD> list{1, 2, 3, 4, 5};
        const bool changed = dropWithinList(list, c.dragged, c.target, c.swap);
        EXPECT_EQ(changed, list != QList<RECORD>({1, 2, 3, 4, 5}));
        EXPECT_EQ(list, c.after) << c.target << " swap " << c.swap;
    }
}

TEST(PhotoList, UpAndDown)
{
    QList<RECORD> list{1, 2, 3};
    EXPECT_EQ(movePhoto(list, 1, -1), 0);
    EXPECT_EQ(list, (QList<RECORD>{2, 1, 3}));
    EXPECT_EQ(movePhoto(list, 0, -1), -1);
    EXPECT_EQ(movePhoto(list, 2, 1), -1);
    EXPECT_EQ(movePhoto(list, 1, 1), 2);
    EXPECT_EQ(list, (QList<RECORD>{2, 3, 1}));
}

TEST(PhotoList, DeleteToRecycleAndForGood)
{
    ListFixture fx;
    fx.row(1);
    fx.row(2, {}, 5);
    fx.row(5);  // drawing of 2
    fx.row(3);
    QList<RECORD> folder{1, 2, 9, 3};  // 9 is not in the table
    QList<RECORD> recycle{7};

    ScriptedMessages no;
    no.reply(false);
    EXPECT_EQ(deletePhotos(folder, {1, 2}, false, recycle, fx.table, fx.f, no), -1);
    EXPECT_EQ(no.boxes(), QStringList{"confirm: " + kMoveToRecycle});
    EXPECT_EQ(folder, (QList<RECORD>{1, 2, 9, 3}));

    ScriptedMessages m;
    EXPECT_EQ(deletePhotos(folder, {2, 1}, false, recycle, fx.table, fx.f, m), 1);
    EXPECT_EQ(folder, (QList<RECORD>{1, 3}));
    EXPECT_EQ(recycle, (QList<RECORD>{7, 2}));  // the unknown entry is only removed
    EXPECT_TRUE(fx.table.locate(2));
    EXPECT_TRUE(fx.table.locate(5));

    ScriptedMessages bin;
    QList<RECORD> unused;
    recycle << 9;
    QList<RECORD> gone;
    EXPECT_EQ(deletePhotos(recycle, {1, 2}, true, unused, fx.table, fx.f, bin, &gone), 1);
    EXPECT_EQ(bin.boxes(), QStringList{"confirm: " + kDeleteForGood});
    EXPECT_EQ(recycle, QList<RECORD>{7});
    EXPECT_FALSE(fx.table.locate(2));
    EXPECT_FALSE(fx.table.locate(5));  // its drawing went with it
    EXPECT_TRUE(fx.table.locate(1));
    EXPECT_EQ(unused, QList<RECORD>());
    EXPECT_EQ(gone, (QList<RECORD>{2, 5}));  // the unknown entry 9 deleted no row
}

TEST(DrawingList, EntriesInSlotOrder)
{
    ListFixture fx;
    fx.row(1, {}, 0, 7, 8);
    fx.row(2);
    EXPECT_EQ(drawingsOf(fx.table, fx.f, 1), (QList<DrawingEntry>{{7, 2, 1}, {8, 3, 1}}));
    EXPECT_TRUE(drawingsOf(fx.table, fx.f, 2).isEmpty());
    EXPECT_TRUE(drawingsOf(fx.table, fx.f, 9).isEmpty());
    EXPECT_EQ(drawingCaption(0), "参考図1");
}

TEST(DrawingList, MovesAndDrops)
{
    const struct {
        int dragged, target;
        bool swap;
        QList<RECORD> after;
    } drops[] = {
        {3, 1, true, {9, 0, 7}},
        {3, 1, false, {9, 7, 0}},
        {1, 3, false, {0, 9, 7}},  // an empty slot moves like any other value
        {2, 2, false, {7, 0, 9}},
    };
    for (const auto& c : drops) {
        ListFixture fx;
        fx.row(1, {}, 7, 0, 9);
        EXPECT_EQ(dropDrawing(fx.table, fx.f, 1, c.dragged, c.target, c.swap), c.dragged != c.target);
        EXPECT_EQ(fx.slotValues(1), c.after) << c.dragged << " on " << c.target << " swap " << c.swap;
    }
    // Up/down swap with the neighbouring entry of the list.
    ListFixture fx;
    fx.row(1, {}, 7, 0, 9);
    EXPECT_EQ(moveDrawing(fx.table, fx.f, 1, 1, -1), 0);
    EXPECT_EQ(fx.slotValues(1), (QList<RECORD>{9, 0, 7}));
    EXPECT_EQ(moveDrawing(fx.table, fx.f, 1, 0, -1), -1);
    EXPECT_EQ(moveDrawing(fx.table, fx.f, 1, 1, 1), -1);
}

TEST(DrawingList, DeleteToRecycleAndForGood)
{
    ListFixture fx;
    fx.row(1, {}, 7, 8, 9);
    fx.row(7);
    fx.row(8);
    fx.row(9);
    QList<RECORD> recycle;
    ScriptedMessages no;
    no.reply(false);
    EXPECT_FALSE(deleteDrawings(fx.table, fx.f, 1, {1}, false, recycle, no));
    EXPECT_EQ(no.boxes(), QStringList{"ask: " + kMoveDrawingsToRecycle});
    EXPECT_EQ(fx.slotValues(1), (QList<RECORD>{7, 8, 9}));

    ScriptedMessages m;
    EXPECT_TRUE(deleteDrawings(fx.table, fx.f, 1, {3, 1}, false, recycle, m));
    EXPECT_EQ(recycle, (QList<RECORD>{7, 9}));
    EXPECT_EQ(fx.slotValues(1), (QList<RECORD>{0, 8, 0}));
    EXPECT_TRUE(fx.table.locate(7));

    ScriptedMessages bin;
    EXPECT_TRUE(deleteDrawings(fx.table, fx.f, 1, {2}, true, recycle, bin));
    EXPECT_EQ(bin.boxes(), QStringList{"ask: " + kDeleteDrawingsForGood});
    EXPECT_FALSE(fx.table.locate(8));
    EXPECT_EQ(fx.slotValues(1), (QList<RECORD>{0, 0, 0}));
}

TEST(DrawingList, RegisteredPhotosBecomeDrawings)
{
    const struct {
        const char* name;
        QList<RECORD> drawingsBefore;  // slots of the target (record 1)
        QList<RECORD> chosen;
        QList<RECORD> slotsAfter;
        QList<RECORD> folderAfter;
        QStringList boxes;
    } cases[] = {
        {"four chosen, three attached", {0, 0, 0}, {2, 3, 4, 5}, {2, 3, 4}, {1, 5, 6},
         {"information: " + kDrawingsFull}},
        {"the target itself is skipped", {0, 0, 0}, {1, 2}, {2, 0, 0}, {1, 3, 4, 5, 6}, {}},
        {"a free first slot is filled", {0, 8, 9}, {3}, {3, 8, 9}, {1, 2, 4, 5, 6}, {}},
        {"more than four: the fifth is not taken", {0, 0, 9}, {2, 3, 4, 5, 6}, {2, 3, 9}, {1, 4, 5, 6},
         {"information: " + kDrawingsFull}},
        {"a photo with drawings stays", {0, 0, 0}, {7, 2}, {2, 0, 0}, {1, 3, 4, 5, 6, 7},
         {"information: " + kDrawingHasDrawings}},
    };
    for (const auto& c : cases) {
        ListFixture fx;
        fx.row(1, {}, c.drawingsBefore[0], c.drawingsBefore[1], c.drawingsBefore[2]);
        for (RECORD r = 2; r <= 6; ++r)
            fx.row(r);
        fx.row(7, {}, 0, 10, 0);
        QList<RECORD> folder = {1, 2, 3, 4, 5, 6};
        if (c.chosen.contains(7))
            folder << 7;
        ScriptedMessages m;
        const AttachResult r = attachRegisteredPhotos(fx.table, fx.f, 1, c.chosen, folder, m);
        EXPECT_EQ(fx.slotValues(1), c.slotsAfter) << c.name;
        EXPECT_EQ(folder, c.folderAfter) << c.name;
        EXPECT_EQ(m.boxes(), c.boxes) << c.name;
        for (RECORD a : r.attached)
            EXPECT_FALSE(folder.contains(a)) << c.name;
    }
}
