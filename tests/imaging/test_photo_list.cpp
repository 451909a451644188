#include "workspace/photo_list.h"

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
    void row(RECORD r, const QVariant& title = {}, RECORD dra1 = 0)
    {
        table.append();
        table.setValue(f[F_RECORD], r);
        if (title.isValid())
            table.setValue(f[F_TITLE], title);
        if (dra1)
            table.setValue(f[F_REC_DRA1], dra1);
        table.post();
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
    EXPECT_EQ(deletePhotos(recycle, {1, 2}, true, unused, fx.table, fx.f, bin), 1);
    EXPECT_EQ(bin.boxes(), QStringList{"confirm: " + kDeleteForGood});
    EXPECT_EQ(recycle, QList<RECORD>{7});
    EXPECT_FALSE(fx.table.locate(2));
    EXPECT_FALSE(fx.table.locate(5));  // its drawing went with it
    EXPECT_TRUE(fx.table.locate(1));
    EXPECT_EQ(unused, QList<RECORD>());
}
