#include "core/inifile.h"
#include "core/scripted_ports.h"
#include "store/data_module.h"
#include "store/engine_config.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace zb;

namespace {

void addPhoto(TTableNetWork& t, const PhotoFields& f, RECORD r, QList<RECORD> drawings = {})
{
    t.append();
    t.setValue(f[F_RECORD], r);
    t.setValue(f[F_TITLE], QStringLiteral("写真%1").arg(r));
    t.setValue(f[F_GRA_FLAG], 0);
    t.writeBlob(f[F_IMAGE_ORG], "org" + QByteArray::number(r));
    drawings.resize(3);
    t.setValue(f[F_REC_DRA1], drawings[0]);
    t.setValue(f[F_REC_DRA2], drawings[1]);
    t.setValue(f[F_REC_DRA3], drawings[2]);
    t.post();
}

}  // namespace

TEST(PhotoTable, CreatedWithItsFieldsInOrderAndOnlyTheNewFieldsAdded)
{
    zbtest::TempDir dir;
    const QString path = dir.file("J.DB");
    TTableNetWork t;
    PhotoFields f = openOrCreatePhotoTable(path, {&t}, true);
    ASSERT_EQ(t.fields().size(), 34);
    const QStringList names = {"RECORD", "CHECK", "FLAG", "BIKOU_A", "TITLE", "YOBI1", "YOBI2", "YOBI3", "KASYO",
                               "BIKOU_B", "DATE", "FILMNUM", "NEGANUM", "BIKOU_C", "KANRI", "BIKOU_D", "BIKOU_E",
                               "UKEOIBIKOU", "HACYUBIKOU", "BIKOU1", "BIKOU2", "BIKOU3", "GRA_FLAG", "FILENAME",
                               "IMAGE_ORG", "IMAGE_NOW", "THUMBNAIL", "ALBUM", "REC_DRA1", "REC_DRA2", "REC_DRA3",
                               "DAIHYO", "TEISYUTU", "HENKAN"};
    for (int i = 0; i < 34; ++i) {
        EXPECT_EQ(t.fields()[i].name, names[i]);
        EXPECT_EQ(f.pos[i], i);
    }
    EXPECT_EQ(t.primaryKey(), "RECORD");
    addPhoto(t, f, 1);
    t.closeTable();
    // Opening an existing table keeps its rows.
    f = openOrCreatePhotoTable(path, {&t}, true);
    EXPECT_EQ(t.rowCount(), 1);

    // A table written before the last three fields existed gains them when it
    // is opened alone; its rows read them as null and keep everything else.
    t.closeTable();
    {
        engine::Table::create(dir.file("Prev.DB"), photoTableFields().mid(0, F_DAIHYO), QStringLiteral("RECORD"));
        TTableNetWork prev;
        PhotoFields pf = openOrCreatePhotoTable(dir.file("Prev.DB"), {&prev}, false);
        EXPECT_EQ(pf[F_DAIHYO], -1);  // opened shared: not changed
        addPhoto(prev, pf, 9);
        prev.closeTable();
        pf = openOrCreatePhotoTable(dir.file("Prev.DB"), {&prev}, true);
        ASSERT_EQ(prev.fields().size(), 34);
        EXPECT_EQ(pf[F_DAIHYO], F_DAIHYO);
        EXPECT_EQ(pf[F_HENKAN], F_HENKAN);
        ASSERT_TRUE(prev.locate(9));
        EXPECT_TRUE(prev.isNull(pf[F_DAIHYO]));
        EXPECT_EQ(prev.value(pf[F_TITLE]).toString(), QStringLiteral("写真9"));
        EXPECT_EQ(prev.readBlob(pf[F_IMAGE_ORG]), "org9");
        prev.edit();
        prev.setValue(pf[F_DAIHYO], 1);
        prev.post();
        prev.closeTable();
        pf = openOrCreatePhotoTable(dir.file("Prev.DB"), {&prev}, true);
        ASSERT_TRUE(prev.locate(9));
        EXPECT_EQ(prev.value(pf[F_DAIHYO]).toInt(), 1);
        EXPECT_EQ(prev.fields().size(), 34);  // added once
    }

    // A table that lacks older fields: their positions are -1 and the rules skip them.
    engine::Table::create(dir.file("Old.DB"),
                          {{"RECORD", engine::FieldType::Integer, 0}, {"IMAGE_ORG", engine::FieldType::Blob, 2}},
                          QString());
    TTableNetWork old;
    PhotoFields of = openOrCreatePhotoTable(dir.file("Old.DB"), {&old}, true);
    EXPECT_EQ(of[F_GRA_FLAG], -1);
    EXPECT_EQ(of[F_IMAGE_NOW], -1);
    EXPECT_EQ(old.primaryKey(), "RECORD");  // the missing primary index is added
    old.append();
    old.setValue(of[F_RECORD], 4);
    old.writeBlob(of[F_IMAGE_ORG], "jpeg");
    old.post();
    StoredPicture p = currentPicture(old, of);
    EXPECT_EQ(p.bytes, "jpeg");
    EXPECT_EQ(p.kind, 0);
    EXPECT_FALSE(p.edited);
}

