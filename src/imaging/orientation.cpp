#include "imaging/orientation.h"

#include "imaging/pixel_geometry.h"

namespace zb {

Orientation orientationFromTag(int value)
{
    return value >= 1 && value <= 8 ? Orientation(value) : Orientation::TopLeft;
}

OrientationTransform OrientationTransform::thenTurn(int r) const
{
    // A mirror swaps the sense of the turns done before it: turning after the
    // mirror equals turning the other way before it.
    const int t = mirror ? turns - r : turns + r;
    return {((t % 4) + 4) % 4, mirror};
}

OrientationTransform transformFor(Orientation orientation)
{
    switch (orientation) {
    case Orientation::TopLeft:
        return {0, false};
    case Orientation::TopRight:
        return {0, true};
    case Orientation::BottomRight:
        return {2, false};
    case Orientation::BottomLeft:
        return {2, true};
    case Orientation::LeftTop:
        return {1, true};
    case Orientation::RightTop:
        return {1, false};
    case Orientation::RightBottom:
        return {3, true};
    case Orientation::LeftBottom:
        return {3, false};
    }
    return {};
}

bool applyOrientation(QImage& picture, Orientation orientation)
{
    const OrientationTransform t = transformFor(orientation);
    if (t.isIdentity() || picture.isNull())
        return true;
    switch (t.turns) {
    case 1:
        if (!turnClockwise(picture))
            return false;
        break;
    case 2:
        flipVertical(picture);
        flipHorizontal(picture);
        break;
    case 3:
        if (!turnCounterClockwise(picture))
            return false;
        break;
    default:
        break;
    }
    if (t.mirror)
        flipHorizontal(picture);
    return true;
}

}  // namespace zb
