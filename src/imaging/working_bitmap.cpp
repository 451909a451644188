#include "imaging/working_bitmap.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include <QPainter>
#include <QtEndian>
#include <cstdint>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace zb {

namespace {

#ifdef __linux__
// Large bitmaps get their own mapping, aligned to 2 MiB and marked for huge
// pages. A camera picture is tens of megabytes; taken in 4 KiB pages, the
// first touch of each page costs a fault, and on a virtual machine those
// faults alone take longer than the pixel work of a whole filter pass.
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kOwnMappingFrom = std::size_t(4) << 20;

struct Mapping {
    void* base;
    std::size_t length;
};

void releaseMapping(void* info)
{
    auto* m = static_cast<Mapping*>(info);
    munmap(m->base, m->length);
    delete m;
}

QImage mappedBitmap(int w, int h, qsizetype bytesPerLine)
{
    const std::size_t bytes = std::size_t(bytesPerLine) * std::size_t(h);
    if (bytes < kOwnMappingFrom)
        return {};
    const std::size_t length = bytes + kHugePage;
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return {};
    const auto start = (reinterpret_cast<std::uintptr_t>(base) + kHugePage - 1) & ~(kHugePage - 1);
    auto* pixels = reinterpret_cast<uchar*>(start);
    madvise(pixels, bytes, MADV_HUGEPAGE);  // a hint: without huge pages it still works
    auto* info = new Mapping{base, length};
    QImage image(pixels, w, h, bytesPerLine, kWorkingFormat, releaseMapping, info);
    if (image.isNull())
        releaseMapping(info);
    return image;
}
#endif

}  // namespace

bool withinPixelLimit(qint64 w, qint64 h)
{
    return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

QImage newWorkingBitmap(qint64 w, qint64 h)
{
    if (!withinPixelLimit(w, h))
        return {};
#ifdef __linux__
    const qsizetype bytesPerLine = qsizetype((w * 3 + 3) & ~qint64(3));
    QImage mapped = mappedBitmap(int(w), int(h), bytesPerLine);
    if (!mapped.isNull())
        return mapped;
#endif
    QImage image(int(w), int(h), kWorkingFormat);
    return image;  // null when the allocation failed
}

QImage copyWorking(const QImage& picture)
{
    if (picture.isNull())
        return {};
    if (picture.format() != kWorkingFormat)
        return picture.copy();
    QImage out = newWorkingBitmap(picture.width(), picture.height());
    if (out.isNull())
        return {};
    copyPixels(out, picture);
    return out;
}

void copyPixels(QImage& target, const QImage& source)
{
    const qsizetype rowBytes = qsizetype(source.width()) * 3;
    const uchar* src = source.constBits();
    uchar* dst = target.bits();
    const qsizetype srcStride = source.bytesPerLine(), dstStride = target.bytesPerLine();
    forRowBands(source.height(), qint64(source.width()) * source.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y)
            std::memcpy(dst + y * dstStride, src + y * srcStride, size_t(rowBytes));
    });
}

void keepCopy(QImage& target, const QImage& source)
{
    if (source.isNull()) {
        target = QImage();
        return;
    }
    // The target's own pixels are written over when it is a working bitmap of
    // the same size that no other image shares: that memory is already at hand.
    if (source.format() == kWorkingFormat && target.format() == kWorkingFormat && target.size() == source.size() &&
        target.isDetached()) {
        copyPixels(target, source);
        return;
    }
    target = copyWorking(source);
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

namespace {
thread_local const RowWatch* currentWatch = nullptr;
}

RowWatch::RowWatch(std::function<void(int done, int total)> report)
    : report_(std::move(report)), outer_(currentWatch)
{
    currentWatch = this;
}

RowWatch::~RowWatch()
{
    currentWatch = outer_;
}

void forRowBands(int rows, qint64 pixels, const std::function<void(int first, int end)>& body)
{
    if (rows <= 0)
        return;
    const RowWatch* watch = currentWatch;
    // Below about 65,536 pixels (or 512 rows) the second thread costs more
    // than it saves.
    const bool split = !(rows < 2 || (pixels < 256 * 256 && rows < 512) || std::thread::hardware_concurrency() < 2);
    if (!watch) {
        if (!split) {
            body(0, rows);
            return;
        }
        const int half = rows / 2;
        std::thread second([&] { body(half, rows); });
        body(0, half);
        second.join();
        return;
    }
    // Watched: both bands go in steps of about a hundredth of the rows, and
    // the calling thread reports the rows both have done after each of its
    // steps (the report may show a progress bar, which lives on this thread).
    std::atomic<int> done{0};
    const int chunk = std::max(1, rows / 100);
    auto runBand = [&](int first, int end, bool reports) {
        for (int y = first; y < end; y += chunk) {
            const int stop = std::min(end, y + chunk);
            body(y, stop);
            const int total = done.fetch_add(stop - y) + (stop - y);
            if (reports)
                watch->report_(total, rows);
        }
    };
    if (!split) {
        runBand(0, rows, true);
        return;
    }
    const int half = rows / 2;
    std::thread second([&] { runBand(half, rows, false); });
    runBand(0, half, true);
    second.join();
    watch->report_(rows, rows);
}

}  // namespace zb
