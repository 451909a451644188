#include "imaging/working_bitmap.h"

#include <thread>

#include <QPainter>
#include <QtEndian>
#include <cstring>

namespace zb {

bool withinPixelLimit(qint64 w, qint64 h)
{
    return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

QImage newWorkingBitmap(qint64 w, qint64 h)
{
    if (!withinPixelLimit(w, h))
        return {};
    QImage image(int(w), int(h), kWorkingFormat);
    return image;  // null when the allocation failed
}

QImage toWorkingBitmap(const QImage& image)
{
    if (image.isNull() || !withinPixelLimit(image.width(), image.height()))
        return {};
    if (image.format() == kWorkingFormat)
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(kWorkingFormat);
    QImage canvas(image.size(), QImage::Format_RGB32);
    if (canvas.isNull())
        return {};
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    p.drawImage(0, 0, image);
    p.end();
    return canvas.convertToFormat(kWorkingFormat);
}

QByteArray encodeBmp(const QImage& source)
{
    QImage image = toWorkingBitmap(source);
    if (image.isNull())
        return {};
    const qint64 w = image.width(), h = image.height();
    const qint64 stride = (w * 3 + 3) & ~qint64(3);
    const qint64 pixelBytes = stride * h;
    const qint64 total = 54 + pixelBytes;
    if (total > 0x7fffffff)
        return {};
    QByteArray out(int(total), '\0');
    auto* d = reinterpret_cast<uchar*>(out.data());
    d[0] = 'B';
    d[1] = 'M';
    qToLittleEndian<quint32>(quint32(total), d + 2);
    qToLittleEndian<quint32>(54, d + 10);
    qToLittleEndian<quint32>(40, d + 14);           // info header size
    qToLittleEndian<qint32>(qint32(w), d + 18);
    qToLittleEndian<qint32>(qint32(h), d + 22);     // positive: bottom-up rows
    qToLittleEndian<quint16>(1, d + 26);            // planes
    qToLittleEndian<quint16>(24, d + 28);           // bits per pixel
    qToLittleEndian<quint32>(0, d + 30);            // no compression
    qToLittleEndian<quint32>(quint32(pixelBytes), d + 34);
    qToLittleEndian<qint32>(3780, d + 38);          // 96 dots per inch
    qToLittleEndian<qint32>(3780, d + 42);
    for (qint64 y = 0; y < h; ++y)
        std::memcpy(d + 54 + (h - 1 - y) * stride, image.constScanLine(int(y)), size_t(w * 3));
    return out;
}

bool makeWorking(QImage& picture)
{
    if (picture.isNull())
        return false;
    if (picture.format() != kWorkingFormat)
        picture = toWorkingBitmap(picture);
    return !picture.isNull();
}

void forRowBands(int rows, qint64 pixels, const std::function<void(int first, int end)>& body)
{
    if (rows <= 0)
        return;
    // Below about 65,536 pixels (or 512 rows) the second thread costs more
    // than it saves.
    if (rows < 2 || (pixels < 256 * 256 && rows < 512) || std::thread::hardware_concurrency() < 2) {
        body(0, rows);
        return;
    }
    const int half = rows / 2;
    std::thread second([&] { body(half, rows); });
    body(0, half);
    second.join();
}

}  // namespace zb
