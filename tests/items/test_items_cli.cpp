#include "core/inifile.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "store/tree_file.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace zb;

namespace {

zbtest::ProgramRun zbcli(const QStringList& args)
{
    return zbtest::runProgram(QStringLiteral(ZBCLI_PATH), args);
}

}  // namespace

TEST(ItemsCli, JobInfoAndPhoto)
{
    zbtest::TempDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("DATAFILE")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("USERFILE")));
    TreeFile tf;
    tf.header.progress = 6;
    tf.header.fiscalYear = 2003;
    tf.header.constructionName = QStringLiteral("護岸工事");
    tf.header.startDate = QStringLiteral("20030405");
    tf.folders = defaultHierarchy();
    ASSERT_TRUE(writeTreeFile(dir.file("DATAFILE/J.ZBD"), tf));
    {
        TTableNetWork t;
        const PhotoFields f = openOrCreatePhotoTable(dir.file("DATAFILE/J.DB"), {&t}, true);
        for (int record : {1, 2}) {
            t.append();
            t.setValue(f[F_RECORD], record);
            t.setValue(f[F_FLAG], record == 1 ? 1 : 5);
            t.setValue(f[F_FILMNUM], 0);
            t.setValue(f[F_TITLE], QStringLiteral("着手前"));
            t.setValue(f[F_NEGANUM], QStringLiteral("12"));
            t.post();
        }
    }
    IniFile menu(dir.file("USERFILE/ZBMENU.LST"));
    menu.writeInteger(QStringLiteral("写真整理フラッグ"), QStringLiteral("KoumokuMax"), 1);
    menu.writeString(QStringLiteral("写真整理フラッグ"), QStringLiteral("Koumoku_1"), QStringLiteral("5.検査用"));
    ASSERT_TRUE(menu.save().ok);

    zbtest::ProgramRun r = zbcli({"--root", dir.path(), "job", "info", "J"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject job = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(job.size(), 20);
    EXPECT_EQ(job["工事データ進捗状況"].toString(), QStringLiteral("完成"));
    EXPECT_EQ(job["発注年度"].toString(), QStringLiteral("2003"));
    EXPECT_EQ(job["工事名称"].toString(), QStringLiteral("護岸工事"));
    EXPECT_EQ(job["工期開始日"].toString(), QStringLiteral("20030405"));
    EXPECT_EQ(job["発注者－大分類"].toString(), QString());

    r = zbcli({"--root", dir.path(), "photo", "J", "1"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonObject photo = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(photo.size(), 22);
    EXPECT_EQ(photo["写真整理フラッグ"].toString(), QStringLiteral("1.工事写真帳"));
    EXPECT_EQ(photo["写真タイトル"].toString(), QStringLiteral("着手前"));
    EXPECT_EQ(photo["フィルム番号"].toString(), QString());
    EXPECT_EQ(photo["コマ番号"].toString(), QStringLiteral("12"));

    r = zbcli({"--root", dir.path(), "photo", "J", "2"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    photo = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(photo["写真整理フラッグ"].toString(), QStringLiteral("5.検査用"));

    struct Bad {
        QStringList args;
        const char* error;
    };
    const Bad bad[] = {
        {{"photo", "J", "9"}, "no such photo: 9"},
        {{"photo", "J", "x"}, "not a record number: x"},
        {{"photo", "K", "1"}, "no such job: K"},
        {{"job", "info", "K"}, "no such job: K"},
    };
    for (const Bad& b : bad) {
        r = zbcli(QStringList{"--root", dir.path()} + b.args);
        EXPECT_EQ(r.code, 1) << b.error;
        EXPECT_TRUE(r.err.contains(b.error)) << r.err.toStdString();
    }
}
