#include "imaging/image_library.h"

#include "imaging/graphic_kind.h"
#include "imaging/heif.h"
#include "imaging/pcx.h"
#include "imaging/working_bitmap.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

namespace zb {

namespace {

// Qt's readers refuse on their own any picture needing more memory than this
// (in MiB); it matches our pixel limit at four bytes a pixel, the widest form
// the readers decode to.
constexpr int kReaderAllocationLimitMiB = int(kMaxPixels * 4 / (1024 * 1024));

void prepare(QImageReader& reader)
{
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(kReaderAllocationLimitMiB);
}

// Reads the first picture, checking the declared size against the pixel limit
// before any pixels are decoded.
bool readWith(QImageReader& reader, QImage& bitmap)
{
    prepare(reader);
    if (!reader.canRead())
        return false;
    const QSize declared = reader.size();
    if (declared.isValid() && !withinPixelLimit(declared.width(), declared.height()))
        return false;
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return false;
    QImage working = toWorkingBitmap(image);
    if (working.isNull())
        return false;
    bitmap = working;
    return true;
}

bool isPcxName(const QString& path)
{
    return QFileInfo(path).suffix().compare(u"pcx", Qt::CaseInsensitive) == 0;
}

bool looksLikePcx(const QByteArray& data)
{
    return data.size() >= 128 && uchar(data[0]) == 0x0A && uchar(data[1]) <= 5 && uchar(data[2]) <= 1;
}

}  // namespace

bool ImageLibraryCanRead(const QString& path)
{
    if (isPcxName(path)) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && looksLikePcx(f.read(128));
    }
    QImageReader reader(path);
    prepare(reader);
    return reader.canRead();
}

bool LoadWithImageLibrary(const QString& path, QImage& bitmap)
{
    const int kind = GraphicKindOfName(path);
    if (kind == kKindFpx)
        return false;  // no FlashPix reader exists here
    if (kind == kKindHeif)
        return DecodeHeifFile(path, bitmap);
    if (kind == kKindPcx) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        QImage image = DecodePcx(f.readAll());
        if (image.isNull())
            return false;
        bitmap = image;
        return true;
    }
    QImageReader reader(path);
    return readWith(reader, bitmap);
}

bool LoadImageBytes(const QByteArray& data, QImage& bitmap)
{
    if (looksLikePcx(data)) {
        QImage image = DecodePcx(data);
        if (!image.isNull()) {
            bitmap = image;
            return true;
        }
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readWith(reader, bitmap);
}

bool WriteFileSafely(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool SaveBmpFile(const QImage& bitmap, const QString& path)
{
    const QByteArray bytes = encodeBmp(bitmap);
    return !bytes.isEmpty() && WriteFileSafely(path, bytes);
}

bool SavePngFile(const QImage& bitmap, const QString& path)
{
    const QImage image = toWorkingBitmap(bitmap);
    if (image.isNull())
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return false;
    buffer.close();
    return WriteFileSafely(path, bytes);
}

bool SavePcxFile(const QImage& bitmap, const QString& path)
{
    const QByteArray bytes = EncodePcx(bitmap);
    return !bytes.isEmpty() && WriteFileSafely(path, bytes);
}

}  // namespace zb
