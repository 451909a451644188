#include "items/palette.h"

#include "items/date_format.h"
#include "items/item_defs.h"

#include "core/sjis.h"
#include "support/temp_dir.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace zb;
using namespace zb::items;

namespace {

QList<PaletteEntry> sample()
{
    return parsePalette(sjis::toBytes(QStringLiteral("// 項目パレット\r\n"
                                                     "0000.自由文\r\n\r\n\r\n"
                                                     "1000.発注年度\r\n(和暦)\r\n&G2&E1年度\r\n"
                                                     "// 写真\r\n"
                                                     "2010.写真タイトル\r\n\r\n  \r\n"
                                                     "2019.撮影年月日\r\n\r\n&Y4/&M2/&D2\r\n")));
}

}  // namespace

TEST(Palette, GroupsOfThreeLinesWithComments)
{
    const QList<PaletteEntry> p = sample();
    ASSERT_EQ(p.size(), 4);
    EXPECT_EQ(p[0].code, 0);
    EXPECT_EQ(p[1].code, 1000);
    EXPECT_EQ(p[1].listText(), QStringLiteral("1000.発注年度(和暦)"));
    EXPECT_EQ(p[1].codeText(), QStringLiteral("1000"));
    EXPECT_EQ(p[1].restText(), QStringLiteral("発注年度(和暦)"));
    EXPECT_EQ(p[1].format, QStringLiteral(";&G2&E1年度"));
    EXPECT_EQ(p[2].format, QString());  // a blank third line stores nothing
    EXPECT_EQ(p[3].token(), QStringLiteral("{2019.撮影年月日;&Y4/&M2/&D2}"));
}

TEST(Palette, TokenTextOfASelection)
{
    const QList<PaletteEntry> p = sample();
    struct Case {
        QList<int> selected;
        const char* token;
    };
    const Case cases[] = {
        {{}, "自由文"},
        {{2}, "{2010.写真タイトル}"},
        {{3, 1}, "{1000.発注年度;&G2&E1年度}{2019.撮影年月日;&Y4/&M2/&D2}"},
        {{2, 0}, "自由文{2010.写真タイトル}"},
        {{1, 0, 2}, "自由文{1000.発注年度;&G2&E1年度}{2010.写真タイトル}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tokenText(p, c.selected), QString::fromUtf8(c.token));
    EXPECT_EQ(tokenText(p.mid(1), {}), QStringLiteral("{1000.発注年度;&G2&E1年度}"));
    EXPECT_EQ(tokenText({}, {}), QString());
    // Free text later in the list replaces what came before it.
    EXPECT_EQ(tokenText(p.mid(1) + p.mid(0, 1), {0, 3}), QStringLiteral("自由文"));
    EXPECT_EQ(tokenForCode(p, 2010), QStringLiteral("{2010.写真タイトル}"));
    EXPECT_EQ(tokenForCode(p, 2011), QString());
}

TEST(Palette, ColoursAndSlots)
{
    EXPECT_EQ(entryColor(0), QColor(231, 231, 231));
    EXPECT_EQ(entryColor(310), QColor(255, 255, 221));
    EXPECT_EQ(entryColor(1005), QColor(206, 255, 206));
    EXPECT_EQ(entryColor(2010), QColor(221, 255, 255));
    EXPECT_EQ(selectedEntryColor(), QColor(255, 255, 0));
    EXPECT_EQ(photoSlotName(1), QStringLiteral("写真１"));
    EXPECT_EQ(photoSlotName(9), QStringLiteral("写真９"));
    EXPECT_EQ(photoSlotName(10), QStringLiteral("写真10"));
}

TEST(Palette, MissingFileAndShortLastGroup)
{
    zbtest::TempDir dir;
    EXPECT_TRUE(readPalette(dir.file("ZBGRPH.LST")).isEmpty());
    zbtest::writeAll(dir.file("ZBGRPH.LST"), sjis::toBytes(QStringLiteral("2010.写真タイトル")));
    const QList<PaletteEntry> p = readPalette(dir.file("ZBGRPH.LST"));
    ASSERT_EQ(p.size(), 1);
    EXPECT_EQ(p[0].token(), QStringLiteral("{2010.写真タイトル}"));
}

TEST(Palette, ReadFromTheUserFolderElseTheProgramsCopy)
{
    zbtest::TempDir dir;
    const QString user = dir.file("data/USERFILE") + "/", program = dir.file("program") + "/";
    QDir().mkpath(user);
    QDir().mkpath(program + "USERFILE");
    // Neither has one: the user folder's name (an empty palette).
    EXPECT_EQ(palettePath(user, program), user + "ZBGRPH.LST");
    zbtest::writeAll(program + "USERFILE/ZBGRPH.LST", QByteArray("100\r\n"));
    EXPECT_EQ(palettePath(user, program), program + "USERFILE/ZBGRPH.LST");
    zbtest::writeAll(user + "ZBGRPH.LST", QByteArray("100\r\n"));
    EXPECT_EQ(palettePath(user, program), user + "ZBGRPH.LST");
}

TEST(Palette, ShippedFileOffersTheItemCodes)
{
    const QList<PaletteEntry> p = readPalette(QStringLiteral(ZB_SOURCE_DIR "/resources/dist/USERFILE/ZBGRPH.LST"));
    ASSERT_FALSE(p.isEmpty());
    EXPECT_EQ(p.first().token(), QStringLiteral("自由文"));
    QList<int> codes;
    for (const PaletteEntry& e : p) {
        codes << e.code;
        EXPECT_EQ(e.body.mid(4, 1), QStringLiteral(".")) << e.body.toStdString();
        const bool derivedPhotoValue = e.code == 2001 || (e.code >= 2005 && e.code <= 2009);
        EXPECT_TRUE(e.code == 0 || derivedPhotoValue || findItemByCode(e.code)) << e.code;
        EXPECT_EQ(!e.format.isEmpty(), isDateCode(e.code)) << e.code;
    }
    for (const QList<ItemDef>* group : {&kojiItems(), &photoItems()})
        for (const ItemDef& d : *group)
            if (d.code != 0)
                EXPECT_TRUE(codes.contains(d.code)) << d.code;
}
