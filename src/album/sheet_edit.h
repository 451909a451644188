#pragma once
// What the sheet's controls do to a page, without a window: hit tests and
// selection, moving and resizing by keys, alignment and drawing order, grid
// snapping, point entry for polylines, Bézier curves, polygons and arcs, and
// the cut-out of a picture part. Pixels are sheet pixels at the target's zoom.
#include "album/document_file.h"
#include "album/parts_draw.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <optional>

namespace zb::album {

// The nearest multiple of the pitch, halves rounding up; a pitch of 0 leaves
// the value as it is.
Currency snapToGrid(Currency value, Currency pitch);
// A sheet point snapped to the grid in mm of the paper.
QPoint snapPoint(QPoint pixels, Currency pitch, const DrawTarget& target);
// The snap pitch: the grid pitch, 1 mm when the grid is off (無).
inline Currency snapPitch(Currency gridPitch) { return gridPitch > 0 ? gridPitch : mm(1); }

// The topmost part (last drawn) whose pixel bounds hold the point; -1 none.
int partAt(const Page& page, QPoint pixels, const DrawTarget& target);
// The parts a rubber band selects: those it encloses, or also those it touches.
QList<int> partsInRect(const Page& page, const QRect& band, bool enclose, const DrawTarget& target);
// A part's group: album pages group the parts bound to the same photo
// (PhotoRecord above 0), formats the parts of the same slot (FormIndex above 0).
// A part without a group is alone.
QList<int> groupOf(const Page& page, int index, bool album);

// Keys: a move by (dx, dy) and a size change by (dw, dh), never below 0.
void moveParts(Page& page, const QList<int>& selection, Currency dx, Currency dy);
void resizeParts(Page& page, const QList<int>& selection, Currency dw, Currency dh);
// The step of an arrow key: 0.1 mm, with Shift the snap pitch.
inline Currency keyStep(bool shift, Currency gridPitch) { return shift ? snapPitch(gridPitch) : mm(0.1); }

// Alignment to the focused part.
void alignLeftAndWidth(Page& page, const QList<int>& selection, int focused);   // 座標Xと幅を揃える
void alignTopAndHeight(Page& page, const QList<int>& selection, int focused);   // 座標Yと高さを揃える
void alignSize(Page& page, const QList<int>& selection, int focused);           // 幅と高さを揃える
// 横に並べる / 縦に並べる: sorted by left (top) edge, each next part starts one
// pixel at the zoom before the previous part's right (bottom) edge.
void arrangeAcross(Page& page, const QList<int>& selection, const DrawTarget& target);
void arrangeDown(Page& page, const QList<int>& selection, const DrawTarget& target);
// 表示順位を上げる / 下げる: one step later or earlier in the drawing order;
// returns the selection's new indexes.
QList<int> raiseParts(Page& page, const QList<int>& selection);
QList<int> lowerParts(Page& page, const QList<int>& selection);

// The Bézier control list of entered points q0, q1, …: q0; for every odd i,
// when q(i+1) follows, 2·q(i) − q(i+1) and q(i); then q(i) once more; cut to
// the largest length 3k + 1.
QList<QPoint> bezierControlList(const QList<QPoint>& entered);

// Point entry for 連続線, ベジェ, 多角形, 弧, 扇 and 弓.
class PointEntry {
public:
    explicit PointEntry(TPartsType kind);
    TPartsType kind() const { return kind_; }
    bool isArcKind() const { return kind_ == ptArc || kind_ == ptPie || kind_ == ptChord; }

    // A left press adds a point; the pointer's position floats as the last point.
    void press(QPoint p);
    void hover(QPoint p) { floating_ = p; hasFloating_ = true; }
    // A right press takes back the last point; false when none is left (the
    // entry ends without a part).
    bool takeBack();
    // A double-click: its two presses added its point twice; the duplicate and
    // the floating point are dropped. The points that make the part, nullopt
    // when too few were given.
    std::optional<QList<QPoint>> finish();

    const QList<QPoint>& points() const { return points_; }
    // The points with the floating one, for the rubber band.
    QList<QPoint> withFloating() const;
    // The status bar's prompt.
    QString status() const;

private:
    TPartsType kind_;
    QList<QPoint> points_;
    QPoint floating_;
    bool hasFloating_ = false;
};

inline const QString kEntryStart = QStringLiteral(" 始点[左クリック] キャンセル[右クリック]");
inline const QString kEntryNext = QStringLiteral(" 次の点を[左クリック] 終点[ダブルクリック] キャンセル[右クリック]");
inline const QString kEntryArcCorner = QStringLiteral(" 次の点を[左クリック] キャンセル[右クリック]");
inline const QString kEntryArcStart = QStringLiteral(" 範囲の始点[左クリック] キャンセル[右クリック]");
inline const QString kEntryArcEnd = QStringLiteral(" 範囲の終点[ダブルクリック] キャンセル[右クリック]");

// The part made of entered sheet points: bounds = the box of the points (for
// arcs, of the first two), reference size = that box + 1 pixel each way,
// points relative to the box. Bézier curves and arcs are then tightened to the
// pixels the curve marks and keep the thinnest pen. The Bézier control list is
// applied here.
TPartsBox partFromPoints(TPartsType kind, const QList<QPoint>& sheetPoints, const DrawTarget& target,
                         const DrawingDefaults& defaults, bool onAlbumPage);
// The box of the pixels a curve marks when drawn with the thinnest black pen
// into a white bitmap of its reference size.
QRect markedBounds(const TPartsBox& curveInReferencePixels);

// Picture fitting (a picture placed, サイズの再計算): the part keeps its width
// when the picture (its reference size, sides exchanged for a 90° or 270°
// orientation) is wider than tall, else its height; the other side follows
// the picture's proportions. A part without a reference size stays as it is.
void fitToPicture(TPartsBox& part);

// 画像の切取: the source is the topmost part whose pixel bounds contain the
// range, trying a tolerance of 0 … 20 pixels; -1 when none.
int cutSource(const Page& page, const QRect& range, const DrawTarget& target);
inline const QString kCutRangeWrong = QStringLiteral("切り取る画像の範囲を正しく指定してください。");
// The range a drag gives: normalised; 4 pixels or less wide or high gives the
// 120 × 40 rectangle from the first corner.
QRect draggedRange(QPoint from, QPoint to);
// The new picture part cut from the source's picture (already turned by the
// source's orientation) over the range clipped to the source's bounds.
std::optional<TPartsBox> cutOut(const TPartsBox& source, const QImage& picture, const QRect& range,
                                const DrawTarget& target, bool onAlbumPage, int jpegQuality = 90);

}  // namespace zb::album
