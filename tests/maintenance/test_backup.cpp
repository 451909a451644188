#include "core/scripted_ports.h"
#include "core/sjis.h"
#include "imaging/fixtures.h"
#include "maintenance/backup.h"
#include "maintenance/backup_package.h"
#include "maintenance/job_fixture.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

using namespace zb;
using zbtest::PhotoRow;

namespace {

qint32 i32(const QByteArray& b, qsizetype at) { return qFromLittleEndian<qint32>(b.constData() + at); }

// The bytes with the int32 at an offset replaced.
QByteArray withInt(QByteArray b, qsizetype at, qint32 v)
{
    qToLittleEndian<qint32>(v, b.data() + at);
    return b;
}

// The length-prefixed text at an offset.
QByteArray textAt(const QByteArray& b, qsizetype at) { return b.mid(at + 1, static_cast<unsigned char>(b[at])); }

struct Job {
    zbtest::TempDir dir;
    QString data = withSlash(dir.path() + "/DATAFILE");
    QString package(const QString& name) const { return dir.file(name + ".ZBB"); }

    MaintenanceResult backup(const QString& name, const QString& to, BackupMode mode = BackupMode::Normal,
                             QString* error = nullptr)
    {
        SilentProgress progress;
        return BackupJobFiles(data, name, to, mode, progress, error);
    }
    RestoreOutcome restore(const QString& package, ScriptedMessages& m, bool quiet = false, const QString& as = {})
    {
        ScriptedProgress progress;
        return RestoreBackup(data, package, quiet, m, progress, {}, as);
    }
};

PhotoRow photo(RECORD r, QByteArray org = {})
{
    PhotoRow p;
    p.record = r;
    p.title = QStringLiteral("写真%1").arg(r);
    p.imageOrg = org.isEmpty() ? zbtest::makeJpeg(40, 30) : org;
    p.thumbnail = "BMthumb" + QByteArray::number(r);
    return p;
}

}  // namespace

TEST(BackupPackage, EmptyJobIsHeaderStreamAndTwoCounts)
{
    Job j;
    zbtest::makeJob(j.data, "空", {});
    ASSERT_EQ(j.backup("空", j.package("空")), MaintenanceResult::Done);
    const QByteArray b = zbtest::readAll(j.package("空"));
    const QByteArray zbd = zbtest::readAll(JobPaths{j.data, "空"}.treeFile());
    const qsizetype stream = zbd.size() - JobHeader::kSize;
    ASSERT_EQ(b.size(), 1817 + stream + 8);
    EXPECT_EQ(b.first(1817 + stream), zbd);  // header and hierarchy as the tree file holds them
    EXPECT_EQ(i32(b, 1817 + stream), 0);
    EXPECT_EQ(i32(b, 1817 + stream + 4), 0);
}

