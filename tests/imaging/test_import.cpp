#include "imaging/import.h"

#include "core/scripted_ports.h"
#include "fixtures.h"
#include "heic_fixture.h"
#include "imaging/graphic_kind.h"
#include "imaging/jpeg_codec.h"
#include "imaging/stored_pictures.h"
#include "store/data_module.h"
#include "store/folders.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace zb;

namespace {

const QDate kToday(2024, 5, 6);
const QDateTime kFileTime(QDate(2021, 2, 3), QTime(12, 0));

// A job's photo table in a temporary folder, with the import's view of it.
struct Fixture {
    zbtest::TempDir dir;
    TTableNetWork table;
    ImportJob job;
    QList<RECORD> folder;
    ImportTarget target;
    ImportSettings settings;
    ScriptedMessages messages;
    ScriptedProgress progress;

    Fixture()
    {
        QDir().mkpath(dir.file("job/BACK"));
        QDir().mkpath(dir.file("src"));
        job.fields = openOrCreatePhotoTable(dir.file("JOB.DB"), {&table}, true);
        job.table = &table;
        job.backFolder = dir.file("job/BACK");
        job.today = kToday;
        target.folder = &folder;
        target.folderAcceptsPhotos = true;
    }

    // Writes a source file with a fixed modification time.
    QString source(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.file("src/" + name);
        QDir().mkpath(QFileInfo(path).path());
        zbtest::writeAll(path, bytes);
        QFile f(path);
        f.open(QIODevice::ReadWrite);
        f.setFileTime(kFileTime, QFileDevice::FileModificationTime);
        return path;
    }

    bool run(const QStringList& files) { return ImportPictures(job, files, target, settings, messages, progress, &result); }

    QVariant field(RECORD r, PhotoField f)
    {
        EXPECT_TRUE(table.locate(r)) << "row " << r;
        return table.value(job.fields[f]);
    }
    QByteArray blob(RECORD r, PhotoField f)
    {
        EXPECT_TRUE(table.locate(r)) << "row " << r;
        return table.readBlob(job.fields[f]);
    }
    QString backup(const QString& name) const { return dir.file("job/BACK/2024-05-06/" + name); }

    ImportResult result;
};

QByteArray camera(const QByteArray& date = "2023:04:05 06:07:08", const QByteArray& film = {},
                  const QByteArray& frame = {})
{
    zbtest::ExifLayout l;
    l.dateTime = date;
    l.film = film;
    l.frame = frame;
    return zbtest::exifJpeg(l, zbtest::makeJpeg(64, 48));
}

QByteArray encoded(const char* format)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    QImageWriter w(&b, format);
    EXPECT_TRUE(w.write(zbtest::patternBitmap(40, 30)));
    return out;
}

}  // namespace

TEST(Import, CameraFilesBecomeRowsInTheFolderWithBackups)
{
    Fixture fx;
    const QByteArray a = camera();
    const QString p1 = fx.source("DSCF0012.JPG", a);
    const QString p2 = fx.source("DSCF0013.JPG", camera("2023:04:06 10:00:00"));
    ASSERT_TRUE(fx.run({p1, p2}));
    EXPECT_EQ(fx.messages.log, QStringList());
    EXPECT_EQ(fx.folder, (QList<RECORD>{1, 2}));
    EXPECT_EQ(fx.result.added, (QList<RECORD>{1, 2}));
    EXPECT_TRUE(fx.result.changed);

    EXPECT_EQ(fx.field(1, F_FILENAME).toString(), "DSCF0012");
    EXPECT_EQ(fx.field(1, F_NEGANUM).toString(), "12");
    EXPECT_EQ(fx.field(1, F_DATE).toString(), "20230405");
    EXPECT_EQ(fx.field(1, F_GRA_FLAG).toInt(), 0);
    EXPECT_FALSE(fx.field(1, F_FILMNUM).isValid());
    EXPECT_FALSE(fx.field(1, F_TITLE).isValid());
    EXPECT_EQ(fx.blob(1, F_IMAGE_ORG), a);
    EXPECT_TRUE(fx.blob(1, F_THUMBNAIL).startsWith("BM"));
    EXPECT_EQ(fx.table.blobSize(fx.job.fields[F_IMAGE_NOW]), -1);
    EXPECT_EQ(fx.table.blobSize(fx.job.fields[F_ALBUM]), -1);
    for (PhotoField d : {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3})
        EXPECT_FALSE(fx.field(1, d).isValid());
    EXPECT_EQ(fx.field(2, F_NEGANUM).toString(), "13");
    EXPECT_EQ(fx.field(2, F_DATE).toString(), "20230406");

    // The first photo's copy is named after the highest record before it: 0.
    EXPECT_EQ(zbtest::readAll(fx.backup("B0000000.JPG")), a);
    EXPECT_TRUE(QFileInfo::exists(fx.backup("B0000001.JPG")));
    EXPECT_EQ(fx.progress.started, 2);
    EXPECT_EQ(fx.progress.ended, 1);
}

TEST(Import, NewRowsFollowTheHighestRecord)
{
    Fixture fx;
    fx.table.append();
    fx.table.setValue(fx.job.fields[F_RECORD], 7);
    fx.table.post();
    fx.settings.backupFile = true;
    ASSERT_TRUE(fx.run({fx.source("a.jpg", camera())}));
    EXPECT_EQ(fx.folder, QList<RECORD>{8});
    EXPECT_TRUE(QFileInfo::exists(fx.backup("B0000007.jpg")));
}

