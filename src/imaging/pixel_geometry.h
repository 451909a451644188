#pragma once
// Geometric operations on working bitmaps: the two mirrors, the clockwise
// quarter turn, rotation by any angle and trimming to a rectangle.
#include <QImage>
#include <QRect>

namespace zb {

// Rows in reverse order (the picture upside down).
void flipVertical(QImage& picture);
// The pixels of each row in reverse order (left and right swapped).
void flipHorizontal(QImage& picture);

// A clockwise quarter turn: the result is H wide and W high and its pixel
// (x, y) is the source pixel at column y, row H - 1 - x. False, leaving the
// picture alone, when it is null or the memory could not be had.
bool turnClockwise(QImage& picture);
// A counter-clockwise quarter turn: the result is H wide and W high and its
// pixel (x, y) is the source pixel at column W - 1 - y, row x.
bool turnCounterClockwise(QImage& picture);

// The colour of the corners a free rotation uncovers: red 128, green 128, blue 0.
inline constexpr QRgb kRotationFill = 0xff808000;

enum class RotateResult {
    Rotated,
    NoAngle,    // an angle of 0 leaves the picture as it is
    NoPicture,  // a null picture
    TooLarge,   // the rotated picture would pass the pixel limit
};

// The size a w x h picture takes when rotated by degrees (clockwise positive):
// round(|w cos| + |h sin|) x round(|w sin| + |h cos|).
QSize rotatedSize(int w, int h, double degrees);
// Rotates the picture clockwise by the angle, taking for each result pixel the
// nearest source pixel; the uncovered corners get kRotationFill. The picture
// is left alone unless the result is Rotated.
RotateResult rotatePicture(QImage& picture, double degrees);

enum class TrimResult {
    Trimmed,
    SizeUnchanged,   // the selection covers the whole picture: nothing to cut
    EmptySelection,  // the selection, cut to the picture, has no pixels
    NoPicture,
};
// Replaces the picture by the part inside the selection (picture pixels; the
// part outside the picture is cut off). The picture is left alone unless the
// result is Trimmed.
TrimResult trimPicture(QImage& picture, const QRect& selection);

}  // namespace zb
