#include "imaging/photo_edits.h"

#include "core/scripted_ports.h"
#include "fixtures.h"
#include "imaging/exif.h"
#include "imaging/graphic_kind.h"
#include "imaging/jpeg_codec.h"
#include "imaging/jpeg_transform.h"
#include "imaging/stored_pictures.h"
#include "imaging/working_bitmap.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <QBuffer>
#include <QImageReader>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QImage decode(const QByteArray& jpeg)
{
    SilentMessages quiet;
    QImage bitmap;
    EXPECT_TRUE(DecodeStoredPicture(jpeg, GraFlagOf(jpeg), bitmap, 0, quiet));
    return toWorkingBitmap(bitmap);
}

QSize bmpSize(const QByteArray& bmp)
{
    QImage image;
    image.loadFromData(bmp, "BMP");
    return image.size();
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 3) != 0)
            return false;
    return true;
}

// A photo table with rows put in directly.
struct Table {
    zbtest::TempDir dir;
    TTableNetWork table;
    PhotoFields f;
    ScriptedMessages messages;
    ScriptedProgress progress;
    QList<RECORD> changedRows;
    int changedMarks = 0;
    PhotoEditContext context{table, f, messages, progress, [this] { ++changedMarks; },
                             [this](RECORD r) { changedRows << r; }};

    Table() { f = openOrCreatePhotoTable(dir.file("JOB.DB"), {&table}, true); }

    void add(RECORD r, const QByteArray& original, int graFlag = -1, bool album = false)
    {
        table.append();
        table.setValue(f[F_RECORD], r);
        table.setValue(f[F_GRA_FLAG], graFlag < 0 ? GraFlagOf(original) : graFlag);
        table.setValue(f[F_FILENAME], QStringLiteral("DSC_%1").arg(r, 4, 10, QLatin1Char('0')));
        table.writeBlob(f[F_IMAGE_ORG], original);
        table.writeBlob(f[F_THUMBNAIL], QByteArray("old thumbnail"));
        if (album)
            table.writeBlob(f[F_ALBUM], QByteArray("old album"));
        table.post();
    }
    QByteArray blob(RECORD r, PhotoField field)
    {
        EXPECT_TRUE(table.locate(r));
        return table.readBlob(f[field]);
    }
    bool isNull(RECORD r, PhotoField field)
    {
        EXPECT_TRUE(table.locate(r));
        return table.isNull(f[field]);
    }
    int graFlag(RECORD r)
    {
        EXPECT_TRUE(table.locate(r));
        return table.value(f[F_GRA_FLAG]).toInt();
    }
};

}  // namespace

TEST(PhotoEdits, GraFlagFromTheFirstBytes)
{
    const std::pair<QByteArray, int> cases[] = {
        {QByteArray::fromHex("FFD8FFE0"), 0}, {QByteArray::fromHex("FFD8FFE1"), 0},
        {QByteArray::fromHex("FFD8FFDB"), 0},  // a plain JPEG without APP0/APP1
        {QByteArray::fromHex("FFD8FFEE"), 0}, {QByteArray::fromHex("D7CDC69A"), 20},
        {QByteArray::fromHex("01000000"), 20}, {QByteArray(), 20},
    };
    for (const auto& [bytes, flag] : cases)
        EXPECT_EQ(GraFlagOf(bytes), flag) << bytes.toHex().constData();
}

TEST(PhotoEdits, QuarterTurnsOfBitmaps)
{
    const QImage source = zbtest::patternBitmap(7, 4);
    const QImage r90 = RotateQuarter(source, 1), r180 = RotateQuarter(source, 2), r270 = RotateQuarter(source, 3);
    ASSERT_EQ(r90.size(), QSize(4, 7));
    ASSERT_EQ(r270.size(), QSize(4, 7));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(r90.pixel(x, y), source.pixel(y, 3 - x));
            EXPECT_EQ(r270.pixel(x, y), source.pixel(6 - y, x));
        }
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(r180.pixel(x, y), source.pixel(6 - x, 3 - y));
    EXPECT_TRUE(samePixels(RotateQuarter(r90, 1), r180));
    EXPECT_TRUE(samePixels(RotateQuarter(r180, 1), r270));
}

