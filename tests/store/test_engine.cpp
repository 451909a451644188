#include "store/engine/table.h"
#include "support/temp_dir.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <csignal>
#include <optional>
#include <unistd.h>

using namespace zb;
using engine::EngineError;
using engine::FieldDef;
using engine::FieldType;
using engine::Table;

namespace {

const QList<FieldDef> kFields = {
    {"RECORD", FieldType::Integer, 0}, {"OK", FieldType::Logical, 0}, {"KIND", FieldType::Short, 0},
    {"DATE", FieldType::Alpha, 8},     {"TITLE", FieldType::Memo, 2},  {"PIC", FieldType::Blob, 2},
};

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray b(size, Qt::Uninitialized);
    quint32 x = 2463534242u + quint32(seed);
    for (qsizetype i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[i] = char(x);
    }
    return b;
}

void addRow(Table& t, int record, const QByteArray& pic = {}, const QString& title = {})
{
    t.append();
    t.setValue(0, record);
    t.setValue(4, title.isEmpty() ? QStringLiteral("写真%1").arg(record) : title);
    if (!pic.isNull())
        t.writeBlob(5, pic);
    t.post();
}

}  // namespace

TEST(Engine, CreateOpenAndNavigateInKeyOrder)
{
    zbtest::TempDir dir;
    const QString path = dir.file("J.DB");
    Table::create(path, kFields, "RECORD");
    Table t;
    t.open(path, true);
    EXPECT_EQ(t.rowCount(), 0);
    EXPECT_FALSE(t.first());
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.fieldIndex("title"), 4);
    EXPECT_EQ(t.fieldIndex("MISSING"), -1);
    for (int r : {3, 1, 2})
        addRow(t, r);
    QList<int> seen;
    for (bool ok = t.first(); ok; ok = t.next())
        seen << t.value(0).toInt();
    EXPECT_EQ(seen, (QList<int>{1, 2, 3}));
    EXPECT_EQ(t.maxKey(), 3);

    ASSERT_TRUE(t.locate(2));
    EXPECT_EQ(t.value(4).toString(), QStringLiteral("写真2"));
    EXPECT_FALSE(t.locate(9));
    t.edit();
    t.setValue(1, true);
    t.setValue(2, 70000);  // short: kept to 16 bits
    t.setValue(3, QStringLiteral("20261209XYZ"));  // alpha 8: cut to its room
    t.post();
    ASSERT_TRUE(t.locate(2));
    EXPECT_TRUE(t.value(1).toBool());
    EXPECT_EQ(t.value(2).toInt(), qint16(70000));
    EXPECT_EQ(t.value(3).toString(), "20261209");
    EXPECT_TRUE(t.isNull(5));

    t.edit();
    t.setValue(4, "changed");
    t.cancel();
    ASSERT_TRUE(t.locate(2));
    EXPECT_EQ(t.value(4).toString(), QStringLiteral("写真2"));

    t.remove();
    EXPECT_EQ(t.value(0).toInt(), 3);  // cursor on the next row
    EXPECT_EQ(t.rowCount(), 2);

    t.append();
    t.setValue(0, 1);
    EXPECT_THROW(
        {
            try {
                t.post();
            } catch (const EngineError& e) {
                EXPECT_EQ(e.kind(), EngineError::Kind::KeyViolation);
                throw;
            }
        },
        EngineError);
    t.cancel();
    EXPECT_EQ(t.rowCount(), 2);
}

