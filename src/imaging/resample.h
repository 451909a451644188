#pragma once
// Rescaling of working bitmaps: a smooth resampler (a tent filter widened to
// the reduction, so every source pixel counts when shrinking) and the plain
// stretch (nearest pixel, like a stretch-blit), and the shorter-side rule the
// thumbnail and album pictures are made by.
#include <QImage>

namespace zb {

// The bitmap resampled smoothly to w x h, as a working bitmap. Null when either
// size is refused by the pixel limit or the source is empty.
QImage ResizeSmooth(const QImage& source, int w, int h);
// The bitmap stretched to w x h by taking the nearest source pixel.
QImage StretchPlain(const QImage& source, int w, int h);

// The size the shorter-side rule gives a w x h picture for target s (120 when
// s is 0): landscape gets height s and width trunc(w * s / h), portrait and
// square get width s and height trunc(h * s / w). Small pictures are enlarged.
QSize ShorterSideSize(int w, int h, int s);

// Rescales the bitmap in place by the shorter-side rule, smoothly or by the
// plain stretch. False, leaving the bitmap as it was, when it is empty or the
// result would exceed the pixel limit.
bool FitShorterSide(QImage& bitmap, int size, bool smooth);

}  // namespace zb