TEST(PhotoTable, CurrentPictureIsTheEditedOneWhenPresent)
{
    zbtest::TempDir dir;
    TTableNetWork t;
    PhotoFields f = openOrCreatePhotoTable(dir.file("J.DB"), {&t}, true);
    addPhoto(t, f, 1);
    t.edit();
    t.setValue(f[F_GRA_FLAG], 20);
    t.post();
    StoredPicture p = currentPicture(t, f);
    EXPECT_EQ(p.bytes, "org1");
    EXPECT_EQ(p.kind, 20);
    t.edit();
    t.writeBlob(f[F_IMAGE_NOW], "edited");
    t.post();
    p = currentPicture(t, f);
    EXPECT_EQ(p.bytes, "edited");
    EXPECT_EQ(p.kind, 0);
    EXPECT_TRUE(p.edited);
}

TEST(PhotoTable, DeletingAPhotoTakesItsDrawingsOnly)
{
    zbtest::TempDir dir;
    TTableNetWork t;
    PhotoFields f = openOrCreatePhotoTable(dir.file("J.DB"), {&t}, true);
    addPhoto(t, f, 1, {3, 0, 4});
    addPhoto(t, f, 2, {5});
    for (RECORD r : {3, 4, 5})
        addPhoto(t, f, r);
    EXPECT_EQ(highestRecord(t), 5);
    EXPECT_TRUE(deletePhoto(t, f, 1));
    QList<RECORD> left;
    for (bool ok = t.first(); ok; ok = t.next())
        left << t.value(f[F_RECORD]).toInt();
    EXPECT_EQ(left, (QList<RECORD>{2, 5}));
    EXPECT_FALSE(deletePhoto(t, f, 1));
}

TEST(SharedTables, ChangeNotificationRefreshesAndRaisesTheEventOnce)
{
    zbtest::TempDir dir;
    const QString path = dir.file("基本マスタ.DB");
    TTableNetWork mine, theirs;
    openOrCreateMasterTable(path, mine, false);
    openOrCreateMasterTable(path, theirs, false);
    EXPECT_GE(mine.slot(), 0);
    EXPECT_NE(mine.slot(), theirs.slot());
    EXPECT_TRUE(TNetTimer::instance().isActive());
    int raised = 0;
    mine.OnNetworkChenged = [&] { ++raised; };
    TNetTimer::instance().tick();
    EXPECT_EQ(raised, 0);

    theirs.append();
    theirs.setValue(0, 0);
    theirs.setValue(1, QStringLiteral("工種"));
    theirs.post();
    TNetTimer::instance().tick();
    EXPECT_EQ(raised, 1);
    TNetTimer::instance().tick();
    EXPECT_EQ(raised, 1);

    // While a handler runs, no other handler starts.
    theirs.edit();
    theirs.setValue(1, QStringLiteral("種別"));
    theirs.post();
    TNetTimer::instance().busy = true;
    TNetTimer::instance().tick();
    EXPECT_EQ(raised, 1);
    TNetTimer::instance().busy = false;
    TNetTimer::instance().tick();
    EXPECT_EQ(raised, 2);

    const int slot = mine.slot();
    mine.closeTable();
    EXPECT_EQ(mine.slot(), -1);
    EXPECT_EQ(TNetTimer::instance().take(nullptr), slot);  // the freed slot is reused
    TNetTimer::instance().release(slot);

    // Rebuilding a master empties it.
    openOrCreateMasterTable(path, mine, true);
    EXPECT_EQ(theirs.rowCount(), 0);
}