TEST(Engine, BlobsRoundTripByteForByte)
{
    zbtest::TempDir dir;
    const QString path = dir.file("B.DB");
    Table::create(path, kFields, "RECORD");
    Table t;
    t.open(path, true);
    const QList<QByteArray> blobs = {QByteArray(""), QByteArray("x"), pattern(30 * 1024 * 1024, 1)};
    for (int i = 0; i < blobs.size(); ++i)
        addRow(t, i + 1, blobs[i]);
    addRow(t, 10);  // no picture: null
    t.flush();
    t.close();
    t.open(path, true);
    for (int i = 0; i < blobs.size(); ++i) {
        ASSERT_TRUE(t.locate(i + 1));
        EXPECT_FALSE(t.isNull(5)) << i;
        EXPECT_EQ(t.blobSize(5), blobs[i].size());
        EXPECT_TRUE(t.readBlob(5) == blobs[i]) << i;
        // Streamed to a device in pieces, the same bytes.
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_EQ(t.copyBlobTo(5, out), blobs[i].size()) << i;
        EXPECT_TRUE(out.data() == blobs[i]) << i;
    }
    ASSERT_TRUE(t.locate(10));
    EXPECT_TRUE(t.isNull(5));
    EXPECT_EQ(t.blobSize(5), -1);
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_EQ(t.copyBlobTo(5, out), 0);
        // A device that refuses the bytes.
        ASSERT_TRUE(t.locate(3));
        QBuffer closed;
        EXPECT_EQ(t.copyBlobTo(5, closed), -1);
        // A picture written but not posted yet is the one streamed.
        t.edit();
        t.writeBlob(5, "pending");
        EXPECT_EQ(t.copyBlobTo(5, out), 7);
        EXPECT_EQ(out.data(), "pending");
        t.cancel();
    }

    // Replacing and clearing a picture.
    ASSERT_TRUE(t.locate(3));
    t.edit();
    t.writeBlob(5, "new");
    t.post();
    EXPECT_EQ(t.readBlob(5), "new");
    t.edit();
    t.setNull(5);
    t.post();
    EXPECT_TRUE(t.isNull(5));
    t.pack();
    EXPECT_LT(QFile(path).size(), 2 * 1024 * 1024);
}

TEST(Engine, ExclusiveOpenRefusesASecondProcessAtOnce)
{
    zbtest::TempDir dir;
    const QString path = dir.file("X.DB");
    Table::create(path, kFields, "RECORD");
    zbtest::Signal opened, release;
    const int pid = zbtest::forkChild([&] {
        Table t;
        t.open(path, true);
        addRow(t, 1);
        opened.notify();
        release.wait();
        addRow(t, 2);  // the holder goes on working
        return t.rowCount() == 2 ? 0 : 1;
    });
    ASSERT_EQ(opened.wait(), '!');
    for (bool exclusive : {true, false}) {
        Table other;
        try {
            other.open(path, exclusive);
            ADD_FAILURE() << "second open succeeded, exclusive=" << exclusive;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), EngineError::Kind::InUse) << e.what();
        }
        EXPECT_FALSE(other.isOpen());
    }
    release.notify();
    EXPECT_EQ(zbtest::waitChild(pid), 0);
    Table after;
    after.open(path, true);
    EXPECT_EQ(after.rowCount(), 2);
}

TEST(Engine, PostedRowsSurviveAKilledProcess)
{
    zbtest::TempDir dir;
    const QString path = dir.file("K.DB");
    Table::create(path, kFields, "RECORD");
    zbtest::Signal progress;
    const int pid = zbtest::forkChild([&] {
        Table t;
        t.open(path, true);
        for (int r = 1;; ++r) {
            addRow(t, r, pattern(4096 + r, r));
            if (r % 5 == 0)
                t.flush();
            if (r == 40)
                progress.notify();
        }
        return 0;
    });
    ASSERT_EQ(progress.wait(), '!');
    usleep(20000);
    kill(pid, SIGKILL);
    EXPECT_EQ(zbtest::waitChild(pid), -SIGKILL);
    // A post cut short leaves its journal beside the table; the check rolls it
    // back and finds the table sound.
    EXPECT_EQ(Table::verify(path), engine::VerifyStatus::Sound);

    Table t;
    t.open(path, true);
    const qint64 n = t.rowCount();
    EXPECT_GE(n, 40);
    int expected = 1;
    for (bool ok = t.first(); ok; ok = t.next(), ++expected) {
        ASSERT_EQ(t.value(0).toInt(), expected);
        ASSERT_TRUE(t.readBlob(5) == pattern(4096 + expected, expected)) << expected;
    }
    EXPECT_EQ(expected - 1, n);
    t.close();
    EXPECT_EQ(Table::verify(path), engine::VerifyStatus::Sound);
}

