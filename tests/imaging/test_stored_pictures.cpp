#include "imaging/stored_pictures.h"

#include "core/scripted_ports.h"
#include "fixtures.h"
#include "imaging/jpeg_codec.h"
#include "imaging/image_library.h"
#include "support/temp_dir.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace zb;

namespace {

struct BmpInfo {
    bool ok = false;
    int width = 0, height = 0, bits = 0;
};

BmpInfo bmpInfo(const QByteArray& b)
{
    BmpInfo i;
    if (b.size() < 54 || !b.startsWith("BM"))
        return i;
    const auto* d = reinterpret_cast<const uchar*>(b.constData());
    i.ok = qFromLittleEndian<quint32>(d + 2) == quint32(b.size()) && qFromLittleEndian<quint32>(d + 10) == 54;
    i.width = qFromLittleEndian<qint32>(d + 18);
    i.height = qFromLittleEndian<qint32>(d + 22);
    i.bits = qFromLittleEndian<quint16>(d + 28);
    return i;
}

QSize jpegSize(const QByteArray& jpeg)
{
    ScriptedMessages m;
    JpegHeader h;
    return ReadJpegHeader(jpeg, h, m) ? QSize(h.width, h.height) : QSize();
}

const QByteArray& camera4000x3000()
{
    static const QByteArray bytes = zbtest::makeJpeg(4000, 3000);
    return bytes;
}

}  // namespace

TEST(ImagingStored, ThumbnailAndAlbumSizes)
{
    const struct {
        QByteArray jpeg;
        QSize thumb;
        QSize album;
    } cases[] = {
        {camera4000x3000(), {160, 120}, {533, 400}},
        {zbtest::makeJpeg(3000, 4000), {120, 160}, {400, 533}},
        {zbtest::makeJpeg(100, 50), {240, 120}, {800, 400}},
    };
    for (const auto& c : cases) {
        ScriptedMessages m;
        const BmpInfo thumb = bmpInfo(MakeThumbnail(c.jpeg, 0, m));
        EXPECT_TRUE(thumb.ok);
        EXPECT_EQ(QSize(thumb.width, thumb.height), c.thumb);
        EXPECT_EQ(thumb.bits, 24);
        const auto album = MakeAlbum(c.jpeg, 0, m);
        ASSERT_TRUE(album);
        EXPECT_EQ(jpegSize(*album), c.album);
        EXPECT_TRUE(m.log.isEmpty());
    }
}

TEST(ImagingStored, EveryOrientationGivesTheSameUprightPictures)
{
    // A portrait photo as a camera stores it for each of the eight values.
    const QImage upright = zbtest::quadrantBitmap(48, 64);
    for (int o = 1; o <= 8; ++o) {
        const QByteArray file = zbtest::cameraJpeg(zbtest::storedAs(upright, o), o);
        ScriptedMessages m;
        const QByteArray thumb = MakeThumbnail(file, 0, m);
        QImage shown;
        ASSERT_TRUE(shown.loadFromData(thumb, "BMP")) << o;
        EXPECT_EQ(shown.size(), QSize(120, 160)) << o;
        EXPECT_EQ(zbtest::quadrantColours(shown), "RGBW") << o;
        const std::optional<QByteArray> album = MakeAlbum(file, 0, m);
        ASSERT_TRUE(album) << o;
        QImage albumPicture;
        ASSERT_TRUE(DecodeJpeg(*album, albumPicture, 0, m));
        EXPECT_EQ(albumPicture.size(), QSize(400, 533)) << o;
        EXPECT_EQ(zbtest::quadrantColours(albumPicture), "RGBW") << o;
        // Pictures decoded to fit a frame are upright too, and big enough for it.
        QImage framed;
        ASSERT_TRUE(DecodeJpegToFit(file, framed, QSize(24, 32), m));
        EXPECT_EQ(framed.size(), QSize(24, 32)) << o;
        EXPECT_EQ(zbtest::quadrantColours(framed), "RGBW") << o;
        EXPECT_EQ(m.log, QStringList()) << o;
    }
}

TEST(ImagingStored, TurnedCameraPhotoSizes)
{
    zbtest::ExifLayout layout;
    layout.orientation = 6;
    const QByteArray file = zbtest::withJfif(zbtest::exifJpeg(layout, camera4000x3000()));
    ScriptedMessages m;
    const BmpInfo thumb = bmpInfo(MakeThumbnail(file, 0, m));
    EXPECT_EQ(QSize(thumb.width, thumb.height), QSize(120, 160));
    EXPECT_EQ(jpegSize(MakeAlbum(file, 0, m).value_or(QByteArray())), QSize(400, 533));
}

TEST(ImagingStored, ExifThumbnailIsTurnedAsThePhoto)
{
    zbtest::TempDir dir;
    zbtest::ExifLayout layout;
    layout.orientation = 8;
    ScriptedMessages m;
    QByteArray thumb;
    ASSERT_TRUE(EncodeJpeg(zbtest::storedAs(zbtest::quadrantBitmap(96, 128), 8), thumb, false, 95, m));
    layout.thumbnail = thumb;
    zbtest::writeAll(dir.file("cam.jpg"), zbtest::withJfif(zbtest::exifJpeg(layout, zbtest::makeJpeg(64, 48))));
    const QImage shown = UprightExifThumbnail(dir.file("cam.jpg"), 120);
    EXPECT_EQ(shown.size(), QSize(96, 128));
    EXPECT_EQ(zbtest::quadrantColours(shown), "RGBW");
    EXPECT_TRUE(UprightExifThumbnail(dir.file("cam.jpg"), 200).isNull());
}

