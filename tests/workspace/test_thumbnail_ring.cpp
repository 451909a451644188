// The thumbnail ring for photos whose picture is not stored, the file
// thumbnails it keeps, and the lazy reads of what the photo list paints.
#include "workspace/photo_thumbnails.h"
#include "workspace/thumbnail_ring.h"

#include "imaging/fixtures.h"
#include "imaging/jpeg_codec.h"
#include "imaging/stored_pictures.h"
#include "core/ports.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace zb;

namespace {

// A loader that makes a bitmap of the asked size for any name but "missing".
struct FakeFiles {
    QStringList loaded;
    void install(ThumbnailRing& ring)
    {
        ring.loader = [this](const QString& path, int size) {
            loaded << path;
            if (path == QLatin1String("missing"))
                return QImage();
            QImage i(size * 4 / 3, size, QImage::Format_RGB888);
            i.fill(Qt::gray);
            return i;
        };
    }
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

TEST(ThumbnailRing, ReusesByNameWhenLargeEnough)
{
    ThumbnailRing ring;
    FakeFiles files;
    files.install(ring);
    EXPECT_FALSE(ring.thumbnail("a.jpg", 80).isNull());
    EXPECT_EQ(ring.lastSlot(), 0);
    // The same file at the same or a smaller size: no new read.
    EXPECT_EQ(ring.thumbnail("a.jpg", 80).height(), 80);
    EXPECT_EQ(ring.thumbnail("a.jpg", 60).height(), 80);
    EXPECT_EQ(files.loaded, QStringList{"a.jpg"});
    // Larger than the bitmap kept: read again into the next slot.
    EXPECT_EQ(ring.thumbnail("a.jpg", 120).height(), 120);
    EXPECT_EQ(ring.lastSlot(), 1);
    EXPECT_EQ(ring.thumbnail("a.jpg", 100).height(), 120);
    EXPECT_EQ(files.loaded, (QStringList{"a.jpg", "a.jpg"}));
    // A file that gives no picture takes no slot.
    EXPECT_TRUE(ring.thumbnail("missing", 80).isNull());
    EXPECT_EQ(ring.slotCount(), 2);
}

TEST(ThumbnailRing, GrowsToFiftyOneSlotsThenWraps)
{
    ThumbnailRing ring;
    FakeFiles files;
    files.install(ring);
    for (int i = 0; i < 51; ++i)
        ring.thumbnail(QStringLiteral("f%1").arg(i), 120);
    EXPECT_EQ(ring.slotCount(), 51);
    EXPECT_EQ(ring.lastSlot(), 50);
    ring.thumbnail("f50", 120);  // still there
    EXPECT_EQ(files.loaded.size(), 51);
    ring.thumbnail("new1", 120);
    EXPECT_EQ(ring.lastSlot(), 0);
    ring.thumbnail("new2", 120);
    EXPECT_EQ(ring.lastSlot(), 1);
    EXPECT_EQ(ring.slotCount(), 51);
    EXPECT_EQ(ring.slotName(0), "new1");
    // f0 was replaced and is read again (into the following slot).
    ring.thumbnail("f0", 120);
    EXPECT_EQ(ring.lastSlot(), 2);
    EXPECT_EQ(files.loaded.last(), "f0");
}

TEST(ThumbnailRing, FileThumbnails)
{
    zbtest::TempDir dir;
    // A camera file whose embedded thumbnail is 160 x 120 in a plain colour.
    QImage red(160, 120, QImage::Format_RGB888);
    red.fill(Qt::red);
    QByteArray thumb;
    SilentMessages quiet;
    ASSERT_TRUE(EncodeJpeg(red, thumb, false, 90, quiet));
    zbtest::ExifLayout layout;
    layout.thumbnail = thumb;
    const QString camera = dir.file("camera.jpg");
    writeFile(camera, zbtest::exifJpeg(layout, zbtest::makeJpeg(640, 480)));
    const QString broken = dir.file("broken.jpg");
    writeFile(broken, QByteArray("\xFF\xD8\xFF\xE0garbage", 11));

    // At most the embedded size: the embedded thumbnail.
    QImage t = LoadFileThumbnail(camera, 120);
    ASSERT_EQ(t.size(), QSize(160, 120));
    EXPECT_GT(qRed(t.pixel(80, 60)), 200);
    EXPECT_LT(qGreen(t.pixel(80, 60)), 60);
    t = LoadFileThumbnail(camera, 100);
    EXPECT_EQ(t.height(), 100);
    // Larger than it: the picture itself, scaled.
    t = LoadFileThumbnail(camera, 121);
    EXPECT_EQ(t.size(), QSize(161, 121));
    EXPECT_TRUE(LoadFileThumbnail(dir.file("none.jpg"), 120).isNull());
    EXPECT_TRUE(LoadFileThumbnail(broken, 120).isNull());
    EXPECT_TRUE(LoadFileThumbnail({}, 120).isNull());
}

TEST(PhotoThumbnails, ReadsOnlyWhatIsPaintedAndOnce)
{
    zbtest::TempDir dir;
    TTableNetWork table;
    const PhotoFields f = openOrCreatePhotoTable(dir.file("P.DB"), {&table}, true);
    SilentMessages quiet;
    const QByteArray jpeg = zbtest::makeJpeg(300, 200);
    const QString outside = dir.file("outside.jpg");
    writeFile(outside, zbtest::makeJpeg(400, 300));
    auto row = [&](RECORD r, int flag, bool stored, const QString& file, QList<RECORD> drawings, bool edited) {
        table.append();
        table.setValue(f[F_RECORD], r);
        table.setValue(f[F_FLAG], flag);
        table.setValue(f[F_FILENAME], file);
        if (stored) {
            table.writeBlob(f[F_IMAGE_ORG], jpeg);
            table.writeBlob(f[F_THUMBNAIL], MakeThumbnail(jpeg, 0, quiet));
        }
        if (edited)
            table.writeBlob(f[F_IMAGE_NOW], jpeg);
        const PhotoField slotFields[] = {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3};
        for (int i = 0; i < drawings.size(); ++i)
            table.setValue(f[slotFields[i]], drawings[i]);
        table.post();
    };
    row(1, 0, true, {}, {7, 0, 8}, true);
    row(2, 99, false, outside, {}, false);
    row(3, 5, false, dir.file("gone.jpg"), {}, false);

    ThumbnailRing ring;
    PhotoThumbnails thumbs(ring);
    thumbs.setTable(&table, f);
    table.locate(3);
    PhotoLook a = thumbs.look(1, 120);
    EXPECT_TRUE(a.found);
    EXPECT_EQ(a.flag, 0);
    EXPECT_EQ(a.drawings, 2);
    EXPECT_TRUE(a.edited);
    EXPECT_EQ(a.picture.size(), QSize(180, 120));
    EXPECT_EQ(thumbs.pictureReads(), 1);
    // The cursor is back where it was.
    EXPECT_EQ(table.value(f[F_RECORD]).toInt(), 3);
    thumbs.look(1, 120);
    EXPECT_EQ(thumbs.pictureReads(), 1);

    // Not stored: the file, through the ring; no picture field is read.
    const PhotoLook b = thumbs.look(2, 120);
    EXPECT_EQ(b.flag, 99);
    EXPECT_EQ(b.picture.height(), 120);
    EXPECT_EQ(ring.slotCount(), 1);
    const PhotoLook c = thumbs.look(3, 120);
    EXPECT_TRUE(c.found);
    EXPECT_TRUE(c.picture.isNull());
    EXPECT_FALSE(thumbs.look(9, 120).found);
    EXPECT_EQ(thumbs.pictureReads(), 1);

    // A forgotten record is read again.
    thumbs.forget(1);
    thumbs.look(1, 120);
    EXPECT_EQ(thumbs.pictureReads(), 2);
}
