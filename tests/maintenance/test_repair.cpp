#include "core/scripted_ports.h"
#include "imaging/fixtures.h"
#include "maintenance/job_fixture.h"
#include "maintenance/table_repair.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "support/table_damage.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>

using namespace zb;
using zbtest::PhotoRow;

namespace {

PhotoRow row(RECORD r, std::array<int, 3> drawings = {})
{
    PhotoRow p;
    p.record = r;
    p.imageOrg = "\xFF\xD8\xFF" + QByteArray::number(r);
    p.drawings = drawings;
    return p;
}

Hierarchy tree(const QList<RECORD>& unfiled, const QList<RECORD>& filed)
{
    Hierarchy h = defaultHierarchy();
    h[0].photos = unfiled;
    h[1].photos = filed;
    return h;
}

}  // namespace

TEST(Reconcile, TreeAndTableAgreeAfterwards)
{
    const struct {
        const char* what;
        QList<PhotoRow> rows;
        Hierarchy before;
        Hierarchy after;
        QList<std::array<int, 3>> drawingsAfter;
        int broken, unfiled;
    } cases[] = {
        {"sound job", {row(1, {3, 0, 0}), row(2), row(3)}, tree({2}, {1}), tree({2}, {1}),
         {{3, 0, 0}, {0, 0, 0}, {0, 0, 0}}, 0, 0},
        {"lost row removed from its folder", {row(1), row(2)}, tree({2, 7}, {7, 1}), tree({2}, {1}),
         {{0, 0, 0}, {0, 0, 0}}, 2, 0},
        {"unlisted row to 未分類", {row(1), row(2), row(4)}, tree({}, {2}), tree({1, 4}, {2}),
         {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, 0, 2},
        {"lost drawing link zeroed", {row(1, {5, 6, 0}), row(6)}, tree({}, {1}), tree({}, {1}),
         {{0, 6, 0}, {0, 0, 0}}, 1, 0},
        {"drawing of an unfiled photo stays out of 未分類", {row(1, {2, 0, 0}), row(2), row(3, {0, 0, 9})},
         tree({}, {}), tree({1, 3}, {}), {{2, 0, 0}, {0, 0, 0}, {0, 0, 0}}, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        zbtest::TempDir dir;
        const QString data = dir.path() + "/";
        zbtest::makeJob(data, "J", c.rows, c.before);
        engine::Table t;
        t.open(JobPaths{data, "J"}.table(), true);
        PhotoFields f;
        f.lookUp(t);
        Hierarchy folders = c.before;
        const LinkCounts counts = reconcileTreeAndTable(t, f, folders);
        t.close();
        EXPECT_EQ(counts.brokenLinks, c.broken);
        EXPECT_EQ(counts.unfiled, c.unfiled);
        EXPECT_EQ(folders, c.after);
        const QList<PhotoRow> rows = zbtest::readRows(JobPaths{data, "J"}.table());
        ASSERT_EQ(rows.size(), c.drawingsAfter.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].drawings, c.drawingsAfter[i]) << "row " << rows[i].record;
            // CHECK marks the rows reached from the tree and from photos; the
            // rows just put into 未分類 were not.
            EXPECT_EQ(rows[i].check, !c.after[0].photos.contains(rows[i].record) || c.before[0].photos.contains(rows[i].record))
                << "row " << rows[i].record;
        }
    }
}

TEST(Reconcile, ReportLines)
{
    EXPECT_EQ(linkReport({}), "データに問題はありませんでした。");
    EXPECT_EQ(linkReport({2, 0}), "工事階層不明データが 2 件ありました。\r\n>工事階層を修正しました。");
    EXPECT_EQ(linkReport({0, 1}), "写真不明データが 1 件ありました。\r\n>未分類に戻しました。");
    EXPECT_EQ(linkReport({1, 3}), "工事階層不明データが 1 件ありました。\r\n>工事階層を修正しました。\r\n\r\n"
                                  "写真不明データが 3 件ありました。\r\n>未分類に戻しました。");
}