TEST(Engine, FullDiskGivesAnErrorAndKeepsEarlierRows)
{
    zbtest::TempDir dir;
    const QString path = dir.file("F.DB");
    Table::create(path, kFields, "RECORD");
    Table t;
    t.open(path, true);
    addRow(t, 1, pattern(1000, 1));
    addRow(t, 2, pattern(1000, 2));
    t.setSizeLimit(20 * 65536);
    try {
        addRow(t, 3, pattern(4 * 1024 * 1024, 3));
        ADD_FAILURE() << "no error on a full disk";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), EngineError::Kind::DiskFull) << e.what();
    }
    t.cancel();
    t.close();
    t.open(path, true);
    EXPECT_EQ(t.rowCount(), 2);
    ASSERT_TRUE(t.locate(2));
    EXPECT_TRUE(t.readBlob(5) == pattern(1000, 2));
}

TEST(Engine, SharedConnectionSeesAnotherConnectionsChange)
{
    zbtest::TempDir dir;
    const QString path = dir.file("M.DB");
    Table::create(path, {{"LEVEL", FieldType::Integer, 0}, {"NAME", FieldType::Memo, 30}}, QString());
    Table a, b;
    a.open(path, false);
    b.open(path, false);
    EXPECT_FALSE(b.pollChanged());
    a.append();
    a.setValue(0, 0);
    a.setValue(1, QStringLiteral("土工"));
    a.post();
    EXPECT_TRUE(b.pollChanged());
    EXPECT_FALSE(b.pollChanged());
    ASSERT_TRUE(b.first());
    EXPECT_EQ(b.value(1).toString(), QStringLiteral("土工"));
    // Without a primary index rows keep the order they were added in.
    for (const char* name : {"c", "a", "b"}) {
        a.append();
        a.setValue(0, 1);
        a.setValue(1, name);
        a.post();
    }
    QStringList names;
    for (bool ok = b.first(); ok; ok = b.next())
        names << b.value(1).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("土工"), "c", "a", "b"}));
    b.empty();
    EXPECT_EQ(a.rowCount(), 0);
}

TEST(Engine, VerifyTellsTheThreeStatusClassesAndRebuildKeepsRows)
{
    zbtest::TempDir dir;
    const QString path = dir.file("V.DB");
    Table::create(path, kFields, "RECORD");
    {
        Table t;
        t.open(path, true);
        for (int r = 1; r <= 30; ++r)
            addRow(t, r, pattern(70000, r));
    }
    EXPECT_EQ(Table::verify(path), engine::VerifyStatus::Sound);
    EXPECT_EQ(Table::verify(dir.file("none.DB")), engine::VerifyStatus::NotRebuildable);

    zbtest::writeAll(dir.file("junk.DB"), QByteArray(4096, 'j'));
    EXPECT_EQ(Table::verify(dir.file("junk.DB")), engine::VerifyStatus::NotRebuildable);
    Table junk;
    try {
        junk.open(dir.file("junk.DB"), true);
        ADD_FAILURE() << "opened a file that is no table";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), EngineError::Kind::Damaged) << e.what();
    }

    // Damage a page in the middle of the pictures: the structure is still readable.
    QByteArray bytes = zbtest::readAll(path);
    ASSERT_GT(bytes.size(), 20 * 65536);
    for (int i = 0; i < 65536; ++i)
        bytes[bytes.size() / 2 + i] = char(0xA5);
    zbtest::writeAll(path, bytes);
    const engine::VerifyStatus status = Table::verify(path);
    EXPECT_EQ(status, engine::VerifyStatus::Rebuildable);
    ASSERT_TRUE(Table::rebuild(path, dir.file("V.BAK")));
    EXPECT_TRUE(QFile::exists(dir.file("V.BAK")));
    EXPECT_EQ(Table::verify(path), engine::VerifyStatus::Sound);
    Table t;
    t.open(path, true);
    EXPECT_GT(t.rowCount(), 0);
}

namespace {

// A table of 30 rows with pictures whose middle page is overwritten: its
// structure still reads, some rows do not. Returns the damaged file's bytes.
QByteArray makeDamagedTable(const QString& path)
{
    Table::create(path, kFields, "RECORD");
    {
        Table t;
        t.open(path, true);
        for (int r = 1; r <= 30; ++r)
            addRow(t, r, pattern(70000, r));
    }
    QByteArray bytes = zbtest::readAll(path);
    for (int i = 0; i < 65536; ++i)
        bytes[bytes.size() / 2 + i] = char(0xA5);
    zbtest::writeAll(path, bytes);
    return bytes;
}

}  // namespace

