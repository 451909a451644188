#pragma once
// The arithmetic of the actual-size viewer, without a window: where the
// picture lies in the scroll box and how large it is drawn, the zoom by a
// click (1.5 in, 2/3 out) and by a dragged rectangle, the scroll positions
// after a zoom, and the caption.
//
// Coordinates: `bounds` is the picture's rectangle at scroll position 0,0
// (the scroll box's content); the client area is what the scroll box shows;
// picture coordinates are relative to the picture's own top-left corner.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <Qt>

namespace zb {

class ViewLayout {
public:
    // A zoom never makes the displayed picture larger than this many pixels.
    static constexpr double kMaxDisplayPixels = 6553600.0;
    // A right click never takes the display below this percentage of the
    // natural width.
    static constexpr double kMinZoomPercent = 10.0;
    // A press turns into a drag once the pointer leaves this square around it.
    static constexpr int kClickSlop = 5;
    // A dragged rectangle narrower or lower than this zooms nothing.
    static constexpr int kMinDragSide = 6;
    static constexpr double kClickZoomIn = 1.5;
    static constexpr double kClickZoomOut = 2.0 / 3.0;

    // A new picture: shown at its natural size until the layout runs, not
    // zoomed, scrolled to 0,0.
    void setPicture(const QSize& natural);
    // Forgets the picture (empty bounds).
    void clear();

    QSize natural() const { return natural_; }
    // The displayed picture at scroll position 0,0.
    QRect bounds() const { return bounds_; }
    QSize displayed() const { return bounds_.size(); }
    // The scroll positions the layout or a zoom asked for; the scroll box may
    // clamp them to its range (see clampScroll).
    QPoint scroll() const { return scroll_; }
    // The user scrolled: the positions the scroll box now has.
    void setScroll(const QPoint& scroll) { scroll_ = scroll; }
    bool zoomed() const { return zoomed_; }
    bool hasPicture() const { return !natural_.isEmpty(); }

    // The layout at showing and after the client area changed size. Until
    // the first zoom the picture is fitted into the client area (natural size
    // when it fits, else reduced keeping its proportions) and centred; after a
    // zoom a picture smaller than the area is centred, else nothing moves.
    void layout(const QSize& client);

    // The zoom after a click released at `at` (picture coordinates):
    // left button in, right button out, other buttons nothing. False when
    // nothing changed.
    bool clickZoom(Qt::MouseButton button, const QPoint& at, const QSize& client);
    // The zoom after a rectangle was dragged from `a` to `b` (picture
    // coordinates): the rectangle's contents fill the client area, its centre
    // brought to the area's centre. False when nothing changed (a rectangle
    // too thin in either direction).
    bool dragZoom(const QPoint& a, const QPoint& b, const QSize& client);

    // Whether a pointer at `p` has left the click square around the press
    // point `press` (then the press becomes a drag).
    static bool leavesClickSquare(const QPoint& press, const QPoint& p);

    // The zoom as a whole percentage of the natural width.
    int percent() const;
    // "表示 " + name part + "W 600 / H 300  50%  (実寸 W 1200 / H 600)"; the
    // name part is a file's name and one blank, or empty.
    QString caption(const QString& namePart) const;
    // The name part for a picture read from `path`.
    static QString namePartOf(const QString& path);

    // The scroll positions clamped to the range a scroll box of that client
    // size has for a picture with those bounds.
    static QPoint clampScroll(const QPoint& scroll, const QRect& bounds, const QSize& client);

private:
    // Applies factor f with the fixed point `fixed` (picture coordinates)
    // kept at `target` (client coordinates).
    void apply(double f, const QPointF& fixed, const QPoint& target, const QSize& client);
    void centre(const QSize& client, bool horizontal, bool vertical);

    QSize natural_;
    QRect bounds_;
    QPoint scroll_;
    bool zoomed_ = false;
};

}  // namespace zb
