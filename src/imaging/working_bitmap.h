#pragma once
// The working bitmap every picture is turned into: 24 bits per pixel, blue,
// green, red, rows padded to four bytes (QImage::Format_BGR888 has exactly this
// layout), top row first in memory.
#include <QByteArray>
#include <QImage>

#include <functional>

namespace zb {

inline constexpr QImage::Format kWorkingFormat = QImage::Format_BGR888;

// The largest working bitmap any reader or scaler will make. 64 Mi pixels
// (192 MiB at three bytes a pixel) still holds a panorama joined from two
// 24-megapixel photos (12000 x 4000 = 48 M pixels) with room to spare. Larger
// pictures are refused before anything that size is allocated.
inline constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;
// No side may be longer than this (the largest size a JPEG can declare).
inline constexpr qint64 kMaxSide = 65535;

// True when a bitmap of w x h pixels may be made: both sides positive and
// within kMaxSide, the area within kMaxPixels.
bool withinPixelLimit(qint64 w, qint64 h);

// A new working bitmap of that size, or a null image when the size is refused
// or the memory could not be had. The pixels are not initialised.
QImage newWorkingBitmap(qint64 w, qint64 h);

// A copy of the picture with pixels of its own (a working bitmap stays one).
// Null when the memory could not be had.
QImage copyWorking(const QImage& picture);
// The source's pixels into the target; both working bitmaps of the same size.
void copyPixels(QImage& target, const QImage& source);
// Makes the target an unshared copy of the source, reusing the target's
// pixel memory when it already has the right size; a null source empties it.
// For a copy kept between operations, such as an undo copy.
void keepCopy(QImage& target, const QImage& source);

// The picture as a working bitmap. Transparent pixels are laid over white, so
// an icon or a PNG with an alpha channel looks as it would on a white page.
QImage toWorkingBitmap(const QImage& image);

// The picture as a working bitmap, in place; false for a null picture.
bool makeWorking(QImage& picture);

// Runs body(first, end) over the rows 0...rows-1 of a picture of `pixels`
// pixels, split between two threads when the picture is large enough to pay
// for the second one; for operations whose rows are independent of each other.
void forRowBands(int rows, qint64 pixels, const std::function<void(int first, int end)>& body);

// While one of these lives, forRowBands on the same thread reports to it how
// many rows of the current operation are done, so a progress bar can follow.
// The report is called on the thread that made the watch.
class RowWatch {
public:
    explicit RowWatch(std::function<void(int done, int total)> report);
    ~RowWatch();
    RowWatch(const RowWatch&) = delete;
    RowWatch& operator=(const RowWatch&) = delete;

private:
    friend void forRowBands(int, qint64, const std::function<void(int, int)>&);
    std::function<void(int, int)> report_;
    const RowWatch* outer_;
};

// A Windows bitmap file image (file header, info header, 24 bits per pixel,
// rows bottom-up, padded to four bytes) of the picture. Empty for a null image.
QByteArray encodeBmp(const QImage& image);

}  // namespace zb
