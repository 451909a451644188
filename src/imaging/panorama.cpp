#include "imaging/panorama.h"

#include "core/ports.h"
#include "imaging/graphic_kind.h"
#include "imaging/image_library.h"
#include "imaging/import.h"
#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"
#include "imaging/stored_pictures.h"
#include "imaging/working_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zb {

QString panoramaGuide(bool hasLeft, bool hasRight, int markers)
{
    if (!hasLeft && !hasRight)
        return kPanoramaNoPicture;
    if (!hasLeft)
        return kPanoramaNeedLeft;
    if (!hasRight)
        return kPanoramaNeedRight;
    return markers >= 4 ? kPanoramaReady : kPanoramaNeedMarkers;
}

double Similarity::scale() const { return std::sqrt(a * a + b * b); }

QPointF Similarity::map(QPointF p) const
{
    return {a * p.x() - b * p.y() + tx, b * p.x() + a * p.y() + ty};
}

QPointF Similarity::inverseMap(QPointF q) const
{
    const double d = a * a + b * b;
    const double x = q.x() - tx, y = q.y() - ty;
    return {(a * x + b * y) / d, (-b * x + a * y) / d};
}

std::optional<Similarity> similarityFor(QPointF l1, QPointF l2, QPointF r1, QPointF r2)
{
    const double lx = l2.x() - l1.x(), ly = l2.y() - l1.y();
    const double rx = r2.x() - r1.x(), ry = r2.y() - r1.y();
    const double rr = rx * rx + ry * ry;
    const double ll = lx * lx + ly * ly;
    if (!(rr > 1e-12) || !(ll > 1e-12))
        return std::nullopt;
    // (a + ib) = (l2 - l1) / (r2 - r1) as complex numbers.
    Similarity s;
    s.a = (lx * rx + ly * ry) / rr;
    s.b = (ly * rx - lx * ry) / rr;
    const double scale = s.scale();
    if (!(scale >= kPanoramaMinScale && scale <= kPanoramaMaxScale))
        return std::nullopt;
    s.tx = l1.x() - (s.a * r1.x() - s.b * r1.y());
    s.ty = l1.y() - (s.b * r1.x() + s.a * r1.y());
    return s;
}

void orderUpperLower(QPoint& upper, QPoint& lower)
{
    if (lower.y() < upper.y())
        std::swap(upper, lower);
}

namespace {

// The range of x (inclusive, as doubles) for which base + x·step lies within
// [0, limit]; empty (lo > hi) when none.
void clipAxis(double base, double step, double limit, double& lo, double& hi)
{
    if (std::abs(step) < 1e-15) {
        if (base < 0 || base > limit) {
            lo = 1;
            hi = 0;
        }
        return;
    }
    double x0 = (0 - base) / step, x1 = (limit - base) / step;
    if (x0 > x1)
        std::swap(x0, x1);
    lo = std::max(lo, x0);
    hi = std::min(hi, x1);
}

}  // namespace

