#include "album/parts_draw.h"

#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QTransform>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace zb::album {

namespace {

// Values a damaged file may hold beyond what the editor lets one set are
// drawn as the nearest value it allows.
int diagonalOf(const TPartsBox& p) { return qMin<int>(p.Diagonal, 100); }
int detailBandsOf(const TPartsBox& p) { return std::clamp<int>(p.MeisaiLine, 1, 99); }
Currency penWidthOf(const TPartsBox& p) { return std::clamp<Currency>(p.PenWidth, 0, mm(99)); }

}  // namespace

DrawTarget DrawTarget::onScreen(int pixelsPerInch, int zoom)
{
    DrawTarget t;
    t.screen = true;
    t.pixelsPerInch = pixelsPerInch;
    t.zoom = zoom;
    return t;
}

DrawTarget DrawTarget::onPrinter(double pixelsPerMm, QPoint origin)
{
    DrawTarget t;
    t.screen = false;
    t.pixelsPerMm = pixelsPerMm;
    t.origin = origin;
    return t;
}

int DrawTarget::length(Currency mm) const
{
    if (screen)
        return mmToPixels(mm, pixelsPerInch, zoom);
    return int(std::lround(std::clamp(toMm(mm) * pixelsPerMm, -kPixelLimit, kPixelLimit)));
}

QRect DrawTarget::partRect(const TPartsBox& p) const
{
    return QRect(x(p.PLeft), y(p.PTop), length(p.PWidth), length(p.PHeight));
}

double DrawTarget::pointsToPixels(double points) const
{
    if (screen)
        return points * pixelsPerInch / 72.0 * zoom / 100.0;
    return points * 25.4 / 72.0 * pixelsPerMm;
}

