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

// The picture as a working bitmap. Transparent pixels are laid over white, so
// an icon or a PNG with an alpha channel looks as it would on a white page.
QImage toWorkingBitmap(const QImage& image);

// The picture as a working bitmap, in place; false for a null picture.
bool makeWorking(QImage& picture);

// Runs body(first, end) over the rows 0...rows-1 of a picture of `pixels`
// pixels, split between two threads when the picture is large enough to pay
// for the second one; for operations whose rows are independent of each other.
void forRowBands(int rows, qint64 pixels, const std::function<void(int first, int end)>& body);

// A Windows bitmap file image (file header, info header, 24 bits per pixel,
// rows bottom-up, padded to four bytes) of the picture. Empty for a null image.
QByteArray encodeBmp(const QImage& image);

}  // namespace zb
