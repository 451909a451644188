#include "imaging/exif.h"

#include "fixtures.h"
#include "support/temp_dir.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace zb;

namespace {

const QByteArray& smallJpeg()
{
    static const QByteArray bytes = zbtest::makeJpeg(64, 48);
    return bytes;
}
const QByteArray& thumbJpeg()
{
    static const QByteArray bytes = zbtest::makeJpeg(16, 12);
    return bytes;
}

QByteArray camera(bool big)
{
    zbtest::ExifLayout layout;
    layout.bigEndian = big;
    layout.film = "FDI-000123456";
    layout.frame = "12";  // short enough to stand inside its entry
    layout.thumbnail = thumbJpeg();
    return zbtest::exifJpeg(layout, smallJpeg());
}

QByteArray poke32(QByteArray data, int at, quint32 value)
{
    qToLittleEndian<quint32>(value, data.data() + at);
    return data;
}
QByteArray poke16(QByteArray data, int at, quint16 value)
{
    qToLittleEndian<quint16>(value, data.data() + at);
    return data;
}

}  // namespace

TEST(ImagingExif, ReadsBothByteOrders)
{
    for (bool big : {false, true}) {
        const auto info = ReadExifData(camera(big));
        ASSERT_TRUE(info) << big;
        EXPECT_EQ(info->dateTime, "2023:04:05 06:07:08");
        EXPECT_EQ(info->filmNumber, "FDI-000123456");
        EXPECT_EQ(info->frameNumber, "12");
        const auto thumb = ExifThumbnailData(camera(big), 120);
        ASSERT_TRUE(thumb) << big;
        EXPECT_EQ(*thumb, thumbJpeg());
    }
}

TEST(ImagingExif, FromFiles)
{
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("cam.jpg"), camera(false));
    const auto info = ReadExif(dir.file("cam.jpg"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->dateTime, "2023:04:05 06:07:08");
    EXPECT_EQ(ExifThumbnail(dir.file("cam.jpg"), 0), thumbJpeg());
    EXPECT_FALSE(ReadExif(dir.file("missing.jpg")));
    EXPECT_FALSE(ExifThumbnail(dir.file("missing.jpg"), 0));
}

TEST(ImagingExif, MissingTagsAndLongTexts)
{
    zbtest::ExifLayout layout;
    layout.dateTime = QByteArray(80, '9');
    const auto info = ReadExifData(zbtest::exifJpeg(layout, smallJpeg()));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->dateTime, QString(50, '9'));
    EXPECT_EQ(info->filmNumber, "");
    EXPECT_EQ(info->frameNumber, "");
}

TEST(ImagingExif, FoundAmongTheSegmentsBeforeTheImage)
{
    // Cameras and most software write JFIF (APP0) first, others an APP2 or a
    // comment: the Exif segment is found after any of them.
    const QByteArray exifFirst = camera(false);
    const QByteArray app2("\xFF\xE2\x00\x06ICC\0", 8);
    const QByteArray comment("\xFF\xFE\x00\x07hello", 9);
    const QByteArray fill("\xFF", 1);
    for (const QByteArray& file : {zbtest::withJfif(exifFirst), zbtest::insertAfterSoi(exifFirst, app2 + comment),
                                   zbtest::insertAfterSoi(zbtest::withJfif(exifFirst), fill)}) {
        const auto info = ReadExifData(file);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->dateTime, "2023:04:05 06:07:08");
        EXPECT_EQ(info->frameNumber, "12");
        EXPECT_EQ(ExifThumbnailData(file, 0), thumbJpeg());
    }
    EXPECT_FALSE(ReadExifData(smallJpeg()));
    EXPECT_FALSE(ReadExifData(QByteArray("\xFF\xD8\xFF\xE1", 4)));
    EXPECT_FALSE(ReadExifData(QByteArray()));
    // An Exif segment after the image data is not the photo's.
    const qsizetype sos = smallJpeg().indexOf("\xFF\xDA");
    const QByteArray exifSegment = exifFirst.mid(2, exifFirst.size() - smallJpeg().size());
    EXPECT_FALSE(ReadExifData(smallJpeg().left(sos + 2) + exifSegment + smallJpeg().mid(sos + 2)));
    // A segment longer than the file ends the walk.
    EXPECT_FALSE(ReadExifData(zbtest::insertAfterSoi(exifFirst, QByteArray("\xFF\xE0\xFF\xFF", 4))));
}