QString substituteFamily(const QString& name)
{
    static const QList<QPair<QString, QString>> stand = {
        {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic")},
        {QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho")},
        {QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic")},
        {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")},
        {QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho")},
    };
    for (const auto& [from, to] : stand)
        if (name == from)
            return to;
    return name;
}

QFont partFont(const PartFont& f, double pixelSize)
{
    QFont font;
    const QString family = substituteFamily(f.name);
    font.setFamilies({family, QStringLiteral("IPAGothic"), QStringLiteral("IPAMincho")});
    font.setPixelSize(qMax(1, int(std::lround(pixelSize))));
    font.setBold(f.style & fsBold);
    font.setItalic(f.style & fsItalic);
    font.setUnderline(f.style & fsUnderline);
    font.setStrikeOut(f.style & fsStrikeOut);
    return font;
}

QList<int> detailLinePositions(int top, int height, int bands)
{
    QList<int> lines;
    double left = height, sum = 0;
    for (int i = bands; i > 1; --i) {
        const double band = left / i;
        sum += band;
        left -= band;
        lines << top + int(sum);
    }
    return lines;
}

int cornerDiameter(int width, int height, int diagonal)
{
    return qMin(width, height) * std::clamp(diagonal, 0, 100) / 100;
}

QRect fittedRect(QSize picture, const QRect& frame)
{
    if (picture.isEmpty() || frame.isEmpty())
        return QRect();
    const qint64 pw = picture.width(), ph = picture.height(), fw = frame.width(), fh = frame.height();
    QSize size;
    if (pw * fh > ph * fw)  // wider than the frame: the width fills it
        size = QSize(int(fw), int(qMax<qint64>(1, (ph * fw * 2 + pw) / (pw * 2))));
    else
        size = QSize(int(qMax<qint64>(1, (pw * fh * 2 + ph) / (ph * 2))), int(fh));
    return QRect(frame.x() + (frame.width() - size.width()) / 2, frame.y() + (frame.height() - size.height()) / 2,
                 size.width(), size.height());
}

int shadowDirection(TKageStyle kage, TRotateStyle rotate)
{
    if (kage == fkNone)
        return 0;
    int index = int(kage) + 2 * int(rotate);
    while (index > 8)
        index -= 8;
    return index;
}

QPoint shadowOffset(int direction, int w)
{
    switch (direction) {
    case 1: return {0, -w};
    case 2: return {-w, -w};
    case 3: return {-w, 0};
    case 4: return {-w, w};
    case 5: return {0, w};
    case 6: return {w, w};
    case 7: return {w, 0};
    case 8: return {w, -w};
    default: return {};
    }
}

namespace {

// The characters of a line, a surrogate pair kept together.
QStringList characters(const QString& line)
{
    QStringList chars;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate()) {
            chars << line.mid(i, 2);
            ++i;
        } else {
            chars << QString(line[i]);
        }
    }
    return chars;
}

double lineWidth(const QStringList& chars, const QFontMetricsF& m, double pitch)
{
    double w = 0;
    for (const QString& c : chars)
        w += m.horizontalAdvance(c) + pitch;
    return w;
}

}  // namespace

QStringList layoutLines(const QString& text, const QFontMetricsF& m, double pitch, double width, bool justfit)
{
    QStringList lines;
    QString plain = text;
    plain.remove(u'\n');
    for (const QString& raw : plain.split(u'\r')) {
        if (justfit) {
            lines << raw;
            continue;
        }
        const QStringList chars = characters(raw);
        QString line;
        double w = 0;
        for (const QString& c : chars) {
            const double cw = m.horizontalAdvance(c) + pitch;
            // The line may be as wide as the rectangle plus one pitch (the
            // pitch after the last character is not seen).
            if (!line.isEmpty() && w + cw > width + pitch) {
                lines << line;
                line.clear();
                w = 0;
            }
            line += c;
            w += cw;
        }
        lines << line;
    }
    return lines;
}

QPair<QPoint, QPoint> lineEnds(const TPartsBox& p, const QRect& r)
{
    const int L = r.x(), T = r.y(), W = r.width(), H = r.height();
    QPoint a, b;
    if (p.Direction) {
        const int d = int(std::lround(H * diagonalOf(p) / 100.0));
        a = {L, T + d};
        b = {L + W, T + H - d};
    } else {
        const int d = int(std::lround(W * diagonalOf(p) / 100.0));
        a = {L + d, T};
        b = {L + W - d, T + H};
    }
    const auto mirror = [&](QPoint q) {
        if (p.MirrorH)
            q.setX(2 * L + W - q.x() - 1);
        if (p.MirrorV)
            q.setY(2 * T + H - q.y() - 1);
        return q;
    };
    return {mirror(a), mirror(b)};
}

QList<QPoint> scaledPoints(const TPartsBox& p, const QRect& r)
{
    QList<QPoint> out;
    if (p.RefWidth <= 0 || p.RefHeight <= 0 || r.width() <= 0 || r.height() <= 0)
        return out;
    const int L = r.x(), T = r.y(), W = r.width(), H = r.height();
    const auto bounded = [](qint64 v) { return int(std::clamp<qint64>(v, -(1 << 24), 1 << 24)); };
    for (const QPoint& q : p.Points) {
        QPoint s(L + bounded(qint64(q.x()) * W / p.RefWidth), T + bounded(qint64(q.y()) * H / p.RefHeight));
        if (p.MirrorH)
            s.setX(2 * L + W - s.x() - 1);
        if (p.MirrorV)
            s.setY(2 * T + H - s.y() - 1);
        out << s;
    }
    return out;
}

QImage orientedImage(const QImage& image, int orientation, bool mirrorH, bool mirrorV)
{
    if (image.isNull())
        return image;
    QImage out = image;
    if (orientation >= 1 && orientation <= 3)
        out = out.transformed(QTransform().rotate(90.0 * orientation));
    if (mirrorH || mirrorV)
        out = out.mirrored(mirrorH, mirrorV);
    return out;
}

QImage embeddedPicture(const TPictureStream& pic)
{
    QImage image;
    if (pic.bytes.isEmpty())
        return image;
    SilentMessages quiet;
    if (pic.kind == QLatin1String("WMF")) {
        image = RenderMetafile(pic.bytes);
    } else if (pic.kind == QLatin1String("JPG")) {
        if (!DecodeJpeg(pic.bytes, image, 0, quiet))
            image = QImage();
    } else {
        image.loadFromData(pic.bytes);
    }
    return image;
}

QString drawnCaption(const TPartsBox& p, const DrawContext& c)
{
    if (c.mode == DrawMode::Format) {
        // The frames of a format show no text of their own.
        if (frameCode(p))
            return QString();
        return resolveForFormat(p.Caption, c.company, c.today);
    }
    return resolveAtDrawing(p.Caption, c.page);
}

namespace {

Qt::PenStyle qtPenStyle(quint8 s)
{
    switch (s) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

Qt::BrushStyle qtBrushStyle(quint8 s)
{
    switch (s) {
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

QColor color(quint32 c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// The outline width in pixels: the part's width for solid lines, the
// thinnest line (0) for the other styles.
int penPixels(const TPartsBox& p, const DrawTarget& t)
{
    if (p.PenStyle != psSolid && p.PenStyle != psInsideFrame)
        return 0;
    // Never wider than the part can hold inside its bounds.
    const QRect bounds = t.partRect(p);
    return std::clamp(t.length(penWidthOf(p)), 0, qMax(0, qMin(bounds.width(), bounds.height()) / 2));
}

QPen makePen(Qt::PenStyle style, quint32 c, int width)
{
    QPen pen(color(c));
    pen.setStyle(style);
    pen.setWidth(width);
    pen.setCosmetic(width == 0);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

// The outline lies inside the bounds: the rectangle the pen's centre follows.
QRectF strokeRect(const QRect& r, int pw)
{
    if (pw <= 0)
        return QRectF(r.x() + 0.5, r.y() + 0.5, r.width() - 1.0, r.height() - 1.0);
    return QRectF(r.x() + pw / 2.0, r.y() + pw / 2.0, r.width() - double(pw), r.height() - double(pw));
}

// The rectangle that holds the drawing and its text, in whole pixels.
QRect innerRect(const QRect& r, int pw)
{
    const int inset = pw <= 0 ? 0 : pw / 2;
    const int less = pw <= 0 ? 1 : pw;
    return QRect(r.x() + inset, r.y() + inset, r.width() - less, r.height() - less);
}

void hatch(QPainter& g, const QRect& r, const QColor& c)
{
    g.save();
    g.setPen(Qt::NoPen);
    g.setBrush(QBrush(c, Qt::DiagCrossPattern));
    g.drawRect(r);
    g.restore();
}

void drawArrowHead(QPainter& g, QPoint from, QPoint towards, int length)
{
    const double dx = towards.x() - from.x(), dy = towards.y() - from.y();
    const double len = std::hypot(dx, dy);
    if (len <= 0 || length <= 0)
        return;
    const double ux = dx / len * length, uy = dy / len * length;
    for (const double deg : {20.0, -20.0}) {
        const double a = qDegreesToRadians(deg);
        const QPoint tip(from.x() + int(std::lround(std::cos(a) * ux - std::sin(a) * uy)),
                         from.y() + int(std::lround(std::sin(a) * ux + std::cos(a) * uy)));
        g.drawLine(from, tip);
    }
}

// The parametric angle (1/16 degree) of the ray from the ellipse's centre
// through a point, as the painter's arcs measure it.
int arcAngle(const QRectF& e, QPointF p)
{
    const double rx = e.width() / 2, ry = e.height() / 2;
    const QPointF c = e.center();
    if (rx <= 0 || ry <= 0)
        return 0;
    const double t = std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx);
    return int(std::lround(qRadiansToDegrees(t) * 16));
}

void drawArcKind(QPainter& g, const TPartsBox& p, const QRect& rect)
{
    const QList<QPoint> pts = scaledPoints(p, rect);
    if (pts.size() < 4)
        return;
    const QRectF e = QRectF(QPointF(pts[0]), QPointF(pts[1])).normalized();
    QPoint s = pts[2], t = pts[3];
    if (p.MirrorH != p.MirrorV)
        std::swap(s, t);
    const int a0 = arcAngle(e, s);
    int span = arcAngle(e, t) - a0;
    while (span <= 0)
        span += 360 * 16;
    if (p.Shape == ptArc)
        g.drawArc(e, a0, span);
    else if (p.Shape == ptPie)
        g.drawPie(e, a0, span);
    else
        g.drawChord(e, a0, span);
}

void drawText(QPainter& g, const TPartsBox& p, const QString& text, const QRect& box, const DrawContext& c)
{
    if (text.isEmpty() || box.width() <= 0 || box.height() <= 0)
        return;
    const DrawTarget& t = c.target;
    // On screen a font below one point at this zoom is not drawn.
    if (t.screen && p.Font.size * t.zoom / 100.0 < 1.0)
        return;
    double pixelSize = t.pointsToPixels(p.Font.size);
    if (pixelSize < 0.5)
        return;
    // Text larger than its box is clipped anyway; a size from a damaged file
    // must not make the font engine render giant glyphs.
    pixelSize = qMin(pixelSize, 2.0 * qMax(box.width(), box.height()) + 64);
    const QFont font = partFont(p.Font, pixelSize);
    const QFontMetricsF m(font, g.device());

    QRect r = box;
    if (p.Waku || p.Kage != fkNone) {
        int in = t.screen ? ((p.Font.style & fsBold) ? 2 : 1) : qMax(1, int(std::lround(t.pixelsPerMm / 10)));
        r.adjust(in, in, -in, -in);
    }
    const bool turned = p.Rotate == rs90 || p.Rotate == rs270;
    const double w = turned ? r.height() : r.width();
    const double h = turned ? r.width() : r.height();
    if (w <= 0 || h <= 0)
        return;
    const double pitch = t.length(p.Pitch);
    const double lineHeight = m.height() + t.length(p.LinePitch);
    const QStringList lines = layoutLines(text, m, pitch, w, p.Justfit);

    const double blockHeight = lineHeight * lines.size();
    double y0 = 0;
    if (p.Layout == tlCenter)
        y0 = qMax(0.0, (h - blockHeight) / 2);
    else if (p.Layout == tlBottom)
        y0 = h - blockHeight;

    const double W = m.horizontalAdvance(QStringLiteral("Ｗ"));
    const int shadow = qMax(1, int(std::lround((m.height() + W) / 16)));
    const int dir = shadowDirection(p.Kage, p.Rotate);

    const auto paintBlock = [&](QPoint deviceShift, const QColor& colour, bool frame) {
        g.save();
        g.translate(deviceShift);
        switch (p.Rotate) {
        case rs90: g.translate(r.left(), r.bottom() + 1); g.rotate(-90); break;
        case rs180: g.translate(r.right() + 1, r.bottom() + 1); g.rotate(180); break;
        case rs270: g.translate(r.right() + 1, r.top()); g.rotate(90); break;
        default: g.translate(r.topLeft()); break;
        }
        g.setClipRect(QRectF(0, 0, w, h), Qt::IntersectClip);
        g.setFont(font);
        g.setPen(colour);
        double blockLeft = w, blockRight = 0;
        for (int i = 0; i < lines.size(); ++i) {
            const QStringList chars = characters(lines[i]);
            double lw = lineWidth(chars, m, pitch) - (chars.isEmpty() ? 0 : pitch);
            double sx = 1.0;
            if (p.Justfit && lw > w && lw > 0) {
                // Narrow the characters until the line fits, but never below a
                // width of one pixel per character.
                sx = w / lw;
                const double narrowest = chars.isEmpty() ? 1.0 : double(chars.size()) / lw;
                sx = qMax(sx, qMin(1.0, narrowest));
                lw *= sx;
            }
            double x = 0;
            if (p.Alignment == taCenter)
                x = (w - lw) / 2;
            else if (p.Alignment == taRightJustify)
                x = w - lw;
            blockLeft = qMin(blockLeft, x);
            blockRight = qMax(blockRight, x + lw);
            const double baseline = y0 + i * lineHeight + m.ascent();
            if (frame)
                continue;
            g.save();
            g.translate(x, baseline);
            g.scale(sx, 1.0);
            double cx = 0;
            for (const QString& ch : chars) {
                g.drawText(QPointF(cx, 0), ch);
                cx += m.horizontalAdvance(ch) + pitch;
            }
            g.restore();
        }
        if (frame && !lines.isEmpty()) {
            g.setPen(QPen(color(p.WakuColor), 0));
            g.setBrush(Qt::NoBrush);
            g.drawRect(QRectF(blockLeft - 1, y0 - 1, blockRight - blockLeft + 1, blockHeight + 1));
        }
        g.restore();
    };
    if (dir)
        paintBlock(shadowOffset(dir, shadow), color(p.KageColor), false);
    paintBlock(QPoint(), color(p.Font.color), false);
    if (p.Waku)
        paintBlock(QPoint(), color(p.WakuColor), true);
}

void drawFrame(QPainter& g, const TPartsBox& p, int code, const QRect& r, const DrawContext& c)
{
    const QColor hatchColour = c.target.screen ? QColor(Qt::lightGray) : QColor(Qt::black);
    if (c.mode == DrawMode::Format || !c.frames) {
        hatch(g, r, c.target.screen ? QColor(192, 192, 192) : QColor(Qt::black));
        return;
    }
    FramePicture pic = c.frames(p, code, r.size(), c.target.screen);
    if (pic.missing) {
        hatch(g, r, hatchColour);
        TPartsBox label = p;
        label.Caption = kDeletedFrameText;
        label.Rotate = rs0;
        label.Alignment = taCenter;
        label.Layout = tlCenter;
        label.Kage = fkNone;
        label.Waku = false;
        drawText(g, label, kDeletedFrameText, r, c);
        return;
    }
    if (pic.image.isNull())
        return;
    const QImage shown = pic.ready ? pic.image : orientedImage(pic.image, p.ImageOrientation, p.MirrorH, p.MirrorV);
    g.save();
    g.setRenderHint(QPainter::SmoothPixmapTransform, !c.target.screen);
    g.drawImage(QRectF(fittedRect(shown.size(), r)), shown);
    g.restore();
}

}  // namespace

QRect drawingRect(const TPartsBox& part, const DrawTarget& target)
{
    return innerRect(target.partRect(part), penPixels(part, target));
}

void drawPart(QPainter& g, const TPartsBox& p, const DrawContext& c)
{
    const DrawTarget& t = c.target;
    const QRect bounds = t.partRect(p);
    if (bounds.width() <= 0 || bounds.height() <= 0)
        return;
    g.save();
    g.setRenderHint(QPainter::Antialiasing, false);
    const int pw = penPixels(p, t);
    const QPen pen = makePen(qtPenStyle(p.PenStyle), p.PenColor, pw);
    const QBrush brush = p.Brush == bsClear ? QBrush(Qt::NoBrush) : QBrush(color(p.BrushColor), qtBrushStyle(p.Brush));
    g.setPen(pen);
    g.setBrush(brush);
    const QRectF sr = strokeRect(bounds, pw);
    const QRect inner = innerRect(bounds, pw);

    switch (p.Shape) {
    case ptKoumoku:
    case ptRectangle: {
        const int d = cornerDiameter(inner.width(), inner.height(), p.Diagonal);
        if (d > 0)
            g.drawRoundedRect(sr, d / 2.0, d / 2.0);
        else
            g.drawRect(sr);
        if (p.Shape == ptRectangle && detailBandsOf(p) >= 2) {
            const QPen detail = p.PenStyle == psClear ? makePen(Qt::SolidLine, p.PenColor, t.length(penWidthOf(p)))
                                                      : makePen(qtPenStyle(p.PenStyle), p.PenColor, pw / 2);
            g.setPen(detail);
            if (p.Direction) {
                for (int x : detailLinePositions(inner.left(), inner.width(), detailBandsOf(p)))
                    g.drawLine(QPointF(x + 0.5, sr.top()), QPointF(x + 0.5, sr.bottom()));
            } else {
                for (int y : detailLinePositions(inner.top(), inner.height(), detailBandsOf(p)))
                    g.drawLine(QPointF(sr.left(), y + 0.5), QPointF(sr.right(), y + 0.5));
            }
            g.setPen(pen);
        }
        if (const int code = frameCode(p)) {
            drawFrame(g, p, code, inner, c);
            // The outline stays whole: a thin one would be covered by the picture.
            if (p.PenStyle != psClear) {
                g.setBrush(Qt::NoBrush);
                if (d > 0)
                    g.drawRoundedRect(sr, d / 2.0, d / 2.0);
                else
                    g.drawRect(sr);
            }
        }
        break;
    }
    case ptEllipse:
        g.drawEllipse(sr);
        break;
    case ptTryangle: {
        QPolygonF tri;
        if (p.Direction) {
            const double apex = sr.top() + sr.height() * diagonalOf(p) / 100.0;
            tri << QPointF(sr.left(), apex) << QPointF(sr.right(), sr.top()) << QPointF(sr.right(), sr.bottom());
        } else {
            const double apex = sr.left() + sr.width() * diagonalOf(p) / 100.0;
            tri << QPointF(apex, sr.top()) << QPointF(sr.right(), sr.bottom()) << QPointF(sr.left(), sr.bottom());
        }
        g.drawPolygon(tri);
        break;
    }
    case ptLine:
    case ptArrow: {
        const auto [a, b] = lineEnds(p, bounds);
        g.drawLine(a, b);
        if (p.Arrow != arwNone) {
            const int head = t.screen ? mmToPixels(mm(4), t.pixelsPerInch, t.zoom) : t.length(mm(3));
            if (p.Arrow == arwLeft || p.Arrow == arwCenter)
                drawArrowHead(g, a, b, head);
            if (p.Arrow == arwRight || p.Arrow == arwCenter)
                drawArrowHead(g, b, a, head);
        }
        break;
    }
    case ptPolyLine:
    case ptPolygon: {
        const QList<QPoint> pts = scaledPoints(p, inner);
        if (pts.size() >= 2) {
            if (p.Shape == ptPolyLine)
                g.drawPolyline(pts.constData(), int(pts.size()));
            else
                g.drawPolygon(pts.constData(), int(pts.size()));
        }
        break;
    }
    case ptPolyBezier: {
        const QList<QPoint> pts = scaledPoints(p, inner);
        if (pts.size() >= 4) {
            QPainterPath path(pts[0]);
            for (qsizetype i = 1; i + 2 < pts.size(); i += 3)
                path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
            g.setBrush(Qt::NoBrush);
            g.drawPath(path);
        }
        break;
    }
    case ptArc:
    case ptPie:
    case ptChord:
        drawArcKind(g, p, inner);
        break;
    case ptPicture: {
        const QImage image = orientedImage(embeddedPicture(p.PictureStream), p.ImageOrientation, p.MirrorH, p.MirrorV);
        if (!image.isNull()) {
            g.setRenderHint(QPainter::SmoothPixmapTransform, !t.screen);
            g.drawImage(QRectF(inner), image);
        }
        break;
    }
    case ptCut:
        break;
    }
    drawText(g, p, drawnCaption(p, c), inner, c);
    g.restore();
}

void drawPage(QPainter& g, const Page& page, const DrawContext& c)
{
    for (const TPartsBox& p : page.parts)
        drawPart(g, p, c);
}

}  // namespace zb::album
