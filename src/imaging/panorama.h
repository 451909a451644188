#pragma once
// Panorama joining: two overlapping pictures, each with two marked points that
// show the same features, become one picture. The right picture is scaled,
// turned and moved (a similarity transform) so that its two points fall on
// the left picture's two points; it is sampled bilinearly and blended into
// the left picture with a soft seam across the overlap. The result is the
// bounding box of both pictures; what neither covers is the fill colour.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <optional>

namespace zb {

class Messages;

// Texts of the panorama dialog.
inline const QString kPanoramaCaption = QStringLiteral("パノラマ作成");
inline const QString kPanoramaNoPicture = QStringLiteral("「写真/左」または「写真/右」で写真を選択してください。");
inline const QString kPanoramaNeedLeft = QStringLiteral("「写真/左」で写真を選択してください。");
inline const QString kPanoramaNeedRight = QStringLiteral("「写真/右」で写真を選択してください。");
inline const QString kPanoramaNeedMarkers =
    QStringLiteral("「写真/左」と「写真/右」の連結する上下座標を選択(クリック)してください。");
inline const QString kPanoramaReady =
    QStringLiteral("「＋」はマウスドラッグ/矢印キーで移動できます/「作成」でパノラマを作成します。");
inline const QString kPanoramaResult =
    QStringLiteral("余白が発生した場合は「編集」でトリミングしてください/「戻る」で戻ります。");
inline const QString kPanoramaMetafileNotice = QStringLiteral("この写真は WMF 形式です。 編集後は JPEG に変換されます。");

// The guide text for the dialog's first page.
QString panoramaGuide(bool hasLeft, bool hasRight, int markers);

// The transform q = s·R(θ)·p + t from right-picture coordinates p to
// left-picture coordinates q, kept as its matrix [a −b; b a] and offset.
struct Similarity {
    double a = 1, b = 0;  // s·cos θ, s·sin θ
    double tx = 0, ty = 0;
    double scale() const;
    QPointF map(QPointF p) const;
    QPointF inverseMap(QPointF q) const;
};

// The scale of the right picture allowed in a join: beyond these the points
// were surely marked by mistake, and the result would be useless.
inline constexpr double kPanoramaMinScale = 1.0 / 8;
inline constexpr double kPanoramaMaxScale = 8.0;

// The similarity that takes r1 to l1 and r2 to l2; none when either pair of
// points coincides or the scale lies outside the allowed range.
std::optional<Similarity> similarityFor(QPointF l1, QPointF l2, QPointF r1, QPointF r2);

// Puts the point with the smaller y first (the upper point), as the join
// expects; points of equal y stay as they are.
void orderUpperLower(QPoint& upper, QPoint& lower);

// Joins the pictures (any format; worked on as working bitmaps). The points
// are picture pixel coordinates, upper and lower on each side in either
// order. A null picture when no transform exists, when its scale is outside
// the allowed range, or when the result would exceed the pixel limit.
QImage JoinPanorama(const QImage& left, const QImage& right, QPoint leftUpper, QPoint leftLower,
                    QPoint rightUpper, QPoint rightLower, QColor fill = Qt::white);

// Picture coordinate of a marker along one axis: the marker's 16-pixel cross
// has its centre 8 pixels in, and the picture is drawn 5 pixels in from the
// pane's corner at `ratio` percent.
int markerPictureCoord(int scroll, int markerPos, int ratio);
// The marker position (left or top) whose centre stands for that picture coordinate.
int markerPosFor(int pictureCoord, int scroll, int ratio);

// Loads a picture for a panorama pane as a working bitmap. An unsupported
// kind gives "サポートされていない写真データ形式です。\r\n>" + path; a
// metafile first gives its notice and is rendered. False when nothing loaded.
bool LoadPanoramaPicture(const QString& path, QImage& bitmap, Messages& messages);

}  // namespace zb
