#pragma once
// The eight ways a camera stores a photo, as its Exif Orientation tag says,
// and the one transform that turns the stored pixels upright. Each drawing is
// the letter F as it lies in the stored pixels; the upright picture is always
//
//   ###
//   #..
//   ##.
//   #..
//
// Pictures decoded for showing, thumbnails and album pictures pass through
// applyOrientation; the stored bytes are never changed by it.
#include <QImage>

namespace zb {

enum class Orientation {
    // ###   as stored
    // #..
    // ##.
    // #..
    TopLeft = 1,
    // ###   mirrored left to right
    // ..#
    // .##
    // ..#
    TopRight = 2,
    // ..#   upside down
    // .##
    // ..#
    // ###
    BottomRight = 3,
    // #..   mirrored top to bottom
    // ##.
    // #..
    // ###
    BottomLeft = 4,
    // ####  mirrored along the diagonal from the top left (transpose)
    // #.#.
    // #...
    LeftTop = 5,
    // #...  turned a quarter to the left: a clockwise quarter turn puts it right
    // #.#.
    // ####
    RightTop = 6,
    // ...#  mirrored along the other diagonal (transverse)
    // .#.#
    // ####
    RightBottom = 7,
    // ####  turned a quarter to the right: a counter-clockwise quarter turn puts it right
    // .#.#
    // ...#
    LeftBottom = 8,
};

// The tag's value as an orientation: anything but 1 to 8 counts as 1.
Orientation orientationFromTag(int value);

// What makes the stored pixels upright: `turns` clockwise quarter turns, then
// left and right swapped when `mirror` is set.
struct OrientationTransform {
    int turns = 0;
    bool mirror = false;

    bool isIdentity() const { return turns == 0 && !mirror; }
    bool swapsSides() const { return turns % 2 != 0; }
    // This transform followed by r more clockwise quarter turns.
    OrientationTransform thenTurn(int r) const;
};
OrientationTransform transformFor(Orientation orientation);

// Turns a working bitmap upright in place. False (the picture left alone)
// only when the memory for a turned copy could not be had.
bool applyOrientation(QImage& picture, Orientation orientation);

}  // namespace zb
