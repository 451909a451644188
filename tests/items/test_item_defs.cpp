#include "items/item_defs.h"

#include <gtest/gtest.h>

using namespace zb;
using namespace zb::items;

namespace {

QStringList labels(const QList<const ItemDef*>& defs)
{
    QStringList out;
    for (const ItemDef* d : defs)
        out << d->label;
    return out;
}

}  // namespace

TEST(ItemDefs, BothGroupsHaveTheirRowsInOrder)
{
    ASSERT_EQ(kojiItems().size(), 20);
    ASSERT_EQ(photoItems().size(), 22);
    for (Group g : {Group::Koji, Group::Photo})
        for (int i = 0; i < groupItems(g).size(); ++i)
            EXPECT_EQ(groupItems(g)[i].row, i + 1);
    EXPECT_EQ(kojiItems().first().label, QStringLiteral("工事データ進捗状況"));
    EXPECT_EQ(kojiItems().last().label, QStringLiteral("請負者備考"));
    EXPECT_EQ(photoItems().first().label, QStringLiteral("写真整理フラッグ"));
    EXPECT_EQ(photoItems()[19].label, QStringLiteral("写真予備情報3"));
    EXPECT_EQ(photoItems().last().label, QStringLiteral("提出頻度写真"));
}

TEST(ItemDefs, RepresentativeAndFrequencyRowsAreRequiredChoicesOfZeroAndOne)
{
    for (auto [label, field] : {std::pair{"代表写真", F_DAIHYO}, {"提出頻度写真", F_TEISYUTU}}) {
        SCOPED_TRACE(label);
        const ItemDef* d = findItem(Group::Photo, QString::fromUtf8(label));
        ASSERT_TRUE(d);
        EXPECT_EQ(findPhotoItem(field), d);
        EXPECT_EQ(d->mark, NeedMark::Required);
        EXPECT_EQ(d->xmlElement, d->label);
        EXPECT_TRUE(d->choiceOnly);
        EXPECT_FALSE(d->registrable);
        EXPECT_EQ(d->defaultList, (QStringList{"0", "1"}));
        EXPECT_EQ(d->valueKind, ValueKind::ZeroOne);
    }
}

TEST(ItemDefs, FilterDownKeepsRequiredAndConditionalRows)
{
    EXPECT_EQ(labels(shownItems(Group::Koji, true)),
              QStringList({"発注年度", "工事番号", "河川路線名等", "工事名称", "工事箇所", "工期開始日", "工期終了日",
                           "発注者－大分類", "発注者－中分類", "発注者－小分類", "発注者コード", "請負者名",
                           "請負者コード"}));
    EXPECT_EQ(labels(shownItems(Group::Photo, true)),
              QStringList({"写真整理フラッグ", "写真タイトル", "撮影箇所", "撮影年月日", "フィルム番号", "コマ番号",
                           "施工管理値", "施工管理値予備", "代表写真", "提出頻度写真"}));
    EXPECT_EQ(shownItems(Group::Koji, false).size(), 20);
    EXPECT_EQ(shownItems(Group::Photo, false).size(), 22);
}

TEST(ItemDefs, LabelsElementsAndCodesWhereTheyDiffer)
{
    const ItemDef* major = findItem(QStringLiteral("発注者－大分類"));
    ASSERT_TRUE(major);
    EXPECT_EQ(major->xmlElement, QStringLiteral("発注者-大分類"));
    EXPECT_EQ(major->defaultList, QStringList{QStringLiteral("国土交通省")});
    const ItemDef* flag = findItem(Group::Photo, QStringLiteral("写真整理フラッグ"));
    ASSERT_TRUE(flag);
    EXPECT_EQ(flag->xmlElement, QStringLiteral("写真整理フラグ"));
    EXPECT_TRUE(flag->choiceOnly);
    EXPECT_EQ(findPhotoItem(F_BIKOU2)->xmlElement, QStringLiteral("写真情報予備2"));
    EXPECT_EQ(findItemByCode(1005)->label, QStringLiteral("工期開始日"));
    EXPECT_EQ(findItemByCode(2020)->photoField, F_FILMNUM);
    EXPECT_EQ(findItemByCode(310)->label, QStringLiteral("工事データ作成者"));
    EXPECT_EQ(findItemByCode(2001), nullptr);
    EXPECT_EQ(findItem(QStringLiteral("無い項目")), nullptr);

    const ItemDef* start = findItem(Group::Koji, QStringLiteral("工期開始日"));
    EXPECT_EQ(start->maxLength, 20);
    EXPECT_EQ(start->room, 8);
    EXPECT_EQ(start->button, ButtonKind::Calendar);
    EXPECT_EQ(start->dateFormat, QStringLiteral("yyyymmdd"));
    EXPECT_FALSE(start->negativesAllowed);
    EXPECT_EQ(findItem(QStringLiteral("フィルム番号"))->button, ButtonKind::Spin);
    EXPECT_TRUE(findItem(QStringLiteral("請負者説明文"))->multiLine);
    EXPECT_EQ(findItem(QStringLiteral("コマ番号"))->charMode, 2);
}

TEST(ItemDefs, MarksAndColours)
{
    EXPECT_EQ(markText(NeedMark::Required), QStringLiteral("◎"));
    EXPECT_EQ(markText(NeedMark::System), QStringLiteral("◇"));
    EXPECT_EQ(markMeaning(NeedMark::Conditional), QStringLiteral("条件付き必須記入"));
    EXPECT_EQ(*markColor(NeedMark::Required), QColor(255, 255, 136));
    EXPECT_EQ(*markColor(NeedMark::Conditional), QColor(64, 157, 111));
    EXPECT_FALSE(markColor(NeedMark::Optional));
    EXPECT_FALSE(markColor(NeedMark::System));
}
