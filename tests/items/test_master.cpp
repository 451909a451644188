#include "items/master.h"

#include "core/scripted_ports.h"
#include "core/sjis.h"
#include "store/photo_table.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::items;

namespace {

struct Fixture {
    zbtest::TempDir dir;
    ScriptedMessages messages;
    QString mast() const { return dir.file("MASTFILE"); }
    QString temp() const { return dir.file("TEMPFILE"); }
    std::unique_ptr<TMaster> master(bool shared = true)
    {
        return std::make_unique<TMaster>(mast(), shared ? temp() : QString(), messages);
    }
};

MasterOutline tableRows(const QString& path)
{
    engine::Table t;
    t.open(path, false);
    MasterOutline rows;
    for (bool ok = t.first(); ok; ok = t.next())
        rows << MasterEntry{t.value(0).toInt(), t.value(1).toString()};
    return rows;
}

void writeRows(const QString& path, const MasterOutline& rows)
{
    if (!QFile::exists(path))
        engine::Table::create(path, masterTableFields(), QString());
    engine::Table t;
    t.open(path, false);
    t.empty();
    for (const MasterEntry& e : rows) {
        t.append();
        t.setValue(0, e.depth);
        t.setValue(1, e.name);
        t.post();
    }
}

// 0 工事, 1 A, 2 B, 3 C, 4 D, 5 測量
const MasterOutline kChain{{0, "工事"}, {1, "A"}, {2, "B"}, {3, "C"}, {4, "D"}, {0, "測量"}};

}  // namespace

TEST(Master, MissingFileGivesTheDefaultMasterAndItsLockFile)
{
    Fixture f;
    auto m = f.master();
    ASSERT_TRUE(m->load(kDefaultMasterName));
    EXPECT_EQ(m->outline(), defaultMaster());
    EXPECT_EQ(m->outline().size(), 15);
    EXPECT_EQ(m->outline().value(8), (MasterEntry{1, "その他"}));
    EXPECT_EQ(m->outline().value(9), (MasterEntry{0, "測量"}));
    EXPECT_EQ(tableRows(m->tablePath()), defaultMaster());
    EXPECT_EQ(m->tablePath(), f.mast() + "/基本マスタ.DB");
    EXPECT_EQ(zbtest::readAll(f.temp() + "/基本マスタ.LC"), sjis::toBytes(u"ロックファイル") + "\r\n");
    EXPECT_FALSE(m->stampChanged());
    // Without a shared data root there is no lock file.
    Fixture local;
    auto l = local.master(false);
    ASSERT_TRUE(l->load("M"));
    EXPECT_FALSE(QDir(local.temp()).exists());
}

TEST(Master, OutlineFromRowsSkipsRowsTooDeepWithABeep)
{
    // The first row is a top entry whatever its depth.
    EXPECT_EQ(outlineFromRows({{1, "x"}, {0, "a"}, {2, "y"}, {1, "b"}, {2, "c"}, {0, "d"}, {3, "z"}}),
              (MasterOutline{{0, "x"}, {0, "a"}, {1, "b"}, {2, "c"}, {0, "d"}}));
    Fixture f;
    QDir().mkpath(f.mast());
    writeRows(f.mast() + "/M.DB", {{0, "a"}, {2, "skip"}, {1, "b"}});
    auto m = f.master();
    ASSERT_TRUE(m->load("M"));
    EXPECT_EQ(m->outline(), (MasterOutline{{0, "a"}, {1, "b"}}));
    EXPECT_EQ(m->skippedRows(), 1);
    EXPECT_EQ(f.messages.log, QStringList{"beep"});
}

