#include "imaging/pixel_filters.h"

#include "imaging/resample.h"
#include "imaging/working_bitmap.h"

#include <algorithm>
#include <array>
#include <vector>

namespace zb {

namespace {

// Byte offsets of each column's left, own and right neighbour, clamped into
// the row.
struct Columns {
    std::vector<int> left, self, right;
    explicit Columns(int w) : left(size_t(w)), self(size_t(w)), right(size_t(w))
    {
        for (int x = 0; x < w; ++x) {
            left[size_t(x)] = std::max(x - 1, 0) * 3;
            self[size_t(x)] = x * 3;
            right[size_t(x)] = std::min(x + 1, w - 1) * 3;
        }
    }
};

inline uchar clampByte(int v) { return uchar(std::clamp(v, 0, 255)); }

}  // namespace

QImage ApplyFilter3x3(const QImage& image, Filter3x3 filter)
{
    if (image.isNull())
        return {};
    const QImage source = toWorkingBitmap(image);
    if (source.isNull())
        return {};
    const int w = source.width(), h = source.height();
    QImage out = newWorkingBitmap(w, h);
    if (out.isNull())
        return {};
    const Columns cols(w);
    forRowBands(h, qint64(w) * h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uchar* up = source.constScanLine(std::max(y - 1, 0));
            const uchar* mid = source.constScanLine(y);
            const uchar* down = source.constScanLine(std::min(y + 1, h - 1));
            uchar* d = out.scanLine(y);
            for (int x = 0; x < w; ++x) {
                const int l = cols.left[size_t(x)], c = cols.self[size_t(x)], r = cols.right[size_t(x)];
                for (int k = 0; k < 3; ++k) {
                    int v;
                    switch (filter) {
                    case Filter3x3::Emboss:
                        v = up[l + k] + up[c + k] + mid[l + k] - mid[r + k] - down[c + k] - down[r + k] + 127;
                        break;
                    case Filter3x3::Blur: {
                        const int sum = up[l + k] + up[c + k] + up[r + k] + mid[l + k] + mid[c + k]
                                        + mid[r + k] + down[l + k] + down[c + k] + down[r + k];
                        // sum / 9 is never exactly a half, so plain rounding is exact.
                        v = (sum + 4) / 9;
                        break;
                    }
                    case Filter3x3::Sharpen:
                    default:
                        v = 5 * mid[c + k] - up[c + k] - mid[l + k] - mid[r + k] - down[c + k];
                        break;
                    }
                    d[c + k] = clampByte(v);
                }
            }
        }
    });
    return out;
}

int NoiseNeighbourhood(int strength)
{
    if (strength <= 0)
        return 1;
    return std::min(strength, 255) <= 128 ? 3 : 5;
}

QImage RemoveNoise(const QImage& image, int strength)
{
    if (image.isNull())
        return {};
    const QImage source = toWorkingBitmap(image);
    if (source.isNull())
        return {};
    const int w = source.width(), h = source.height();
    const int side = NoiseNeighbourhood(strength);
    if (side == 1)
        return source.copy();
    QImage out = newWorkingBitmap(w, h);
    if (out.isNull())
        return {};
    const int radius = side / 2;
    const int taps = side * side;
    // Byte offsets of the neighbouring columns, clamped into the row.
    std::vector<int> colOffset(size_t(w) * size_t(side));
    for (int x = 0; x < w; ++x)
        for (int i = 0; i < side; ++i)
            colOffset[size_t(x) * size_t(side) + size_t(i)] = std::clamp(x + i - radius, 0, w - 1) * 3;
    forRowBands(h, qint64(w) * h, [&](int y0, int y1) {
        std::vector<const uchar*> rows(static_cast<size_t>(side));
        std::array<uchar, 25> values{};
        for (int y = y0; y < y1; ++y) {
            for (int j = 0; j < side; ++j)
                rows[size_t(j)] = source.constScanLine(std::clamp(y + j - radius, 0, h - 1));
            uchar* d = out.scanLine(y);
            for (int x = 0; x < w; ++x) {
                const int* offs = &colOffset[size_t(x) * size_t(side)];
                for (int k = 0; k < 3; ++k) {
                    int n = 0;
                    for (int j = 0; j < side; ++j)
                        for (int i = 0; i < side; ++i)
                            values[size_t(n++)] = rows[size_t(j)][offs[i] + k];
                    std::nth_element(values.begin(), values.begin() + taps / 2, values.begin() + taps);
                    d[x * 3 + k] = values[size_t(taps / 2)];
                }
            }
        }
    });
    return out;
}

QSize PercentSize(int w, int h, int percent)
{
    const qint64 nw = qint64(w) * percent / 100, nh = qint64(h) * percent / 100;
    return QSize(int(std::clamp<qint64>(nw, -1, kMaxSide + 1)), int(std::clamp<qint64>(nh, -1, kMaxSide + 1)));
}

ResizeResult ResizeByPercent(const QImage& image, int percent, bool interpolate)
{
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return {ResizeStatus::NoPicture, {}};
    if (percent == 100)
        return {ResizeStatus::Unchanged, {}};
    const QSize size = PercentSize(image.width(), image.height(), percent);
    if (size.width() < 1 || size.height() < 1)
        return {ResizeStatus::TooSmall, {}};
    if (!withinPixelLimit(size.width(), size.height()))
        return {ResizeStatus::TooLarge, {}};
    QImage out = interpolate ? ResizeSmooth(image, size.width(), size.height())
                             : StretchPlain(image, size.width(), size.height());
    // The resampler refuses an intermediate past the pixel limit, and either
    // may fail for want of memory: both mean the picture is too large.
    if (out.isNull())
        return {ResizeStatus::TooLarge, {}};
    return {ResizeStatus::Resized, out};
}

}  // namespace zb
