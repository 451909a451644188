#pragma once
// TPartsBox: one layout part of an album page or a format, with every
// property the document keeps. Bounds and lengths are millimetres in fixed
// point (units.h); colours are 0x00BBGGRR.
#include "album/units.h"
#include "core/record.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>

namespace zb::album {

enum TPartsType : quint8 {
    ptKoumoku = 0,
    ptRectangle = 1,
    ptEllipse = 2,
    ptTryangle = 3,
    ptLine = 4,
    ptArrow = 5,
    ptPolyLine = 6,
    ptPolyBezier = 7,
    ptPolygon = 8,
    ptArc = 9,
    ptPie = 10,
    ptChord = 11,
    ptPicture = 12,
    ptCut = 13,
};
inline constexpr int kPartsTypeCount = 14;
// The tool caption of a kind ("工事情報/写真情報", "長方形", …).
QString partsTypeCaption(TPartsType type);
// The name of a kind as it is written in code and JSON ("ptKoumoku", …).
QString partsTypeName(TPartsType type);

enum TArrowStyle : quint8 { arwNone = 0, arwLeft = 1, arwRight = 2, arwCenter = 3 };
enum TRotateStyle : quint8 { rs0 = 0, rs90 = 1, rs180 = 2, rs270 = 3 };
enum TKageStyle : quint8 {
    fkNone = 0, fkTop, fkLeftTop, fkLeft, fkLeftBottom, fkBottom, fkRightBottom, fkRight, fkRightTop
};
// Horizontal placement (left, right, centre) and vertical placement (top,
// centre, bottom) as the files store them.
enum TAlignment : quint8 { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
enum TTextLayout : quint8 { tlTop = 0, tlCenter = 1, tlBottom = 2 };

// Pen styles: solid, dash, dot, dash-dot, dash-dot-dot, none, inside frame.
enum PenStyle : quint8 { psSolid = 0, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// Fill styles: solid, none, horizontal, vertical, diagonal 1, diagonal 2, cross 1, cross 2.
enum BrushStyle : quint8 { bsSolid = 0, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// Font style bits.
enum FontStyleBit : quint8 { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

inline constexpr quint32 kBlack = 0x000000;
inline constexpr quint32 kWhite = 16777215;
inline constexpr quint32 kSilver = 12632256;
inline constexpr quint32 kGray = 8421504;

struct PartFont {
    QString name = QStringLiteral("ＭＳ 明朝");
    int size = 10;          // points
    quint32 color = kBlack;
    quint8 style = 0;       // FontStyleBit set
    bool operator==(const PartFont&) const = default;
};

// The embedded picture of a ptPicture part: its bytes and kind ("JPG", "WMF"
// or "ICO"); its pixel size is the part's reference size.
struct TPictureStream {
    QByteArray bytes;
    QString kind;
    bool isEmpty() const { return bytes.isEmpty(); }
    bool operator==(const TPictureStream&) const = default;
};

// The editor's current drawing settings, which new parts take.
struct DrawingDefaults {
    quint8 penStyle = psSolid;
    quint32 penColor = kBlack;
    quint8 brushStyle = bsSolid;
    quint32 brushColor = kWhite;
    PartFont font;
};

struct TPartsBox {
    TPartsType Shape = ptRectangle;
    Currency PLeft = 0, PTop = 0, PWidth = 0, PHeight = 0;
    qint8 FormIndex = 0;          // slot 1–25, 0 none, -1 added by hand to an album page
    quint8 PenStyle = psSolid;
    quint32 PenColor = kBlack;
    Currency PenWidth = 1000;     // 0.1 mm
    quint8 Brush = bsSolid;
    quint32 BrushColor = kWhite;
    quint8 Diagonal = 0;          // 0–100 %
    bool Direction = false;
    TArrowStyle Arrow = arwNone;
    quint8 MeisaiLine = 1;        // 1–99
    QString Caption;
    PartFont Font;
    TAlignment Alignment = taCenter;
    TTextLayout Layout = tlCenter;
    TRotateStyle Rotate = rs0;
    Currency Pitch = 0;
    Currency LinePitch = 0;
    bool Justfit = false;
    TKageStyle Kage = fkNone;
    quint32 KageColor = kSilver;
    bool Waku = false;
    quint32 WakuColor = kGray;
    TPictureStream PictureStream;
    // Not published: image orientation (0 standard, 1 right 90°, 2 down 180°,
    // 3 left 270°), mirrors, the bound photo and drawing rows, the reference
    // size and the point list in reference-size coordinates.
    quint8 ImageOrientation = 0;
    bool MirrorH = false, MirrorV = false;
    RECORD PhotoRecord = 0;
    RECORD RefRecord = 0;
    qint32 RefWidth = 0, RefHeight = 0;
    QList<QPoint> Points;

    // A part drawn in a format starts with slot 0, one drawn on an album page
    // with -1 (追加); pen, fill and font come from the editor's settings.
    static TPartsBox make(TPartsType shape, bool onAlbumPage, const DrawingDefaults& d = {});

    Currency right() const { return PLeft + PWidth; }
    Currency bottom() const { return PTop + PHeight; }
    bool operator==(const TPartsBox&) const = default;
};

// The code of the first token of a caption (0 when it has none), as the
// frames are recognised: 2500 photo frame, 2600–2602 drawing frames.
int firstTokenCode(QStringView caption);
inline bool isPhotoFrameCode(int code) { return code == 2500; }
inline bool isDrawingFrameCode(int code) { return code >= 2600 && code <= 2602; }
// The frame code of an item part (2500, 2600–2602), 0 when it is not a frame.
int frameCode(const TPartsBox& part);

}  // namespace zb::album
