#include "album/parts_box.h"

#include "album/caption_codes.h"

namespace zb::album {

QString partsTypeCaption(TPartsType type)
{
    static const char* const captions[kPartsTypeCount] = {
        "工事情報/写真情報", "長方形", "円", "三角", "線", "矢印", "連続線",
        "ベジェ", "多角形", "弧", "扇", "弓", "画像", "画像の切取"};
    return type < kPartsTypeCount ? QString::fromUtf8(captions[type]) : QString();
}

QString partsTypeName(TPartsType type)
{
    static const char* const names[kPartsTypeCount] = {
        "ptKoumoku", "ptRectangle", "ptEllipse", "ptTryangle", "ptLine", "ptArrow", "ptPolyLine",
        "ptPolyBezier", "ptPolygon", "ptArc", "ptPie", "ptChord", "ptPicture", "ptCut"};
    return type < kPartsTypeCount ? QString::fromLatin1(names[type]) : QString();
}

TPartsBox TPartsBox::make(TPartsType shape, bool onAlbumPage, const DrawingDefaults& d)
{
    TPartsBox p;
    p.Shape = shape;
    p.FormIndex = onAlbumPage ? -1 : 0;
    p.PenStyle = d.penStyle;
    p.PenColor = d.penColor;
    p.Brush = d.brushStyle;
    p.BrushColor = d.brushColor;
    p.Font = d.font;
    return p;
}

int firstTokenCode(QStringView caption)
{
    const qsizetype open = caption.indexOf(u'{');
    if (open < 0)
        return 0;
    const qsizetype close = caption.indexOf(u'}', open + 1);
    if (close < 0)
        return 0;
    return parseToken(caption.mid(open + 1, close - open - 1)).code;
}

int frameCode(const TPartsBox& part)
{
    if (part.Shape != ptKoumoku)
        return 0;
    const int code = firstTokenCode(part.Caption);
    return isPhotoFrameCode(code) || isDrawingFrameCode(code) ? code : 0;
}

}  // namespace zb::album
