#include "imaging/pixel_geometry.h"

#include "imaging/pixel_adjust.h"
#include "imaging/working_bitmap.h"

#include <cmath>
#include <vector>
#include <cstring>
#include <utility>

namespace zb {

namespace {

// Cosine and sine of the angle in degrees, exact for whole quarter turns so a
// turn by 90 degrees takes every pixel from where it belongs.
std::pair<double, double> cosSin(double degrees)
{
    const double turns = degrees / 90.0;
    if (turns == std::floor(turns)) {
        switch (((long long)turns % 4 + 4) % 4) {
        case 0: return {1, 0};
        case 1: return {0, 1};
        case 2: return {-1, 0};
        default: return {0, -1};
        }
    }
    const double r = degrees * M_PI / 180.0;
    return {std::cos(r), std::sin(r)};
}

}  // namespace

void flipVertical(QImage& picture)
{
    if (!makeWorking(picture))
        return;
    const int h = picture.height();
    const qsizetype rowBytes = qsizetype(picture.width()) * 3;
    QByteArray row(rowBytes, Qt::Uninitialized);
    for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
        uchar* a = picture.scanLine(top);
        uchar* b = picture.scanLine(bottom);
        std::memcpy(row.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, row.constData(), rowBytes);
    }
}

void flipHorizontal(QImage& picture)
{
    if (!makeWorking(picture))
        return;
    const int w = picture.width();
    uchar* bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    forRowBands(picture.height(), qint64(picture.width()) * picture.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uchar* p = bits + y * stride;
            for (int l = 0, r = w - 1; l < r; ++l, --r)
                for (int c = 0; c < 3; ++c)
                    std::swap(p[l * 3 + c], p[r * 3 + c]);
        }
    });
}

bool turnClockwise(QImage& picture)
{
    if (!makeWorking(picture))
        return false;
    const int w = picture.width(), h = picture.height();
    QImage out = newWorkingBitmap(h, w);
    if (out.isNull())
        return false;
    const uchar* src = picture.constBits();
    const qsizetype srcStride = picture.bytesPerLine();
    uchar* dst = out.bits();
    const qsizetype dstStride = out.bytesPerLine();
    // Result row y is source column y read from the bottom row up.
    forRowBands(w, qint64(w) * picture.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uchar* d = dst + y * dstStride;
            for (int x = 0; x < h; ++x, d += 3) {
                const uchar* s = src + qsizetype(h - 1 - x) * srcStride + qsizetype(y) * 3;
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
    });
    picture = std::move(out);
    return true;
}

QSize rotatedSize(int w, int h, double degrees)
{
    const auto [c, s] = cosSin(degrees);
    return {int(std::nearbyint(std::abs(w * c) + std::abs(h * s))),
            int(std::nearbyint(std::abs(w * s) + std::abs(h * c)))};
}

bool turnCounterClockwise(QImage& picture)
{
    if (!makeWorking(picture))
        return false;
    const int w = picture.width(), h = picture.height();
    QImage out = newWorkingBitmap(h, w);
    if (out.isNull())
        return false;
    const uchar* src = picture.constBits();
    const qsizetype srcStride = picture.bytesPerLine();
    uchar* dst = out.bits();
    const qsizetype dstStride = out.bytesPerLine();
    // Result row y is source column W - 1 - y read from the top row down.
    forRowBands(w, qint64(w) * h, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uchar* d = dst + y * dstStride;
            const uchar* column = src + qsizetype(w - 1 - y) * 3;
            for (int x = 0; x < h; ++x, d += 3) {
                const uchar* s = column + qsizetype(x) * srcStride;
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
    });
    picture = std::move(out);
    return true;
}

RotateResult rotatePicture(QImage& picture, double degrees)
{
    if (picture.isNull())
        return RotateResult::NoPicture;
    if (degrees == 0)
        return RotateResult::NoAngle;
    // Plain variables, not a structured binding: the row loop's lambda
    // captures them, which not every compiler accepts for bindings.
    const auto cs = cosSin(degrees);
    const double c = cs.first, s = cs.second;
    const int w = picture.width(), h = picture.height();
    const double rw = std::nearbyint(std::abs(w * c) + std::abs(h * s));
    const double rh = std::nearbyint(std::abs(w * s) + std::abs(h * c));
    if (!withinPixelLimit(qint64(rw), qint64(rh)))
        return RotateResult::TooLarge;
    QImage source = picture;
    if (!makeWorking(source))
        return RotateResult::NoPicture;
    QImage out = newWorkingBitmap(qint64(rw), qint64(rh));
    if (out.isNull())
        return RotateResult::TooLarge;
    const int ow = out.width();
    const uchar* src = source.constBits();
    const qsizetype srcStride = source.bytesPerLine();
    uchar* dst = out.bits();
    const qsizetype dstStride = out.bytesPerLine();
    const double cu = ow / 2.0 - 0.5, cv = out.height() / 2.0 - 0.5;
    // The source position is (w/2 + du c + dv s, h/2 - du s + dv c); the parts
    // that depend on the column alone are worked out once, and each pixel
    // adds the row's part in the same order, so every position is the same
    // double as the formula gives.
    std::vector<double> columnX(static_cast<std::size_t>(ow)), columnY(static_cast<std::size_t>(ow));
    for (int u = 0; u < ow; ++u) {
        const double du = u - cu;
        columnX[std::size_t(u)] = w / 2.0 + du * c;
        columnY[std::size_t(u)] = h / 2.0 - du * s;
    }
    const uchar fill[3] = {uchar(qBlue(kRotationFill)), uchar(qGreen(kRotationFill)), uchar(qRed(kRotationFill))};
    forRowBands(out.height(), qint64(out.width()) * out.height(), [&](int first, int end) {
        for (int v = first; v < end; ++v) {
            uchar* d = dst + v * dstStride;
            const double dv = v - cv;
            const double rowX = dv * s, rowY = dv * c;
            for (int u = 0; u < ow; ++u, d += 3) {
                const double x = columnX[std::size_t(u)] + rowX;
                const double y = columnY[std::size_t(u)] + rowY;
                // floor() of a negative value is negative; of a non-negative
                // one it is the truncation.
                if (x < 0 || y < 0 || x >= w || y >= h) {
                    d[0] = fill[0];
                    d[1] = fill[1];
                    d[2] = fill[2];
                    continue;
                }
                const uchar* p = src + qsizetype(y) * srcStride + qsizetype(x) * 3;
                d[0] = p[0];
                d[1] = p[1];
                d[2] = p[2];
            }
        }
    });
    picture = std::move(out);
    return RotateResult::Rotated;
}

TrimResult trimPicture(QImage& picture, const QRect& selection)
{
    if (picture.isNull())
        return TrimResult::NoPicture;
    if (selection.width() == 0 || selection.height() == 0)
        return TrimResult::EmptySelection;
    const QRect part = selection.normalized() & picture.rect();
    if (part.isEmpty())
        return TrimResult::EmptySelection;
    if (part == picture.rect())
        return TrimResult::SizeUnchanged;
    QImage out = picture.copy(part);
    if (!makeWorking(out))
        return TrimResult::NoPicture;
    picture = std::move(out);
    return TrimResult::Trimmed;
}

}  // namespace zb