// The last record number a row can hold is given out once; the next file is
// refused with a message instead of being numbered past it.
TEST(Import, RecordNumbersEndAtTheLargestRecord)
{
    Fixture fx;
    fx.table.append();
    fx.table.setValue(fx.job.fields[F_RECORD], 2147483646);
    fx.table.post();
    const QString a = fx.source("a.jpg", camera());
    const QString b = fx.source("b.jpg", camera());
    EXPECT_FALSE(fx.run({a, b}));
    EXPECT_EQ(fx.result.added, QList<RECORD>{2147483647});
    EXPECT_EQ(fx.folder, QList<RECORD>{2147483647});
    EXPECT_EQ(fx.messages.boxes(), QStringList{"information: " + kImportRecordsFull});
    EXPECT_EQ(kImportRecordsFull, "写真番号が上限に達したため、この工事データにはこれ以上写真を登録できません。");
    EXPECT_EQ(fx.table.rowCount(), 2);
    // Only the imported file was copied.
    EXPECT_EQ(QDir(fx.backup("")).entryList(QDir::Files), QStringList{"B2147483646.jpg"});

    fx.messages.clear();
    EXPECT_FALSE(fx.run({b}));
    EXPECT_TRUE(fx.result.added.isEmpty());
    EXPECT_EQ(fx.messages.boxes(), QStringList{"information: " + kImportRecordsFull});
    EXPECT_EQ(fx.table.rowCount(), 2);
}

TEST(Import, NoBackupWhenTheSettingIsOff)
{
    Fixture fx;
    fx.settings.backupFile = false;
    ASSERT_TRUE(fx.run({fx.source("a.jpg", camera())}));
    EXPECT_FALSE(QFileInfo::exists(fx.backup("B0000000.jpg")));
}

TEST(Import, DateByStampMode)
{
    const struct {
        bool exif;
        int mode;
        QString date;
    } cases[] = {
        {false, 0, ""},         {false, 1, "20210203"}, {false, 2, ""}, {false, 3, "20210203"},
        {true, 0, ""},          {true, 1, "20230405"},  {true, 2, "20230405"}, {true, 3, "20210203"},
    };
    for (const auto& c : cases) {
        Fixture fx;
        fx.settings.stampMode = c.mode;
        const QString p = fx.source("X.JPG", c.exif ? camera() : zbtest::makeJpeg(32, 32));
        ASSERT_TRUE(fx.run({p}));
        EXPECT_EQ(fx.field(1, F_DATE).toString(), c.date) << "exif " << c.exif << " mode " << c.mode;
    }
}

TEST(Import, PhoneFileKeepsItsBytesTakesItsShootingDateAndShowsUpright)
{
    // JFIF before Exif, the date taken older than the file's DateTime, and the
    // portrait picture stored on its side with Orientation 6.
    Fixture fx;
    const QByteArray phone = zbtest::cameraJpeg(zbtest::storedAs(zbtest::quadrantBitmap(48, 64), 6), 6);
    ASSERT_TRUE(fx.run({fx.source("IMG_0001.JPG", phone)}));
    EXPECT_EQ(fx.messages.log, QStringList());
    EXPECT_EQ(fx.field(1, F_DATE).toString(), "20240506");
    EXPECT_EQ(fx.blob(1, F_IMAGE_ORG), phone);
    EXPECT_EQ(zbtest::readAll(fx.backup("B0000000.JPG")), phone);
    EXPECT_EQ(fx.field(1, F_FLAG).toInt(), 0);
    EXPECT_TRUE(fx.field(1, F_FLAG).isValid());
    EXPECT_EQ(fx.field(1, F_HENKAN).toInt(), 0);
    QImage thumb;
    ASSERT_TRUE(thumb.loadFromData(fx.blob(1, F_THUMBNAIL), "BMP"));
    EXPECT_EQ(thumb.size(), QSize(120, 160));
    EXPECT_EQ(zbtest::quadrantColours(thumb), "RGBW");
}

TEST(Import, HeicPhotoIsStoredAsAnUprightJpegWithItsDate)
{
    if (!zbtest::canEncodeHeic())
        GTEST_SKIP() << "this libheif has no HEVC encoder (Debian's libheif1 with x265)";
    Fixture fx;
    const QByteArray heic = zbtest::makeHeic(zbtest::storedAs(zbtest::quadrantBitmap(48, 64), 6), 6,
                                             zbtest::phoneExifTiff(6, "2024:03:04 05:06:07", "2025:01:01 00:00:00"));
    const QString good = fx.source("IMG_0042.HEIC", heic);
    const QString cut = fx.source("IMG_0043.heic", heic.left(heic.size() / 2));
    EXPECT_FALSE(fx.run({good, cut}));
    EXPECT_EQ(fx.messages.boxes(), QStringList{"information: " + ImportReadErrorText(cut)});
    EXPECT_EQ(fx.result.added, QList<RECORD>{1});
    EXPECT_EQ(fx.table.rowCount(), 1);

    EXPECT_EQ(fx.field(1, F_FILENAME).toString(), "IMG_0042");
    EXPECT_EQ(fx.field(1, F_DATE).toString(), "20240304");
    EXPECT_EQ(fx.field(1, F_NEGANUM).toString(), "42");
    EXPECT_EQ(fx.field(1, F_GRA_FLAG).toInt(), 0);
    EXPECT_EQ(fx.field(1, F_HENKAN).toInt(), 1);
    EXPECT_EQ(fx.field(1, F_FLAG).toInt(), 0);
    const QByteArray stored = fx.blob(1, F_IMAGE_ORG);
    EXPECT_TRUE(stored.startsWith("\xFF\xD8\xFF"));
    SilentMessages quiet;
    QImage shown;
    ASSERT_TRUE(DecodeJpeg(stored, shown, 0, quiet));
    EXPECT_EQ(zbtest::quadrantColours(shown), "RGBW");
    QImage thumb;
    ASSERT_TRUE(thumb.loadFromData(fx.blob(1, F_THUMBNAIL), "BMP"));
    EXPECT_EQ(thumb.size(), QSize(120, 160));
    EXPECT_EQ(zbtest::quadrantColours(thumb), "RGBW");
    // The backup folder keeps the phone's own file.
    EXPECT_EQ(zbtest::readAll(fx.backup("B0000000.HEIC")), heic);
}