// Rows skipped on reading keep their places in the table: the entries after
// them are still found at their own rows, by the depth their rows hold.
TEST(Master, EntriesKeepTheirRowsPastSkippedRowsAndADeepFirstRow)
{
    Fixture f;
    QDir().mkpath(f.mast());
    writeRows(f.mast() + "/M.DB", {{2, "x"}, {4, "skip"}, {1, "b"}, {3, "skip2"}, {1, "c"}});
    auto m = f.master();
    ASSERT_TRUE(m->load("M"));
    EXPECT_EQ(m->outline(), (MasterOutline{{0, "x"}, {1, "b"}, {1, "c"}}));
    EXPECT_EQ(m->skippedRows(), 2);

    f.messages.replyText(QStringLiteral("x2"));
    EXPECT_EQ(m->renameEntry(0), 0);
    f.messages.replyText(QStringLiteral("c2"));
    EXPECT_EQ(m->renameEntry(2), 2);
    EXPECT_EQ(tableRows(m->tablePath()), (MasterOutline{{2, "x2"}, {4, "skip"}, {1, "b"}, {3, "skip2"}, {1, "c2"}}));
    f.messages.replyText(QStringLiteral("n"));
    EXPECT_EQ(m->newEntry(0), 3);
    EXPECT_EQ(tableRows(m->tablePath()),
              (MasterOutline{{2, "x2"}, {4, "skip"}, {1, "b"}, {3, "skip2"}, {1, "c2"}, {1, "n"}}));
    // Deleting b takes the deeper row read past with it.
    f.messages.reply(true);
    EXPECT_EQ(m->deleteEntry(1), 1);
    EXPECT_EQ(m->outline(), (MasterOutline{{0, "x2"}, {1, "c2"}, {1, "n"}}));
    f.messages.replyText(QStringLiteral("n2"));
    EXPECT_EQ(m->renameEntry(2), 2);
    EXPECT_EQ(tableRows(m->tablePath()), (MasterOutline{{2, "x2"}, {4, "skip"}, {1, "c2"}, {1, "n2"}}));
    EXPECT_FALSE(f.messages.boxes().join('|').contains(kMasterConflict));
    // Read again, the table gives the same outline.
    ASSERT_TRUE(m->reload());
    EXPECT_EQ(m->outline(), (MasterOutline{{0, "x2"}, {1, "c2"}, {1, "n2"}}));
}

TEST(Master, EmptyMasterAllowsOnlyNewWhichAddsATopEntry)
{
    Fixture f;
    QDir().mkpath(f.mast());
    writeRows(f.mast() + "/M.DB", {});
    auto m = f.master();
    ASSERT_TRUE(m->load("M"));
    EXPECT_TRUE(m->canCreate(-1));
    EXPECT_FALSE(m->canRename(-1));
    EXPECT_FALSE(m->canDelete(-1));
    f.messages.replyText(QStringLiteral("最初"));
    EXPECT_EQ(m->newEntry(-1), 0);
    EXPECT_EQ(m->outline(), (MasterOutline{{0, "最初"}}));
    EXPECT_EQ(tableRows(m->tablePath()), m->outline());
    EXPECT_EQ(f.messages.log, QStringList{"input: 新規フォルダ/フォルダ名:"});
}

TEST(Master, NewEntryGoesLastUnderTheSelectionDownToDepthFour)
{
    Fixture f;
    QDir().mkpath(f.mast());
    writeRows(f.mast() + "/M.DB", kChain);
    auto m = f.master();
    ASSERT_TRUE(m->load("M"));
    EXPECT_FALSE(m->canCreate(4));  // depth 4
    EXPECT_EQ(m->newEntry(4), -1);
    ASSERT_TRUE(m->canCreate(3));
    f.messages.replyText(QStringLiteral("D2"));
    EXPECT_EQ(m->newEntry(3), 5);
    f.messages.replyText(QStringLiteral("A2"));
    EXPECT_EQ(m->newEntry(0), 6);
    const MasterOutline expected{{0, "工事"}, {1, "A"}, {2, "B"}, {3, "C"}, {4, "D"}, {4, "D2"}, {1, "A2"}, {0, "測量"}};
    EXPECT_EQ(m->outline(), expected);
    EXPECT_EQ(tableRows(m->tablePath()), expected);
    // Cancel and an empty name change nothing.
    f.messages.replyText(std::nullopt);
    EXPECT_EQ(m->newEntry(0), -1);
    f.messages.replyText(QString());
    EXPECT_EQ(m->newEntry(0), -1);
    EXPECT_EQ(tableRows(m->tablePath()), expected);
}

