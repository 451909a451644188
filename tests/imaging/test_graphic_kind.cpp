#include "imaging/graphic_kind.h"
#include "imaging/image_library.h"

#include "fixtures.h"
#include "support/temp_dir.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using namespace zb;

TEST(ImagingKind, KindOfNames)
{
    zbtest::TempDir dir;
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(dir.file("a.Tiff"), "tiff"));
    zbtest::writeAll(dir.file("b.GIF"), zbtest::makeGif(8, 8, qRgb(255, 0, 0)));
    zbtest::writeAll(dir.file("fake.gif"), "not a picture at all");
    zbtest::writeAll(dir.file("png-inside.tif"), [] {
        QByteArray b;
        QImage i(4, 4, QImage::Format_RGB32);
        i.fill(Qt::blue);
        QBuffer buf(&b);
        buf.open(QIODevice::WriteOnly);
        i.save(&buf, "png");
        return b;
    }());

    const struct {
        QString name;
        int kind;
    } cases[] = {
        {"photo.JPEG", kKindJpeg},     {"PHOTO.jpg", kKindJpeg},        {"a.jpe", kKindUnsupported},
        {"noextension", kKindUnsupported}, {"x.bmp", kKindBmp},         {"x.Dib", kKindBmp},
        {"x.png", kKindPng},           {"x.fpx", kKindFpx},             {"x.PCX", kKindPcx},
        {"x.wmf", kKindMetafile},      {"x.EMF", kKindMetafile},        {"x.ico", kKindIcon},
        {"a.Tiff", kKindTiff},         {"b.GIF", kKindGif},             {"x.gif", kKindUnreadable},
        {"missing.tif", kKindUnreadable}, {"fake.gif", kKindUnreadable},
        // The reader decides from the content: a PNG named .tif opens.
        {"png-inside.tif", kKindTiff},
        {"folder.jpg/name", kKindUnsupported},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GraphicKindOf(dir.file(c.name)), c.kind) << c.name.toStdString();
}

TEST(ImagingKind, ImportFileMask)
{
    EXPECT_EQ(ImportFileMask(),
              "*.JPG;*.JPEG;*.BMP;*.DIB;*.PNG;*.TIF;*.TIFF;*.FPX;*.PCX;*.WMF;*.EMF;*.ICO;*.GIF;*.HEIC;*.HEIF");
}