TEST(Import, ExifWithoutDateFallsBackToTheFileDateOnlyInMode1)
{
    for (int mode : {1, 2}) {
        Fixture fx;
        fx.settings.stampMode = mode;
        ASSERT_TRUE(fx.run({fx.source("X.JPG", camera(""))}));
        EXPECT_EQ(fx.field(1, F_DATE).toString(), mode == 1 ? "20210203" : "") << mode;
    }
}

TEST(Import, FilmAndFrameNumbers)
{
    const struct {
        QByteArray film, frame;
        bool fdi, koma;
        QVariant filmnum;
        QString neganum;
    } cases[] = {
        {"ABC0001234", "\x81\x40" "12A ", true, true, 1234, "12A"},  // last six chars; full-width blank trimmed
        {"  12345678 ", "7", true, true, 345678, "7"},
        {"  X99 ", "7", true, true, 0, "7"},  // not a number: no leading digits
        {"ABC0001234", "", true, true, QVariant(), "45"},      // one FDi text empty: name rule
        {"ABC0001234", "7", false, true, QVariant(), "45"},    // FDi off: name rule
        {"", "", true, false, QVariant(), ""},                 // neither rule
        {"FILMXX", "3", true, true, 0, "3"},                   // no digits in the film text
    };
    for (const auto& c : cases) {
        Fixture fx;
        fx.settings.fdiFileName = c.fdi;
        fx.settings.komaAuto = c.koma;
        ASSERT_TRUE(fx.run({fx.source("IMG0045.JPG", camera("2023:04:05 06:07:08", c.film, c.frame))}));
        EXPECT_EQ(fx.field(1, F_FILMNUM), c.filmnum) << c.film.constData();
        EXPECT_EQ(fx.field(1, F_NEGANUM).toString(), c.neganum) << c.film.constData();
    }
}