TEST(Master, NamesOf256BytesOrMoreAreAskedAgain)
{
    Fixture f;
    auto m = f.master(false);
    ASSERT_TRUE(m->load("M"));
    f.messages.replyText(QString(128, QChar(u'あ')));  // 256 bytes
    f.messages.replyText(QString(255, QChar('a')));
    EXPECT_EQ(m->renameEntry(0), 0);
    EXPECT_EQ(m->outline()[0].name, QString(255, QChar('a')));
    EXPECT_EQ(f.messages.boxes(), (QStringList{"input: フォルダ名の変更/フォルダ名:",
                                               "information: 入力できる文字の長さは 255 バイト以内です。",
                                               "input: フォルダ名の変更/フォルダ名:"}));
    // An unchanged name does nothing.
    f.messages.replyText(QString(255, QChar('a')));
    EXPECT_EQ(m->renameEntry(0), -1);
}

TEST(Master, DeletingADepthOneEntryRemovesItsSubtreeRowsOnly)
{
    Fixture f;
    QDir().mkpath(f.mast());
    const MasterOutline rows{{0, "工事"}, {1, "A"}, {2, "B"}, {3, "C"}, {1, "E"}, {2, "F"}, {0, "測量"}, {1, "G"}};
    writeRows(f.mast() + "/M.DB", rows);
    auto m = f.master();
    ASSERT_TRUE(m->load("M"));
    f.messages.reply(false);
    EXPECT_EQ(m->deleteEntry(1), -1);
    EXPECT_EQ(tableRows(m->tablePath()), rows);
    EXPECT_EQ(m->deleteEntry(1), 1);
    const MasterOutline expected{{0, "工事"}, {1, "E"}, {2, "F"}, {0, "測量"}, {1, "G"}};
    EXPECT_EQ(m->outline(), expected);
    EXPECT_EQ(tableRows(m->tablePath()), expected);
    EXPECT_EQ(f.messages.boxes().last(), "confirm: 選択されているフォルダを階層下ごと削除しますか？");
}

TEST(Master, RowCheckRefusesAChangedRow)
{
    Fixture f;
    QDir().mkpath(f.mast());
    writeRows(f.mast() + "/M.DB", kChain);
    auto m = f.master(false);
    ASSERT_TRUE(m->load("M"));
    // Another computer renamed B behind this one's back (no shared root: no stamps).
    writeRows(f.mast() + "/M.DB", {{0, "工事"}, {1, "A"}, {2, "B2"}, {3, "C"}, {4, "D"}, {0, "測量"}});
    f.messages.replyText(QStringLiteral("X"));
    EXPECT_EQ(m->renameEntry(2), -1);
    EXPECT_EQ(m->deleteEntry(2), -1);
    EXPECT_EQ(f.messages.log.mid(1, 2), (QStringList{"beep", "warning: マスタの書き込みの衝突が発生しました。"}));
    EXPECT_EQ(tableRows(m->tablePath()).value(2).name, "B2");
}

TEST(Master, CostCsvGivesChainsAndKeepsWhatWasReadOfABadFile)
{
    auto sj = [](const char* utf8) { return sjis::toBytes(QString::fromUtf8(utf8)); };
    struct Case {
        const char* what;
        QByteArray bytes;
        MasterOutline outline;
        bool bad;
    };
    const Case cases[] = {
        {"two lines, one chain", sj("h,a,b,c,d,e\r\nx,工事,A,B,C,D1\r\nx,工事,A,B,C,D2\r\n"),
         {{0, "工事"}, {1, "A"}, {2, "B"}, {3, "C"}, {4, "D1"}, {4, "D2"}}, false},
        {"case-insensitive reuse, deeper entries forgotten", sj("h\nx,k,a,b,c,1\nx,K,A,z,c,2\n"),
         {{0, "k"}, {1, "a"}, {2, "b"}, {3, "c"}, {4, "1"}, {2, "z"}, {3, "c"}, {4, "2"}}, false},
        {"a line of five fields ends reading", sj("h\nx,k,a,b,c,1\nx,k,a,b,c\nx,k,a,b,c,3\n"),
         {{0, "k"}, {1, "a"}, {2, "b"}, {3, "c"}, {4, "1"}}, true},
        {"header only", sj("h,a,b,c,d,e\r\n"), {}, true},
        {"empty", QByteArray(), {}, true},
        // UTF-8 whose bytes also pass as Shift_JIS pairs is read as UTF-8.
        {"UTF-8", QByteArray("h\nx,道路,土工,品質,c,1\n"), {{0, "道路"}, {1, "土工"}, {2, "品質"}, {3, "c"}, {4, "1"}}, false},
        {"UTF-8 with a byte order mark", QByteArray("\xEF\xBB\xBFh,a\r\nx,道路,土工,品質,c,1\r\n"),
         {{0, "道路"}, {1, "土工"}, {2, "品質"}, {3, "c"}, {4, "1"}}, false},
        {"not Shift_JIS", QByteArray("h\nx,\x82,a,b,c,1\n"), {}, true},
        {"neither UTF-8 nor Shift_JIS", QByteArray("h\nx,\xE9\x81\xFD,a,b,c,1\n"), {}, true},
        {"binary", QByteArray("h\nx,\0,a,b,c,1\n", 14), {}, true},
    };
    for (const Case& c : cases) {
        const CsvOutline r = parseCostCsv(c.bytes);
        EXPECT_EQ(r.outline, c.outline) << c.what;
        EXPECT_EQ(r.badFormat, c.bad) << c.what;
    }
}

