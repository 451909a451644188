#include "items/choice_lists.h"

#include "core/inifile.h"
#include "core/sjis.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::items;

namespace {

const QString kTitle = QStringLiteral("写真タイトル");

QString fileText(const QString& path)
{
    return sjis::decode(zbtest::readAll(path));
}

}  // namespace

TEST(ChoiceLists, WriteKeepsFirstFiftyNonBlankEntries)
{
    zbtest::TempDir dir;
    ChoiceLists lists(dir.file("ZBMENU.LST"));
    QStringList sixty;
    for (int i = 1; i <= 60; ++i)
        sixty << (i % 10 == 0 ? QStringLiteral(" 　") : QStringLiteral("項目%1").arg(i));
    ASSERT_TRUE(lists.write(kTitle, sixty));

    const QStringList read = lists.read(kTitle);
    ASSERT_EQ(read.size(), 45);  // the first 50 lines, five of them blank
    EXPECT_EQ(read.first(), QStringLiteral("項目1"));
    EXPECT_EQ(read.last(), QStringLiteral("項目49"));
    const IniFile file(lists.path());
    EXPECT_EQ(file.readInteger(kTitle, QStringLiteral("KoumokuMax")), 45);
    EXPECT_EQ(file.readString(kTitle, QStringLiteral("Koumoku_9")), QStringLiteral("項目9"));
    EXPECT_EQ(file.readString(kTitle, QStringLiteral("Koumoku_10")), QStringLiteral("項目11"));
    EXPECT_TRUE(fileText(lists.path()).contains(QStringLiteral("[写真タイトル]\r\n")));
}

TEST(ChoiceLists, OnlySpacesRemovesTheEntries)
{
    zbtest::TempDir dir;
    ChoiceLists lists(dir.file("ZBMENU.LST"));
    ASSERT_TRUE(lists.write(kTitle, {QStringLiteral("着手前"), QStringLiteral("完成")}));
    ASSERT_TRUE(lists.write(kTitle, {QStringLiteral("  "), QStringLiteral("　"), QString()}));
    EXPECT_TRUE(lists.read(kTitle).isEmpty());
    const IniFile file(lists.path());
    EXPECT_EQ(file.readSection(kTitle), QStringList{QStringLiteral("KoumokuMax")});
    EXPECT_EQ(file.readInteger(kTitle, QStringLiteral("KoumokuMax"), -1), 0);
}

TEST(ChoiceLists, ReadRules)
{
    zbtest::TempDir dir;
    const QString path = dir.file("ZBMENU.LST");
    QString text = QStringLiteral("[写真タイトル]\r\nKoumoku_1=一\r\nKoumoku_2= \r\nKoumoku_4=四\r\n"
                                  "[撮影箇所]\r\nKoumokuMax=1\r\nKoumoku_1=起点\r\nKoumoku_2=終点\r\n"
                                  "[施工管理値]\r\nKoumokuMax=99\r\n");
    for (int i = 1; i <= 60; ++i)
        text += QStringLiteral("Koumoku_%1=値%1\r\n").arg(i);
    zbtest::writeAll(path, sjis::toBytes(text));
    ChoiceLists lists(path);
    // KoumokuMax missing reads up to 50; blank and missing entries are skipped.
    EXPECT_EQ(lists.read(kTitle), QStringList({"一", "四"}));
    EXPECT_EQ(lists.read(QStringLiteral("撮影箇所")), QStringList{"起点"});
    EXPECT_EQ(lists.read(QStringLiteral("施工管理値")).size(), 50);
    EXPECT_TRUE(lists.read(QStringLiteral("付加情報予備")).isEmpty());
}

TEST(ChoiceLists, DamagedOrMissingFileGivesEmptyLists)
{
    zbtest::TempDir dir;
    const QString path = dir.file("ZBMENU.LST");
    EXPECT_TRUE(ChoiceLists(path).read(kTitle).isEmpty());
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 131 + 7) % 256);
    zbtest::writeAll(path, junk);
    ChoiceLists lists(path);
    EXPECT_FALSE(lists.firstStart());
    EXPECT_TRUE(lists.read(kTitle).isEmpty());
    const ChoiceListMap all = lists.setUpLists(shownItems(Group::Photo, false), QDate(2003, 4, 5));
    EXPECT_TRUE(all.value(kTitle).isEmpty());
    EXPECT_EQ(all.value(QStringLiteral("写真整理フラッグ")), QStringList());
}

TEST(ChoiceLists, UnreadableFileIsNotReplaced)
{
    zbtest::TempDir dir;
    const QString path = dir.file("ZBMENU.LST");
    // A folder in the file's place: it exists but cannot be read as a file.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("ZBMENU.LST")));
    ChoiceLists lists(path);
    EXPECT_FALSE(lists.firstStart());
    EXPECT_TRUE(lists.read(kTitle).isEmpty());
    QString error;
    EXPECT_FALSE(lists.write(QStringLiteral("撮影箇所"), {QStringLiteral("起点")}, &error));
    EXPECT_EQ(error, menuFileUnreadableText(path));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(ChoiceLists, FirstStartWritesDefaultsThenReadsTheFile)
{
    zbtest::TempDir dir;
    const QString path = dir.file("ZBMENU.LST");
    ChoiceLists lists(path);
    EXPECT_TRUE(lists.firstStart());
    const QDate today(2003, 4, 5);

    // The first set-up with the filter down still writes the defaults of hidden rows.
    ChoiceListMap koji = lists.setUpLists(shownItems(Group::Koji, true), today);
    EXPECT_FALSE(lists.firstStart());
    EXPECT_EQ(koji.value(QStringLiteral("発注年度")), QStringList({"2002", "2003", "2004"}));
    EXPECT_EQ(koji.value(QStringLiteral("発注者－大分類")), QStringList{"国土交通省"});
    EXPECT_FALSE(koji.contains(QStringLiteral("工事番号")));  // not registrable: no list

    koji = lists.setUpLists(shownItems(Group::Koji, false), today);
    EXPECT_EQ(koji.value(QStringLiteral("工事データ進捗状況")).size(), 7);
    EXPECT_EQ(koji.value(QStringLiteral("工事データ作成者")), QStringList({"担当者１", "担当者２", "担当者３"}));
    const ChoiceListMap photo = lists.setUpLists(shownItems(Group::Photo, false), today);
    EXPECT_EQ(photo.value(QStringLiteral("写真整理フラッグ")), QStringList({"0.原本", "1.工事写真帳", "99.提出しない"}));
    EXPECT_EQ(photo.value(QStringLiteral("撮影箇所")), QStringList({"起点より終点方向", "測点：1L"}));

    // Later the file decides: a user's change shows, defaults are not written again.
    ASSERT_TRUE(lists.write(QStringLiteral("撮影箇所"), {QStringLiteral("測点：2L")}));
    EXPECT_EQ(lists.setUpList(*findItem(QStringLiteral("撮影箇所")), today), QStringList{"測点：2L"});
    ChoiceLists nextRun(path);
    EXPECT_FALSE(nextRun.firstStart());
    EXPECT_EQ(nextRun.setUpList(*findItem(QStringLiteral("撮影箇所")), today), QStringList{"測点：2L"});
}

TEST(ChoiceLists, DefaultsThatCannotBeWrittenStillFillTheRows)
{
    zbtest::TempDir dir;
    ChoiceLists lists(dir.file("missing-folder/ZBMENU.LST"));
    QString error;
    const ChoiceListMap photo = lists.setUpLists(shownItems(Group::Photo, false), QDate(2003, 4, 5), &error);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(photo.value(QStringLiteral("写真整理フラッグ")).size(), 3);
}
