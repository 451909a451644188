#include "items/grid_input.h"

#include <gtest/gtest.h>

using namespace zb;
using namespace zb::items;

TEST(GridInput, ValuesAreTakenAsTheGridTakesTypedText)
{
    struct Case {
        const char* label;
        const char* typed;
        bool ok;
        const char* text;
    };
    const Case cases[] = {
        {"写真タイトル", "ｶﾞｰﾄﾞ abc", true, "ガード abc"},  // mode 3: half-width kana full-width
        {"写真タイトル", "", true, ""},
        {"写真タイトル", "\u00E9", false, ""},                // not in Shift_JIS
        {"発注年度", "２０２６", true, "2026"},
        {"発注年度", "20261", false, ""},                     // 4 digits at most
        {"発注年度", "-1", false, ""},                        // no negatives
        {"発注年度", "20a6", false, ""},
        {"フィルム番号", "2147483648", false, ""},
        {"フィルム番号", "12", true, "12"},
        {"工期開始日", "20260401", true, "20260401"},
        {"工期開始日", "2026/04/01", false, ""},
        {"コマ番号", "ab-1", false, ""},                      // mode 2: digits and letters only
        {"コマ番号", "ａ12", true, "a12"},
    };
    for (const Case& c : cases) {
        const ItemDef* item = findItem(QString::fromUtf8(c.label));
        ASSERT_TRUE(item) << c.label;
        const GridInput in = acceptGridText(*item, QString::fromUtf8(c.typed), {});
        EXPECT_EQ(in.ok, c.ok) << c.label << " " << c.typed << " " << in.reason.toStdString();
        if (c.ok)
            EXPECT_EQ(in.text, QString::fromUtf8(c.text)) << c.label << " " << c.typed;
    }
    // Longer than the row holds.
    EXPECT_FALSE(acceptGridText(*findItem(u"写真タイトル"), QString(81, 'a'), {}).ok);
    EXPECT_TRUE(acceptGridText(*findItem(u"写真タイトル"), QString(80, 'a'), {}).ok);
    // Rows picked from their list take list entries only.
    const ItemDef* flag = findItem(u"写真整理フラッグ");
    EXPECT_TRUE(acceptGridText(*flag, "1.工事写真帳", flag->defaultList).ok);
    EXPECT_FALSE(acceptGridText(*flag, "7", flag->defaultList).ok);
}