TEST(Master, ImportCsvReplacesTheOutlineOrKeepsTheMaster)
{
    Fixture f;
    auto m = f.master();
    ASSERT_TRUE(m->load("M"));
    const QString good = f.dir.file("good.csv");
    zbtest::writeAll(good, sjis::toBytes(u"h\r\nx,工事,A,B,C,D1\r\nx,工事,A,B,C,D2,extra\r\n"));
    EXPECT_TRUE(m->importCsv(good));
    const MasterOutline read{{0, "工事"}, {1, "A"}, {2, "B"}, {3, "C"}, {4, "D1"}};
    EXPECT_EQ(m->outline(), read);
    EXPECT_EQ(tableRows(m->tablePath()), read);
    EXPECT_EQ(f.messages.boxes(), QStringList{"warning: ファイルのフォーマットが不正です。"});

    f.messages.clear();
    EXPECT_FALSE(m->importCsv(f.dir.file("missing.csv")));
    EXPECT_EQ(f.messages.boxes(),
              QStringList{"warning: ファイルを読み込めませんでした。マスタは変更されていません。\r\n"
                          + f.dir.file("missing.csv")});
    const QString empty = f.dir.file("empty.csv");
    zbtest::writeAll(empty, QByteArray());
    EXPECT_FALSE(m->importCsv(empty));
    EXPECT_EQ(tableRows(m->tablePath()), read);
}

TEST(Master, SearchAndSynchronise)
{
    Fixture f;
    QDir().mkpath(f.mast());
    writeRows(f.mast() + "/M.DB", {{0, "工事"},   {1, "施工"}, {2, "コウジ"}, {3, "X"}, {0, "測量"},
                                   {1, "施工"},   {2, "ｺｳｼﾞ"}, {3, "X"},     {0, "工事"}, {1, "他"},
                                   {2, "こうじ"}, {3, "X"}});
    auto m = f.master(false);
    ASSERT_TRUE(m->load("M"));
    EXPECT_EQ(m->search("こうじ", MatchMode::Anywhere, SearchDirection::FromFirst, -1, {}), 2);
    EXPECT_EQ(m->search("こうじ", MatchMode::Anywhere, SearchDirection::Down, 2, {}), 6);
    EXPECT_EQ(m->search("", MatchMode::Whole, SearchDirection::Down, 0, {3, 3}), 3);
    // Level 4 folder (depth 3): one ancestor pair is compared (the parents,
    // case-insensitively as they are); the first full agreement ends the search.
    EXPECT_EQ(m->synchronise({"測量", "施工", "ｺｳｼﾞ", "X"}), 7);
    EXPECT_EQ(m->synchronise({"工事", "他", "コウジ", "X"}), 3);
    // No agreement: every match ties and the last one is kept.
    EXPECT_EQ(m->synchronise({"工事", "施工", "ない", "X"}), 11);
    // The folder itself is found through the search form.
    EXPECT_EQ(m->synchronise({"工事", "施工", "コウジ", "x"}), 3);
    EXPECT_EQ(m->synchronise({"工事", "施工", "ない", "Y"}), -1);
    // Level 1 (depth 0): every match is visited, the last one wins.
    EXPECT_EQ(m->synchronise({"工事"}), 8);
    EXPECT_EQ(m->synchronise({}), -1);
}

