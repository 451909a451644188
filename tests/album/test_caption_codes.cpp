#include "album/caption_codes.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace zb;
using namespace zb::album;

TEST(CaptionCodes, TokenReading)
{
    struct Case {
        const char* body;
        int code;
        const char* display;
        const char* format;
    } cases[] = {
        {"2010.写真タイトル", 2010, "写真タイトル", ""},
        {"1005.工期開始日;&Y4/&M2/&D2", 1005, "工期開始日;&Y4/&M2/&D2", "&Y4/&M2/&D2"},
        {"自由文", 0, "自由文", ""},
        {"12x.名前", 12, "名前", ""},
        {".名前", 0, "名前", ""},
        {"99999999999999.x", 0, "x", ""},
    };
    for (const Case& c : cases) {
        const CaptionToken t = parseToken(QString::fromUtf8(c.body));
        EXPECT_EQ(t.code, c.code) << c.body;
        EXPECT_EQ(t.display, QString::fromUtf8(c.display)) << c.body;
        EXPECT_EQ(t.format, QString::fromUtf8(c.format)) << c.body;
    }
}

TEST(CaptionCodes, DrawingTime)
{
    struct Case {
        const char* caption;
        PageContext page;
        const char* drawn;
    } cases[] = {
        {"{150.頁}", {3, 5, 2}, "2"},
        {"{150.頁}", {1, 5, 2}, ""},
        {"{160.頁数}", {1, 3, 5}, ""},
        {"{160.頁数}", {1, 7, 2}, "6"},
        {"P{150.頁}/{160.頁数}", {2, 4, 1}, "P2/4"},
        {"{2500.写真}", {1, 1, 1}, ""},
        {"a{2601.参考図2}b", {1, 1, 1}, "ab"},
        {"{2002.名称}", {1, 1, 1}, "名称"},
        {"{自由文}", {1, 1, 1}, "自由文"},
        {"{1005.日;&Y4}", {1, 1, 1}, "日;&Y4"},
        {"{ではない", {1, 1, 1}, "{ではない"},
        {"}前{150.頁}", {4, 4, 1}, "}前4"},
        {"ABC\r\nDEF", {1, 1, 1}, "ABC\r\nDEF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolveAtDrawing(QString::fromUtf8(c.caption), c.page), QString::fromUtf8(c.drawn)) << c.caption;
}

TEST(CaptionCodes, FormatEditing)
{
    CommonSettings company;
    company.jName1 = QStringLiteral("株式会社");
    company.jBikou2 = QStringLiteral("備考2");
    const QDate today(2026, 12, 10);
    struct Case {
        const char* caption;
        const char* shown;
    } cases[] = {
        {"{50.会社名}", "株式会社"},
        {"{58.備考2}", "備考2"},
        {"{51.会社名2}", ""},
        {"{100.今日;&Y4/&M2/&D2}", "2026/12/10"},
        {"{2019.撮影年月日;&M1月&D1日}", "12月10日"},
        {"{1000.年度;&Y4年度}", "2026年度"},
        {"{2010.写真タイトル}", "写真タイトル"},
        {"{150.頁}", "頁"},
        {"{2019.撮影年月日}", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolveForFormat(QString::fromUtf8(c.caption), company, today), QString::fromUtf8(c.shown))
            << c.caption;
}

TEST(CaptionCodes, DeliveryNameAndLevels)
{
    EXPECT_EQ(deliveryFileName(7), QStringLiteral("PIC00007.JPG"));
    EXPECT_EQ(deliveryFileName(1234567), QStringLiteral("PIC34567.JPG"));
    Hierarchy h = defaultHierarchy();
    // 未分類, 工事写真, then the levels below the root, then ごみ箱.
    Hierarchy folders;
    folders << TreeFolder{QStringLiteral("未分類(写真フォルダ)"), 0, {9}};
    folders << TreeFolder{QStringLiteral("工事写真"), 0, {}};
    folders << TreeFolder{QStringLiteral("着手前"), 1, {}};
    folders << TreeFolder{QStringLiteral("区分"), 2, {}};
    folders << TreeFolder{QStringLiteral("護岸工"), 3, {5}};
    folders << TreeFolder{QStringLiteral("別の区分"), 2, {6}};
    folders << TreeFolder{QStringLiteral("ごみ箱"), 0, {}};
    EXPECT_EQ(levelCaptions(folders, 5),
              (QStringList{QStringLiteral("着手前"), QStringLiteral("区分"), QStringLiteral("護岸工"), {}, {}}));
    EXPECT_EQ(levelCaptions(folders, 6), (QStringList{QStringLiteral("着手前"), QStringLiteral("別の区分"), {}, {}, {}}));
    EXPECT_EQ(levelCaptions(folders, 9), QStringList(5));
    EXPECT_EQ(levelCaptions(h, 1), QStringList(5));
}

TEST(CaptionCodes, AlbumResolution)
{
    zbtest::TempDir dir;
    TTableNetWork table;
    const PhotoFields f = openOrCreatePhotoTable(dir.file("J.DB"), {&table}, true);
    for (int record : {1, 2}) {
        table.append();
        table.setValue(f[F_RECORD], record);
        table.setValue(f[F_TITLE], record == 1 ? QStringLiteral("着手前") : QString());
        table.setValue(f[F_DATE], QStringLiteral("20030405"));
        table.setValue(f[F_FILMNUM], 12);
        table.post();
    }
    CaptionSources s;
    s.today = QDate(2026, 12, 10);
    s.company.jName1 = QStringLiteral("会社");
    s.jobName = QStringLiteral("護岸");
    s.header.constructionName = QStringLiteral("護岸工事");
    s.header.startDate = QStringLiteral("20030401");
    s.header.fiscalYear = 2003;
    s.header.author = QStringLiteral("作成者");
    s.folders << TreeFolder{QStringLiteral("未分類(写真フォルダ)"), 0, {}};
    s.folders << TreeFolder{QStringLiteral("工事写真"), 0, {}};
    s.folders << TreeFolder{QStringLiteral("分類"), 1, {1}};
    s.albumOpen = true;
    s.albumPath = QStringLiteral("/x/ALBUM/第1回.ZBA");
    s.albumTitle = QStringLiteral("工事写真帳");
    s.photoTable = &table;
    s.fields = f;
    struct Case {
        const char* caption;
        RECORD photo;
        const char* stored;
    } cases[] = {
        {"{2010.写真タイトル}", 1, "着手前"},
        {"[{2010.写真タイトル}]", 2, "[]"},
        {"{2019.撮影年月日}", 1, ""},
        {"{2019.撮影年月日;&Y4.&M2.&D2}", 1, "2003.04.05"},
        {"{2020.フィルム番号}", 1, "12"},
        {"{2001.ファイル名}", 2, "PIC00002.JPG"},
        {"{2005.写真-大分類}/{2006.写真区分}", 1, "分類/"},
        {"{2002.名称}", 1, "{2002.名称}"},
        {"{2010.写真タイトル}", 99, ""},
        {"{2002.名称}", 99, "{2002.名称}"},
        {"{2500.写真}", 1, "{2500.写真}"},
        {"{2600.参考図1}", 1, "{2600.参考図1}"},
        {"{150.頁}/{160.頁数}", 1, "{150.頁}/{160.頁数}"},
        {"{自由文}", 1, "{自由文}"},
        {"{50.会社}{300.工事}{305.帳}{306.題}", 1, "会社護岸第1回工事写真帳"},
        {"{310.作成者}{1003.工事名称}", 1, "作成者護岸工事"},
        {"{1005.開始;&Y4/&M2/&D2}{1005.開始}", 1, "2003/04/01"},
        {"{1000.年度;&Y4}", 1, "2003"},
        {"{100.今日;&M2&D2}", 1, "1210"},
        {"{ab", 1, "{ab"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolveForAlbum(QString::fromUtf8(c.caption), c.photo, s), QString::fromUtf8(c.stored)) << c.caption;
    // Without an album the album codes are empty and disappear.
    s.albumOpen = false;
    EXPECT_EQ(resolveForAlbum(QStringLiteral("a{305.帳}{306.題}b"), 1, s), QStringLiteral("ab"));
    // A deleted photo gives empty values.
    ASSERT_TRUE(table.locate(1));
    table.remove();
    EXPECT_EQ(resolveForAlbum(QStringLiteral("{2010.写真タイトル}"), 1, s), QString());
}
