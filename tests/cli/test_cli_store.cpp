#include "store/photo_table.h"
#include "store/table_network.h"
#include "store/tree_file.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

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

}  // namespace

TEST(Cli, TreeRowsAndVerify)
{
    zbtest::TempDir dir;
    TreeFile tf;
    tf.header.constructionName = QStringLiteral("護岸工事");
    tf.folders = defaultHierarchy();
    tf.folders[0].photos = {1};
    ASSERT_TRUE(writeTreeFile(dir.file("J.ZBD"), tf));
    {
        TTableNetWork t;
        PhotoFields f = openOrCreatePhotoTable(dir.file("J.DB"), {&t}, true);
        t.append();
        t.setValue(f[F_RECORD], 1);
        t.setValue(f[F_TITLE], QStringLiteral("着手前"));
        t.writeBlob(f[F_IMAGE_ORG], QByteArray(1234, 'x'));
        t.post();
    }

    zbtest::ProgramRun r = zbcli({"--root", dir.path(), "tree", "J.ZBD"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject tree = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(tree["header"].toObject()["工事名称"].toString(), QStringLiteral("護岸工事"));
    EXPECT_EQ(tree["folders"].toArray()[0].toObject()["caption"].toString(), QStringLiteral("未分類(写真フォルダ)"));
    EXPECT_EQ(tree["folders"].toArray()[0].toObject()["photos"].toArray()[0].toInt(), 1);

    r = zbcli({"rows", dir.file("J.DB")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject row = QJsonDocument::fromJson(r.out).array()[0].toObject();
    EXPECT_EQ(row["TITLE"].toString(), QStringLiteral("着手前"));
    EXPECT_EQ(row["IMAGE_ORG"].toInt(), 1234);
    EXPECT_TRUE(row["IMAGE_NOW"].isNull());

    r = zbcli({"verify", dir.file("J.DB")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.trimmed(), "sound");

    zbtest::writeAll(dir.file("bad.DB"), "not a table");
    r = zbcli({"verify", dir.file("bad.DB")});
    EXPECT_EQ(r.code, 4);
    r = zbcli({"rows", dir.file("bad.DB")});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.startsWith("zbcli: ")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1);
}

TEST(Cli, UsageListsEachCommandOnce)
{
    // Without a command: the list of commands, exit 2. Each line is the
    // command's name followed by its arguments; the name is never repeated
    // as the first argument ("backup backup JOB").
    const zbtest::ProgramRun r = zbcli({});
    EXPECT_EQ(r.code, 2);
    const QStringList lines = QString::fromUtf8(r.err).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 2);
    for (const QString& line : lines.mid(2)) {
        ASSERT_TRUE(line.startsWith(QStringLiteral("  "))) << line.toStdString();
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < words.size(); ++i)
            EXPECT_NE(words[i], words[i - 1]) << line.toStdString();
    }
    EXPECT_TRUE(r.err.contains("\n  backup JOB FILE")) << r.err.toStdString();
}