TEST(ImagingStored, ThumbnailOfAMetafileNoAlbum)
{
    ScriptedMessages m;
    const QByteArray wmf = zbtest::makeWmf(300, 150, 0x000000FF, 10, 10, 290, 140);
    const BmpInfo thumb = bmpInfo(MakeThumbnail(wmf, 20, m));
    EXPECT_EQ(QSize(thumb.width, thumb.height), QSize(240, 120));
    EXPECT_FALSE(MakeAlbum(wmf, 20, m));
    EXPECT_TRUE(m.log.isEmpty());
}

TEST(ImagingStored, BrokenPicturesMakeNothing)
{
    ScriptedMessages m;
    EXPECT_TRUE(MakeThumbnail(QByteArray("junk"), 0, m).isEmpty());
    EXPECT_FALSE(MakeAlbum(QByteArray(), 0, m));
    ASSERT_EQ(m.log.size(), 2);
    EXPECT_TRUE(m.log[0].startsWith("status:  JPEG Error Status="));
}

TEST(ImagingStored, CurrentPictureRule)
{
    const QByteArray org = "ORG", now = "NOW";
    const struct {
        QByteArray imageNow;
        std::optional<int> graFlag;
        QByteArray bytes;
        int kind;
    } cases[] = {
        {now, 20, now, 0},            // edited: always JPEG
        {QByteArray(), 20, org, 20},  // metafile as imported
        {QByteArray(), 0, org, 0},
        {QByteArray(), std::nullopt, org, 0},  // table without GRA_FLAG
    };
    for (const auto& c : cases) {
        const CurrentPicture p = CurrentPictureOf(c.imageNow, org, c.graFlag);
        EXPECT_EQ(p.bytes, c.bytes);
        EXPECT_EQ(p.kind, c.kind);
    }
}

TEST(ImagingStored, ImportedFields)
{
    zbtest::TempDir dir;
    const QByteArray jpeg = zbtest::makeJpeg(640, 480);
    const QByteArray wmf = zbtest::makeWmf(200, 100, 0x0000FF00, 0, 0, 100, 100);
    zbtest::writeAll(dir.file("cam.jpg"), jpeg);
    zbtest::writeAll(dir.file("draw.wmf"), wmf);
    ASSERT_TRUE(SavePngFile(zbtest::patternBitmap(90, 60), dir.file("pic.png")));

    ScriptedMessages m;
    // A JPEG is kept byte for byte.
    auto r = PictureForImport(dir.file("cam.jpg"), 0, false, m);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->imageOrg, jpeg);
    EXPECT_EQ(r->graFlag, 0);
    EXPECT_EQ(bmpInfo(r->thumbnail).width, 160);
    // ... except in a compressed job: re-encoded at 85, same size.
    r = PictureForImport(dir.file("cam.jpg"), 0, true, m);
    ASSERT_TRUE(r);
    EXPECT_NE(r->imageOrg, jpeg);
    EXPECT_EQ(jpegSize(r->imageOrg), QSize(640, 480));
    // A metafile is kept byte for byte and flagged 20.
    r = PictureForImport(dir.file("draw.wmf"), 20, false, m);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->imageOrg, wmf);
    EXPECT_EQ(r->graFlag, 20);
    EXPECT_EQ(bmpInfo(r->thumbnail).height, 120);
    // Other kinds become JPEG quality 90.
    r = PictureForImport(dir.file("pic.png"), 2, false, m);
    ASSERT_TRUE(r);
    QByteArray expected;
    QImage loaded;
    ASSERT_TRUE(LoadWithImageLibrary(dir.file("pic.png"), loaded));
    ASSERT_TRUE(EncodeJpeg(loaded, expected, false, 90, m));
    EXPECT_EQ(r->imageOrg, expected);
    EXPECT_EQ(r->graFlag, 0);
    EXPECT_TRUE(m.log.isEmpty());
}

TEST(ImagingStored, ImportFailuresUseTheImportMessage)
{
    zbtest::TempDir dir;
    const QByteArray jpeg = zbtest::makeJpeg(64, 64);
    zbtest::writeAll(dir.file("a.fpx"), QByteArray(512, '\x05'));
    zbtest::writeAll(dir.file("cut.jpg"), jpeg.left(jpeg.size() / 2));
    const struct {
        const char* name;
        int kind;
    } cases[] = {
        {"a.fpx", 4},
        {"cut.jpg", 0},
        {"missing.png", 2},
    };
    for (const auto& c : cases) {
        ScriptedMessages m;
        EXPECT_FALSE(PictureForImport(dir.file(c.name), c.kind, false, m)) << c.name;
        EXPECT_EQ(m.boxes(), QStringList{"information: ファイル読み込み中にエラーが発生しました。\r\n"
                                         "サポートされていない写真形式か壊れている可能性があります。\r\n>" +
                                         dir.file(c.name)})
            << c.name;
    }
}