// Whatever step of a rebuild fails, the table path holds the old table
// unchanged or the finished new one, never nothing; the backup is the old file.
TEST(Engine, RebuildReplacesTheTableInOneStepAndKeepsABackup)
{
    using Step = Table::RebuildStep;
    // Where the backup goes: beside the table (a second name for the old file),
    // into a folder that does not exist, or onto another file system (a copy).
    enum class BackupAt { Beside, MissingFolder, OtherFileSystem };
    struct Case {
        const char* name;
        std::optional<Step> failAt;  // the probe fails the rebuild after this step
        BackupAt backupAt;
        bool rebuilt;
        bool backupLeft;
    };
    const Case cases[] = {
        {"all steps", std::nullopt, BackupAt::Beside, true, true},
        {"all steps, backup copied", std::nullopt, BackupAt::OtherFileSystem, true, true},
        {"fails after writing the new file", Step::Written, BackupAt::Beside, false, false},
        {"fails after the backup", Step::BackedUp, BackupAt::Beside, false, true},
        {"backup cannot be written", std::nullopt, BackupAt::MissingFolder, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zbtest::TempDir dir;
        const QString path = dir.file("V.DB");
        const QByteArray damaged = makeDamagedTable(path);
        ASSERT_EQ(Table::verify(path), engine::VerifyStatus::Rebuildable);
        QString backup = dir.file("V.BAK");
        std::optional<QTemporaryDir> other;
        if (c.backupAt == BackupAt::MissingFolder)
            backup = dir.file("none/V.BAK");
        if (c.backupAt == BackupAt::OtherFileSystem) {
            if (!QFileInfo(QStringLiteral("/dev/shm")).isWritable())
                continue;  // no memory file system here
            other.emplace(QStringLiteral("/dev/shm/zbtest-XXXXXX"));
            backup = other->filePath(QStringLiteral("V.BAK"));
        }
        QList<Step> seen;
        Table::setRebuildProbe([&](Step s) {
            seen << s;
            EXPECT_TRUE(QFile::exists(path)) << int(s);
            if (s == Step::Replaced) {
                EXPECT_EQ(Table::verify(path), engine::VerifyStatus::Sound);
            } else {
                EXPECT_TRUE(zbtest::readAll(path) == damaged) << int(s);
            }
            if (s != Step::Written) {
                EXPECT_TRUE(zbtest::readAll(backup) == damaged) << int(s);
            }
            return !c.failAt || *c.failAt != s;
        });
        EXPECT_EQ(Table::rebuild(path, backup), c.rebuilt);
        Table::setRebuildProbe({});
        EXPECT_FALSE(QFile::exists(path + ".rebuild"));
        EXPECT_EQ(QFile::exists(backup), c.backupLeft);
        if (c.backupLeft) {
            EXPECT_TRUE(zbtest::readAll(backup) == damaged);
        }
        if (!c.rebuilt) {
            EXPECT_TRUE(zbtest::readAll(path) == damaged);
            continue;
        }
        EXPECT_EQ(seen, (QList<Step>{Step::Written, Step::BackedUp, Step::Replaced}));
        EXPECT_EQ(Table::verify(path), engine::VerifyStatus::Sound);
        Table t;
        t.open(path, true);
        EXPECT_GT(t.rowCount(), 0);
        // Only the pictures near the overwritten page can differ.
        int whole = 0;
        for (bool ok = t.first(); ok; ok = t.next())
            whole += t.readBlob(5) == pattern(70000, t.value(0).toInt()) ? 1 : 0;
        EXPECT_GE(whole, 25);
    }
}

// Photo and master tables keep a rollback journal synced at every commit, so
// a power loss leaves them sound and loses at most the row being posted.
TEST(Engine, JournalSettingsAfterOpen)
{
    struct Case {
        bool exclusive;
        const char* settings;
    };
    for (const Case& c : {Case{true, "truncate full exclusive"}, Case{false, "delete full normal"}}) {
        SCOPED_TRACE(c.settings);
        zbtest::TempDir dir;
        const QString path = dir.file("J.DB");
        Table::create(path, kFields, "RECORD");
        {
            Table t;
            t.open(path, c.exclusive);
            EXPECT_EQ(t.journalSettings(), c.settings);
            addRow(t, 1, pattern(1000, 1));
            EXPECT_EQ(t.journalSettings(), c.settings);
        }
        // A table that was opened the other way round first takes the settings
        // of the present open.
        Table t;
        t.open(path, !c.exclusive);
        t.close();
        t.open(path, c.exclusive);
        EXPECT_EQ(t.journalSettings(), c.settings);
        EXPECT_EQ(t.rowCount(), 1);
        t.close();
        EXPECT_FALSE(QFile::exists(path + "-wal"));
        EXPECT_FALSE(QFile::exists(path + "-shm"));
        EXPECT_FALSE(QFile::exists(path + "-journal"));
    }
}

// The table file alone holds every posted row, so a copy of it (a backup of
// the open job) misses nothing; the journal beside it is not needed.
TEST(Engine, FlushPutsEveryPostedRowIntoTheTableFile)
{
    zbtest::TempDir dir;
    const QString path = dir.file("W.DB");
    Table::create(path, kFields, "RECORD");
    Table t;
    t.open(path, true);
    for (int r = 1; r <= 5; ++r)
        addRow(t, r, pattern(100000, r));
    t.flush();
    for (int r = 6; r <= 7; ++r)
        addRow(t, r, pattern(100000, r));
    ASSERT_TRUE(t.first());  // a flush in the middle of a walk
    t.flush();
    EXPECT_TRUE(t.next());
    QFile::copy(path, dir.file("COPY.DB"));
    Table copy;
    copy.open(dir.file("COPY.DB"), true);
    EXPECT_EQ(copy.rowCount(), 7);
    ASSERT_TRUE(copy.locate(7));
    EXPECT_TRUE(copy.readBlob(5) == pattern(100000, 7));
    copy.close();
    EXPECT_EQ(Table::verify(dir.file("COPY.DB")), engine::VerifyStatus::Sound);
}

namespace {

const QList<FieldDef> kOutlineFields = {{"LEVEL", FieldType::Integer, 0}, {"NAME", FieldType::Memo, 30}};

void addOutlineRow(Table& t, int level, const QString& name, qint64 at = 0)
{
    if (at > 0)
        t.insertAt(at);
    else
        t.append();
    t.setValue(0, level);
    t.setValue(1, name);
    t.post();
}

QStringList outlineRows(Table& t)
{
    QStringList out;
    for (bool ok = t.first(); ok; ok = t.next())
        out << QString::number(t.value(0).toInt()) + t.value(1).toString();
    return out;
}

}  // namespace

TEST(Engine, InsertAtAPositionOfTheTableOrder)
{
    zbtest::TempDir dir;
    const QString path = dir.file("M.DB");
    Table::create(path, kOutlineFields, QString());
    Table t;
    t.open(path, false);
    addOutlineRow(t, 0, "a");
    addOutlineRow(t, 0, "c");
    addOutlineRow(t, 1, "b", 2);     // between a and c
    addOutlineRow(t, 0, "first", 1); // at the top
    addOutlineRow(t, 0, "end", 99);  // past the end: appended
    EXPECT_EQ(outlineRows(t), (QStringList{"0first", "0a", "1b", "0c", "0end"}));
    EXPECT_EQ(t.value(1).toString(), QString());  // walked past the end
    // A removed row leaves a gap in the rowids; positions still count rows.
    ASSERT_TRUE(t.moveToRow(2));
    EXPECT_EQ(t.value(1).toString(), QStringLiteral("a"));
    t.remove();
    addOutlineRow(t, 2, "x", 2);
    EXPECT_EQ(outlineRows(t), (QStringList{"0first", "2x", "1b", "0c", "0end"}));
    EXPECT_FALSE(t.moveToRow(6));
    EXPECT_FALSE(t.moveToRow(0));
    t.close();

    // Indexed tables keep their key order: no insertion at a position.
    const QString keyed = dir.file("K.DB");
    Table::create(keyed, kFields, "RECORD");
    Table k;
    k.open(keyed, true);
    EXPECT_THROW(k.insertAt(1), EngineError);
}

TEST(Engine, BatchIsOneTransaction)
{
    zbtest::TempDir dir;
    const QString path = dir.file("M.DB");
    Table::create(path, kOutlineFields, QString());
    Table t, other;
    t.open(path, false);
    other.open(path, false);
    addOutlineRow(t, 0, "old");

    t.beginBatch();
    t.empty();
    addOutlineRow(t, 0, "new1");
    addOutlineRow(t, 1, "new2");
    t.rollbackBatch();
    EXPECT_EQ(outlineRows(t), QStringList{"0old"});

    t.beginBatch();
    t.empty();
    addOutlineRow(t, 0, "new1");
    addOutlineRow(t, 1, "new2");
    EXPECT_TRUE(t.inBatch());
    t.commitBatch();
    EXPECT_FALSE(t.inBatch());
    EXPECT_EQ(outlineRows(other), (QStringList{"0new1", "1new2"}));
    EXPECT_THROW(t.commitBatch(), EngineError);
}

TEST(Engine, WriteLockOfASharedTableIsSeenByOtherConnections)
{
    zbtest::TempDir dir;
    const QString path = dir.file("M.DB");
    Table::create(path, kOutlineFields, QString());
    zbtest::Signal locked, release;
    const int pid = zbtest::forkChild([&] {
        Table t;
        t.open(path, false);
        if (!t.lockTable())
            return 2;
        addOutlineRow(t, 0, "child");  // the holder writes under its lock
        locked.notify();
        release.wait();
        t.unlockTable();
        locked.notify();
        release.wait();
        return t.tableLocked() ? 3 : 0;
    });
    ASSERT_EQ(locked.wait(), '!');
    Table mine;
    mine.open(path, false);
    EXPECT_FALSE(mine.lockTable());
    EXPECT_FALSE(mine.tableLocked());
    EXPECT_EQ(outlineRows(mine), QStringList{"0child"});  // reading goes on
    release.notify();
    ASSERT_EQ(locked.wait(), '!');
    EXPECT_TRUE(mine.lockTable());
    // A second connection of this process is refused as well.
    Table again;
    again.open(path, false);
    EXPECT_FALSE(again.lockTable());
    release.notify();
    EXPECT_EQ(zbtest::waitChild(pid), 0);
    mine.close();
    EXPECT_TRUE(again.lockTable());
    again.unlockTable();
    // An exclusive table needs no lock of its own.
    Table only;
    only.open(path, true);
    EXPECT_TRUE(only.lockTable());
}

TEST(Engine, ScanFieldsReadsChosenFieldsInTableOrder)
{
    zbtest::TempDir dir;
    const QString path = dir.file("S.DB");
    Table::create(path, kFields, "RECORD");
    Table t;
    t.open(path, true);
    addRow(t, 3, pattern(100, 1), "三");
    addRow(t, 1, {}, "一");
    t.append();
    t.setValue(0, 2);
    t.post();
    ASSERT_TRUE(t.locate(2));
    QStringList seen;
    t.scanFields({t.fieldIndex("RECORD"), t.fieldIndex("TITLE")}, [&](const engine::RowView& row) {
        seen << QString::number(row.integer(0)) + (row.isNull(1) ? QStringLiteral("-") : QString::fromUtf8(row.text(1)));
    });
    EXPECT_EQ(seen, (QStringList{"1一", "2-", "3三"}));
    EXPECT_EQ(t.value(0).toInt(), 2);  // the cursor stays
    // A picture field tells only whether it holds a picture.
    QList<bool> held;
    t.scanFields({t.fieldIndex("PIC")}, [&](const engine::RowView& row) { held << !row.isNull(0); });
    EXPECT_EQ(held, (QList<bool>{false, false, true}));
    // In any order when the caller does not need the table order: every row once.
    QList<int> stored;
    t.scanFields({t.fieldIndex("RECORD"), t.fieldIndex("TITLE")},
                 [&](const engine::RowView& row) { stored << int(row.integer(0)); }, true);
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, (QList<int>{1, 2, 3}));
    EXPECT_THROW(t.scanFields({99}, [](const engine::RowView&) {}), EngineError);
}