TEST(BackupPackage, PhotoRecordAndAlbumHeaderAtTheirOffsets)
{
    Job j;
    PhotoRow p = photo(7, "\xFF\xD8\xFF\xE0org");
    p.fileName = "IMG_0007.JPG";
    p.flag = 3;
    p.filmNum = -5;
    p.title = QString(100, QLatin1Char('t'));   // cut to 80
    p.kanri = QString(200, QChar(0x3042));      // 400 bytes, cut to 255 at a character boundary: 254
    p.imageNow = "\xFF\xD8\xFF\xE0now";
    p.album = "albumpic";
    p.drawings = {8, 0, 9};
    zbtest::makeJob(j.data, "J", {p}, {}, {{"1.工事写真帳.ZBA", "ZBA-bytes"}, {"notes.txt", "x"}});
    const QDateTime when(QDate(2024, 5, 6), QTime(7, 8, 10));
    QFile a(JobPaths{j.data, "J"}.albumFolder() + "1.工事写真帳.ZBA");
    ASSERT_TRUE(a.open(QIODevice::ReadWrite));
    a.setFileTime(when, QFileDevice::FileModificationTime);
    a.close();

    ASSERT_EQ(j.backup("J", j.package("J")), MaintenanceResult::Done);
    const QByteArray b = zbtest::readAll(j.package("J"));
    const qsizetype stream = zbtest::readAll(JobPaths{j.data, "J"}.treeFile()).size() - 1817;
    qsizetype at = 1817 + stream;
    EXPECT_EQ(i32(b, at), 1);
    EXPECT_EQ(i32(b, at + 4), 1);  // only the .ZBA file
    at += 8;
    const QByteArray rec = b.mid(at, 3284);
    EXPECT_EQ(i32(rec, 0), 7);
    EXPECT_EQ(i32(rec, 4), 8);
    EXPECT_EQ(i32(rec, 8), 0);
    EXPECT_EQ(i32(rec, 12), 9);
    EXPECT_EQ(i32(rec, 16), p.thumbnail.size());
    EXPECT_EQ(i32(rec, 20), 8);
    EXPECT_EQ(i32(rec, 24), 7);
    EXPECT_EQ(i32(rec, 28), 7);
    EXPECT_EQ(textAt(rec, 32), "IMG_0007.JPG");
    EXPECT_EQ(rec[113], 3);
    EXPECT_EQ(textAt(rec, 370), QByteArray(80, 't'));
    EXPECT_EQ(i32(rec, 967), -5);
    EXPECT_EQ(textAt(rec, 1236).size(), 254);
    EXPECT_EQ(textAt(rec, 1236), sjis::toBytes(QString(127, QChar(0x3042))));
    EXPECT_EQ(rec[1236 + 1 + 254], '\0');  // the rest of a room is zero
    at += 3284;
    EXPECT_EQ(b.mid(at, p.thumbnail.size()), p.thumbnail);
    at += p.thumbnail.size();
    EXPECT_EQ(b.mid(at, 8), "albumpic");
    EXPECT_EQ(b.mid(at + 8, 7), p.imageOrg);
    EXPECT_EQ(b.mid(at + 15, 7), p.imageNow);
    at += 22;
    const QByteArray head = b.mid(at, 264);
    EXPECT_EQ(i32(head, 0), 9);
    const quint32 dos = qFromLittleEndian<quint32>(head.constData() + 4);
    EXPECT_EQ(dos >> 16, quint32(((2024 - 1980) << 9) | (5 << 5) | 6));
    EXPECT_EQ(dos & 0xFFFF, quint32((7 << 11) | (8 << 5) | 5));
    EXPECT_EQ(sjis::decode(textAt(head, 8)), "1.工事写真帳");
    EXPECT_EQ(b.mid(at + 264), "ZBA-bytes");
}