TEST(RepairJobFiles, SoundJobChangesNothingAndDamagedOnesAreMended)
{
    zbtest::TempDir dir;
    const QString data = dir.path() + "/DATAFILE/";
    const QString scratch = dir.path() + "/TEMP/";
    zbtest::makeJob(data, "J", {row(1), row(2)}, tree({2}, {1}));
    const QByteArray treeBefore = zbtest::readAll(JobPaths{data, "J"}.treeFile());
    JobRepairOutcome out = RepairJobFiles(data, "J", scratch, kSessionPassword);
    EXPECT_EQ(out.lines, QStringList{kNoProblem});
    EXPECT_FALSE(out.mended);
    EXPECT_FALSE(out.failed);
    EXPECT_EQ(zbtest::readAll(JobPaths{data, "J"}.treeFile()), treeBefore);

    // A folder entry whose row was lost.
    zbtest::makeJob(data, "L", {row(1)}, tree({1}, {8}));
    out = RepairJobFiles(data, "L", scratch, kSessionPassword);
    EXPECT_EQ(out.lines, (QStringList{"工事階層不明データが 1 件ありました。", ">工事階層を修正しました。"}));
    EXPECT_TRUE(out.mended);
    EXPECT_EQ(readTreeFile(JobPaths{data, "L"}.treeFile())->folders, tree({1}, {}));

    // A damaged page among the pictures: the table is rebuilt from the rows
    // that can be read, and the tree follows the table.
    QList<PhotoRow> many;
    Hierarchy all = defaultHierarchy();
    for (RECORD r = 1; r <= 30; ++r) {
        PhotoRow p = row(r);
        p.imageOrg = QByteArray(70000, char('a' + r % 26));
        many << p;
        all[1].photos << r;
    }
    zbtest::makeJob(data, "D", many, all);
    QByteArray bytes = zbtest::readAll(JobPaths{data, "D"}.table());
    for (int i = 0; i < 65536; ++i)
        bytes[bytes.size() / 2 + i] = char(0xA5);
    zbtest::writeAll(JobPaths{data, "D"}.table(), bytes);
    out = RepairJobFiles(data, "D", scratch, kSessionPassword);
    EXPECT_TRUE(out.mended);
    EXPECT_FALSE(out.failed) << out.lines.join('|').toStdString();
    EXPECT_EQ(engine::Table::verify(JobPaths{data, "D"}.table()), engine::VerifyStatus::Sound);
    const qsizetype kept = zbtest::readRows(JobPaths{data, "D"}.table()).size();
    EXPECT_GT(kept, 0);
    EXPECT_EQ(readTreeFile(JobPaths{data, "D"}.treeFile())->folders[1].photos.size(), kept);

    // A table that is no table at all cannot be rebuilt.
    zbtest::makeJob(data, "X", {row(1)});
    zbtest::writeAll(JobPaths{data, "X"}.table(), QByteArray(4096, 'j'));
    out = RepairJobFiles(data, "X", scratch, kSessionPassword);
    EXPECT_TRUE(out.failed);
    EXPECT_EQ(out.lines, (QStringList{"データが修復不可能の為以下のファイルを削除する以外解決できません｡",
                                      " >" + data + "X.*"}));
    // The scratch tables are gone.
    EXPECT_TRUE(QDir(scratch).entryList({"@*"}, QDir::Files).isEmpty());
}

