#include "core/sjis.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "store/tree_file.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace zb;

namespace {

zbtest::ProgramRun zbcli(const QStringList& args)
{
    return zbtest::runProgram(QStringLiteral(ZBCLI_PATH), args);
}

QList<int> records(const QByteArray& json)
{
    QList<int> out;
    for (const QJsonValue& v : QJsonDocument::fromJson(json).array())
        out << v.toInt();
    return out;
}

// DATAFILE/J: photos 1-5 in 工事写真/工事/施工 {1,2,3} and 工事写真/工事/完成 {4},
// 6 in 未分類, 7 in ごみ箱.
struct Job {
    zbtest::TempDir dir;
    Job()
    {
        QDir(dir.path()).mkpath("DATAFILE");
        TreeFile tf;
        tf.header.fiscalYear = 2026;
        for (QString JobHeader::*t : {&JobHeader::contractNumber, &JobHeader::constructionName,
                                      &JobHeader::constructionSite, &JobHeader::startDate, &JobHeader::endDate,
                                      &JobHeader::clientMajor, &JobHeader::contractorName})
            tf.header.*t = "x";
        tf.header.clientCode = "1234567";
        tf.folders = {{kUnclassifiedCaption, 0, {6}}, {kPhotoRootCaption, 0, {}}, {"工事", 1, {}},
                      {"施工", 2, {1, 2, 3}},        {"完成", 2, {4}},            {kRecycleCaption, 0, {7}}};
        EXPECT_TRUE(writeTreeFile(dir.file("DATAFILE/J.ZBD"), tf));
        TTableNetWork t;
        const PhotoFields f = openOrCreatePhotoTable(dir.file("DATAFILE/J.DB"), {&t}, true);
        const struct {
            int record, flag;
            const char *title, *nega;
        } rows[] = {{1, 1, "こうじ", "10"}, {2, 0, "", "2"},      {3, 1, "測量", "10a"}, {4, 0, "コウジ", "1"},
                    {6, 1, "こうじ", "5"},  {7, 1, "こうじ", "5"}};
        for (const auto& r : rows) {
            t.append();
            t.setValue(f[F_RECORD], r.record);
            t.setValue(f[F_FLAG], r.flag);
            t.setValue(f[F_TITLE], QString::fromUtf8(r.title));
            t.setValue(f[F_NEGANUM], QString::fromUtf8(r.nega));
            t.post();
        }
    }
    QStringList root() const { return {"--root", dir.path()}; }
};

}  // namespace

