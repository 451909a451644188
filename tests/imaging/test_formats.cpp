#include "imaging/image_library.h"
#include "imaging/metafile.h"
#include "imaging/pcx.h"
#include "imaging/working_bitmap.h"

#include "core/scripted_ports.h"
#include "fixtures.h"
#include "support/temp_dir.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace zb;

namespace {

QImage sample()
{
    QImage image(37, 23, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 200));
    for (int x = 0; x < 37; ++x)
        image.setPixelColor(x, 0, QColor(250, 10, 10));  // a red top row
    return image;
}

bool sameColour(const QColor& a, const QColor& b, int tolerance = 0)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QByteArray pcxHeader(int bpp, int planes, int w, int h, int bytesPerLine)
{
    zbtest::Bytes b;
    b.u8(0x0A).u8(5).u8(1).u8(bpp).u16(0).u16(0).u16(w - 1).u16(h - 1).u16(96).u16(96);
    b.raw(QByteArray(48, '\0')).u8(0).u8(planes).u16(bytesPerLine).u16(1).u16(0).u16(0);
    b.raw(QByteArray(54, '\0'));
    return b.b;
}

// A PNG whose header declares the given size, with a tiny (and wrong) body:
// a decompression bomb would look like this before inflating.
QByteArray pngClaiming(quint32 w, quint32 h)
{
    auto chunk = [](const char* type, const QByteArray& data) {
        zbtest::Bytes c;
        c.big = true;
        c.u32(data.size()).raw(QByteArray(type, 4)).raw(data);
        const QByteArray crcInput = QByteArray(type, 4) + data;
        c.u32(crc32(0, reinterpret_cast<const Bytef*>(crcInput.constData()), uInt(crcInput.size())));
        return c.b;
    };
    zbtest::Bytes ihdr;
    ihdr.big = true;
    ihdr.u32(w).u32(h).u8(8).u8(2).u8(0).u8(0).u8(0);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr.b) + chunk("IDAT", QByteArray(16, '\0')) +
           chunk("IEND", {});
}

}  // namespace

TEST(ImagingFormats, LoadsEveryReadableKind)
{
    zbtest::TempDir dir;
    const QImage image = sample();
    ASSERT_TRUE(image.save(dir.file("a.png"), "png"));
    ASSERT_TRUE(image.save(dir.file("a.ico"), "ico"));
    {
        QImageWriter lzw(dir.file("a.tif"), "tiff");
        lzw.setCompression(1);  // LZW
        ASSERT_TRUE(lzw.write(image));
    }
    ASSERT_TRUE(SaveBmpFile(image, dir.file("a.bmp")));
    ASSERT_TRUE(SaveBmpFile(image, dir.file("a.DIB")));
    ASSERT_TRUE(SavePcxFile(image, dir.file("a.pcx")));
    ASSERT_TRUE(image.save(dir.file("qt.bmp"), "bmp"));

    for (const char* name : {"a.png", "a.ico", "a.tif", "a.bmp", "a.DIB", "a.pcx", "qt.bmp"}) {
        QImage bitmap;
        ASSERT_TRUE(LoadWithImageLibrary(dir.file(name), bitmap)) << name;
        EXPECT_EQ(bitmap.format(), QImage::Format_BGR888) << name;
        EXPECT_EQ(bitmap.size(), QSize(37, 23)) << name;
        EXPECT_TRUE(sameColour(bitmap.pixelColor(5, 0), QColor(250, 10, 10))) << name;
        EXPECT_TRUE(sameColour(bitmap.pixelColor(5, 10), QColor(30, 90, 200))) << name;
    }
    zbtest::writeAll(dir.file("a.gif"), zbtest::makeGif(9, 7, qRgb(20, 140, 60)));
    QImage gif;
    ASSERT_TRUE(LoadWithImageLibrary(dir.file("a.gif"), gif));
    EXPECT_EQ(gif.size(), QSize(9, 7));
    EXPECT_EQ(gif.pixelColor(8, 6), QColor(20, 140, 60));
}

