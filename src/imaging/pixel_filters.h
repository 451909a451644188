#pragma once
// Neighbourhood filters and resizing of working bitmaps: the three 3 x 3
// filters (emboss, blur, sharpen), a median noise filter, and resizing by a
// percentage. Each takes a picture and returns a new working bitmap; pixels
// outside the picture are taken from the nearest edge pixel.
#include <QImage>

namespace zb {

enum class Filter3x3 {
    Emboss,   // rows (1, 1, 0), (1, 0, -1), (0, -1, -1); result sum + 127
    Blur,     // all nine weights 1; result sum / 9 rounded
    Sharpen,  // rows (0, -1, 0), (-1, 5, -1), (0, -1, 0); result sum
};

// The picture with the 3 x 3 kernel applied to each channel separately, the
// kernel's first row over the row above. Every result is limited to 0..255.
// Null for a null picture.
QImage ApplyFilter3x3(const QImage& bitmap, Filter3x3 filter);

// The strength the noise removal is normally run with.
inline constexpr int kNoiseStrength = 128;

// Side of the square neighbourhood the noise removal takes the median over:
// 3 for strengths 1..128, 5 for 129..255 (larger strengths count as 255);
// 0 or less means no filtering (side 1).
int NoiseNeighbourhood(int strength);

// Noise removal: every channel value becomes the median of that channel over
// the neighbourhood NoiseNeighbourhood(strength) gives. Null for a null picture.
QImage RemoveNoise(const QImage& bitmap, int strength = kNoiseStrength);

enum class ResizeStatus {
    Resized,
    Unchanged,    // 100 %: nothing to do
    TooSmall,     // a side would become less than one pixel
    TooLarge,     // the result would exceed the pixel limit
    NoPicture,    // null or empty picture
};

struct ResizeResult {
    ResizeStatus status = ResizeStatus::NoPicture;
    QImage bitmap;  // the resized picture; null unless status is Resized
};

// The size a w x h picture gets at percent p: trunc(w * p / 100) x trunc(h * p / 100).
QSize PercentSize(int w, int h, int percent);

// The picture resized to PercentSize: smoothly resampled when interpolate is
// set, by taking the nearest pixel when not. Any status but Resized leaves the
// caller's picture as it is.
ResizeResult ResizeByPercent(const QImage& bitmap, int percent, bool interpolate);

}  // namespace zb