// A damaged rows page or a broken picture chain, written into the file:
// every other row and picture is kept, the report names what was lost, the
// damaged table is kept until the next repair that ends well.
TEST(RepairJobFiles, KeepsEveryReadableRowAndPictureAndNamesTheLostOnes)
{
    const struct {
        const char* what;
        QString kanri;                                    // long texts spread the rows over several pages
        std::function<void(QByteArray&, const QString&)> damage;
        bool rowsLost;                                    // rows are lost (else one picture, of record 7)
        QList<RECORD> lostRows;                           // the rows lost, where known beforehand
    } cases[] = {
        {"a bad cell pointer in the rows page", {},
         [](QByteArray& b, const QString& path) { zbtest::breakCellPointer(b, zbtest::rootPage(path, "t_rows"), 50); },
         true, {51}},
        {"one of several rows pages overwritten", QString(3000, 'k'),
         [](QByteArray& b, const QString& path) {
             const quint32 root = zbtest::rootPage(path, "t_rows");
             zbtest::overwritePage(b, zbtest::childPage(b, root, 1));
         },
         true, {}},
        {"a broken picture chain", {}, [](QByteArray& b, const QString&) { ASSERT_TRUE(zbtest::breakPictureChain(b, 'Q')); },
         false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        zbtest::TempDir dir;
        const QString data = dir.path() + "/DATAFILE/";
        const QString scratch = dir.path() + "/TEMPFILE/";
        QList<PhotoRow> rows;
        Hierarchy all = defaultHierarchy();
        for (RECORD r = 1; r <= 100; ++r) {
            PhotoRow p = row(r);
            p.kanri = c.kanri;
            if (r == 7)
                p.imageOrg = QByteArray(200000, 'Q');
            rows << p;
            all[1].photos << r;
        }
        zbtest::makeJob(data, "J", rows, all);
        const QString table = JobPaths{data, "J"}.table();
        QByteArray bytes = zbtest::readAll(table);
        c.damage(bytes, table);
        zbtest::writeAll(table, bytes);
        ASSERT_EQ(engine::Table::verify(table), engine::VerifyStatus::Rebuildable);

        const JobRepairOutcome out = RepairJobFiles(data, "J", scratch, kSessionPassword);
        EXPECT_TRUE(out.mended);
        EXPECT_FALSE(out.failed);
        EXPECT_EQ(engine::Table::verify(table), engine::VerifyStatus::Sound);
        const QStringList copies = QDir(scratch).entryList({"J.*.DB"}, QDir::Files);
        ASSERT_EQ(copies.size(), 1);
        EXPECT_TRUE(QRegularExpression(R"(^J\.\d{8}-\d{6}\.DB$)").match(copies[0]).hasMatch()) << copies[0].toStdString();
        EXPECT_TRUE(zbtest::readAll(scratch + copies[0]) == bytes);

        QList<RECORD> lost;
        QString lostNumbers;
        QMap<RECORD, PhotoRow> kept;
        for (const PhotoRow& r : zbtest::readRows(table))
            kept.insert(r.record, r);
        for (const PhotoRow& r : rows) {
            if (!kept.contains(r.record)) {
                lost << r.record;
                lostNumbers += (lostNumbers.isEmpty() ? "" : ", ") + QString::number(r.record);
                continue;
            }
            PhotoRow expected = r;
            expected.check = true;
            if (!c.rowsLost && r.record == 7)
                expected.imageOrg.clear();
            EXPECT_EQ(kept[r.record], expected) << "row " << r.record;
        }
        const QStringList keptCopy = {"修復前のデータを残しました。", ">" + scratch + copies[0]};
        if (c.rowsLost) {
            ASSERT_FALSE(lost.isEmpty());
            // No more than the rows of the damaged page are gone.
            EXPECT_LT(lost.size(), 30);
            const QStringList expected = QStringList{"読み取れない写真データが " + QString::number(lost.size()) + " 件ありました。",
                                                     ">写真番号 " + lostNumbers, ""}
                                         + keptCopy
                                         + QStringList{"", "工事階層不明データが " + QString::number(lost.size()) + " 件ありました。",
                                                       ">工事階層を修正しました。"};
            EXPECT_EQ(out.lines, expected);
        } else {
            EXPECT_TRUE(lost.isEmpty());
            const QStringList expected = QStringList{"読み取れない画像が 1 件ありました。", ">写真番号 7", ""} + keptCopy;
            EXPECT_EQ(out.lines, expected);
        }
        if (!c.lostRows.isEmpty()) {
            EXPECT_EQ(lost, c.lostRows);
        }

        // The next repair finds the table sound and lets the copy go.
        EXPECT_EQ(RepairJobFiles(data, "J", scratch, kSessionPassword).lines, QStringList{kNoProblem});
        EXPECT_TRUE(QDir(scratch).entryList({"J.*.DB"}, QDir::Files).isEmpty());
    }
}

TEST(LinkRepair, OpenJobAsksRepairsReportsAndSaves)
{
    zbtest::TempDir dir;
    const Folders folders = resolveFolders(dir.path(), NetworkSettings{}, SharedDecision{}, dir.path());
    ScriptedMessages m;
    createFolders(folders, m);
    zbtest::makeJob(folders.dataFile, "J", {row(1, {4, 0, 0}), row(2)}, tree({1, 9}, {}));
    TDataModule_Main data(folders, m);
    JobLife job(folders, data, m);
    ASSERT_EQ(job.openChosen({"J", {}}), JobLife::OpenResult::Opened);
    m.clear();

    m.reply(false);
    EXPECT_FALSE(RunLinkRepair(job, data, m));
    EXPECT_EQ(m.boxes(), QStringList{"ask: " + kLinkRepairQuestion});

    m.clear();
    int reloads = 0;
    EXPECT_TRUE(RunLinkRepair(job, data, m, [&] { ++reloads; }));
    // 9 is lost and 4 is no row: two broken links; 2 was opened into 未分類 already.
    EXPECT_EQ(m.boxes(), (QStringList{"ask: " + kLinkRepairQuestion,
                                      "information: 工事階層不明データが 2 件ありました。\r\n>工事階層を修正しました。"}));
    EXPECT_EQ(reloads, 1);
    EXPECT_TRUE(data.photoTable().isOpen());
    EXPECT_EQ(readTreeFile(JobPaths{folders.dataFile, "J"}.treeFile())->folders[0].photos, (QList<RECORD>{1, 2}));
    job.closeJob();
    EXPECT_EQ(zbtest::readRows(JobPaths{folders.dataFile, "J"}.table())[0].drawings, (std::array<int, 3>{0, 0, 0}));
}

TEST(Pack, AsksPacksWithThePasswordAndSaysDone)
{
    zbtest::TempDir dir;
    zbtest::makeJob(dir.path() + "/", "P", {row(1), row(2)});
    TTableEnhanced t;
    t.openTable(dir.file("P.DB"), true);
    ScriptedMessages m;
    m.reply(false);
    EXPECT_FALSE(RunPack(t, m, kSessionPassword));
    EXPECT_TRUE(RunPack(t, m, kSessionPassword));
    EXPECT_EQ(m.boxes(), (QStringList{"ask: " + kPackQuestion, "ask: " + kPackQuestion, "information: 終了しました。"}));
    t.closeTable();
    EXPECT_EQ(zbtest::readRows(dir.file("P.DB")).size(), 2);
}