TEST(PhotoEdits, RotationWritesThePortraitPictureAndLeavesTheOriginal)
{
    Table t;
    const QByteArray original = zbtest::makeJpeg(64, 48);  // whole 16 x 16 blocks: turned without loss
    t.add(1, original, -1, true);
    const EditRunResult r = RunPhotoEdit(t.context, {1}, 1);
    EXPECT_EQ(r.changed, QList<RECORD>{1});
    EXPECT_TRUE(t.messages.boxes().isEmpty());
    EXPECT_EQ(t.blob(1, F_IMAGE_ORG), original);
    EXPECT_EQ(t.graFlag(1), 0);
    EXPECT_EQ(decode(t.blob(1, F_IMAGE_NOW)).size(), QSize(48, 64));
    EXPECT_EQ(bmpSize(t.blob(1, F_THUMBNAIL)), QSize(120, 160));
    EXPECT_EQ(decode(t.blob(1, F_ALBUM)).size(), QSize(400, 533));
    EXPECT_EQ(t.changedRows, QList<RECORD>{1});
    EXPECT_EQ(t.changedMarks, 1);
    EXPECT_EQ(t.progress.started, 1);
    EXPECT_EQ(t.progress.ended, 1);
}

TEST(PhotoEdits, LosslessTurnsGiveBackTheVeryPixels)
{
    Table t;
    const QByteArray original = zbtest::makeJpeg(64, 48);
    for (int r = 1; r <= 3; ++r)
        ASSERT_TRUE(RotateJpegLossless(original, r)) << r;
    t.add(1, original);
    t.add(2, original);
    // Two turns by 90 are one by 180, to the pixel.
    RunPhotoEdit(t.context, {1}, 1);
    RunPhotoEdit(t.context, {1}, 1);
    RunPhotoEdit(t.context, {2}, 2);
    EXPECT_TRUE(samePixels(decode(t.blob(1, F_IMAGE_NOW)), decode(t.blob(2, F_IMAGE_NOW))));
    // Two turns back by 270 make a whole turn: the original pixels.
    RunPhotoEdit(t.context, {1}, 3);
    RunPhotoEdit(t.context, {1}, 3);
    EXPECT_TRUE(samePixels(decode(t.blob(1, F_IMAGE_NOW)), decode(original)));
    EXPECT_TRUE(t.messages.boxes().isEmpty());

    // A size that does not fit the blocks goes through the pixels: still the
    // right size and orientation.
    Table odd;
    odd.add(1, zbtest::makeJpeg(50, 30));
    RunPhotoEdit(odd.context, {1}, 3);
    EXPECT_EQ(decode(odd.blob(1, F_IMAGE_NOW)).size(), QSize(30, 50));
    EXPECT_FALSE(RotateJpegLossless(zbtest::makeJpeg(50, 30), 1));
}

TEST(PhotoEdits, LosslessTurnKeepsTheExifDateWithoutOrientationOrThumbnail)
{
    zbtest::ExifLayout layout;
    layout.dateTime = "2022:01:02 03:04:05";
    layout.thumbnail = zbtest::makeJpeg(16, 12);
    const QByteArray camera = zbtest::exifJpeg(layout, zbtest::makeJpeg(64, 48));
    ASSERT_TRUE(ExifThumbnailData(camera, 120));
    const std::optional<QByteArray> turned = RotateJpegLossless(camera, 1);
    ASSERT_TRUE(turned);
    const std::optional<ExifInfo> info = ReadExifData(*turned);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->dateTime, QStringLiteral("2022:01:02 03:04:05"));
    EXPECT_FALSE(ExifThumbnailData(*turned, 120));

    // Orientation 6 (turn to view) becomes 1 in a little-endian and a big-endian block.
    for (const bool big : {false, true}) {
        zbtest::Bytes tiff;
        tiff.big = big;
        tiff.raw(big ? "MM" : "II").u16(42).u32(8).u16(1);
        tiff.u16(0x0112).u16(3).u32(1).u16(6).u16(0);  // Orientation = 6
        tiff.u32(40);                                  // a next directory
        zbtest::Bytes seg;
        seg.big = true;
        const QByteArray body = QByteArray("Exif\0\0", 6) + tiff.b;
        seg.u8(0xFF).u8(0xD8).u8(0xFF).u8(0xE1).u16(int(body.size()) + 2).raw(body).u8(0xFF).u8(0xD9);
        QByteArray jpeg = seg.b;
        ResetExifOrientation(jpeg);
        const int at = 4 + 2 + 6;  // the TIFF block
        const auto u16 = [&](int p) {
            const uchar a = uchar(jpeg[at + p]), b = uchar(jpeg[at + p + 1]);
            return big ? (a << 8 | b) : (b << 8 | a);
        };
        EXPECT_EQ(u16(10 + 8), 1) << big;
        EXPECT_EQ(jpeg.mid(at + 10 + 12, 4), QByteArray(4, '\0')) << big;
    }
}