TEST(BackupPackage, CompressedModeReencodesTheCurrentPictureAndKeepsMetafiles)
{
    Job j;
    PhotoRow edited = photo(1);
    edited.imageNow = zbtest::makeJpeg(64, 48);
    edited.album = "album";
    PhotoRow plain = photo(2);
    PhotoRow wmf = photo(3, zbtest::makeWmf(100, 80, 0x0000FF, 10, 10, 50, 50));
    wmf.graFlag = 20;
    zbtest::makeJob(j.data, "C", {edited, plain, wmf});

    for (BackupMode mode : {BackupMode::Normal, BackupMode::Compressed}) {
        SCOPED_TRACE(mode == BackupMode::Normal ? "normal" : "compressed");
        ASSERT_EQ(j.backup("C", j.package("C"), mode), MaintenanceResult::Done);
        QFile f(j.package("C"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        BackupReader r(f);
        ASSERT_TRUE(r.readHead());
        ASSERT_EQ(r.photoCount(), 3);
        BackupPhoto p1, p2, p3;
        ASSERT_TRUE(r.readPhoto(p1) && r.readPhoto(p2) && r.readPhoto(p3));
        if (mode == BackupMode::Normal) {
            EXPECT_EQ(p1.imageOrg, edited.imageOrg);
            EXPECT_EQ(p1.imageNow, edited.imageNow);
            EXPECT_EQ(p1.album, "album");
            EXPECT_EQ(p2.imageOrg, plain.imageOrg);
        } else {
            // One JPEG of the edited picture's size, no edited picture, no ALBUM.
            EXPECT_TRUE(p1.imageNow.isEmpty());
            EXPECT_TRUE(p1.album.isEmpty());
            EXPECT_TRUE(p1.imageOrg.startsWith("\xFF\xD8\xFF"));
            QImage img;
            ASSERT_TRUE(img.loadFromData(p1.imageOrg, "JPEG"));
            EXPECT_EQ(img.size(), QSize(64, 48));
            EXPECT_NE(p2.imageOrg, plain.imageOrg);  // re-encoded at 85
            ASSERT_TRUE(img.loadFromData(p2.imageOrg, "JPEG"));
            EXPECT_EQ(img.size(), QSize(40, 30));
        }
        EXPECT_EQ(p3.imageOrg, wmf.imageOrg);  // a never-edited metafile as it is
        EXPECT_EQ(p1.thumbnail, edited.thumbnail);
    }
}

TEST(Restore, RoundTripGivesEqualRowsTreeAndAlbums)
{
    Job j;
    PhotoRow p1 = photo(1);
    p1.imageNow = zbtest::makeJpeg(20, 20);
    p1.fileName = "a.jpg";
    p1.kanri = QStringLiteral("管理");
    p1.drawings = {3, 0, 0};
    p1.album = "alb";
    PhotoRow p2 = photo(2, zbtest::makeWmf(50, 50, 0xFF, 1, 1, 20, 20));
    p2.graFlag = 20;
    PhotoRow d3 = photo(3);  // the drawing of photo 1
    Hierarchy tree = defaultHierarchy();
    tree[0].photos = {2};
    tree[1].photos = {1};
    zbtest::makeJob(j.data, "元", {p1, p2, d3}, tree, {{"A.ZBA", "aaa"}, {"B.ZBA", QByteArray(70000, 'b')}});
    ASSERT_EQ(j.backup("元", j.package("写し")), MaintenanceResult::Done);

    ScriptedMessages m;
    const RestoreOutcome out = j.restore(j.package("写し"), m);
    EXPECT_EQ(out.result, MaintenanceResult::Done) << out.error.toStdString();
    EXPECT_EQ(out.name, "写し");
    EXPECT_EQ(out.rows, 3);
    EXPECT_TRUE(m.boxes().isEmpty()) << m.boxes().join('|').toStdString();
    const JobPaths to{j.data, "写し"};
    EXPECT_EQ(zbtest::readRows(to.table()), zbtest::readRows(JobPaths{j.data, "元"}.table()));
    EXPECT_EQ(zbtest::readAll(to.treeFile()), zbtest::readAll(JobPaths{j.data, "元"}.treeFile()));
    EXPECT_EQ(zbtest::readAll(to.albumFolder() + "B.ZBA"), QByteArray(70000, 'b'));
    EXPECT_EQ(zbtest::readAll(to.albumFolder() + "A.ZBA"), "aaa");
    EXPECT_TRUE(QFileInfo(to.backFolder()).isDir());
    // Album dates come back within the two seconds a DOS time keeps.
    const QDateTime was = QFileInfo(JobPaths{j.data, "元"}.albumFolder() + "B.ZBA").lastModified();
    EXPECT_LE(std::abs(QFileInfo(to.albumFolder() + "B.ZBA").lastModified().secsTo(was)), 2);
    // Nothing is left of the scratch folder.
    EXPECT_TRUE(QDir(j.data).entryList({".restore-*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
}

TEST(Restore, LongTextsAreCutAndGraFlagFollowsTheJpegStart)
{
    Job j;
    PhotoRow a = photo(1, "\xFF\xD8\xFF\xDBquantised-first");
    a.title = QString(100, QLatin1Char('x'));
    a.kanri = QString(400, QLatin1Char('k'));
    a.graFlag = 20;  // whatever the job said: the bytes decide
    PhotoRow b = photo(2, "\x01\x00\x09\x00metafile");
    zbtest::makeJob(j.data, "T", {a, b});
    ASSERT_EQ(j.backup("T", j.package("T2")), MaintenanceResult::Done);
    ScriptedMessages m;
    ASSERT_EQ(j.restore(j.package("T2"), m).result, MaintenanceResult::Done);
    const QList<PhotoRow> rows = zbtest::readRows(JobPaths{j.data, "T2"}.table());
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].title, QString(80, QLatin1Char('x')));
    EXPECT_EQ(rows[0].kanri, QString(255, QLatin1Char('k')));
    EXPECT_EQ(rows[0].graFlag, 0);   // FF D8 FF DB starts a JPEG too
    EXPECT_EQ(rows[1].graFlag, 20);
    EXPECT_TRUE(rows[0].imageNow.isEmpty());
}

TEST(Restore, RepresentativeFrequencyAndConvertedFollowTheLastAlbum)
{
    Job j;
    PhotoRow p1 = photo(1);
    p1.daihyo = 1;
    p1.teisyutu = 1;
    PhotoRow p2 = photo(2);
    p2.henkan = 1;
    PhotoRow p3 = photo(3);  // all three 0 (null)
    PhotoRow p4 = photo(4);
    p4.teisyutu = 1;
    zbtest::makeJob(j.data, "N", {p1, p2, p3, p4}, {}, {{"A.ZBA", "album"}});
    ASSERT_EQ(j.backup("N", j.package("N2")), MaintenanceResult::Done);
    const QByteArray b = zbtest::readAll(j.package("N2"));

    // The older layout ends with the album's bytes; the block follows, listing
    // the photos that hold a value other than 0.
    const qsizetype block = 12 + 3 * 16;
    ASSERT_GT(b.size(), block);
    const qsizetype at = b.size() - block;
    EXPECT_EQ(b.mid(at - 5, 5), "album");
    EXPECT_EQ(b.mid(at, 4), "ZBX1");
    EXPECT_EQ(i32(b, at + 4), 16);
    EXPECT_EQ(i32(b, at + 8), 3);
    const qint32 entries[3][4] = {{1, 1, 1, 0}, {2, 0, 0, 1}, {4, 0, 1, 0}};
    for (int e = 0; e < 3; ++e)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(i32(b, at + 12 + e * 16 + k * 4), entries[e][k]) << e << " " << k;

    ScriptedMessages m;
    ASSERT_EQ(j.restore(j.package("N2"), m).result, MaintenanceResult::Done);
    EXPECT_EQ(zbtest::readRows(JobPaths{j.data, "N2"}.table()), (QList<PhotoRow>{p1, p2, p3, p4}));

    // A package of the older layout (the same bytes without the block)
    // restores every photo with the three values at 0.
    zbtest::writeAll(j.package("Old"), b.first(at));
    ASSERT_EQ(j.restore(j.package("Old"), m).result, MaintenanceResult::Done);
    QList<PhotoRow> zero{p1, p2, p3, p4};
    for (PhotoRow& p : zero)
        p.daihyo = p.teisyutu = p.henkan = 0;
    EXPECT_EQ(zbtest::readRows(JobPaths{j.data, "Old"}.table()), zero);
    EXPECT_EQ(zbtest::readAll(JobPaths{j.data, "Old"}.albumFolder() + "A.ZBA"), "album");
    // Bytes after the albums that are not the block are left alone.
    zbtest::writeAll(j.package("Tail"), b.first(at) + "garbage!");
    ASSERT_EQ(j.restore(j.package("Tail"), m).result, MaintenanceResult::Done);
    EXPECT_EQ(zbtest::readRows(JobPaths{j.data, "Tail"}.table()), zero);
    EXPECT_TRUE(m.boxes().isEmpty()) << m.boxes().join('|').toStdString();

    // A job whose photos all hold 0 writes the older layout exactly.
    zbtest::makeJob(j.data, "Z", {photo(1)});
    ASSERT_EQ(j.backup("Z", j.package("Z")), MaintenanceResult::Done);
    const qsizetype stream = zbtest::readAll(JobPaths{j.data, "Z"}.treeFile()).size() - 1817;
    const PhotoRow z = photo(1);
    EXPECT_EQ(zbtest::readAll(j.package("Z")).size(),
              1817 + stream + 8 + 3284 + z.thumbnail.size() + z.imageOrg.size());

    // A block that is cut short or announces more than it holds is damage.
    auto patched = [&](qsizetype offset, qint32 v) { return withInt(b, offset, v); };
    const struct {
        const char* what;
        QByteArray bytes;
    } damaged[] = {
        {"cut inside an entry", b.chopped(3)},
        {"count too large", patched(at + 8, 4)},
        {"negative count", patched(at + 8, -1)},
        {"entry size too small", patched(at + 4, 8)},
        {"cut after the marker", b.first(at + 6)},
    };
    for (const auto& c : damaged) {
        SCOPED_TRACE(c.what);
        zbtest::writeAll(j.package("Bad"), c.bytes);
        ScriptedMessages bad;
        EXPECT_EQ(j.restore(j.package("Bad"), bad, true).result, MaintenanceResult::Failed);
        EXPECT_EQ(bad.boxes(), QStringList{"error: " + kPackageDamaged.arg("Bad.ZBB")});
        EXPECT_FALSE(QFileInfo::exists(JobPaths{j.data, "Bad"}.table()));
    }
    // A larger entry (fields a later version added) is read by its first fields.
    const QByteArray wide = withInt(withInt(b.first(at) + "ZBX1" + QByteArray(8, '\0'), at + 4, 20), at + 8, 1);
    const QByteArray entry = withInt(withInt(withInt(QByteArray(20, '\0'), 0, 3), 4, 1), 16, 7);
    zbtest::writeAll(j.package("Wide"), wide + entry);
    ASSERT_EQ(j.restore(j.package("Wide"), m).result, MaintenanceResult::Done);
    const QList<PhotoRow> rows = zbtest::readRows(JobPaths{j.data, "Wide"}.table());
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[2].daihyo, 1);
    EXPECT_EQ(rows[0].daihyo + rows[0].teisyutu + rows[1].henkan + rows[3].teisyutu, 0);
}

TEST(Restore, NameQuestionLoopsUntilAFreeNameOrYes)
{
    Job j;
    zbtest::makeJob(j.data, "P", {photo(1)});
    zbtest::makeJob(j.data, "Q", {photo(5)});
    zbtest::makeJob(j.data, "R", {});
    ASSERT_EQ(j.backup("P", j.package("Q")), MaintenanceResult::Done);

    // No, a name that exists too (asked again), No, a free name after the rule.
    ScriptedMessages m;
    m.reply(Messages::Answer::No);
    m.replyText(QStringLiteral("R"));
    m.reply(Messages::Answer::No);
    m.replyText(QStringLiteral(" 新/しい "));
    RestoreOutcome out = j.restore(j.package("Q"), m);
    EXPECT_EQ(out.result, MaintenanceResult::Done);
    EXPECT_EQ(out.name, "新しい");
    EXPECT_EQ(m.boxes(), (QStringList{"askThree: " + kRestoreNameExists, "input: 工事名の入力/工事名:",
                                      "askThree: " + kRestoreNameExists, "input: 工事名の入力/工事名:"}));
    EXPECT_EQ(zbtest::readRows(JobPaths{j.data, "Q"}.table())[0].record, 5);  // untouched

    // Cancel ends quietly; Yes overwrites.
    ScriptedMessages c;
    c.reply(Messages::Answer::Cancel);
    EXPECT_EQ(j.restore(j.package("Q"), c).result, MaintenanceResult::Cancelled);
    EXPECT_EQ(c.boxes().size(), 1);
    ScriptedMessages y;
    y.reply(Messages::Answer::Yes);
    EXPECT_EQ(j.restore(j.package("Q"), y).result, MaintenanceResult::Done);
    EXPECT_EQ(zbtest::readRows(JobPaths{j.data, "Q"}.table())[0].record, 1);
}

TEST(Restore, ZeroPhotosAndHostileAlbumNamesStayInsideTheAlbumFolder)
{
    Job j;
    // A package built by hand: no photos, albums with names that try to leave.
    QByteArray pkg = encodeHeader(newJobHeader({}, {}, {})) + encodeHierarchy(defaultHierarchy(), true);
    const QStringList names = {"../../escape", "a/b", "..", "x:y*z", "....hidden", "ok name"};
    QByteArray counts(8, '\0');
    qToLittleEndian<qint32>(qint32(names.size()), counts.data() + 4);
    pkg += counts;
    for (const QString& n : names)
        pkg += encodeAlbumHeader(BackupAlbum{n, toDosDateTime(QDateTime::currentDateTime()), "z"}) + "z";
    zbtest::writeAll(j.package("H"), pkg);
    ScriptedMessages m;
    const RestoreOutcome out = j.restore(j.package("H"), m);
    ASSERT_EQ(out.result, MaintenanceResult::Done) << out.error.toStdString();
    EXPECT_EQ(out.rows, 0);
    const QStringList written = QDir(JobPaths{j.data, "H"}.albumFolder()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(written, (QStringList{"ab.ZBA", "escape.ZBA", "hidden.ZBA", "ok name.ZBA", "xyz.ZBA"}));
    EXPECT_FALSE(QFileInfo::exists(j.dir.file("escape.ZBA")));
    EXPECT_FALSE(QFileInfo::exists(j.data + "escape.ZBA"));
    EXPECT_TRUE(zbtest::readRows(JobPaths{j.data, "H"}.table()).isEmpty());
}

TEST(Restore, DamagedPackagesAreRefusedAndTheJobStays)
{
    Job j;
    zbtest::makeJob(j.data, "S", {photo(1), photo(2)}, {}, {{"A.ZBA", "aaaa"}});
    ASSERT_EQ(j.backup("S", j.package("good")), MaintenanceResult::Done);
    const QByteArray good = zbtest::readAll(j.package("good"));
    const qsizetype counts = zbtest::readAll(JobPaths{j.data, "S"}.treeFile()).size();
    auto patched = [&](qsizetype at, qint32 v) { return withInt(good, at, v); };
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"header only", good.first(1817)},
        {"hierarchy count too large", patched(1817, 0x7FFFFFF0)},
        {"photo count too large", patched(counts, 1000000)},
        {"negative photo count", patched(counts, -1)},
        {"album count too large", patched(counts + 4, 50)},
        {"picture length beyond the end", patched(counts + 8 + 24, 0x7FFFFFFF)},
        {"negative picture length", patched(counts + 8 + 16, -3)},
        {"cut inside a picture", good.first(counts + 8 + 3284 + 10)},
        {"cut inside the album", good.chopped(2)},
    };
    QFile::remove(JobPaths{j.data, "S"}.albumFolder() + "A.ZBA");
    zbtest::makeJob(j.data, "S", {photo(9)});  // the job restored over
    const QList<PhotoRow> before = zbtest::readRows(JobPaths{j.data, "S"}.table());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        zbtest::writeAll(j.package("S"), c.bytes);
        ScriptedMessages m;
        const RestoreOutcome out = j.restore(j.package("S"), m, true);
        EXPECT_EQ(out.result, MaintenanceResult::Failed);
        EXPECT_EQ(m.boxes(), QStringList{"error: " + kPackageDamaged.arg("S.ZBB")});
        EXPECT_EQ(zbtest::readRows(JobPaths{j.data, "S"}.table()), before);
        EXPECT_FALSE(QFileInfo::exists(JobPaths{j.data, "S"}.albumFolder() + "A.ZBA"));
    }
    EXPECT_TRUE(QDir(j.data).entryList({".restore-*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
}

TEST(Restore, DuplicateAndNegativeRecordsAreSkipped)
{
    Job j;
    QByteArray pkg = encodeHeader(newJobHeader({}, {}, {})) + encodeHierarchy(defaultHierarchy(), true);
    QByteArray counts(8, '\0');
    qToLittleEndian<qint32>(3, counts.data());
    pkg += counts;
    for (RECORD r : {4, 4, -2}) {
        BackupPhoto p;
        p.record = r;
        p.imageOrg = "\xFF\xD8\xFF" + QByteArray::number(r);
        pkg += encodePhotoRecord(p) + p.imageOrg;
    }
    zbtest::writeAll(j.package("D"), pkg);
    ScriptedMessages m;
    const RestoreOutcome out = j.restore(j.package("D"), m);
    EXPECT_EQ(out.result, MaintenanceResult::Done);
    EXPECT_EQ(out.rows, 1);
    EXPECT_EQ(out.skipped, 2);
    EXPECT_EQ(zbtest::readRows(JobPaths{j.data, "D"}.table()).size(), 1);
}

TEST(FullDisk, BackupKeepsTheOldPackageAndRestoreKeepsTheOldJob)
{
    Job j;
    zbtest::makeJob(j.data, "F", {photo(1), photo(2, zbtest::makeJpeg(300, 200))});
    ASSERT_EQ(j.backup("F", j.package("F")), MaintenanceResult::Done);
    const QByteArray good = zbtest::readAll(j.package("F"));

    // The disk fills while the second picture is written.
    setPackageWriteProbe([](qint64 written) { return written < 4000 + 3284 * 2; });
    QString error;
    EXPECT_EQ(j.backup("F", j.package("F"), BackupMode::Normal, &error), MaintenanceResult::Failed);
    setPackageWriteProbe({});
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(zbtest::readAll(j.package("F")), good);
    EXPECT_EQ(QDir(j.dir.path()).entryList(QDir::Files), QStringList{"F.ZBB"});

    // A restore whose table cannot grow fails and the job stays.
    zbtest::makeJob(j.data, "F", {photo(7)});
    setRestoreTableLimit(65536 * 8);
    PhotoRow big = photo(1);
    big.imageOrg = QByteArray(2 << 20, 'j');
    zbtest::makeJob(j.data, "Big", {big, photo(2)});
    ASSERT_EQ(j.backup("Big", j.package("F")), MaintenanceResult::Done);
    ScriptedMessages m;
    EXPECT_EQ(j.restore(j.package("F"), m, true).result, MaintenanceResult::Failed);
    setRestoreTableLimit(0);
    EXPECT_EQ(m.boxes(), QStringList{"error: " + kMaintenanceFailed});
    const QList<PhotoRow> rows = zbtest::readRows(JobPaths{j.data, "F"}.table());
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].record, 7);
}

TEST(Restore, AJobHeldByAnotherProcessIsRefused)
{
    Job j;
    zbtest::makeJob(j.data, "U", {photo(1)});
    ASSERT_EQ(j.backup("U", j.package("U")), MaintenanceResult::Done);
    zbtest::Signal held, release;
    const int pid = zbtest::forkChild([&] {
        engine::Table t;
        t.open(JobPaths{j.data, "U"}.table(), true);
        held.notify();
        release.wait();
        return 0;
    });
    ASSERT_EQ(held.wait(), '!');
    ScriptedMessages m;
    EXPECT_EQ(j.restore(j.package("U"), m, true).result, MaintenanceResult::Failed);
    EXPECT_EQ(m.boxes(), QStringList{"warning: " + kJobInUse});
    QString error;
    EXPECT_EQ(j.backup("U", j.dir.file("other.ZBB"), BackupMode::Normal, &error), MaintenanceResult::Failed);
    EXPECT_EQ(error, kJobInUse);
    release.notify();
    EXPECT_EQ(zbtest::waitChild(pid), 0);
}

TEST(Restore, KilledHalfwayLeavesTheEarlierJobIntact)
{
    Job j;
    QList<PhotoRow> many;
    for (RECORD r = 1; r <= 6; ++r)
        many << photo(r, zbtest::makeJpeg(200, 150));
    zbtest::makeJob(j.data, "K", many);
    ASSERT_EQ(j.backup("K", j.package("K")), MaintenanceResult::Done);
    zbtest::makeJob(j.data, "K", {photo(42)});
    const QList<PhotoRow> before = zbtest::readRows(JobPaths{j.data, "K"}.table());
    const QByteArray treeBefore = zbtest::readAll(JobPaths{j.data, "K"}.treeFile());

    zbtest::Signal halfway;
    const int pid = zbtest::forkChild([&] {
        struct Stall : Progress {
            zbtest::Signal& s;
            int n = 0;
            explicit Stall(zbtest::Signal& sig) : s(sig) {}
            void start(int) override {}
            bool step() override
            {
                if (++n == 4) {
                    s.notify();
                    ::pause();
                }
                return true;
            }
            void end() override {}
        } stall(halfway);
        SilentMessages m;
        RestoreBackup(j.data, j.package("K"), true, m, stall);
        return 0;
    });
    ASSERT_EQ(halfway.wait(), '!');
    ::kill(pid, SIGKILL);
    EXPECT_EQ(zbtest::waitChild(pid), -SIGKILL);
    EXPECT_EQ(zbtest::readRows(JobPaths{j.data, "K"}.table()), before);
    EXPECT_EQ(zbtest::readAll(JobPaths{j.data, "K"}.treeFile()), treeBefore);
    // The next restore works and gives the package's rows.
    ScriptedMessages m;
    ASSERT_EQ(j.restore(j.package("K"), m, true).result, MaintenanceResult::Done);
    EXPECT_EQ(zbtest::readRows(JobPaths{j.data, "K"}.table()).size(), 6);
}