TEST(Import, FrameNumberFromName)
{
    const struct {
        QString name, number;
    } cases[] = {
        {"DSCF0012", "12"}, {"IMG_0000", "0"}, {"P1010203x5", "1010203"},
        {"写真３2号", "2"},  // full-width digits are not digits here
        {"photo", ""},      {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(frameNumberFromName(c.name), c.number) << c.name.toStdString();
}

TEST(Import, OtherKindsNeverGetADateOrNumber)
{
    Fixture fx;
    const QString png = fx.source("IMG0005.png", encoded("png"));
    const QString bmp = fx.source("IMG0006.bmp", encoded("bmp"));
    ASSERT_TRUE(fx.run({png, bmp}));
    for (RECORD r : {1, 2}) {
        EXPECT_FALSE(fx.field(r, F_DATE).isValid()) << r;
        EXPECT_FALSE(fx.field(r, F_NEGANUM).isValid()) << r;
        EXPECT_EQ(fx.field(r, F_GRA_FLAG).toInt(), 0);
        QImage decoded;
        ScriptedMessages m;
        EXPECT_TRUE(DecodeJpeg(fx.blob(r, F_IMAGE_ORG), decoded, 0, m)) << r;
        EXPECT_EQ(decoded.size(), QSize(40, 30));
    }
    EXPECT_EQ(fx.field(1, F_FILENAME).toString(), "IMG0005");
    EXPECT_TRUE(QFileInfo::exists(fx.backup("B0000000.png")));
    EXPECT_TRUE(QFileInfo::exists(fx.backup("B0000001.bmp")));
}

TEST(Import, MetafileKeepsItsBytesAndTakesTheFileDate)
{
    Fixture fx;
    const QByteArray wmf = zbtest::makeWmf(200, 100, 0x0000ff, 10, 10, 50, 50);
    ASSERT_TRUE(fx.run({fx.source("ZU0003.WMF", wmf)}));
    EXPECT_EQ(fx.field(1, F_GRA_FLAG).toInt(), 20);
    EXPECT_EQ(fx.blob(1, F_IMAGE_ORG), wmf);
    EXPECT_EQ(fx.field(1, F_DATE).toString(), "20210203");
    EXPECT_EQ(fx.field(1, F_NEGANUM).toString(), "3");
}

TEST(Import, TheThirdOfFiveUnsupportedStopsTheRun)
{
    Fixture fx;
    QStringList files;
    for (const QString& n : {"1.jpg", "2.jpg", "3.txt", "4.jpg", "5.jpg"})
        files << fx.source(n, camera());
    EXPECT_FALSE(fx.run(files));
    EXPECT_EQ(fx.messages.boxes(), QStringList{"information: サポートされていない写真データ形式です。\r\n>" + files[2]});
    EXPECT_EQ(fx.folder, (QList<RECORD>{1, 2}));
    EXPECT_FALSE(fx.table.locate(3));
    EXPECT_EQ(fx.progress.ended, 1);
}

TEST(Import, MissingFileStopsTheRun)
{
    Fixture fx;
    const QString good = fx.source("1.jpg", camera());
    const QString gone = fx.dir.file("src/none.jpg");
    EXPECT_FALSE(fx.run({good, gone, good}));
    EXPECT_EQ(fx.messages.boxes(), QStringList{"information: ファイルがみつかりません。\r\n>" + gone});
    EXPECT_EQ(fx.folder, QList<RECORD>{1});
}

// A folder of camera files with one bad file among good ones: what comes
// before the bad file is stored in order, the run stops at it with the read
// error, and no row is left behind for it.
TEST(Import, BadFilesStopTheRunAtTheBadFile)
{
    const QByteArray good = camera();
    const struct {
        const char* what;
        QString name;
        QByteArray bytes;
    } cases[] = {
        {"truncated JPEG", "DSCF0002.JPG", good.left(good.size() / 2)},
        {"zero bytes", "DSCF0002.JPG", QByteArray()},
        {"PNG named .jpg", "DSCF0002.jpg", encoded("png")},
        {"only a start marker", "DSCF0002.JPG", QByteArray("\xFF\xD8", 2)},
    };
    for (const auto& c : cases) {
        Fixture fx;
        const QString p1 = fx.source("現場/写真　DSCF0001.JPG", good);
        const QString bad = fx.source(c.name, c.bytes);
        const QString p3 = fx.source("DSCF0003.JPG", good);
        EXPECT_FALSE(fx.run({p1, bad, p3})) << c.what;
        EXPECT_EQ(fx.messages.boxes(), QStringList{"information: " + ImportReadErrorText(bad)}) << c.what;
        EXPECT_EQ(fx.messages.boxes().value(0), "information: ファイル読み込み中にエラーが発生しました。\r\n"
                                                 "サポートされていない写真形式か壊れている可能性があります。\r\n>" +
                                                     bad);
        EXPECT_EQ(fx.folder, QList<RECORD>{1}) << c.what;
        EXPECT_EQ(fx.result.added, QList<RECORD>{1}) << c.what;
        EXPECT_FALSE(fx.table.locate(2)) << c.what;
        EXPECT_EQ(fx.blob(1, F_IMAGE_ORG), good) << c.what;
        EXPECT_EQ(fx.field(1, F_FILENAME).toString(), "写真　DSCF0001") << c.what;
        EXPECT_EQ(fx.field(1, F_NEGANUM).toString(), "1") << c.what;
        // The table still takes rows after the stop.
        ASSERT_TRUE(fx.run({p3})) << c.what;
        EXPECT_EQ(fx.folder, (QList<RECORD>{1, 2})) << c.what;
    }
}

TEST(Import, RefusedTargetImportsNothing)
{
    const struct {
        bool drawing, accepts, hasFolder;
        QList<RECORD> selected;
    } cases[] = {
        {false, false, true, {}},
        {false, true, false, {}},
        {true, true, true, {}},
        {true, true, true, {1, 2}},
    };
    for (const auto& c : cases) {
        Fixture fx;
        fx.target.drawing = c.drawing;
        fx.target.folderAcceptsPhotos = c.accepts;
        if (!c.hasFolder)
            fx.target.folder = nullptr;
        fx.target.selectedPhotos = c.selected;
        EXPECT_FALSE(fx.run({fx.source("a.jpg", camera())}));
        EXPECT_EQ(fx.messages.boxes(), QStringList{"information: この工事フォルダには写真データは登録できません。"});
        EXPECT_TRUE(fx.result.refused);
        EXPECT_FALSE(fx.table.first());
        EXPECT_EQ(fx.progress.started, -1);
        EXPECT_FALSE(QFileInfo::exists(fx.backup("B0000000.jpg")));
    }
}

TEST(Import, DrawingsFillTheFreeSlotsAndAFourthIsRefused)
{
    Fixture fx;
    ASSERT_TRUE(fx.run({fx.source("photo.jpg", camera())}));
    fx.target.drawing = true;
    fx.target.selectedPhotos = {1};
    const QString zu = fx.source("zu.jpg", camera());
    ASSERT_TRUE(fx.run({zu, zu, zu}));
    EXPECT_EQ(fx.field(1, F_REC_DRA1).toInt(), 2);
    EXPECT_EQ(fx.field(1, F_REC_DRA2).toInt(), 3);
    EXPECT_EQ(fx.field(1, F_REC_DRA3).toInt(), 4);
    EXPECT_EQ(fx.folder, QList<RECORD>{1});  // drawings are not put in the folder

    EXPECT_FALSE(fx.run({zu, zu}));
    EXPECT_EQ(fx.messages.boxes(), QStringList{"information: 登録できる参考図の数を超えています。"});
    // The free slot is looked for before anything is stored: no row is left
    // attached to nothing.
    EXPECT_FALSE(fx.table.locate(5));
    EXPECT_EQ(fx.table.rowCount(), 4);
    EXPECT_EQ(fx.field(1, F_REC_DRA3).toInt(), 4);
}

TEST(Import, DrawingGoesIntoTheFirstEmptyOrZeroSlot)
{
    Fixture fx;
    ASSERT_TRUE(fx.run({fx.source("photo.jpg", camera())}));
    fx.table.locate(1);
    fx.table.edit();
    fx.table.setValue(fx.job.fields[F_REC_DRA1], 9);
    fx.table.setValue(fx.job.fields[F_REC_DRA2], 0);
    fx.table.post();
    fx.target.drawing = true;
    fx.target.selectedPhotos = {1};
    ASSERT_TRUE(fx.run({fx.source("zu.jpg", camera())}));
    EXPECT_EQ(fx.field(1, F_REC_DRA1).toInt(), 9);
    EXPECT_EQ(fx.field(1, F_REC_DRA2).toInt(), 2);
    EXPECT_FALSE(fx.field(1, F_REC_DRA3).isValid());
}

// ESC: the progress bar asks the question; yes makes step() say stop, which
// ends the run after the current photo (the files read ahead of it leave no
// row and no backup copy); no goes on.
TEST(Import, EscStopsAfterTheCurrentPhoto)
{
    for (bool yes : {true, false}) {
        Fixture fx;
        fx.progress.stopAfter = yes ? 2 : -1;
        QStringList files;
        for (int i = 1; i <= 6; ++i)
            files << fx.source(QString("P%1.jpg").arg(i), camera());
        EXPECT_EQ(fx.run(files), !yes);
        EXPECT_EQ(fx.folder, (yes ? QList<RECORD>{1, 2} : QList<RECORD>{1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(fx.result.added, fx.folder);
        EXPECT_EQ(fx.table.locate(3), !yes);
        EXPECT_EQ(QFileInfo::exists(fx.backup("B0000002.jpg")), !yes);
        EXPECT_EQ(fx.messages.boxes(), QStringList());
        EXPECT_EQ(fx.progress.ended, 1);
    }
}

// Files of different sizes and kinds are read ahead on several threads and
// finish in any order; the rows still come in list order with consecutive
// record numbers, each with its own file's picture and name.
TEST(Import, ManyFilesKeepListOrderAndConsecutiveRecords)
{
    Fixture fx;
    fx.table.append();
    fx.table.setValue(fx.job.fields[F_RECORD], 10);
    fx.table.post();
    QStringList files;
    QList<QByteArray> bytes;
    for (int i = 0; i < 14; ++i) {
        QString name = QString("IMG%1.JPG").arg(i + 1, 4, 10, QChar('0'));
        QByteArray b;
        if (i == 5) {
            name = "ZU0006.WMF";
            b = zbtest::makeWmf(200, 100, 0x0000ff, 10, 10, 50, 50);
        } else if (i == 9) {
            name = "IMG0010.png";
            b = encoded("png");
        } else {
            zbtest::ExifLayout l;
            l.dateTime = QByteArray("2023:04:") + QByteArray::number(10 + i) + " 06:07:08";
            // Large and small pictures in turn, so later files are often ready first.
            b = zbtest::exifJpeg(l, i % 2 ? zbtest::makeJpeg(32, 24) : zbtest::makeJpeg(1600, 1200));
        }
        bytes << b;
        files << fx.source(name, b);
    }
    ASSERT_TRUE(fx.run(files));
    EXPECT_EQ(fx.messages.log, QStringList());
    QList<RECORD> expected;
    for (RECORD r = 11; r <= 24; ++r)
        expected << r;
    EXPECT_EQ(fx.folder, expected);
    EXPECT_EQ(fx.result.added, expected);
    for (int i = 0; i < 14; ++i) {
        const RECORD r = 11 + i;
        EXPECT_EQ(fx.field(r, F_FILENAME).toString(), QFileInfo(files[i]).completeBaseName()) << r;
        EXPECT_EQ(zbtest::readAll(fx.backup(backupFileName(r - 1, files[i]))), bytes[i]) << r;
        if (i != 9)
            EXPECT_EQ(fx.blob(r, F_IMAGE_ORG), bytes[i]) << r;
        if (i != 5 && i != 9)
            EXPECT_EQ(fx.field(r, F_DATE).toString(), QString("202304%1").arg(10 + i)) << r;
        EXPECT_TRUE(fx.blob(r, F_THUMBNAIL).startsWith("BM")) << r;
    }
    EXPECT_EQ(fx.field(16, F_GRA_FLAG).toInt(), 20);
}

// An error in the middle of a long list stops the run at that file with the
// same single message, while the files after it were already being read
// ahead: none of them leaves a row, a folder entry or a backup copy.
TEST(Import, ErrorInTheMiddleDropsTheFilesReadAhead)
{
    const QByteArray good = camera();
    for (const char* bad : {"truncated", "missing", "unsupported"}) {
        Fixture fx;
        QStringList files;
        for (int i = 1; i <= 10; ++i)
            files << fx.source(QString("DSCF%1.JPG").arg(i, 4, 10, QChar('0')), good);
        const QString what = bad;
        if (what == "truncated")
            files[3] = fx.source("DSCF0004.JPG", good.left(good.size() / 2));
        else if (what == "missing")
            QFile::remove(files[3]);
        else
            files[3] = fx.source("DSCF0004.txt", good);
        EXPECT_FALSE(fx.run(files)) << bad;
        const QString message = what == "truncated" ? "information: " + ImportReadErrorText(files[3])
                                : what == "missing" ? "information: ファイルがみつかりません。\r\n>" + files[3]
                                                    : "information: サポートされていない写真データ形式です。\r\n>" + files[3];
        EXPECT_EQ(fx.messages.boxes(), QStringList{message}) << bad;
        EXPECT_EQ(fx.messages.log.last(), message) << bad;
        if (what == "truncated") {
            // The codec's status text, said while the file was read ahead,
            // reaches the status bar in its turn, just before the message.
            ASSERT_GE(fx.messages.log.size(), 2);
            EXPECT_TRUE(fx.messages.log[fx.messages.log.size() - 2].startsWith("status:  JPEG Error Status="))
                << fx.messages.log.join("|").toStdString();
        }
        EXPECT_EQ(fx.folder, (QList<RECORD>{1, 2, 3})) << bad;
        EXPECT_EQ(fx.result.added, (QList<RECORD>{1, 2, 3})) << bad;
        EXPECT_FALSE(fx.table.locate(4)) << bad;
        // Only the broken file itself was copied before it failed to read.
        QStringList copies{"B0000000.JPG", "B0000001.JPG", "B0000002.JPG"};
        if (what == "truncated")
            copies << "B0000003.JPG";
        EXPECT_EQ(QDir(fx.backup("")).entryList(QDir::Files, QDir::Name), copies) << bad;
        EXPECT_EQ(fx.progress.ended, 1) << bad;
    }
}

TEST(Import, FailedBackupIsReportedOnceAtTheEnd)
{
    Fixture fx;
    // A file where the backup folder should be: every copy fails.
    fx.job.backFolder = fx.dir.file("job/BACKFILE");
    zbtest::writeAll(fx.job.backFolder, "x");
    const QString p = fx.source("a.jpg", camera());
    ASSERT_TRUE(fx.run({p, p}));
    EXPECT_EQ(fx.folder, (QList<RECORD>{1, 2}));
    EXPECT_EQ(fx.messages.boxes(),
              QStringList{"information: 写真の複写に失敗しています。 ディスクにエラーが無いか確認してください。"});
    EXPECT_EQ(zbtest::readAll(fx.job.backFolder), "x");
}

TEST(Import, ExistingBackupIsReplaced)
{
    Fixture fx;
    QDir().mkpath(fx.backup(""));
    zbtest::writeAll(fx.backup("B0000000.jpg"), "old");
    QFile::setPermissions(fx.backup("B0000000.jpg"), QFileDevice::ReadOwner);
    const QByteArray a = camera();
    const QString p = fx.source("a.jpg", a);
    QFile::setPermissions(p, QFileDevice::ReadOwner);
    ASSERT_TRUE(fx.run({p}));
    EXPECT_EQ(fx.messages.boxes(), QStringList());
    EXPECT_EQ(zbtest::readAll(fx.backup("B0000000.jpg")), a);
    EXPECT_TRUE(QFileInfo(fx.backup("B0000000.jpg")).isWritable());
}

// A photo above the working-bitmap limit (70 megapixels) is an ordinary
// picture: its thumbnail comes from a reduced decode and its bytes are stored
// as they are, in a compressed job too (it cannot be decoded whole there).
TEST(Import, PhotoAboveTheBitmapLimitIsImportedUnchanged)
{
    Fixture fx;
    const QByteArray big = zbtest::uniformJpeg(10000, 7000);
    const QString p = fx.source("IMG_0001.JPG", big);
    for (bool compressed : {false, true}) {
        fx.job.compressed = compressed;
        ASSERT_TRUE(fx.run({p})) << compressed << fx.messages.log.join("\n").toStdString();
        ASSERT_EQ(fx.result.added.size(), 1);
        const RECORD r = fx.result.added.first();
        EXPECT_EQ(fx.blob(r, F_IMAGE_ORG), big) << compressed;
        QImage thumb;
        ASSERT_TRUE(thumb.loadFromData(fx.blob(r, F_THUMBNAIL), "BMP"));
        EXPECT_EQ(thumb.size(), QSize(171, 120)) << compressed;
    }
    EXPECT_EQ(fx.messages.boxes(), QStringList());
}

// The space warning follows the room on the job's file system, not the size
// of its table: a large table on a roomy disk stays quiet, a full disk warns.
TEST(Import, ShortDiskSpaceWarns)
{
    Fixture fx;
    fx.job.paths = JobPaths{fx.dir.path() + "/", "JOB"};
    ASSERT_TRUE(QFileInfo::exists(fx.job.paths.table()));
    const struct {
        const char* what;
        qint64 freeBytes;  // -1: the real probe
        bool warns;
    } cases[] = {
        {"this machine's disk", -1, false},
        {"plenty of room", qint64(1) << 40, false},
        {"full disk", 0, true},
        {"less room than the table takes", 1, true},
    };
    for (const auto& c : cases) {
        if (c.freeBytes < 0)
            setFreeSpaceProbe({});
        else
            setFreeSpaceProbe([n = c.freeBytes](const QString&) { return n; });
        fx.messages.clear();
        EXPECT_TRUE(fx.run({fx.source("a.jpg", camera())})) << c.what;
        EXPECT_EQ(fx.messages.boxes(),
                  c.warns ? QStringList{"notice: 工事データの空き容量が不足しています。"} : QStringList())
            << c.what;
        EXPECT_EQ(fx.result.spaceLow, c.warns) << c.what;
    }
    setFreeSpaceProbe({});
    // Without the job's files (a caller that does not name them) nothing is checked.
    fx.job.paths = JobPaths{};
    setFreeSpaceProbe([](const QString&) { return qint64(0); });
    fx.messages.clear();
    EXPECT_TRUE(fx.run({fx.source("a.jpg", camera())}));
    EXPECT_FALSE(fx.result.spaceLow);
    setFreeSpaceProbe({});
}

TEST(Import, ClipboardPicture)
{
    Fixture fx;
    ClipboardPicture clip;
    clip.bitmap = zbtest::patternBitmap(50, 40);
    ASSERT_TRUE(ImportPictures(fx.job, std::nullopt, fx.target, fx.settings, fx.messages, fx.progress, &fx.result,
                               &clip));
    EXPECT_EQ(fx.progress.started, 1);
    EXPECT_EQ(fx.folder, QList<RECORD>{1});
    EXPECT_FALSE(fx.field(1, F_FILENAME).isValid());
    EXPECT_FALSE(fx.field(1, F_DATE).isValid());
    EXPECT_EQ(fx.field(1, F_GRA_FLAG).toInt(), 0);
    EXPECT_TRUE(fx.blob(1, F_IMAGE_ORG).startsWith("\xFF\xD8"));
    EXPECT_FALSE(QDir(fx.backup("")).exists());

    ClipboardPicture meta;
    meta.metafile = zbtest::makeEmf(100, 80, 0x00ff00, 0, 0, 50, 50);
    ASSERT_TRUE(ImportPictures(fx.job, std::nullopt, fx.target, fx.settings, fx.messages, fx.progress, &fx.result,
                               &meta));
    EXPECT_EQ(fx.field(2, F_GRA_FLAG).toInt(), 20);
    EXPECT_EQ(fx.blob(2, F_IMAGE_ORG), meta.metafile);

    // Nothing usable: the clipboard holds no picture; nothing is added.
    ClipboardPicture empty;
    const ClipboardPicture* nothing[] = {&empty, nullptr};
    for (const ClipboardPicture* clip : nothing) {
        fx.messages.clear();
        EXPECT_FALSE(ImportPictures(fx.job, std::nullopt, fx.target, fx.settings, fx.messages, fx.progress,
                                    &fx.result, clip));
        EXPECT_EQ(fx.messages.boxes(), QStringList{"information: クリップボードに写真(画像)がありません。"});
        EXPECT_TRUE(fx.result.refused);
        EXPECT_FALSE(fx.result.changed);
        EXPECT_EQ(fx.folder, (QList<RECORD>{1, 2}));
        EXPECT_EQ(fx.table.rowCount(), 2);
    }
}

TEST(ImportFolder, ScanTakesPicturesParentFirstAndAsks)
{
    zbtest::TempDir dir;
    const QByteArray jpg = zbtest::makeJpeg(16, 16);
    for (const QString& n : {"a.jpg", "B.JPG", "c.txt", ".hidden.jpg", "d.Png", "sub/e.jpg", "sub/deep/f.bmp",
                             ".git/g.jpg", "写真/h.jpg"}) {
        QDir().mkpath(QFileInfo(dir.file(n)).path());
        zbtest::writeAll(dir.file(n), jpg);
    }
    ScriptedMessages m;
    const QStringList flat = scanImportFolder(dir.path(), false, m);
    EXPECT_EQ(QSet<QString>(flat.begin(), flat.end()),
              (QSet<QString>{dir.file("a.jpg"), dir.file("B.JPG"), dir.file("d.Png")}));
    EXPECT_EQ(m.log.last(), "status:  3件");

    ScriptedMessages m2;
    m2.reply(false);
    const QStringList all = scanImportFolder(dir.path(), true, m2);
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()),
              (QSet<QString>{dir.file("a.jpg"), dir.file("B.JPG"), dir.file("d.Png"), dir.file("sub/e.jpg"),
                             dir.file("sub/deep/f.bmp"), dir.file("写真/h.jpg")}));
    ASSERT_GE(all.size(), 3);
    EXPECT_EQ(QSet<QString>(all.begin(), all.begin() + 3), QSet<QString>(flat.begin(), flat.end()));
    // Depth first: a sub-folder's own sub-folder comes right after its files.
    EXPECT_EQ(all.indexOf(dir.file("sub/deep/f.bmp")), all.indexOf(dir.file("sub/e.jpg")) + 1);

    ScriptedMessages ask;
    ask.reply(false);
    EXPECT_EQ(folderImportList(dir.path(), true, ask), QStringList());
    EXPECT_EQ(ask.boxes(), QStringList{"ask: 合計 6枚の写真があります 一括読込しますか？"});
    ScriptedMessages yes;
    EXPECT_EQ(folderImportList(dir.path(), false, yes).size(), 3);

    ScriptedMessages none;
    EXPECT_EQ(folderImportList(dir.file("sub/deep/nothing"), true, none), QStringList());
    EXPECT_EQ(none.boxes(), QStringList());
}

TEST(ImportFolder, NameOrderComparesDigitsAsNumbers)
{
    struct Case {
        const char* a;
        const char* b;
    };
    // Each a comes strictly before b.
    const Case cases[] = {
        {"IMG_2.JPG", "IMG_10.JPG"},   {"IMG_0009.JPG", "IMG_0010.JPG"}, {"img_3.jpg", "IMG_4.jpg"},
        {"IMG_4.jpg", "img_5.jpg"},    {"a.jpg", "B.JPG"},               {"IMG.jpg", "IMG_1.jpg"},
        {"IMG_1", "IMG_1.jpg"},        {"x9", "x10a"},                   {"x10a", "x10b"},
        {"p02.jpg", "p2.jpg"},         {"P1.jpg", "p1.jpg"},             {"2", "10"},
        {"99999999999999999999", "100000000000000000000"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(fileNameLess(c.a, c.b)) << c.a << " < " << c.b;
        EXPECT_FALSE(fileNameLess(c.b, c.a)) << c.b << " < " << c.a;
    }
    EXPECT_FALSE(fileNameLess("same.jpg", "same.jpg"));
}

TEST(ImportFolder, ScanListsFilesAndSubFoldersInNameOrder)
{
    zbtest::TempDir dir;
    const QByteArray jpg = zbtest::makeJpeg(8, 8);
    // Written out of order, so that the creation order does not help.
    QStringList names;
    for (int i : {7, 12, 1, 10, 3, 9, 2, 11, 5, 8, 4, 6})
        names << QString("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0'));
    names << "img_13.jpg" << "10/a.jpg" << "9/b.jpg" << "9/10/c.jpg" << "9/2/d.jpg" << "B/e.jpg";
    for (const QString& n : names) {
        QDir().mkpath(QFileInfo(dir.file(n)).path());
        zbtest::writeAll(dir.file(n), jpg);
    }
    QStringList expected;
    for (int i = 1; i <= 12; ++i)
        expected << dir.file(QString("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
    expected << dir.file("img_13.jpg") << dir.file("9/b.jpg") << dir.file("9/2/d.jpg") << dir.file("9/10/c.jpg")
             << dir.file("10/a.jpg") << dir.file("B/e.jpg");
    ScriptedMessages m;
    EXPECT_EQ(scanImportFolder(dir.path(), true, m), expected);
}

TEST(ImportFolder, EscDuringTheScanKeepsWhatWasFound)
{
    zbtest::TempDir dir;
    for (int i = 0; i < 5; ++i)
        zbtest::writeAll(dir.file(QString("p%1.jpg").arg(i)), zbtest::makeJpeg(8, 8));
    for (bool yes : {true, false}) {
        ScriptedMessages m;
        m.reply(yes);
        int polls = 0;
        const QStringList found = scanImportFolder(dir.path(), true, m, [&] { return ++polls == 2; });
        EXPECT_EQ(found.size(), yes ? 2 : 5);
        EXPECT_EQ(m.boxes(), QStringList{"ask: [ESC]キーが押されました 処理を中止しますか？"});
        if (yes) {
            EXPECT_EQ(m.log.last(), "status: ");
        }
    }
}

// A process killed in the middle of a 200-photo import leaves a job that opens
// (with the not-closed-properly warning) with every posted row intact.
TEST(ImportCrash, KilledImportKeepsPostedRows)
{
    zbtest::TempDir dir;
    const Folders folders = resolveFolders(dir.path(), NetworkSettings{}, SharedDecision{});
    QStringList files;
    QList<QByteArray> bytes;
    QDir().mkpath(dir.file("camera"));
    for (int i = 1; i <= 200; ++i) {
        bytes << camera(QByteArray("2023:04:05 06:07:08"));
        bytes.last().append(QByteArray::number(i));  // each file different (after the end marker)
        files << dir.file(QString("camera/DSCF%1.JPG").arg(i, 4, 10, QChar('0')));
        zbtest::writeAll(files.last(), bytes.last());
    }
    {
        ScriptedMessages m;
        createFolders(folders, m);
        TDataModule_Main data(folders, m);
        JobLife job(folders, data, m);
        ASSERT_EQ(job.createJob("現場A", ""), JobLife::OpenResult::Opened);
        job.closeJob();
    }

    struct SignalAt : Progress {
        zbtest::Signal& signal;
        int n = 0;
        explicit SignalAt(zbtest::Signal& s) : signal(s) {}
        void start(int) override {}
        bool step() override
        {
            if (++n == 20)
                signal.notify();
            if (n > 20)
                usleep(2000);
            return true;
        }
        void end() override {}
    };
    zbtest::Signal reached;
    const int pid = zbtest::forkChild([&] {
        ScriptedMessages m;
        TDataModule_Main data(folders, m);
        JobLife job(folders, data, m);
        if (job.openChosen({"現場A", ""}) != JobLife::OpenResult::Opened)
            return 2;
        ImportJob ij;
        ij.table = &job.photoTable();
        ij.fields.lookUp(job.photoTable());
        ij.backFolder = JobPaths{folders.dataFile, job.name()}.backFolder();
        ImportTarget target;
        target.folder = &job.file().folders[0].photos;
        target.folderAcceptsPhotos = true;
        SignalAt progress(reached);
        ImportPictures(ij, files, target, ImportSettings{}, m, progress);
        return 0;
    });
    ASSERT_EQ(reached.wait(), '!');
    kill(pid, SIGKILL);
    EXPECT_EQ(zbtest::waitChild(pid), -SIGKILL);

    ScriptedMessages m;
    TDataModule_Main data(folders, m);
    JobLife job(folders, data, m);
    ASSERT_EQ(job.openChosen({"現場A", ""}), JobLife::OpenResult::Opened);
    EXPECT_TRUE(m.boxes().contains("warning: " + kNotClosedProperly)) << m.boxes().join("|").toStdString();
    TTableNetWork& t = job.photoTable();
    PhotoFields f;
    f.lookUp(t);
    RECORD expected = 1;
    for (bool ok = t.first(); ok; ok = t.next(), ++expected) {
        ASSERT_EQ(t.value(f[F_RECORD]).toInt(), expected);
        EXPECT_EQ(t.readBlob(f[F_IMAGE_ORG]), bytes[expected - 1]) << expected;
        EXPECT_EQ(t.value(f[F_FILENAME]).toString(), QString("DSCF%1").arg(expected, 4, 10, QChar('0')));
        EXPECT_TRUE(t.readBlob(f[F_THUMBNAIL]).startsWith("BM")) << expected;
    }
    EXPECT_GE(expected, 21);
    job.closeJob();
}

// zbcli import, found beside this test (every executable of the build lands in
// one folder).
TEST(ImportCli, ImportsIntoTheChosenFolderAndStopsAtABadFile)
{
    const QString cli = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).path() + "/zbcli";
    if (!QFileInfo::exists(cli))
        GTEST_SKIP() << "zbcli not built";
    auto run = [&](const QStringList& args) {
        QProcess p;
        p.start(cli, args);
        p.waitForFinished(120000);
        return std::make_tuple(p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError()));
    };
    zbtest::TempDir dir;
    const QString root = dir.file("prog");
    QDir().mkpath(root);
    QDir().mkpath(dir.file("写真"));
    zbtest::writeAll(dir.file("写真/DSCF0001.JPG"), camera());
    zbtest::writeAll(dir.file("single.jpg"), camera());
    zbtest::writeAll(dir.file("zero.jpg"), QByteArray());
    ASSERT_EQ(std::get<0>(run({"--root", root, "job", "new", "現場C"})), 0);

    auto [code, out, err] = run({"--root", root, "import", "現場C", dir.file("写真"), dir.file("single.jpg")});
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(out).object(),
              (QJsonObject{{"folder", "未分類(写真フォルダ)"}, {"added", QJsonArray{1, 2}}, {"complete", true}}));

    std::tie(code, out, err) = run({"--root", root, "import", "現場C", dir.file("single.jpg"), dir.file("zero.jpg"),
                                    dir.file("single.jpg")});
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "information: ファイル読み込み中にエラーが発生しました。 "
                   "サポートされていない写真形式か壊れている可能性があります。 >" +
                       dir.file("zero.jpg") + "\n");
    EXPECT_EQ(QJsonDocument::fromJson(out).object().value("added"), QJsonArray{3});

    std::tie(code, out, err) = run({"--root", root, "import", "現場C", dir.file("single.jpg"), "--folder", "工事写真"});
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "information: この工事フォルダには写真データは登録できません。\n");
    std::tie(code, out, err) = run({"--root", root, "import", "現場C", dir.file("single.jpg"), "--folder", "なし"});
    EXPECT_EQ(code, 1);

    // The rows are in the tree after the tool ended.
    std::tie(code, out, err) = run({"--root", root, "job", "tree", "現場C"});
    ASSERT_EQ(code, 0);
    const QJsonArray folders = QJsonDocument::fromJson(out).object().value("folders").toArray();
    ASSERT_FALSE(folders.isEmpty());
    EXPECT_EQ(folders[0].toObject().value("photos"), (QJsonArray{1, 2, 3}));
}