TEST(PhotoEdits, TurnsAreOfThePictureAsShown)
{
    // A right turn of a photo of each orientation shows the upright picture
    // turned right, with Orientation 1; the camera's file stays as it was.
    // 64 x 48 turns on the coefficients, 50 x 30 through the pixels.
    for (QSize size : {QSize(48, 64), QSize(30, 50)}) {
        Table t;
        const QImage upright = zbtest::quadrantBitmap(size.width(), size.height());
        for (int o = 1; o <= 8; ++o)
            t.add(o, zbtest::cameraJpeg(zbtest::storedAs(upright, o), o), -1, true);
        const QList<RECORD> all{1, 2, 3, 4, 5, 6, 7, 8};
        RunPhotoEdit(t.context, all, 1);
        for (RECORD o : all) {
            const QByteArray now = t.blob(o, F_IMAGE_NOW);
            EXPECT_EQ(ExifOrientationOf(now), Orientation::TopLeft) << o;
            const QImage shown = decode(now);
            EXPECT_EQ(shown.size(), size.transposed()) << o << " " << size.width();
            EXPECT_EQ(zbtest::quadrantColours(shown), "BRWG") << o << " " << size.width();
            QImage thumb;
            thumb.loadFromData(t.blob(o, F_THUMBNAIL), "BMP");
            EXPECT_EQ(zbtest::quadrantColours(thumb), "BRWG") << o;
            EXPECT_EQ(zbtest::quadrantColours(decode(t.blob(o, F_ALBUM))), "BRWG") << o;
            EXPECT_EQ(ExifOrientationOf(t.blob(o, F_IMAGE_ORG)), Orientation(o));
        }
        EXPECT_TRUE(t.messages.boxes().isEmpty());
    }
}

TEST(PhotoEdits, UprightJpegForOutsideViewers)
{
    ScriptedMessages m;
    for (QSize size : {QSize(48, 64), QSize(30, 50)}) {
        const QImage pic = zbtest::quadrantBitmap(size.width(), size.height());
        for (int o = 1; o <= 8; ++o) {
            const QByteArray file = zbtest::cameraJpeg(zbtest::storedAs(pic, o), o);
            const std::optional<QByteArray> made = UprightJpeg(file, m);
            ASSERT_TRUE(made) << o;
            if (o == 1)
                EXPECT_EQ(*made, file);
            EXPECT_EQ(ExifOrientationOf(*made), Orientation::TopLeft) << o;
            QBuffer buffer;
            buffer.setData(*made);
            QImageReader reader(&buffer, "JPEG");
            reader.setAutoTransform(false);  // a viewer that ignores the tag
            const QImage shown = reader.read();
            EXPECT_EQ(shown.size(), size) << o;
            EXPECT_EQ(zbtest::quadrantColours(shown), "RGBW") << o << " " << size.width();
        }
    }
    EXPECT_TRUE(m.log.isEmpty());
}

TEST(PhotoEdits, MetafileQuestionsEndTheRun)
{
    const QByteArray wmf = zbtest::makeWmf(60, 40, 0x0000FF, 5, 5, 30, 20);
    struct Case {
        QList<RECORD> selected;
        bool yes;
        QString question;
        int changed;
    };
    const Case cases[] = {
        {{1}, true, kMetafileEditOne, 1},
        {{1}, false, kMetafileEditOne, 0},
        {{1, 2}, false, kMetafileEditMany, 0},
        {{2, 1}, false, kMetafileEditMany, 1},  // the JPEG first: it keeps its turn
    };
    for (const Case& c : cases) {
        Table t;
        t.add(1, wmf);
        t.add(2, zbtest::makeJpeg(64, 48));
        t.messages.reply(c.yes);
        const EditRunResult r = RunPhotoEdit(t.context, c.selected, 1);
        EXPECT_EQ(t.messages.boxes(), QStringList{QStringLiteral("confirm: ") + c.question});
        EXPECT_EQ(int(r.changed.size()), c.changed);
        EXPECT_EQ(r.stopped, !c.yes);
        EXPECT_EQ(t.graFlag(1), 20);  // GRA_FLAG keeps describing IMAGE_ORG
        if (c.yes)
            EXPECT_EQ(decode(t.blob(1, F_IMAGE_NOW)).size(), QSize(40, 60));
    }
}