TEST(ImagingFormats, RefusedFiles)
{
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("a.fpx"), QByteArray(4096, '\x11'));
    zbtest::writeAll(dir.file("broken.png"), QByteArray("\x89PNG\r\n\x1a\n garbage", 16));
    zbtest::writeAll(dir.file("bomb.png"), pngClaiming(100000, 100000));
    zbtest::writeAll(dir.file("wide.png"), pngClaiming(70000, 1));
    zbtest::writeAll(dir.file("empty.bmp"), QByteArray());
    zbtest::writeAll(dir.file("short.pcx"), pcxHeader(8, 3, 10, 10, 10) + QByteArray(20, '\x01'));
    for (const char* name : {"a.fpx", "broken.png", "bomb.png", "wide.png", "empty.bmp", "short.pcx", "missing.png"}) {
        QImage bitmap(2, 2, QImage::Format_BGR888);
        EXPECT_FALSE(LoadWithImageLibrary(dir.file(name), bitmap)) << name;
        EXPECT_EQ(bitmap.size(), QSize(2, 2)) << name;
    }
}

TEST(ImagingPcx, RoundTripIsExact)
{
    for (QSize size : {QSize(1, 1), QSize(37, 23), QSize(64, 3)}) {
        const QImage image = zbtest::patternBitmap(size.width(), size.height());
        const QImage back = DecodePcx(EncodePcx(image));
        ASSERT_EQ(back.size(), size);
        for (int y = 0; y < size.height(); ++y)
            EXPECT_EQ(0, memcmp(back.constScanLine(y), image.constScanLine(y), size_t(size.width()) * 3));
    }
}

TEST(ImagingPcx, ReadsPaletteAndPlaneLayouts)
{
    // 8-bit with a 256-colour palette at the end: index 1 is green.
    {
        QByteArray pcx = pcxHeader(8, 1, 4, 2, 4);
        pcx += QByteArray("\xC4\x01\x00\x00\x00\x00", 6);  // row 0: run of four 1s; row 1: four 0s
        QByteArray palette(769, '\0');
        palette[0] = 0x0C;
        palette[1 + 3 + 1] = char(255);
        pcx += palette;
        const QImage image = DecodePcx(pcx);
        ASSERT_EQ(image.size(), QSize(4, 2));
        EXPECT_EQ(image.pixelColor(3, 0), QColor(0, 255, 0));
        EXPECT_EQ(image.pixelColor(3, 1), QColor(0, 0, 0));
    }
    // 1-bit mono: set bits are white.
    {
        QByteArray pcx = pcxHeader(1, 1, 8, 1, 2);
        pcx += QByteArray("\xC1\xF0\x00", 3);
        const QImage image = DecodePcx(pcx);
        ASSERT_EQ(image.size(), QSize(8, 1));
        EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(7, 0), QColor(Qt::black));
    }
    // 16 colours in four bit planes with the default palette: colour 9 is light blue.
    {
        QByteArray pcx = pcxHeader(1, 4, 8, 1, 2);
        pcx += QByteArray("\xC1\xFF\x00\x00\x00\x00\x00\xC1\xFF\x00", 10);  // planes 0 and 3 set
        const QImage image = DecodePcx(pcx);
        ASSERT_EQ(image.size(), QSize(8, 1));
        EXPECT_EQ(image.pixelColor(2, 0), QColor(85, 85, 255));
    }
}

TEST(ImagingPcx, DamagedHeadersAreRefused)
{
    const struct {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"too short", QByteArray(100, '\x0A')},
        {"not PCX", QByteArray(200, '\0')},
        {"line shorter than the width", pcxHeader(8, 3, 100, 1, 10) + QByteArray(400, '\0')},
        {"unknown layout", pcxHeader(2, 2, 4, 4, 4) + QByteArray(400, '\0')},
        {"past the pixel limit", pcxHeader(8, 1, 65535, 65535, 65535) + QByteArray(400, '\0')},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(DecodePcx(c.data).isNull()) << c.what;
}

