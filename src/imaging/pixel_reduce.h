#pragma once
// Reduction of a working bitmap to at most 256 colours: a histogram over a
// 32 x 64 x 32 colour cube (5 bits red, 6 green, 5 blue), cut recursively into
// at most 256 groups by the channel that varies most, each group's
// pixel-weighted mean becoming one palette entry. No dithering: every pixel
// takes the entry of its cube cell.
#include <QImage>

namespace zb {

// The picture as an 8-bit picture (QImage::Format_Indexed8) with a palette of
// at most 256 colours, entries in the order the cut makes them. Any picture is
// first taken as a working bitmap. Null for a null picture.
QImage ReduceTo256Colours(const QImage& bitmap);

}  // namespace zb