QImage JoinPanorama(const QImage& leftIn, const QImage& rightIn, QPoint leftUpper, QPoint leftLower,
                    QPoint rightUpper, QPoint rightLower, QColor fill)
{
    if (leftIn.isNull() || rightIn.isNull())
        return {};
    orderUpperLower(leftUpper, leftLower);
    orderUpperLower(rightUpper, rightLower);
    const std::optional<Similarity> found = similarityFor(leftUpper, leftLower, rightUpper, rightLower);
    if (!found)
        return {};
    const Similarity sim = *found;

    const QImage left = leftIn.format() == kWorkingFormat ? leftIn : toWorkingBitmap(leftIn);
    const QImage right = rightIn.format() == kWorkingFormat ? rightIn : toWorkingBitmap(rightIn);
    if (left.isNull() || right.isNull())
        return {};
    const int wl = left.width(), hl = left.height();
    const int wr = right.width(), hr = right.height();

    // The bounding box of both pictures, in left-picture pixel coordinates.
    double minX = 0, minY = 0, maxX = wl - 1, maxY = hl - 1;
    for (const QPointF c : {QPointF(0, 0), QPointF(wr - 1, 0), QPointF(0, hr - 1), QPointF(wr - 1, hr - 1)}) {
        const QPointF m = sim.map(c);
        minX = std::min(minX, m.x());
        minY = std::min(minY, m.y());
        maxX = std::max(maxX, m.x());
        maxY = std::max(maxY, m.y());
    }
    const double ox = std::floor(minX), oy = std::floor(minY);
    const double wd = std::ceil(maxX) - ox + 1, hd = std::ceil(maxY) - oy + 1;
    if (!(wd > 0 && hd > 0 && wd <= double(kMaxSide) && hd <= double(kMaxSide)))
        return {};
    const qint64 w = qint64(wd), h = qint64(hd);
    QImage out = newWorkingBitmap(w, h);
    if (out.isNull())
        return {};
    const int offX = int(-ox), offY = int(-oy);  // where the left picture's origin lies in the result

    // Inverse transform, per result pixel: p = base(y) + x·step.
    const double d = sim.a * sim.a + sim.b * sim.b;
    const double stepX = sim.a / d, stepY = -sim.b / d;
    const double scale = sim.scale();
    const uchar fb = uchar(fill.blue()), fg = uchar(fill.green()), fr = uchar(fill.red());
    const uchar* rbits = right.constBits();
    const qsizetype rstride = right.bytesPerLine();

    forRowBands(int(h), w * h, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uchar* row = out.scanLine(y);
            for (qint64 x = 0; x < w; ++x) {
                row[3 * x] = fb;
                row[3 * x + 1] = fg;
                row[3 * x + 2] = fr;
            }
            const int ly = y - offY;  // row in the left picture
            const bool leftRow = ly >= 0 && ly < hl;
            if (leftRow)
                std::memcpy(row + 3 * qsizetype(offX), left.constScanLine(ly), size_t(wl) * 3);

            // Result x = 0 stands for left x = -offX.
            const QPointF p0 = sim.inverseMap(QPointF(-offX, ly));
            double lo = 0, hi = double(w - 1);
            clipAxis(p0.x(), stepX, wr - 1, lo, hi);
            clipAxis(p0.y(), stepY, hr - 1, lo, hi);
            if (lo > hi)
                continue;
            const qint64 xs = std::max<qint64>(0, qint64(std::ceil(lo - 1e-9)));
            const qint64 xe = std::min<qint64>(w - 1, qint64(std::floor(hi + 1e-9)));
            // Distance of this row to the left picture's top or bottom edge.
            const int dTopBottom = leftRow ? std::min(ly, hl - 1 - ly) : -1;
            for (qint64 x = xs; x <= xe; ++x) {
                double px = p0.x() + double(x) * stepX, py = p0.y() + double(x) * stepY;
                px = std::clamp(px, 0.0, double(wr - 1));
                py = std::clamp(py, 0.0, double(hr - 1));
                int x0 = int(px), y0 = int(py);
                if (x0 > wr - 2)
                    x0 = std::max(0, wr - 2);
                if (y0 > hr - 2)
                    y0 = std::max(0, hr - 2);
                const int x1 = std::min(x0 + 1, wr - 1), y1 = std::min(y0 + 1, hr - 1);
                const int fx = int((px - x0) * 256 + 0.5), fy = int((py - y0) * 256 + 0.5);
                const uchar* r0 = rbits + rstride * y0;
                const uchar* r1 = rbits + rstride * y1;
                const uchar* a00 = r0 + 3 * x0;
                const uchar* a01 = r0 + 3 * x1;
                const uchar* a10 = r1 + 3 * x0;
                const uchar* a11 = r1 + 3 * x1;
                uchar* o = row + 3 * x;
                const int lx = int(x) - offX;
                const bool inLeft = leftRow && lx >= 0 && lx < wl;
                int alpha = 256;  // share of the right picture
                if (inLeft) {
                    // Each picture weighs by how far the point lies inside it,
                    // so the seam fades across the whole overlap.
                    const double dl = std::min({lx, wl - 1 - lx, dTopBottom}) + 1.0;
                    const double dr = std::min({px, wr - 1 - px, py, hr - 1 - py}) * scale + 1.0;
                    alpha = int(256 * dr / (dl + dr) + 0.5);
                }
                for (int c = 0; c < 3; ++c) {
                    const int top = a00[c] * (256 - fx) + a01[c] * fx;
                    const int bottom = a10[c] * (256 - fx) + a11[c] * fx;
                    const int v = (top * (256 - fy) + bottom * fy + 32768) >> 16;
                    o[c] = inLeft ? uchar((v * alpha + o[c] * (256 - alpha) + 128) >> 8) : uchar(v);
                }
            }
        }
    });
    return out;
}

int markerPictureCoord(int scroll, int markerPos, int ratio)
{
    if (ratio <= 0)
        return 0;
    // Truncation toward zero, as the dialog has always computed it.
    return int((qint64(scroll) + markerPos + 3) * 100 / ratio);
}

int markerPosFor(int pictureCoord, int scroll, int ratio)
{
    if (ratio <= 0)
        return 0;
    int pos = int(qint64(pictureCoord) * ratio / 100) - 3 - scroll;
    // Not every picture coordinate has a display pixel of its own below
    // 100 %: take the last position that still stands for at most it.
    while (markerPictureCoord(scroll, pos + 1, ratio) <= pictureCoord)
        ++pos;
    while (pos > -3 - scroll && markerPictureCoord(scroll, pos, ratio) > pictureCoord)
        --pos;
    return pos;
}

bool LoadPanoramaPicture(const QString& path, QImage& bitmap, Messages& messages)
{
    const int kind = GraphicKindOf(path);
    if (kind < 0) {
        messages.information(kImportUnsupported + path);
        return false;
    }
    QImage loaded;
    bool ok = false;
    if (kind == kKindJpeg) {
        ok = DecodeJpegFile(path, loaded, 0, messages);
    } else if (kind == kKindMetafile) {
        messages.information(kPanoramaMetafileNotice);
        ok = RenderGraphicFile(loaded, path, messages);
        if (!ok)
            return false;  // the renderer has said why
    } else if (kind == kKindIcon) {
        ok = RenderGraphicFile(loaded, path, messages);
        if (!ok)
            return false;
    } else {
        ok = LoadWithImageLibrary(path, loaded);
    }
    if (!ok || !makeWorking(loaded)) {
        messages.information(ImportReadErrorText(path));
        return false;
    }
    bitmap = loaded;
    return true;
}

}  // namespace zb
