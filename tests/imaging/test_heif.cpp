#include "imaging/heif.h"

#include "core/scripted_ports.h"
#include "fixtures.h"
#include "heic_fixture.h"
#include "imaging/exif.h"
#include "imaging/graphic_kind.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace zb;

namespace {

// A phone's portrait photo: stored on its side, irot and Exif saying 6.
const QByteArray& phoneHeic()
{
    static const QByteArray bytes = zbtest::makeHeic(
        zbtest::storedAs(zbtest::quadrantBitmap(48, 64), 6), 6,
        zbtest::phoneExifTiff(6, "2024:05:06 07:08:09", "2025:01:01 00:00:00"));
    return bytes;
}

// The file with every declared size (the ispe boxes of the picture and of
// the grid libheif wraps it in) replaced.
QByteArray claiming(QByteArray heic, quint32 w, quint32 h)
{
    for (qsizetype at = heic.indexOf("ispe"); at >= 0; at = heic.indexOf("ispe", at + 4)) {
        // "ispe", version and flags (4), width (4), height (4), big-endian.
        for (int i = 0; i < 4; ++i) {
            heic[at + 8 + i] = char(w >> (24 - 8 * i));
            heic[at + 12 + i] = char(h >> (24 - 8 * i));
        }
    }
    return heic;
}

}  // namespace

#define REQUIRE_HEIC_ENCODER()                                                       \
    if (!zbtest::canEncodeHeic())                                                    \
    GTEST_SKIP() << "this libheif has no HEVC encoder (Debian's libheif1 with x265)"

TEST(ImagingHeif, KindsAndMask)
{
    for (const char* name : {"IMG_0001.HEIC", "a.heic", "b.Heif"})
        EXPECT_EQ(GraphicKindOfName(name), kKindHeif) << name;
    EXPECT_TRUE(ImportFileMask().endsWith(";*.GIF;*.HEIC;*.HEIF"));
}

TEST(ImagingHeif, PhonePhotoBecomesAnUprightJpegWithItsExif)
{
    REQUIRE_HEIC_ENCODER();
    ASSERT_TRUE(LooksLikeHeif(phoneHeic()));
    QImage decoded;
    ASSERT_TRUE(DecodeHeif(phoneHeic(), decoded));
    EXPECT_EQ(decoded.size(), QSize(48, 64));
    EXPECT_EQ(zbtest::quadrantColours(decoded), "RGBW");

    ScriptedMessages m;
    const std::optional<ConvertedHeif> converted = ConvertHeifToJpeg(phoneHeic(), 90, m);
    ASSERT_TRUE(converted);
    EXPECT_EQ(m.log, QStringList());
    const std::optional<ExifInfo> exif = ReadExifData(converted->jpeg);
    ASSERT_TRUE(exif);
    EXPECT_EQ(exif->dateTime, "2024:05:06 07:08:09");
    // The pixels are upright: the tag must say so, or viewers turn them again.
    EXPECT_EQ(exif->orientation, Orientation::TopLeft);
    QImage shown;
    ASSERT_TRUE(DecodeJpeg(converted->jpeg, shown, 0, m));
    EXPECT_EQ(shown.size(), QSize(48, 64));
    EXPECT_EQ(zbtest::quadrantColours(shown), "RGBW");

    // The file's own Exif is read from the HEIC as from a JPEG.
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("IMG_0001.HEIC"), phoneHeic());
    const std::optional<ExifInfo> fromFile = ReadExif(dir.file("IMG_0001.HEIC"));
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->dateTime, "2024:05:06 07:08:09");
    QImage loaded;
    EXPECT_TRUE(LoadWithImageLibrary(dir.file("IMG_0001.HEIC"), loaded));
    EXPECT_EQ(zbtest::quadrantColours(loaded), "RGBW");
}

TEST(ImagingHeif, WithoutExifStillConverts)
{
    REQUIRE_HEIC_ENCODER();
    ScriptedMessages m;
    const std::optional<ConvertedHeif> converted =
        ConvertHeifToJpeg(zbtest::makeHeic(zbtest::quadrantBitmap(64, 48), 1, {}), 90, m);
    ASSERT_TRUE(converted);
    EXPECT_FALSE(ReadExifData(converted->jpeg));
    EXPECT_EQ(converted->bitmap.size(), QSize(64, 48));
}

TEST(ImagingHeif, BrokenFilesFailQuietly)
{
    REQUIRE_HEIC_ENCODER();
    const QByteArray good = phoneHeic();
    const struct {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"cut in half", good.left(good.size() / 2)},
        {"claims 60000 x 60000", claiming(good, 60000, 60000)},
        {"claims 0 x 0", claiming(good, 0, 0)},
        {"only the file type box", good.left(32)},
        {"a JPEG", zbtest::makeJpeg(16, 16)},
        {"nothing", QByteArray()},
    };
    for (const auto& c : cases) {
        QImage bitmap;
        EXPECT_FALSE(DecodeHeif(c.data, bitmap)) << c.what;
        ScriptedMessages m;
        EXPECT_FALSE(ConvertHeifToJpeg(c.data, 90, m)) << c.what;
        (void)HeifExifTiff(c.data);
    }
}
