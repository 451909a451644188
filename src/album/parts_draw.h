#pragma once
// Drawing of layout parts on any QPainter target: the screen at a zoom, a
// bitmap, a printer or a PDF at a scale with an origin offset. The same
// routine serves the sheet, the format preview, printing and zbcli.
#include "album/caption_codes.h"
#include "album/document_file.h"
#include "album/parts_box.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <functional>
#include <optional>

namespace zb::album {

// Where a part lands in pixels. On screen, lengths go through the screen
// mapping at the zoom; on a printer or bitmap, mm × pixels per mm. The origin
// is added to every position (print offsets, a clip's corner).
struct DrawTarget {
    bool screen = true;
    int pixelsPerInch = 96;
    int zoom = 100;
    double pixelsPerMm = 0;  // printer and bitmaps
    QPoint origin;

    static DrawTarget onScreen(int pixelsPerInch, int zoom);
    static DrawTarget onPrinter(double pixelsPerMm, QPoint origin = {});

    int length(Currency mm) const;
    int x(Currency mm) const { return length(mm) + origin.x(); }
    int y(Currency mm) const { return length(mm) + origin.y(); }
    // The part's pixel rectangle (left, top, width, height).
    QRect partRect(const TPartsBox& part) const;
    // Pixels of a length in points of type (font sizes).
    double pointsToPixels(double points) const;
};

// The picture of a photo or drawing frame: `missing` when the row is gone
// (the frame is hatched with "削除済"); a null image when the picture could not
// be decoded (nothing is drawn, the part stays).
struct FramePicture {
    bool missing = false;
    QImage image;          // before the part's orientation and mirrors, unless `ready`
    bool ready = false;    // already turned, mirrored and scaled to fit the frame
};
using FrameLoader = std::function<FramePicture(const TPartsBox& part, int code, QSize framePixels, bool screen)>;

enum class DrawMode { Format, Album };

struct DrawContext {
    DrawTarget target;
    DrawMode mode = DrawMode::Album;
    PageContext page;          // page number and count at drawing time (albums)
    CommonSettings company;    // formats: company values
    QDate today;               // formats: dates
    FrameLoader frames;        // albums: photo and drawing frames (none: empty frames)
};

inline const QString kDeletedFrameText = QStringLiteral("削除済");

// The font of a part at a pixel size: the stored family first, then the IPA
// fonts that stand in for the Windows Japanese fonts, then any font.
QFont partFont(const PartFont& font, double pixelSize);
// The family the stored name stands for ("ＭＳ ゴシック" → "IPAGothic", …);
// the name itself when it needs no stand-in.
QString substituteFamily(const QString& name);

// The rectangle a part's figure, picture and text are drawn in: the pixel
// bounds less the outline (the frame size a frame picture is loaded for).
QRect drawingRect(const TPartsBox& part, const DrawTarget& target);

// Draws one part; the painter's state is restored afterwards.
void drawPart(QPainter& painter, const TPartsBox& part, const DrawContext& context);
// Draws the parts of a page in order.
void drawPage(QPainter& painter, const Page& page, const DrawContext& context);

// The text a part shows, resolved for its mode.
QString drawnCaption(const TPartsBox& part, const DrawContext& context);

// Pieces of the drawing that tests and the editor use on their own.
// The y positions of the detail lines of a rectangle of the given top and
// height divided into n bands (n − 1 positions).
QList<int> detailLinePositions(int top, int height, int bands);
// The corner diameter of a rounded rectangle.
int cornerDiameter(int width, int height, int diagonal);
// Where a photo or drawing of `picture`'s size lands in a frame: at its own
// proportions, as large as fits, centred. The picture comes upright and
// already turned and mirrored for the part.
QRect fittedRect(QSize picture, const QRect& frame);
// The shadow's direction index (1 up, 2 up-left, 3 left, 4 down-left, 5 down,
// 6 down-right, 7 right, 8 up-right) for a shadow style on text turned by
// `rotate`; 0 for no shadow.
int shadowDirection(TKageStyle kage, TRotateStyle rotate);
QPoint shadowOffset(int direction, int distance);
// The lines of a caption: split at CR (LF ignored) and, unless `justfit`,
// wrapped before the character that does not fit `width` (each line holds
// at least one character; a surrogate pair is never split).
QStringList layoutLines(const QString& text, const QFontMetricsF& metrics, double pitch, double width, bool justfit);
// The end points of a line or arrow part in its pixel rectangle.
QPair<QPoint, QPoint> lineEnds(const TPartsBox& part, const QRect& rect);
// Polyline points scaled from the reference size into the rectangle and
// mirrored; empty when the reference size is 0.
QList<QPoint> scaledPoints(const TPartsBox& part, const QRect& rect);
// The image turned by the orientation (0–3, clockwise quarter turns) and mirrored.
QImage orientedImage(const QImage& image, int orientation, bool mirrorH, bool mirrorV);
// Decodes a ptPicture part's embedded picture; null when it cannot be read.
QImage embeddedPicture(const TPictureStream& picture);

}  // namespace zb::album