// A master read while another process rewrites it again and again is always
// one whole outline, the old or the new.
TEST(Master, ReadWhileAnotherProcessRewritesGivesOneOfTheOutlines)
{
    Fixture f;
    MasterOutline a, b;
    for (int i = 0; i < 40; ++i) {
        a << MasterEntry{0, QStringLiteral("A%1").arg(i)};
        b << MasterEntry{0, QStringLiteral("B%1").arg(i)};
    }
    {
        auto m = f.master();
        ASSERT_TRUE(m->load("M"));
        ASSERT_TRUE(m->writeOutline(a));
    }
    zbtest::Signal started;
    const int writer = zbtest::forkChild([&] {
        ScriptedMessages theirs;
        TMaster other(f.mast(), f.temp(), theirs);
        if (!other.load("M"))
            return 1;
        started.notify();
        for (int i = 0; i < 400; ++i)
            if (!other.writeOutline(i % 2 ? a : b))
                return 2;
        return 0;
    });
    ASSERT_EQ(started.wait(), '!');
    auto m = f.master();
    int mixed = 0;
    for (int i = 0; i < 150; ++i) {
        if (!m->load("M"))
            continue;  // the table busy at that moment
        if (m->outline() != a && m->outline() != b)
            ++mixed;
    }
    EXPECT_EQ(zbtest::waitChild(writer), 0);
    EXPECT_EQ(mixed, 0);
}

TEST(Master, TwoProcessesEditingOneSharedMaster)
{
    Fixture f;
    auto m = f.master();
    ASSERT_TRUE(m->load("M"));
    const MasterOutline before = m->outline();

    // The other computer changes the master: this one's next change reloads it
    // and is abandoned.
    const int pid = zbtest::forkChild([&] {
        ScriptedMessages theirs;
        TMaster other(f.mast(), f.temp(), theirs);
        if (!other.load("M"))
            return 1;
        theirs.replyText(QStringLiteral("他から"));
        return other.newEntry(0) == 9 ? 0 : 2;
    });
    ASSERT_EQ(zbtest::waitChild(pid), 0);
    EXPECT_TRUE(m->stampChanged());
    int reloads = 0;
    m->reloaded = [&] { ++reloads; };
    f.messages.replyText(QStringLiteral("こちら"));
    EXPECT_EQ(m->newEntry(0), -1);
    EXPECT_EQ(f.messages.boxes(), QStringList{"information: マスタの内容が変更されました 変更を反映させます。"});
    EXPECT_EQ(reloads, 1);
    MasterOutline theirs = before;
    theirs.insert(9, MasterEntry{1, "他から"});
    EXPECT_EQ(m->outline(), theirs);
    EXPECT_FALSE(m->stampChanged());

    // The other computer holds the write lock: the change is refused.
    zbtest::Signal locked, release;
    const int holder = zbtest::forkChild([&] {
        engine::Table t;
        t.open(m->tablePath(), false);
        if (!t.lockTable())
            return 1;
        locked.notify();
        release.wait();
        return 0;
    });
    ASSERT_EQ(locked.wait(), '!');
    f.messages.clear();
    EXPECT_EQ(m->deleteEntry(0), -1);
    EXPECT_EQ(f.messages.boxes(), QStringList{"warning: マスタは他のコンピューターで編集中です。"});
    release.notify();
    EXPECT_EQ(zbtest::waitChild(holder), 0);
    EXPECT_EQ(tableRows(m->tablePath()), theirs);

    // Once it let go, the change goes through; the timer of the other side
    // would now see a new stamp.
    f.messages.reply(true);
    EXPECT_EQ(m->deleteEntry(0), 0);
    EXPECT_EQ(tableRows(m->tablePath()), theirs.mid(10));
    EXPECT_FALSE(m->refreshIfChanged());
}