TEST(SearchCli, ListSearch)
{
    Job job;
    struct Case {
        QStringList args;
        QList<int> found;
    };
    const Case cases[] = {
        {{"--item", "1"}, {1, 2, 3, 4}},
        {{"--item", "1", "--text", "ｺｳｼﾞ", "--method", "0"}, {1, 4}},
        {{"--item", "0", "--from", "1", "--to", "1"}, {1, 3}},
        {{"--item", "0", "--to", "0"}, {2, 4}},
        {{"--item", "1", "--sort", "6"}, {4, 2, 1, 3}},
        {{"--item", "1", "--direction", "1", "--folder", "工事写真/工事/完成"}, {4}},
        {{"--item", "1", "--level-from", "3"}, {}},
        {{"--item", "1", "--text", "ない"}, {}},
    };
    for (const Case& c : cases) {
        const zbtest::ProgramRun r = zbcli(job.root() + QStringList{"search", "J"} + c.args);
        ASSERT_EQ(r.code, 0) << c.args.join(' ').toStdString() << r.err.toStdString();
        EXPECT_EQ(records(r.out), c.found) << c.args.join(' ').toStdString();
    }
    EXPECT_EQ(zbcli(job.root() + QStringList{"search", "J", "--item", "1", "--text", "ない"}).out.trimmed(), "[]");

    const QStringList bad[] = {{"search", "J"},
                               {"search", "J", "--item", "8"},
                               {"search", "J", "--item", "1", "--method", "3"},
                               {"search", "J", "--item", "1", "--sort", "x"},
                               {"search", "J", "--item", "1", "--folder", "工事写真"},
                               {"search", "J", "--item", "1", "--bogus", "1"},
                               {"search", "J", "--item", "0", "--text", "1"},
                               {"search", "J", "--item", "4", "--text", "3", "--from", "1"},
                               {"search", "--item", "1"}};
    for (const QStringList& args : bad) {
        const zbtest::ProgramRun r = zbcli(job.root() + args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage: zbcli search")) << r.err.toStdString();
    }
    EXPECT_EQ(zbcli(job.root() + QStringList{"search", "NONE", "--item", "1"}).code, 1);
    EXPECT_EQ(zbcli(job.root() + QStringList{"search", "J", "--item", "1", "--direction", "1", "--folder", "x/y"}).code, 1);
}

TEST(SearchCli, Check)
{
    Job job;
    zbtest::ProgramRun r = zbcli(job.root() + QStringList{"check", "J"});
    EXPECT_EQ(r.code, 3) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("【工事情報】の発注者コードは８桁必要です。\n"
                                                       "【写真情報】の未入力件数が 1 件ありました。\n"));
    r = zbcli(job.root() + QStringList{"check", "J", "--range", "1"});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(QString::fromUtf8(r.out).contains(QStringLiteral("未入力件数が 4 件")));
    EXPECT_EQ(zbcli(job.root() + QStringList{"check", "J", "--range", "3"}).code, 2);
    EXPECT_EQ(zbcli(job.root() + QStringList{"check", "NONE"}).code, 1);

    // A complete job.
    zbtest::TempDir empty;
    QDir(empty.path()).mkpath("DATAFILE");
    TreeFile tf;
    tf.header.fiscalYear = 1;
    for (QString JobHeader::*t : {&JobHeader::contractNumber, &JobHeader::constructionName,
                                  &JobHeader::constructionSite, &JobHeader::startDate, &JobHeader::endDate,
                                  &JobHeader::clientMajor, &JobHeader::contractorName})
        tf.header.*t = "x";
    tf.header.clientCode = "12345678";
    tf.folders = defaultHierarchy();
    ASSERT_TRUE(writeTreeFile(empty.file("DATAFILE/E.ZBD"), tf));
    {
        TTableNetWork t;
        openOrCreatePhotoTable(empty.file("DATAFILE/E.DB"), {&t}, true);
    }
    r = zbcli({"--root", empty.path(), "check", "E"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("入力漏れはありませんでした。\n"));
}

TEST(SearchCli, Masters)
{
    zbtest::TempDir dir;
    const QStringList root{"--root", dir.path()};
    zbtest::ProgramRun r = zbcli(root + QStringList{"master", "list"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty());

    const QString csv = dir.file("m.csv");
    zbtest::writeAll(csv, sjis::toBytes(u"h,a,b,c,d,e\r\nx,工事,A,B,C,D1\r\nx,工事,A,B,C,D2\r\n"));
    r = zbcli(root + QStringList{"master", "import", "現場", csv});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = zbcli(root + QStringList{"master", "show", "現場"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows[0].toObject(), (QJsonObject{{"level", 0}, {"name", "工事"}}));
    EXPECT_EQ(rows[5].toObject(), (QJsonObject{{"level", 4}, {"name", "D2"}}));
    r = zbcli(root + QStringList{"master", "list"});
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("現場\n"));
    // The change is stamped in the lock file an open master window watches.
    EXPECT_TRUE(QFile::exists(dir.file("TEMPFILE/現場.LC")));

    // A file that gives no outline makes no new master.
    const QString bad = dir.file("bad.csv");
    zbtest::writeAll(bad, "h,a,b,c,d,e\r\nx,k\r\n");
    r = zbcli(root + QStringList{"master", "import", "新規", bad});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("ファイルのフォーマットが不正です。"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.file("MASTFILE/新規.DB")));
    EXPECT_EQ(QString::fromUtf8(zbcli(root + QStringList{"master", "list"}).out), QStringLiteral("現場\n"));

    // A bad line keeps what was read and says so; an unreadable file changes nothing.
    zbtest::writeAll(csv, sjis::toBytes(u"h\r\nx,k,a,b,c,1\r\nx,k\r\n"));
    r = zbcli(root + QStringList{"master", "import", "現場", csv});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("ファイルのフォーマットが不正です。")));
    EXPECT_EQ(QJsonDocument::fromJson(zbcli(root + QStringList{"master", "show", "現場"}).out).array().size(), 5);
    EXPECT_EQ(zbcli(root + QStringList{"master", "import", "現場", dir.file("none.csv")}).code, 1);
    EXPECT_EQ(zbcli(root + QStringList{"master", "show", "ない"}).code, 1);
    EXPECT_EQ(zbcli(root + QStringList{"master", "show", "a/b"}).code, 1);
}

