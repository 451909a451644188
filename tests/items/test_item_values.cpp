#include "items/item_values.h"

#include "store/photo_table.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace zb;
using namespace zb::items;

namespace {

const ItemDef& item(const char* label)
{
    const ItemDef* d = findItem(QString::fromUtf8(label));
    EXPECT_TRUE(d) << label;
    return *d;
}

}  // namespace

TEST(ItemValues, SortingFlagShownByListThenDefaultsThenUnregistered)
{
    struct Case {
        int flag;
        QStringList list;
        const char* shown;
    };
    const Case cases[] = {
        {5, {}, "5.未登録"},
        {5, {"0.原本", "5.検査用"}, "5.検査用"},
        {1, {"0.原本"}, "1.工事写真帳"},
        {1, {"1.アルバム"}, "1.アルバム"},
        {99, {}, "99.提出しない"},
        {0, {"なし"}, "なし"},  // an entry without "." counts as 0
        {-1, {}, "-1.未登録"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(flagText(c.flag, c.list), QString::fromUtf8(c.shown)) << c.flag;
    EXPECT_EQ(photoStoredValue(item("写真整理フラッグ"), QStringLiteral("1.工事写真帳")).toInt(), 1);
    EXPECT_EQ(photoStoredValue(item("写真整理フラッグ"), QStringLiteral("原本")).toInt(), 0);
}

TEST(ItemValues, ConstructionItemsStoredAndShown)
{
    JobHeader h;
    struct Case {
        const char* label;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {"工事データ進捗状況", "保留", "保留"},
        {"発注年度", "2003", "2003"},
        {"工期開始日", "2003040512", "20030405"},  // ten digits: the first eight are kept
        {"工期終了日", "20040331", "20040331"},
        {"発注者コード", "123456789", "12345678"},
        {"工事データ作成者", "あいうえおかきくけこさ", "あいうえおかきくけこ"},
    };
    for (const Case& c : cases) {
        storeHeaderItem(item(c.label), h, QString::fromUtf8(c.typed));
        EXPECT_EQ(headerItemText(item(c.label), h), QString::fromUtf8(c.shown)) << c.label;
    }
    EXPECT_EQ(h.progress, 5);
    EXPECT_EQ(h.fiscalYear, 2003);

    // Texts that are no progress state or no number store 0; 0 years show empty.
    storeHeaderItem(item("工事データ進捗状況"), h, QStringLiteral("不明"));
    EXPECT_EQ(h.progress, 0);
    EXPECT_EQ(headerItemText(item("工事データ進捗状況"), h), QStringLiteral("新規作成"));
    storeHeaderItem(item("発注年度"), h, QStringLiteral("平成"));
    EXPECT_EQ(h.fiscalYear, 0);
    EXPECT_EQ(headerItemText(item("発注年度"), h), QString());
}

TEST(ItemValues, WholeHeaderKeepsItemsNotGiven)
{
    JobHeader h;
    h.clientRemarks = QStringLiteral("備考は残る");
    ItemTexts shown = showJobHeader(h);
    EXPECT_EQ(shown.size(), 20);
    EXPECT_EQ(shown.value(QStringLiteral("発注者備考")), QStringLiteral("備考は残る"));

    // What a grid with the need-level filter down stores: only its 13 rows.
    ItemTexts filtered;
    for (const ItemDef* d : shownItems(Group::Koji, true))
        filtered.insert(d->label, shown.value(d->label));
    filtered[QStringLiteral("工事名称")] = QStringLiteral("護岸工事");
    storeJobHeader(h, filtered);
    EXPECT_EQ(h.constructionName, QStringLiteral("護岸工事"));
    EXPECT_EQ(showJobHeader(h).value(QStringLiteral("発注者備考")), QStringLiteral("備考は残る"));
}

TEST(ItemValues, CharactersOutsideShiftJisAreReported)
{
    JobHeader h;
    QString lost;
    storeHeaderItem(item("工事名称"), h, QStringLiteral("護岸\u00E9工事"), &lost);
    EXPECT_EQ(h.constructionName, QStringLiteral("護岸工事"));
    EXPECT_EQ(lost, QStringLiteral("\u00E9"));

    lost.clear();
    const QVariant v = photoStoredValue(item("写真タイトル"), QStringLiteral("着手\u00E9前"), &lost);
    EXPECT_EQ(v.toString(), QStringLiteral("着手前"));
    EXPECT_EQ(lost, QStringLiteral("\u00E9"));
}

TEST(ItemValues, PhotoRowRoundTrip)
{
    zbtest::TempDir dir;
    TTableNetWork t;
    const PhotoFields f = openOrCreatePhotoTable(dir.file("J.DB"), {&t}, true);
    t.append();
    t.setValue(f[F_RECORD], 1);
    t.setValue(f[F_FLAG], 5);
    t.setValue(f[F_FILMNUM], 0);
    t.setValue(f[F_TITLE], QStringLiteral("着手前"));
    t.post();
    ASSERT_TRUE(t.first());

    ItemTexts shown = showPhotoRow(t, f, {{QStringLiteral("写真整理フラッグ"), {QStringLiteral("5.検査")}}});
    EXPECT_EQ(shown.size(), 22);
    EXPECT_EQ(shown.value(QStringLiteral("写真整理フラッグ")), QStringLiteral("5.検査"));
    // Never set (null): shown as 0.
    EXPECT_TRUE(t.isNull(f[F_DAIHYO]));
    EXPECT_EQ(shown.value(QStringLiteral("代表写真")), QStringLiteral("0"));
    EXPECT_EQ(shown.value(QStringLiteral("提出頻度写真")), QStringLiteral("0"));
    EXPECT_EQ(shown.value(QStringLiteral("フィルム番号")), QString());
    EXPECT_EQ(shown.value(QStringLiteral("写真タイトル")), QStringLiteral("着手前"));
    EXPECT_EQ(shown.value(QStringLiteral("撮影箇所")), QString());

    t.edit();
    storePhotoRow(t, f,
                  {{QStringLiteral("写真整理フラッグ"), QStringLiteral("1.工事写真帳")},
                   {QStringLiteral("フィルム番号"), QStringLiteral("12")},
                   {QStringLiteral("撮影年月日"), QStringLiteral("2003040599")},
                   {QStringLiteral("コマ番号"), QStringLiteral("A12")},
                   {QStringLiteral("代表写真"), QStringLiteral("1")},
                   {QStringLiteral("提出頻度写真"), QStringLiteral("0")}});
    t.post();
    ASSERT_TRUE(t.first());
    EXPECT_EQ(t.value(f[F_FLAG]).toInt(), 1);
    EXPECT_EQ(t.value(f[F_FILMNUM]).toInt(), 12);
    EXPECT_EQ(t.value(f[F_DATE]).toString(), QStringLiteral("20030405"));
    EXPECT_EQ(t.value(f[F_TITLE]).toString(), QStringLiteral("着手前"));
    shown = showPhotoRow(t, f);
    EXPECT_EQ(shown.value(QStringLiteral("写真整理フラッグ")), QStringLiteral("1.工事写真帳"));
    EXPECT_EQ(shown.value(QStringLiteral("コマ番号")), QStringLiteral("A12"));
    EXPECT_EQ(t.value(f[F_DAIHYO]).toInt(), 1);
    EXPECT_FALSE(t.isNull(f[F_TEISYUTU]));
    EXPECT_EQ(t.value(f[F_TEISYUTU]).toInt(), 0);
    EXPECT_EQ(shown.value(QStringLiteral("代表写真")), QStringLiteral("1"));
}

TEST(ItemValues, FiscalYearList)
{
    EXPECT_EQ(fiscalYearList(QDate(2003, 4, 5)), QStringList({"2002", "2003", "2004"}));
}
