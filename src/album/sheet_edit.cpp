#include "album/sheet_edit.h"

#include "core/ports.h"
#include "imaging/jpeg_codec.h"

#include <algorithm>
#include <cmath>

namespace zb::album {

Currency snapToGrid(Currency value, Currency pitch)
{
    if (pitch <= 0)
        return value;
    return Currency(std::floor(double(value) / double(pitch) + 0.5)) * pitch;
}

namespace {

Currency pixelsAsMm(int pixels, const DrawTarget& t)
{
    if (t.screen)
        return pixelsToMm(pixels, t.pixelsPerInch, t.zoom);
    return t.pixelsPerMm > 0 ? Currency(std::llround(pixels / t.pixelsPerMm * kCurrencyScale)) : 0;
}

}  // namespace

QPoint snapPoint(QPoint p, Currency pitch, const DrawTarget& t)
{
    const auto snap = [&](int v, int origin) {
        return t.length(snapToGrid(pixelsAsMm(v - origin, t), pitch)) + origin;
    };
    return {snap(p.x(), t.origin.x()), snap(p.y(), t.origin.y())};
}

int partAt(const Page& page, QPoint p, const DrawTarget& t)
{
    for (int i = int(page.parts.size()) - 1; i >= 0; --i)
        if (t.partRect(page.parts[i]).contains(p))
            return i;
    return -1;
}

QList<int> partsInRect(const Page& page, const QRect& band, bool enclose, const DrawTarget& t)
{
    QList<int> out;
    const QRect b = band.normalized();
    for (int i = 0; i < page.parts.size(); ++i) {
        const QRect r = t.partRect(page.parts[i]);
        if (enclose ? b.contains(r) : b.intersects(r.adjusted(0, 0, r.width() ? 0 : 1, r.height() ? 0 : 1)))
            out << i;
    }
    return out;
}

QList<int> groupOf(const Page& page, int index, bool album)
{
    if (index < 0 || index >= page.parts.size())
        return {};
    const TPartsBox& p = page.parts[index];
    const bool grouped = album ? p.PhotoRecord > 0 : p.FormIndex > 0;
    if (!grouped)
        return {index};
    QList<int> out;
    for (int i = 0; i < page.parts.size(); ++i) {
        const TPartsBox& q = page.parts[i];
        if (album ? q.PhotoRecord == p.PhotoRecord : q.FormIndex == p.FormIndex)
            out << i;
    }
    return out;
}

void moveParts(Page& page, const QList<int>& sel, Currency dx, Currency dy)
{
    for (int i : sel) {
        page.parts[i].PLeft += dx;
        page.parts[i].PTop += dy;
    }
}

void resizeParts(Page& page, const QList<int>& sel, Currency dw, Currency dh)
{
    for (int i : sel) {
        page.parts[i].PWidth = qMax<Currency>(0, page.parts[i].PWidth + dw);
        page.parts[i].PHeight = qMax<Currency>(0, page.parts[i].PHeight + dh);
    }
}

void alignLeftAndWidth(Page& page, const QList<int>& sel, int focused)
{
    const TPartsBox f = page.parts[focused];
    for (int i : sel) {
        page.parts[i].PLeft = f.PLeft;
        page.parts[i].PWidth = f.PWidth;
    }
}

void alignTopAndHeight(Page& page, const QList<int>& sel, int focused)
{
    const TPartsBox f = page.parts[focused];
    for (int i : sel) {
        page.parts[i].PTop = f.PTop;
        page.parts[i].PHeight = f.PHeight;
    }
}

void alignSize(Page& page, const QList<int>& sel, int focused)
{
    const TPartsBox f = page.parts[focused];
    for (int i : sel) {
        page.parts[i].PWidth = f.PWidth;
        page.parts[i].PHeight = f.PHeight;
    }
}

namespace {

void arrange(Page& page, QList<int> sel, const DrawTarget& t, bool across)
{
    auto& parts = page.parts;
    std::stable_sort(sel.begin(), sel.end(), [&](int a, int b) {
        return across ? parts[a].PLeft < parts[b].PLeft : parts[a].PTop < parts[b].PTop;
    });
    const Currency onePixel = pixelsAsMm(1, t);
    for (int k = 1; k < sel.size(); ++k) {
        const TPartsBox& prev = parts[sel[k - 1]];
        if (across)
            parts[sel[k]].PLeft = prev.right() - onePixel;
        else
            parts[sel[k]].PTop = prev.bottom() - onePixel;
    }
}

}  // namespace

void arrangeAcross(Page& page, const QList<int>& sel, const DrawTarget& t) { arrange(page, sel, t, true); }
void arrangeDown(Page& page, const QList<int>& sel, const DrawTarget& t) { arrange(page, sel, t, false); }

QList<int> raiseParts(Page& page, const QList<int>& selection)
{
    QList<int> sel = selection;
    std::sort(sel.begin(), sel.end(), std::greater<int>());
    for (int& i : sel) {
        if (i + 1 < page.parts.size() && !sel.contains(i + 1)) {
            page.parts.swapItemsAt(i, i + 1);
            ++i;
        }
    }
    std::sort(sel.begin(), sel.end());
    return sel;
}

QList<int> lowerParts(Page& page, const QList<int>& selection)
{
    QList<int> sel = selection;
    std::sort(sel.begin(), sel.end());
    for (int& i : sel) {
        if (i > 0 && !sel.contains(i - 1)) {
            page.parts.swapItemsAt(i, i - 1);
            --i;
        }
    }
    return sel;
}

QList<QPoint> bezierControlList(const QList<QPoint>& q)
{
    QList<QPoint> out;
    if (q.isEmpty())
        return out;
    out << q[0];
    for (int i = 1; i < q.size(); i += 2) {
        if (i + 1 < q.size())
            out << 2 * q[i] - q[i + 1] << q[i];
        out << q[i];
    }
    const qsizetype keep = ((out.size() - 1) / 3) * 3 + 1;
    out.resize(keep);
    return out;
}

// ---- point entry

PointEntry::PointEntry(TPartsType kind) : kind_(kind) {}

void PointEntry::press(QPoint p)
{
    points_ << p;
    floating_ = p;
    hasFloating_ = true;
}

bool PointEntry::takeBack()
{
    if (!points_.isEmpty())
        points_.removeLast();
    return !points_.isEmpty();
}

std::optional<QList<QPoint>> PointEntry::finish()
{
    if (kind_ == ptPolyBezier) {
        QList<QPoint> entered = points_;
        if (hasFloating_)
            entered << floating_;
        if (bezierControlList(entered).size() < 4)
            return std::nullopt;
        return entered;
    }
    QList<QPoint> pts = points_;
    if (!pts.isEmpty())
        pts.removeLast();  // the double-click's second press
    if (isArcKind()) {
        if (pts.size() < 4)
            return std::nullopt;
        return pts.mid(0, 4);
    }
    if (pts.size() < (kind_ == ptPolygon ? 3 : 2))
        return std::nullopt;
    return pts;
}

QList<QPoint> PointEntry::withFloating() const
{
    QList<QPoint> out = points_;
    if (hasFloating_ && !points_.isEmpty())
        out << floating_;
    return out;
}

QString PointEntry::status() const
{
    const qsizetype n = points_.size();
    if (n == 0)
        return kEntryStart;
    if (!isArcKind())
        return kEntryNext;
    if (n == 1)
        return kEntryArcCorner;
    if (n == 2)
        return kEntryArcStart;
    return kEntryArcEnd;
}

// ---- parts from points

QRect markedBounds(const TPartsBox& curve)
{
    if (curve.RefWidth <= 0 || curve.RefHeight <= 0)
        return {};
    TPartsBox p = curve;
    p.PLeft = p.PTop = 0;
    p.PWidth = mm(p.RefWidth + 1);
    p.PHeight = mm(p.RefHeight + 1);
    p.PenStyle = psSolid;
    p.PenColor = kBlack;
    p.PenWidth = 0;
    p.Brush = bsClear;
    p.Caption.clear();
    p.MirrorH = p.MirrorV = false;
    QImage image(p.RefWidth + 1, p.RefHeight + 1, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::white);
    {
        QPainter g(&image);
        DrawContext c;
        c.target = DrawTarget::onPrinter(1.0);
        drawPart(g, p, c);
    }
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] & 0xFFFFFF) != 0xFFFFFF) {
                left = qMin(left, x);
                right = qMax(right, x);
                top = qMin(top, y);
                bottom = qMax(bottom, y);
            }
        }
    }
    if (right < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

TPartsBox partFromPoints(TPartsType kind, const QList<QPoint>& sheet, const DrawTarget& t,
                         const DrawingDefaults& defaults, bool onAlbumPage)
{
    TPartsBox p = TPartsBox::make(kind, onAlbumPage, defaults);
    QList<QPoint> pts = kind == ptPolyBezier ? bezierControlList(sheet) : sheet;
    const bool arc = kind == ptArc || kind == ptPie || kind == ptChord;
    if (arc)
        pts = pts.mid(0, 4);
    if (pts.isEmpty())
        return p;
    const QList<QPoint> boxed = arc ? pts.mid(0, 2) : pts;
    int minX = boxed[0].x(), maxX = minX, minY = boxed[0].y(), maxY = minY;
    for (const QPoint& q : boxed) {
        minX = qMin(minX, q.x());
        maxX = qMax(maxX, q.x());
        minY = qMin(minY, q.y());
        maxY = qMax(maxY, q.y());
    }
    QPoint corner(minX, minY);
    p.RefWidth = maxX - minX + 1;
    p.RefHeight = maxY - minY + 1;
    for (QPoint& q : pts)
        q -= corner;
    p.Points = pts;
    if (kind == ptPolyBezier || arc) {
        p.PenWidth = 0;
        const QRect marked = markedBounds(p);
        if (marked.isValid()) {
            corner += marked.topLeft();
            for (QPoint& q : p.Points)
                q -= marked.topLeft();
            p.RefWidth = marked.width();
            p.RefHeight = marked.height();
        }
    }
    p.PLeft = pixelsAsMm(corner.x() - t.origin.x(), t);
    p.PTop = pixelsAsMm(corner.y() - t.origin.y(), t);
    p.PWidth = pixelsAsMm(p.RefWidth, t);
    p.PHeight = pixelsAsMm(p.RefHeight, t);
    return p;
}

void fitToPicture(TPartsBox& p)
{
    qint64 w = p.RefWidth, h = p.RefHeight;
    if (p.ImageOrientation == 1 || p.ImageOrientation == 3)
        std::swap(w, h);
    if (w <= 0 || h <= 0)
        return;
    if (w > h)
        p.PHeight = Currency(std::llround(double(p.PWidth) * h / w));
    else
        p.PWidth = Currency(std::llround(double(p.PHeight) * w / h));
}

// ---- cut-out

QRect draggedRange(QPoint from, QPoint to)
{
    const QRect r(QPoint(qMin(from.x(), to.x()), qMin(from.y(), to.y())),
                  QPoint(qMax(from.x(), to.x()), qMax(from.y(), to.y())));
    if (r.width() <= 4 || r.height() <= 4)
        return QRect(from, QSize(120, 40));
    return r;
}

int cutSource(const Page& page, const QRect& range, const DrawTarget& t)
{
    for (int tolerance = 0; tolerance <= 20; ++tolerance)
        for (int i = int(page.parts.size()) - 1; i >= 0; --i)
            if (t.partRect(page.parts[i]).adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(range))
                return i;
    return -1;
}

std::optional<TPartsBox> cutOut(const TPartsBox& source, const QImage& picture, const QRect& range,
                                const DrawTarget& t, bool onAlbumPage, int quality)
{
    const QRect bounds = t.partRect(source);
    const QRect r = range.intersected(bounds);
    if (picture.isNull() || r.isEmpty() || bounds.width() <= 0 || bounds.height() <= 0)
        return std::nullopt;
    const double sx = double(picture.width()) / bounds.width(), sy = double(picture.height()) / bounds.height();
    const int x0 = int(sx * (r.left() - bounds.left())), x1 = int(sx * (r.right() + 1 - bounds.left()));
    const int y0 = int(sy * (r.top() - bounds.top())), y1 = int(sy * (r.bottom() + 1 - bounds.top()));
    if (x1 <= x0 || y1 <= y0)
        return std::nullopt;
    const QImage piece = picture.copy(x0, y0, x1 - x0, y1 - y0).convertToFormat(QImage::Format_RGB888);
    TPartsBox p = TPartsBox::make(ptPicture, onAlbumPage);
    SilentMessages quiet;
    QByteArray jpeg;
    if (!EncodeJpeg(piece, jpeg, false, quality, quiet))
        return std::nullopt;
    p.PictureStream = {jpeg, QStringLiteral("JPG")};
    p.RefWidth = piece.width();
    p.RefHeight = piece.height();
    p.PLeft = pixelsAsMm(r.left() - t.origin.x(), t);
    p.PTop = pixelsAsMm(r.top() - t.origin.y(), t);
    p.PWidth = pixelsAsMm(r.width(), t);
    p.PHeight = pixelsAsMm(r.height(), t);
    p.PenStyle = psClear;
    return p;
}

}  // namespace zb::album