TEST(SharedTables, PackAndFlushMessages)
{
    zbtest::TempDir dir;
    ScriptedMessages m;
    TTableNetWork t(&m);
    try {
        t.packTable();
        ADD_FAILURE() << "packed a closed table";
    } catch (const EEnhDBTblNotOpen& e) {
        EXPECT_EQ(e.message(), QStringLiteral("テーブルはパックするためにオープンされなければなりません"));
    }
    PhotoFields f = openOrCreatePhotoTable(dir.file("J.DB"), {&t}, true);
    addPhoto(t, f, 1);
    EXPECT_TRUE(t.packTable(kSessionPassword));
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_TRUE(t.flushBuffers());
    EXPECT_TRUE(t.switchIndex(QString()));
    EXPECT_FALSE(t.switchIndex("BYDATE"));
    EXPECT_EQ(m.boxes(), QStringList{
        QStringLiteral("warning: テーブルのインデックスの更新に失敗しました｡\r\n一度プログラムを終了してから「データ保守/保守作業」を実行してください。")});
    t.closeTable();
    // Packed tables still open.
    openOrCreatePhotoTable(dir.file("J.DB"), {&t}, true);
    EXPECT_EQ(t.rowCount(), 1);
}

TEST(DataModule, StaleLockFilesAreRemovedAndLiveOnesKept)
{
    zbtest::TempDir dir;
    QDir().mkpath(dir.file("a"));
    QDir().mkpath(dir.file("b"));
    for (const char* f : {"a/PDOXUSRS.LCK", "a/PARADOX.LCK", "b/PDOXUSRS.LCK", "b/PARADOX.LCK"})
        zbtest::writeAll(dir.file(f), "lock");
    // Another process holds the lock file in b.
    zbtest::Signal locked, release;
    const int pid = zbtest::forkChild([&] {
        int fd = ::open(QFile::encodeName(dir.file("b/PDOXUSRS.LCK")).constData(), O_RDWR);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        if (fd < 0 || fcntl(fd, F_SETLK, &fl) != 0)
            return 1;
        locked.notify();
        release.wait();
        return 0;
    });
    ASSERT_EQ(locked.wait(), '!');
    removeStaleLockFiles({dir.file("a"), dir.file("b"), dir.file("missing")});
    EXPECT_FALSE(QFile::exists(dir.file("a/PDOXUSRS.LCK")));
    EXPECT_FALSE(QFile::exists(dir.file("a/PARADOX.LCK")));
    EXPECT_TRUE(QFile::exists(dir.file("b/PDOXUSRS.LCK")));
    EXPECT_TRUE(QFile::exists(dir.file("b/PARADOX.LCK")));  // kept while its partner is held
    release.notify();
    EXPECT_EQ(zbtest::waitChild(pid), 0);
    removeStaleLockFiles({dir.file("b")});
    EXPECT_FALSE(QFile::exists(dir.file("b/PDOXUSRS.LCK")));
}

TEST(EngineConfiguration, LocalShareAndNetDirAreRepaired)
{
    zbtest::TempDir dir;
    ScriptedMessages m;
    const QString cfg = dir.file("cfg/ENGINE.CFG");
    const QString bde = dir.path() + "/TORVEN/TempFiles/Bde";
    struct Case {
        const char* name;
        QByteArray content;  // empty: no file
        bool changed;
        QString netDir;
    };
    const Case cases[] = {
        {"missing file", {}, true, bde},
        {"false share, root net dir", "[SYSTEM\\INIT]\r\nLOCAL SHARE=FALSE\r\n[DRIVERS\\PARADOX\\INIT]\r\nNET DIR=C:\\\r\n", true, bde},
        {"sound", "[SYSTEM\\INIT]\r\nLOCAL SHARE=true\r\n[DRIVERS\\PARADOX\\INIT]\r\nNET DIR=" + dir.path().toUtf8() + "\r\n", false, dir.path()},
        {"net dir missing folder", "[SYSTEM\\INIT]\r\nLOCAL SHARE=TRUE\r\n[DRIVERS\\PARADOX\\INIT]\r\nNET DIR=/no/such/folder\r\n", true, bde},
    };
    for (const Case& c : cases) {
        QFile::remove(cfg);
        if (!c.content.isEmpty()) {
            QDir().mkpath(dir.file("cfg"));
            zbtest::writeAll(cfg, c.content);
        }
        EXPECT_EQ(checkEngineConfiguration(cfg, dir.path(), m), c.changed) << c.name;
        IniFile ini(cfg);
        EXPECT_EQ(ini.readString(kEngineSystemSection, "LOCAL SHARE").toUpper(), "TRUE") << c.name;
        EXPECT_EQ(ini.readString(kEngineParadoxSection, "NET DIR"), c.netDir) << c.name;
    }
    EXPECT_TRUE(QFileInfo(bde).isDir());
    EXPECT_TRUE(m.log.isEmpty());
}