TEST(SearchCli, SetValuesByGridLabel)
{
    Job job;
    zbtest::ProgramRun r = zbcli(job.root() + QStringList{"photo", "set", "J", "2", "写真タイトル=ｶﾞｰﾄﾞ",
                                                          "写真整理フラッグ=99.提出しない", "フィルム番号=３"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = zbcli(job.root() + QStringList{"photo", "J", "2"});
    QJsonObject photo = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(photo["写真タイトル"].toString(), QStringLiteral("ガード"));
    EXPECT_EQ(photo["写真整理フラッグ"].toString(), QStringLiteral("99.提出しない"));
    EXPECT_EQ(photo["フィルム番号"].toString(), QStringLiteral("3"));

    // One refused value: nothing of the command is stored.
    r = zbcli(job.root() + QStringList{"photo", "set", "J", "2", "写真タイトル=別", "フィルム番号=x"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("フィルム番号: digits only"))) << r.err.toStdString();
    photo = QJsonDocument::fromJson(zbcli(job.root() + QStringList{"photo", "J", "2"}).out).object();
    EXPECT_EQ(photo["写真タイトル"].toString(), QStringLiteral("ガード"));
    EXPECT_EQ(zbcli(job.root() + QStringList{"photo", "set", "J", "2", "ない=1"}).code, 1);
    EXPECT_EQ(zbcli(job.root() + QStringList{"photo", "set", "J", "99", "写真タイトル=a"}).code, 1);
    EXPECT_EQ(zbcli(job.root() + QStringList{"photo", "set", "J", "2"}).code, 1);

    r = zbcli(job.root() + QStringList{"job", "set", "J", "発注者コード=12345678", "工事名称=護岸"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject info = QJsonDocument::fromJson(zbcli(job.root() + QStringList{"job", "info", "J"}).out).object();
    EXPECT_EQ(info["工事名称"].toString(), QStringLiteral("護岸"));
    // The code is complete and photo 2 has its title now.
    r = zbcli(job.root() + QStringList{"check", "J"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("入力漏れはありませんでした。\n"));
    EXPECT_EQ(zbcli(job.root() + QStringList{"job", "set", "J", "発注年度=abc"}).code, 1);
    EXPECT_EQ(zbcli(job.root() + QStringList{"job", "set", "J", "工事データ進捗状況=途中"}).code, 1);
}

TEST(SearchCli, RepresentativeAndFrequencyPhotos)
{
    Job job;
    // Photos never set print 0.
    QJsonObject photo = QJsonDocument::fromJson(zbcli(job.root() + QStringList{"photo", "J", "3"}).out).object();
    EXPECT_EQ(photo["代表写真"].toString(), QStringLiteral("0"));
    EXPECT_EQ(photo["提出頻度写真"].toString(), QStringLiteral("0"));

    zbtest::ProgramRun r = zbcli(job.root() + QStringList{"photo", "set", "J", "3", "代表写真=1", "提出頻度写真=1"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = zbcli(job.root() + QStringList{"photo", "set", "J", "4", "提出頻度写真=1"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    photo = QJsonDocument::fromJson(zbcli(job.root() + QStringList{"photo", "J", "3"}).out).object();
    EXPECT_EQ(photo["代表写真"].toString(), QStringLiteral("1"));
    EXPECT_EQ(photo["提出頻度写真"].toString(), QStringLiteral("1"));

    // Only "0" and "1"; a refused value stores nothing of the command.
    for (const char* bad : {"代表写真=2", "代表写真=１", "代表写真=", "提出頻度写真=yes", "提出頻度写真=01"}) {
        r = zbcli(job.root() + QStringList{"photo", "set", "J", "3", "写真タイトル=別", QString::fromUtf8(bad)});
        EXPECT_EQ(r.code, 1) << bad;
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("not an entry of the list: 0, 1")))
            << bad << " " << r.err.toStdString();
    }
    photo = QJsonDocument::fromJson(zbcli(job.root() + QStringList{"photo", "J", "3"}).out).object();
    EXPECT_EQ(photo["写真タイトル"].toString(), QStringLiteral("測量"));
    EXPECT_EQ(photo["代表写真"].toString(), QStringLiteral("1"));
    ASSERT_EQ(zbcli(job.root() + QStringList{"photo", "set", "J", "3", "代表写真=0"}).code, 0);

    // 一覧 items 6 (代表写真) and 7 (提出頻度写真), range items.
    struct Case {
        QStringList args;
        QList<int> found;
    };
    const Case cases[] = {
        {{"--item", "7", "--from", "1", "--to", "1"}, {3, 4}},
        {{"--item", "7", "--to", "0"}, {1, 2}},
        {{"--item", "6", "--from", "1"}, {}},
        {{"--item", "6", "--from", "0", "--to", "0"}, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        r = zbcli(job.root() + QStringList{"search", "J"} + c.args);
        ASSERT_EQ(r.code, 0) << c.args.join(' ').toStdString() << r.err.toStdString();
        EXPECT_EQ(records(r.out), c.found) << c.args.join(' ').toStdString();
    }
}
