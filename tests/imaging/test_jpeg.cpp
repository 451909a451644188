#include "imaging/jpeg_codec.h"

#include "core/scripted_ports.h"
#include "fixtures.h"
#include "support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

extern "C" {
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>
}

using namespace zb;

namespace {

const QByteArray& jpeg4000x3000()
{
    static const QByteArray bytes = zbtest::makeJpeg(4000, 3000);
    return bytes;
}

// Sampling factors of the first component and the component count, read back
// through libjpeg.
std::pair<int, int> lumaSampling(const QByteArray& jpeg, int* components)
{
    jpeg_decompress_struct c{};
    jpeg_error_mgr e{};
    c.err = jpeg_std_error(&e);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, reinterpret_cast<const unsigned char*>(jpeg.constData()), jpeg.size());
    jpeg_read_header(&c, TRUE);
    *components = c.num_components;
    std::pair<int, int> r{c.comp_info[0].h_samp_factor, c.comp_info[0].v_samp_factor};
    jpeg_destroy_decompress(&c);
    return r;
}

}  // namespace

TEST(ImagingJpeg, ScaleRule)
{
    const struct {
        int w, h, target, denom;
    } cases[] = {
        {4000, 3000, 120, 8}, {3000, 4000, 120, 8}, {4000, 3000, 400, 8}, {1000, 800, 200, 4},
        {799, 100, 100, 4},   {400, 300, 200, 2},   {399, 300, 200, 1},   {100, 50, 120, 1},
        {4000, 3000, 0, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JpegScaleFor(c.w, c.h, c.target), c.denom) << c.w << "x" << c.h << " / " << c.target;
}

TEST(ImagingJpeg, DecodeSizes)
{
    const struct {
        QByteArray jpeg;
        int target;
        QSize size;
    } cases[] = {
        {jpeg4000x3000(), 120, {500, 375}},
        {jpeg4000x3000(), 400, {500, 375}},
        {zbtest::makeJpeg(3000, 4000), 120, {375, 500}},
        {zbtest::makeJpeg(1001, 999), 250, {251, 250}},  // (W + d - 1) div d at 1/4
        {zbtest::makeJpeg(100, 50), 120, {100, 50}},
        {zbtest::makeJpeg(100, 50), 0, {100, 50}},
    };
    for (const auto& c : cases) {
        ScriptedMessages m;
        QImage bitmap;
        ASSERT_TRUE(DecodeJpeg(c.jpeg, bitmap, c.target, m));
        EXPECT_EQ(bitmap.size(), c.size);
        EXPECT_EQ(bitmap.format(), QImage::Format_BGR888);
        EXPECT_TRUE(m.log.isEmpty());
    }
}

TEST(ImagingJpeg, RoundTripKeepsColourAndOrder)
{
    ScriptedMessages m;
    const QImage source = zbtest::patternBitmap(64, 48);
    QByteArray jpeg;
    ASSERT_TRUE(EncodeJpeg(source, jpeg, false, 100, m));
    QImage back;
    ASSERT_TRUE(DecodeJpeg(jpeg, back, 0, m));
    ASSERT_EQ(back.size(), source.size());
    // Top row first, blue-green-red: compare a few pixels, allowing JPEG's loss.
    for (QPoint p : {QPoint(2, 2), QPoint(60, 3), QPoint(5, 44), QPoint(40, 30)}) {
        const QColor a = source.pixelColor(p), b = back.pixelColor(p);
        EXPECT_NEAR(a.red(), b.red(), 12);
        EXPECT_NEAR(a.green(), b.green(), 12);
        EXPECT_NEAR(a.blue(), b.blue(), 12);
    }
}

TEST(ImagingJpeg, ColourIsSubsampledGreyHasOneChannel)
{
    ScriptedMessages m;
    QByteArray colour, grey;
    ASSERT_TRUE(EncodeJpeg(zbtest::patternBitmap(32, 32), colour, false, 90, m));
    ASSERT_TRUE(EncodeJpeg(zbtest::patternBitmap(32, 32), grey, true, 90, m));
    int components = 0;
    EXPECT_EQ(lumaSampling(colour, &components), std::make_pair(2, 2));
    EXPECT_EQ(components, 3);
    EXPECT_EQ(lumaSampling(grey, &components), std::make_pair(1, 1));
    EXPECT_EQ(components, 1);
    // A grey JPEG decodes to equal channels.
    QImage back;
    ASSERT_TRUE(DecodeJpeg(grey, back, 0, m));
    const uchar* px = back.constScanLine(10) + 3 * 10;
    EXPECT_EQ(px[0], px[1]);
    EXPECT_EQ(px[1], px[2]);
}

TEST(ImagingJpeg, JfifThumbnailWhenLargeEnough)
{
    const QByteArray jpeg = zbtest::withJfif(zbtest::makeJpeg(800, 600), 160, 120, qRgb(10, 200, 30));
    ScriptedMessages m;
    QImage bitmap;
    ASSERT_TRUE(DecodeJpeg(jpeg, bitmap, 120, m));
    EXPECT_EQ(bitmap.size(), QSize(160, 120));
    EXPECT_EQ(bitmap.pixelColor(5, 5), QColor(10, 200, 30));
    // Too small for the target: the picture itself, reduced.
    ASSERT_TRUE(DecodeJpeg(jpeg, bitmap, 200, m));
    EXPECT_EQ(bitmap.size(), QSize(200, 150));
    // Full size asked: never the thumbnail.
    ASSERT_TRUE(DecodeJpeg(jpeg, bitmap, 0, m));
    EXPECT_EQ(bitmap.size(), QSize(800, 600));
}

TEST(ImagingJpeg, CmykIsConverted)
{
    // A 4-channel JPEG written by libjpeg directly (plain, not inverted, CMYK).
    jpeg_compress_struct c{};
    jpeg_error_mgr e{};
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = 16;
    c.image_height = 16;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    unsigned char row[16 * 4];
    // Pure cyan, stored inverted as Adobe applications do (libjpeg writes the
    // Adobe marker for CMYK): C=0 M=255 Y=255 K=255.
    for (int x = 0; x < 16; ++x) {
        row[4 * x] = 0;
        row[4 * x + 1] = row[4 * x + 2] = row[4 * x + 3] = 255;
    }
    while (c.next_scanline < 16) {
        JSAMPROW r[1] = {row};
        jpeg_write_scanlines(&c, r, 1);
    }
    jpeg_finish_compress(&c);
    const QByteArray jpeg(reinterpret_cast<char*>(buf), qsizetype(size));
    jpeg_destroy_compress(&c);
    free(buf);

    ScriptedMessages m;
    QImage bitmap;
    ASSERT_TRUE(DecodeJpeg(jpeg, bitmap, 0, m));
    const QColor px = bitmap.pixelColor(8, 8);
    EXPECT_LT(px.red(), 10);
    EXPECT_GT(px.green(), 245);
    EXPECT_GT(px.blue(), 245);
}

TEST(ImagingJpeg, BadInputFailsWithStatus)
{
    const QByteArray good = zbtest::makeJpeg(64, 64);
    const struct {
        const char* what;
        QByteArray data;
        QString status;
    } cases[] = {
        {"empty", QByteArray(), jpegErrorStatus("Empty input file", JERR_INPUT_EMPTY)},
        {"not a JPEG", QByteArray("GIF89a and so on"),
         jpegErrorStatus("Not a JPEG file: starts with 0x47 0x49", JERR_NO_SOI)},
        {"truncated", good.left(good.size() / 2), jpegErrorStatus("Premature end of JPEG file", JWRN_JPEG_EOF)},
        {"header claims 65500 x 65500", zbtest::jpegClaiming(65500, 65500),
         jpegErrorStatus("Image too large: 65500 x 65500 pixels (limit 536870912 pixels)", JERR_IMAGE_TOO_BIG)},
        // The whole coefficient buffer of a progressive picture this large passes the memory bound.
        {"progressive header claims 20000 x 20000", zbtest::jpegClaiming(20000, 20000, true),
         jpegErrorStatus("Image too large to decode: 20000 x 20000 pixels (memory limit 1073741824 bytes)",
                         JERR_NO_BACKING_STORE)},
        {"header claims 65535 x 65535", zbtest::jpegClaiming(65535, 65535),
         jpegErrorStatus("Maximum supported image dimension is 65500 pixels", JERR_IMAGE_TOO_BIG)},
        {"zero height", zbtest::jpegClaiming(64, 0), jpegErrorStatus("Empty JPEG image (DNL not supported)", JERR_EMPTY_IMAGE)},
    };
    for (const auto& c : cases) {
        ScriptedMessages m;
        QImage bitmap(3, 3, QImage::Format_BGR888);
        EXPECT_FALSE(DecodeJpeg(c.data, bitmap, 120, m)) << c.what;
        EXPECT_EQ(m.log, QStringList{"status: " + c.status}) << c.what;
        EXPECT_EQ(bitmap.size(), QSize(3, 3)) << c.what;  // left as it was
    }
}

// The pixel limit applies to what is decoded: a photo above it is read at a
// reduction, and refused only at full size.
TEST(ImagingJpeg, PicturesAboveTheBitmapLimitDecodeReduced)
{
    const QByteArray big = zbtest::uniformJpeg(10000, 7000, 0x3080c0);
    ScriptedMessages m;
    QImage bitmap;
    ASSERT_TRUE(DecodeJpeg(big, bitmap, 120, m));
    EXPECT_EQ(bitmap.size(), QSize(1250, 875));
    const QColor px = bitmap.pixelColor(600, 400);
    EXPECT_NEAR(px.red(), 0x30, 8);
    EXPECT_NEAR(px.blue(), 0xc0, 8);
    EXPECT_EQ(m.log, QStringList());

    QImage full(3, 3, QImage::Format_BGR888);
    EXPECT_FALSE(DecodeJpeg(big, full, 0, m));
    EXPECT_EQ(m.log, QStringList{"status: " + jpegErrorStatus("Image too large: 10000 x 7000 pixels (limit 67108864 pixels)",
                                                                JERR_IMAGE_TOO_BIG)});
    EXPECT_EQ(full.size(), QSize(3, 3));
}

TEST(ImagingJpeg, CorruptDataFails)
{
    // Entropy-coded data replaced by markers in the middle of the scan.
    QByteArray jpeg = zbtest::makeJpeg(256, 256);
    const qsizetype sos = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
    ASSERT_GT(sos, 0);
    for (qsizetype i = sos + 40; i < sos + 60; i += 2) {
        jpeg[i] = char(0xFF);
        jpeg[i + 1] = char(0xD0 + (i % 8));
    }
    ScriptedMessages m;
    QImage bitmap;
    EXPECT_FALSE(DecodeJpeg(jpeg, bitmap, 0, m));
    ASSERT_EQ(m.log.size(), 1);
    EXPECT_TRUE(m.log[0].startsWith("status:  JPEG Error Status=Corrupt JPEG data")) << m.log[0].toStdString();
}

TEST(ImagingJpeg, EncodeFailures)
{
    ScriptedMessages m;
    QByteArray out = "old";
    EXPECT_FALSE(EncodeJpeg(QImage(), out, false, 90, m));
    EXPECT_EQ(out, "old");
    EXPECT_EQ(m.log, QStringList{"status: " + jpegErrorStatus("Empty JPEG image (DNL not supported)", JERR_EMPTY_IMAGE)});
}

TEST(ImagingJpeg, FilesAreReplacedSafely)
{
    zbtest::TempDir dir;
    ScriptedMessages m;
    const QString path = dir.file("out.jpg");
    zbtest::writeAll(path, "previous contents");
    ASSERT_TRUE(EncodeJpegFile(zbtest::patternBitmap(40, 30), path, false, 90, m));
    QImage back;
    ASSERT_TRUE(DecodeJpegFile(path, back, 0, m));
    EXPECT_EQ(back.size(), QSize(40, 30));

    // A folder that does not exist: failure, nothing written.
    EXPECT_FALSE(EncodeJpegFile(zbtest::patternBitmap(4, 4), dir.file("no/such/out.jpg"), false, 90, m));
    EXPECT_EQ(m.log, QStringList{"status: " + jpegErrorStatus("Output file write error --- out of disk space?", JERR_FILE_WRITE)});
    m.clear();
    EXPECT_FALSE(DecodeJpegFile(dir.file("missing.jpg"), back, 0, m));
    EXPECT_EQ(m.log, QStringList{"status: " + jpegErrorStatus("Input file read error", JERR_FILE_READ)});
}