TEST(ImagingMetafile, RendersWmfAndEmfAtNaturalSize)
{
    // A blue rectangle (COLORREF 0x00BBGGRR) in the middle of a white page.
    const struct {
        const char* what;
        QByteArray data;
        MetafileType type;
    } cases[] = {
        {"wmf", zbtest::makeWmf(120, 80, 0x00FF0000, 20, 20, 100, 60), MetafileType::Wmf},
        {"emf", zbtest::makeEmf(120, 80, 0x00FF0000, 20, 20, 100, 60), MetafileType::Emf},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MetafileTypeOf(c.data), c.type);
        ScriptedMessages m;
        QImage bitmap;
        ASSERT_TRUE(RenderGraphic(bitmap, c.data, 20, m)) << c.what;
        EXPECT_EQ(bitmap.format(), QImage::Format_BGR888);
        EXPECT_NEAR(bitmap.width(), 120, 1) << c.what;
        EXPECT_NEAR(bitmap.height(), 80, 1) << c.what;
        EXPECT_TRUE(sameColour(bitmap.pixelColor(60, 40), QColor(0, 0, 255), 8)) << c.what;
        EXPECT_TRUE(sameColour(bitmap.pixelColor(5, 5), QColor(255, 255, 255), 8)) << c.what;
        EXPECT_TRUE(m.log.isEmpty());
    }
}

TEST(ImagingMetafile, BitmapWrappedAsEitherTypeShowsThePicture)
{
    const QImage image = sample();
    for (MetafileType type : {MetafileType::Wmf, MetafileType::Emf}) {
        const QByteArray meta = WrapBitmapAsMetafile(image, type);
        ASSERT_EQ(MetafileTypeOf(meta), type);
        const QImage drawn = RenderMetafile(meta);
        ASSERT_FALSE(drawn.isNull());
        EXPECT_NEAR(drawn.width(), 37, 1);
        EXPECT_NEAR(drawn.height(), 23, 1);
        EXPECT_TRUE(sameColour(drawn.pixelColor(18, 12), QColor(30, 90, 200), 8));
    }
}

TEST(ImagingMetafile, IconsAndFallbacks)
{
    QByteArray ico, png;
    {
        QBuffer b(&ico);
        b.open(QIODevice::WriteOnly);
        sample().scaled(32, 32).save(&b, "ico");
        QBuffer p(&png);
        p.open(QIODevice::WriteOnly);
        sample().save(&p, "png");
    }
    ScriptedMessages m;
    QImage bitmap;
    ASSERT_TRUE(RenderGraphic(bitmap, ico, 30, m));
    EXPECT_EQ(bitmap.size(), QSize(32, 32));
    // Kind 30 holding a PNG: read as a bitmap instead.
    ASSERT_TRUE(RenderGraphic(bitmap, png, 30, m));
    EXPECT_EQ(bitmap.size(), QSize(37, 23));
    EXPECT_TRUE(m.log.isEmpty());
}

TEST(ImagingMetafile, FailuresSayTheConversionFailed)
{
    const QByteArray emf = zbtest::makeEmf(120, 80, 0, 1, 1, 5, 5);
    QByteArray hugeEmf = emf;  // a frame of ten million pixels a side
    qToLittleEndian<qint32>(264583333, hugeEmf.data() + 32);
    qToLittleEndian<qint32>(264583333, hugeEmf.data() + 36);
    const QByteArray wmf = zbtest::makeWmf(120, 80, 0, 1, 1, 5, 5);
    QByteArray manyObjects = wmf;  // the header claims 65535 objects
    qToLittleEndian<quint16>(0xFFFF, manyObjects.data() + 22 + 10);
    QByteArray badDescription = emf;  // a description text far past the end
    qToLittleEndian<quint32>(1000, badDescription.data() + 64);
    qToLittleEndian<quint32>(88, badDescription.data() + 68);
    QByteArray longRecord = wmf;  // the first record runs past the end
    qToLittleEndian<quint32>(0x10000000, longRecord.data() + 22 + 18);
    const struct {
        const char* what;
        QByteArray data;
        int kind;
    } cases[] = {
        {"empty", QByteArray(), 20},
        {"wmf with too many objects", manyObjects, 20},
        {"emf description past the end", badDescription, 20},
        {"wmf record past the end", longRecord, 20},
        {"not a metafile", QByteArray(200, 'x'), 20},
        {"truncated emf", emf.left(100), 20},
        {"huge emf", hugeEmf, 20},
        {"not an icon or bitmap", QByteArray(64, '\x01'), 30},
        {"kind that is not rendered", zbtest::makeJpeg(8, 8), 0},
    };
    for (const auto& c : cases) {
        ScriptedMessages m;
        QImage bitmap;
        EXPECT_FALSE(RenderGraphic(bitmap, c.data, c.kind, m)) << c.what;
        EXPECT_EQ(m.log, QStringList{"information: 画像ファイルの変換に失敗しました。"}) << c.what;
    }
}