TEST(PhotoEdits, TheImageProcessingEditWritesOnlyWhenChanged)
{
    Table t;
    t.add(1, zbtest::makeJpeg(40, 30));
    t.add(2, zbtest::makeJpeg(40, 30));
    QSize seen;
    auto unchanged = [&](QImage& b) {
        seen = b.size();
        return false;
    };
    EXPECT_TRUE(RunPhotoEdit(t.context, {1, 2}, 0, unchanged).changed.isEmpty());
    EXPECT_EQ(seen, QSize(40, 30));
    EXPECT_TRUE(t.isNull(1, F_IMAGE_NOW));
    EXPECT_EQ(t.changedMarks, 0);

    auto grey = [](QImage& b) {
        b = b.convertToFormat(QImage::Format_Grayscale8);
        return true;
    };
    // Only the first selected item is edited.
    EXPECT_EQ(RunPhotoEdit(t.context, {1, 2}, 0, grey).changed, QList<RECORD>{1});
    const QImage edited = decode(t.blob(1, F_IMAGE_NOW));
    EXPECT_EQ(edited.size(), QSize(40, 30));
    EXPECT_TRUE(t.isNull(2, F_IMAGE_NOW));
    EXPECT_NE(t.blob(1, F_THUMBNAIL), QByteArray("old thumbnail"));
    EXPECT_EQ(t.progress.started, -1);  // no progress bar for the one edit
}

TEST(PhotoEdits, DamagedPictureStopsTheRunAndLeavesTheRow)
{
    Table t;
    QByteArray broken = zbtest::makeJpeg(64, 48);
    broken.truncate(200);
    t.add(1, zbtest::makeJpeg(64, 48));
    t.add(2, broken);
    t.add(3, zbtest::makeJpeg(64, 48));
    const EditRunResult r = RunPhotoEdit(t.context, {1, 2, 3}, 2);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.changed, QList<RECORD>{1});
    EXPECT_EQ(t.messages.boxes().last(), QStringLiteral("error: ") + kPhotoReadFailed);
    EXPECT_TRUE(t.isNull(2, F_IMAGE_NOW));
    EXPECT_EQ(t.blob(2, F_THUMBNAIL), QByteArray("old thumbnail"));
    EXPECT_TRUE(t.isNull(3, F_IMAGE_NOW));
}

TEST(PhotoEdits, ReturnToOriginalTouchesOnlyEditedRows)
{
    Table t;
    const QByteArray wmf = zbtest::makeWmf(60, 40, 0x00FF00, 5, 5, 30, 20);
    t.add(1, zbtest::makeJpeg(64, 48), -1, true);
    t.add(2, zbtest::makeJpeg(64, 48));
    t.add(3, wmf);
    t.messages.reply(true);
    RunPhotoEdit(t.context, {1, 3}, 1);
    ASSERT_FALSE(t.isNull(1, F_IMAGE_NOW));
    ASSERT_FALSE(t.isNull(3, F_IMAGE_NOW));
    t.messages.clear();
    t.changedRows.clear();

    // No: nothing happens.
    t.messages.reply(false);
    EXPECT_TRUE(ReturnToOriginal(t.context, {1, 2, 3}).stopped);
    EXPECT_EQ(t.messages.boxes(),
              QStringList{QStringLiteral("ask: ") + kReturnToOriginalQuestion + kReturnToOriginalMany});
    EXPECT_FALSE(t.isNull(1, F_IMAGE_NOW));

    t.messages.clear();
    t.messages.reply(true);
    const EditRunResult r = ReturnToOriginal(t.context, {1, 2, 3});
    EXPECT_EQ(r.changed, (QList<RECORD>{1, 3}));
    EXPECT_TRUE(t.isNull(1, F_IMAGE_NOW));
    EXPECT_TRUE(t.isNull(3, F_IMAGE_NOW));
    EXPECT_EQ(bmpSize(t.blob(1, F_THUMBNAIL)), QSize(160, 120));
    EXPECT_EQ(decode(t.blob(1, F_ALBUM)).size(), QSize(533, 400));
    EXPECT_EQ(t.blob(2, F_THUMBNAIL), QByteArray("old thumbnail"));  // never edited
    EXPECT_EQ(t.graFlag(3), 20);
    EXPECT_EQ(bmpSize(t.blob(3, F_THUMBNAIL)), QSize(180, 120));  // the metafile's own look again
    EXPECT_TRUE(t.isNull(3, F_ALBUM));

    // One photo: the question without the note.
    t.messages.clear();
    t.messages.reply(true);
    ReturnToOriginal(t.context, {2});
    EXPECT_EQ(t.messages.boxes(), QStringList{QStringLiteral("ask: ") + kReturnToOriginalQuestion});
}