TEST(ImagingExif, DateTakenBeforeTheDateChanged)
{
    const struct {
        const char* what;
        QByteArray original, digitized, changed;
        QString taken;
    } cases[] = {
        {"original wins", "2023:01:02 03:04:05", "2023:01:02 03:04:06", "2024:12:31 23:59:59", "2023:01:02 03:04:05"},
        {"digitized without original", "", "2023:01:03 00:00:00", "2024:12:31 23:59:59", "2023:01:03 00:00:00"},
        {"only the file's change", "", "", "2024:12:31 23:59:59", "2024:12:31 23:59:59"},
        {"blank original", "    :  :     :  :  ", "", "2024:12:31 23:59:59", "2024:12:31 23:59:59"},
        {"zero original", "0000:00:00 00:00:00", "2023:01:03 00:00:00", "2024:12:31 23:59:59", "2023:01:03 00:00:00"},
        {"no such day", "2023:02:30 00:00:00", "", "2024:12:31 23:59:59", "2024:12:31 23:59:59"},
    };
    for (const auto& c : cases) {
        zbtest::ExifLayout layout;
        layout.original = c.original;
        layout.digitized = c.digitized;
        layout.dateTime = c.changed;
        const auto info = ReadExifData(zbtest::withJfif(zbtest::exifJpeg(layout, smallJpeg())));
        ASSERT_TRUE(info) << c.what;
        EXPECT_EQ(info->dateTime, c.taken) << c.what;
    }
}

TEST(ImagingExif, Orientation)
{
    for (bool big : {false, true}) {
        for (int value : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xFFFF}) {
            zbtest::ExifLayout layout;
            layout.bigEndian = big;
            layout.orientation = value;
            const QByteArray file = zbtest::withJfif(zbtest::exifJpeg(layout, smallJpeg()));
            const int expected = value >= 1 && value <= 8 ? value : 1;
            const auto info = ReadExifData(file);
            ASSERT_TRUE(info) << value;
            EXPECT_EQ(int(info->orientation), expected) << value << " big " << big;
            EXPECT_EQ(int(ExifOrientationOf(file)), expected) << value << " big " << big;
        }
    }
    EXPECT_EQ(ExifOrientationOf(smallJpeg()), Orientation::TopLeft);
    EXPECT_EQ(ExifOrientationOf(QByteArray()), Orientation::TopLeft);
}

TEST(ImagingExif, ThumbnailConditions)
{
    zbtest::ExifLayout layout;
    layout.thumbnail = thumbJpeg();
    const QByteArray file = zbtest::exifJpeg(layout, smallJpeg());
    for (int size : {0, 1, 160})
        EXPECT_TRUE(ExifThumbnailData(file, size)) << size;
    for (int size : {161, 200, -1})
        EXPECT_FALSE(ExifThumbnailData(file, size)) << size;

    layout.compression = 1;  // uncompressed thumbnail: not used
    EXPECT_FALSE(ExifThumbnailData(zbtest::exifJpeg(layout, smallJpeg()), 0));
    layout.compression = 6;
    layout.compressionAsShort = false;  // written as LONG
    EXPECT_TRUE(ExifThumbnailData(zbtest::exifJpeg(layout, smallJpeg()), 0));
    layout.thumbnail.clear();  // no IFD1 at all
    EXPECT_FALSE(ExifThumbnailData(zbtest::exifJpeg(layout, smallJpeg()), 0));
}

TEST(ImagingExif, DamagedBlocksYieldNothing)
{
    // Little-endian layout from the start of the file: TIFF header at 12,
    // first-IFD offset at 16, IFD0 at 20 (count, DateTime entry at 22, Exif
    // pointer entry at 34 with its value at 42), next-IFD offset at 46.
    const QByteArray file = camera(false);
    const struct {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"first IFD past the end", poke32(file, 16, 0xFFFFFF00u)},
        {"IFD0 entry count past the end", poke16(file, 20, 0xFFFF)},
        {"text offset past the end", poke32(file, 30, 0xFFFFFFF0u)},
        {"text count past the end", poke32(file, 26, 0xFFFFFFFFu)},
        {"Exif IFD pointing back at IFD0", poke32(file, 42, 8)},
        {"Exif IFD past the end", poke32(file, 42, 0x7FFFFFFFu)},
        {"cut inside IFD0", file.left(30)},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(ReadExifData(c.data)) << c.what;

    // Offsets that leave the Exif segment, even when the file goes on after it.
    const qsizetype segmentEnd = 4 + ((uchar(file[4]) << 8) | uchar(file[5]));
    const quint32 pastSegment = quint32(segmentEnd - 12);
    EXPECT_FALSE(ReadExifData(poke32(file, 30, pastSegment))) << "text past the segment";
    EXPECT_FALSE(ReadExifData(poke32(file, 42, pastSegment))) << "Exif IFD past the segment";
    EXPECT_FALSE(ExifThumbnailData(poke32(file, 46, pastSegment), 0)) << "IFD1 past the segment";

    const struct {
        const char* what;
        QByteArray data;
    } thumbCases[] = {
        {"IFD1 past the end", poke32(file, 46, 0xFFFFFFF0u)},
        {"IFD1 is IFD0", poke32(file, 46, 8)},
        {"cut inside the thumbnail", file.left(file.indexOf(thumbJpeg()) + 10)},
    };
    for (const auto& c : thumbCases)
        EXPECT_FALSE(ExifThumbnailData(c.data, 0)) << c.what;

    // Every prefix of the block: no crash, and no thumbnail before it is whole.
    const qsizetype thumbEnd = file.indexOf(thumbJpeg()) + thumbJpeg().size();
    for (qsizetype n = 0; n < thumbEnd; ++n) {
        (void)ReadExifData(file.left(n));
        EXPECT_FALSE(ExifThumbnailData(file.left(n), 0)) << n;
    }
}