TEST(PhotoEdits, ThumbnailRebuildGoesPastADamagedRow)
{
    Table t;
    QByteArray broken = zbtest::makeJpeg(64, 48);
    broken.truncate(150);
    for (RECORD r = 1; r <= 40; ++r)
        t.add(r, r == 17 ? broken : zbtest::makeJpeg(64, 48));
    t.messages.reply(true);
    const RebuildResult r = RebuildThumbnails(t.context);
    EXPECT_EQ(r.rebuilt, 39);
    EXPECT_EQ(r.failed, QList<RECORD>{17});
    EXPECT_EQ(t.messages.boxes(), (QStringList{QStringLiteral("ask: ") + kRebuildThumbnailsQuestion,
                                               QStringLiteral("error: ") + kPhotoReadFailed,
                                               QStringLiteral("information: ") + kRebuildFinished}));
    for (RECORD row = 1; row <= 40; ++row) {
        if (row == 17)
            EXPECT_EQ(t.blob(row, F_THUMBNAIL), QByteArray("old thumbnail"));
        else
            EXPECT_EQ(bmpSize(t.blob(row, F_THUMBNAIL)), QSize(160, 120)) << row;
    }
    EXPECT_EQ(t.progress.started, 40);
    EXPECT_EQ(t.progress.steps, 40);

    // Declined: nothing.
    Table no;
    no.add(1, zbtest::makeJpeg(64, 48));
    no.messages.reply(false);
    EXPECT_FALSE(RebuildThumbnails(no.context).asked);
    EXPECT_EQ(no.blob(1, F_THUMBNAIL), QByteArray("old thumbnail"));
}

TEST(PhotoEdits, CopyAndSaveChooseThePicture)
{
    Table t;
    const QByteArray original = zbtest::makeJpeg(64, 48);
    t.add(1, original);
    // Without an edit the original is taken without a question.
    std::optional<ChosenPicture> c = ChoosePicture(t.table, t.f, 1, kCopyWhichPicture, t.messages);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->bytes, original);
    EXPECT_EQ(c->fileName, QStringLiteral("DSC_0001"));
    EXPECT_TRUE(t.messages.boxes().isEmpty());

    RunPhotoEdit(t.context, {1}, 2);
    using A = Messages::Answer;
    t.messages.reply(A::Yes);
    EXPECT_EQ(ChoosePicture(t.table, t.f, 1, kSaveWhichPicture, t.messages)->bytes, original);
    t.messages.reply(A::No);
    EXPECT_EQ(ChoosePicture(t.table, t.f, 1, kSaveWhichPicture, t.messages)->bytes, t.blob(1, F_IMAGE_NOW));
    t.messages.reply(A::Cancel);
    EXPECT_FALSE(ChoosePicture(t.table, t.f, 1, kSaveWhichPicture, t.messages));
    EXPECT_EQ(t.messages.boxes().size(), 3);
    EXPECT_EQ(t.messages.boxes().first(), QStringLiteral("askThree: ") + kSaveWhichPicture);

    const struct {
        QString folder, fileName;
        bool metafile;
        QString proposed;
    } names[] = {
        {QStringLiteral("/home/u/out"), QStringLiteral("DSC_0001.JPG"), false, QStringLiteral("/home/u/out/DSC_0001.jpg")},
        {QStringLiteral("/home/u/out"), QStringLiteral("DSC_0001"), false, QStringLiteral("/home/u/out/DSC_0001.jpg")},
        {QStringLiteral("/home/u/out"), QStringLiteral("C:\\写真\\図面.WMF"), true, QStringLiteral("/home/u/out/図面.wmf")},
        {QStringLiteral("/home/u/out"), QString(), false, QStringLiteral("/home/u/out/写真1.jpg")},
    };
    for (const auto& n : names)
        EXPECT_EQ(ProposedSaveName(n.folder, n.fileName, n.metafile), n.proposed);
}
